# shellcheck shell=bash
# harness.sh: sourced by the bench scripts. Finds dovrane-cli and the sqlite3 shell built with the
# bundled library's options, makes the work folder (removed on exit), and holds what every benchmark
# does the same way: a fresh copy of the database before each repair, the row-count check after
# each run, and the best of BENCH_RUNS runs (3 unless set higher) with the largest peak memory among
# them. BENCH_TREE=windows times the Windows build instead, under Wine, against the shell
# cross-built the same way, also under Wine (the databases are made and checked natively either way).
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package time)" >&2; exit 1; }
command -v bc >/dev/null || { echo "needs bc (Debian package bc)" >&2; exit 1; }
runs=${BENCH_RUNS:-3}
if ! [[ $runs =~ ^[0-9]+$ ]] || [ "$runs" -lt 3 ]; then echo "BENCH_RUNS must be 3 or more" >&2; exit 1; fi
shell=$("$top/bench/sqlite_shell.sh")
work=$(mktemp -d "${TMPDIR:-/tmp}/dovrane-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM   # through the EXIT trap, so an interrupted run leaves no work folder

# $cli and $peer_shell are programs of their own (under Wine, small scripts that start Wine), so
# that every command line below names one program.
case ${BENCH_TREE:-linux} in
    linux)
        cli="$top/build/linux/bin/dovrane-cli"
        peer_shell=$shell
        ;;
    windows)
        windows_cli="$top/build/windows/bin/dovrane-cli.exe"
        windows_shell=$("$top/bench/sqlite_shell.sh" windows)
        [ -f "$windows_cli" ] || { echo "build first: scripts/build.sh windows" >&2; exit 1; }
        # shellcheck source=../scripts/wine-env.sh
        source "$top/scripts/wine-env.sh"
        wine_prefix_ready
        cli="$work/dovrane-cli"
        peer_shell="$work/sqlite3"
        printf '#!/bin/sh\nexec wine "%s" "$@"\n' "$windows_cli" >"$cli"
        printf '#!/bin/sh\nexec wine "%s" "$@"\n' "$windows_shell" >"$peer_shell"
        chmod +x "$cli" "$peer_shell"
        ;;
    *) echo "BENCH_TREE must be linux or windows" >&2; exit 1 ;;
esac
[ -x "$cli" ] || { echo "build first: scripts/build.sh" >&2; exit 1; }

# positive_count NAME VALUE: ends the script unless VALUE is a whole number above zero.
positive_count() {
    if ! [[ $2 =~ ^[0-9]+$ ]] || [ "$2" -eq 0 ]; then echo "$1 must be a whole number above zero, not '$2'" >&2; exit 1; fi
}

# make_database PATH SQL: a new database at PATH made by SQL, written without a journal.
make_database() {
    rm -f "$1"
    "$shell" -bail "$1" >/dev/null <<SQL
PRAGMA journal_mode = OFF;
PRAGMA synchronous = OFF;
$2
SQL
}

# expect_rows SOURCE TABLE COUNT: the generator put COUNT rows in TABLE of SOURCE; every copy of
# SOURCE is checked against it.
expect_rows() {
    printf '%s|%s\n' "$2" "$3" >>"$1.rows"
}

# check_rows COPY SOURCE WHO: ends the script unless every table of SOURCE has in COPY the count
# the generator gave it. One shell reads every count, so a thousand tables cost one start.
check_rows() {
    local copy=$1 source=$2 who=$3 table
    while IFS='|' read -r table _; do
        printf "SELECT '%s', count(*) FROM \"%s\";\n" "$table" "$table"
    done <"$source.rows" >"$work/count.sql"
    if ! "$shell" -bail "$copy" <"$work/count.sql" >"$work/counts" 2>&1 || ! cmp -s "$source.rows" "$work/counts"; then
        echo "$who lost rows in $(basename "$copy") (table|expected, then table|found):" >&2
        diff "$source.rows" "$work/counts" | head -n 10 >&2
        exit 1
    fi
}

# run_timed WHO COMMAND...: one run of COMMAND, its standard output left in $work/stdout. Sets
# run_seconds (wall time) and run_peak_kb (largest resident set of COMMAND and what it waited
# for). A failing command ends the script.
run_timed() {
    local who=$1 start end
    shift
    start=$(date +%s.%N)
    if ! /usr/bin/time -f %M -o "$work/memory" "$@" >"$work/stdout" 2>"$work/stderr"; then
        echo "$who failed:" >&2
        tail -n 5 "$work/stderr" "$work/stdout" >&2
        exit 1
    fi
    end=$(date +%s.%N)
    run_seconds=$(echo "$end - $start" | bc)
    run_peak_kb=$(tail -n 1 "$work/memory")
}

