#!/usr/bin/env bash
# Fetches the pinned SQLite amalgamation (carried by the npm package sqlite3@6.0.1), verifies its
# SHA-256 and unpacks it under .cache/. Prints the unpacked folder. Does nothing once it is there.
# It also takes SQLite's recovery extension out of the amalgamation's shell.c (the sources between
# its "Begin ext/recover/..." and "End ext/recover/..." markers) as sqlite3recover.h and
# sqlite3recover.c beside sqlite3.c, to be built into the same library.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cache="$top/.cache"
name=sqlite-autoconf-3520000
sha256=f6b50b0c103392af32a8be15b2b9d25959de9a00a70c3979128aafeaa5338b3f
folder="$cache/$name"

# extract_recover: sqlite3recover.h and sqlite3recover.c from shell.c, written whole or not at all.
extract_recover() {
    local shell="$folder/shell.c"
    awk '/^\/\*+ Begin ext\/recover\/sqlite3recover\.h /{on=1; next} /^\/\*+ End ext\/recover\/sqlite3recover\.h /{on=0} on' \
        "$shell" >"$folder/sqlite3recover.h.part"
    {
        echo '/* SQLite recovery extension (ext/recover), taken from the amalgamation'"'"'s shell.c. */'
        echo '#include "sqlite3.h"'
        echo '#include "sqlite3recover.h"'
        echo 'typedef unsigned char u8;'
        echo 'typedef unsigned int u32;'
        echo 'typedef sqlite3_int64 i64;'
        awk '/^\/\*+ Begin ext\/recover\/dbdata\.c /{on=1; next} /^\/\*+ End ext\/recover\/sqlite3recover\.c /{on=0} on' "$shell"
    } >"$folder/sqlite3recover.c.part"
    grep -q 'sqlite3_recover_init' "$folder/sqlite3recover.h.part" && grep -q 'sqlite3_recover_step' "$folder/sqlite3recover.c.part" || {
        echo "fetch-sqlite: the recovery extension was not found in $shell" >&2
        exit 1
    }
    mv "$folder/sqlite3recover.h.part" "$folder/sqlite3recover.h"
    mv "$folder/sqlite3recover.c.part" "$folder/sqlite3recover.c"
}

if [ -f "$folder/sqlite3.c" ]; then
    [ -f "$folder/sqlite3recover.c" ] || extract_recover
    echo "$folder"
    exit 0
fi
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
extract_recover
echo "$folder"
