#!/usr/bin/env bash
# Plays a short match in xboard under Xvfb: korvane-uci (through polyglot, as xboard runs UCI engines)
# against Stockfish at its lowest skill level, colours alternating. Prints each game's result and how it
# ended, and fails if any game ended on an illegal move, a loss on time or an engine error.
#   scripts/match.sh [GAMES] [MINUTES] [INCREMENT_SECONDS]      (default: 4 games, 1 minute + 1 s)
# Games, xboard's log and the summary are left in build/match/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
games=${1:-4}
minutes=${2:-1}
increment=${3:-1}

"$root/scripts/install-deps.sh"
missing=()
[ -x /usr/games/xboard ] || missing+=(xboard)
[ -x /usr/games/polyglot ] || missing+=(polyglot)
[ -x /usr/games/stockfish ] || missing+=(stockfish)
command -v xvfb-run >/dev/null || missing+=(xvfb xauth)
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi

"$root/scripts/build.sh" build -DCMAKE_BUILD_TYPE=Release
bin="$root/build/bin"
out="$root/build/match"
rm -rf "$out"
mkdir -p "$out"

# xboard starts polyglot by name; Debian puts it in /usr/games.
PATH=/usr/games:$PATH xvfb-run -a xboard \
  -fcp "$bin/korvane-uci" -fd "$bin" -fUCI \
  -scp stockfish -sd "$out" -sUCI -secondOptions "Skill Level=0,Threads=1,Hash=16" \
  -defaultHashSize 16 -matchMode true -matchGames "$games" -tc "$minutes" -inc "$increment" \
  -saveGameFile "$out/games.pgn" -debugMode true -nameOfDebugFile "$out/xboard.log" \
  -popupExitMessage false -popupMoveErrors false -soundProgram "" >"$out/xboard.out" 2>&1 || true

[ -s "$out/games.pgn" ] || { echo "match: no games were saved; see $out/xboard.out"; exit 1; }

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
    if (white == "Korvane") score += (result == "1-0") ? 1 : (result == "1/2-1/2") ? 0.5 : 0
    else score += (result == "0-1") ? 1 : (result == "1/2-1/2") ? 0.5 : 0
    line = sprintf("game %d: %s - %s %s %s", n, white, black, result, reason)
    print line; print line > summary
    if (tolower(reason) ~ /illegal|on time|time forfeit|error|false|crash|disconnect|stall/) ++faults
  }
  END {
    line = sprintf("Korvane scored %s of %d; %d game(s) ended by a fault", score + 0, n, faults + 0)
    print line; print line > summary
    exit faults > 0
  }' "$out/games.pgn"
