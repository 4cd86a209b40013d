#!/usr/bin/env bash
# Cases run by xscreensaver_daemon.sh as an ordinary user, in a session of
# their own: bin is the executable, work a folder of ours for the cases' homes,
# logs and screenshots. Prints one line per check and a closing
# "N passed, N failed" line; exits non-zero on any failure.
set -u
bin=$1
work=$2
passed=0
failed=0
# shellcheck source=common.sh
source "$(dirname "$0")/common.sh"
export SDL_AUDIODRIVER=dummy
unset XSCREENSAVER_WINDOW WAYLAND_DISPLAY SDL_VIDEODRIVER

# What is left of the daemons' hacks the caller ends with the whole session.
# shellcheck disable=SC2046
trap 'kill $(jobs -p) 2>/dev/null' EXIT

# new_case <name>: a fresh home, settings and runtime folder; sets dir.
# Stored settings: music on, the clock on, the sky box off (code over black).
new_case() {
  dir=$work/$1
  mkdir -p "$dir/home" "$dir/config/vexlar3d" "$dir/runtime"
  chmod 700 "$dir/runtime"
  export HOME=$dir/home XDG_CONFIG_HOME=$dir/config XDG_RUNTIME_DIR=$dir/runtime
  cat >"$XDG_CONFIG_HOME/vexlar3d/registry.reg" <<'REG'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Microsoft\Screensavers\Vexlar 3D ScreenSaver\Into the Vexlar]
"Music"=dword:00000002
"ShowTime"=dword:00000002
"Background"=dword:00000001
REG
}

# start_x <WxH>...: a virtual X server with one screen of each size; sets
# display (":N", empty when it did not start) and xvfb_pid.
start_x() {
  local args=() size n=0
  for size in "$@"; do args+=(-screen "$n" "${size}x24"); n=$((n + 1)); done
  : >"$dir/display"
  Xvfb -displayfd 3 -nolisten tcp "${args[@]}" 3>"$dir/display" 2>"$dir/xvfb.log" &
  xvfb_pid=$!
  display=""
  for _ in $(seq 1 100); do
    display=$(head -n 1 "$dir/display")
    [ -n "$display" ] && { display=:$display; wait_for_display "$display"; return; }
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  return 1
}
stop_x() { kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; }

# ~/.xscreensaver: only our executable, at once and for good: no fade, no
# lock, no cycling, no blanking on its own while the case runs.
write_prefs() {
  cat >"$HOME/.xscreensaver" <<PREFS
mode:		one
selected:	0
lock:		False
fade:		False
unfade:		False
splash:		False
dpmsEnabled:	False
grabDesktopImages:	False
timeout:	1:00:00
cycle:		0:00:00
programs:	\\
  GL: "Vexlar 3D"  $bin --root  \\n\\

PREFS
}

