#!/usr/bin/env bash
# End-to-end test of the Windows build under Wine on a virtual X server of its
# own, in a fresh Wine prefix: the settings dialog (/c) stores its fifteen
# values on OK and nothing on Cancel; /s flies full screen with the clock and
# ends on a key; /p lives in another program's preview box (preview_host.cpp,
# compiled here) and ends with it; an unknown switch ends at once; a settings
# file of the Linux build imports. With the installer as $2, after those: it
# installs silently for all users, the installed saver runs, and its
# uninstaller removes all it put down but the settings.
# Prints one line per check and a closing "N passed, N failed" line; exits
# non-zero on any failure. Screenshots are kept in $VEXLAR_E2E_SHOTS when it
# names a folder.
set -u
scr=$(realpath "${1:?usage: wine_cases.sh path/to/vexlar3d.scr [path/to/vexlar3d-VERSION-setup.exe]}")
here=$(cd "$(dirname "$0")" && pwd)
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
cxx=x86_64-w64-mingw32-g++-posix
for tool in Xvfb xdotool xwininfo xwd "$cxx" "$wine"; do
  command -v "$tool" >/dev/null || { echo "missing $tool (run scripts/install-deps.sh --windows)"; exit 1; }
done
# shellcheck source=tests/e2e/lib/common.sh
source "$here/../lib/common.sh"
begin_cases "$scr"
# shellcheck source=tests/e2e/lib/screen.sh
source "$here/../lib/screen.sh"
compare=/usr/bin/compare
[ -x "$compare" ] || compare=compare

key='HKCU\Software\Microsoft\Screensavers\Vexlar 3D ScreenSaver\Into the Vexlar'
# The fifteen values as the registry holds them, sorted.
settings="Background BackgroundBr BitCount DoThrottle ExitOnMouseMove Height HiTexQuality Music MusicVolume
ShowFPS ShowPictures ShowTime UseDesktopSettings VexlarStream Width"

# A prefix and a home of our own (an ALSA null device lets the music start);
# Wine's .NET and HTML engines are left out, they would ask to be installed.
export WINEPREFIX=$work/prefix HOME=$work/home WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$HOME"
echo 'pcm.!default { type null }' >"$HOME/.asoundrc"
trap '"$wineserver" -k 2>/dev/null; kill $(jobs -p) 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
DISPLAY=":$(head -n 1 "$work/display")"
export DISPLAY
wait_for_display "$DISPLAY" || { echo "FAIL: no X server ($(tail -n 3 "$work/xvfb.log"))"; exit 1; }

"$cxx" -std=c++20 -O2 -static -o "$work/preview_host.exe" "$here/preview_host.cpp" -lgdi32 2>"$work/cxx.log" &
compiler=$!
"$wine" wineboot -i >"$work/wineboot.log" 2>&1
"$wineserver" -w

# stored_values: the names of the values under $key, sorted, one line.
stored_values() {
  "$wine" reg query "$key" 2>/dev/null | tr -d '\r' | awk '$2 == "REG_DWORD" { print $1 }' | sort | xargs
}
ms_since() { echo $((($(date +%s%N) - $1) / 1000000)); }

# ---- an unknown switch: the unusable-switch code (-1, 255 to Linux), no window
begin=$(date +%s%N)
"$wine" "$scr" /x >"$work/x.log" 2>&1
code=$? took=$(ms_since "$begin")
windows=$(xdotool search --classname '^vexlar3d\.scr$' 2>/dev/null | wc -l)
[ $code = 255 ] && [ "$windows" = 0 ] && [ "$took" -le "$(bound_ms 5000)" ] && ok "/x ends with 255 and no window (${took} ms)" \
  || fail "/x ends with 255 and no window within 5 s (exit $code, $windows windows, ${took} ms)"

# ---- /c: the dialog; Escape stores nothing (the prefix is still fresh), Return all fifteen values
# run_dialog <key>: opens /c, presses the key in the dialog; sets code (or "timeout", "no dialog").
run_dialog() {
  "$wine" "$scr" /c >>"$work/c.log" 2>&1 &
  local pid=$! dialog
  dialog=$(timeout "$(($(bound_ms 30000) / 1000))" xdotool search --sync --onlyvisible \
    --name 'Vexlar Screensaver Configuration$' 2>/dev/null | head -n 1)
  if [ -z "$dialog" ]; then
    kill -0 "$pid" 2>/dev/null && code="no dialog" || code="no dialog, it ended: $(tail -n 2 "$work/c.log" | xargs)"
    kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; return
  fi
  sleep 0.5
  [ "$1" = Escape ] && shot dialog
  xdotool windowfocus --sync "$dialog" key "$1"
  wait_exit "$pid" 10
  code=$exit_code
}
run_dialog Escape
if [[ $code == "no dialog"* ]]; then
  fail "/c shows the settings dialog (windows: $(xdotool search --name . getwindowname %@ 2>/dev/null | xargs))"
