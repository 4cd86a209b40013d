#!/usr/bin/env bash
# Builds the native Windows screen saver with MinGW-w64: build-win/vexlar3d.scr
# (installing what it needs from Debian first). With target names as
# arguments, those instead (scripts/test-windows.sh builds "all", the unit
# tests included).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --windows
cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DVEXLAR_WERROR=ON >/dev/null
cmake --build build-win -j"$(nproc)" --target "${@:-vexlar3d}"
[ $# -gt 0 ] || echo "Built $(pwd)/build-win/vexlar3d.scr"
