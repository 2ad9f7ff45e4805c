#!/usr/bin/env bash
# Configures and builds both trees: build/linux (native) and build/windows (mingw-w64, for Wine).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
sqlite=$("$top/scripts/fetch-sqlite.sh")
jobs=$(nproc)
cmake -S "$top" -B "$top/build/linux" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDOVRANE_SQLITE_DIR="$sqlite" >/dev/null
cmake --build "$top/build/linux" -j "$jobs"
cmake -S "$top" -B "$top/build/windows" -DCMAKE_BUILD_TYPE=Release -DDOVRANE_SQLITE_DIR="$sqlite" \
      -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64.cmake" >/dev/null
cmake --build "$top/build/windows" -j "$jobs"
