#!/usr/bin/env bash
# Runs one Windows program under the project's Wine prefix (the cross build's test emulator).
source "$(dirname "$0")/wine-env.sh"
wine_prefix_ready
exec wine "$@"
