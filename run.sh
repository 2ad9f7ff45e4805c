#!/usr/bin/env bash
# Installs what is missing, builds both trees and runs the main job.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh"
echo "Dovrane built: build/linux/bin and build/windows/bin"
