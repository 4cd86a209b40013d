#!/usr/bin/env bash
# End-to-end test of the saver as a citizen of the desktop, on virtual X
# servers of its own: it ends in order when the window it draws into goes
# away (/p, /l, --window-id) and when the X server itself goes away (/s),
# draws nothing while its window is unmapped, and covers two monitors side by
# side (Xephyr with two Xinerama heads, nested in an Xvfb).
set -u
bin=${1:?usage: desktop.sh path/to/vexlar3d}
for tool in Xvfb Xephyr xdotool xwininfo xwd xlogo; do
  command -v "$tool" >/dev/null || { echo "missing $tool (run scripts/install-deps.sh)"; exit 1; }
done
exec bash "$(dirname "$0")/lib/desktop_cases.sh" "$bin"
