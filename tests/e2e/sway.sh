#!/usr/bin/env bash
# End-to-end test with a real Wayland desktop: headless sway (pixman
# renderer) with Xwayland and swayidle, moved by wtype and a virtual pointer;
# then a headless Weston.
set -u
bin=${1:?usage: sway.sh path/to/vexlar3d path/to/virtual_pointer}
pointer=${2:?usage: sway.sh path/to/vexlar3d path/to/virtual_pointer}
for tool in sway swayidle swaymsg wtype grim Xwayland weston convert identify setsid timeout; do
  command -v "$tool" >/dev/null || { echo "missing $tool (run scripts/install-deps.sh)"; exit 1; }
done
exec bash "$(dirname "$0")/lib/as_user.sh" sway_cases.sh 100 "$bin" "$pointer"
