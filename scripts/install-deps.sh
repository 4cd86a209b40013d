#!/usr/bin/env bash
# Installs the Debian packages Vexlar 3D needs to build, run and test.
# The one list of packages: the run command, the test command and CI use it.
# With --windows, those of the Windows build and its tests under Wine instead.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config
  libsdl2-dev libgl-dev libegl-dev libosmesa6-dev
  libfreeimage-dev libfluidsynth-dev timgm6mb-soundfont
  libgtk-3-dev libx11-dev libwayland-dev
  libgtest-dev libgmock-dev
  clang-14 libclang-rt-14-dev
  xvfb xauth xdotool x11-utils x11-apps imagemagick xdg-utils
  libcairo2-dev libfreetype-dev fonts-mplus
  xscreensaver xscreensaver-data xscreensaver-gl passwd libxml2-utils xserver-xephyr
  dpkg-dev lintian desktop-file-utils man-db file ffmpeg
  # As on MATE, Xfce and LXDE desktops: without a session bus, its dbus-launch
  # would be started by any D-Bus client; the tests prove the saver starts none.
  dbus-x11
  # The other Linux hosts: Wayland desktops (headless sway with Xwayland,
  # its idle daemon, a virtual keyboard, screenshots; Weston) and MATE's screen saver
  # with the session bus and settings store it needs.
  sway swayidle xwayland wtype grim weston
  mate-screensaver dbus-daemon dconf-service dconf-gsettings-backend libglib2.0-bin
)
if [ "${1:-}" = --windows ]; then
  PACKAGES=(
    cmake make imagemagick
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
    # GoogleTest's sources, cross-built for the unit tests under Wine
    googletest
    wine wine64 xvfb xauth xdotool x11-utils imagemagick
    # the installer and the zip (scripts/release.sh)
    nsis zip unzip
  )
fi

missing=()
for pkg in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$pkg")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
