#!/usr/bin/env bash
# Fetches the pinned SQLite amalgamation (carried by the npm package sqlite3@6.0.1), verifies its
# SHA-256 and unpacks it under .cache/. Prints the unpacked folder. Does nothing once it is there.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cache="$top/.cache"
name=sqlite-autoconf-3520000
sha256=f6b50b0c103392af32a8be15b2b9d25959de9a00a70c3979128aafeaa5338b3f
folder="$cache/$name"

if [ -f "$folder/sqlite3.c" ]; then echo "$folder"; exit 0; fi
mkdir -p "$cache"
archive="$cache/$name.tar.gz"
if [ ! -f "$archive" ] || ! echo "$sha256  $archive" | sha256sum -c --status; then
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    (cd "$work" && npm pack sqlite3@6.0.1 --silent >/dev/null)
    tar -xzf "$work"/sqlite3-6.0.1.tgz -C "$work" "package/deps/$name.tar.gz"
    mv "$work/package/deps/$name.tar.gz" "$archive"
fi
if ! echo "$sha256  $archive" | sha256sum -c --status; then
    echo "fetch-sqlite: checksum mismatch for $archive" >&2
    rm -f "$archive"
    exit 1
fi
tar -xzf "$archive" -C "$cache"
echo "$folder"
