#!/usr/bin/env bash
# End-to-end test of the Debian package: builds it with scripts/package.sh
# (which fails on any lintian error) in a tree of its own beside the tested
# executable, unpacks it into a scratch root and checks what it installs
# there: the executable runs, the package depends on the GL driver that draws
# and suggests ffmpeg, every installed file that the README's Install
# section and the manual page name is there, the manual page renders without
# warnings, both desktop entries are valid, and the address "Visit..." opens
# names the installed README. Needs no display.
set -u
bin=${1:?usage: package.sh path/to/vexlar3d}
root_dir=$(cd "$(dirname "$0")/../.." && pwd)
build=${VEXLAR_PACKAGE_BUILD:-$(cd "$(dirname "$bin")" && pwd)/package-test}
passed=0
failed=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=lib/common.sh
source "$(dirname "$0")/lib/common.sh"
check() { if eval "$2"; then ok "$1"; else fail "$1"; fi; }

if ! bash "$root_dir/scripts/package.sh" "$build" >"$work/package.log" 2>&1; then
  tail -n 30 "$work/package.log"
  fail "scripts/package.sh builds the package and lintian finds no error"
  echo "$passed passed, $failed failed"
  exit 1
fi
ok "scripts/package.sh builds the package and lintian finds no error"
grep -E '^[WIPO]: ' "$work/package.log" | sed 's/^/  lintian: /'
deb=$(ls "$build"/vexlar3d_*.deb)
root=$work/root
dpkg-deb -x "$deb" "$root"

# The executable and its xscreensaver link.
version=$("$root/usr/bin/vexlar3d" --version); code=$?
check "the installed vexlar3d --version names the package's version" \
  "[ $code -eq 0 ] && [ '$version' = \"vexlar3d \$(dpkg-deb -f '$deb' Version | cut -d- -f1)\" ]"
"$root/usr/bin/vexlar3d" --help >"$work/help.txt"; code=$?
check "the installed vexlar3d --help prints the usage" "[ $code -eq 0 ] && grep -q '^Usage: vexlar3d' '$work/help.txt'"
check "xscreensaver's hack is a relative link to the executable" \
  "[ \"\$(readlink '$root/usr/libexec/xscreensaver/vexlar3d')\" = ../../bin/vexlar3d ] && [ -x '$root/usr/libexec/xscreensaver/vexlar3d' ]"
check "the executable is stripped" "file '$root/usr/bin/vexlar3d' | grep -q ', stripped'"
check "the package depends on the GL driver, recommends a soundfont and suggests xscreensaver and ffmpeg" \
  "dpkg-deb -f '$deb' Depends | grep -q 'libgl1, libgl1-mesa-dri | ' && dpkg-deb -f '$deb' Recommends | grep -q 'timgm6mb-soundfont | fluid-soundfont-gm' && [ \"\$(dpkg-deb -f '$deb' Suggests)\" = 'xscreensaver, ffmpeg' ]"

# Every installed path the README's Install section and the manual page name
# (paths of this package under /usr; /usr/local is the README's example of
# another prefix, the soundfont comes from another package).
sed -n '/^## Install$/,/^## /p' "$root_dir/README.md" >"$work/install-section.md"
check "the README has an Install section" "[ -s '$work/install-section.md' ]"
zcat "$root/usr/share/man/man6/vexlar3d.6.gz" >"$work/vexlar3d.6"
named=$(cat "$work/install-section.md" "$work/vexlar3d.6" | sed 's/\\-/-/g' |
  grep -o '/usr/[A-Za-z0-9_./*-]*' | grep -v '^/usr/local/' | grep vexlar3d | sed 's/[.]$//' | sort -u)
missing=""
for path in $named; do
  # shellcheck disable=SC2086 # a glob in the name is expanded on purpose
  matches=$(cd "$root" && ls -d .$path 2>/dev/null)
  [ -n "$matches" ] || missing="$missing $path"
done
check "every one of the $(echo "$named" | wc -w) named paths is installed${missing:+ (missing:$missing)}" \
  "[ -n '$named' ] && [ -z '$missing' ]"

warnings=$(MANWIDTH=80 man --warnings -l "$root/usr/share/man/man6/vexlar3d.6.gz" 2>&1 >/dev/null)
check "the manual page renders without warnings${warnings:+: $warnings}" "[ -z '$warnings' ]"
check "desktop-file-validate accepts both desktop entries" \
  "desktop-file-validate '$root/usr/share/applications/vexlar3d.desktop' '$root/usr/share/applications/screensavers/vexlar3d.desktop' >'$work/desktop.txt' 2>&1 || { cat '$work/desktop.txt'; false; }"
check "the settings entry opens the dialog and the saver entry runs on the root" \
  "grep -qx 'Exec=vexlar3d /c' '$root/usr/share/applications/vexlar3d.desktop' && grep -qx 'Exec=vexlar3d --root' '$root/usr/share/applications/screensavers/vexlar3d.desktop'"
for size in 16 32 48 64 128 256; do
  icon=$root/usr/share/icons/hicolor/${size}x$size/apps/vexlar3d.png
  check "the ${size}-pixel icon is $size x $size" "file '$icon' | grep -q 'PNG image data, $size x $size,'"
done

address=$(strings "$root/usr/bin/vexlar3d" | sed -n 's/^main_web_site_url[[:space:]]*=[[:space:]]*\([^;]*\);.*/\1/p')
check "\"Visit...\" opens an installed file ($address)" \
  "case '$address' in file:///usr/*) [ -f '$root${address#file://}' ] ;; *) false ;; esac"
check "the copyright file is machine-readable and names the fonts' licence" \
  "head -n 1 '$root/usr/share/doc/vexlar3d/copyright' | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' && grep -q '^License: OFL-1.1' '$root/usr/share/doc/vexlar3d/copyright'"

echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
