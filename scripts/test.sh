#!/usr/bin/env bash
# Builds Korvane and runs the whole test suite: once optimised, once under AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"

"$root/scripts/build.sh" build -DCMAKE_BUILD_TYPE=Release
ctest --test-dir "$root/build" --output-on-failure -j2

"$root/scripts/build.sh" build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSANITIZE=address,undefined
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$root/build-sanitize" --output-on-failure -j2

# The Windows Korvane.eng: cross-built with MinGW-w64, its tables checked, and the scenario run under
# Wine compared with the Linux module's output.
"$root/scripts/test-windows.sh"
