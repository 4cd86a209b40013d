#!/usr/bin/env bash
# Cases run inside xvfb-run by device_window.sh. Prints one line per case and
# a closing "N passed, N failed" line; exits non-zero on any failure.
set -u
probe=$1
passed=0
failed=0
export XDG_RUNTIME_DIR=$(mktemp -d)
export SDL_AUDIODRIVER=dummy
unset WAYLAND_DISPLAY SDL_VIDEODRIVER DBUS_SESSION_BUS_ADDRESS
trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT

# shellcheck source=common.sh
source "$(dirname "$0")/common.sh"

# The colours of the screen at the given points, as "r,g,b" words.
pixels() {
  local format=""
  for point in "$@"; do format="$format%[pixel:p{$point}] "; done
  xwd -root -silent | convert xwd:- -format "$format" info:- | sed 's/s\?rgba\?(\([0-9]*,[0-9]*,[0-9]*\)[^)]*)/\1/g'
}

# Starts the probe with the given arguments and waits until it has presented.
start_probe() {
  out=$(mktemp)
  "$probe" "$@" >"$out" 2>&1 &
  probe_pid=$!
  for _ in $(seq 1 100); do
    if grep -q presented "$out"; then sleep 0.5; return 0; fi
    if ! kill -0 "$probe_pid" 2>/dev/null; then break; fi
    sleep 0.1
  done
  echo "probe did not present: $(cat "$out")"
  return 1
}

stop_probe() {
  kill "$probe_pid" 2>/dev/null
  wait "$probe_pid" 2>/dev/null
  rm -f "$out"
}

# Full screen, 640 x 480 x 32 scaled to the 800 x 600 screen.
if start_probe --color 20C040 --seconds 20; then
  got=$(pixels 400,300 2,2 797,597)
  [ "$got" = "32,192,64 32,192,64 32,192,64 " ] && ok "full-screen flip shows the cleared colour" \
    || fail "full-screen flip shows the cleared colour (got $got)"
else
  fail "full-screen probe"
fi
stop_probe

# Full screen at 16 bits: the colour as 565 stores it (F0 80 40 -> F7 82 42).
if start_probe --bits 16 --color F08040 --seconds 20; then
  got=$(pixels 400,300)
  [ "$got" = "247,130,66 " ] && ok "a 16-bit mode renders in 565" || fail "a 16-bit mode renders in 565 (got $got)"
else
  fail "16-bit probe"
fi
stop_probe

# Windowed: the back buffer blitted into a 200 x 150 window at (100, 80).
if start_probe --windowed 100 80 200 150 --color 3060A0 --seconds 20; then
  got=$(pixels 100,80 299,229 200,150 300,150 200,231)
  inside="48,96,160 48,96,160 48,96,160"
  case "$got" in
    "$inside "*) ;;
    *) fail "windowed blit fills the client area (got $got)"; got="" ;;
  esac
  if [ -n "$got" ]; then
    outside=${got#"$inside "}
    [[ "$outside" != *"48,96,160"* ]] && ok "windowed blit fills exactly the client area" \
      || fail "windowed blit stays inside the window (got $got)"
  fi
else
  fail "windowed probe"
fi
stop_probe

echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
