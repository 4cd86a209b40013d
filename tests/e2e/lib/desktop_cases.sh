#!/usr/bin/env bash
# Cases run by desktop.sh. Prints one line per case and a closing
# "N passed, N failed" line; exits non-zero on any failure.
set -u
# shellcheck source=common.sh
source "$(dirname "$0")/common.sh"
begin_cases "$1"
servers=()
trap 'kill $(jobs -p) "${servers[@]}" 2>/dev/null; rm -rf "$work"' EXIT
# shellcheck source=screen.sh
source "$(dirname "$0")/screen.sh"

# server <program> <arguments...>: an X server on a free display, which it
# picks itself; sets DISPLAY and server_pid.
server() {
  local program=$1 n=""
  shift
  : >"$work/displayfd"
  "$program" -displayfd 3 -nolisten tcp "$@" 3>"$work/displayfd" 2>>"$work/servers.log" &
  server_pid=$!
  servers+=("$server_pid")
  for _ in $(seq 1 300); do
    n=$(head -n 1 "$work/displayfd")
    [ -n "$n" ] && break
    sleep 0.1
  done
  [ -n "$n" ] && wait_for_display ":$n" || { echo "FAIL: $program did not start"; exit 1; }
  export DISPLAY=:$n
}
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0; }

server Xvfb -screen 0 800x600x24

# ---- the window it draws into is destroyed: an orderly end, in time, silently
for mode in /p /l --window-id; do
  open_host_window
  if [ -z "$host" ]; then fail "$mode: no window to draw into"; continue; fi
  : >"$work/stderr.txt"
  start "$mode" "$host"
  # On a loaded machine start-up may take a while: the case begins once the
  # saver's window is inside the host, and its first frames are drawn.
  for _ in $(seq 1 100); do
    xwininfo -children -id "$host" 2>/dev/null | grep -q '^ *[1-9][0-9]* child' && break
    sleep 0.1
  done
  sleep 1
  kill "$host_pid"
  wait_exit "$pid" 5
  left=$(leaked "$pid")
  if [ "$exit_code" = 0 ] && [ "$took_ms" -le "$(bound_ms 500)" ] && [ ! -s "$work/stderr.txt" ] && [ "$left" -eq 0 ]; then
    ok "$mode ends with 0 when its window is destroyed (${took_ms} ms)"
  else
    fail "$mode ends with 0 within 500 ms, silently, leaving nothing, when its window is destroyed (exit $exit_code, ${took_ms:-?} ms, $left left, said '$(cat "$work/stderr.txt")')"
  fi
  wait "$host_pid" 2>/dev/null
done

# ---- nothing is drawn while the window is unmapped; mapped again, it flies on
open_host_window
start --window-id "$host"
sleep 3
xdotool windowunmap "$host"
sleep 1
a=$(cpu_ticks "$pid"); sleep 3; b=$(cpu_ticks "$pid")
hidden=$((b - a))
xdotool windowmap "$host"
sleep 1
a=$(cpu_ticks "$pid"); sleep 2; b=$(cpu_ticks "$pid")
shown=$((b - a))
# Ticks are hundredths of a second: 3 s unmapped may take at most 1 % of a core.
holds "a <= 3" "$hidden" && ok "unmapped, its CPU time stands still ($hidden ticks in 3 s)" \
  || fail "unmapped, its CPU time stands still ($hidden ticks in 3 s)"
holds "a >= 5" "$shown" && ok "mapped again, it draws again ($shown ticks in 2 s)" \
  || fail "mapped again, it draws again ($shown ticks in 2 s)"
ends_on_term "--window-id, after being unmapped"
close_host_window

# ---- stopped inside another program's window (SIGSTOP at ten moments), it
# never holds the display: another client is answered within a second
open_host_window
start --window-id "$host"
sleep 2
frozen=0
for _ in $(seq 1 10); do
  sleep "$(awk -v r="$RANDOM" 'BEGIN { printf "%.3f", 0.05 + r / 32768 * 0.3 }')"
  kill -STOP "$pid"
  sleep 0.05
  timeout 1 xwininfo -root >/dev/null 2>&1 || frozen=$((frozen + 1))
  kill -CONT "$pid"
done
[ "$frozen" -eq 0 ] && ok "stopped at ten moments, it never holds the display" \
  || fail "stopped at ten moments, it never holds the display ($frozen froze it)"
ends_on_term "--window-id, stopped and continued"

