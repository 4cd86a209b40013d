#!/usr/bin/env bash
# End-to-end test with the real xscreensaver 6 daemon: it blanks one X screen
# and then two with our executable from the programs list of ~/.xscreensaver,
# and the settings preview runs it inside a small window (--window-id).
# xscreensaver refuses to run as root: lib/as_user.sh runs the cases.
set -u
bin=${1:?usage: xscreensaver_daemon.sh path/to/vexlar3d}
for tool in Xvfb xscreensaver xscreensaver-command xwd xwininfo xlogo xdotool convert compare setsid timeout; do
  command -v "$tool" >/dev/null || { echo "missing $tool (run scripts/install-deps.sh)"; exit 1; }
done
exec bash "$(dirname "$0")/lib/as_user.sh" xscreensaver_daemon_cases.sh 100 "$bin"
