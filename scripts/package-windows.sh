#!/usr/bin/env bash
# Builds the Windows files and writes the release folders for Windows chess GUIs, and a zip of them:
#   package-windows.sh [--bin32 DIR] [--bin64 DIR] [OUT_DIR]     (by default build-windows/release)
# giving OUT_DIR/Korvane/ (the 32-bit files), OUT_DIR/Korvane64/ (the 64-bit files), each with
# korvane-uci.exe, Korvane.eng, Morlix32.dll and README.txt, and OUT_DIR/Korvane.zip holding both.
# With --bin32 or --bin64 (--bin is --bin32) only the folders given are packed, their files taken as
# they are from DIR (a Windows build's bin folder), without building.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin32="" bin64=""
while [ $# -ge 2 ]; do
  case $1 in
    --bin | --bin32) bin32=$2 ;;
    --bin64) bin64=$2 ;;
    *) break ;;
  esac
  shift 2
done
case ${1:-} in --*) echo "usage: package-windows.sh [--bin32 DIR] [--bin64 DIR] [OUT_DIR]" >&2; exit 2 ;; esac
out=${1:-$root/build-windows/release}

if [ -z "$bin32$bin64" ]; then
  "$root/scripts/build-windows.sh"
  bin32=$root/build-windows/bin bin64=$root/build-windows64/bin
fi
folders=()
[ -z "$bin32" ] || folders+=("Korvane:$bin32")
[ -z "$bin64" ] || folders+=("Korvane64:$bin64")
for entry in "${folders[@]}"; do
  for file in korvane-uci.exe Korvane.eng Morlix32.dll; do
    if [ ! -f "${entry#*:}/$file" ]; then
      echo "package-windows: ${entry#*:}/$file is missing; build it first (scripts/build-windows.sh)" >&2
      exit 1
    fi
  done
done

mkdir -p "$out"
out=$(cd "$out" && pwd)
rm -rf "$out/Korvane" "$out/Korvane64" "$out/Korvane.zip"
names=()
for entry in "${folders[@]}"; do
  name=${entry%%:*} bin=${entry#*:}
  mkdir -p "$out/$name"
  cp "$bin/korvane-uci.exe" "$bin/Korvane.eng" "$bin/Morlix32.dll" "$out/$name/"
  # Windows line ends, so that the text reads well in Notepad.
  sed 's/\r*$/\r/' "$root/windows/release/README.txt" >"$out/$name/README.txt"
  names+=("$name")
done
(cd "$out" && cmake -E tar cf Korvane.zip --format=zip "${names[@]}")

for name in "${names[@]}"; do
  echo "release folder $out/$name:"
  (cd "$out/$name" && find . -type f -printf '  %-16P %9s bytes\n' | LC_ALL=C sort)
done
echo "zip $out/Korvane.zip ($(stat -c %s "$out/Korvane.zip") bytes)"
