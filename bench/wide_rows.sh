#!/usr/bin/env bash
# wide_rows.sh: tables whose rows spill into overflow pages, repaired by dovrane-cli and copied by
# SQLite's own INSERT ... SELECT (the same shell as the other peers) in one run: a table of 2,000
# columns and 1,200 rows (about 5 KB a row, one overflow page each), and a table of 50 columns of
# 3 KB texts and 20,000 rows (about 150 KB a row). Reports both times, their ratio (dovrane-cli /
# INSERT ... SELECT) and dovrane-cli's peak memory. Each command runs BENCH_RUNS times (3 unless set
# higher) and its best time counts.
# shellcheck source=harness.sh source-path=SCRIPTDIR
source "$(dirname "$0")/harness.sh"

# wide_case NAME COLUMNS ROWS VALUE: a table NAME of an integer key and COLUMNS more columns, each
# row's columns filled by the SQL expression VALUE (of the row number i and the column number k).
wide_case() {
    local name=$1 columns=$2 rows=$3 value=$4 source_db="$work/$1.db" k names="" values=""
    for k in $(seq "$columns"); do
        names+=", c$k"
        values+=", ${value//k/$k}"
    done
    make_database "$source_db" "
CREATE TABLE $name(id INTEGER PRIMARY KEY$names);
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $rows)
INSERT INTO $name SELECT i$values FROM n;"
    expect_rows "$source_db" "$name" "$rows"
    local size
    size=$(du -m "$source_db" | cut -f1)
    time_repair "$source_db"
    local repair=$best_seconds repair_peak=$peak_kb
    time_peer insert "$source_db" "$name"
    echo "$name: $((columns + 1)) columns x $rows rows ($size MB): dovrane-cli $(seconds "$repair"), peak $(megabytes "$repair_peak")" \
        "| INSERT ... SELECT $(seconds "$best_seconds") | ratio $(ratio "$repair" "$best_seconds")"
    rm -f "$source_db" "$source_db.rows"
}

# Small numbers, a byte or two each: the row's width is its number of columns.
wide_case columns 1999 1200 '(i + k) % 300'
# Texts of 3,000 characters, each its own.
wide_case texts 50 20000 "printf('%.3000c', char(65 + (i + k) % 26))"
