#!/usr/bin/env bash
# Runs a Windows test program under a Wine prefix of its own whose screen has the given DPI
# (LogPixels), so that window layouts can be checked at 120 and 144 DPI. The prefix is made once,
# beside the project's prefix (.cache/wine-dpiDPI); the program finds the DPI it should see in
# DOVRANE_TEST_DPI.
#   run_at_dpi.sh DPI PROGRAM [ARGUMENTS...]
# Exits with the program's status; when the harness itself fails before the program runs, with 125
# and a line on stderr that names the step.
set -uo pipefail
harness_failed() {
    echo "run_at_dpi: $1; the test program did not run" >&2
    exit 125
}
[ $# -ge 2 ] || harness_failed "usage: run_at_dpi.sh DPI PROGRAM [ARGUMENTS...]"
dpi=$1
shift
top=$(cd "$(dirname "$0")/../.." && pwd)
export DOVRANE_WINEPREFIX="${DOVRANE_WINEPREFIX:-$top/.cache/wine}-dpi$dpi"
source "$top/scripts/wine-env.sh" || harness_failed "scripts/wine-env.sh could not be read"
wine_prefix_ready || harness_failed "the Wine prefix $WINEPREFIX is not ready"
# Wine reads the DPI when a process starts, from either of these keys.
if [ ! -f "$WINEPREFIX/.dovrane-dpi" ]; then
    for key in 'HKCU\Control Panel\Desktop' 'HKCC\Software\Fonts'; do
        wine_step "setting LogPixels to $dpi under $key" wine reg add "$key" /v LogPixels /t REG_DWORD /d "$dpi" /f ||
            harness_failed "the DPI could not be set"
    done
    touch "$WINEPREFIX/.dovrane-dpi" || harness_failed "the prefix's DPI marker could not be written"
fi
export DOVRANE_TEST_DPI=$dpi
exec wine "$@"
