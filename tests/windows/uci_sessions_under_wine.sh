#!/usr/bin/env bash
# Runs the scripted UCI sessions of the Linux front end against korvane-uci.exe under Wine; the session
# test also compares each timing-free session's output with korvane-uci's, line for line:
# uci_sessions_under_wine.sh SESSION_TEST WINDOWS_FRONT_END WINEPREFIX
set -euo pipefail
session_test=$1 front_end=$2 prefix=$3

if [ ! -x "$session_test" ]; then
  echo "uci_sessions_under_wine: $session_test is missing; build the Linux tree first (scripts/build.sh build)" >&2
  exit 1
fi
wine=$(command -v wine) || { echo "uci_sessions_under_wine: wine is not installed" >&2; exit 1; }
# Headless, quiet, and in a prefix of the build folder's own; a persistent server keeps each session's
# start short. Only this prefix's server and programs are stopped at the end.
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
cleanup() { wineserver -k >/dev/null 2>&1 || true; }
trap cleanup EXIT
mkdir -p "$WINEPREFIX"
wineserver -p
"$wine" wineboot --init >/dev/null 2>&1

KORVANE_UCI_COMMAND="$wine $front_end" "$session_test" --gtest_brief=1
