#!/usr/bin/env bash
# Installs the Debian packages the project needs, when any is missing (as root, or through sudo).
set -euo pipefail
packages=(cmake make g++ googletest libssl-dev pkg-config mingw-w64 wine wine64
          xvfb xdotool x11-utils imagemagick sox fonts-wqy-microhei time)
missing=()
for package in "${packages[@]}"; do
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
