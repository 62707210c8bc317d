#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan and UBSan, every library instrumented) in build-fuzz and
# runs each for a fixed time:
#   bash scripts/fuzz.sh [SECONDS] [TARGET...]
# SECONDS defaults to 30; the targets are module_fuzzer, chess_fuzzer and uci_fuzzer (all by default).
# Each run starts from the committed regression inputs (fuzz/corpus/TARGET), the seeds generated from
# the project's EPD files in tests/data (build-fuzz/seeds/TARGET) and what earlier runs kept (build-fuzz/corpus/TARGET).
# A finding stops the run and fails the script; the input is left in build-fuzz/artifacts/TARGET.
# Set KORVANE_FUZZ_RAW_GO=1 to make uci_fuzzer send the numbers of go unclamped in every input (every
# go is then followed by stop); an input whose first line is #raw does so on its own.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(module_fuzzer chess_fuzzer uci_fuzzer)

"$root/scripts/install-deps.sh"
# clang and its sanitizer and libFuzzer runtimes.
if ! command -v clang++ >/dev/null ||
   ! echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' |
     clang++ -x c++ -fsanitize=fuzzer,address,undefined -o /dev/null - 2>/dev/null; then
  echo "installing: clang libclang-rt-dev"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq clang libclang-rt-dev
fi

build="$root/build-fuzz"
CC=clang CXX=clang++ "$root/scripts/build.sh" build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSANITIZE=address,undefined -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link -DKORVANE_FUZZ=ON -DBUILD_TESTING=OFF

# The module fuzzer's inputs hold up to two game records.
declare -A max_len=([module_fuzzer]=4400 [chess_fuzzer]=1024 [uci_fuzzer]=4096)
passed=0
failed=0
for target in "${targets[@]}"; do
  name=${target%_fuzzer}
  mkdir -p "$build/corpus/$name" "$build/artifacts/$name"
  echo "== $target: $seconds s (log in build-fuzz/$name.log)"
  if UBSAN_OPTIONS=print_stacktrace=1 nice "$build/bin/$target" -max_total_time="$seconds" \
      -max_len="${max_len[$target]}" -print_final_stats=1 -artifact_prefix="$build/artifacts/$name/" \
      "$build/corpus/$name" "$root/fuzz/corpus/$name" "$build/seeds/$name" 2>"$build/$name.log"; then
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec)' "$build/$name.log"
    passed=$((passed + 1))
  else
    tail -n 60 "$build/$name.log"
    echo "$target: FINDING, input in build-fuzz/artifacts/$name"
    failed=$((failed + 1))
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
