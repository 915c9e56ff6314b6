#!/usr/bin/env bash
# Installs the packages, builds everything and runs all tests.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
cd build
ctest --output-on-failure -j"$(nproc)"
