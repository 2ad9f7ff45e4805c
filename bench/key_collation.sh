#!/usr/bin/env bash
# key_collation.sh [ROWS]: two databases of one WITHOUT ROWID table of ROWS rows (default 300000)
# keyed by text: in one the key is a column declared COLLATE BINARY, in the other the key says
# PRIMARY KEY (name COLLATE NOCASE) over a column of the default collation, so the key's collation
# is not its column's. Reports dovrane-cli's and VACUUM INTO's time on each and the ratio NOCASE /
# BINARY. Keys alternate 'name-' and 'Name-', so the two collations order them differently; they
# stay distinct under NOCASE. Each command runs BENCH_RUNS times (3 unless set higher), best counts.
# shellcheck source=harness.sh source-path=SCRIPTDIR
source "$(dirname "$0")/harness.sh"
rows=${1:-300000}
positive_count ROWS "$rows"

declare -A table=(
    [binary]="CREATE TABLE names(name TEXT COLLATE BINARY PRIMARY KEY, value INTEGER) WITHOUT ROWID;"
    [nocase]="CREATE TABLE names(name TEXT, value INTEGER, PRIMARY KEY (name COLLATE NOCASE)) WITHOUT ROWID;"
)
declare -A repair vacuum memory
for collation in binary nocase; do
    source_db="$work/names-$collation.db"
    make_database "$source_db" "
${table[$collation]}
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $rows)
INSERT INTO names SELECT iif(i % 2, 'Name-', 'name-') || printf('%08d', i), i FROM n;"
    expect_rows "$source_db" names "$rows"
    time_repair "$source_db"
    repair[$collation]=$best_seconds
    memory[$collation]=$peak_kb
    time_peer vacuum "$source_db"
    vacuum[$collation]=$best_seconds
done

echo "$rows rows, WITHOUT ROWID, text key:"
echo "  key over a COLLATE BINARY column: dovrane-cli $(seconds "${repair[binary]}"), peak $(megabytes "${memory[binary]}")" \
    "| VACUUM INTO $(seconds "${vacuum[binary]}") (ratio $(ratio "${repair[binary]}" "${vacuum[binary]}"))"
echo "  PRIMARY KEY (name COLLATE NOCASE): dovrane-cli $(seconds "${repair[nocase]}"), peak $(megabytes "${memory[nocase]}")" \
    "| VACUUM INTO $(seconds "${vacuum[nocase]}") (ratio $(ratio "${repair[nocase]}" "${vacuum[nocase]}"))"
echo "  NOCASE / BINARY: dovrane-cli $(ratio "${repair[nocase]}" "${repair[binary]}"), VACUUM INTO $(ratio "${vacuum[nocase]}" "${vacuum[binary]}")"
