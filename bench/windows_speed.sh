#!/usr/bin/env bash
# windows_speed.sh [ROWS...]: the repair where the users are: the Windows build's dovrane-cli.exe
# and SQLite's own shell, cross-built with mingw-w64 from the pinned amalgamation with the bundled
# library's options, both under Wine, on the same generated databases: repair_speed.sh (VACUUM
# INTO, .dump, .recover; 1,000,000 rows unless told), wide_rows.sh and salvage_speed.sh (a garbled
# leaf, then a garbled root, of 1,000,000 rows), with their ratios.
set -euo pipefail
bench=$(cd "$(dirname "$0")" && pwd)
"$(dirname "$bench")/scripts/build.sh" windows dovrane-cli sqlite_library >/dev/null
BENCH_TREE=windows "$bench/repair_speed.sh" "$@"
BENCH_TREE=windows "$bench/wide_rows.sh"
BENCH_TREE=windows "$bench/salvage_speed.sh" 1000000 leaf
BENCH_TREE=windows "$bench/salvage_speed.sh" 1000000 root
