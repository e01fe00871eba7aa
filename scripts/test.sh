#!/usr/bin/env bash
# Every test of the project: installs what is missing, builds, runs the whole
# CTest suite. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install_packages.sh
scripts/build.sh build
ctest --test-dir build --output-on-failure --timeout 300
