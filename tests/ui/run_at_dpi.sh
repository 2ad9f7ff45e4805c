#!/usr/bin/env bash
# Runs a Windows test program under a Wine prefix of its own whose screen has the given DPI
# (LogPixels), so that window layouts can be checked at 120 and 144 DPI. The prefix is made once
# and kept under .cache/; the program finds the DPI it should see in DOVRANE_TEST_DPI.
#   run_at_dpi.sh DPI PROGRAM [ARGUMENTS...]
set -euo pipefail
dpi=$1
shift
top=$(cd "$(dirname "$0")/../.." && pwd)
export DOVRANE_WINEPREFIX="$top/.cache/wine-dpi$dpi"
source "$top/scripts/wine-env.sh"
wine_prefix_ready
# Wine reads the DPI when a process starts, from either of these keys.
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
wine reg add 'HKCC\Software\Fonts' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
export DOVRANE_TEST_DPI=$dpi
exec wine "$@"
