#!/usr/bin/env bash
# Cases run inside xvfb-run by options.sh.
set -u
# shellcheck source=common.sh
source "$(dirname "$0")/common.sh"
begin_cases "$1"
# shellcheck source=screen.sh
source "$(dirname "$0")/screen.sh"
store="$XDG_CONFIG_HOME/vexlar3d/registry.reg"

# Stored settings the options must leave alone.
mkdir -p "$(dirname "$store")"
cat >"$store" <<'REG'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Microsoft\Screensavers\Vexlar 3D ScreenSaver\Into the Vexlar]
"Background"=dword:00000003
"MusicVolume"=dword:00000050
REG
stored_before=$(md5sum <"$store")

# ---- refused values: exit 2, a message naming the option and what it takes, nothing started
refused() {
  local said=$1
  shift
  out=$(timeout 5 "$bin" "$@" 2>&1 >/dev/null)
  code=$?
  if [ "$code" = 2 ] && grep -qF -- "$said" <<<"$out"; then ok "refused: $*"
  else fail "refused with exit 2 and '$said': $* (exit $code, said '$out')"; fi
}
refused "--volume needs a whole number from 1 to 100, not '0'" --volume 0
refused "-volume needs a whole number from 1 to 100, not '101'" -volume 101
refused "--brightness needs a whole number from 1 to 250" --brightness=x
refused "--streams needs one of few, average, multiple" --streams lots
refused "--background needs one of none, simple, complex" --root --background 0
refused "--mode needs WIDTHxHEIGHTxBITS" --mode 800x600x12
refused "--clock takes no value" --clock=on
refused "--set VexlarStream=9: VexlarStream takes 1 to 3" --render "$work/never" --set VexlarStream=9
refused "Width takes 16 to 16384" --render "$work/never" --set Width=99999999
refused "the frame rate of --render is --frame-rate N" --render "$work/never" --fps 30
refused "--frame-rate needs a frame rate from 1 to 1000, not '0'" --render "$work/never" --frame-rate=0
refused "--delay needs microseconds from 0 to 10000000" --delay -5
refused "--window-id needs a window id in decimal or 0x hexadecimal, not '0xnope'" --window-id 0xnope
refused "-window-id needs a window id" -window-id
refused "unknown option '--frobnicate'" /s --frobnicate
XSCREENSAVER_WINDOW=garbage refused "XSCREENSAVER_WINDOW is not a window id" --root
[ "$(md5sum <"$store")" = "$stored_before" ] && ok "refusals store nothing" || fail "refusals store nothing"

# ---- a display that is named but cannot be reached: one line naming it, exit 1, in every mode
for mode in /s /c "/p 5" "/l 5" --root --window "--no-music"; do
  # shellcheck disable=SC2086
  out=$(DISPLAY=:999 timeout 5 "$bin" $mode 2>&1 >/dev/null)
  code=$?
  if [ "$code" = 1 ] && [ "$(grep -c . <<<"$out")" = 1 ] && grep -q -e ":999" -e "X11 display" <<<"$out"; then
    ok "DISPLAY=:999 $mode: one line and exit 1"
  else
    fail "DISPLAY=:999 $mode: one line and exit 1 (exit $code, said '$out')"
  fi
done
# A window of ours to draw into that does not exist: one line, exit 2.
refused "there is no X11 window 0x7777777 (from --window-id)" --window-id 0x7777777
XSCREENSAVER_WINDOW=0x7777777 refused "there is no X11 window 0x7777777 (from XSCREENSAVER_WINDOW)" --root

# ---- help in every spelling lists every option
for spelling in -h -help --help; do
  help=$("$bin" $spelling 2>&1)
  code=$?
  missing=""
  for option in --root --window-id --window --delay --frame-rate --fps --no-fps --exit-on-mouse-move --clock --pictures --rays \
      --music --volume --streams --high-quality-textures --background --brightness --mode --desktop-mode --visual; do
    grep -q -- "$option" <<<"$help" || missing="$missing $option"
  done
  [ "$code" = 0 ] && [ -z "$missing" ] && ok "$spelling lists every option" \
    || fail "$spelling lists every option (exit $code, missing:$missing)"
done
"$bin" /x >/dev/null 2>&1
[ $? = 255 ] && ok "an unknown /x still ends with 255" || fail "an unknown /x still ends with 255"

# ---- settings options reach the picture and store nothing
render() { "$bin" --render "$work/$1" --frames 1 --size 320x240 --seed 7 --time 12:00:00 "${@:2}" >/dev/null 2>&1; }
render plain && render nosky --background none --no-clock && render nosky1 -background=none -no-clock
if [ -f "$work/plain/frame_00000.png" ] && [ -f "$work/nosky/frame_00000.png" ]; then
  a=$("$convert" "$work/plain/frame_00000.png" -format "%[fx:mean]" info:)
  b=$("$convert" "$work/nosky/frame_00000.png" -format "%[fx:mean]" info:)
  holds "a > 0" "$(awk -v a="$a" -v b="$b" 'BEGIN { print a - b }')" \
    && ok "--background none darkens the frame ($a to $b)" || fail "--background none darkens the frame ($a to $b)"
  same=$(compare -metric AE "$work/nosky/frame_00000.png" "$work/nosky1/frame_00000.png" null: 2>&1)
  [ "$same" = 0 ] && ok "one dash or two give the same frame" || fail "one dash or two give the same frame ($same differ)"
else
  fail "--render with settings options writes frames"
