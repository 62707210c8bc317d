#!/usr/bin/env bash
# Builds the Windows module, korvane-uci.exe and the test programs and runs the Windows tests: the
# export and import tables, the scenario under Wine compared with the Linux module's output, and the
# UCI sessions under Wine. Installs the tool chain and Wine when missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-windows-deps.sh" --wine
"$root/scripts/build.sh" build -DCMAKE_BUILD_TYPE=Release
"$root/scripts/build-windows.sh"
cd "$root"
ctest --preset windows
