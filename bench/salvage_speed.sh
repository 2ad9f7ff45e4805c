#!/usr/bin/env bash
# salvage_speed.sh [ROWS] [leaf|root]: a database of ROWS rows (default 1,000,000, as
# repair_speed.sh makes them) with one page of its table garbled: a leaf in the middle (default), or
# the root, whose intact subtrees lose their way from the schema. Salvaged by `dovrane-cli --salvage`
# and by `sqlite3 DB .recover | sqlite3 NEW`, in one run. Reports both times, their ratio, the rows
# each brought back (into the table, and into lost_and_found), the share of the intact rows back in
# their own table and dovrane-cli's peak memory. Each command runs BENCH_RUNS times (3 unless set
# higher) and its best time counts.
# shellcheck source=harness.sh source-path=SCRIPTDIR
source "$(dirname "$0")/harness.sh"
rows=${1:-1000000}
damage=${2:-leaf}
positive_count ROWS "$rows"
case $damage in leaf | root) ;; *) echo "the damage is leaf or root, not '$damage'" >&2; exit 1 ;; esac

source_db="$work/damaged.db"
"$top/bench/make_bench_database.sh" "$rows" "$source_db" >/dev/null
page_size=$("$shell" "$source_db" 'PRAGMA page_size')
if [ "$damage" = leaf ]; then
    page=$("$shell" "$source_db" "SELECT pageno FROM dbstat WHERE name = 'items' AND pagetype = 'leaf' ORDER BY pageno LIMIT 1 OFFSET (SELECT count(*) / 2 FROM dbstat WHERE name = 'items' AND pagetype = 'leaf')")
    header=8
    # A leaf's cells are rows: those are lost.
    destroyed=$("$shell" "$source_db" "SELECT ncell FROM dbstat WHERE pageno = $page")
else
    page=$("$shell" "$source_db" "SELECT rootpage FROM sqlite_master WHERE name = 'items'")
    header=12
    destroyed=0   # a rowid table's interior cells hold keys alone
fi
# Every byte after the page header: SQLite finds the page corrupt, every other page stays readable.
head -c $((page_size - header)) /dev/zero | tr '\0' '\245' |
    dd of="$source_db" bs=1 seek=$(((page - 1) * page_size + header)) conv=notrunc status=none
size=$(du -m "$source_db" | cut -f1)

# rows_back DB: "rows in items + rows in lost_and_found (the share of the intact rows in items)" of
# a salvaged database.
rows_back() {
    local items lost
    items=$("$shell" "$1" 'SELECT count(*) FROM items' 2>/dev/null || echo 0)
    lost=$("$shell" "$1" "SELECT count(*) FROM lost_and_found" 2>/dev/null || echo 0)
    echo "$items + $lost ($(echo "scale=2; 100 * $items / ($rows - $destroyed)" | bc)% in items)"
}

best_seconds="" peak_kb=0
for _ in $(seq "$runs"); do
    rm -rf "$work/salvage"
    mkdir "$work/salvage"
    cp "$source_db" "$work/salvage/damaged.db"
    sync
    # Exit status 3: salvaged with rows lost, as expected here.
    # shellcheck disable=SC2016   # expanded by the inner bash, from its own arguments
    run_timed dovrane-cli bash -c '"$0" --salvage "$1"; [ $? -eq 3 ]' "$cli" "$work/salvage/damaged.db"
    keep_best
done
salvaged=$(rows_back "$(ls "$work"/salvage/抢救数据库-*.db)")
salvage=$best_seconds
salvage_peak=$peak_kb

out="$work/recovered.db"
best_seconds="" peak_kb=0
for _ in $(seq "$runs"); do
    rm -f "$out"
    sync
    # shellcheck disable=SC2016   # expanded by the inner bash, from its own arguments
    run_timed recover bash -o pipefail -c '"$0" "$1" .recover | "$0" "$2"' "$peer_shell" "$source_db" "$out"
    keep_best
done
recovered=$(rows_back "$out")

echo "$rows rows ($size MB), $damage page $page garbled ($destroyed rows on it):" \
    "dovrane-cli --salvage $(seconds "$salvage"), peak $(megabytes "$salvage_peak"), rows back $salvaged" \
    "| .recover | sqlite3 $(seconds "$best_seconds"), rows back $recovered | ratio $(ratio "$salvage" "$best_seconds")"
