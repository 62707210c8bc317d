#!/usr/bin/env bash
# One game in xboard under Xvfb, korvane-uci against itself, each side started by xboard as an xboard
# engine (-fcp/-scp, no -fUCI, no adapter). Fails unless the game ends normally: no illegal move or
# error from either side, no loss on time, every move answered.
#   xboard_gui_test.sh BIN_DIR WORK_DIR
set -euo pipefail
bin=$1 work=$2
xboard=/usr/games/xboard
[ -x "$xboard" ] || { echo "xboard_gui_test: xboard is not installed (scripts/install-deps.sh installs it)" >&2; exit 1; }
command -v xvfb-run >/dev/null || { echo "xboard_gui_test: xvfb-run is not installed" >&2; exit 1; }
rm -rf "$work"
mkdir -p "$work"
# Ten seconds and 0.1 s a move; a drawn game is called after 60 moves, so the test stays short.
# xboard reads and keeps its settings in the work folder, never in the user's ~/.xboardrc.
status=0
timeout 240 xvfb-run -a "$xboard" \
  -fcp "$bin/korvane-uci" -fd "$bin" -scp "$bin/korvane-uci" -sd "$bin" \
  -matchMode true -matchGames 1 -tc 0:10 -inc 0.1 -adjudicateDrawMoves 60 \
  -saveGameFile "$work/game.pgn" -debugMode true -nameOfDebugFile "$work/xboard.log" \
  -popupExitMessage false -popupMoveErrors false -soundProgram "" \
  -settingsFile "$work/xboardrc" -saveSettingsFile "$work/xboardrc" -saveSettingsOnExit false \
  >"$work/xboard.out" 2>&1 || status=$?
fail() { echo "xboard_gui_test: $*; see $work" >&2; exit 1; }
[ $status -eq 0 ] || fail "xboard exited with status $status"
[ -s "$work/game.pgn" ] || fail "no game was saved"
grep -q '^\[Result "\(1-0\|0-1\|1/2-1/2\)"\]' "$work/game.pgn" || fail "the game has no result"
grep -q '<first : feature .*usermove=1' "$work/xboard.log" || fail "the engine did not answer protover 2"
if grep -Eq '<(first |second): (Illegal move|Error)' "$work/xboard.log"; then
  fail "an engine refused a command: $(grep -E '<(first |second): (Illegal move|Error)' "$work/xboard.log" | head -3)"
fi
if grep -Eiq 'illegal|forfeit|on time|error|crash|disconnect|stall' "$work/game.pgn"; then
  fail "the game ended by a fault: $(grep -Ei 'illegal|forfeit|on time|error|crash|disconnect|stall' "$work/game.pgn" | head -3)"
fi
moves=$(grep -c '<first : move \|<second: move ' "$work/xboard.log" || true)
echo "xboard_gui_test: $(grep '^\[Result' "$work/game.pgn") after $moves moves by the engines"
