#!/usr/bin/env bash
# End-to-end test with MATE's real screen-saver daemon and its preferences.
# MATE runs savers only from its own folders (/usr/libexec/xscreensaver
# among them): as root the case mounts a folder holding ours there, in a
# mount namespace of its own that nothing else sees; anyone else is skipped.
set -u
bin=${1:?usage: mate_screensaver.sh path/to/vexlar3d}
for tool in Xvfb mate-screensaver mate-screensaver-command mate-screensaver-preferences dbus-daemon gsettings \
  xwd xwininfo convert unshare setsid timeout; do
  command -v "$tool" >/dev/null || { echo "missing $tool (run scripts/install-deps.sh)"; exit 1; }
done
here=$(cd "$(dirname "$0")" && pwd)
if [ "$(id -u)" -ne 0 ]; then
  echo "skipped: needs root, to show MATE our saver in /usr/libexec/xscreensaver privately"
  exit 77
fi
if [ -z "${VEXLAR_MOUNT_NAMESPACE:-}" ]; then
  exec unshare --mount --propagation private env VEXLAR_MOUNT_NAMESPACE=1 bash "$0" "$@"
fi
hack=$(mktemp -d /tmp/vexlar3d-mate.XXXXXX)
trap 'umount /usr/libexec/xscreensaver 2>/dev/null; rm -rf "$hack"' EXIT
cp "$bin" "$hack/vexlar3d"
chmod 755 "$hack" "$hack/vexlar3d"
mkdir -p /usr/libexec/xscreensaver
mount --bind "$hack" /usr/libexec/xscreensaver || { echo "FAIL: cannot mount over /usr/libexec/xscreensaver"; exit 1; }
bash "$here/lib/as_user.sh" mate_cases.sh 100 /usr/libexec/xscreensaver/vexlar3d \
  "$here/../../data/applications/screensavers/vexlar3d.desktop"
