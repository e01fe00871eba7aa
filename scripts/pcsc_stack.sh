#!/usr/bin/env bash
# The PC/SC stack the console runs on: pcscd and the virtual reader driver of
# vsmartcard (vpcd), which offers the readers "Virtual PCD 00 00" (TCP port
# 35963) and "Virtual PCD 00 01" (35964) for the virtual test card.
#
#   scripts/pcsc_stack.sh install   installs pcscd, vpcd and the rest of the
#                                   project's packages when missing
#   scripts/pcsc_stack.sh start     starts pcscd unless it runs already, and
#                                   remembers that it did; waits for its socket
#   scripts/pcsc_stack.sh stop      stops pcscd only when start started it
#   scripts/pcsc_stack.sh running   status 0 when pcscd runs
#
# PCSC_STACK_STATE names the file where start remembers the pcscd it started
# (default: /tmp/pcsc_stack.<uid>.started), so that stop ends that one only.
# PCSC_STACK_PCSCD_ARGS adds arguments to pcscd (for example "-c DIR" for a
# reader configuration folder without the virtual readers).
# The script can also be sourced; the commands are then functions pcsc_*.

pcsc_socket=/run/pcscd/pcscd.comm
pcsc_state=${PCSC_STACK_STATE:-/tmp/pcsc_stack.$(id -u).started}
pcsc_wait_seconds=${PCSC_STACK_WAIT_SECONDS:-20}

pcsc_say() { echo "pcsc_stack: $*" >&2; }

pcsc_as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# The project's package script installs the stack with everything else.
pcsc_install() {
    bash "$(dirname "${BASH_SOURCE[0]}")/install_packages.sh"
}

# A pcscd process that is alive (not a zombie waiting to be reaped).
pcsc_pcscd_pids() {
    ps -C pcscd -o pid=,stat= 2>/dev/null | awk '$2 !~ /^Z/ { print $1 }'
}

pcsc_running() {
    [ -n "$(pcsc_pcscd_pids)" ] && [ -S "$pcsc_socket" ]
}

pcsc_wait_for() {  # condition-command... ; bounded by pcsc_wait_seconds
    local tries=$((pcsc_wait_seconds * 10))
    while ! "$@"; do
        tries=$((tries - 1))
        if [ "$tries" -le 0 ]; then
            return 1
        fi
        sleep 0.1
    done
}

pcsc_start() {
    if pcsc_running; then
        return 0
    fi
    if ! command -v pcscd >/dev/null; then
        pcsc_say "pcscd is not installed: run scripts/pcsc_stack.sh install"
        return 1
    fi
    if [ -n "$(pcsc_pcscd_pids)" ]; then
        # Alive but no socket yet: another starter is at work.
        pcsc_wait_for pcsc_running && return 0
        pcsc_say "pcscd runs but offers no socket at $pcsc_socket"
        return 1
    fi
    # shellcheck disable=SC2086 # the extra arguments are words
    pcsc_as_root pcscd ${PCSC_STACK_PCSCD_ARGS:-} || return 1
    if ! pcsc_wait_for pcsc_running; then
        pcsc_say "pcscd did not open $pcsc_socket"
        return 1
    fi
    # The pid file ends with a zero byte: keep the digits.
    local pid
    pid=$(tr -cd '0-9' </run/pcscd/pcscd.pid 2>/dev/null)
    [ -n "$pid" ] || pid=$(pcsc_pcscd_pids | head -n 1)
    echo "$pid" >"$pcsc_state"
}

pcsc_stop() {
    [ -f "$pcsc_state" ] || return 0
    local pid
    pid=$(cat "$pcsc_state")
    rm -f "$pcsc_state"
    if [ -z "$pid" ] || ! pcsc_pcscd_pids | grep -qx "$pid"; then
        return 0
    fi
    pcsc_as_root kill "$pid"
    pcsc_gone() { ! pcsc_pcscd_pids | grep -qx "$pid"; }
    pcsc_wait_for pcsc_gone || pcsc_as_root kill -9 "$pid"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    case "${1:-}" in
    install) pcsc_install ;;
    start) pcsc_start ;;
    stop) pcsc_stop ;;
    running) pcsc_running ;;
    *)
        echo "usage: $0 install|start|stop|running" >&2
        exit 64
        ;;
    esac
fi