# Folds one run into best_seconds (the fastest) and peak_kb (the largest).
keep_best() {
    if [ -z "$best_seconds" ] || [ "$(echo "$run_seconds < $best_seconds" | bc)" = 1 ]; then best_seconds=$run_seconds; fi
    if [ "$run_peak_kb" -gt "$peak_kb" ]; then peak_kb=$run_peak_kb; fi
}

# time_repair SOURCE: repairs a fresh copy of SOURCE with dovrane-cli, BENCH_RUNS times. Every run
# must print 修复成功 and keep every table's rows. Sets best_seconds and peak_kb.
time_repair() {
    local source=$1 copy
    copy="$work/repair/$(basename "$source")"
    best_seconds="" peak_kb=0
    for _ in $(seq "$runs"); do
        rm -rf "$work/repair"
        mkdir "$work/repair"
        cp "$source" "$copy"
        sync
        run_timed dovrane-cli "$cli" "$copy"
        local result
        result=$(tail -n 1 "$work/stdout")
        [ "$result" = 修复成功 ] || { echo "dovrane-cli did not repair $copy in place: $result" >&2; exit 1; }
        check_rows "$copy" "$source" dovrane-cli
        keep_best
    done
    rm -rf "$work/repair"
}

# time_peer PEER SOURCE [TABLE]: rebuilds SOURCE into a new database with the sqlite3 shell,
# BENCH_RUNS times; PEER is vacuum (VACUUM INTO), dump (.dump | sqlite3), recover (.recover |
# sqlite3) or insert: TABLE alone, created as SOURCE declares it and filled by INSERT INTO it (every
# column named) SELECT every column FROM SOURCE attached, as the repair copies rows: naming the
# columns makes SQLite read every value rather than copy its records whole.
# Every run must keep every table's rows. Sets best_seconds and peak_kb.
time_peer() {
    local peer=$1 source=$2 table=${3:-} out="$work/peer.db" command
    # shellcheck disable=SC2016   # expanded by the inner bash, from its own arguments
    local pipe='"$0" "$1" ".$2" | "$0" -bail "$3"'
    case $peer in
        vacuum) command=("$peer_shell" -bail "$source" "VACUUM INTO '$out'") ;;
        dump | recover) command=(bash -o pipefail -c "$pipe" "$peer_shell" "$source" "$peer" "$out") ;;
        insert)
            insert_statements "$source" "$table" >"$work/insert.sql"
            command=("$peer_shell" -bail "$out" ".read '$work/insert.sql'")
            ;;
        *) echo "unknown peer $peer" >&2; exit 1 ;;
    esac
    best_seconds="" peak_kb=0
    for _ in $(seq "$runs"); do
        rm -f "$out" "$out"-*
        sync
        run_timed "$peer" "${command[@]}"
        check_rows "$out" "$source" "$peer"
        keep_best
    done
    rm -f "$out" "$out"-*
}

# insert_statements SOURCE TABLE: the statements of the insert peer, without a journal as the
# repair's own copy.
insert_statements() {
    local source=$1 table=$2 columns
    columns=$("$shell" "$source" "SELECT group_concat('\"' || replace(name, '\"', '\"\"') || '\"', ', ') FROM pragma_table_info('$table')")
    echo "PRAGMA journal_mode = OFF;"
    echo "PRAGMA synchronous = OFF;"
    echo "ATTACH '$source' AS src;"
    "$shell" "$source" "SELECT sql || ';' FROM sqlite_schema WHERE name = '$table'"
    echo "INSERT INTO main.\"$table\" ($columns) SELECT $columns FROM src.\"$table\";"
}

# ratio A B: A / B to two places.
ratio() {
    LC_ALL=C printf '%.2f' "$(echo "scale=6; $1 / $2" | bc)"
}

# seconds S: S to two places, with its unit.
seconds() {
    LC_ALL=C printf '%.2f s' "$1"
}

# megabytes KB: KB in whole megabytes, with the unit.
megabytes() {
    printf '%d MB' $(($1 / 1024))
}
