#!/usr/bin/env bash
# End-to-end test of the device layer on a real window: a Direct3D device on
# a window of the Win32 layer under a virtual X server, cleared to a colour
# and presented (full screen by Flip at 32 and 16 bits, windowed by a blit),
# and a screenshot that shows that colour. $1 is the vexlar3d executable;
# the probe program is built next to it.
set -u
bin=${1:?usage: device_window.sh path/to/vexlar3d}
probe="$(dirname "$bin")/vexlar_device_probe"
[ -x "$probe" ] || { echo "missing $probe"; exit 1; }
for tool in xvfb-run xwd convert; do
  command -v "$tool" >/dev/null || { echo "missing $tool (run scripts/install-deps.sh)"; exit 1; }
done
exec xvfb-run -a -s "-screen 0 800x600x24 -nolisten tcp" bash "$(dirname "$0")/lib/device_window_cases.sh" "$probe"
