#!/usr/bin/env bash
# The programs built for Windows, run under Wine with piped input, must print
# the same bytes and end with the same status as the Linux build. Wine's
# WinSCard reaches no PC/SC service, so the console is compared with the Linux
# console that finds no service either: banner, one failure, status 1.
#   compare_dialogues.sh LINUX_BUILD_DIR WINDOWS_BUILD_DIR
set -u
linux=$1
windows=$2
key='01 23 45 67 89 AB CD EF\n'
cases=(
  "des_tool|${key}4E 6F 77 20 69 73 20 74\nC"
  "des_tool|${key}3F A4 0E 8A 98 4D 48 15\nD"
  "des_tool|01-23-45-67-89-AB-CD-EF\r\n4e 6f\n4E 6F 77 20 69 73 20 74 99\nc"
  "des_tool|${key}4E 6F 77 20 69 73 20 74\n"
  "des_tool|"
  "mac_tool|${key}00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF\n"
  "mac_tool|${key}00 11 22\n00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF\n"
  "mac_tool|${key}"
  "tpdu_console|00 A4 00 00 02 3F 00\n"
)
failures=0
for entry in "${cases[@]}"; do
  program=${entry%%|*}
  input=${entry#*|}
  # shellcheck disable=SC2059
  expected=$(printf "$input" | PCSCLITE_CSOCK_NAME=/nonexistent/pcscd.comm "$linux/$program/$program" |
    od -An -tx1; echo "status ${PIPESTATUS[1]}")
  # shellcheck disable=SC2059
  actual=$(printf "$input" | wine "$windows/$program/$program.exe" | od -An -tx1; echo "status ${PIPESTATUS[1]}")
  if [[ "$expected" == "$actual" ]]; then
    echo "same: $program <<< $input"
  else
    echo "DIFFERENT: $program <<< $input"
    diff <(echo "$expected") <(echo "$actual")
    failures=$((failures + 1))
  fi
done
((failures == 0))
