#!/usr/bin/env bash
# Installs what the web build and its tests need: Debian's emscripten (and node-acorn, which its
# optimizer loads), chromium for the browser test, and the page's npm packages from web/package-lock.json.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

missing=()
command -v em++ >/dev/null || missing+=(emscripten)
[ -d /usr/share/nodejs/acorn ] || missing+=(node-acorn)
command -v cmake >/dev/null || missing+=(cmake)
command -v make >/dev/null || missing+=(make)
# A machine without Node gets Debian's (with its npm); one that has Node keeps it and its npm.
command -v node >/dev/null || missing+=(nodejs npm)
[ "${1:-}" = "--browser" ] && { command -v chromium >/dev/null || missing+=(chromium); }
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq -o DPkg::Lock::Timeout=600 "${missing[@]}"
fi
command -v node >/dev/null && command -v npm >/dev/null || { echo "install-web-deps: node and npm are needed" >&2; exit 1; }

# The packages exactly as locked; installed again only when the lock file changes.
stamp="$root/web/node_modules/.korvane-lock"
if ! cmp -s "$root/web/package-lock.json" "$stamp" 2>/dev/null; then
  (cd "$root/web" && npm ci --no-audit --no-fund --loglevel=error)
  cp "$root/web/package-lock.json" "$stamp"
fi
