#!/usr/bin/env bash
# Builds the web folder: the engine in WebAssembly (host/web, with Emscripten) and the page (web/,
# bundled with esbuild), into build-web/site/ (index.html at its root). Serve that folder from any static
# host, or locally: python3 -m http.server -d build-web/site 8080
#   build-web.sh          build the site
#   build-web.sh --bench  build, then run the bench on the built engine under Node
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/build-web"
"$root/scripts/install-web-deps.sh"

# Emscripten's cache in the build tree: Debian's prebuilt libraries linked in, anything new written here.
export EM_CACHE="$out/em-cache"
if [ ! -f "$EM_CACHE/sysroot_install.stamp" ]; then
  mkdir -p "$EM_CACHE"
  cp -rs /usr/share/emscripten/cache/sysroot "$EM_CACHE/"
  cp /usr/share/emscripten/cache/sysroot_install.stamp "$EM_CACHE/"
fi
# Debian's emscripten loads its JavaScript optimizer's parser from Debian's node modules.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

emcmake cmake -S "$root/host/web" -B "$out/engine-build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$out/engine-build" -j2 >/dev/null
node "$root/web/build.mjs" "$out/engine-build" "$out/site"

if [ "${1:-}" = "--bench" ]; then
  echo bench | node "$root/web/engine/node/korvane-uci.js" "$out/site/engine"
fi
