#!/usr/bin/env bash
# Builds the Windows screen saver, its unit tests and its installer
# (build-win/) and runs them under Wine in a fresh prefix: the unit tests
# through CTest, then the end-to-end cases, the installer's last, under a
# virtual X server.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build-windows.sh all vexlar_setup
WINEPREFIX=$(mktemp -d /tmp/vexlar3d-wine.XXXXXX)
export WINEPREFIX
trap 'wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
WINEDEBUG=-all /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
wineserver -w
(cd build-win && env -u DISPLAY ctest -j"$(nproc)" --output-on-failure --timeout 300)
wineserver -w
# The installer just built: the newest, should older versions' be there too.
setup=$(ls -t build-win/vexlar3d-*-setup.exe | head -n 1)
bash tests/e2e/windows/wine_cases.sh "$(pwd)/build-win/vexlar3d.scr" "$(pwd)/$setup"
