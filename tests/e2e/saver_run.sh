#!/usr/bin/env bash
# End-to-end test of the running saver: the real executable on a virtual X
# server flies full screen, shows the preview picture inside a window of
# another program, flies inside such a window and the root window the way
# xscreensaver asks, and ends cleanly on a key and on SIGTERM.
set -u
bin=${1:?usage: saver_run.sh path/to/vexlar3d}
for tool in xvfb-run xdotool xwininfo xwd xlogo; do
  command -v "$tool" >/dev/null || { echo "missing $tool (run scripts/install-deps.sh)"; exit 1; }
done
exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash "$(dirname "$0")/lib/saver_run_cases.sh" "$bin" \
  "$(cd "$(dirname "$0")/../.." && pwd)/resources/bitmaps/preview.bmp"
