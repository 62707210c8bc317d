#!/usr/bin/env bash
# Installs what the Linux packages need: dpkg-dev (dpkg-shlibdeps), lintian and man-db, and for arm64
# the cross tool chain and qemu-user-static, which runs its programs on this machine.
#   install-package-deps.sh [ARCH...]
set -euo pipefail

missing=()
command -v dpkg-shlibdeps >/dev/null || missing+=(dpkg-dev)
command -v lintian >/dev/null || missing+=(lintian)
command -v man >/dev/null || missing+=(man-db)
for arch in "$@"; do
  if [ "$arch" = arm64 ]; then
    command -v aarch64-linux-gnu-g++ >/dev/null || missing+=(g++-aarch64-linux-gnu)
    command -v qemu-aarch64-static >/dev/null || missing+=(qemu-user-static)
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
