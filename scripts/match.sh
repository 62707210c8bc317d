#!/usr/bin/env bash
# Plays a short match in xboard under Xvfb: korvane-uci (through polyglot, as xboard runs UCI engines,
# or natively in xboard's own protocol) against another engine, colours alternating. Prints each game's result and how it ended, the clock
# korvane-uci had left at its moves 20, 40 and 60, the time its moves cost by the clock before them,
# and the moves it played without a search; fails if
# any game ended on an illegal move, a loss on time or an engine error.
#   scripts/match.sh [GAMES] [TIME] [INCREMENT_SECONDS] [OPPONENT] [MODE]
#     TIME: minutes, or minutes:seconds (0:10 is ten seconds); default: 4 games, 1 minute + 1 s.
#     OPPONENT: stockfish (at skill level 0, the default), or one of Debian's xboard engines:
#     fairymax, hoichess, sjeng, phalanx.
#     MODE: polyglot (the default: xboard -fUCI) or native (xboard starts korvane-uci as an xboard engine).
#   KORVANE_BIN=DIR plays the korvane-uci in DIR instead of building this checkout;
#   MATCH_OUT=DIR keeps the games, logs and summary in DIR instead of build/match/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
games=${1:-4}
minutes=${2:-1}
increment=${3:-1}
opponent=${4:-stockfish}
mode=${5:-polyglot}
case "$mode" in
  polyglot) protocol=(-fUCI) ;;
  native) protocol=() ;;
  *) echo "match: unknown mode '$mode' (polyglot or native)"; exit 2 ;;
esac

"$root/scripts/install-deps.sh"
missing=()
[ -x /usr/games/xboard ] || missing+=(xboard)
[ "$mode" = native ] || [ -x /usr/games/polyglot ] || missing+=(polyglot)
[ -x "/usr/games/$opponent" ] || missing+=("$opponent")
command -v xvfb-run >/dev/null || missing+=(xvfb xauth)
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi

if [ -n "${KORVANE_BIN:-}" ]; then
  bin=$(cd "$KORVANE_BIN" && pwd)
else
  "$root/scripts/build.sh" build -DCMAKE_BUILD_TYPE=Release
  bin="$root/build/bin"
fi
out=${MATCH_OUT:-$root/build/match}
rm -rf "$out"
mkdir -p "$out"
out=$(cd "$out" && pwd)

# korvane-uci behind a wrapper that keeps what it is told and what it answers.
cat >"$out/korvane-uci" <<EOF
#!/bin/sh
export LD_LIBRARY_PATH="$bin"
tee -a "$out/to-korvane.log" | "$bin/korvane-uci" --module "$bin/Korvane.eng" | tee -a "$out/from-korvane.log"
EOF
chmod +x "$out/korvane-uci"

case "$opponent" in
  stockfish) second=(-scp stockfish -sd "$out" -sUCI -secondOptions "Skill Level=0,Threads=1,Hash=16") ;;
  fairymax | hoichess | sjeng | phalanx) second=(-scp "$opponent" -sd "$out") ;;
  *) echo "match: unknown opponent '$opponent'"; exit 2 ;;
esac

# xboard starts polyglot and the xboard engines by name; Debian puts them in /usr/games.
PATH=/usr/games:$PATH xvfb-run -a xboard \
  -fcp "$out/korvane-uci" -fd "$out" "${protocol[@]}" "${second[@]}" \
  -defaultHashSize 16 -matchMode true -matchGames "$games" -tc "$minutes" -inc "$increment" \
  -saveGameFile "$out/games.pgn" -debugMode true -nameOfDebugFile "$out/xboard.log" \
  -popupExitMessage false -popupMoveErrors false -soundProgram "" -autoCallFlag true -animateMoving false -flashCount 0 \
  -settingsFile "$out/xboardrc" -saveSettingsFile "$out/xboardrc" -saveSettingsOnExit false \
  >"$out/xboard.out" 2>&1 || true

[ -s "$out/games.pgn" ] || { echo "match: no games were saved; see $out/xboard.out"; exit 1; }

# The clock xboard gave korvane-uci (its "time" command, in centiseconds) before its moves 20, 40, 60.
awk -v summary="$out/summary.txt" '
  / >first : new/ { moves = 0 }
  / >first : time [0-9-]+/ {
    ++moves
    for (i = 1; i <= NF; ++i) if ($i == "time") cs = $(i + 1)
    if (moves == 20 || moves == 40 || moves == 60) clock[moves] = clock[moves] sprintf(" %.2f", cs / 100)
  }
  END {
    for (m = 20; m <= 60; m += 20) {
      line = sprintf("clock left at move %d (s):%s", m, clock[m] == "" ? " (no game got that far)" : clock[m])
      print line; print line >> summary
    }
  }' "$out/xboard.log"
