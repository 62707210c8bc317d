#!/usr/bin/env bash
# Builds the Windows files and writes the release folder for Windows chess GUIs, and a zip of it:
#   package-windows.sh [--bin DIR] [OUT_DIR]     (by default build-windows/release)
# giving OUT_DIR/Korvane/ (korvane-uci.exe, Korvane.eng, Morlix32.dll, README.txt) and OUT_DIR/Korvane.zip.
# With --bin the files are taken as they are from DIR (a Windows build's bin folder), without building.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$root/build-windows/bin
build=yes
if [ "${1:-}" = "--bin" ] && [ $# -ge 2 ]; then
  bin=$2 build=no
  shift 2
fi
out=${1:-$root/build-windows/release}

if [ $build = yes ]; then
  "$root/scripts/build-windows.sh"
fi
for file in korvane-uci.exe Korvane.eng Morlix32.dll; do
  if [ ! -f "$bin/$file" ]; then
    echo "package-windows: $bin/$file is missing; build it first (scripts/build-windows.sh)" >&2
    exit 1
  fi
done

mkdir -p "$out"
out=$(cd "$out" && pwd)
folder=$out/Korvane
rm -rf "$folder" "$out/Korvane.zip"
mkdir -p "$folder"
cp "$bin/korvane-uci.exe" "$bin/Korvane.eng" "$bin/Morlix32.dll" "$folder/"
# Windows line ends, so that the text reads well in Notepad.
sed 's/\r*$/\r/' "$root/windows/release/README.txt" >"$folder/README.txt"
(cd "$out" && cmake -E tar cf Korvane.zip --format=zip Korvane)

echo "release folder $folder:"
(cd "$folder" && find . -type f -printf '  %-16P %9s bytes\n' | LC_ALL=C sort)
echo "zip $out/Korvane.zip ($(stat -c %s "$out/Korvane.zip") bytes)"
