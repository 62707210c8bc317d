#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks for building and testing Korvane.
set -euo pipefail

missing=()
command -v cmake >/dev/null || missing+=(cmake)
command -v g++ >/dev/null || missing+=(g++)
command -v make >/dev/null || missing+=(make)
command -v nm >/dev/null || missing+=(binutils)
[ -f /usr/include/gtest/gtest.h ] || missing+=(libgtest-dev)
[ -f /usr/include/gmock/gmock.h ] || missing+=(libgmock-dev)
# The UCI front end's tests drive it through polyglot, as xboard does.
[ -x /usr/games/polyglot ] || command -v polyglot >/dev/null || missing+=(polyglot)
# ... and play a game in xboard itself, under Xvfb.
[ -x /usr/games/xboard ] || missing+=(xboard)
command -v xvfb-run >/dev/null || missing+=(xvfb)
command -v xauth >/dev/null || missing+=(xauth)

if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi
