#!/usr/bin/env bash
# Shared by the end-to-end cases: counting results and waiting for a process.
# Source it after setting passed=0 and failed=0.

ok() { echo "ok: $1"; passed=$((passed + 1)); }
fail() { echo "FAIL: $1"; failed=$((failed + 1)); }

# The bounds on time are the idle machine's; a slower build (the sanitizer run
# sets VEXLAR_E2E_TIME_SCALE) has them, and wait_exit's limit, scaled.
bound_ms() { echo $(($1 * ${VEXLAR_E2E_TIME_SCALE:-1})); }
# settle <seconds>: waits that long (scaled) for a saver to get going.
settle() { sleep $(($1 * ${VEXLAR_E2E_TIME_SCALE:-1})); }

# Waits up to $2 seconds (scaled) for process $1; sets exit_code (or
# "timeout", after killing it) and took_ms.
wait_exit() {
  local pid=$1 limit=$(($2 * ${VEXLAR_E2E_TIME_SCALE:-1})) start i=0
  start=$(date +%s%N)
  while kill -0 "$pid" 2>/dev/null; do
    sleep 0.02
    i=$((i + 1))
    if [ $i -ge $((limit * 50)) ]; then
      kill -9 "$pid" 2>/dev/null
      wait "$pid" 2>/dev/null
      exit_code=timeout
      return
    fi
  done
  wait "$pid"
  exit_code=$?
  took_ms=$((($(date +%s%N) - start) / 1000000))
}

# leaked <session>: how many processes are left in the session (read from /proc).
leaked() {
  local session=$1 count=0 stat fields sid
  for stat in /proc/[0-9]*/stat; do
    fields=$(cat "$stat" 2>/dev/null) || continue
    fields=${fields##*) }  # after the command name: state, parent, group, session, ...
    read -r _ _ _ sid _ <<<"$fields"
    [ "$sid" = "$session" ] && count=$((count + 1))
  done
  echo "$count"
}

# A case file's start: bin from $1, the counters, a scratch folder ($work)
# for the settings and the run-time locks, no audio device, none of the
# caller's display choices, no session bus (as over ssh or in a bare X
# session, where a D-Bus client may start one that outlives the saver),
# ImageMagick's convert; at exit every job left is ended and the folder
# removed (a case file may set its own trap after).
begin_cases() {
  bin=$1
  passed=0
  failed=0
  work=$(mktemp -d)
  export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work SDL_AUDIODRIVER=dummy
  unset WAYLAND_DISPLAY SDL_VIDEODRIVER XSCREENSAVER_WINDOW DBUS_SESSION_BUS_ADDRESS
  trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
  convert=/usr/bin/convert
  [ -x "$convert" ] || convert=convert
}

# begin_user_cases BIN WORK ["Name"=dword:N...]: the start of a case file
# that as_user.sh runs: bin, work, the counters, screen.sh's helpers, a home,
# settings and runtime folder under work, no audio device, none of the
# caller's display choices, and stored settings of code over black
# (Background 1) with the values given.
begin_user_cases() {
  bin=$1 work=$2 passed=0 failed=0 convert=convert
  shift 2
  # shellcheck source=screen.sh
  source "$(dirname "${BASH_SOURCE[0]}")/screen.sh"
  mkdir -p "$work/home" "$work/config/vexlar3d" "$work/runtime"
  chmod 700 "$work/runtime"
  export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime SDL_AUDIODRIVER=dummy
  unset DISPLAY WAYLAND_DISPLAY SDL_VIDEODRIVER XSCREENSAVER_WINDOW
  printf '%s\n' 'Windows Registry Editor Version 5.00' '' \
    '[HKEY_CURRENT_USER\Software\Microsoft\Screensavers\Vexlar 3D ScreenSaver\Into the Vexlar]' \
    '"Background"=dword:00000001' "$@" >"$XDG_CONFIG_HOME/vexlar3d/registry.reg"
}

# Waits up to 10 s until the X server named by $1 answers a client: a server
# announces its number before a loaded machine has it taking connections.
wait_for_display() {
  for _ in $(seq 1 100); do
    DISPLAY=$1 xwininfo -root >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}
