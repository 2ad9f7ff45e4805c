#!/usr/bin/env bash
# repair_speed.sh [ROWS...]: times a repair with dovrane-cli against the sqlite3 shell's
# `.recover | sqlite3`, `.dump | sqlite3` and VACUUM INTO on generated databases (default 1,000,000
# rows), all in one run on this machine, and reports the ratios and dovrane-cli's peak memory.
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

for rows in "${@:-1000000}"; do
    "$top/bench/make_bench_database.sh" "$rows" "$work/original.db" >/dev/null
    size=$(du -m "$work/original.db" | cut -f1)
    mkdir -p "$work/repair"
    cp "$work/original.db" "$work/repair/shop.db"
    repair=$(seconds /usr/bin/time -f "%M" -o "$work/memory" "$cli" "$work/repair/shop.db")
    memory=$(cat "$work/memory")
    [ "$("$shell" "$work/repair/shop.db" 'SELECT count(*) FROM items')" = "$rows" ] || { echo "repair lost rows" >&2; exit 1; }
    recover=$(seconds bash -c "'$shell' '$work/original.db' .recover | '$shell' '$work/recovered.db'")
    dump=$(seconds bash -c "'$shell' '$work/original.db' .dump | '$shell' '$work/dumped.db'")
    vacuum=$(seconds "$shell" "$work/original.db" "VACUUM INTO '$work/vacuumed.db'")
    rm -rf "$work/repair" "$work"/recovered.db* "$work"/dumped.db* "$work"/vacuumed.db*
    printf '%d rows (%d MB): dovrane-cli %.2f s, peak %d MB | .recover %.2f s (ratio %.2f) | .dump %.2f s (ratio %.2f) | VACUUM INTO %.2f s (ratio %.2f)\n' \
        "$rows" "$size" "$repair" $((memory / 1024)) "$recover" "$(echo "$repair / $recover" | bc -l)" \
        "$dump" "$(echo "$repair / $dump" | bc -l)" "$vacuum" "$(echo "$repair / $vacuum" | bc -l)"
done