fi
[ "$(md5sum <"$store")" = "$stored_before" ] && ok "settings options store nothing" || fail "settings options store nothing"
# --fps is the counter with --render too (the stored values draw as the
# built-in ones, so only the counter differs); a render with no settings
# stored creates none; counts agree with their nouns
said=$(XDG_CONFIG_HOME=$work/fresh "$bin" --render "$work/fps" --frames 1 --size 320x240 --seed 7 --time 12:00:00 --fps 2>&1)
same=$(compare -metric AE "$work/plain/frame_00000.png" "$work/fps/frame_00000.png" null: 2>&1)
[ "$same" != 0 ] && [ ! -e "$work/fresh" ] && grep -q "rendered 1 frame of .* wrote 1 PNG file to" <<<"$said" \
  && ok "--render --fps draws the counter, says '1 frame' and creates no settings" \
  || fail "--render --fps draws the counter, says '1 frame' and creates no settings ($same differ, said '$said')"
# Without a driver the headless modes say which package to install, and end with 1.
for mode in "--render $work/nodriver --frames 1" "--bench --seconds 0.2"; do
  # shellcheck disable=SC2086
  said=$(LIBGL_DRIVERS_PATH=$work/none "$bin" $mode 2>&1 | grep '^vexlar3d:'; exit "${PIPESTATUS[0]}")
  code=$?
  [ $code = 1 ] && [ "$(grep -c . <<<"$said")" = 1 ] && grep -q "no OpenGL driver found.*package libgl1-mesa-dri" <<<"$said" \
    && ok "${mode%% *} without a driver names the package" || fail "${mode%% *} without a driver names the package (exit $code, '$said')"
done

# ---- /p takes a decimal window number (hexadecimal is window 0: the
# preview's designed end, 255, silently); --window-id takes hexadecimal
open_host_window
if [ -n "$host" ]; then
  hex=$(printf '0x%x' "$host")
  : >"$work/stderr.txt"
  start /p "$hex"
  wait_exit "$pid" 5
  [ "$exit_code" = 255 ] && [ ! -s "$work/stderr.txt" ] && ok "/p $hex ends with 255, silently" \
    || fail "/p $hex ends with 255, silently (exit $exit_code, said '$(cat "$work/stderr.txt")')"
  start /p "$host"
  sleep 2
  kill -0 "$pid" 2>/dev/null && ok "/p $host runs" || fail "/p $host runs (ended with $(wait "$pid"; echo $?))"
  ends_on_term "/p $host"
  start --window-id "$hex" --no-clock --fps --delay 40000
  sleep 3
  kill -0 "$pid" 2>/dev/null && ok "--window-id $hex with options runs" || fail "--window-id $hex with options runs"
  ends_on_term "--window-id $hex"
else
  fail "no window to preview in"
fi
close_host_window

# ---- --window: a window of its own, not full screen, that input does not close
start --window --no-music
win=""
for _ in $(seq 1 100); do
  win=$(xdotool search --onlyvisible --name '^Vexlar 3D$' 2>/dev/null | head -n 1)
  [ -n "$win" ] && break
  sleep 0.1
done
if [ -n "$win" ]; then
  sleep 3
  geometry=$(xdotool getwindowgeometry "$win" | awk '/Geometry/ { print $2 }')
  [ "$geometry" != "1024x768" ] && ok "--window opens a window of its own ($geometry)" \
    || fail "--window opens a window of its own, not full screen ($geometry)"
  xdotool mousemove 10 10 mousemove 600 500 key space
  sleep 0.5
  kill -0 "$pid" 2>/dev/null && ok "--window stays open on input" || fail "--window stays open on input"
  shot own_window
  is_green own_window && ok "--window flies" || fail "--window flies (g $(measure own_window mean.g))"
  ends_on_term "--window"
else
  fail "--window opens a window (stderr: $(cat "$work/stderr.txt" 2>/dev/null))"
fi
# ---- SIGHUP (a terminal closed, a session ended) closes like SIGTERM
start /s --no-music
sleep 3
kill -HUP "$pid"
wait_exit "$pid" 5
[ "$exit_code" = 0 ] && [ "$took_ms" -le "$(bound_ms 500)" ] && ok "/s ends with 0 on SIGHUP (${took_ms} ms)" \
  || fail "/s ends with 0 within half a second on SIGHUP (exit $exit_code, ${took_ms:-?} ms)"

# ---- --bench: each size in turn, with the fill bound, a settings option laid over
"$bin" --bench --size 96x64 --size 64x48 --seconds 0.3 --background 1 >"$work/bench.txt" 2>"$work/bench_err.txt"
code=$?
[ $code = 0 ] && [ "$(grep -c '^vexlar3d: bench .*Background 1' "$work/bench.txt")" = 2 ] &&
  [ "$(grep -c 'fill bound (.*ms a frame; ratio of the mean frame time to it [0-9]' "$work/bench.txt")" = 2 ] &&
  [ "$(grep -c 'first frame presented' "$work/bench.txt")" = 1 ] &&
  ok "--bench times each size and its fill bound" ||
  fail "--bench times each size and its fill bound (exit $code: $(head -c 600 "$work/bench.txt" "$work/bench_err.txt"))"
# (Under AddressSanitizer, whose shadow memory alone exceeds the limit, not run.)
if ! grep -qa __asan_init "$bin"; then
  said=$(ulimit -v 1500000; "$bin" --bench --size 8192x8192 --seconds 1 2>&1)
  code=$?
  [ $code = 1 ] && grep -q "cannot bench 8192x8192: it needs about" <<<"$said" \
    && ok "--bench refuses a size beyond the memory there is" \
    || fail "--bench refuses a size beyond the memory there is (exit $code, said '$said')"
fi

[ "$(md5sum <"$store")" = "$stored_before" ] && ok "running with options stores nothing" \
  || fail "running with options stores nothing"

echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
