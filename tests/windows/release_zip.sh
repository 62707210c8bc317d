#!/usr/bin/env bash
# Packs both release folders as users get them and checks the zip: release_zip.sh PACKAGE_SCRIPT BIN32
# BIN64 WORK_DIR. Korvane/ must hold the 32-bit files and Korvane64/ the 64-bit ones, each folder
# exactly its four files, with the README in Windows line ends.
set -euo pipefail
package=$1 bin32=$2 bin64=$3 work=$4

if [ ! -f "$bin32/Korvane.eng" ]; then
  echo "release_zip: $bin32/Korvane.eng is missing; build the 32-bit files first (scripts/build-windows.sh)" >&2
  exit 1
fi
rm -rf "$work"
mkdir -p "$work/unpacked"
bash "$package" --bin32 "$bin32" --bin64 "$bin64" "$work" >/dev/null
(cd "$work/unpacked" && cmake -E tar xf ../Korvane.zip)

expected="Korvane/Korvane.eng Korvane/Morlix32.dll Korvane/README.txt Korvane/korvane-uci.exe
Korvane64/Korvane.eng Korvane64/Morlix32.dll Korvane64/README.txt Korvane64/korvane-uci.exe"
actual=$(cd "$work/unpacked" && find . -type f -printf '%P\n' | LC_ALL=C sort | paste -sd ' ' | sed 's/ Korvane64/\nKorvane64/')
if [ "$actual" != "$expected" ]; then
  printf 'release_zip: Korvane.zip holds:\n%s\n' "$actual" >&2
  exit 1
fi

# The machine field of a PE file's header: 014c for i386, 8664 for x86-64.
machine() {
  local offset
  offset=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  od -An -tx2 -j$((offset + 4)) -N2 "$1" | tr -d ' '
}
for file in Korvane.eng Morlix32.dll korvane-uci.exe; do
  for pair in Korvane:014c Korvane64:8664; do
    found=$(machine "$work/unpacked/${pair%:*}/$file")
    if [ "$found" != "${pair#*:}" ]; then
      echo "release_zip: ${pair%:*}/$file is for machine $found, not ${pair#*:}" >&2
      exit 1
    fi
  done
done
for folder in Korvane Korvane64; do
  if grep -qv $'\r$' "$work/unpacked/$folder/README.txt"; then
    echo "release_zip: $folder/README.txt has a line without a Windows line end" >&2
    exit 1
  fi
  cmp -s "$work/unpacked/$folder/README.txt" "$work/unpacked/Korvane/README.txt" ||
    { echo "release_zip: the two README.txt differ" >&2; exit 1; }
done
echo "release_zip: Korvane.zip holds the 32-bit Korvane/ and the 64-bit Korvane64/, four files each:"
(cd "$work/unpacked" && find . -type f -printf '  %-26P %9s bytes\n' | LC_ALL=C sort)
