#!/usr/bin/env bash
# Cases run inside xvfb-run by saver_run.sh. Prints one line per case and a
# closing "N passed, N failed" line; exits non-zero on any failure.
# Screenshots are kept in $VEXLAR_E2E_SHOTS when it names a folder.
set -u
# shellcheck source=common.sh
source "$(dirname "$0")/common.sh"
begin_cases "$1"
preview_bmp=$2
compare=/usr/bin/compare
[ -x "$compare" ] || compare=compare

# Stored settings: music on (played through SDL's dummy audio), the sky box
# off so that the code rain falls over black, the clock on.
mkdir -p "$XDG_CONFIG_HOME/vexlar3d"
cat >"$XDG_CONFIG_HOME/vexlar3d/registry.reg" <<'REG'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Microsoft\Screensavers\Vexlar 3D ScreenSaver\Into the Vexlar]
"Music"=dword:00000002
"ShowTime"=dword:00000002
"Background"=dword:00000001
REG

# shellcheck source=screen.sh
source "$(dirname "$0")/screen.sh"

# Sets at to "+X+Y", where the saver's own window inside the host window
# begins on the screen (the host window has a border).
find_saver_child() {
  at=""
  for _ in $(seq 1 50); do
    at=$(xwininfo -root -tree | awk '/"Preview"/ { print $NF; exit }')
    [ -n "$at" ] && return 0
    sleep 0.1
  done
  at="+40+30"
}

# ---- full screen: green code over black, the clock at the bottom right, a key ends it
xdotool mousemove 500 400
start /s
for _ in $(seq 1 150); do
  xdotool search --onlyvisible --classname '^vexlar3d$' >/dev/null 2>&1 && break
  sleep 0.1
done
sleep 4
if kill -0 "$pid" 2>/dev/null; then
  shot fullscreen
  shot clock 230x64+790+700
  shot top_left 230x64+0+0
  is_green fullscreen && ok "/s shows green code" \
    || fail "/s shows green code (r $(measure fullscreen mean.r), g $(measure fullscreen mean.g), b $(measure fullscreen mean.b))"
  d=$(dark fullscreen)
  holds "a > 0.3" "$d" && ok "/s draws over black ($d dark)" || fail "/s draws over black (only $d dark)"
  # The clock's digits are white: much red in them, little anywhere in the rain.
  c=$(share clock R 70); t=$(share top_left R 70)
  awk -v c="$c" -v t="$t" 'BEGIN { exit !(c > 0.05 && c > 4 * t) }' && ok "/s shows the clock at the bottom right" \
    || fail "/s shows the clock at the bottom right (white share $c there, $t at the top left)"
  xdotool key space
  wait_exit "$pid" 10
  left=$(leaked "$pid")
  [ "$exit_code" = 0 ] && [ "$left" -eq 0 ] && ok "/s ends with 0 on a key" \
    || fail "/s ends with 0 on a key, leaving nothing (exit $exit_code, $left left)"
else
  fail "/s keeps running (stderr: $(cat "$work/stderr.txt"))"
fi

# Full screen again, ended by SIGTERM.
start /s
sleep 3
ends_on_term "/s"

# ---- /p: the preview picture at the top-left corner of the given window
open_host_window
if [ -n "$host" ]; then
  start /p "$host"
  find_saver_child
  sleep 2
  shot preview "320x240$at"
  "$convert" "$work/preview.png" -crop 155x115+0+0 +repage "$work/preview_picture.png"
  "$convert" "$preview_bmp" "$work/preview_expected.png"
  diff=$("$compare" -metric AE "$work/preview_picture.png" "$work/preview_expected.png" null: 2>&1)
  [ "$diff" = 0 ] && ok "/p shows the preview picture at the top-left corner" \
    || fail "/p shows the preview picture at the top-left corner ($diff pixels differ)"
  "$convert" "$work/preview.png" -crop 165x240+155+0 +repage "$work/preview_rest.png"
  r=$(measure preview_rest maxima.r); g=$(measure preview_rest maxima.g)
  [ "$r" = 0 ] && [ "$g" = 0 ] && ok "/p leaves the rest of the window black" \
    || fail "/p leaves the rest of the window black (max r $r, g $g)"
  sleep 1
  shot preview_later "320x240$at"
  same=$("$compare" -metric AE "$work/preview.png" "$work/preview_later.png" null: 2>&1)
  [ "$same" = 0 ] && ok "/p shows a still picture" || fail "/p shows a still picture ($same pixels changed)"
  ends_on_term "/p"
else
  fail "no window to preview in (xlogo $(kill -0 "$host_pid" 2>/dev/null && echo running || echo gone))"
fi
close_host_window

# ---- -window-id: the flight inside the given window, following its size
open_host_window
if [ -n "$host" ]; then
  start -window-id "$host"
  find_saver_child
  sleep 3
  shot embedded "320x240$at"
  is_green embedded && ok "-window-id flies inside the window" \
    || fail "-window-id flies inside the window (g $(measure embedded mean.g))"
  shot outside 300x200+400+300
  [ "$(measure outside maxima.g)" = 0 ] && ok "-window-id draws only inside the window" \
    || fail "-window-id draws only inside the window"
  # Grown, the frame fills the window: its clock moves to the new corner.
  x=$(echo "$at" | cut -d+ -f2); y=$(echo "$at" | cut -d+ -f3)
  xdotool windowsize "$host" 480 360
  sleep 3
  shot grown_clock "200x40+$((x + 280))+$((y + 320))"
  shot grown_old_clock "200x40+$((x + 120))+$((y + 200))"
  c=$(share grown_clock R 70); o=$(share grown_old_clock R 70)
  awk -v c="$c" -v o="$o" 'BEGIN { exit !(c > 0.02 && c > 4 * o) }' \
    && ok "-window-id follows the window when it grows" \
    || fail "-window-id follows the window when it grows (clock's white share $c at the new corner, $o at the old)"
  xdotool key space
  sleep 0.3
  kill -0 "$pid" 2>/dev/null && ok "-window-id ignores input" || fail "-window-id ignores input"
  ends_on_term "-window-id"
else
  fail "no window to fly in (xlogo $(kill -0 "$host_pid" 2>/dev/null && echo running || echo gone); windows: $(xdotool search --name . 2>/dev/null | tr '\n' ' '))"
fi
close_host_window

# ---- -root: the flight over the whole screen
start -root
sleep 3
shot root
is_green root && ok "-root flies on the root window" || fail "-root flies on the root window"
ends_on_term "-root"

echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
