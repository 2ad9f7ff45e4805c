#!/usr/bin/env bash
# run_at_dpi.sh tells its own failure apart from the program's: a prefix that cannot be made ends it
# with status 125 and lines on stderr that name the failed step, before any program runs.
#   run_at_dpi_test.sh PATH_OF_RUN_AT_DPI
set -uo pipefail
harness=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
touch "$scratch/file"
status=0
DOVRANE_WINEPREFIX="$scratch/file/wine" "$harness" 120 program.exe 2>"$scratch/stderr" || status=$?
failed=0
check() {   # what, command...
    local what=$1
    shift
    "$@" || { echo "FAILED: $what" >&2; failed=$((failed + 1)); }
}
check "exit status 125, not $status" [ "$status" -eq 125 ]
check "stderr names the failed step" grep -q "making the prefix's folder failed" "$scratch/stderr"
check "stderr says the program did not run" grep -q "the test program did not run" "$scratch/stderr"
[ "$failed" -eq 0 ] || { echo "stderr was:" >&2; cat "$scratch/stderr" >&2; }
echo "$((3 - failed)) passed, $failed failed"
[ "$failed" -eq 0 ]
