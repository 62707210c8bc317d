#!/usr/bin/env bash
# Builds the 32-bit and 64-bit Windows files and runs their tests: the export and import tables, and
# under Wine the scenario compared with the Linux module's output, the bench compared with the Linux
# bench, and the UCI sessions. The 32-bit build's execution tests run only where the probe finds that
# this machine runs 32-bit Windows programs (KORVANE_NO_WIN32=1 forces the other path); the 64-bit
# build's always run, under wine64. Installs the tool chains and Wine when missing. Writes what ran and
# what was skipped, and why, to build-windows/test-summary.txt and prints it last.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-windows-deps.sh" --wine
"$root/scripts/build.sh" build -DCMAKE_BUILD_TYPE=Release
"$root/scripts/build-windows.sh"
cd "$root"

summary=$root/build-windows/test-summary.txt
status=0
echo "Windows tests:" >"$summary.new"
for preset in windows windows64; do
  log=$root/build-$preset/ctest.log
  ctest --preset $preset 2>&1 | tee "$log" || status=1
  # ctest's "N/M Test #K: NAME ....   RESULT" lines.
  pick() { awk -v pattern="$1" '/ Test +#[0-9]+: / && $0 ~ pattern { printf " %s", $4 }' "$log"; }
  passed=$(pick ' Passed ') skipped=$(pick '[*]Skipped') failed=$(pick '[*](Failed|Timeout|Exception)|Not Run')
  {
    echo "  $preset: passed:${passed:- none}"
    [ -z "$skipped" ] ||
      echo "  $preset: skipped:$skipped; why: $(sed 's/^no: //' "$root/build-$preset/tests/windows/probe-verdict.txt")"
    [ -z "$failed" ] || echo "  $preset: FAILED:$failed"
  } >>"$summary.new"
done
verdict=$root/build-windows/tests/windows/probe-verdict.txt
if [ "$(cat "$verdict" 2>/dev/null)" = runs ]; then
  echo "  (the probe found that this machine runs 32-bit Windows programs: every test ran)" >>"$summary.new"
fi
mv "$summary.new" "$summary"
cat "$summary"
exit $status
