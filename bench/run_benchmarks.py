#!/usr/bin/env python3
"""Runs every benchmark of the kit and prints a table of medians and ratios.

  bench/run_benchmarks.py [--build DIR] [--runs N] [--commands N]

Sections: the DES engine against OpenSSL in one process; des_tool and mac_tool
as whole processes against the openssl command doing the same work; the card
console through pcscd and the virtual card against a minimal PC/SC client (the
floor) and against scriptor; the peak resident memory of each program. Ratios
matter more than the absolute figures on a shared machine.
"""
import argparse
import os
import random
import re
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
KEY = "0123456789ABCDEF"
BLOCK = "4E6F772069732074"
DATA16 = "00112233445566778899AABBCCDDEEFF"
READER = "Virtual PCD 00 00"
PORT = 35963


def spaced(hex_text):
    return " ".join(hex_text[i:i + 2] for i in range(0, len(hex_text), 2))


def median_seconds(command, runs, input_bytes=b"", env=None):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        result = subprocess.run(command, input=input_bytes, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL, env=env, timeout=600)
        times.append(time.perf_counter() - start)
        if result.returncode != 0:
            raise RuntimeError("%s: status %d" % (" ".join(command), result.returncode))
    return statistics.median(times)


def peak_kib(command, input_bytes=b""):
    result = subprocess.run(["/usr/bin/time", "-f", "%M", *command], input=input_bytes,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=600)
    return int(result.stderr.decode().strip().splitlines()[-1])


def ensure_packages(*packages):
    subprocess.run(["bash", os.path.join(ROOT, "scripts/install_packages.sh"), *packages],
                   check=True)


def engine_section(build):
    output = subprocess.run([os.path.join(build, "bench/des_benchmark"),
                             "--benchmark_repetitions=5", "--benchmark_color=false"],
                            capture_output=True, text=True, check=True).stdout
    match = re.search(r"engine ([\d.]+), OpenSSL ([\d.]+)", output)
    ours, theirs = float(match.group(1)), float(match.group(2))
    return [("DES block with key schedule", "%.0f ns" % ours, "OpenSSL DES_set_key_unchecked"
             " + DES_ecb_encrypt", "%.0f ns" % theirs, ours / theirs)]


def openssl_enc(cipher, key_hex, extra):
    return ["openssl", "enc", cipher, "-K", key_hex, "-nopad", "-provider", "legacy",
            "-provider", "default", *extra]


def calculator_section(build, runs):
    des_input = ("%s\n%s\nC" % (spaced(KEY), spaced(BLOCK))).encode()
    mac_input = ("%s\n%s\n" % (spaced(KEY), spaced(DATA16))).encode()
    des_ours = median_seconds([os.path.join(build, "des_tool/des_tool")], runs, des_input)
    des_theirs = median_seconds(openssl_enc("-des-ecb", KEY, []), runs, bytes.fromhex(BLOCK))
    mac_ours = median_seconds([os.path.join(build, "mac_tool/mac_tool")], runs, mac_input)
    mac_theirs = median_seconds(openssl_enc("-des-cbc", KEY, ["-iv", "0" * 16]), runs,
                                bytes.fromhex(DATA16))
    return [
        ("des_tool, whole process", "%.2f ms" % (des_ours * 1e3), "openssl enc -des-ecb",
         "%.2f ms" % (des_theirs * 1e3), des_ours / des_theirs),
        ("mac_tool, whole process", "%.2f ms" % (mac_ours * 1e3), "openssl enc -des-cbc",
         "%.2f ms" % (mac_theirs * 1e3), mac_ours / mac_theirs),
    ]


def session_commands(count):
    """A deterministic mix of the commands an operator sends."""
    mix = ["00 A4 00 00 02 3F 00", "00 C0 00 00 15", "00 B2 01 04 0A", "00 84 00 00 08"]
    rng = random.Random(7)
    return [mix[rng.randrange(len(mix))] for _ in range(count)]


