#!/usr/bin/env bash
# Runs the scenario on the Linux module and, under Wine in a fresh prefix, on the Windows module, and
# requires the two outputs to match line for line: compare_scenario.sh LINUX_RUNNER WINDOWS_HOST
# (run through under_wine.sh, which names the Wine loader in KORVANE_WINE).
set -euo pipefail
linux_runner=$1 windows_host=$2

if [ ! -x "$linux_runner" ]; then
  echo "compare_scenario: $linux_runner is missing; build the Linux tree first (scripts/build.sh build)" >&2
  exit 1
fi
. "$(dirname "${BASH_SOURCE[0]}")/wine_prefix.sh"

"$linux_runner" >"$work/linux.txt"
start=$(date +%s%3N)
if ! "$KORVANE_WINE" "$windows_host" >"$work/windows.txt" 2>"$work/wine-stderr.txt"; then
  echo "compare_scenario: the Windows test host failed under Wine:" >&2
  cat "$work/wine-stderr.txt" >&2
  exit 1
fi
milliseconds=$(($(date +%s%3N) - start))
grep '^scenario:' "$work/wine-stderr.txt" >&2 || true

if ! diff -u --label linux "$work/linux.txt" --label windows "$work/windows.txt"; then
  echo "compare_scenario: the Windows module's output differs from the Linux module's" >&2
  exit 1
fi
echo "compare_scenario: $(wc -l <"$work/linux.txt") lines alike; the run under $(basename "$KORVANE_WINE") took ${milliseconds} ms"
