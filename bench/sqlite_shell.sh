#!/usr/bin/env bash
# Builds the sqlite3 shell from the pinned amalgamation into .cache/bench/ (for comparisons only;
# nothing of it is committed) and prints its path.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
sqlite=$("$top/scripts/fetch-sqlite.sh")
shell="$top/.cache/bench/sqlite3"
if [ ! -x "$shell" ]; then
    mkdir -p "$(dirname "$shell")"
    gcc -O2 -DSQLITE_THREADSAFE=1 -DSQLITE_ENABLE_DBPAGE_VTAB -DSQLITE_ENABLE_DBSTAT_VTAB \
        -DSQLITE_ENABLE_FTS4 -DSQLITE_ENABLE_FTS5 -DSQLITE_ENABLE_RTREE \
        "$sqlite/shell.c" "$sqlite/sqlite3.c" -lpthread -ldl -lm -o "$shell"
fi
echo "$shell"
