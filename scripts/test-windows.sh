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
# The names of the tests whose line in ctest's log ("N/M Test #K: NAME ....   RESULT") matches a pattern.
pick() { awk -v pattern="$2" '/ Test +#[0-9]+: / && $0 ~ pattern { printf " %s", $4 }' "$1"; }
count() { set -- $1; echo $#; }
status=0 npassed=0 nfailed=0 nskipped=0
echo "Windows tests:" >"$summary.new"
for preset in windows windows64; do
  log=$root/build-$preset/ctest.log
  ctest --preset $preset 2>&1 | tee "$log" || status=1
  passed=$(pick "$log" ' Passed ') skipped=$(pick "$log" '[*]Skipped')
  failed=$(pick "$log" '[*](Failed|Timeout|Exception)|Not Run')
  npassed=$((npassed + $(count "$passed"))) nfailed=$((nfailed + $(count "$failed")))
  nskipped=$((nskipped + $(count "$skipped")))
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
echo "Windows: $npassed passed, $nfailed failed, $nskipped skipped" >>"$summary.new"
mv "$summary.new" "$summary"
cat "$summary"
exit $status
