#!/usr/bin/env bash
# Installs the Debian packages a job needs, when any is missing (as root, or through sudo), and says
# what it installs. Every job needs the native build's packages; each argument adds a group:
#   scripts/setup.sh            the native build (./run.sh)
#   scripts/setup.sh windows    and the Windows cross build (ImageMagick makes the installer's picture)
#   scripts/setup.sh package    and the Windows cross build with NSIS (scripts/package.sh)
#   scripts/setup.sh wine       and Wine with an X display, fonts and screenshots (./run.sh --gui)
#   scripts/setup.sh all        all of them, and the benchmarks' and resource script's tools (./test.sh)
set -euo pipefail
native=(cmake make g++ googletest libssl-dev libxxhash-dev pkg-config)
windows=(mingw-w64 imagemagick)
packaging=(nsis)
wine=(wine wine64 xvfb xdotool x11-utils imagemagick fonts-wqy-microhei)
tools=(sox time)

packages=("${native[@]}")
for group in "$@"; do
    case "$group" in
    windows) packages+=("${windows[@]}") ;;
    package) packages+=("${windows[@]}" "${packaging[@]}") ;;
    wine) packages+=("${wine[@]}") ;;
    all) packages+=("${windows[@]}" "${packaging[@]}" "${wine[@]}" "${tools[@]}") ;;
    *) echo "setup: unknown group $group (windows, package, wine or all)" >&2; exit 2 ;;
    esac
done
missing=()
for package in "${packages[@]}"; do
    [[ " ${missing[*]} " == *" $package "* ]] && continue   # in two groups
    dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
# npm fetches SQLite; a machine may carry Node.js from elsewhere, whose npm serves as well.
command -v npm >/dev/null 2>&1 || missing+=(npm)
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
echo "setup: installing ${missing[*]}" >&2
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "setup: installed" >&2
