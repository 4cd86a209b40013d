#!/usr/bin/env bash
# Renders the two still pictures of the saver from its own flight: bitmap 253,
# the preview (155 x 115), and bitmap 165, the settings dialog's picture
# (190 x 180). Each is one frame of `vexlar3d --render` at a fixed seed, time
# and settings (the overlay off), drawn at three to four times the size and
# scaled down with a Lanczos filter into a 24-bit BMP. The frames were picked
# where streams, cubes and the sky box are all in view. A rerun on the same
# machine writes the same bytes.
#
#   tools/art/make_bitmaps.sh path/to/vexlar3d [resources folder]
set -euo pipefail
bin=${1:?usage: make_bitmaps.sh path/to/vexlar3d [resources folder]}
out=${2:-"$(cd "$(dirname "$0")/../.." && pwd)/resources"}
convert=/usr/bin/convert
[ -x "$convert" ] || convert=convert

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# No stored settings: the built-in ones, with the changes below.
export XDG_CONFIG_HOME="$work/config"

# frame <name> <size> <frame number> <seed>: renders that frame into $work/<name>.png.
frame() {
  local name=$1 size=$2 number=$3 seed=$4
  "$bin" --render "$work/$name" --size "$size" --frame-rate 30 --frames $((number + 1)) --every "$number" \
    --seed "$seed" --time 23:14:52 --set ShowTime=0 --set ShowFPS=0 --set ShowPictures=1 --set DoThrottle=1 \
    --set VexlarStream=3 --set Background=3 --set BackgroundBr=100 --set HiTexQuality=1 >/dev/null
  cp "$work/$name/$(printf 'frame_%05d.png' "$number")" "$work/$name.png"
}

# scale <name> <width> <height> <file>: the frame scaled down into a 24-bit BMP.
scale() {
  "$convert" "$work/$1.png" -filter Lanczos -resize "$2x$3!" -type TrueColor "BMP3:$4"
}

mkdir -p "$out/bitmaps"
frame preview 620x460 480 3
scale preview 155 115 "$out/bitmaps/preview.bmp"
frame dialog 570x540 480 3
scale dialog 190 180 "$out/bitmaps/dialog.bmp"
echo "wrote $out/bitmaps/preview.bmp and $out/bitmaps/dialog.bmp"