class Stack:
    """pcscd (started only when not running) and one virtual card."""

    def __init__(self, build):
        self.build = build
        self.state = os.path.join(tempfile.mkdtemp(prefix="bench-pcscd."), "started")
        self.card = None

    def __enter__(self):
        env = dict(os.environ, PCSC_STACK_STATE=self.state)
        stack = os.path.join(ROOT, "scripts/pcsc_stack.sh")
        subprocess.run(["bash", stack, "install"], check=True)
        subprocess.run(["bash", stack, "start"], check=True, env=env)
        self.card = subprocess.Popen([os.path.join(self.build, "testcard/testcard"),
                                      "--port", str(PORT)],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run([os.path.join(self.build, "testcard/reader_probe"), "wait", READER,
                        "present", "20"], check=True)
        return self

    def __exit__(self, *exc):
        if self.card:
            self.card.terminate()
            self.card.wait(timeout=10)
        env = dict(os.environ, PCSC_STACK_STATE=self.state)
        subprocess.run(["bash", os.path.join(ROOT, "scripts/pcsc_stack.sh"), "stop"], env=env)


def console_section(build, count, runs):
    ensure_packages("pcsc-tools")
    commands = session_commands(count)
    with tempfile.TemporaryDirectory() as work:
        command_file = os.path.join(work, "commands")
        with open(command_file, "w") as f:
            f.write("\n".join(commands) + "\n")
        console_input = ("\n".join(commands) + "\n\n").encode()
        with Stack(build):
            console = median_seconds([os.path.join(build, "tpdu_console/tpdu_console")], runs,
                                     console_input)
            floor = median_seconds([os.path.join(build, "bench/pcsc_floor"), command_file], runs)
            scriptor = median_seconds(["scriptor", "-r", READER, "-p", "T=0", command_file], runs)
            memory = peak_kib([os.path.join(build, "tpdu_console/tpdu_console")], console_input)
    per = lambda seconds: "%.1f us" % (seconds / count * 1e6)
    rows = [
        ("tpdu_console, per command (%d piped)" % count, per(console),
         "minimal PC/SC client (floor)", per(floor), console / floor),
        ("tpdu_console, per command (%d piped)" % count, per(console), "scriptor",
         per(scriptor), console / scriptor),
    ]
    return rows, memory


def memory_section(build, console_memory):
    des_input = ("%s\n%s\nC" % (spaced(KEY), spaced(BLOCK))).encode()
    mac_input = ("%s\n%s\n" % (spaced(KEY), spaced(DATA16))).encode()
    rows = [("des_tool", peak_kib([os.path.join(build, "des_tool/des_tool")], des_input),
             "openssl enc -des-ecb", peak_kib(openssl_enc("-des-ecb", KEY, []),
                                              bytes.fromhex(BLOCK))),
            ("mac_tool", peak_kib([os.path.join(build, "mac_tool/mac_tool")], mac_input),
             "openssl enc -des-cbc", peak_kib(openssl_enc("-des-cbc", KEY, ["-iv", "0" * 16]),
                                              bytes.fromhex(DATA16)))]
    if console_memory is not None:
        rows.append(("tpdu_console (session)", console_memory, "", None))
    return rows


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--runs", type=int, default=31, help="runs per process measurement")
    parser.add_argument("--commands", type=int, default=1000)
    parser.add_argument("--skip-console", action="store_true")
    args = parser.parse_args()
    ensure_packages("time", "openssl")

    rows = engine_section(args.build) + calculator_section(args.build, args.runs)
    console_memory = None
    if not args.skip_console:
        console_rows, console_memory = console_section(args.build, args.commands, 11)
        rows += console_rows
    print("%-40s %12s   %-46s %12s %7s" % ("ours", "median", "against", "median", "ratio"))
    for ours, ours_value, theirs, theirs_value, ratio in rows:
        print("%-40s %12s   %-46s %12s %7.2f" % (ours, ours_value, theirs, theirs_value, ratio))
    print()
    print("%-40s %12s   %-46s %12s" % ("peak resident memory", "KiB", "against", "KiB"))
    for ours, kib, theirs, their_kib in memory_section(args.build, console_memory):
        print("%-40s %12d   %-46s %12s" % (ours, kib, theirs,
                                           "" if their_kib is None else str(their_kib)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
