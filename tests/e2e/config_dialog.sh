#!/usr/bin/env bash
# End-to-end test of the settings dialog: the real executable on a virtual X
# server, driven with xdotool; the dialog reports what its widgets show on
# stderr (VEXLAR_DIALOG_DUMP).
set -u
bin=${1:?usage: config_dialog.sh path/to/vexlar3d}
for tool in xvfb-run xdotool xwininfo; do
  command -v "$tool" >/dev/null || { echo "missing $tool (run scripts/install-deps.sh)"; exit 1; }
done
exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash "$(dirname "$0")/lib/config_dialog_cases.sh" "$bin"
