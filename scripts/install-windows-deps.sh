#!/usr/bin/env bash
# Installs what the Windows cross-builds lack: the MinGW-w64 i686 and x86_64 tool chains and, with
# --wine, Wine for running the Windows tests: wine64 for the 64-bit files, and its 32-bit part (wine32,
# from the i386 architecture) for the 32-bit ones where the kernel runs 32-bit programs.
set -euo pipefail

sudo_cmd=""
[ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
install() {
  echo "installing: $*"
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}

missing=()
command -v cmake >/dev/null || missing+=(cmake)
command -v make >/dev/null || missing+=(make)
command -v i686-w64-mingw32-g++-posix >/dev/null || missing+=(g++-mingw-w64-i686-posix)
command -v i686-w64-mingw32-dlltool >/dev/null || missing+=(binutils-mingw-w64-i686)
command -v i686-w64-mingw32-objdump >/dev/null || missing+=(binutils-mingw-w64-i686)
command -v x86_64-w64-mingw32-g++-posix >/dev/null || missing+=(g++-mingw-w64-x86-64-posix)
command -v x86_64-w64-mingw32-dlltool >/dev/null || missing+=(binutils-mingw-w64-x86-64)
command -v x86_64-w64-mingw32-objdump >/dev/null || missing+=(binutils-mingw-w64-x86-64)
if [ ${#missing[@]} -gt 0 ]; then
  $sudo_cmd apt-get update -qq
  install $(printf '%s\n' "${missing[@]}" | sort -u)
fi

if [ "${1:-}" = "--wine" ] && ! { command -v wine >/dev/null && dpkg -s wine64 >/dev/null 2>&1 &&
                                   dpkg -s wine32:i386 >/dev/null 2>&1; }; then
  dpkg --print-foreign-architectures | grep -qx i386 || $sudo_cmd dpkg --add-architecture i386
  $sudo_cmd apt-get update -qq
  install wine wine64 wine32:i386
fi