else
  ok "/c shows the settings dialog"
  values=$(stored_values)
  [ "$code" = 2 ] && [ -z "$values" ] && ok "Escape closes the dialog (exit 2), storing nothing" \
    || fail "Escape closes the dialog (exit 2), storing nothing (exit $code, stored: ${values:-nothing})"
  run_dialog Return
  values=$(stored_values)
  [ "$code" = 1 ] && [ "$values" = "${settings//$'\n'/ }" ] && ok "Return closes the dialog (exit 1), storing the fifteen values" \
    || fail "Return closes the dialog (exit 1), storing the fifteen values (exit $code, stored: ${values:-nothing})"
fi

# ---- a settings file the Linux build wrote (LF line ends) imports as it is
printf '%s\n' 'Windows Registry Editor Version 5.00' '' "[${key/HKCU/HKEY_CURRENT_USER}]" '"VexlarStream"=dword:00000001' \
  >"$work/linux.reg"
"$wine" regedit /S "Z:${work//\//\\}\\linux.reg" >/dev/null 2>&1
streams=$("$wine" reg query "$key" /v VexlarStream 2>/dev/null | tr -d '\r' | awk '$1 == "VexlarStream" { print $3 }')
[ "$streams" = 0x1 ] && ok "a registry.reg of the Linux build imports with regedit" \
  || fail "a registry.reg of the Linux build imports with regedit (VexlarStream: ${streams:-none})"
"$wineserver" -w

# ---- /s: green code over black (the sky box off), moving, the clock at the bottom right; a key ends it
"$wine" reg add "$key" /v ShowTime /t REG_DWORD /d 2 /f >/dev/null 2>&1
"$wine" reg add "$key" /v Background /t REG_DWORD /d 1 /f >/dev/null 2>&1
xdotool mousemove 500 400
"$wine" "$scr" /s >"$work/s.log" 2>&1 &
pid=$!
if timeout 20 xdotool search --sync --onlyvisible --name '^Screen Saver$' >/dev/null 2>&1 && sleep 3 && kill -0 $pid 2>/dev/null; then
  shot fullscreen
  sleep 1
  shot later
  shot clock 300x64+720+690
  shot top_left 300x64+0+0
  is_green fullscreen && ok "/s shows green code" \
    || fail "/s shows green code (r $(measure fullscreen mean.r), g $(measure fullscreen mean.g), b $(measure fullscreen mean.b))"
  moved=$("$compare" -metric AE "$work/fullscreen.png" "$work/later.png" null: 2>&1)
  holds "a > 0.01 * 1024 * 768" "$moved" && ok "/s moves ($moved pixels changed in a second)" \
    || fail "/s moves (only $moved pixels changed in a second)"
  # The clock's digits are white: much red in them, little anywhere in the rain.
  c=$(share clock R 70) t=$(share top_left R 70)
  awk -v c="$c" -v t="$t" 'BEGIN { exit !(c > 0.05 && c > 4 * t) }' && ok "/s shows the clock at the bottom right" \
    || fail "/s shows the clock at the bottom right (white share $c there, $t at the top left)"
  # Without a window manager Wine waits 2 s for the unmapped window's withdrawal.
  xdotool key space
  wait_exit $pid 10
  [ "$exit_code" = 0 ] && [ "$took_ms" -le "$(bound_ms 5000)" ] && ok "/s ends with 0 on a key (${took_ms} ms)" \
    || fail "/s ends with 0 on a key within 5 s (exit $exit_code, ${took_ms:-?} ms)"
else
  fail "/s shows its window and keeps running ($(tail -n 3 "$work/s.log"))"
fi

