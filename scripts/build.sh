#!/usr/bin/env bash
# Configures and builds the trees: build/linux (native) and build/windows (mingw-w64, for Wine).
#   scripts/build.sh                      both trees, every target
#   scripts/build.sh TREE [TARGET...]     one tree (linux or windows), the named targets or all
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
    *) echo "build: unknown tree $tree (linux or windows)" >&2; exit 2 ;;
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
