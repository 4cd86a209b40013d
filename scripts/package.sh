#!/usr/bin/env bash
# Builds the Debian package of Vexlar 3D and checks it with lintian.
#
#   bash scripts/package.sh [BUILD_DIR]      (default: build-pkg)
#
# Configures BUILD_DIR for Release with the install prefix /usr and the
# xscreensaver hack link, with Debian's hardening flags (dpkg-buildflags),
# builds the executable without the tests, packs BUILD_DIR/vexlar3d_*.deb with
# CPack and runs lintian on it: any error fails the script; warnings and
# notes are printed. Install the result with `sudo apt install ./BUILD_DIR/vexlar3d_*.deb`.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${1:-build-pkg}
case $build in /*) ;; *) build=$root/$build ;; esac

bash scripts/install-deps.sh

# Debian's compiler and linker flags (fortification, stack protector, relro,
# bind now); -g is left out, as the package ships no debug information.
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
cflags="${CFLAGS//-g /} $CPPFLAGS"
cxxflags="${CXXFLAGS//-g /} $CPPFLAGS"

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DVEXLAR_INSTALL_XSCREENSAVER_HACK=ON -DVEXLAR_WERROR=ON -DBUILD_TESTING=OFF \
  -DCMAKE_C_FLAGS="$cflags" -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" >/dev/null
cmake --build "$build" --target vexlar3d vexlar_manpage -j"$(nproc)"
rm -f "$build"/vexlar3d_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/vexlar3d_*.deb)
echo "package: $deb"

# lintian exits non-zero on errors; the tags below warning are shown too.
lintian --display-info --fail-on error "$deb"
echo "lintian: no errors"
