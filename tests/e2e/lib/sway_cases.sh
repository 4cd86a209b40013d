#!/usr/bin/env bash
# Cases run by sway.sh as an ordinary user (sway refuses root), in a session
# of their own: a headless sway at 1280x720 with Xwayland, whose swayidle
# starts the saver as the README's recipe does. It must start on idle, fill
# the output with the flight, and end on a key (wtype's virtual keyboard) and
# on pointer motion (virtual_pointer), with Xwayland beside it: the pointer
# must be read from Wayland, where the window lives. Then a headless Weston.
set -u
# shellcheck source=common.sh
source "$(dirname "$0")/common.sh"
begin_user_cases "$@"
trap 'swaymsg exit >/dev/null 2>&1; kill $(jobs -p) 2>/dev/null' EXIT
cat >"$work/sway.conf" <<CONF
output HEADLESS-1 resolution 1280x720
xwayland enable
exec swayidle timeout 2 '$bin /s; echo \$? >>$work/codes'
CONF
WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 sway -c "$work/sway.conf" >"$work/sway.log" 2>&1 &
sway_pid=$!
for _ in $(seq 1 100); do
  WAYLAND_DISPLAY=$(basename "$(ls "$XDG_RUNTIME_DIR"/wayland-[0-9] 2>/dev/null | head -n 1)")
  SWAYSOCK=$(ls "$XDG_RUNTIME_DIR"/sway-ipc.*.sock 2>/dev/null | head -n 1)
  [ -n "$SWAYSOCK" ] && [ "$WAYLAND_DISPLAY" != . ] && break
  sleep 0.1
done
export WAYLAND_DISPLAY SWAYSOCK
if ! kill -0 "$sway_pid" 2>/dev/null || [ -z "$SWAYSOCK" ]; then
  tail -n 20 "$work/sway.log"
  fail "headless sway starts"
  echo "$passed passed, $failed failed"
  exit 1
fi

# started <name>: waits up to 15 s for swayidle's saver; sets saver.
started() {
  saver=""
  for _ in $(seq 1 150); do
    saver=$(pgrep -u "$(id -u)" -f "^$bin /s" | head -n 1)
    [ -n "$saver" ] && { ok "$1 (pid $saver)"; return 0; }
    sleep 0.1
  done
  fail "$1"
  return 1
}
# ends <name>: the saver ends within a second (scaled), with 0.
ends() {
  local start=$(date +%s%N) limit=$(($(bound_ms 1000) / 20)) i=0
  while kill -0 "$saver" 2>/dev/null && [ $i -lt $limit ]; do sleep 0.02; i=$((i + 1)); done
  local took=$((($(date +%s%N) - start) / 1000000))
  sleep 0.2
  local code
  code=$(tail -n 1 "$work/codes" 2>/dev/null)
  if ! kill -0 "$saver" 2>/dev/null && [ "$code" = 0 ]; then
    ok "$1 ends the saver with 0 ($took ms)"
  else
    fail "$1 ends the saver with 0 within $(bound_ms 1000) ms (exit ${code:-none}, running: $(kill -0 "$saver" 2>/dev/null && echo yes || echo no))"
    kill "$saver" 2>/dev/null
  fi
}

if started "swayidle starts the saver after 2 s idle"; then
  for _ in $(seq 1 100); do
    swaymsg -t get_tree 2>/dev/null | grep -q '"app_id": "vexlar3d"' && break
    sleep 0.1
  done
  tree=$(swaymsg -t get_tree)
  settle 2
  grim "$work/sway.png"
  size=$(identify -format '%wx%h' "$work/sway.png" 2>/dev/null)
  if echo "$tree" | grep -q '"fullscreen_mode": 1' && [ "$size" = 1280x720 ] && is_green sway; then
    ok "the saver is a full-screen Wayland window and the output shows the flight"
  else
    fail "the saver fills the output with the flight (shot $size, full screen: $(echo "$tree" | grep -c '"fullscreen_mode": 1'))"
  fi
  if pgrep -u "$(id -u)" -x Xwayland >/dev/null; then ok "Xwayland runs beside it"; else fail "Xwayland runs beside it"; fi
  # A keyboard plugged in a second before its key, as a real one would be.
  wtype -s 1000 x -s 300 &
  sleep 1
  ends "a key (wtype)"
  wait $!
fi
if started "after the key, swayidle starts it again on idle"; then
  settle 1
  virtual_pointer 30 40 4 3 &
  sleep 0.5
  ends "pointer motion"
  wait $!
fi
swaymsg exit >/dev/null 2>&1

# A headless Weston has no input seat, where SDL 2.26 crashes while starting:
# without X11 the saver must say so and end with 1.
weston --backend=headless-backend.so --width=640 --height=480 --socket=weston-e2e >"$work/weston.log" 2>&1 &
for _ in $(seq 1 100); do [ -S "$XDG_RUNTIME_DIR/weston-e2e" ] && break; sleep 0.1; done
said=$(WAYLAND_DISPLAY=weston-e2e timeout 20 "$bin" /s 2>&1)
code=$?
[ $code -eq 1 ] && [[ "$said" == *"has no input seat"* ]] && ok "on a seatless Weston it says so and ends with 1" \
  || fail "on a seatless Weston it says so and ends with 1 (exit $code: $said)"
echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
