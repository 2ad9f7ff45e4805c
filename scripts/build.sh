#!/usr/bin/env bash
# Configures and builds the trees: build/linux (native) and build/windows (mingw-w64, for Wine), and
# for the sanitizer pass of ./test.sh build/asan (AddressSanitizer and UndefinedBehaviorSanitizer)
# and build/tsan (ThreadSanitizer), native, SQLite included.
#   scripts/build.sh                      the linux and windows trees, every target
#   scripts/build.sh TREE [TARGET...]     one tree (linux, windows, asan or tsan), the named targets or all
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
sqlite=$("$top/scripts/fetch-sqlite.sh")
jobs=$(nproc)

build_tree() {   # tree, targets...
    local tree=$1
    shift
    local options=(-DDOVRANE_SQLITE_DIR="$sqlite")
    case "$tree" in
    linux) options+=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
    windows) options+=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64.cmake") ;;
    asan) options+=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DDOVRANE_SANITIZE="address,undefined") ;;
    tsan) options+=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DDOVRANE_SANITIZE="thread") ;;
    *) echo "build: unknown tree $tree (linux, windows, asan or tsan)" >&2; exit 2 ;;
    esac
    cmake -S "$top" -B "$top/build/$tree" "${options[@]}" >/dev/null
    local targets=()
    [ $# -eq 0 ] || targets=(--target "$@")
    cmake --build "$top/build/$tree" -j "$jobs" "${targets[@]}"
}

if [ $# -eq 0 ]; then
    build_tree linux
    build_tree windows
else
    build_tree "$@"
fi
