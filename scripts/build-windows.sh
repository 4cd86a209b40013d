#!/usr/bin/env bash
# Builds the native Windows screen saver with MinGW-w64: build-win/vexlar3d.scr
# (installing what it needs from Debian first). With target names as
# arguments, only those.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --windows
cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DVEXLAR_WERROR=ON >/dev/null
if [ $# -gt 0 ]; then
  cmake --build build-win -j"$(nproc)" --target "$@"
else
  cmake --build build-win -j"$(nproc)"
  echo "Built $(pwd)/build-win/vexlar3d.scr"
fi
