#!/usr/bin/env bash
# Runs a Windows test script with the Wine loader for the build's word size in KORVANE_WINE:
#   under_wine.sh BITS VERDICT_FILE SCRIPT [ARGUMENTS...]
# BITS 32 uses wine, 64 uses wine64 (which runs where the kernel runs no 32-bit program). A VERDICT_FILE
# other than "-" is the probe's: unless its first line is "runs", the test is skipped (exit 77) with
# the probe's reason.
set -euo pipefail
bits=$1 verdict=$2
shift 2

if [ "$verdict" != - ]; then
  if [ ! -f "$verdict" ]; then
    echo "under_wine: the probe's verdict $verdict is missing (run the windows_probe test first)" >&2
    exit 1
  fi
  answer=$(head -n 1 "$verdict")
  if [ "$answer" != runs ]; then
    echo "skipped: ${answer#no: }"
    exit 77
  fi
fi

case $bits in
  32) KORVANE_WINE=$(command -v wine) || { echo "under_wine: wine is not installed" >&2; exit 1; } ;;
  64) KORVANE_WINE=$(command -v wine64 || echo /usr/lib/wine/wine64)
      [ -x "$KORVANE_WINE" ] || { echo "under_wine: wine64 is not installed" >&2; exit 1; } ;;
  *) echo "under_wine: BITS is 32 or 64, not '$bits'" >&2; exit 2 ;;
esac
export KORVANE_WINE
exec bash "$@"
