# Sourced by the scripts that run Windows programs under Wine in a prefix of their own: a fresh prefix
# in a temporary folder ($work/prefix), headless and quiet; at exit its server is stopped and the
# folder removed.
work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
