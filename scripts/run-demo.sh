#!/usr/bin/env bash
# Installs what the project needs, builds everything in build/ and starts the application.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --parallel "$(nproc)"
exec build/bin/velmorand
