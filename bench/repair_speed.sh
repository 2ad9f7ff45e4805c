#!/usr/bin/env bash
# repair_speed.sh [ROWS...]: times a repair with dovrane-cli against the sqlite3 shell's
# `.recover | sqlite3`, `.dump | sqlite3` and VACUUM INTO on generated databases (default 1,000,000
# rows), all in one run on this machine, and reports the ratios and dovrane-cli's peak memory.
# Each command runs three times and its best time counts, which keeps other load on the machine
# from deciding the ratios.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cli="$top/build/linux/bin/dovrane-cli"
[ -x "$cli" ] || { echo "build first: scripts/build.sh" >&2; exit 1; }
command -v /usr/bin/time >/dev/null || { echo "needs /usr/bin/time (Debian package time)" >&2; exit 1; }
shell=$("$top/bench/sqlite_shell.sh")
work=$(mktemp -d "${TMPDIR:-/tmp}/dovrane-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

seconds() {   # seconds COMMAND...: wall time of one run
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    echo "$end - $start" | bc
}

best() {   # best SETUP COMMAND...: the best of three runs of COMMAND, each after SETUP
    local setup=$1 best="" time
    shift
    for _ in 1 2 3; do
        eval "$setup"
        time=$(seconds "$@")
        if [ -z "$best" ] || [ "$(echo "$time < $best" | bc)" = 1 ]; then best=$time; fi
    done
    echo "$best"
}

for rows in "${@:-1000000}"; do
    "$top/bench/make_bench_database.sh" "$rows" "$work/original.db" >/dev/null
    size=$(du -m "$work/original.db" | cut -f1)
    fresh="rm -rf '$work/repair' '$work'/out.db*; mkdir -p '$work/repair'; cp '$work/original.db' '$work/repair/shop.db'; sync"
    repair=$(best "$fresh" /usr/bin/time -f "%M" -o "$work/memory" "$cli" "$work/repair/shop.db")
    memory=$(cat "$work/memory")
    [ "$("$shell" "$work/repair/shop.db" 'SELECT count(*) FROM items')" = "$rows" ] || { echo "repair lost rows" >&2; exit 1; }
    recover=$(best "$fresh" bash -c "'$shell' '$work/original.db' .recover | '$shell' '$work/out.db'")
    dump=$(best "$fresh" bash -c "'$shell' '$work/original.db' .dump | '$shell' '$work/out.db'")
    vacuum=$(best "$fresh" "$shell" "$work/original.db" "VACUUM INTO '$work/out.db'")
    eval "$fresh"
    printf '%d rows (%d MB): dovrane-cli %.2f s, peak %d MB | .recover %.2f s (ratio %.2f) | .dump %.2f s (ratio %.2f) | VACUUM INTO %.2f s (ratio %.2f)\n' \
        "$rows" "$size" "$repair" $((memory / 1024)) "$recover" "$(echo "$repair / $recover" | bc -l)" \
        "$dump" "$(echo "$repair / $dump" | bc -l)" "$vacuum" "$(echo "$repair / $vacuum" | bc -l)"
done
