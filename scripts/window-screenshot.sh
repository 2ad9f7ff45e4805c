#!/usr/bin/env bash
# Starts a Windows program (Dovrane.exe) under Wine on the current X display, answers its start-up
# tip, saves a picture of its window as PNG and closes it with Alt+F4, as a user would. It clicks and
# presses keys on that display, so it is meant for one nobody works on (scripts/with-display.sh).
# Fails when the tip or the window does not show within a minute.
#   scripts/window-screenshot.sh PROGRAM PNG
set -euo pipefail
program=$1
png=$2
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/wine-env.sh"
wine_prefix_ready

wine "$program" >/dev/null 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT

# The X window of a shown Windows window whose title matches, or a failure after a minute.
shown_window() {
    local found
    found=$(timeout 60 xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -n 1) || true
    [ -n "$found" ] || { echo "gui: no window titled $2 appeared" >&2; return 1; }
    echo "$found"
}

tip=$(shown_window '^信息:$' 'the start-up tip "信息:"')
# A click makes the box the active window; Return presses its OK button.
xdotool mousemove --window "$tip" 20 15 click 1 key Return
window=$(shown_window '^Dovrane$' '"Dovrane"')
sleep 1   # Wine puts a new window's first paint on the screen from its message loop
mkdir -p "$(dirname "$png")"
import -window "$window" "$png"
echo "gui: screenshot of the window saved to $png" >&2

# A click in the path box activates the window without starting a move; Alt+F4 closes it.
xdotool mousemove --window "$window" 200 43 click 1 key alt+F4
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
