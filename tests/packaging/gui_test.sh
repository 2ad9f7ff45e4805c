#!/usr/bin/env bash
# ./run.sh --gui's launcher, scripts/gui.sh, under the suite's Wine prefix. Without an X display it
# ends by itself, having shown the window on a private Xvfb and saved a screenshot of it where it
# says. On a display the program's windows are left to the window manager: they are not the
# override-redirect windows that Wine makes for the test programs.
#   gui_test.sh DOVRANE_EXE
set -euo pipefail
program=$1
top=$(cd "$(dirname "$0")/../.." && pwd)
# The second half needs a display; the first makes do without one.
[ -n "${DISPLAY:-}" ] || exec "$top/scripts/with-display.sh" "$0" "$@"
source "$(dirname "$0")/expectations.sh"
scratch="$PWD/gui test"
rm -rf "$scratch"
mkdir -p "$scratch"

echo "== Without a display"
png="$scratch/window.png"
status=0
(unset DISPLAY; timeout 120 "$top/scripts/gui.sh" "$program" "$png") 2>"$scratch/said.txt" || status=$?
cat "$scratch/said.txt"
expect_equal "exit status" "0" "$status"
expect_equal "where the screenshot is" "1" "$(grep -c -F "screenshot of the window saved to $png" "$scratch/said.txt")"
expect_equal "screenshot size" "522x97" "$(identify -format '%wx%h' "$png" 2>&1)"
expect_equal "title strip in the screenshot" "srgb(50,65,85)" \
    "$(convert "$png" -format '%[pixel:p{300,10}]' info: 2>&1)"

echo "== On a display"
# The X window's override-redirect state ("yes" or "no") of the first shown window with that title
# of a program started by the command, which is then ended.
override_redirect() {   # title, command...
    local title=$1 pid window state
    shift
    "$@" >/dev/null 2>&1 &
    pid=$!
    window=$(timeout 60 xdotool search --sync --onlyvisible --name "$title" 2>/dev/null | head -n 1) || true
    state=$(xwininfo -id "${window:-0}" -all 2>/dev/null | sed -n 's/^ *Override Redirect State: //p')
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    echo "${state:-no window}"
}
expect_equal "Dovrane.exe's start-up tip is the window manager's" "no" \
    "$(override_redirect '^信息:$' "$top/scripts/gui.sh" "$program")"

finish_expectations
