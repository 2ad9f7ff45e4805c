#!/usr/bin/env bash
# sqlite_shell.sh [linux|windows]: builds SQLite's own shell from the pinned amalgamation with the
# options of the bundled library (target sqlite_shell, never shipped) in that tree (linux unless
# told) and prints its path. The build's own output is shown only when it fails.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
tree=${1:-linux}
case $tree in
    linux) shell="$top/build/linux/bench/sqlite3" ;;
    windows) shell="$top/build/windows/bench/sqlite3.exe" ;;
    *) echo "sqlite_shell.sh: unknown tree $tree (linux or windows)" >&2; exit 2 ;;
esac
log=$(mktemp)
trap 'rm -f "$log"' EXIT
"$top/scripts/build.sh" "$tree" sqlite_shell >"$log" 2>&1 || { cat "$log" >&2; exit 1; }
echo "$shell"
