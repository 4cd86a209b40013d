#!/usr/bin/env bash
# Cases run inside xvfb-run by signals.sh: one line per moment, then
# "N passed, N failed"; exits non-zero on any failure.
set -u
# shellcheck source=common.sh
source "$(dirname "$0")/common.sh"
begin_cases "$1"  # the music plays, into SDL's dummy audio
# shellcheck source=screen.sh
source "$(dirname "$0")/screen.sh"

# The moments, in milliseconds after the start (the same every run): ten
# spread over start-up, ten after a key press that already asked it to end.
signals=(TERM INT HUP)
# The moments count from the saver's first instruction (its handler shows in
# /proc: SigCgt), before which the system is still loading its libraries;
# those of "loading" fall while the libraries' constructors run.
moments=(60 150 250 350 450 600 800 1000 1500 2500)
case_number=0
for stage in loading start-up shut-down; do
  limit_ms=$(bound_ms 500)
  [ "$stage" = shut-down ] || limit_ms=$(bound_ms 1000)
  stage_moments=("${moments[@]}")
  [ "$stage" = loading ] && stage_moments=(0 5 10 20 40 0)
  for moment in "${stage_moments[@]}"; do
    signal=${signals[$((case_number % 3))]}
    case_number=$((case_number + 1))
    : >"$work/stderr.txt"
    start /s
    if [ "$stage" != shut-down ]; then
      for _ in $(seq 1 2000); do
        caught=$(awk '/^SigCgt:/ { print $2 }' "/proc/$pid/status" 2>/dev/null)
        [ -n "$caught" ] && [ $((0x$caught >> 14 & 1)) = 1 ] && break  # SIGTERM's bit
      done
    fi
    if [ "$stage" = shut-down ]; then
      sleep 3
      xdotool key space
    fi
    sleep "$(awk -v m="$moment" 'BEGIN { printf "%.3f", m / 1000 }')"
    kill -"$signal" "$pid" 2>/dev/null
    wait_exit "$pid" 5
    left=$(leaked "$pid")
    said=$(cat "$work/stderr.txt")
    # A signal is acted on once the message loop runs: during start-up that
    # is after the device is up (200 to 450 ms here when the machine is
    # otherwise idle; CI runs other tests beside this one, hence the margin).
    if [ "$exit_code" = 0 ] && [ "${took_ms:-9999}" -le "$limit_ms" ] && [ "$left" -eq 0 ] && [ -z "$said" ]; then
      ok "SIG$signal ${moment} ms into $stage: exit 0 in ${took_ms} ms"
    else
      fail "SIG$signal ${moment} ms into $stage: exit 0 within $limit_ms ms, nothing left, nothing said (exit $exit_code, ${took_ms:-?} ms, $left left, said '$said')"
    fi
  done
done

echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