# ---- a host's window much smaller than the screen is a preview, which never
# sings; of two full-screen copies with music, the other plays on when the one
# playing is killed
music_holder() {
  awk -v inode="$(stat -c %i "$XDG_RUNTIME_DIR/vexlar3d-music.lock" 2>/dev/null)" \
    '$2 == "FLOCK" { split($6, id, ":"); if (id[3] == inode) print $5 }' /proc/locks
}
XSCREENSAVER_WINDOW=$host start --root --music
sleep 2
holder=$(music_holder)
[ -z "$holder" ] && ok "a preview in a host's 320x240 window plays no music" \
  || fail "a preview in a host's 320x240 window plays no music (the lock is held by $holder)"
ends_on_term "the preview in a host's window"
start --root --music
first=$pid
sleep 2
start --root --music
sleep 2
before=$(music_holder)
kill -9 "$first"
wait "$first" 2>/dev/null
sleep 3  # the other copy asks every two seconds
after=$(music_holder)
[ "$before" = "$first" ] && [ "$after" = "$pid" ] && ok "the music is taken over when its copy is killed" \
  || fail "the music is taken over when its copy is killed (held by '$before', then '$after'; copies $first, $pid)"
ends_on_term "the copy that took the music over"
close_host_window

# ---- the X server goes away under /s: exit 1 with one line, no abort
: >"$work/stderr.txt"
start /s --no-music
sleep 3
kill "$server_pid"
wait_exit "$pid" 5
said=$(cat "$work/stderr.txt")
if [ "$exit_code" = 1 ] && [ "$(grep -c . <<<"$said")" -eq 1 ] && grep -q "X display" <<<"$said"; then
  ok "/s ends with 1 and one line when the X server goes away"
else
  fail "/s ends with 1 and one line when the X server goes away (exit $exit_code, said '$said')"
fi

# ---- two monitors side by side: one window covers both, one flight
server Xvfb -screen 0 1400x600x24
outer=$DISPLAY
server Xephyr +xinerama -screen 640x480 -screen 640x480
sleep 1
start /s --no-music --exit-on-mouse-move
sleep 4
if kill -0 "$pid" 2>/dev/null; then
  shot both
  "$convert" "$work/both.png" -crop 640x480+0+0 +repage "$work/left.png"
  "$convert" "$work/both.png" -crop 640x480+640+0 +repage "$work/right.png"
  is_green left && ok "the left monitor shows the flight" || fail "the left monitor shows the flight"
  is_green right && ok "the right monitor shows the flight" || fail "the right monitor shows the flight"
  # The close rules hold on both: the mouse crossing between them ends it
  # (after the first few moves, which the saver lets pass).
  for x in $(seq 300 20 900); do xdotool mousemove "$x" 200; sleep 0.02; done
  wait_exit "$pid" 5
  [ "$exit_code" = 0 ] && ok "moving the mouse across ends it" || fail "moving the mouse across ends it (exit $exit_code)"
else
  fail "/s runs on two monitors (said '$(cat "$work/stderr.txt")')"
fi
unset outer

# ---- no OpenGL on the display: one line says so; in a host's window the run
# ends with 1 at once, full screen the black window waits for a key
server Xvfb -screen 0 640x480x24 -extension GLX
open_host_window
: >"$work/stderr.txt"
began=$(date +%s%N)
XSCREENSAVER_WINDOW=$host start --root
wait_exit "$pid" 5
ms=$((($(date +%s%N) - began) / 1000000))
said=$(cat "$work/stderr.txt")
[ "$exit_code" = 1 ] && [ "$ms" -le 3000 ] && [ "$(grep -c . <<<"$said")" -eq 1 ] && grep -q OpenGL <<<"$said" \
  && ok "--root without OpenGL ends with 1 and one line (${ms} ms)" \
  || fail "--root without OpenGL ends with 1 and one line, soon (exit $exit_code, ${ms} ms, said '$said')"
close_host_window
: >"$work/stderr.txt"
start /s --no-music
sleep 2
said=$(cat "$work/stderr.txt")
kill -0 "$pid" 2>/dev/null && grep -q OpenGL <<<"$said" && ok "/s without OpenGL says so and stays" \
  || fail "/s without OpenGL says so and stays (said '$said')"
xdotool key space
wait_exit "$pid" 5
[ "$exit_code" = 1 ] && ok "/s without OpenGL ends on a key, with 1" || fail "/s without OpenGL ends on a key, with 1 (exit $exit_code)"

echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
