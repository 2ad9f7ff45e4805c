#!/usr/bin/env bash
# many_tables.sh [TABLES]: a database of TABLES small tables (default 1500), each of 10 rows with
# one index, repaired by dovrane-cli and rebuilt by VACUUM INTO and `.dump | sqlite3` in one run.
# Reports the times and the ratios (dovrane-cli / peer): what a repair costs per table rather
# than per row. Each command runs BENCH_RUNS times (3 unless set higher) and its best time counts.
# shellcheck source=harness.sh source-path=SCRIPTDIR
source "$(dirname "$0")/harness.sh"
tables=${1:-1500}
positive_count TABLES "$tables"

source_db="$work/tables.db"
{
    echo "BEGIN;"
    for i in $(seq "$tables"); do
        table=$(printf 't%05d' "$i")
        echo "CREATE TABLE $table(id INTEGER PRIMARY KEY, name TEXT, amount INTEGER);"
        echo "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 10)"
        echo "INSERT INTO $table SELECT i, printf('name-%02d', i), i * $i FROM n;"
        echo "CREATE INDEX ${table}_name ON $table(name);"
        expect_rows "$source_db" "$table" 10
    done
    echo "COMMIT;"
} >"$work/tables.sql"
make_database "$source_db" "$(cat "$work/tables.sql")"
size=$(du -m "$source_db" | cut -f1)

time_repair "$source_db"
repair=$best_seconds
repair_peak=$peak_kb
time_peer vacuum "$source_db"
vacuum=$best_seconds
time_peer dump "$source_db"
dump=$best_seconds

echo "$tables tables of 10 rows and one index ($size MB): dovrane-cli $(seconds "$repair"), peak $(megabytes "$repair_peak")" \
    "| VACUUM INTO $(seconds "$vacuum") (ratio $(ratio "$repair" "$vacuum"))" \
    "| .dump $(seconds "$dump") (ratio $(ratio "$repair" "$dump"))"
