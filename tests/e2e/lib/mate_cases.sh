#!/usr/bin/env bash
# Cases run by mate_screensaver.sh as an ordinary user, in a session of their
# own: MATE's screen-saver daemon and its preferences, with a session bus and
# the settings store, on an Xvfb at 1280x720, our theme chosen with gsettings.
# The saver (music on) must fill the screen when the daemon is activated,
# play the music there, end within half a second of a deactivation, and show
# the flight silently in the preferences' preview.
set -u
# shellcheck source=common.sh
source "$(dirname "$0")/common.sh"
begin_user_cases "$@" '"Music"=dword:00000002'
trap 'kill $(jobs -p) 2>/dev/null' EXIT
mkdir -p "$work/share/applications/screensavers"
cp "$(dirname "$bin")/../bin/vexlar3d.desktop" "$work/share/applications/screensavers/"
export XDG_DATA_DIRS=$work/share:/usr/share NO_AT_BRIDGE=1

Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x720x24 3>"$work/display" 2>/dev/null &
for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(head -n 1 "$work/display")
dbus-daemon --session --nofork --nosyslog --print-address=3 3>"$work/bus" 2>/dev/null &
for _ in $(seq 1 100); do [ -s "$work/bus" ] && break; sleep 0.1; done
DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus")
export DBUS_SESSION_BUS_ADDRESS
wait_for_display "$DISPLAY"
gsettings set org.mate.screensaver mode single
gsettings set org.mate.screensaver themes "['screensavers-vexlar3d']"
gsettings set org.mate.screensaver lock-enabled false
gsettings set org.mate.screensaver idle-activation-enabled false

# The daemon passes its savers neither $XDG_RUNTIME_DIR nor $XDG_CONFIG_HOME:
# the settings are also where they are by default, and the music lock is
# wherever the saver's environment puts it.
mkdir -p "$HOME/.config"
cp -r "$XDG_CONFIG_HOME/vexlar3d" "$HOME/.config/"
music_holder() {
  local lock
  for lock in "$XDG_RUNTIME_DIR" "/run/user/$(id -u)" /tmp; do
    lock=$lock/vexlar3d-music.lock
    [ "$lock" = /tmp/vexlar3d-music.lock ] && lock=/tmp/vexlar3d-music-$(id -u).lock
    awk -v inode="$(stat -c %i "$lock" 2>/dev/null)" \
      '$2 == "FLOCK" { split($6, id, ":"); if (id[3] == inode) print $5 }' /proc/locks
  done
}
# saver_started <name>: waits up to 10 s for a copy of ours; sets saver.
saver_started() {
  saver=""
  for _ in $(seq 1 100); do
    saver=$(pgrep -u "$(id -u)" -f '^vexlar3d --root' | head -n 1)
    [ -n "$saver" ] && return 0
    sleep 0.1
  done
  fail "$1 (no vexlar3d --root started)"
  return 1
}

mate-screensaver --no-daemon >"$work/mate.log" 2>&1 &
for _ in $(seq 1 100); do mate-screensaver-command --query >/dev/null 2>&1 && break; sleep 0.1; done
mate-screensaver-command --activate >/dev/null
if saver_started "--activate starts our saver"; then
  ok "--activate starts our saver from $(readlink "/proc/$saver/exe")"
  settle 3
  shot mate
  holder=$(music_holder)
  is_green mate && ok "the flight fills the screen" || fail "the flight fills the screen"
  [ "$holder" = "$saver" ] && ok "the full-screen saver plays the music" \
    || fail "the full-screen saver plays the music (the lock is held by '$holder')"
  start_ns=$(date +%s%N)
  mate-screensaver-command --deactivate >/dev/null
  while kill -0 "$saver" 2>/dev/null && [ $((($(date +%s%N) - start_ns) / 1000000)) -lt $(($(bound_ms 500) + 1000)) ]; do
    sleep 0.02
  done
  took=$((($(date +%s%N) - start_ns) / 1000000))
  ! kill -0 "$saver" 2>/dev/null && [ "$took" -le "$(bound_ms 500)" ] && ok "--deactivate ends it ($took ms)" \
    || fail "--deactivate ends it within $(bound_ms 500) ms (running after $took ms)"
fi
kill %mate-screensaver 2>/dev/null

mate-screensaver-preferences >"$work/preferences.log" 2>&1 &
if saver_started "the preferences' preview starts our saver"; then
  settle 3
  geometry=$(xwininfo -id "$(tr '\0' '\n' <"/proc/$saver/environ" | sed -n 's/^XSCREENSAVER_WINDOW=//p')" |
    awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF } /Width/ { w = $NF } /Height/ { h = $NF }
         END { print w "x" h "+" x "+" y }')
  shot preview "$geometry"
  holder=$(music_holder)
  is_green preview && [ -z "$holder" ] && ok "the preview ($geometry) shows the flight and plays no music" \
    || fail "the preview ($geometry) shows the flight and plays no music (the lock is held by '$holder')"
fi
echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
