#!/usr/bin/env bash
# The installer as a user meets it, under Wine in a fresh prefix of its own (.cache/wine-installer,
# removed again when the test passes):
# - a silent install with /S puts the programs, data\ and the texts under Program Files, the
#   program and its uninstaller (under a Chinese name) in the Start menu and an entry in
#   Add/Remove Programs; the setup program and dovrane-cli.exe carry the version;
# - run again over that copy, the installer asks in Chinese; answered 是 and then cancelled, it
#   leaves the installed copy whole: files, uninstaller and Add/Remove entry;
# - run again through every page, it shows only Chinese, Dovrane's picture on its welcome and
#   finish pages and no installer-system branding, and its finish page starts the program and
#   makes the desktop shortcut;
# - the Start-menu shortcut starts the installed program, which shows its start-up tip and then
#   its window; the installed dovrane-cli.exe gives the version;
# - the entry's silent uninstall leaves nothing behind.
#   installer_test.sh SETUP_EXE VERSION PACKAGE_PROBE_EXE
set -euo pipefail
setup=$1
version=$2
probe=$3
top=$(cd "$(dirname "$0")/../.." && pwd)
# The wizard is drawn on a display.
[ -n "${DISPLAY:-}" ] || exec "$top/scripts/with-display.sh" "$0" "$@"
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
desktop="$drive/users/Public/Desktop"
entry='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Dovrane'
windows_setup=$(winepath -w "$setup")
# The values of a registry key as "reg query" lists them, or "missing".
registry_key() {
    local listing
    if listing=$(wine reg query "$1" 2>/dev/null); then tr -d '\r' <<<"$listing" | sed '/^$/d'; else echo missing; fi
}
# registry_value LISTING NAME: one text value from registry_key's listing.
registry_value() {
    sed -n "s/^ *$2 *REG_SZ *//p" <<<"$1"
}
installed_files() {
    (cd "$folder" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
}
# The value of each "NAME: value" line of a probe's report.
reported() {
    sed -n "s/^$1: //p" <<<"$2"
}
# The words in Latin letters that a report of texts holds besides names, paths, sizes, access keys
# and check marks: what an English text leaves.
latin_words() {
    sed -E 's/^[a-z ]+: //; s/^\[[x ]\] //; s/Dovrane|C:\\Program Files\\//g; s/\(&?[A-Z]\)//g;
            s/[0-9.]+ ?[KMG]?B\b//g; s/rgb\([0-9,]+\)//g' <<<"$1" |
        { grep -oE '[A-Za-z]+' || true; } | LC_ALL=C sort -u | tr '\n' ' '
}

echo "== Silent install: $(basename "$setup") /S"
wine "$setup" /S
expect_equal "files under Program Files\\Dovrane" \
    "$(printf '%s\n' Dovrane.exe LICENSES.txt README.txt Uninstall.exe data/static-sqlite3-third.dll dovrane-cli.exe)" \
    "$(installed_files)"
expect_equal "Start-menu entries" "$(printf '%s\n' Dovrane.lnk '卸载 Dovrane.lnk')" "$(ls "$menu" | LC_ALL=C sort)"
expect_equal "uninstaller's Start-menu entry" 'C:\Program Files\Dovrane\Uninstall.exe' \
    "$(reported target "$(wine "$probe" shortcut 'C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Dovrane\卸载 Dovrane.lnk')" |
        sed 's|\\\.\\|\\|g')"
expect_absent "desktop shortcut of a silent install" "$desktop/Dovrane.lnk"
listing=$(registry_key "$entry")
echo "$listing"
expect_equal "Add/Remove Programs name" "Dovrane" "$(registry_value "$listing" DisplayName)"
expect_equal "Add/Remove Programs version" "$version" "$(registry_value "$listing" DisplayVersion)"
uninstaller=$(registry_value "$listing" UninstallString | tr -d '"')
expect_equal "Add/Remove Programs uninstaller" 'C:\Program Files\Dovrane\Uninstall.exe' "$uninstaller"
for program in "$windows_setup" 'C:\Program Files\Dovrane\dovrane-cli.exe'; do
    expect_equal "version resource of $program" "$(printf 'file version: %s\nproduct version: %s' "$version.0" "$version")" \
        "$(wine "$probe" version "$program" | tr -d '\r')"
