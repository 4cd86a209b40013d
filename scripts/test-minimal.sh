#!/usr/bin/env bash
# Installs the Debian package on a bare Debian 12, as a new user of a fresh
# system would, and renders the flight there: what the package depends on
# must be all it needs to draw.
#
#   sudo bash scripts/test-minimal.sh [PACKAGE.deb]
#
# Without a package it builds one with scripts/package.sh (in build-pkg/).
# Makes a root with `debootstrap --variant=minbase bookworm` from the Debian
# mirror apt uses here, installs the package into it with
# `apt-get install --no-install-recommends`, and checks inside it that
# `vexlar3d --render` writes a frame showing the flight (green code, as the
# same executable draws it on this machine), creating no settings; then, with
# Mesa's drivers removed, that a render fails with exit code 1 and one line
# naming the package to install. Needs root (debootstrap, chroot, mounting
# /proc) and the network; the root is removed at the end, whatever happens.
set -u
cd "$(dirname "$0")/.." || exit 1
started=$(date +%s)
passed=0
failed=0
ok() { echo "ok: $1"; passed=$((passed + 1)); }
fail() { echo "FAIL: $1"; failed=$((failed + 1)); }
stop() { echo "test-minimal.sh: $*" >&2; exit 1; }

[ "$(id -u)" -eq 0 ] || stop "needs root: debootstrap, chroot and mounting /proc"
for tool in debootstrap convert compare; do
  if ! command -v "$tool" >/dev/null; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap imagemagick \
      >/dev/null || stop "cannot install debootstrap and imagemagick"
  fi
done

if [ $# -gt 0 ]; then
  deb=$(realpath "$1")
else
  bash scripts/package.sh >/dev/null || stop "scripts/package.sh failed"
  deb=$(realpath build-pkg/vexlar3d_*.deb)
fi
[ -f "$deb" ] || stop "no package at ${1:-build-pkg/}"

work=$(mktemp -d /tmp/vexlar3d-minimal.XXXXXX)
root=$work/root
# /proc is unmounted before anything is removed; the removal stays on this
# file system, so that nothing mounted into the root can be reached by it.
cleanup() {
  if mountpoint -q "$root/proc"; then umount "$root/proc" || umount -l "$root/proc"; fi
  mountpoint -q "$root/proc" || rm -rf --one-file-system "$work"
}
trap cleanup EXIT

# The mirror apt uses for bookworm here, in whatever form its sources are written.
# shellcheck disable=SC2016 # apt's own placeholders
mirror=$(apt-get indextargets --format '$(REPO_URI) $(RELEASE)' 'Identifier: Packages' 2>/dev/null |
  awk '$2 == "bookworm" { print $1; exit }')
mirror=${mirror:-http://deb.debian.org/debian/}

if ! debootstrap --variant=minbase bookworm "$root" "$mirror" >"$work/debootstrap.log" 2>&1; then
  tail -n 20 "$work/debootstrap.log"
  stop "debootstrap from $mirror failed"
fi
echo "test-minimal: a minimal bookworm from $mirror in $(($(date +%s) - started)) s"
mount -t proc proc "$root/proc" || stop "cannot mount /proc in the root"
cp "$deb" "$root/tmp/"
inside() { chroot "$root" env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }

if inside sh -c "apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
    --no-install-recommends /tmp/$(basename "$deb")" >"$work/apt.log" 2>&1; then
  ok "apt-get install --no-install-recommends installs the package"
else
  tail -n 20 "$work/apt.log"
  fail "apt-get install --no-install-recommends installs the package"
fi

# One frame inside, and the same frame from the same executable here.
options=(--frames 1 --size 320x240 --seed 7 --time 12:00:00)
said=$(inside vexlar3d --render /tmp/frames "${options[@]}" 2>&1)
code=$?
frame=$root/tmp/frames/frame_00000.png
[ $code = 0 ] && [ -f "$frame" ] && grep -q "rendered 1 frame of 320x240 .* wrote 1 PNG file to" <<<"$said" &&
  ok "vexlar3d --render writes a frame there" || fail "vexlar3d --render writes a frame there (exit $code, said '$said')"
[ ! -e "$root/root/.config/vexlar3d" ] && ok "the render creates no settings" \
  || fail "the render creates no settings ($(ls -A "$root/root/.config/vexlar3d"))"
dpkg-deb -x "$deb" "$work/unpacked"
XDG_CONFIG_HOME=$work/config "$work/unpacked/usr/bin/vexlar3d" --render "$work/here" "${options[@]}" >/dev/null 2>&1
if [ -f "$frame" ] && [ -f "$work/here/frame_00000.png" ]; then
  read -r r g b deviation < <(convert "$frame" -format "%[fx:mean.r] %[fx:mean.g] %[fx:mean.b] %[fx:standard_deviation]" info:)
  awk -v r="$r" -v g="$g" -v b="$b" -v d="$deviation" 'BEGIN { exit !(g > 0.1 && g > 2 * r && g > 2 * b && d > 0.05) }' &&
    ok "the frame shows the flight's green code (mean r $r g $g b $b, deviation $deviation)" ||
    fail "the frame shows the flight's green code (mean r $r g $g b $b, deviation $deviation)"
  difference=$(compare -metric RMSE "$frame" "$work/here/frame_00000.png" null: 2>&1 | sed -n 's/.*(\(.*\))/\1/p')
  awk -v d="${difference:-1}" 'BEGIN { exit !(d < 0.02) }' && ok "it is the frame drawn here (RMSE $difference)" ||
    fail "it is the frame drawn here (RMSE ${difference:-none})"
else
  fail "a frame to look at, there and here"
fi

# Without Mesa's drivers: one line that names the package, exit 1.
inside dpkg --remove --force-depends libgl1-mesa-dri >"$work/remove.log" 2>&1
said=$(inside vexlar3d --render /tmp/frames2 "${options[@]}" 2>&1)
code=$?
mine=$(grep '^vexlar3d:' <<<"$said")
[ $code = 1 ] && [ "$(grep -c . <<<"$mine")" = 1 ] && grep -q "no OpenGL driver found.*libgl1-mesa-dri" <<<"$mine" &&
  ok "without a driver a render says which package to install ($mine)" ||
  fail "without a driver a render ends with 1 and names the package (exit $code, said '$said')"

echo "test-minimal: $(($(date +%s) - started)) s"
echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
