#!/usr/bin/env bash
# The three programs built for Windows with MinGW-w64 (static C and C++
# runtimes), in build-windows/.
#   scripts/windows.sh build   tpdu_console.exe, des_tool.exe, mac_tool.exe
#   scripts/windows.sh test    build, then run the Windows tests under Wine
set -euo pipefail
cd "$(dirname "$0")/.."
action=${1:-build}

scripts/install_packages.sh g++-mingw-w64-x86-64-posix
cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DKIT_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build-windows -j"$(nproc)"
ls -l build-windows/*/*.exe | grep -E 'tpdu_console|des_tool|mac_tool'
[[ "$action" == test ]] || exit 0

scripts/install_packages.sh wine wine64
# A Wine of our own, quiet, with no offer to install its extras.
export WINEPREFIX="$PWD/build-windows/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineboot --init >/dev/null 2>&1 || true

ctest --test-dir build-windows --output-on-failure --timeout 300
[[ -x build/des_tool/des_tool ]] || scripts/build.sh build
bash tests/windows/compare_dialogues.sh build build-windows
