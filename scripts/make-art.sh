#!/usr/bin/env bash
# Builds the art generators in build-art/ and reruns them, rewriting the files
# under resources/ and the contact sheet docs/contact_sheet.png. Every generator
# is deterministic: a rerun gives byte-identical files.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="$ROOT/build-art"

# Generators in the order they run (the drums read the glyph sheet).
TOOLS=(
  make_glyph_sheet
  make_digits
  make_drums
  make_small_textures
  make_cube_model
  make_pictures
  make_song
)

cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DVEXLAR_ART_TOOLS=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build "$BUILD" -j2 --target "${TOOLS[@]}" contact_sheet
cd "$ROOT"
for tool in "${TOOLS[@]}"; do
  echo "running $tool"
  "$BUILD/$tool" resources
done
# Last, one page showing all of the art.
"$BUILD/contact_sheet" resources docs/contact_sheet.png
# The preview and dialog pictures are frames of the saver's own flight.
cmake --build "$BUILD" -j2 --target vexlar3d
"$ROOT/tools/art/make_bitmaps.sh" "$BUILD/vexlar3d" "$ROOT/resources"
