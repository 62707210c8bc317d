#!/usr/bin/env bash
# Builds Korvane and runs its main job: the command-line host loads Korvane.eng, hands it the initial
# position and prints its thinking, notification by notification. Extra arguments go to "korvane think".
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" build -DCMAKE_BUILD_TYPE=Release
"$root/build/bin/korvane" think "$@"
