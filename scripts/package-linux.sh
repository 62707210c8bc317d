#!/usr/bin/env bash
# Builds Korvane for Linux and writes its Debian packages and portable tarballs:
#   package-linux.sh [ARCH...]        ARCH: amd64, arm64 (both by default)
# giving, in build-package/out/:
#   korvane_VERSION_ARCH.deb               programs in /usr/games, Korvane.eng and libMorlix32.so in
#                                          /usr/lib/korvane, man pages, README and copyright
#   korvane-VERSION-linux-MACHINE.tar.gz   the same files under bin/, lib/korvane/ and share/, to unpack
#                                          anywhere
# arm64 is cross-built with g++-aarch64-linux-gnu (cmake/aarch64-linux-gnu.cmake). Depends is computed
# by dpkg-shlibdeps from the binaries; each package is checked with lintian, and an error fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arches=("$@")
[ ${#arches[@]} -gt 0 ] || arches=(amd64 arm64)

"$root/scripts/install-deps.sh"
"$root/scripts/install-package-deps.sh" "${arches[@]}"

version=$(sed -n 's/^project(Korvane VERSION \([0-9.]*\) .*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || { echo "package-linux: no version in CMakeLists.txt" >&2; exit 1; }
changelog_version=$(sed -n '1s/^korvane (\([^)]*\)).*/\1/p' "$root/linux/debian/changelog")
if [ "$changelog_version" != "$version" ]; then
  echo "package-linux: linux/debian/changelog is at $changelog_version, CMakeLists.txt at $version" >&2
  exit 1
fi

work=$root/build-package
out=$work/out
mkdir -p "$out"

package() {
  local arch=$1 machine toolchain=()
  case $arch in
    amd64) machine=x86_64 ;;
    arm64) machine=aarch64
           toolchain=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/aarch64-linux-gnu.cmake") ;;
    *) echo "package-linux: unknown architecture '$arch' (amd64, arm64)" >&2; exit 2 ;;
  esac
  local build=$work/build-$arch pkg=$work/pkg-$arch
  echo "== $arch: building in build-package/build-$arch"
  # Debian's hardening where it cannot change what the module imports: checked C library calls in the
  # programs (the engine calls none) and read-only relocations bound at load.
  "$root/scripts/build.sh" "build-package/build-$arch" "${toolchain[@]}" -DCMAKE_BUILD_TYPE=Release \
    -DBUILD_TESTING=OFF -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_INSTALL_BINDIR=games -DCMAKE_CXX_FLAGS=-D_FORTIFY_SOURCE=2 \
    -DCMAKE_EXE_LINKER_FLAGS="-Wl,-z,relro,-z,now" -DCMAKE_SHARED_LINKER_FLAGS="-Wl,-z,relro,-z,now" >/dev/null

  # dpkg-shlibdeps reads debian/control and takes the package's own files from debian/korvane.
  rm -rf "$pkg"
  mkdir -p "$pkg/debian"
  local stage=$pkg/debian/korvane
  DESTDIR=$stage cmake --install "$build" --strip >/dev/null
  # As Debian strips its binaries: without the compiler's version notes either.
  local strip=strip
  [ "$arch" = amd64 ] || strip=$machine-linux-gnu-strip
  "$strip" --remove-section=.comment "$stage"/usr/games/* "$stage"/usr/lib/korvane/*
  gzip -9n "$stage"/usr/share/man/man6/*.6
  local doc=$stage/usr/share/doc/korvane
  mkdir -p "$doc"
  install -m 644 "$root/linux/debian/copyright" "$doc/copyright"
  gzip -9n <"$root/README.md" >"$doc/README.md.gz"
  gzip -9n <"$root/linux/debian/changelog" >"$doc/changelog.gz"
  # Shared objects are not programs: no execute bit, as Debian installs libraries.
  chmod 644 "$stage"/usr/lib/korvane/*

  # The module imports nothing from the C library by design (the host application loads it as it is).
  mkdir -p "$stage/usr/share/lintian/overrides"
  install -m 644 "$root/linux/debian/lintian-overrides" "$stage/usr/share/lintian/overrides/korvane"

  printf 'Source: korvane\n\nPackage: korvane\nArchitecture: %s\n' "$arch" >"$pkg/debian/control"
  mkdir -p "$stage/DEBIAN"
  local depends
  # A cross-built package's run-time libraries are those of the cross tool chain.
  local search=()
  [ "$arch" = amd64 ] || search=(-l"/usr/$machine-linux-gnu/lib")
  depends=$(cd "$pkg" && CC=$machine-linux-gnu-gcc dpkg-architecture -a"$arch" -c dpkg-shlibdeps -O "${search[@]}" -e \
    debian/korvane/usr/games/korvane debian/korvane/usr/games/korvane-uci \
    debian/korvane/usr/lib/korvane/Korvane.eng debian/korvane/usr/lib/korvane/libMorlix32.so)
  depends=${depends#shlibs:Depends=}
  # The cross tool chain's libraries name their packages as those of the target machine, ARCH-qualified
  # (libc6:arm64), or as NAME-ARCH-cross; on the target machine they are plain NAME.
  depends=$(sed -e "s/:$arch\\b//g" -e "s/-$arch-cross\\b//g" <<<"$depends")
  sed -e "s/@VERSION@/$version/" -e "s/@ARCH@/$arch/" -e "s/@DEPENDS@/$depends/" \
    -e "s/@SIZE@/$(du -sk --exclude=DEBIAN "$stage" | cut -f1)/" \
    "$root/linux/debian/control.in" >"$stage/DEBIAN/control"

  (cd "$stage" && find . -path ./DEBIAN -prune -o -type f -printf '%P\n' | LC_ALL=C sort | xargs md5sum) \
    >"$stage/DEBIAN/md5sums"

  local deb=$out/korvane_${version}_$arch.deb
  dpkg-deb --root-owner-group -Zxz --build "$stage" "$deb" >/dev/null
  echo "wrote $deb"
  echo "-- lintian $(basename "$deb")"
  # Errors fail the package; warnings and notes are printed for the reader.
  local lintian_status=0
  lintian --tag-display-limit 0 --display-info --fail-on error "$deb" >"$pkg/lintian.txt" 2>&1 || lintian_status=$?
  grep -v "running with root privileges" "$pkg/lintian.txt" || echo "(no tags)"
  [ "$lintian_status" -eq 0 ] || { echo "package-linux: lintian reports errors in $deb" >&2; exit 1; }

  local name=korvane-$version-linux-$machine tree=$pkg/tarball
  rm -rf "$tree"
  mkdir -p "$tree/$name"
  cp -a "$stage/usr/games" "$tree/$name/bin"
  cp -a "$stage/usr/lib" "$stage/usr/share" "$tree/$name/"
  rm -r "$tree/$name/share/lintian"
  tar -C "$tree" --owner=0 --group=0 --sort=name -czf "$out/$name.tar.gz" "$name"
  echo "wrote $out/$name.tar.gz"
}

for arch in "${arches[@]}"; do
  package "$arch"
done
