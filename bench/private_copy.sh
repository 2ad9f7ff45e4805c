#!/usr/bin/env bash
# private_copy.sh [MEGABYTES]: the cost of reading a database through its private copy. Makes a
# database of about MEGABYTES (default 1024) in the temporary folder, once with an empty -journal
# beside it and once with rows in its -wal, and times the private copy of each BENCH_RUNS times
# (3 unless set higher): folder, copy, SQLite's settling of the copy, deletion.
# shellcheck source=harness.sh source-path=SCRIPTDIR
source "$(dirname "$0")/harness.sh"
megabytes=${1:-1024}
positive_count MEGABYTES "$megabytes"
"$top/scripts/build.sh" linux private_copy >/dev/null
program="$top/build/linux/bin/private_copy"

database="$work/big.db"
make_database "$database" "CREATE TABLE blobs(id INTEGER PRIMARY KEY, body BLOB);
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $megabytes * 256)
INSERT INTO blobs(body) SELECT randomblob(4000) FROM n;"
echo "database: $(du -m "$database" | cut -f1) MB"

echo "with an empty -journal beside it:"
: >"$database-journal"
"$program" "$database" "$runs"
rm -f "$database-journal"

# Rows in the -wal: the file and its -wal copied aside while the writer still has them open.
"$shell" "$database" <<SQL >/dev/null
PRAGMA journal_mode = WAL;
PRAGMA wal_autocheckpoint = 0;
INSERT INTO blobs(body) SELECT randomblob(4000) FROM blobs LIMIT 2560;
.shell cp "$database" "$work/wal.db" && cp "$database-wal" "$work/wal.db-wal"
SQL
rm -f "$database" "$database-wal" "$database-shm"
echo "with $(du -m "$work/wal.db-wal" | cut -f1) MB of rows in its -wal:"
"$program" "$work/wal.db" "$runs"
