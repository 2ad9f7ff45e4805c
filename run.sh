#!/usr/bin/env bash
# Installs and builds only what the job at hand needs, saying so as it goes, then does the job:
#   ./run.sh          makes a damaged sample database, shows its integrity check, repairs it with
#                     dovrane-cli and shows the integrity check of the result; then makes a second
#                     sample with a garbled table page, shows that its repair fails safely, salvages
#                     it and prints the report (the native tree)
#   ./run.sh PATH     repairs the database at PATH (the native tree)
#   ./run.sh --gui    starts Dovrane.exe under Wine (the Windows tree and Wine; scripts/gui.sh)
# Steps and build output go to standard error; the job's own output to standard output.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
step() { echo "run: $*" >&2; }

if [ "${1:-}" = "--gui" ]; then
    step "checking the Debian packages of the Windows build and of Wine (scripts/setup.sh windows wine)"
    "$top/scripts/setup.sh" windows wine
    step "building Dovrane.exe and its SQLite library in build/windows"
    "$top/scripts/build.sh" windows Dovrane sqlite_library >&2
    exec "$top/scripts/gui.sh" "$top/build/windows/bin/Dovrane.exe"
fi

step "checking the Debian packages of the native build (scripts/setup.sh)"
"$top/scripts/setup.sh"
step "fetching the pinned SQLite amalgamation into .cache/ when it is not there (scripts/fetch-sqlite.sh)"
"$top/scripts/fetch-sqlite.sh" >/dev/null
step "building dovrane-cli, dovrane-sample and the SQLite library in build/linux"
"$top/scripts/build.sh" linux dovrane-cli dovrane-sample sqlite_library >&2
cli="$top/build/linux/bin/dovrane-cli"

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

salvaged="$folder/salvage"
mkdir -p "$salvaged"
sample="$salvaged/shop.db"
"$top/build/linux/bin/dovrane-sample" --garbled-table "$sample"
echo "== Repair of a sample whose orders table has a garbled page: it fails safely, the file untouched"
"$cli" "$sample" || true
echo "== Salvage of what can be read into a new file, and its report"
"$cli" --salvage "$sample" || [ $? -eq 3 ]   # 3: salvaged, with rows lost
echo "== Files in $salvaged"
ls -l "$salvaged"
