#!/usr/bin/env bash
# Installs what is missing, builds both trees and runs every test: natively, then the Windows
# build under Wine (with an X display for the window tests), the packages' tests among them.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/setup.sh" all
"$top/scripts/build.sh"
ctest --test-dir "$top/build/linux" --output-on-failure
source "$top/scripts/wine-env.sh"
wine_prefix_ready
"$top/scripts/with-display.sh" ctest --test-dir "$top/build/windows" --output-on-failure
