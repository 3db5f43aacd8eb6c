#!/usr/bin/env bash
# Installs what the project needs, builds everything in build/ and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# Every core unless CMAKE_BUILD_PARALLEL_LEVEL says how many jobs, for the build and the tests.
jobs=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}
cmake --build build --parallel "$jobs" >build/build.log 2>&1 || { tail -n 60 build/build.log; exit 1; }
cd build
exec ctest --output-on-failure --parallel "$jobs"
