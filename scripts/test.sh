#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (unit and end-to-end).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
cd build
ctest --output-on-failure -j2 --timeout 300
