#!/usr/bin/env bash
# Shared by the end-to-end cases on an X server: screenshots and what is in
# them, starting the saver in a session of its own, ending it, and a window
# of another program to draw into. Source it after common.sh, with $work (a
# scratch folder), $bin (the executable) and $convert set.

# shot <name> [geometry]: a screenshot (cropped to WxH+X+Y when given) into $work/<name>.png.
shot() {
  xwd -root -silent | "$convert" xwd:- ${2:+-crop "$2" +repage} "$work/$1.png"
  if [ -n "${VEXLAR_E2E_SHOTS:-}" ]; then mkdir -p "$VEXLAR_E2E_SHOTS" && cp "$work/$1.png" "$VEXLAR_E2E_SHOTS/"; fi
}
# measure <name> <fx expression>: the expression over the picture, e.g. mean.g.
measure() { "$convert" "$work/$1.png" -format "%[fx:$2]" info:; }
# share <name> <channel> <level>: the share of pixels whose channel is above level percent.
share() { "$convert" "$work/$1.png" -channel "$2" -separate -threshold "$3%" -format "%[fx:mean]" info:; }
# dark <name>: the share of pixels darker than 12 percent in every channel.
dark() { "$convert" "$work/$1.png" -channel RGB -separate -evaluate-sequence max -threshold 12% -negate -format "%[fx:mean]" info:; }
# holds <awk condition on a>: true when the condition holds for a=$2.
holds() { awk -v a="$2" "BEGIN { exit !($1) }"; }

# is_green <name>: green code: at least 1 percent of the pixels clearly
# green, and green well above red and blue over the whole picture.
is_green() {
  local r g b lit
  r=$(measure "$1" mean.r); g=$(measure "$1" mean.g); b=$(measure "$1" mean.b)
  lit=$("$convert" "$work/$1.png" -fx 'g > 0.3 && g > 2 * r && g > 2 * b ? 1 : 0' -channel R -separate \
    -format "%[fx:mean]" info:)
  awk -v r="$r" -v g="$g" -v b="$b" -v lit="$lit" 'BEGIN { exit !(lit > 0.01 && g > 2 * r && g > 2 * b) }'
}


# Every saver runs in a session of its own: what is left in it after the
# saver ended has leaked.
start() {
  setsid "$bin" "$@" 2>>"$work/stderr.txt" &
  pid=$!
}
# ends_on_term <name>: SIGTERM ends the saver with 0, soon, leaving nothing behind.
ends_on_term() {
  kill -TERM "$pid"
  wait_exit "$pid" 5
  local left
  left=$(leaked "$pid")
  if [ "$exit_code" = 0 ] && [ "$took_ms" -le "$(bound_ms 500)" ] && [ "$left" -eq 0 ]; then
    ok "$1 ends with 0 on SIGTERM (${took_ms} ms)"
  else
    fail "$1 ends with 0 on SIGTERM within half a second, leaving nothing (exit $exit_code, ${took_ms:-?} ms, $left left)"
  fi
}

# A window of another program to draw into, at (40, 30).
open_host_window() {
  xlogo -geometry 320x240+40+30 &
  host_pid=$!
  host=""
  for _ in $(seq 1 100); do
    # A client that could not connect yet is started again.
    kill -0 "$host_pid" 2>/dev/null || { xlogo -geometry 320x240+40+30 & host_pid=$!; }
    host=$(xdotool search --onlyvisible --class xlogo 2>/dev/null | head -n 1)
    [ -n "$host" ] && break
    sleep 0.1
  done
  sleep 0.3
}
close_host_window() { kill "$host_pid" 2>/dev/null; wait "$host_pid" 2>/dev/null; }
