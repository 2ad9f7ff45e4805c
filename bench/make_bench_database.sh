#!/usr/bin/env bash
# make_bench_database.sh ROWS PATH: a database of ROWS rows of about 100 bytes (an integer key,
# three texts, a real, a 16-byte blob) with one secondary index, made with the sqlite3 shell.
set -euo pipefail
rows=$1
path=$2
shell=$("$(dirname "$0")/sqlite_shell.sh")
rm -f "$path"
"$shell" "$path" <<SQL
PRAGMA journal_mode = OFF;
PRAGMA synchronous = OFF;
CREATE TABLE items(id INTEGER PRIMARY KEY, name TEXT, note TEXT, tag TEXT, price REAL, digest BLOB);
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $rows)
INSERT INTO items SELECT i, printf('name-%08d', i), hex(randomblob(30)), 'tag' || (i % 100), i * 0.25, randomblob(16) FROM n;
CREATE INDEX items_tag ON items(tag);
SQL
