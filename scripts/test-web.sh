#!/usr/bin/env bash
# Tests the web build against the native one: the bench under Node must print the native bench's node
# count and signature; korvane-uci's scripted sessions run against the worker's engine under Node (line
# for line where timing does not enter); the engine's files stay under 500 KB; and the page is played
# and analysed in headless Chromium (transcript and screenshot in build-web/).
#   test-web.sh [NATIVE_BUILD_DIR]   (default build/, built if missing)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
native=${1:-$root/build}
"$root/scripts/install-web-deps.sh" --browser
[ -x "$native/bin/korvane" ] && [ -x "$native/bin/uci_session_test" ] || "$root/scripts/build.sh" "${native#$root/}" -DCMAKE_BUILD_TYPE=Release
"$root/scripts/build-web.sh"
site="$root/build-web/site"
node=$(command -v node)

echo "== bench: native and WebAssembly under Node"
native_bench=$("$native/bin/korvane" bench | grep -E '^(Nodes searched|Signature) ')
web_bench=$(echo bench | timeout 600 "$node" "$root/web/engine/node/korvane-uci.js" "$site/engine" | grep -E '^(Nodes searched|Signature) ')
paste -d'|' <(echo "$native_bench" | sed 's/^/native: /') <(echo "$web_bench" | sed 's/^/  web: /')
[ "$native_bench" = "$web_bench" ] || { echo "test-web: the web bench differs from the native one" >&2; exit 1; }

echo "== the engine's files"
size=$(cat "$site/engine/sizes.txt")
echo "$size bytes"
[ "$size" -lt 500000 ] || { echo "test-web: the engine's files exceed 500 KB" >&2; exit 1; }

echo "== korvane-uci's sessions against the worker's engine under Node"
KORVANE_UCI_COMMAND="$node $root/web/engine/node/korvane-uci.js $site/engine" \
  timeout 1200 "$native/bin/uci_session_test" --gtest_brief=1

echo "== the page in headless Chromium"
timeout 600 "$node" "$root/web/test/browser-test.mjs" "$site" "$root/build-web/web.png" | tee "$root/build-web/browser-test.txt"