done

echo "== Run again over the installed copy: 是 to the question, then 取消 on the first page"
walked=$(wine "$probe" setup "$windows_setup" yes cancel yes) || true
echo "$walked"
expect_equal "the installer's question" \
    "Dovrane $version 已经安装在 C:\\Program Files\\Dovrane。  安装时会先卸载已安装的版本，再安装 Dovrane $version。是否继续？" \
    "$(reported 'box text' "$walked" | head -n 1)"
expect_equal "the question on cancelling" "确定要退出 Dovrane 安装程序吗？" "$(reported 'box text' "$walked" | tail -n 1)"
expect_equal "words in Latin letters in the installer's boxes and page" "" "$(latin_words "$walked")"
expect_equal "cancelled installer's exit code" "1" "$(reported 'exit code' "$walked")"
expect_equal "files after the cancelled install" \
    "$(printf '%s\n' Dovrane.exe LICENSES.txt README.txt Uninstall.exe data/static-sqlite3-third.dll dovrane-cli.exe)" \
    "$(installed_files)"
expect_equal "Start-menu entries after the cancelled install" "$(printf '%s\n' Dovrane.lnk '卸载 Dovrane.lnk')" \
    "$(ls "$menu" | LC_ALL=C sort)"
expect_equal "Add/Remove Programs entry after the cancelled install" "$listing" "$(registry_key "$entry")"

echo "== Run again through every page: 是, 下一步, 下一步, 安装, then 完成 with both boxes ticked"
walked=$(wine "$probe" setup "$windows_setup" yes next next next next) || true
echo "$walked"
expect_equal "words in Latin letters on the installer's pages" "" "$(latin_words "$walked")"
expect_equal "picture of the welcome and finish pages" "$(printf 'rgb(50,65,85)\nrgb(50,65,85)')" \
    "$(reported picture "$walked")"
expect_equal "branding line of the inner pages" "Dovrane $version" "$(reported text "$walked" | grep -m 1 -x "Dovrane $version")"
expect_equal "finish page's offers" "$(printf '[x] 运行 Dovrane(&R)\n[x] 创建桌面快捷方式(&D)')" "$(reported checkbox "$walked" | grep -v 不要)"
expect_equal "installer's exit code" "0" "$(reported 'exit code' "$walked")"
started=$(wine "$probe" running Dovrane.exe) || true
echo "$started"
expect_equal "what the program started by the finish page showed" "$(expected_start "$version")" "$started"
expect_equal "desktop shortcut" 'C:\Program Files\Dovrane\Dovrane.exe' \
    "$(reported target "$(wine "$probe" shortcut 'C:\users\Public\Desktop\Dovrane.lnk')" | sed 's|\\\.\\|\\|g')"
expect_equal "files after installing again" \
    "$(printf '%s\n' Dovrane.exe LICENSES.txt README.txt Uninstall.exe data/static-sqlite3-third.dll dovrane-cli.exe)" \
    "$(installed_files)"
expect_equal "Add/Remove Programs entry after installing again" "$listing" "$(registry_key "$entry")"

echo "== The Start-menu shortcut"
shortcut=$(wine "$probe" shortcut 'C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Dovrane\Dovrane.lnk') || true
echo "$shortcut"
program=$(reported target "$shortcut")
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
expect_absent "desktop shortcut" "$desktop/Dovrane.lnk"
expect_equal "Add/Remove Programs entry" "missing" "$(registry_key "$entry")"
expect_equal "installer's own key" "missing" "$(registry_key 'HKLM\Software\Dovrane')"
wineserver -w

finish_expectations
rm -rf "$WINEPREFIX"