# start_daemon: xscreensaver on $display, logging to $dir/xscreensaver.log;
# true once it answers xscreensaver-command (within 30 s: on a loaded
# machine it has taken over ten).
start_daemon() {
  local deadline=$(($(date +%s) + 30))
  DISPLAY=$display xscreensaver -no-splash -verbose >"$dir/xscreensaver.log" 2>&1 &
  daemon_pid=$!
  while [ "$(date +%s)" -lt "$deadline" ]; do
    DISPLAY=$display timeout 5 xscreensaver-command -time >/dev/null 2>&1 && return 0
    kill -0 "$daemon_pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}
stop_daemon() { kill "$daemon_pid" 2>/dev/null; wait "$daemon_pid" 2>/dev/null; }
command_daemon() { DISPLAY=$display timeout 5 xscreensaver-command "$1" >/dev/null 2>&1; }

# forks: "SCREEN PID" for every start of our executable the daemon logged.
forks() {
  grep -F "forked \"$bin" "$dir/xscreensaver.log" | sed -n 's/.* \([0-9]*\): forked ".*" in pid \([0-9]*\) .*/\1 \2/p'
}
# wait_forks <screens>: waits up to 15 s for a start on that many screens.
wait_forks() {
  for _ in $(seq 1 150); do
    [ "$(forks | cut -d' ' -f1 | sort -u | wc -l)" -ge "$1" ] && return 0
    sleep 0.1
  done
  return 1
}
# The daemon's lines about our executable ending on its own, and what our
# executable wrote to its stderr (the daemon's log takes it).
exits() { grep -E "child pid [0-9]+ \($bin\)" "$dir/xscreensaver.log"; }
own_output() { grep -v -E '^(xscreensaver|\s|$)' "$dir/xscreensaver.log"; }

# alive <pid>: running (a zombie has ended: the daemon's helper that started
# it may be gone without waiting for it).
alive() {
  local s
  s=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
  s=${s##*) }
  [ "${s%% *}" != Z ]
}

# shot <name> <xwd options>: a screenshot into $dir/<name>.png.
shot() {
  local name=$1
  shift
  xwd -silent "$@" 2>/dev/null | convert xwd:- -alpha off "$dir/$name.png" 2>/dev/null
}
# green <name>: the share of the picture's pixels that are the flight's code:
# green above 25 percent and over 1.5 times red and blue.
green() {
  local png=$dir/$1.png
  convert "$png" -alpha off -separate \( -clone 0,2 -evaluate-sequence max -evaluate multiply 1.5 \) -delete 0,2 \
    -compose minus_src -composite -threshold 0 \
    \( "$png" -alpha off -channel G -separate +channel -threshold 25% \) \
    -compose multiply -composite -format '%[fx:mean]' info: 2>/dev/null || echo 0
}
# changed <name> <name>: the share of pixels that differ between two pictures.
changed() {
  local ae all
  ae=$(compare -metric AE "$dir/$1.png" "$dir/$2.png" null: 2>&1)
  all=$(convert "$dir/$1.png" -format '%[fx:w*h]' info: 2>/dev/null)
  awk -v ae="$ae" -v all="${all:-0}" 'BEGIN { printf "%.4f", (all > 0 && ae ~ /^[0-9.e+]+$/) ? ae / all : 0 }'
}
# holds <awk condition on a> <a>
holds() { awk -v a="$2" "BEGIN { exit !($1) }"; }

# flies <label> <name> <deadline> <xwd options>: the picture shows the flight
# (code, moving) by the deadline (seconds since the epoch). Screenshots come
# every half second until the code shows; a second one a second later must
# differ. Gives up early when $watch names a process that ended.
flies() {
  local label=$1 name=$2 deadline=$3 share=0 moved=0
  shift 3
  while :; do
    shot "$name" "$@"
    share=$(green "$name")
    holds "a > 0.01" "$share" && break
    [ "$(date +%s)" -ge "$deadline" ] && break
    [ -n "${watch:-}" ] && ! kill -0 "$watch" 2>/dev/null && break
    sleep 0.5
  done
  if holds "a > 0.01" "$share"; then
    sleep 1
    shot "${name}_later" "$@"
    moved=$(changed "$name" "${name}_later")
  fi
  if holds "a > 0.01" "$share" && holds "a > 0.005" "$moved"; then
    ok "$label shows the flight (code on $share of it, $moved changed in a second)"
  else
    fail "$label shows the flight (code on $share of it, $moved changed in a second; want over 0.01 and 0.005)"
  fi
}

# starts_once <label> <screens>: each screen started our executable exactly
# once, with --root, and it never ended on its own (a restart loop otherwise).
starts_once() {
  local label=$1 screens=$2 s count other bad=""
  for s in $(seq 0 $((screens - 1))); do
    count=$(forks | awk -v s="$s" '$1 == s' | wc -l)
    [ "$count" -eq 1 ] || bad="$bad screen $s started it $count times;"
  done
  [ "$(forks | wc -l)" -eq "$screens" ] || bad="$bad $(forks | wc -l) starts in all;"
  other=$(grep -F "forked \"$bin" "$dir/xscreensaver.log" | grep -v -F "forked \"$bin --root\"" | grep -o -m 1 'forked "[^"]*"')
  [ -n "$other" ] && bad="$bad $other;"
  [ -n "$(exits)" ] && bad="$bad $(exits | head -n 1 | sed 's/^[^ ]* [^ ]* //');"
  if [ -z "$bad" ]; then
    ok "$label: the daemon started it once per screen, as \"$bin --root\", and it kept running"
  else
    fail "$label: the daemon started it once per screen and it kept running:$bad its output: $(own_output | sort | uniq -c | sort -rn | head -n 3 | tr -s ' \n' ' ')"
  fi
}

# deactivate_ends <label> <pid>...: after xscreensaver-command -deactivate,
# every copy is gone within a second.
deactivate_ends() {
  local label=$1 start left p
  shift
  start=$(date +%s%N)
  command_daemon -deactivate || { fail "$label: xscreensaver-command -deactivate"; return; }
  while :; do
    left=""
    for p in "$@"; do alive "$p" && left="$left $p"; done
    took_ms=$((($(date +%s%N) - start) / 1000000))
    [ -z "$left" ] || [ "$took_ms" -gt "$(bound_ms 1000)" ] && break
    sleep 0.02
  done
  if [ -z "$left" ] && [ "$took_ms" -le "$(bound_ms 1000)" ]; then
    ok "$label ends on -deactivate (${took_ms} ms)"
  else
    fail "$label ends within a second of -deactivate (still running:${left:- none} after ${took_ms} ms)"
  fi
}

# sleep_until <seconds since the epoch>
sleep_until() { while [ "$(date +%s)" -lt "$1" ]; do sleep 0.2; done; }

# in_daemon_window <label> <display>: no window of our executable's own at
# the top level; hacks must draw in the window the daemon gives them.
in_daemon_window() {
  local label=$1 w others=""
  for w in $(xwininfo -display "$2" -root -children | awk '/^ +0x/ && !/\("xscreensaver" "XScreenSaver"\)/ { print $1 }'); do
    xwininfo -display "$2" -id "$w" | grep -q 'Map State: IsViewable' && others="$others $(xwininfo -display "$2" -id "$w" | sed -n 's/^xwininfo: Window id: //p')"
  done
  [ -z "$others" ] && ok "$label draws in the daemon's window, with no window of its own" \
    || fail "$label draws in the daemon's window, with no window of its own (more top-level windows:$others)"
}

# live_hacks: the pids of the copies the daemon started that still run.
live_hacks() {
  local p
  for p in $(forks | cut -d' ' -f2); do alive "$p" && echo "$p"; done
}

# one_plays_music <label>: exactly one flock on the music lock file, taken by
# one of the running copies.
one_plays_music() {
  local label=$1 lock=$XDG_RUNTIME_DIR/vexlar3d-music.lock hacks locks
  hacks=" $(live_hacks | xargs) "
  if [ ! -e "$lock" ]; then
    fail "$label: one copy plays the music (no $lock; copies:$hacks)"
    return
  fi
  # "MODE PID" for each lock on the file (waiters, marked "->", left out).
  locks=$(awk -v inode="$(stat -c %i "$lock")" \
    '$2 == "FLOCK" { split($6, id, ":"); if (id[3] == inode) print $4 " " $5 }' /proc/locks)
  if [ "$(grep -c . <<<"$locks")" -eq 1 ] && [[ $hacks == *" ${locks#* } "* ]]; then
    ok "$label: one copy plays the music (pid ${locks#* } holds the lock)"
  else
    fail "$label: one copy plays the music (locks on $lock: $(xargs <<<"${locks:-none}"); copies:$hacks)"
  fi
}

# daemon_case <label> <WxH>...: xscreensaver on an X server with these
# screens, activated: every screen flies, the daemon's window shows it, each
# copy runs for good and ends on deactivation. $1 is also the case's folder
# name; $extra names a check to run while the copies fly.
daemon_case() {
  local label=$1 screens=$(($# - 1)) s started
  new_case "${label// /_}"
  shift
  if ! start_x "$@"; then
    fail "$label: Xvfb starts ($(tail -n 2 "$dir/xvfb.log" | tr '\n' ' '))"
    return
  fi
  write_prefs
  if ! start_daemon; then
    fail "$label: xscreensaver starts (log: $(tail -n 3 "$dir/xscreensaver.log" | tr '\n' ' '))"
  elif ! command_daemon -activate; then
    fail "$label: xscreensaver-command -activate"
  elif ! wait_forks "$screens"; then
    fail "$label: the daemon starts our executable on every screen (starts: $(forks | xargs); log: $(grep -m 3 -i -E 'error|fail|not found' "$dir/xscreensaver.log" | tr '\n' ' '))"
  else
    started=$(date +%s)
    for s in $(seq 0 $((screens - 1))); do
      flies "$label: screen $s" "screen$s" $((started + 20)) -display "$display.$s" -root
      in_daemon_window "$label: screen $s" "$display.$s"
    done
    [ -n "$extra" ] && "$extra" "$label"
    sleep_until $((started + 5)) # a copy that fails meanwhile is started again
    starts_once "$label" "$screens"
    # shellcheck disable=SC2046
    deactivate_ends "$label: every copy" $(live_hacks)
  fi
  stop_daemon
  stop_x
}

# ---- one screen, then two X screens (one copy on each, one plays the music)
extra="" daemon_case "one screen" 640x480
extra=one_plays_music daemon_case "two screens" 640x480 640x480

# ---- the settings preview, started as xscreensaver-settings starts it: the
# programs line's options and --window-id 0x... of a small window, which is
# also in $XSCREENSAVER_WINDOW; silent
new_case preview
if start_x 640x480; then
  export DISPLAY=$display
  xlogo -geometry 320x240+40+30 2>"$dir/xlogo.txt" &
  host_pid=$!
  host=""
  # Up to 30 s: twice in CI on a fresh machine no window showed within ten;
  # the failure says whether xlogo was still starting or had ended.
  for _ in $(seq 1 300); do
    host=$(xdotool search --onlyvisible --class xlogo 2>/dev/null | head -n 1)
    [ -n "$host" ] && break
    sleep 0.1
  done
  if [ -n "$host" ]; then
    hex=$(printf '0x%x' "$host")
    XSCREENSAVER_WINDOW=$hex "$bin" --root --no-clock --window-id "$hex" 2>"$dir/stderr.txt" &
    pid=$!
    watch=$pid
    flies "--window-id $hex" preview "$(($(date +%s) + 15))" -id "$host"
    watch=""
    if flock -n "$XDG_RUNTIME_DIR/vexlar3d-music.lock" true; then ok "--window-id plays no music (the lock is free)"
    else fail "--window-id plays no music (it holds the music lock)"; fi
    # Right of and below the window (at 40,30, 320x240 and a border).
    shot outside -root
    convert "$dir/outside.png" -crop 240x170+400+310 +repage "$dir/outside.png"
    o=$(green outside)
    holds "a == 0" "$o" && ok "--window-id draws only inside the window" \
      || fail "--window-id draws only inside the window (code on $o of the screen outside it)"
    if kill -0 "$pid" 2>/dev/null; then
      kill -TERM "$pid"
      wait_exit "$pid" 5
      if [ "$exit_code" = 0 ] && [ "$took_ms" -le "$(bound_ms 1000)" ]; then
        ok "--window-id ends with 0 on SIGTERM (${took_ms} ms)"
      else
        fail "--window-id ends with 0 within a second of SIGTERM (exit $exit_code, ${took_ms:-?} ms)"
      fi
    else
      wait "$pid"
      fail "--window-id keeps running (exit $?: $(head -c 300 "$dir/stderr.txt" | tr '\n' ' '))"
    fi
  else
    fail "--window-id: no window to preview in (xlogo $(kill -0 "$host_pid" 2>/dev/null && echo running || echo gone): $(head -c 200 "$dir/xlogo.txt" | tr '\n' ' '))"
  fi
  kill "$host_pid" 2>/dev/null
  wait "$host_pid" 2>/dev/null
  unset DISPLAY
  stop_x
else
  fail "preview: Xvfb starts ($(tail -n 2 "$dir/xvfb.log" | tr '\n' ' '))"
fi

echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
