#!/usr/bin/env bash
# Builds the Linux packages (scripts/package-linux.sh) and checks them without installing anything:
# each .deb and tarball is unpacked into a temporary folder and its korvane-uci run from there, with no
# LD_LIBRARY_PATH and no --module (the version, the UCI handshake, a search, the bench); the man pages
# must render; the arm64 programs run under qemu-aarch64-static and must give the native bench.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/package-linux.sh" amd64 arm64

# The bench's node count and signature: they change only with the engine's behaviour.
expected_nodes=22216993
expected_signature=74c0b20eb4e3bcff

version=$(sed -n 's/^project(Korvane VERSION \([0-9.]*\) .*/\1/p' "$root/CMakeLists.txt")
out=$root/build-package/out
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# The bench lines of a run: Nodes searched and Signature must be the expected ones.
check_bench() {
  local what=$1 output=$2
  grep -E '^(Nodes searched|Nodes/second|Signature)' <<<"$output" | sed "s/^/  $what: /" || true
  grep -qx "Nodes searched  : $expected_nodes" <<<"$output" || fail "$what: node count is not $expected_nodes"
  grep -qx "Signature       : $expected_signature" <<<"$output" || fail "$what: signature is not $expected_signature"
  grep -q '^Nodes/second    : [0-9]' <<<"$output" || fail "$what: no Nodes/second line"
}

# korvane-uci of an unpacked installation, started from another folder with a clean environment.
check_uci() {
  local what=$1 uci=$2 output
  echo "== $what: $uci"
  output=$(cd / && env -u LD_LIBRARY_PATH "$uci" --version) || fail "$what: --version failed"
  echo "  $output"
  [ "$output" = "korvane-uci $version" ] || fail "$what: --version printed '$output'"
  output=$(printf 'uci\nisready\nposition startpos moves e2e4\ngo depth 3\n' | (cd / && env -u LD_LIBRARY_PATH "$uci")) ||
    fail "$what: the UCI session failed"
  grep -qx "id name Korvane $version" <<<"$output" || fail "$what: no 'id name Korvane $version'"
  grep -qx "uciok" <<<"$output" || fail "$what: no uciok"
  grep -qx "readyok" <<<"$output" || fail "$what: no readyok"
  grep -qE '^bestmove [a-h][1-8][a-h][1-8][qrbn]?$' <<<"$output" || fail "$what: no bestmove after go depth 3"
  grep -E '^(id name|bestmove)' <<<"$output" | sed 's/^/  /' || true
  check_bench "$what" "$(cd / && env -u LD_LIBRARY_PATH "$uci" bench)"
}

for arch in amd64 arm64; do
  deb=$out/korvane_${version}_$arch.deb
  [ -f "$deb" ] || fail "$deb is missing"
  mkdir -p "$tmp/$arch"
  dpkg-deb -x "$deb" "$tmp/$arch"
done
for name in x86_64 aarch64; do
  tarball=$out/korvane-$version-linux-$name.tar.gz
  [ -f "$tarball" ] || fail "$tarball is missing"
  mkdir -p "$tmp/tar-$name"
  tar -C "$tmp/tar-$name" -xzf "$tarball"
done

check_uci "amd64 package" "$tmp/amd64/usr/games/korvane-uci"
check_uci "x86_64 tarball" "$tmp/tar-x86_64/korvane-$version-linux-x86_64/bin/korvane-uci"

echo "== man pages"
for page in "$tmp"/amd64/usr/share/man/man6/*.6.gz; do
  if text=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>"$tmp/man.err") && [ ! -s "$tmp/man.err" ] &&
     grep -q '^NAME' <<<"$text"; then
    echo "  $(basename "$page"): $(wc -l <<<"$text") lines"
  else
    fail "$(basename "$page") does not render cleanly: $(cat "$tmp/man.err")"
  fi
done

# The arm64 programs under qemu, which runs them with the cross tool chain's libraries.
echo "== arm64 package under qemu-aarch64-static"
qemu=(qemu-aarch64-static -L /usr/aarch64-linux-gnu)
output=$("${qemu[@]}" "$tmp/arm64/usr/games/korvane-uci" --version) || fail "arm64: --version failed"
[ "$output" = "korvane-uci $version" ] || fail "arm64: --version printed '$output'"
check_bench "arm64 korvane" "$("${qemu[@]}" "$tmp/arm64/usr/games/korvane" bench)"
output=$(printf 'uci\nposition startpos\ngo depth 3\n' | "${qemu[@]}" "$tmp/arm64/usr/games/korvane-uci") ||
  fail "arm64: the UCI session failed"
grep -qE '^bestmove [a-h][1-8][a-h][1-8][qrbn]?$' <<<"$output" || fail "arm64: no bestmove after go depth 3"

if [ "$failures" -gt 0 ]; then
  echo "test-package: $failures failure(s)"
  exit 1
fi
echo "test-package: all checks passed"
