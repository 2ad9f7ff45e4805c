#!/usr/bin/env bash
# The portable zip as a user meets it, under the suite's Wine prefix: one folder named after the
# package holds the two programs, the SQLite library in data\, the read-me and the licences.
# Unpacked into a folder whose path has spaces and Chinese characters, its Dovrane.exe starts with
# its tip and window, and its dovrane-cli.exe repairs a damaged database kept in that folder.
#   zip_test.sh ZIP VERSION SAMPLE_MAKER_EXE PACKAGE_PROBE_EXE
set -euo pipefail
zip=$1
version=$2
sample_maker=$3
probe=$4
top=$(cd "$(dirname "$0")/../.." && pwd)
source "$top/scripts/wine-env.sh"
source "$(dirname "$0")/expectations.sh"
wine_prefix_ready

name=$(basename "$zip" .zip)
expect_equal "package name" "Dovrane-$version-win64" "$name"
expect_equal "files in the zip" \
    "$(printf "$name/%s\n" Dovrane.exe LICENSES.txt README.txt data/ data/static-sqlite3-third.dll dovrane-cli.exe)" \
    "$(cmake -E tar tf "$zip" | LC_ALL=C sort)"

scratch="$PWD/zip test/用户 文档/便携 版"
rm -rf "$PWD/zip test"
mkdir -p "$scratch"
echo "== Unpacking into $scratch"
(cd "$scratch" && cmake -E tar xf "$zip")
unpacked="$scratch/$name"
expect_equal "read-me in Chinese and English" "2" \
    "$(grep -c -e '^【中文】' -e '^\[English\]' "$unpacked/README.txt")"
expect_equal "read-me names the salvage's files, in Chinese and English" "2" \
    "$(grep -c -e '写入 抢救数据库-<时间>.db' -e 'writes 抢救数据库-<time>.db' "$unpacked/README.txt")"
expect_equal "SQLite's licence" "1" "$(grep -c 'SQLite is in the public domain' "$unpacked/LICENSES.txt")"

echo "== The unpacked Dovrane.exe"
started=$(wine "$probe" start "$(winepath -w "$unpacked/Dovrane.exe")") || true
echo "$started"
expect_equal "what the program showed" "$(expected_start "$version")" "$started"

echo "== The unpacked dovrane-cli.exe repairs a damaged database beside it"
database=$(winepath -w "$scratch/店铺 数据.db")
wine "$sample_maker" "$database"
status=0
result=$(wine "$unpacked/dovrane-cli.exe" "$database" 2>"$PWD/zip test/progress.txt") || status=$?
echo "$result"
expect_equal "repair result" "修复成功" "$(tail -n 1 <<<"$result" | tr -d '\r')"
expect_equal "repair exit status" "0" "$status"
expect_equal "files beside the database" "原数据库备份- 店铺 数据.db" \
    "$(cd "$scratch" && ls -1 ./*.db | sed 's|^\./||; s/备份-.*/备份-/' | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//')"
expect_equal "integrity check of the repaired database" "ok" \
    "$(wine "$unpacked/dovrane-cli.exe" --check "$database" | tr -d '\r')"

finish_expectations
