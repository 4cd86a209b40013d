#!/usr/bin/env bash
# Frames per second of the Windows build's default scene under Wine: a fresh
# prefix with the stored defaults, a virtual X server of the given size
# (Mesa's llvmpipe), vexlar3d.scr /s for the given seconds, counted by Wine's
# Direct3D (its "fps" debug channel, one figure about every second). Prints
# each figure after the first five seconds, then their median.
#
# Usage: wine_fps.sh path/to/vexlar3d.scr [WIDTHxHEIGHT] [seconds]
# (defaults 800x600 and 30).
set -u
scr=$(realpath "${1:?usage: wine_fps.sh path/to/vexlar3d.scr [WIDTHxHEIGHT] [seconds]}")
size=${2:-800x600}
seconds=${3:-30}
wine=/usr/lib/wine/wine64
work=$(mktemp -d /tmp/vexlar3d-winefps.XXXXXX)
export WINEPREFIX=$work/prefix
trap 'wineserver -k 2>/dev/null; kill "$xvfb" 2>/dev/null; rm -rf "$work"' EXIT

WINEDEBUG=-all "$wine" wineboot -i >/dev/null 2>&1
wineserver -w
Xvfb -displayfd 3 -nolisten tcp -screen 0 "${size}x24" 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 1 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(head -n 1 "$work/display")
cp "$scr" "$WINEPREFIX/drive_c/vexlar3d.scr"
WINEDEBUG=-all,fps "$wine" 'C:\vexlar3d.scr' /s >"$work/wine.log" 2>&1 &
sleep "$seconds"
xdotool key space
wineserver -w
# One line a second from the present, "@ approx N.NNfps"; the first five
# seconds (start-up, textures loading) are left out.
figures=$(grep 'wined3d_cs_exec_present' "$work/wine.log" | grep -o 'approx [0-9.]*' | cut -d' ' -f2 | tail -n +6)
[ -n "$figures" ] || { echo "wine_fps.sh: no figures (is the .scr running? $(tail -n 2 "$work/wine.log"))" >&2; exit 1; }
echo "frames a second at $size, one a second: $(xargs <<<"$figures")"
echo "median: $(sort -n <<<"$figures" | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')"
