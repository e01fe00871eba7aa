#!/usr/bin/env bash
# clang-tidy (.clang-tidy) and cppcheck over the project's sources; any
# finding fails. Uses the compile commands of the build folder given.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}

scripts/install_packages.sh clang-tidy cppcheck clang-format
[[ -f "$build_dir/compile_commands.json" ]] || scripts/build.sh "$build_dir"

mapfile -t sources < <(git ls-files 'common/*.cpp' 'des_engine/*.cpp' 'tpdu_console/*.cpp' \
  'des_tool/*.cpp' 'mac_tool/*.cpp' 'testcard/*.cpp' | grep -v '_windows\.cpp$')

echo "clang-tidy: ${#sources[@]} files"
clang-tidy -p "$build_dir" --quiet "${sources[@]}" 2>/dev/null

echo "cppcheck: ${#sources[@]} files"
cppcheck --quiet --enable=warning,performance,portability --std=c++17 --error-exitcode=1 \
  --inline-suppr --suppress=missingIncludeSystem \
  -I common -I des_engine -I tpdu_console -I des_tool -I mac_tool "${sources[@]}"
echo "clang-format: every C++ file as .clang-format lays it out"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror

echo "static checks: clean"
