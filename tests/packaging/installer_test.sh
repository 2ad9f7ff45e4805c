#!/usr/bin/env bash
# The installer as a user meets it, under Wine in a fresh prefix of its own (.cache/wine-installer,
# removed again when the test passes): a silent install with /S puts the programs, data\ and the
# texts under Program Files, a shortcut in the Start menu and an entry in Add/Remove Programs; the
# shortcut starts the installed program, which shows its start-up tip and then its window; the
# installed dovrane-cli.exe gives the version; the entry's silent uninstall leaves nothing behind.
#   installer_test.sh SETUP_EXE VERSION PACKAGE_PROBE_EXE
set -euo pipefail
setup=$1
version=$2
probe=$3
top=$(cd "$(dirname "$0")/../.." && pwd)
export DOVRANE_WINEPREFIX="$top/.cache/wine-installer"
source "$top/scripts/wine-env.sh"
source "$(dirname "$0")/expectations.sh"

echo "== Fresh Wine prefix $WINEPREFIX"
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
wineboot --init >/dev/null 2>&1
wineserver -w

drive="$WINEPREFIX/drive_c"
folder="$drive/Program Files/Dovrane"
menu="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Dovrane"
entry='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Dovrane'
# The values of a registry key as "reg query" lists them, or "missing".
registry_key() {
    local listing
    if listing=$(wine reg query "$1" 2>/dev/null); then tr -d '\r' <<<"$listing" | sed '/^$/d'; else echo missing; fi
}
# registry_value LISTING NAME: one text value from registry_key's listing.
registry_value() {
    sed -n "s/^ *$2 *REG_SZ *//p" <<<"$1"
}

echo "== Silent install: $(basename "$setup") /S"
wine "$setup" /S
expect_equal "files under Program Files\\Dovrane" \
    "$(printf '%s\n' Dovrane.exe LICENSES.txt README.txt Uninstall.exe data/static-sqlite3-third.dll dovrane-cli.exe)" \
    "$(cd "$folder" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)"
expect_equal "Start-menu entries" "$(printf '%s\n' Dovrane.lnk Uninstall.lnk)" "$(ls "$menu" | LC_ALL=C sort)"
listing=$(registry_key "$entry")
echo "$listing"
expect_equal "Add/Remove Programs name" "Dovrane" "$(registry_value "$listing" DisplayName)"
expect_equal "Add/Remove Programs version" "$version" "$(registry_value "$listing" DisplayVersion)"
uninstaller=$(registry_value "$listing" UninstallString | tr -d '"')
expect_equal "Add/Remove Programs uninstaller" 'C:\Program Files\Dovrane\Uninstall.exe' "$uninstaller"

echo "== The Start-menu shortcut"
shortcut=$(wine "$probe" shortcut 'C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Dovrane\Dovrane.lnk') || true
echo "$shortcut"
program=$(sed -n 's/^target: //p' <<<"$shortcut")
expect_equal "shortcut target" 'C:\Program Files\Dovrane\Dovrane.exe' "$(sed 's|\\\.\\|\\|g' <<<"$program")"

echo "== The installed program, started from the shortcut's target"
started=$(wine "$probe" start "$program") || true
echo "$started"
expect_equal "what the program showed" "$(expected_start "$version")" "$started"

echo "== The installed dovrane-cli.exe --version"
expect_equal "dovrane-cli --version" "dovrane-cli $version" \
    "$(wine 'C:\Program Files\Dovrane\dovrane-cli.exe' --version | tr -d '\r')"

echo "== Silent uninstall: $uninstaller /S"
wine "$uninstaller" /S
# The uninstaller runs on from a copy of itself in the temporary folder: wait for every program.
wineserver -w
expect_absent "Program Files\\Dovrane" "$folder"
expect_absent "Start-menu folder" "$menu"
expect_equal "Add/Remove Programs entry" "missing" "$(registry_key "$entry")"
expect_equal "installer's own key" "missing" "$(registry_key 'HKLM\Software\Dovrane')"
wineserver -w

finish_expectations
rm -rf "$WINEPREFIX"
