#!/usr/bin/env bash
# Runs a program under valgrind memcheck with the given text as its piped
# standard input (printf escapes allowed). Fails on any memory error, any
# definite or indirect leak, or an exit status other than the expected one.
#   run_memcheck.sh EXPECTED_STATUS INPUT PROGRAM
set -u
expected_status=$1
input=$2
program=$3
log=$(mktemp)
trap 'rm -f "$log"' EXIT

# shellcheck disable=SC2059
printf "$input" | valgrind --quiet --error-exitcode=99 --leak-check=full \
  --errors-for-leak-kinds=definite,indirect --show-leak-kinds=definite,indirect \
  --log-file="$log" "$program" >/dev/null
status=$?
if [[ -s "$log" ]]; then
  cat "$log"
fi
if [[ $status -ne $expected_status ]]; then
  echo "exit status $status, expected $expected_status (99: memcheck found errors)"
  exit 1
fi
