#!/usr/bin/env bash
# Installs what is missing, builds both trees and runs the main job:
#   ./run.sh          makes a damaged sample database, shows its integrity check, repairs it with
#                     dovrane-cli and shows the integrity check of the result
#   ./run.sh PATH     repairs the database at PATH
#   ./run.sh --gui    starts Dovrane.exe under Wine (on $DISPLAY, or a private Xvfb)
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh" >/dev/null
cli="$top/build/linux/bin/dovrane-cli"

if [ "${1:-}" = "--gui" ]; then
    source "$top/scripts/wine-env.sh"
    wine_prefix_ready
    exec "$top/scripts/with-display.sh" wine "$top/build/windows/bin/Dovrane.exe"
fi
if [ $# -gt 0 ]; then
    exec "$cli" "$1"
fi

folder="$top/.cache/sample"
rm -rf "$folder"
mkdir -p "$folder"
sample="$folder/shop.db"
"$top/build/linux/bin/dovrane-sample" "$sample"
echo "== Integrity check of the damaged sample $sample (first lines)"
"$cli" --check "$sample" | head -n 6 || true
echo "== Repair"
"$cli" "$sample"
echo "== Integrity check of the repaired database"
"$cli" --check "$sample"
echo "== Files in $folder"
ls -l "$folder"
