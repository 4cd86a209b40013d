#!/usr/bin/env bash
# Configures and builds Vexlar 3D in build/ (Release, tests included);
# with target names as arguments (e.g. vexlar3d), only those.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXLAR_WERROR=ON >/dev/null
if [ $# -gt 0 ]; then
  cmake --build build -j"$(nproc)" --target "$@"
else
  cmake --build build -j"$(nproc)"
fi
