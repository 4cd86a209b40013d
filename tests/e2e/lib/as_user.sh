#!/usr/bin/env bash
# Runs a case file of a host that refuses root (xscreensaver, sway) as an
# ordinary user, in a session of its own that nothing outlives:
#   as_user.sh CASES LIMIT_S BIN [TOOL...]
# As root this creates the user vexlar-e2e and runs as that user; run by
# anyone else it runs as that account. The executable (as exe/vexlar3d, not
# in PATH), the tools (bin/, in PATH) and the case files are copied to a
# scratch folder the user can read, since the checkout may be closed to it;
# the case file gets that executable and a work folder of the user's ($2).
# Screenshots are kept in $VEXLAR_E2E_SHOTS when it names a folder.
set -u
cases=$1 limit=$2 bin=$3
shift 3
[ -x "$bin" ] || { echo "no executable at $bin"; exit 1; }
here=$(cd "$(dirname "$0")" && pwd)
user=vexlar-e2e

scratch=$(mktemp -d /tmp/vexlar3d-e2e.XXXXXX)
session=""
cleanup() {
  # Whatever is left in the cases' session (the hosts' own processes included).
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
mkdir "$scratch/exe" "$scratch/bin" "$scratch/lib" "$scratch/work"
cp "$bin" "$scratch/exe/vexlar3d"
[ $# -gt 0 ] && cp "$@" "$scratch/bin/"
cp "$here/$cases" "$here/common.sh" "$here/screen.sh" "$scratch/lib/"
chmod 755 "$scratch/exe" "$scratch/bin" "$scratch/lib" "$scratch/exe/vexlar3d"
[ $# -gt 0 ] && chmod 755 "$scratch/bin/"*
chmod 644 "$scratch/lib/"*
chmod 700 "$scratch/work"

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
setsid timeout -k 5 "$limit" "${as_user[@]}" \
  env -i PATH="$scratch/bin:/usr/local/bin:/usr/bin:/bin" LANG=C.UTF-8 \
  ${ASAN_OPTIONS:+ASAN_OPTIONS=$ASAN_OPTIONS} ${VEXLAR_E2E_TIME_SCALE:+VEXLAR_E2E_TIME_SCALE=$VEXLAR_E2E_TIME_SCALE} \
  bash "$scratch/lib/$(basename "$cases")" "$scratch/exe/vexlar3d" "$scratch/work" &
session=$!
wait "$session"
rc=$?
[ $rc -eq 124 ] && echo "FAIL: the cases did not finish within $limit s"
exit $rc
