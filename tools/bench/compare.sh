#!/usr/bin/env bash
# Frames per second of the saver beside a stock xscreensaver GL hack that
# draws falling glyphs, both unthrottled and drawing into the root window of
# one virtual X server of the same size (Mesa's llvmpipe), each counted by
# wrapping glXSwapBuffers; then the saver's own headless --bench figures.
#
# Usage: compare.sh path/to/vexlar3d WIDTHxHEIGHT seconds path/to/hack
# where the hack is the falling-glyph one of the xscreensaver-gl package
# (under /usr/libexec/xscreensaver/), run as "-root -delay 0"; the hack may
# also be named by $STOCK_GLYPH_HACK, and the size and seconds default to
# 1920x1080 and 10.
set -u
usage="usage: compare.sh path/to/vexlar3d WIDTHxHEIGHT seconds path/to/hack"
bin=$(realpath "${1:?$usage}")
size=${2:-1920x1080}
seconds=${3:-10}
hack=${4:-${STOCK_GLYPH_HACK:-}}
here=$(cd "$(dirname "$0")" && pwd)
[ -n "$hack" ] || { echo "compare.sh: name the stock falling-glyph hack of xscreensaver-gl ($usage)" >&2; exit 2; }
[ -x "$hack" ] || { echo "compare.sh: $hack is missing (apt-get install xscreensaver-gl)" >&2; exit 2; }
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work SDL_AUDIODRIVER=dummy
unset WAYLAND_DISPLAY SDL_VIDEODRIVER XSCREENSAVER_WINDOW
cc -O2 -shared -fPIC -o "$work/swap_counter.so" "$here/swap_counter.c" -ldl || exit 1

Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$work/display" 2>/dev/null &
for _ in $(seq 1 50); do display=$(head -n 1 "$work/display" 2>/dev/null); [ -n "$display" ] && break; sleep 0.1; done
export DISPLAY=:$display
for _ in $(seq 1 100); do xwininfo -root >/dev/null 2>&1 && break; sleep 0.1; done

# count <label> <program and arguments...>: frames per second after a warm-up
count() {
  local label=$1 pid
  shift
  rm -f "$work/count"
  SWAP_COUNTER_FILE=$work/count LD_PRELOAD=$work/swap_counter.so "$@" >/dev/null 2>&1 &
  pid=$!
  sleep $((seconds + 3))
  kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
  # The rate between the report nearest 3 s in and the last one.
  awk -v l="$label" -v s="$size" '
    $2 >= 3 && !start { start = 1; f0 = $1; t0 = $2 }
    { f1 = $1; t1 = $2 }
    END { if (start && t1 > t0) printf "%-44s %s  %6.1f fps\n", l, s, (f1 - f0) / (t1 - t0);
          else printf "%-44s %s  no frames counted\n", l, s }' "$work/count" 2>/dev/null ||
    printf "%-44s %s  no frames counted\n" "$label" "$size"
}

count "stock hack ($(basename "$hack") -root -delay 0)" "$hack" -root -delay 0
count "vexlar3d --root, Background 1 (none)" "$bin" --root --no-music --max-fps 0 --background 1
count "vexlar3d --root, Background 3 (complex)" "$bin" --root --no-music --max-fps 0 --background 3
kill $(jobs -p) 2>/dev/null; wait 2>/dev/null

echo
echo "vexlar3d --bench (headless, each frame waited for):"
"$bin" --bench --size "$size" --seconds "$seconds" --background 1
"$bin" --bench --size "$size" --seconds "$seconds" --background 3
