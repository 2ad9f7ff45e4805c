#!/usr/bin/env bash
# Runs one Windows program under the project's Wine prefix (the cross build's test emulator). Exits
# with the program's status; when the prefix cannot be made ready, with 125 and a line on stderr
# (after wine-env's, which names the step), the program not having run.
source "$(dirname "$0")/wine-env.sh"
wine_prefix_ready || { echo "wine-run: the Wine prefix $WINEPREFIX is not ready; $1 did not run" >&2; exit 125; }
exec wine "$@"