# The time each move cost korvane-uci on xboard's clock (the drop from one move to the next, plus the
# increment), median by whole seconds on the clock before the move.
awk -v inc="$increment" '
  / >first : new/ { have = 0 }
  / >first : time [0-9-]+/ {
    for (i = 1; i <= NF; ++i) if ($i == "time") ms = $(i + 1) * 10
    if (have) { b = int(prev / 1000); if (b > 9) b = 9; print b, prev + inc * 1000 - ms }
    prev = ms; have = 1
  }' "$out/xboard.log" | sort -k1,1nr -k2,2n | awk -v summary="$out/summary.txt" '
  { band[NR] = $1; cost[NR] = $2 }
  END {
    for (i = 1; i <= NR; i = j) {
      for (j = i; j <= NR && band[j] == band[i]; ++j) {}
      line = sprintf("clock %d-%d s: %d moves, median cost %d ms", band[i], band[i] + 1, j - i, cost[i + int((j - i - 1) / 2)])
      print line; print line >> summary
    }
  }'
# Over all moves: the median cost on the clock, and the median time from xboard's usermove (or go) to
# korvane-uci's move in xboard's log, in ms.
awk -v inc="$increment" '
  / >first : new/ { have = 0 }
  / >first : time [0-9-]+/ {
    for (i = 1; i <= NF; ++i) if ($i == "time") ms = $(i + 1) * 10
    if (have) print prev + inc * 1000 - ms
    prev = ms; have = 1
  }' "$out/xboard.log" | sort -n | awk -v summary="$out/summary.txt" '
  { cost[NR] = $1 }
  END {
    line = sprintf("all moves: %d, median cost on the clock %d ms", NR, NR ? cost[int((NR + 1) / 2)] : 0)
    print line; print line >> summary
  }'
awk '
  / >first : (usermove|go)/ { asked = $1 }
  / <first : move / { if (asked != "") print $1 - asked; asked = "" }' "$out/xboard.log" | sort -n | awk -v summary="$out/summary.txt" '
  { wait[NR] = $1 }
  END {
    line = sprintf("median time from usermove to move in xboard'"'"'s log: %d ms", NR ? wait[int((NR + 1) / 2)] : 0)
    print line; print line >> summary
  }'
unsearched=$(grep -c "reported no move" "$out/from-korvane.log" || true)
echo "moves played without a search: $unsearched" | tee -a "$out/summary.txt"

# One line per game: the players, the result and the comment xboard wrote on how the game ended.
awk -v summary="$out/summary.txt" '
  /^\[White "/ { white = substr($0, 9, length($0) - 10) }
  /^\[Black "/ { black = substr($0, 9, length($0) - 10) }
  /^\[Result "/ { result = substr($0, 10, length($0) - 11) }
  /(1-0|0-1|1\/2-1\/2|\*)[ \t]*$/ && !/^\[/ {
    reason = ""
    if (match($0, /\{[^}]*\}[ \t]*(1-0|0-1|1\/2-1\/2|\*)[ \t]*$/)) {
      reason = substr($0, RSTART, RLENGTH)
      sub(/[ \t]*(1-0|0-1|1\/2-1\/2|\*)[ \t]*$/, "", reason)
    }
    ++n
    korvaneWhite = (white ~ /^Korvane/)
    if (korvaneWhite) score += (result == "1-0") ? 1 : (result == "1/2-1/2") ? 0.5 : 0
    else score += (result == "0-1") ? 1 : (result == "1/2-1/2") ? 0.5 : 0
    line = sprintf("game %d: %s - %s %s %s", n, white, black, result, reason)
    print line; print line >> summary
    # A fault is korvane-uci losing by one: a loss on time or an illegal move of its own, or an error.
    lost = korvaneWhite ? (result == "0-1") : (result == "1-0")
    r = tolower(reason)
    if (r ~ /error|crash|disconnect|stall/ || (lost && r ~ /illegal|on time|time forfeit|false/)) ++faults
    if (r ~ /on time|time forfeit/) ++forfeits
  }
  END {
    line = sprintf("Korvane scored %s of %d; %d game(s) ended by a fault of its own; %d ended on time",
                   score + 0, n, faults + 0, forfeits + 0)
    print line; print line >> summary
    exit faults > 0
  }' "$out/games.pgn"
