#!/usr/bin/env bash
# Builds the Windows files, 32-bit into build-windows/bin and 64-bit into build-windows64/bin (Korvane.eng,
# korvane-uci.exe, Morlix32.dll, the bench and the test programs), installing the MinGW-w64 tool chains
# first when they are missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-windows-deps.sh"
cd "$root"
for preset in windows windows64; do
  cmake --preset $preset >/dev/null
  cmake --build --preset $preset -j"$(nproc)"
done
echo "built $root/build-windows/bin/Korvane.eng (32-bit, for the host application) and $root/build-windows64/bin (64-bit)"
