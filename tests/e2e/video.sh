#!/usr/bin/env bash
# End-to-end test of --render writing videos through Debian's ffmpeg: a
# two-second .webm and .gif have the size and the frame count asked for
# (ffprobe), an .mp4 of an odd size is rounded to an even one, progress is
# shown on a terminal and not on a pipe, and without ffmpeg the request is
# refused with exit 2 and a reason; then a table of hostile cases, which must
# fail clearly and leave nothing behind. Needs no display.
set -u
bin=${1:?usage: video.sh path/to/vexlar3d}
for tool in ffmpeg ffprobe script; do
  command -v "$tool" >/dev/null || { echo "missing $tool (run scripts/install-deps.sh)"; exit 1; }
done
# shellcheck source=lib/common.sh
source "$(dirname "$0")/lib/common.sh"
begin_cases "$(readlink -f "$bin")"
check() { if eval "$2"; then ok "$1"; else fail "$1"; fi; }
probe() { ffprobe -v error -count_frames -select_streams v:0 \
            -show_entries stream=width,height,nb_read_frames -of csv=p=0 "$1" 2>/dev/null; }

for ending in webm gif; do
  "$bin" --render "$work/flight.$ending" --size 160x120 --seconds 2 --seed 5 >"$work/out.txt" 2>"$work/err.txt"
  code=$?
  check "a two-second .$ending: exit 0, silent on a pipe" "[ $code -eq 0 ] && [ ! -s '$work/err.txt' ]"
  check "the .$ending is 160x120 with 60 frames" "[ \"\$(probe '$work/flight.$ending')\" = 160,120,60 ]"
done

"$bin" --render "$work/odd.mp4" --size 161x121 --frames 8 --every 2 >/dev/null 2>&1
check "an .mp4 of 161x121 is 160x120, every second of 8 frames" "[ \"\$(probe '$work/odd.mp4')\" = 160,120,4 ]"

script -qec "'$bin' --render '$work/tty.gif' --size 64x48 --frames 20" /dev/null >"$work/tty.txt" 2>&1
check "on a terminal the progress line reaches the last frame" "grep -q 'frame 20 of 20' '$work/tty.txt'"

PATH=/nonexistent "$bin" --render "$work/none.webm" --frames 2 >/dev/null 2>"$work/err.txt"
code=$?
check "without ffmpeg: exit 2 and the reason, no file" \
  "[ $code -eq 2 ] && grep -q 'needs ffmpeg' '$work/err.txt' && [ ! -e '$work/none.webm' ]"

# Hostile cases, one row each: what | setup, run in the row's folder $dir
# before the render (a failing setup skips the row) | target | signal sent
# after 1 s | exit | stderr pattern (none: silent) | what is left in $dir |
# a further check.
# Stand-in ffmpegs come first on PATH; VEXLAR_ENCODER_TIMEOUT_S shortens the
# wait for an ffmpeg that takes no frames (default 20 s). Every row ends
# within 10 s and leaves nothing in $TMPDIR.
mkdir -p "$work/sleeps" "$work/exits0" "$work/tmp"
printf '#!/bin/sh\nexec sleep 30\n' >"$work/sleeps/ffmpeg"
printf '#!/bin/sh\nexit 0\n' >"$work/exits0/ffmpeg"
chmod +x "$work/sleeps/ffmpeg" "$work/exits0/ffmpeg"
echo precious >"$work/victim"
if [ "$(id -u)" = 0 ]; then readonly_setup='mount -t tmpfs -o ro tmpfs "$dir" && cd "$dir"'
else readonly_setup='chmod 555 "$dir"'; fi
n=0
while IFS='|' read -r what setup target signal want_rc want_err want_left also; do
  dir=$work/row$((n += 1))
  mkdir -p "$dir"
  start=$(date +%s%N)
  (cd "$dir" && eval "$setup" >/dev/null 2>&1 || exit 99
   eval "target=$target"
   TMPDIR=$work/tmp exec timeout -s KILL 20 "$bin" --render "$target" --size 32x32 --frames 8 --seed 5) >/dev/null 2>"$dir.err" &
  pid=$!
  if [ -n "$signal" ]; then sleep 1; kill -s "$signal" $pid; fi
  wait $pid
  code=$? took=$((($(date +%s%N) - start) / 1000000))
  left=$(ls -A "$dir" | tr '\n' ' ')
  mountpoint -q "$dir" && umount "$dir"
  if [ $code -eq 99 ]; then echo "skip: $what (setup not permitted here)"; continue; fi
  check "$what (exit $code, ${took} ms, left: ${left:-nothing}; $(head -c 300 "$dir.err"))" \
    "[ $code -eq $want_rc ] && [ $took -lt 10000 ] && if [ -z '$want_err' ]; then [ ! -s '$dir.err' ]; else grep -Eq -- '$want_err' '$dir.err'; fi &&
     [ '$left' = '$want_left' ] && [ -z \"\$(ls -A '$work/tmp')\" ] && ${also:-:}"
done <<'ROWS'
a link named like ffmpeg's old log beside the target is left alone|ln -s "$work/victim" out.mp4.ffmpeg-log|$dir/out.mp4||0||out.mp4 out.mp4.ffmpeg-log |[ "$(cat "$work/victim")" = precious ] && [ -L "$dir/out.mp4.ffmpeg-log" ]
an ffmpeg that never reads is killed after the bound|export PATH=$work/sleeps:$PATH VEXLAR_ENCODER_TIMEOUT_S=1|$dir/out.mp4||1|cannot write .*/out.mp4: ffmpeg stopped taking frames||
SIGTERM ends a render waiting on a stuck ffmpeg|export PATH=$work/sleeps:$PATH|$dir/out.mp4|TERM|143|stopped by Terminated||
an ffmpeg that exits 0 without reading is a failure|export PATH=$work/exits0:$PATH|$dir/out.gif||1|ffmpeg ended after taking 0 of||
a name starting with - is a file, not an option|:|-x.mp4||0||-x.mp4 |[ "$(probe "$dir/-x.mp4")" = 32,32,8 ]
a read-only folder is named with the system's reason|eval "$readonly_setup"|$dir/out.mp4||1|cannot create a file in .*row[0-9]+: ||grep -q -e 'Read-only file system' -e 'Permission denied' "$dir.err" && ! grep -q ffmpeg "$dir.err"
a full disk is named and leaves no partial file|mount -t tmpfs -o size=16k tmpfs "$dir" && cd "$dir" && { cat /dev/zero >fill; :; }|$dir/out.webm||1|out.webm: No space left on device|fill |
ROWS

echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
