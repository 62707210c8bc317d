#!/usr/bin/env bash
# Builds Korvane and runs the whole test suite: the tests with more than one thread under
# ThreadSanitizer, everything under AddressSanitizer and UndefinedBehaviorSanitizer, and everything
# optimised; then each fuzz target for a short fixed time.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"

"$root/scripts/build.sh" build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSANITIZE=thread
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir "$root/build-tsan" --output-on-failure --no-tests=error -L threads

"$root/scripts/build.sh" build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSANITIZE=address,undefined
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$root/build-sanitize" --output-on-failure --no-tests=error -j2

"$root/scripts/build.sh" build -DCMAKE_BUILD_TYPE=Release
ctest --test-dir "$root/build" --output-on-failure --no-tests=error -j2

# The Linux packages, amd64 and arm64: built, unpacked and run (arm64 under qemu-aarch64-static).
"$root/scripts/test-package.sh"

# The web build: its bench, korvane-uci's sessions against its worker under Node, the page in Chromium.
"$root/scripts/test-web.sh" "$root/build"

# The Windows files, 32-bit and 64-bit: cross-built with MinGW-w64, their tables checked, and what runs
# on this machine run under Wine (scripts/test-windows.sh; its summary is repeated at the end).
"$root/scripts/test-windows.sh"

# Every libFuzzer target for 30 seconds, from its regression inputs and seeds (scripts/fuzz.sh).
"$root/scripts/fuzz.sh" 30

# Which Windows tests ran, and which were skipped and why.
cat "$root/build-windows/test-summary.txt"
