#!/usr/bin/env bash
# Configures and builds Vexlar 3D in build/ (Release, tests included).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXLAR_WERROR=ON >/dev/null
cmake --build build -j"$(nproc)"
