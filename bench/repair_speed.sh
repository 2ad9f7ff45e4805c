#!/usr/bin/env bash
# repair_speed.sh [ROWS...]: times a repair with dovrane-cli against the sqlite3 shell's
# `.recover | sqlite3`, `.dump | sqlite3` and VACUUM INTO on generated databases (default 1,000,000
# rows), all in one run on this machine, and reports the ratios (dovrane-cli / peer) and
# dovrane-cli's peak memory. Given more than one size, it also reports how each time grew from the
# first size to each later one (`repair_speed.sh 1000000 10000000`: the 10M time over the 1M time).
# Each command runs BENCH_RUNS times (3 unless set higher) and its best time counts, which keeps
# other load on the machine from deciding the ratios. `.recover` is slow on large databases:
# BENCH_SKIP_RECOVER=N leaves it out at sizes of N rows or more (1 leaves it out everywhere).
# shellcheck source=harness.sh source-path=SCRIPTDIR
source "$(dirname "$0")/harness.sh"
skip_recover=${BENCH_SKIP_RECOVER:-0}
[[ $skip_recover =~ ^[0-9]+$ ]] || { echo "BENCH_SKIP_RECOVER must be a row count" >&2; exit 1; }
sizes=("${@:-1000000}")
for rows in "${sizes[@]}"; do positive_count ROWS "$rows"; done

declare -A repair_time vacuum_time dump_time
for rows in "${sizes[@]}"; do
    source_db="$work/items-$rows.db"
    "$top/bench/make_bench_database.sh" "$rows" "$source_db" >/dev/null
    expect_rows "$source_db" items "$rows"
    size=$(du -m "$source_db" | cut -f1)

    time_repair "$source_db"
    repair_time[$rows]=$best_seconds
    memory=$peak_kb
    time_peer vacuum "$source_db"
    vacuum_time[$rows]=$best_seconds
    time_peer dump "$source_db"
    dump_time[$rows]=$best_seconds
    if [ "$skip_recover" -gt 0 ] && [ "$rows" -ge "$skip_recover" ]; then
        recover="skipped"
    else
        time_peer recover "$source_db"
        recover="$(seconds "$best_seconds") (ratio $(ratio "${repair_time[$rows]}" "$best_seconds"))"
    fi
    rm -f "$source_db" "$source_db.rows"

    echo "$rows rows ($size MB): dovrane-cli $(seconds "${repair_time[$rows]}"), peak $(megabytes "$memory")" \
        "| VACUUM INTO $(seconds "${vacuum_time[$rows]}") (ratio $(ratio "${repair_time[$rows]}" "${vacuum_time[$rows]}"))" \
        "| .dump $(seconds "${dump_time[$rows]}") (ratio $(ratio "${repair_time[$rows]}" "${dump_time[$rows]}"))" \
        "| .recover $recover"
done

first=${sizes[0]}
for rows in "${sizes[@]:1}"; do
    echo "from $first to $rows rows (x$(ratio "$rows" "$first")): dovrane-cli x$(ratio "${repair_time[$rows]}" "${repair_time[$first]}")," \
        "VACUUM INTO x$(ratio "${vacuum_time[$rows]}" "${vacuum_time[$first]}"), .dump x$(ratio "${dump_time[$rows]}" "${dump_time[$first]}")"
done
