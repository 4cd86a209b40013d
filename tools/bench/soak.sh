#!/usr/bin/env bash
# Runs the saver full screen under a virtual X server for a long time and
# prints its resident size once a minute, to show that memory stays flat.
# Not part of the test suite. Usage: soak.sh path/to/vexlar3d [minutes] [WxH]
set -u
bin=${1:?usage: soak.sh path/to/vexlar3d [minutes] [WxH]}
minutes=${2:-30}
size=${3:-640x480}
work=$(mktemp -d)
pid=""
# The saver first, so that it does not outlive its X server.
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work SDL_AUDIODRIVER=dummy
unset WAYLAND_DISPLAY SDL_VIDEODRIVER XSCREENSAVER_WINDOW
Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$work/display" 2>/dev/null &
for _ in $(seq 1 50); do display=$(head -n 1 "$work/display" 2>/dev/null); [ -n "$display" ] && break; sleep 0.1; done
export DISPLAY=:$display
"$bin" /s &
pid=$!
rss() { awk '/^VmRSS/ { print $2 }' "/proc/$pid/status"; }
ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
hz=$(getconf CLK_TCK)
echo "minute  resident (kB)  growth since minute 1 (kB)  CPU in the last minute"
first=""
last_ticks=$(ticks)
for minute in $(seq 0 "$minutes"); do
  [ "$minute" -gt 0 ] && sleep 60
  kill -0 "$pid" 2>/dev/null || { echo "the saver ended"; exit 1; }
  now=$(rss)
  [ "$minute" -eq 1 ] && first=$now
  t=$(ticks)
  awk -v m="$minute" -v r="$now" -v f="${first:-$now}" -v t=$((t - last_ticks)) -v hz="$hz" \
    'BEGIN { printf "%6d  %13d  %26d  %5.1f %%\n", m, r, r - f, m ? 100 * t / hz / 60 : 0 }'
  last_ticks=$t
done
