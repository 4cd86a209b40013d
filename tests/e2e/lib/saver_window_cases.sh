#!/usr/bin/env bash
# Cases run inside xvfb-run by saver_window.sh. Prints one line per case and
# a closing "N passed, N failed" line; exits non-zero on any failure.
set -u
bin=$1
passed=0
failed=0
export XDG_CONFIG_HOME=$(mktemp -d)
export XDG_RUNTIME_DIR=$XDG_CONFIG_HOME
export SDL_AUDIODRIVER=dummy
unset WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS
trap 'rm -rf "$XDG_CONFIG_HOME"' EXIT

# shellcheck source=common.sh
source "$(dirname "$0")/common.sh"


saver_windows() { xdotool search --classname '^vexlar3d$' 2>/dev/null | wc -l; }

# Starts "vexlar3d /s" and waits until its window is mapped and settled
# (without a window manager, going full screen maps the window twice).
start_saver() {
  "$bin" /s &
  saver_pid=$!
  for _ in $(seq 1 150); do
    if xdotool search --onlyvisible --classname '^vexlar3d$' >/dev/null 2>&1; then
      sleep 1
      return 0
    fi
    sleep 0.1
  done
  echo "no saver window; windows now: $(xdotool search --classname . 2>/dev/null | tr '\n' ' ')"
  return 1
}

expect_exit() {  # name, pid, expected code
  wait_exit "$2" 10
  if [ "$exit_code" = "$3" ]; then ok "$1"; else fail "$1 (exit $exit_code, expected $3)"; fi
}

# Unusable switches end with 255 and open no window.
"$bin" /x; code=$?
[ $code -eq 255 ] && [ "$(saver_windows)" -eq 0 ] && ok "/x ends with 255" || fail "/x ends with 255 (got $code)"
"$bin" /p 0; code=$?
[ $code -eq 255 ] && [ "$(saver_windows)" -eq 0 ] && ok "/p 0 ends with 255" || fail "/p 0 ends with 255 (got $code)"
"$bin" /p 12345x; code=$?
[ $code -eq 255 ] && ok "/p with a missing window ends with 255" || fail "/p with a missing window (got $code)"

# A key press closes the full-screen saver.
xdotool mousemove 500 400
if start_saver; then
  size=$(xwininfo -id "$(xdotool search --onlyvisible --classname '^vexlar3d$' | head -n 1)" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w "x" h}')
  [ "$size" = "1024x768" ] && ok "window covers the screen" || fail "window covers the screen ($size)"
  xdotool key space
  expect_exit "/s ends with 0 after a key press" "$saver_pid" 0
else
  fail "saver window did not appear"; kill "$saver_pid" 2>/dev/null
fi

# A click closes it.
if start_saver; then
  xdotool click 1
  expect_exit "/s ends with 0 after a click" "$saver_pid" 0
else
  fail "saver window did not appear (click)"; kill "$saver_pid" 2>/dev/null
fi

# A jitter of 3 + 1 pixels does not close it; a real move does. The saver
# swallows its first 18 mouse moves: they are spent first, with moves that
# end where they began.
if start_saver; then
  for _ in $(seq 1 10); do
    xdotool mousemove_relative -- 1 0; sleep 0.05
    xdotool mousemove_relative -- -1 0; sleep 0.05
  done
  xdotool mousemove_relative -- 3 1
  sleep 0.5
  if kill -0 "$saver_pid" 2>/dev/null; then ok "a 4-pixel jitter keeps the saver"; else fail "a 4-pixel jitter keeps the saver"; fi
  xdotool mousemove_relative -- 40 30
  expect_exit "/s ends with 0 after a mouse move" "$saver_pid" 0
else
  fail "saver window did not appear (mouse)"; kill "$saver_pid" 2>/dev/null
fi

# A second full-screen start leaves the first one running and ends with 0.
if start_saver; then
  first=$saver_pid
  "$bin" /s & second=$!
  expect_exit "a second /s ends with 0" "$second" 0
  if kill -0 "$first" 2>/dev/null && [ "$(saver_windows)" -eq 1 ]; then ok "the first saver keeps running alone"; else fail "the first saver keeps running alone"; fi
  kill -TERM "$first"
  expect_exit "/s ends with 0 on SIGTERM" "$first" 0
else
  fail "saver window did not appear (second start)"; kill "$saver_pid" 2>/dev/null
fi

# xscreensaver's embedding: draws into the given window, ignores input, ends on SIGTERM.
root=$(xwininfo -root | awk '/Window id:/{print $4}')
"$bin" -window-id "$root" & pid=$!
sleep 1
xdotool key space
sleep 0.3
if kill -0 "$pid" 2>/dev/null; then ok "-window-id keeps running on input"; else fail "-window-id keeps running on input"; fi
kill -TERM "$pid"
expect_exit "-window-id ends with 0 on SIGTERM" "$pid" 0

echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
