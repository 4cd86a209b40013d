#!/usr/bin/env bash
# End-to-end test of the command line: every option in both spellings and
# every refused value through the real executable, settings options that
# change the picture but store nothing, hexadecimal window ids for /p, and
# --window on a virtual X server.
set -u
bin=${1:?usage: options.sh path/to/vexlar3d}
for tool in xvfb-run xdotool xwininfo xwd xlogo; do
  command -v "$tool" >/dev/null || { echo "missing $tool (run scripts/install-deps.sh)"; exit 1; }
done
exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash "$(dirname "$0")/lib/options_cases.sh" "$bin"
