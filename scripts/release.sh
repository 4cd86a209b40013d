#!/usr/bin/env bash
# Builds every release artefact of this checkout into dist/ and checks each:
#   vexlar3d_<version>_amd64.deb              lintian (scripts/package.sh), installed
#                                             and rendering on a minimal Debian 12
#                                             (scripts/test-minimal.sh)
#   vexlar3d-<version>-setup.exe              installed, run and removed under Wine
#   vexlar3d-<version>-windows-x64.zip        exactly the .scr, README.md (the
#                                             Windows part first), LICENSE and
#                                             THIRD-PARTY-NOTICES.txt
#   SHA256SUMS
# The .scr's version resource must equal the package's version. Fails on any
# error, and on a tree with uncommitted changes (a release is built from what
# is committed). Fresh build folders under build-release/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
fail() { echo "release.sh: $*" >&2; exit 1; }

if git rev-parse --git-dir >/dev/null 2>&1 && [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  fail "the tree has uncommitted changes (git status); commit them first"
fi
rm -rf dist build-release
mkdir -p dist build-release

# ---- Debian
bash scripts/package.sh build-release/deb
cp build-release/deb/vexlar3d_*.deb dist/
deb=$(ls dist/vexlar3d_*.deb)
version=$(dpkg-deb -f "$deb" Version)
bash scripts/test-minimal.sh "$deb"

# ---- Windows: the .scr and its installer
bash scripts/install-deps.sh --windows
win=build-release/win
cmake -S . -B "$win" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DVEXLAR_WERROR=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build "$win" -j"$(nproc)" --target vexlar3d vexlar_setup
scr=$win/vexlar3d.scr
# The version resource's strings are UTF-16: the value follows its name.
product=$(strings -el "$scr" | grep -A1 -x ProductVersion | tail -n 1)
[ "$product" = "$version" ] || fail "the .scr says version ${product:-none}, the package $version"
setup=vexlar3d-$version-setup.exe
cp "$win/$setup" dist/

# ---- the zip: the README with its Windows section first
name=vexlar3d-$version-windows-x64
stage=build-release/$name
mkdir -p "$stage"
cp "$scr" LICENSE "$stage/"
awk 'NR == 1 { print; print ""; next }
     /^## / { inside = ($0 == "## Windows") }
     inside { print }' README.md >"$stage/README.md"
awk 'NR == 1 { next } /^## / { inside = ($0 == "## Windows") } !inside { print }' README.md >>"$stage/README.md"
{
  echo "vexlar3d.scr links these runtime libraries of its compiler into itself;"
  echo "their copyright and licence terms follow, as Debian ships them."
  for package in mingw-w64-x86-64-dev gcc-mingw-w64-base; do
    echo
    echo "==== $package ($(dpkg-query -W -f='${Version}' "$package"))"
    echo
    cat "/usr/share/doc/$package/copyright"
  done
} >"$stage/THIRD-PARTY-NOTICES.txt"
(cd "$stage" && zip -q -X "$root/dist/$name.zip" vexlar3d.scr README.md LICENSE THIRD-PARTY-NOTICES.txt)
listed=$(unzip -Z1 "dist/$name.zip" | sort | xargs)
[ "$listed" = "LICENSE README.md THIRD-PARTY-NOTICES.txt vexlar3d.scr" ] || fail "the zip holds: $listed"
cmp -s "$scr" <(unzip -p "dist/$name.zip" vexlar3d.scr) || fail "the zip's vexlar3d.scr is not the one built"

# ---- the Windows artefacts under Wine: the .scr's switches, then the installer
bash tests/e2e/windows/wine_cases.sh "$root/$scr" "$root/dist/$setup"

(cd dist && sha256sum -- *.deb *.exe *.zip >SHA256SUMS)
echo "release $version in dist/:"
ls -l dist/
