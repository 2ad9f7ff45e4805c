#!/usr/bin/env bash
# Makes the Windows packages into dist/: the portable zip Dovrane-<version>-win64.zip and the
# installer Dovrane-<version>-win64-setup.exe, each with its SHA-256 in a .sha256 file beside it.
# Installs what is missing (the cross build and NSIS), builds what the packages ship in
# build/windows, and leaves the rest to CPack (cmake/packaging.cmake).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
step() { echo "package: $*" >&2; }

step "checking the Debian packages of the Windows build and NSIS (scripts/setup.sh package)"
"$top/scripts/setup.sh" package
step "building Dovrane.exe, dovrane-cli.exe, the SQLite library and the installer's picture in build/windows"
"$top/scripts/build.sh" windows Dovrane dovrane-cli sqlite_library installer_picture >&2
staging="$top/build/windows/packages"
rm -rf "$staging"
step "making the packages with CPack"
(cd "$top/build/windows" && cpack -B "$staging" >&2)
mkdir -p "$top/dist"
mapfile -t made < <(find "$staging" -maxdepth 1 -type f -printf '%f\n' | LC_ALL=C sort)
for file in "${made[@]}"; do mv -f "$staging/$file" "$top/dist/"; done
step "written to dist/:"
(cd "$top/dist" && ls -l "${made[@]}")
