#!/usr/bin/env bash
# The main job: tpdu_console at this terminal. Installs what is missing,
# builds, starts pcscd when it does not run, and, when no real reader is
# attached, puts the virtual test card into the first virtual reader. Stops
# what it started when the console ends.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${DEMO_BUILD_DIR:-build}  # the README builds in build/
virtual_prefix="Virtual PCD"
first_virtual_reader="Virtual PCD 00 00"

bash scripts/install_packages.sh
bash scripts/build.sh "$build_dir" >/dev/null

probe="$build_dir/testcard/reader_probe"
export PCSC_STACK_STATE
PCSC_STACK_STATE=$(mktemp -u /tmp/demo_pcscd.XXXXXX)
card_pid=
no_virtual=

# shellcheck disable=SC2317 # called by the trap
stop_started() {
    if [ -n "$card_pid" ]; then
        kill "$card_pid" 2>/dev/null || true
        wait "$card_pid" 2>/dev/null || true
    fi
    bash scripts/pcsc_stack.sh stop
    if [ -n "$no_virtual" ]; then
        rmdir "$no_virtual"
    fi
}
trap stop_started EXIT

bash scripts/pcsc_stack.sh start

readers=$("$probe" list)
real_readers=$(grep -v "^$virtual_prefix" <<<"$readers" || true)
first_listed=$(head -n 1 <<<"$readers")

if [ -n "$real_readers" ]; then
    echo "demo: real reader found: $(head -n 1 <<<"$real_readers")"
    if [[ "$first_listed" == "$virtual_prefix"* ]] && [ -f "$PCSC_STACK_STATE" ]; then
        # The console takes the first reader listed: list the real ones only,
        # with a pcscd of ours that loads no virtual reader.
        bash scripts/pcsc_stack.sh stop
        no_virtual=$(mktemp -d /tmp/demo_readers.XXXXXX)
        PCSC_STACK_PCSCD_ARGS="-c $no_virtual" bash scripts/pcsc_stack.sh start
        for _ in $(seq 50); do
            "$probe" list | grep -qv "^$virtual_prefix" && break
            sleep 0.1
        done
    elif [[ "$first_listed" == "$virtual_prefix"* ]]; then
        echo "demo: the running pcscd lists $first_listed first; the console will use it"
    fi
else
    echo "demo: no real reader; the virtual test card goes into $first_virtual_reader"
    "$build_dir/testcard/testcard" 2>/dev/null &
    card_pid=$!
    "$probe" wait "$first_virtual_reader" present 20
fi

status=0
"$build_dir/tpdu_console/tpdu_console" || status=$?
exit "$status"
