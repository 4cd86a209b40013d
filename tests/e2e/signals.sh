#!/usr/bin/env bash
# End-to-end test of the signals that end a saver: SIGTERM, SIGINT and SIGHUP
# delivered at 26 moments of loading, start-up and shut-down, from while its
# libraries are still being loaded to after the music started, and while a
# key press is ending it.
set -u
bin=${1:?usage: signals.sh path/to/vexlar3d}
for tool in xvfb-run xdotool; do
  command -v "$tool" >/dev/null || { echo "missing $tool (run scripts/install-deps.sh)"; exit 1; }
done
exec xvfb-run -a -s "-screen 0 640x480x24 -nolisten tcp" bash "$(dirname "$0")/lib/signals_cases.sh" "$bin"
