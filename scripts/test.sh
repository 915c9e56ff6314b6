#!/usr/bin/env bash
# Installs the packages, builds everything and runs all tests.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
cd build
# build.sh has built the benchmarks: a benchmark program that is missing fails its test.
MONITOR_REQUIRE_BENCHMARKS=1 ctest --output-on-failure -j"$(nproc)"
