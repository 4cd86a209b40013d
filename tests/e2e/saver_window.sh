#!/usr/bin/env bash
# End-to-end test of the saver window: the real executable on a virtual X
# server, closed by a key, a click, a mouse move and SIGTERM.
set -u
bin=${1:?usage: saver_window.sh path/to/vexlar3d}
for tool in xvfb-run xdotool xwininfo; do
  command -v "$tool" >/dev/null || { echo "missing $tool (run scripts/install-deps.sh)"; exit 1; }
done
exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash "$(dirname "$0")/lib/saver_window_cases.sh" "$bin"
