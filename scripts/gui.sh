#!/usr/bin/env bash
# Starts a Windows program (Dovrane.exe) under Wine as a desktop program.
#   scripts/gui.sh PROGRAM [SCREENSHOT]
# On an X display ($DISPLAY) it runs there until the user ends it, its windows left to the
# desktop's window manager (a taskbar entry, Alt+Tab). Without one nobody could see or answer the
# window: it is shown on a private Xvfb, a screenshot of it is saved to SCREENSHOT (by default
# .cache/gui/dovrane-window.png) and the program is closed again.
set -euo pipefail
program=$1
top=$(cd "$(dirname "$0")/.." && pwd)
screenshot=${2:-$top/.cache/gui/dovrane-window.png}
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    source "$top/scripts/wine-env.sh"
    wine_prefix_ready
    echo "gui: starting $(basename "$program") on display $DISPLAY" >&2
    exec wine "$program"
fi
echo "gui: no X display (DISPLAY is ${DISPLAY:-not set}), so the window is shown on a private Xvfb" \
     "for a screenshot; run this on a desktop, or with DISPLAY set, to use the program" >&2
exec "$top/scripts/with-display.sh" "$top/scripts/window-screenshot.sh" "$program" "$screenshot"
