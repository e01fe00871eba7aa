#!/usr/bin/env bash
# Every test of the project: installs what is missing, builds, and runs
#   1. clang-tidy and cppcheck over the sources,
#   2. each fuzz target for a bounded time (about a minute in all),
#   3. the Windows build's suites and dialogues under Wine,
#   4. the whole CTest suite built with AddressSanitizer and UBSan,
#   5. the whole CTest suite of the plain build (unit, end-to-end, terminal,
#      memcheck under valgrind, package).
# Exits non-zero on the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."

stage() { printf '\n==== %s\n' "$*"; }

stage "packages"
scripts/install_packages.sh clang clang-tidy cppcheck valgrind libclang-rt-14-dev \
  lintian dpkg-dev g++-mingw-w64-x86-64-posix wine wine64

stage "plain build"
scripts/build.sh build

stage "static checks"
scripts/static_checks.sh build

stage "fuzzing"
scripts/fuzz.sh "${FUZZ_SECONDS:-15}"

stage "Windows build under Wine"
scripts/windows.sh test

stage "sanitizer build (AddressSanitizer, UndefinedBehaviorSanitizer)"
cmake --preset sanitize >/dev/null
cmake --build build-sanitize -j"$(nproc)"
ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --test-dir build-sanitize --output-on-failure --timeout 300 -LE 'memcheck|package'

stage "plain build: every suite"
ctest --test-dir build --output-on-failure --timeout 300
