#!/usr/bin/env bash
# Installs what is missing, builds both trees and runs every test: natively, then again under the
# sanitizers (AddressSanitizer with UndefinedBehaviorSanitizer for every native suite,
# ThreadSanitizer for the suites whose code starts threads), then the Windows build under Wine
# (with an X display for the window tests), the packages' tests among them.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/setup.sh" all
"$top/scripts/build.sh"
ctest --test-dir "$top/build/linux" --output-on-failure
"$top/scripts/build.sh" asan sqlite_library test_base test_platform test_db test_repair test_salvage test_cli
ctest --test-dir "$top/build/asan" --output-on-failure -R '^(base|platform|db|repair|salvage|cli)$'
"$top/scripts/build.sh" tsan sqlite_library test_platform test_repair
ctest --test-dir "$top/build/tsan" --output-on-failure -R '^(platform|repair)$'
source "$top/scripts/wine-env.sh"
wine_prefix_ready
"$top/scripts/with-display.sh" ctest --test-dir "$top/build/windows" --output-on-failure
