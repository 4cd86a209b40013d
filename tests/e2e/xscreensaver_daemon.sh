#!/usr/bin/env bash
# End-to-end test with the real xscreensaver 6 daemon: it blanks one X screen
# and then two with our executable from the programs list of ~/.xscreensaver,
# and the settings preview runs it inside a small window (--window-id).
#
# xscreensaver refuses to run as root, so as root this creates an ordinary
# user (vexlar-e2e) and runs everything as that user; run by anyone else it
# runs as that account. The executable and the cases are copied to a scratch
# folder the user can read, since the checkout may be closed to it.
# Screenshots are kept in $VEXLAR_E2E_SHOTS when it names a folder.
set -u
bin=${1:?usage: xscreensaver_daemon.sh path/to/vexlar3d}
for tool in Xvfb xscreensaver xscreensaver-command xwd xwininfo xlogo xdotool convert compare setsid timeout; do
  command -v "$tool" >/dev/null || { echo "missing $tool (run scripts/install-deps.sh)"; exit 1; }
done
[ -x "$bin" ] || { echo "no executable at $bin"; exit 1; }
here=$(cd "$(dirname "$0")" && pwd)
user=vexlar-e2e

scratch=$(mktemp -d /tmp/vexlar3d-xscreensaver.XXXXXX)
session=""
cleanup() {
  # Whatever is left in the cases' session (the daemon's hacks included).
  if [ -n "$session" ]; then
    local sig stat fields sid left
    for sig in TERM KILL; do
      left=()
      for stat in /proc/[0-9]*/stat; do
        fields=$(cat "$stat" 2>/dev/null) || continue
        fields=${fields##*) }
        read -r _ _ _ sid _ <<<"$fields"
        [ "$sid" = "$session" ] && left+=("$(basename "$(dirname "$stat")")")
      done
      [ ${#left[@]} -eq 0 ] && break
      kill -"$sig" "${left[@]}" 2>/dev/null
      sleep 0.3
    done
  fi
  if [ -n "${VEXLAR_E2E_SHOTS:-}" ] && mkdir -p "$VEXLAR_E2E_SHOTS"; then
    find "$scratch/work" -name '*.png' -exec cp {} "$VEXLAR_E2E_SHOTS/" \; 2>/dev/null
  fi
  rm -rf "$scratch"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

chmod 755 "$scratch"
mkdir "$scratch/bin" "$scratch/lib" "$scratch/work"
cp "$bin" "$scratch/bin/vexlar3d"
cp "$here/lib/xscreensaver_daemon_cases.sh" "$here/lib/common.sh" "$scratch/lib/"
chmod 755 "$scratch/bin" "$scratch/lib" "$scratch/bin/vexlar3d"
chmod 644 "$scratch/lib/"*

as_user=()
if [ "$(id -u)" -eq 0 ]; then
  if ! id "$user" >/dev/null 2>&1; then
    useradd --create-home --shell /bin/bash "$user" || { echo "FAIL: cannot create the user $user"; exit 1; }
  fi
  chown "$user:" "$scratch/work"
  as_user=(runuser -u "$user" --)
fi

# A session of its own, so that nothing the cases started outlives them.
# A clean environment, but for the sanitizer's options and time scale of a
# sanitized build.
setsid timeout -k 5 100 "${as_user[@]}" env -i PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8 \
  ${ASAN_OPTIONS:+ASAN_OPTIONS=$ASAN_OPTIONS} ${VEXLAR_E2E_TIME_SCALE:+VEXLAR_E2E_TIME_SCALE=$VEXLAR_E2E_TIME_SCALE} \
  bash "$scratch/lib/xscreensaver_daemon_cases.sh" "$scratch/bin/vexlar3d" "$scratch/work" &
session=$!
wait "$session"
rc=$?
[ $rc -eq 124 ] && echo "FAIL: the cases did not finish within 100 s"
exit $rc
