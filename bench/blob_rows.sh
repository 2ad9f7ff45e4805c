#!/usr/bin/env bash
# blob_rows.sh [MB]: a database of one table of MB rows (default 200), each an integer key and a
# 1 MB blob, repaired by dovrane-cli and rebuilt by VACUUM INTO in one run. Reports both times, their
# ratio (dovrane-cli / VACUUM INTO) and both peak memories: run at two sizes, it shows whether
# dovrane-cli's peak memory grows with the size of its rows rather than staying near SQLite's.
# Each command runs BENCH_RUNS times (3 unless set higher) and its best time counts.
# shellcheck source=harness.sh source-path=SCRIPTDIR
source "$(dirname "$0")/harness.sh"
megabytes_of_rows=${1:-200}
positive_count MB "$megabytes_of_rows"

source_db="$work/blobs.db"
make_database "$source_db" "
CREATE TABLE blobs(id INTEGER PRIMARY KEY, data BLOB);
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $megabytes_of_rows)
INSERT INTO blobs SELECT i, randomblob(1048576) FROM n;"
expect_rows "$source_db" blobs "$megabytes_of_rows"
size=$(du -m "$source_db" | cut -f1)

time_repair "$source_db"
repair=$best_seconds
repair_peak=$peak_kb
time_peer vacuum "$source_db"

echo "$megabytes_of_rows rows of 1 MB blobs ($size MB): dovrane-cli $(seconds "$repair"), peak $(megabytes "$repair_peak")" \
    "| VACUUM INTO $(seconds "$best_seconds"), peak $(megabytes "$peak_kb") | ratio $(ratio "$repair" "$best_seconds")"
