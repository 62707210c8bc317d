#!/usr/bin/env bash
# Times the 32-bit and the 64-bit korvane-uci.exe side by side under Wine: the same fixed-depth searches,
# the two programs' runs alternating, and the median of each program's runs:
#   time-windows-front-ends.sh [ROUNDS] [RELEASE_DIR]     (5 rounds, build-windows/release by default)
# RELEASE_DIR holds the Korvane and Korvane64 folders (scripts/package-windows.sh). The time of a run is
# the sum, over the positions, of the time from sending go to reading bestmove, as a GUI sees it.
# Needs a machine that runs 32-bit Windows programs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-5}
release=${2:-$root/build-windows/release}
for folder in Korvane Korvane64; do
  [ -f "$release/$folder/korvane-uci.exe" ] ||
    { echo "time-windows-front-ends: $release/$folder is missing; run scripts/package-windows.sh" >&2; exit 1; }
done
wine64=$(command -v wine64 || echo /usr/lib/wine/wine64)

# The searches: an opening, a middlegame and an endgame.
searches=(
  "startpos|6"
  "fen r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP3PPP/R2QKB1R w KQ - 0 8|5"
  "fen 8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1|7"
)

. "$root/tests/windows/wine_prefix.sh"
mkdir -p "$WINEPREFIX"
wineserver -p
wine wineboot --init >/dev/null 2>&1

# run WINE EXE: one session through the searches; prints its total in milliseconds.
run() {
  local line total=0 start
  coproc ENGINE { "$1" "$2" 2>/dev/null; }
  printf 'uci\nisready\n' >&"${ENGINE[1]}"
  while read -r line <&"${ENGINE[0]}"; do [ "${line%$'\r'}" = readyok ] && break; done
  for search in "${searches[@]}"; do
    printf 'position %s\n' "${search%|*}" >&"${ENGINE[1]}"
    start=$(date +%s%N)
    printf 'go depth %s\n' "${search#*|}" >&"${ENGINE[1]}"
    while read -r line <&"${ENGINE[0]}"; do [[ $line == bestmove* ]] && break; done
    total=$((total + ($(date +%s%N) - start) / 1000000))
  done
  printf 'quit\n' >&"${ENGINE[1]}"
  wait "$ENGINE_PID" || true
  echo $total
}

median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : int((v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }

times32=() times64=()
for ((round = 1; round <= rounds; round++)); do
  # Alternate which program goes first, so that neither always runs on a machine warmed by the other.
  if ((round % 2)); then
    times32+=("$(run wine "$release/Korvane/korvane-uci.exe")")
    times64+=("$(run "$wine64" "$release/Korvane64/korvane-uci.exe")")
  else
    times64+=("$(run "$wine64" "$release/Korvane64/korvane-uci.exe")")
    times32+=("$(run wine "$release/Korvane/korvane-uci.exe")")
  fi
  echo "round $round: 32-bit ${times32[-1]} ms, 64-bit ${times64[-1]} ms"
done
m32=$(median "${times32[@]}") m64=$(median "${times64[@]}")
echo "median of $rounds rounds: 32-bit korvane-uci.exe $m32 ms, 64-bit korvane-uci.exe $m64 ms" \
     "(the 64-bit one takes $((100 * m64 / m32))% of the 32-bit one's time)"
