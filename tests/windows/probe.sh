#!/usr/bin/env bash
# Finds out whether this machine runs 32-bit Windows programs, and writes the verdict for the tests that
# execute them: probe.sh VERDICT_FILE PROBE_EXE. The verdict is "runs", or "no: REASON". A kernel built
# without 32-bit support makes Wine's 32-bit loader fail with "Exec format error"; KORVANE_NO_WIN32=1
# gives the same verdict on any machine, so that path can be tried anywhere.
set -euo pipefail
verdict=$1 probe=$2

decide() {
  printf '%s\n' "$1" >"$verdict"
  echo "probe: $1"
  exit 0
}

if [ -n "${KORVANE_NO_WIN32:-}" ] && [ "$KORVANE_NO_WIN32" != 0 ]; then
  decide "no: KORVANE_NO_WIN32=$KORVANE_NO_WIN32 forces the path of a machine that runs no 32-bit program"
fi
wine=$(command -v wine) || decide "no: wine is not installed"

. "$(dirname "${BASH_SOURCE[0]}")/wine_prefix.sh"

# A fresh prefix takes a while to set up on first start, the more so on a loaded machine.
status=0
output=$(timeout 300 "$wine" "$probe" 2>"$work/stderr" | tr -d '\r') || status=$?
if [ $status -eq 0 ] && [ "$output" = "korvane_probe: runs" ]; then
  decide runs
fi
if [ $status -eq 124 ]; then
  reason="it did not finish within 300 s"
else
  reason=$(grep -v '^$' "$work/stderr" | tail -n 1 || true)
  reason="exit status $status${reason:+: $reason}"
fi
decide "no: this machine runs no 32-bit Windows program (a PE32 console program under Wine: $reason)"
