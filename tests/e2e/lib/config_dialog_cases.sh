#!/usr/bin/env bash
# Cases run inside xvfb-run by config_dialog.sh. Prints one line per case and
# a closing "N passed, N failed" line; exits non-zero on any failure.
# With VEXLAR_SCREENSHOT set, the first opening of the dialog is saved there
# as a PNG cropped to the dialog (how docs/config_dialog.png is made).
set -u
bin=$1
passed=0
failed=0
work=$(mktemp -d)
export XDG_CONFIG_HOME=$work/config
export XDG_RUNTIME_DIR=$work
export SDL_AUDIODRIVER=dummy
export VEXLAR_DIALOG_DUMP=1
unset WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS
trap 'rm -rf "$work"' EXIT
registry=$XDG_CONFIG_HOME/vexlar3d/registry.reg

# shellcheck source=common.sh
source "$(dirname "$0")/common.sh"
check() { if eval "$2"; then ok "$1"; else fail "$1"; fi; }


# Waits until the dump file $1 holds "$2 shown" for the dialog template $2.
wait_shown() {
  for _ in $(seq 1 150); do
    grep -q "^vexlar3d-dialog: $2 shown" "$1" 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}

# The dump line of control $3 of dialog $2 in file $1.
control_line() { grep "^vexlar3d-dialog: $2 control $3 " "$1" | tail -n 1; }
field() { sed -n "s/.* $1=\([^ ]*\).*/\1/p"; }

# Clicks control $3 of dialog $2 at x offset $4 (default: its middle).
click_control() {
  local line x y w h
  line=$(control_line "$1" "$2" "$3")
  x=$(echo "$line" | field x); y=$(echo "$line" | field y)
  w=$(echo "$line" | field w); h=$(echo "$line" | field h)
  xdotool mousemove $((x + ${4:-$((w / 2))})) $((y + h / 2)) click 1
  sleep 0.3
}

# Lines "A B" for each text of dialog $2 in dump $1 (a label or a check box)
# that runs into control B: any overlap with a control, or crossing the edge
# of a group box (one may hold it whole).
text_collisions() {
  grep "^vexlar3d-dialog: $2 control " "$1" | awk '
    {
      f["id"] = $4
      for (i = 5; i <= NF; i++) if (split($i, kv, "=") == 2) f[kv[1]] = kv[2]
      if (f["visible"] != 1) next
      n++; id[n] = f["id"]; kind[n] = f["kind"]
      x[n] = f["x"]; y[n] = f["y"]; r[n] = f["x"] + f["w"]; b[n] = f["y"] + f["h"]
    }
    END {
      for (i = 1; i <= n; i++) {
        if (kind[i] != "label" && kind[i] != "check") continue
        for (j = 1; j <= n; j++) {
          if (i == j) continue
          meet = x[i] < r[j] && x[j] < r[i] && y[i] < b[j] && y[j] < b[i]
          inside = x[i] >= x[j] && r[i] <= r[j] && y[i] >= y[j] && b[i] <= b[j]
          if (meet && !(kind[j] == "group" && inside)) print id[i], id[j]
        }
      }
    }'
}

# Gives the keyboard to the window titled $1 and presses key $2.
press_in() {
  local id
  id=$(xdotool search --onlyvisible --name "^$1\$" | head -n 1)
  [ -n "$id" ] && xdotool windowfocus --sync "$id" 2>/dev/null
  xdotool key "$2"
  sleep 0.3
}

title="3D Vexlar Screensaver Configuration"

# 1. /c opens the dialog with the built-in settings; ticking "Show FPS" and OK store it.
# The dialog runs in a session of its own: nothing may be left in it after.
setsid "$bin" /c 2>"$work/run1.txt" & pid=$!
if wait_shown "$work/run1.txt" 2003; then
  ok "/c opens the settings dialog"
  check "the title comes from the localization table" "grep -q 'title=\"$title\"' '$work/run1.txt'"
  check "\"Show FPS\" starts unticked" "control_line '$work/run1.txt' 2003 1044 | grep -q 'checked=0 text=\"Show FPS\"'"
  check "the mode list is off while desktop settings are used" \
    "control_line '$work/run1.txt' 2003 1011 | grep -q 'enabled=0'"
  if [ -n "${VEXLAR_SCREENSHOT:-}" ]; then
    win=$(grep "^vexlar3d-dialog: 2003 window" "$work/run1.txt")
    geometry="$(echo "$win" | field w)x$(echo "$win" | field h)+$(echo "$win" | field x)+$(echo "$win" | field y)"
    xwd -root -silent | convert xwd:- -crop "$geometry" +repage "$VEXLAR_SCREENSHOT"
  fi
  click_control "$work/run1.txt" 2003 1044 8
  click_control "$work/run1.txt" 2003 1
  wait_exit "$pid" 10
  check "OK ends the dialog with 1" "[ '$exit_code' = 1 ]"
  left=$(leaked "$pid"); check "OK leaves nothing running ($left left)" "[ $left -eq 0 ]"
  check "OK stores ShowFPS on" "grep -q '\"ShowFPS\"=dword:00000002' '$registry'"
  check "OK stores all fifteen values" "[ \$(grep -c '=dword:' '$registry') -eq 15 ]"
