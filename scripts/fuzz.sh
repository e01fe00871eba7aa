#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each for a bounded time, starting from
# the seed corpus in fuzz/corpus. Fails on any finding.
#   scripts/fuzz.sh            about a minute in all (the test command's run)
#   scripts/fuzz.sh 3600       an hour per target
set -euo pipefail
cd "$(dirname "$0")/.."
seconds_per_target=${1:-15}

scripts/install_packages.sh clang libclang-rt-14-dev
cmake --preset fuzz >/dev/null
cmake --build build-fuzz -j"$(nproc)" >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for target in build-fuzz/fuzz/fuzz_*; do
  [[ -x "$target" && -f "$target" ]] || continue
  name=$(basename "$target")
  mkdir -p "$work/$name"
  # Findings go to fuzz-findings/, the seeds stay as they are.
  mkdir -p fuzz-findings
  if [[ -d "fuzz/corpus/$name" ]]; then seeds=("fuzz/corpus/$name"); else seeds=(); fi
  if "$target" "$work/$name" "${seeds[@]}" -max_total_time="$seconds_per_target" -max_len=2048 \
      -timeout=10 -rss_limit_mb=2048 -artifact_prefix="fuzz-findings/$name-" \
      >"$work/$name.log" 2>&1; then
    echo "fuzz: $name: $(grep -E '^Done' "$work/$name.log" || echo done)"
  else
    echo "fuzz: $name: FINDING"
    tail -n 40 "$work/$name.log"
    status=1
  fi
done
exit $status
