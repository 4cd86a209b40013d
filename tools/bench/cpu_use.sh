#!/usr/bin/env bash
# Prints the CPU use of the saver under a virtual X server: /s at 640x480 and
# 1280x720 and the still preview (/p), each measured over a few seconds after
# a warm-up, as a share of one core. Usage: cpu_use.sh path/to/vexlar3d [seconds]
set -u
bin=${1:?usage: cpu_use.sh path/to/vexlar3d [seconds]}
seconds=${2:-10}
ticks=$(getconf CLK_TCK)
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work SDL_AUDIODRIVER=dummy
unset WAYLAND_DISPLAY SDL_VIDEODRIVER XSCREENSAVER_WINDOW

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0; }

# measure <label> <size> <saver arguments...>
measure() {
  local label=$1 size=$2 display pid before after host
  shift 2
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$work/display" 2>/dev/null &
  local xvfb=$!
  for _ in $(seq 1 50); do display=$(head -n 1 "$work/display" 2>/dev/null); [ -n "$display" ] && break; sleep 0.1; done
  export DISPLAY=:$display
  if [ "$1" = /p ]; then
    xlogo -geometry 160x120+0+0 2>/dev/null &
    sleep 1
    host=$(xdotool search --onlyvisible --class xlogo | head -n 1)
    set -- /p "$host"
  fi
  "$bin" "$@" 2>/dev/null &
  pid=$!
  sleep 3
  before=$(cpu_ticks "$pid")
  sleep "$seconds"
  after=$(cpu_ticks "$pid")
  awk -v l="$label" -v t=$((after - before)) -v hz="$ticks" -v s="$seconds" \
    'BEGIN { printf "%-28s %5.1f %% of a core\n", l, 100 * t / hz / s }'
  kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
  kill $(jobs -p) 2>/dev/null; wait 2>/dev/null
}

measure "/s at 640x480" 640x480 /s --no-music
measure "/s at 1280x720" 1280x720 /s --no-music
measure "/s at 1280x720, 60 a second" 1280x720 /s --no-music --max-fps 60
measure "/p (still preview)" 640x480 /p
