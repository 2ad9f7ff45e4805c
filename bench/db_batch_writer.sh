#!/usr/bin/env bash
# db_batch_writer.sh [BUILD_FOLDER]: builds the database layer's batch-writer benchmark natively
# (Release) and runs it, writing its scratch databases in a fresh temporary folder.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build/db-bench-linux}
sqlite=$("$top/scripts/fetch-sqlite.sh")
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release -DDOVRANE_SQLITE_DIR="$sqlite" >/dev/null
cmake --build "$build" -j2 --target db_batch_writer >/dev/null
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"$build/bin/db_batch_writer" "$scratch"
