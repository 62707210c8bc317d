#!/usr/bin/env bash
# Builds Korvane and runs its main job: the command-line host loads Korvane.eng and asks it about itself.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" build -DCMAKE_BUILD_TYPE=Release
"$root/build/bin/korvane" info "$@"