# ---- /p: inside the preview box of another program, ended by the box's destruction
if wait $compiler; then
  "$wine" "$work/preview_host.exe" "Z:${scr//\//\\}" 4 >"$work/host.log" 2>&1 &
  host=$!
  for _ in $(seq 1 100); do grep -q '^box' "$work/host.log" && break; sleep 0.1; done
  read -r _ x y < <(grep '^box' "$work/host.log" | tr -d '\r')
  sleep 3
  shot preview "152x112+${x:-0}+${y:-0}"
  wait_exit $host 30
  child=$(grep '^child' "$work/host.log" | tr -d '\r')
  [ "$child" = "child WindowsScreenSaverClass 152x112 visible" ] && ok "/p shows its window filling the preview box" \
    || fail "/p shows its window filling the preview box (${child:-host: $(tail -n 2 "$work/host.log")})"
  "$convert" "$here/../../../resources/bitmaps/preview.bmp" -crop 152x112+0+0 +repage "$work/expected.png"
  differ=$("$compare" -metric AE -fuzz 3% "$work/preview.png" "$work/expected.png" null: 2>&1)
  if [ "$("$convert" "$work/preview.png" -format '%[max]' info:)" = 0 ]; then
    # Wine 8 gives GDI in a window whose top-level window belongs to another
    # process no X drawable (and Direct3D in a child window shows nothing here
    # either): what the saver paints there never reaches the screen.
    echo "skip: /p shows the preview picture in the box (all black: Wine shows nothing drawn inside another process's window)"
  elif [ "$differ" = 0 ]; then ok "/p shows the preview picture in the box"
  else fail "/p shows the preview picture in the box ($differ pixels differ)"; fi
  read -r _ code _ ms _ < <(grep '^exit' "$work/host.log" | tr -d '\r')
  [ "${code:-}" = 0 ] && [[ ${ms:-} =~ ^[0-9]+$ ]] && [ "$ms" -le "$(bound_ms 2000)" ] && ok "/p ends with 0 when the box goes (${ms} ms)" \
    || fail "/p ends with 0 within 2 s when the box goes ($(grep '^exit' "$work/host.log"))"
else
  fail "preview_host.cpp compiles ($(head -n 3 "$work/cxx.log"))"
fi

# ---- the installer, silent: for all users (Wine's user is an administrator)
if [ -n "${2:-}" ]; then
  setup=$(realpath "$2")
  version=${setup##*/vexlar3d-} version=${version%-setup.exe}
  entry='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vexlar 3D'
  installed=$WINEPREFIX/drive_c/windows/system32/vexlar3d.scr folder="$WINEPREFIX/drive_c/Program Files/Vexlar 3D"
  entry_value() { "$wine" reg query "$entry" /v "$1" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$1 *REG_[A-Z]* *//p"; }
  "$wine" "$setup" /S >"$work/setup.log" 2>&1
  code=$? shown=$(entry_value DisplayVersion) size=$(entry_value EstimatedSize)
  [ $code = 0 ] && [ -f "$installed" ] && [ -f "$folder/uninstall.exe" ] && [ "$shown" = "$version" ] \
    && [ $((${size:-0} * 1024)) -ge "$(stat -c %s "$installed")" ] \
    && ok "setup /S installs the saver into System32 and the uninstaller, entry version $version" \
    || fail "setup /S installs the saver into System32 and the uninstaller, entry version $version (exit $code,\
 $(find "$installed" "$folder/uninstall.exe" 2>/dev/null | wc -l) of the 2 files, version ${shown:-none}, $((${size:-0})) KB)"
  "$wine" "$installed" /s >"$work/installed.log" 2>&1 &
  pid=$!
  if timeout 20 xdotool search --sync --onlyvisible --name '^Screen Saver$' >/dev/null 2>&1; then
    sleep 2
    xdotool key space
    wait_exit $pid 10
  else kill $pid; exit_code="no window"; fi
  [ "$exit_code" = 0 ] && ok "the installed saver's /s shows its window and ends on a key" \
    || fail "the installed saver's /s shows its window and ends on a key ($exit_code)"
  # ---- the uninstaller as the entry's QuietUninstallString starts it: it goes on from a copy of
  # itself in the temporary folder, so wait for the files to go, then for the process
  quiet=$(entry_value QuietUninstallString) uninstaller=$(entry_value UninstallString)
  "$wine" "${uninstaller//\"/}" /S >"$work/uninstall.log" 2>&1
  for _ in $(seq 1 "$(bound_ms 300)"); do [ -e "$installed" ] || [ -e "$folder" ] || break; sleep 0.1; done
  timeout 60 "$wineserver" -w
  left=$(ls -d "$installed" "$folder" 2>/dev/null; "$wine" reg query "$entry" >/dev/null 2>&1 && echo entry)
  [ "$quiet" = "$uninstaller /S" ] && [ -z "$left" ] && ok "uninstall /S removes the saver, its own folder and the entry" \
    || fail "uninstall /S removes the saver, its own folder and the entry (left: ${left//$'\n'/, }; quiet: $quiet)"
  values=$(stored_values)
  [ -n "$values" ] && ok "uninstall /S keeps the settings" || fail "uninstall /S keeps the settings"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
