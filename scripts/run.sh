#!/usr/bin/env bash
# Installs what is missing, builds, and starts the saver full screen.
# Any arguments are passed to vexlar3d instead of the default /s.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run.sh: no display here (neither DISPLAY nor WAYLAND_DISPLAY is set), so the saver cannot open its window." >&2
  echo "run.sh: the build is ready: start ./build/vexlar3d /s from a graphical session." >&2
  exit 1
fi
if [ $# -eq 0 ]; then
  set -- /s
fi
exec ./build/vexlar3d "$@"
