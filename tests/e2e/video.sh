#!/usr/bin/env bash
# End-to-end test of --render writing videos through Debian's ffmpeg: a
# two-second .webm and .gif have the size and the frame count asked for
# (ffprobe), an .mp4 of an odd size is rounded to an even one, progress is
# shown on a terminal and not on a pipe, and without ffmpeg the request is
# refused with exit 2 and a reason. Needs no display.
set -u
bin=${1:?usage: video.sh path/to/vexlar3d}
for tool in ffmpeg ffprobe script; do
  command -v "$tool" >/dev/null || { echo "missing $tool (run scripts/install-deps.sh)"; exit 1; }
done
# shellcheck source=lib/common.sh
source "$(dirname "$0")/lib/common.sh"
begin_cases "$bin"
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

echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
