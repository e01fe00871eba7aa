#!/usr/bin/env bash
# Configures and builds the project in build/ (or the folder given).
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" -j"$(nproc)"
