#!/usr/bin/env bash
# Runs the Linux bench and the Windows bench (under Wine, in a fresh prefix) and requires the same node
# count and signature; with WINDOWS_UCI, the bench command of that korvane-uci.exe too:
# bench_under_wine.sh LINUX_KORVANE WINDOWS_BENCH [WINDOWS_UCI]
set -euo pipefail
linux_korvane=$1 windows_bench=$2 windows_uci=${3:-}

if [ ! -x "$linux_korvane" ]; then
  echo "bench_under_wine: $linux_korvane is missing; build the Linux tree first (scripts/build.sh build)" >&2
  exit 1
fi
. "$(dirname "${BASH_SOURCE[0]}")/wine_prefix.sh"

result() { tr -d '\r' <"$1" | grep -E '^(Nodes searched|Signature) +:'; }
"$linux_korvane" bench >"$work/linux.txt"
linux=$(result "$work/linux.txt") || { echo "bench_under_wine: no result from $linux_korvane bench" >&2; exit 1; }
compare() { # compare NAME PROGRAM [ARGUMENTS...]
  local name=$1
  shift
  if ! "$KORVANE_WINE" "$@" >"$work/windows.txt" 2>"$work/wine-stderr.txt"; then
    echo "bench_under_wine: $name failed under Wine:" >&2
    cat "$work/wine-stderr.txt" >&2
    exit 1
  fi
  local windows
  windows=$(result "$work/windows.txt") || { echo "bench_under_wine: no result from $name:" >&2; cat "$work/windows.txt" >&2; exit 1; }
  if [ "$linux" != "$windows" ]; then
    printf 'bench_under_wine: %s differs from the Linux bench:\nlinux:\n%s\nwindows:\n%s\n' "$name" "$linux" "$windows" >&2
    exit 1
  fi
  echo "bench_under_wine: $name under $(basename "$KORVANE_WINE") prints the Linux bench's result:"
  { printf '%s\n' "$linux"; tr -d '\r' <"$work/windows.txt" | grep '^Total time'; } | sed 's/^/  /'
}
compare "$(basename "$windows_bench")" "$windows_bench"
[ -z "$windows_uci" ] || compare "$(basename "$windows_uci") bench" "$windows_uci" bench
