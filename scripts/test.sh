#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (unit and end-to-end),
# then the end-to-end cases again against a build with AddressSanitizer and
# UndefinedBehaviorSanitizer (build-asan/), so that a fault at the edges of
# the process (a window or display that goes away, the end) shows up.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
(cd build && ctest --output-on-failure -j2 --timeout 300)
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXLAR_WERROR=ON -DVEXLAR_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$(nproc)" --target vexlar3d vexlar_device_probe
(cd build-asan && ctest --output-on-failure --timeout 300 -R '^e2e\.')
