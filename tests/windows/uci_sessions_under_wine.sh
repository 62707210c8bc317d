#!/usr/bin/env bash
# Packs the release folder from a Windows build's bin folder and runs the scripted UCI sessions of the
# Linux front end against the korvane-uci.exe in it, under Wine; the session test also compares each
# timing-free session's output with korvane-uci's, line for line. Further session tests (the xboard
# sessions) run against the same program after it:
# uci_sessions_under_wine.sh SESSION_TEST PACKAGE_SCRIPT BITS WINDOWS_BIN WORK_DIR [SESSION_TEST...]
# (run through under_wine.sh, which names the Wine loader in KORVANE_WINE). BITS 32 packs the Korvane
# folder, 64 the Korvane64 folder.
set -euo pipefail
session_test=$1 package=$2 bits=$3 windows_bin=$4 work=$5
shift 5
more_tests=("$@")
prefix=$work/wine-prefix
case $bits in
  32) folder=Korvane ;;
  64) folder=Korvane64 ;;
  *) echo "uci_sessions_under_wine: BITS is 32 or 64, not '$bits'" >&2; exit 2 ;;
esac

for test in "$session_test" "${more_tests[@]}"; do
  if [ ! -x "$test" ]; then
    echo "uci_sessions_under_wine: $test is missing; build the Linux tree first (scripts/build.sh build)" >&2
    exit 1
  fi
done
wine=$KORVANE_WINE
# Headless, quiet, and in a prefix of the build folder's own; a persistent server keeps each session's
# start short. Only this prefix's server and programs are stopped at the end.
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Wine reads Unix file names in the locale's encoding; the folder names below are UTF-8.
export LC_ALL=C.UTF-8
unset DISPLAY WAYLAND_DISPLAY
cleanup() { wineserver -k >/dev/null 2>&1 || true; }
trap cleanup EXIT
mkdir -p "$WINEPREFIX"
wineserver -p
"$wine" wineboot --init >/dev/null 2>&1

# Only the release folder's files are beside the program.
bash "$package" --bin$bits "$windows_bin" "$work/release" >/dev/null
front_end=$work/release/$folder/korvane-uci.exe
packed=$(cd "$work/release" && cmake -E tar tf Korvane.zip | LC_ALL=C sort | tr '\n' ' ')
f=$folder
if [ "$packed" != "$f/ $f/Korvane.eng $f/Morlix32.dll $f/README.txt $f/korvane-uci.exe " ]; then
  echo "uci_sessions_under_wine: Korvane.zip holds: $packed" >&2
  exit 1
fi

# The folder may have any name: here one with a space and letters beyond the ANSI code page. The
# program finds the module beside itself there, and --module loads the one there.
other="$work/Шахматы Korvane"
rm -rf "$other"
cp -r "$work/release/$folder" "$other"
expect_uciok() { # expect_uciok PROGRAM [ARGUMENTS...]
  local answer
  answer=$(printf 'uci\r\nquit\r\n' | "$wine" "$@" | tr -d '\r')
  if ! grep -qx 'uciok' <<<"$answer"; then
    printf 'uci_sessions_under_wine: no uciok from %s:\n%s\n' "$*" "$answer" >&2
    exit 1
  fi
}
expect_uciok "$other/korvane-uci.exe"
expect_uciok "$front_end" --module "Z:${other//\//\\}\\Korvane.eng"
# A file that cannot be loaded is reported and ends the program.
status=0
answer=$(printf 'uci\r\n' | "$wine" "$front_end" --module missing.eng | tr -d '\r') || status=$?
if [ $status -ne 1 ] || ! grep -q '^info string cannot load missing.eng: ' <<<"$answer"; then
  printf 'uci_sessions_under_wine: a missing module gave status %s and:\n%s\n' $status "$answer" >&2
  exit 1
fi

KORVANE_UCI_COMMAND="$wine $front_end" "$session_test" --gtest_brief=1
for test in "${more_tests[@]}"; do
  KORVANE_UCI_COMMAND="$wine $front_end" "$test" --gtest_brief=1
done