else
  fail "/c opens the settings dialog"; kill "$pid" 2>/dev/null
fi

# 2. The next opening shows the stored value; About opens over it; Cancel stores nothing.
cp "$registry" "$work/stored.reg" 2>/dev/null
setsid "$bin" /c 2>"$work/run2.txt" & pid=$!
if wait_shown "$work/run2.txt" 2003; then
  check "the next opening shows \"Show FPS\" ticked" "control_line '$work/run2.txt' 2003 1044 | grep -q 'checked=1'"
  click_control "$work/run2.txt" 2003 1043 8
  click_control "$work/run2.txt" 2003 1062
  if wait_shown "$work/run2.txt" 235; then
    check "About shows the product name first" "control_line '$work/run2.txt' 235 1093 | grep -q 'text=\"3D Vexlar Screensaver\"'"
    check "About's seventh line is empty" "control_line '$work/run2.txt' 235 1099 | grep -q 'text=\"\"'"
    press_in "About" Return
    check "Enter closes About and keeps the settings open" \
      "! xdotool search --onlyvisible --name '^About\$' >/dev/null && kill -0 $pid 2>/dev/null"
  else
    fail "About opens"
  fi
  press_in "$title" Escape
  wait_exit "$pid" 10
  check "Escape ends the dialog with 2" "[ '$exit_code' = 2 ]"
  left=$(leaked "$pid"); check "About and Escape leave nothing running ($left left)" "[ $left -eq 0 ]"
  check "Cancel stores nothing" "cmp -s '$registry' '$work/stored.reg'"
else
  fail "the settings dialog opens a second time"; kill "$pid" 2>/dev/null
fi

# 3. The volume slider answers the keyboard, and OK stores what it shows;
#    the dialog may be owned by another program's window (/c:N).
root=$(xwininfo -root | awk '/Window id:/{print $4}')
"$bin" /c:$((root)) 2>"$work/run3.txt" & pid=$!
if wait_shown "$work/run3.txt" 2003; then
  ok "/c:N opens the settings dialog"
  click_control "$work/run3.txt" 2003 1023
  press_in "$title" Home
  press_in "$title" Right
  press_in "$title" Right
  click_control "$work/run3.txt" 2003 1
  wait_exit "$pid" 10
  check "Home and two arrow keys store volume 3" "grep -q '\"MusicVolume\"=dword:00000003' '$registry'"
else
  fail "/c:N opens the settings dialog"; kill "$pid" 2>/dev/null
fi

# 4. At a desktop scale of 2 and a text scale of 1.5 (and 1.25) no text runs
#    into a control, the picture grows with the dialog and fills its
#    rectangle one way, and the window carries the program's icon.
for dpi in 1.5 1.25; do
  dump=$work/scaled-$dpi.txt
  GDK_SCALE=2 GDK_DPI_SCALE=$dpi "$bin" /c 2>"$dump" & pid=$!
  if wait_shown "$dump" 2003; then
    collisions=$(text_collisions "$dump" 2003 | tr '\n' ' ')
    check "at GDK_SCALE=2 GDK_DPI_SCALE=$dpi no text runs into a control${collisions:+ (ran: $collisions)}" \
      "[ -z '$collisions' ] && grep -q '^vexlar3d-dialog: 2003 window .* scale=2 ' '$dump'"
    picture=$(control_line "$dump" 2003 -1)
    shown=$(echo "$picture" | field shown)
    w=$(echo "$picture" | field w); h=$(echo "$picture" | field h)
    sw=${shown%x*}; sh=${shown#*x}
    unscaled=$(control_line "$work/run1.txt" 2003 -1 | field shown)
    check "at GDK_DPI_SCALE=$dpi the picture ($shown in ${w}x$h, $unscaled unscaled) grows with the dialog" \
      "[ \"\${sw:-0}\" -gt \"\${unscaled%x*}\" ] && [ \"\$sw\" -le $w ] && [ \"\$sh\" -le $h ] && [ \$((sw * 20)) -ge \$((w * 19)) -o \$((sh * 20)) -ge \$((h * 19)) ]"
    if [ "$dpi" = 1.5 ]; then
      id=$(xdotool search --name "^$title\$" | head -n 1)
      check "the settings window carries the 256-pixel icon" \
        "grep -q 'icon=256 ' '$dump' && xprop -id '$id' -len 8 -f _NET_WM_ICON 32c _NET_WM_ICON | grep -q '= 256'"
    fi
  else
    fail "the settings dialog opens at GDK_SCALE=2 GDK_DPI_SCALE=$dpi"
  fi
  kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
done

# 5. Without a display the dialog cannot open: exit code 255 and a reason.
DISPLAY= "$bin" /c 2>"$work/run4.txt"; code=$?
check "without a display /c ends with 255 and says why" "[ $code -eq 255 ] && grep -q 'settings dialog' '$work/run4.txt'"

echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
