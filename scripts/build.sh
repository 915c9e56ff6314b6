#!/usr/bin/env bash
# Configures and builds into ./build: with no argument the monitor, its tests, tools and
# benchmarks (what scripts/test.sh runs); with target names only those, e.g. `build.sh demo`
# for what the demo runs (the monitor and the programs it starts).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
if [ $# -gt 0 ]; then
  cmake --build build -j"$(nproc)" --target "$@"
  exit 0
fi
cmake --build build -j"$(nproc)"
cmake --build build -j"$(nproc)" --target benchmarks
