#!/usr/bin/env bash
# Builds the Windows Korvane.eng (a 32-bit PE DLL) into build-windows/bin, installing the MinGW-w64
# tool chain first when it is missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-windows-deps.sh"
cd "$root"
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$(nproc)"
echo "built $root/build-windows/bin/Korvane.eng"
