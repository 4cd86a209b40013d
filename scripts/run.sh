#!/usr/bin/env bash
# Installs what is missing, builds, and starts the saver full screen.
# Any arguments are passed to vexlar3d instead of the default /s.
# Without a display it renders a short flight headless instead and says
# where the frames went.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh vexlar3d  # the saver alone: the tests are built by test.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ $# -eq 0 ]; then
  frames="build/flight"
  echo "run.sh: no display here (neither DISPLAY nor WAYLAND_DISPLAY is set), so the saver cannot open its window;" >&2
  echo "run.sh: rendering 20 seconds of the flight headless instead, one frame a second, into $frames/." >&2
  rm -rf "$frames"
  ./build/vexlar3d --render "$frames" --seconds 20 --every 30
  echo "run.sh: the frames are in $frames/ (frame_00000.png is the first); start ./build/vexlar3d /s from a graphical session to see the saver itself."
  exit 0
fi
if [ $# -eq 0 ]; then
  set -- /s
fi
exec ./build/vexlar3d "$@"
