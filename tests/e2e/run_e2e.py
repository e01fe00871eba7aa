#!/usr/bin/env python3
"""End-to-end cases of tpdu_console on the real PC/SC stack.

Each case starts pcscd when it is not running (scripts/pcsc_stack.sh), puts
virtual test cards (testcard) into the readers of the vpcd driver, runs the
real tpdu_console with piped input, and compares its whole output byte for
byte, its exit status and the commands each card logged. Everything it started
is stopped again, also when the case fails.

    run_e2e.py --list
    run_e2e.py --case NAME --console PATH --testcard PATH --probe PATH --stack PATH
"""

import argparse
import os
import select
import shutil
import subprocess
import sys
import tempfile
import time

READERS = ["Virtual PCD 00 00", "Virtual PCD 00 01"]
PORTS = [35963, 35964]
SKIP = 77

# Hang guards, not expectations: a healthy run takes well under a second.
RUN_TIMEOUT = 30
WAIT_TIMEOUT = 20

BANNER = (
    "******************\n"
    "*   TORVA TEST   *\n"
    "******************\n"
    "\n"
    "Utilizzare per il comando la rappresentazione esadecimale TPDU \n"
    "con caratteri maiuscoli, separando i bytes con spazi.\n"
    "Il segnale acustico segnala che la sintassi non e' corretta e \n"
    "che il comando deve essere ripetuto.\n"
    "Per uscire dal programma digitare Invio a vuoto.\n"
    "\n"
)
FIRST_READER = "Smartcard Reader : Virtual PCD 00 00\n\n"
PROMPT = "-> "


def answer(hex_bytes):
    """The console's text for one response: '<- ', each byte and a space, an empty line."""
    return "<- " + "".join(b + " " for b in hex_bytes.split()) + "\n\n"


def dialogue(*steps):
    """Prompts and answers of a session: (command line, answer hex) pairs."""
    return "".join(PROMPT + answer(reply) for _, reply in steps)


def lines(*steps):
    return "".join(command + "\n" for command, _ in steps)


SELECT_MF = ("00 A4 00 00 02 3F 00", "61 0C")
GET_RESPONSE_MF = ("00 C0 00 00 0C", "62 0A 82 01 38 83 02 3F 00 8A 01 05 90 00")
SELECT_DF = ("00 A4 00 00 02 7F 10", "61 0C")
SELECT_RECORDS = ("00 A4 00 00 02 6F 3A", "61 10")
READ_RECORD_1 = ("00 B2 01 04 0A", "52 45 43 4F 52 44 2D 30 30 31 90 00")
READ_RECORD_3 = ("00 B2 03 04 0A", "52 45 43 4F 52 44 2D 30 30 33 90 00")
READ_MISSING_RECORD = ("00 B2 07 04 0A", "6A 83")
READ_SHORT = ("00 B2 01 04 05", "6C 0A")
CHALLENGE = ("00 84 00 00 08", "3B 7C AE D4 B2 75 50 BA 90 00")  # seed 1
PIN_TRIES = ("00 20 00 01 00", "63 C3")
PIN_WRONG = ("00 20 00 01 08 31 31 31 31 FF FF FF FF", "63 C2")
PIN_RIGHT = ("00 20 00 01 08 31 32 33 34 FF FF FF FF", "90 00")
UNKNOWN_INS = ("00 CA 00 00 00", "6D 00")
SELECT_SHORT = ("00 A4 00 00 01 3F", "67 00")

SESSION = (SELECT_MF, GET_RESPONSE_MF, SELECT_DF, SELECT_RECORDS, READ_RECORD_1,
           READ_RECORD_3, READ_MISSING_RECORD, READ_SHORT, CHALLENGE, PIN_TRIES,
           PIN_WRONG, PIN_RIGHT, UNKNOWN_INS, SELECT_SHORT)


def commands(*steps):
    return [command for command, _ in steps]


# Each case: cards (reader index -> testcard options), the console's input,
# its whole expected output, its exit status, and what each card logged
# (reader index -> command lines). Optional: env for the console, hold (another
# process holds the first reader's card), pull_after (the card is pulled out
# after that many answers, and the console types on only once the reader has
# seen it go), own_pcscd_args (the case needs a pcscd of its own, started with
# these arguments), stack=False (the case runs without pcscd).
CASES = [
    dict(name="select_mf",
         cards={0: []},
         input=lines(SELECT_MF) + "\n",
         output=BANNER + FIRST_READER + dialogue(SELECT_MF) + PROMPT,
         status=0,
         logs={0: commands(SELECT_MF)}),
    dict(name="read_record_ten_bytes",
         cards={0: []},
         input=lines(SELECT_RECORDS, READ_RECORD_1) + "\n",
         output=BANNER + FIRST_READER + dialogue(SELECT_RECORDS, READ_RECORD_1) + PROMPT,
         status=0,
         logs={0: commands(SELECT_RECORDS, READ_RECORD_1)}),
    dict(name="read_record_status_only",
         cards={0: []},
         input=lines(SELECT_RECORDS, READ_MISSING_RECORD) + "\n",
         output=BANNER + FIRST_READER + dialogue(SELECT_RECORDS, READ_MISSING_RECORD) + PROMPT,
         status=0,
         logs={0: commands(SELECT_RECORDS, READ_MISSING_RECORD)}),
    dict(name="session",
         cards={0: []},
         # A refused line (lower case) between the commands: BEL, nothing sent.
         input=lines(*SESSION[:3]) + "00 a4 00 00 02 3F 00\n" + lines(*SESSION[3:]) + "\n",
         output=BANNER + FIRST_READER + dialogue(*SESSION[:3]) + PROMPT + "\a"
         + dialogue(*SESSION[3:]) + PROMPT,
         status=0,
         logs={0: commands(*SESSION)}),
    dict(name="slow_card",
         cards={0: ["--delay-ms", "300"]},
         input=lines(SELECT_MF, GET_RESPONSE_MF) + "\n",
         output=BANNER + FIRST_READER + dialogue(SELECT_MF, GET_RESPONSE_MF) + PROMPT,
         status=0,
         logs={0: commands(SELECT_MF, GET_RESPONSE_MF)}),
    dict(name="empty_line_first",
         cards={0: []},
         input="\n" + lines(SELECT_MF),
         output=BANNER + FIRST_READER + PROMPT,
         status=0,
         logs={0: []}),
    dict(name="end_of_input",
         cards={0: []},
         input=lines(SELECT_MF),
         output=BANNER + FIRST_READER + dialogue(SELECT_MF) + PROMPT,
         status=0,
         logs={0: commands(SELECT_MF)}),
    dict(name="end_of_input_at_once",
         cards={0: []},
         input="",
         output=BANNER + FIRST_READER + PROMPT,
         status=0,
         logs={0: []}),
    dict(name="first_of_two_readers",
         cards={0: [], 1: []},
         input=lines(SELECT_MF, CHALLENGE) + "\n",
         output=BANNER + FIRST_READER + dialogue(SELECT_MF, CHALLENGE) + PROMPT,
         status=0,
         logs={0: commands(SELECT_MF, CHALLENGE), 1: []}),
    dict(name="card_in_second_reader_only",
         cards={1: []},
         input=lines(SELECT_MF) + "\n",
         output=BANNER + FIRST_READER + "Failed SCardConnect\n",
         status=1,
         logs={1: []}),
    dict(name="no_service",
         cards={},
         stack=False,
         env={"PCSCLITE_CSOCK_NAME": "/nonexistent/pcscd.comm"},
         input=lines(SELECT_MF) + "\n",
         output=BANNER + "Failed SCardEstablishContext\n",
         status=1,
         logs={}),
    dict(name="no_reader",
         cards={},
         own_pcscd_args="-c {empty_dir}",
         input=lines(SELECT_MF) + "\n",
         output=BANNER + "Failed SCardListReaders\n",
         status=1,
         logs={}),
    dict(name="no_card",
         cards={},
         input=lines(SELECT_MF) + "\n",
         output=BANNER + FIRST_READER + "Failed SCardConnect\n",
         status=1,
         logs={}),
    dict(name="card_held_by_another_process",
         cards={0: []},
         hold=True,
         input=lines(SELECT_MF) + "\n",
         output=BANNER + FIRST_READER + "Failed SCardConnect\n",
         status=1,
         logs={0: []}),
    dict(name="card_without_t0",
         cards={0: ["--t1"]},
         input=lines(SELECT_MF) + "\n",
         output=BANNER + FIRST_READER + "Failed SCardConnect\n",
         status=1,
         logs={0: []}),
    dict(name="card_removed_mid_session",
         cards={0: ["--drop-after", "1"]},
         pull_after=1,
         input=lines(SELECT_MF, GET_RESPONSE_MF) + "\n",
         output=BANNER + FIRST_READER + dialogue(SELECT_MF) + PROMPT + "Failed SCardTransmit\n",
         status=1,
         logs={0: commands(SELECT_MF)}),
    dict(name="answer_longer_than_expected",
         cards={0: ["--extra-bytes", "1"]},
         input=lines(SELECT_MF) + "\n",
         output=BANNER + FIRST_READER + PROMPT + "Failed SCardTransmit\n",
         status=1,
         logs={0: commands(SELECT_MF)}),
    dict(name="challenge_longer_than_expected",
         cards={0: ["--extra-bytes", "1"]},
         # Every answer is one byte longer: 13 bytes do not fit the 12 that
         # the console allows for P3 = 0A.
         input="00 84 00 00 0A\n\n",
         output=BANNER + FIRST_READER + PROMPT + "Failed SCardTransmit\n",
         status=1,
         logs={0: ["00 84 00 00 0A"]}),
]


class Failure(Exception):
    pass


class Run:
    """What one case started, to be stopped again in reverse order."""

    def __init__(self, args, work):
        self.args = args
        self.work = work
        self.cleanups = []

    def at_end(self, action):
        self.cleanups.append(action)

    def finish(self):
        problems = []
        for action in reversed(self.cleanups):
            try:
                action()
            except Exception as error:  # keep stopping the rest
                problems.append(str(error))
        return problems


def stack(run, command, extra_env=None):
    env = dict(os.environ, PCSC_STACK_STATE=os.path.join(run.work, "pcscd.started"))
    env.update(extra_env or {})
    result = subprocess.run(["bash", run.args.stack, command], env=env,
                            timeout=WAIT_TIMEOUT + 10)
    return result.returncode


def probe(run, *words, check=True):
    result = subprocess.run([run.args.probe, *words], capture_output=True, text=True,
                            timeout=WAIT_TIMEOUT + 10)
    if check and result.returncode != 0:
        raise Failure("reader_probe %s: status %d, %s" % (" ".join(words), result.returncode,
                                                          result.stderr.strip()))
    return result


def wait_reader(run, index, state):
    probe(run, "wait", READERS[index], state, str(WAIT_TIMEOUT))


def stop_process(process):
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout=5)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def start_stack(run, case):
    if "own_pcscd_args" in case:
        if stack(run, "running") == 0:
            raise SystemExit(SKIP)  # a pcscd we did not start is in the way
        empty = os.path.join(run.work, "no_readers")
        os.mkdir(empty)
        args = case["own_pcscd_args"].format(empty_dir=empty)
        if stack(run, "start", {"PCSC_STACK_PCSCD_ARGS": args}) != 0:
            raise Failure("pcscd did not start")
        run.at_end(lambda: stack(run, "stop"))
        return
    if stack(run, "start") != 0:
        raise Failure("pcscd did not start")
    run.at_end(lambda: stack(run, "stop"))
    # A card left over from elsewhere would spoil the case.
    for index in range(len(READERS)):
        wait_reader(run, index, "absent")


def insert_cards(run, case):
    for index, options in sorted(case["cards"].items()):
        log = os.path.join(run.work, "card%d.log" % index)
        card = subprocess.Popen(
            [run.args.testcard, "--port", str(PORTS[index]), "--log", log, *options],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        def pull(card=card, index=index):
            stop_process(card)
            wait_reader(run, index, "absent")
        run.at_end(pull)
        wait_reader(run, index, "present")


def hold_first_card(run):
    holder = subprocess.Popen([run.args.probe, "hold", READERS[0]], stdin=subprocess.PIPE,
                              stdout=subprocess.PIPE, text=True)

    def release():
        holder.stdin.close()
        try:
            holder.wait(timeout=WAIT_TIMEOUT)
        except subprocess.TimeoutExpired:
            stop_process(holder)
    run.at_end(release)
    if holder.stdout.readline() != "held\n":
        raise Failure("the holder could not connect to the card")


def read_until(process, output, done):
    """Reads the console's output into output until done(output) or it ends."""
    deadline = time.monotonic() + RUN_TIMEOUT
    fd = process.stdout.fileno()
    while not done(output):
        left = deadline - time.monotonic()
        if left <= 0:
            raise Failure("console hangs; output so far: %r" % bytes(output))
        ready, _, _ = select.select([fd], [], [], left)
        if ready:
            chunk = os.read(fd, 4096)
            if not chunk:
                return
            output.extend(chunk)


def run_console(run, case):
    env = dict(os.environ)
    env.pop("PCSCLITE_CSOCK_NAME", None)
    env.update(case.get("env", {}))
    console = subprocess.Popen([run.args.console], stdin=subprocess.PIPE,
                               stdout=subprocess.PIPE, env=env)
    run.at_end(lambda: stop_process(console))
    output = bytearray()
    input_lines = case["input"].encode().splitlines(keepends=True)
    pull_after = case.get("pull_after")
    if pull_after is not None:
        # Type each line only once its prompt is there, and pull the card out
        # between the answers.
        for number, line in enumerate(input_lines[:pull_after + 1]):
            read_until(console, output, lambda out, n=number + 1: out.count(PROMPT.encode()) >= n)
            if number == pull_after:
                wait_reader(run, 0, "absent")
            console.stdin.write(line)
            console.stdin.flush()
        input_lines = input_lines[pull_after + 1:]
    try:
        console.stdin.write(b"".join(input_lines))
        console.stdin.close()
    except BrokenPipeError:
        pass  # the console ended on a failure before reading all its input
    read_until(console, output, lambda out: False)
    try:
        status = console.wait(timeout=RUN_TIMEOUT)
    except subprocess.TimeoutExpired:
        raise Failure("console does not end; output: %r" % bytes(output))
    return bytes(output), status


def card_log(run, index):
    path = os.path.join(run.work, "card%d.log" % index)
    if not os.path.exists(path):
        return []
    with open(path) as log:
        return log.read().splitlines()


def run_case(args, case):
    work = tempfile.mkdtemp(prefix="e2e_%s_" % case["name"])
    run = Run(args, work)
    problems = []
    try:
        if case.get("stack", True):
            start_stack(run, case)
        insert_cards(run, case)
        if case.get("hold"):
            hold_first_card(run)
        output, status = run_console(run, case)
        expected = case["output"].encode()
        if output != expected:
            problems.append("output differs\n  expected: %r\n  actual:   %r" % (expected, output))
        if status != case["status"]:
            problems.append("exit status %d, expected %d" % (status, case["status"]))
    except Failure as failure:
        problems.append(str(failure))
    finally:
        problems += run.finish()
    # The logs are complete once the cards are out.
    for index, expected_log in sorted(case["logs"].items()):
        logged = card_log(run, index)
        if logged != expected_log:
            problems.append("card in %s received %r, expected %r" % (READERS[index], logged,
                                                                      expected_log))
    shutil.rmtree(work, ignore_errors=True)
    for problem in problems:
        print("FAIL %s: %s" % (case["name"], problem))
    if not problems:
        print("ok %s" % case["name"])
    return 1 if problems else 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--list", action="store_true")
    parser.add_argument("--case")
    parser.add_argument("--console")
    parser.add_argument("--testcard")
    parser.add_argument("--probe")
    parser.add_argument("--stack")
    parser.add_argument("--key-probe")
    args = parser.parse_args()
    if args.list:
        print(";".join(case["name"] for case in CASES), end="")
        return 0
    matching = [case for case in CASES if case["name"] == args.case]
    if not matching:
        parser.error("unknown case %r" % args.case)
    return run_case(args, matching[0])


if __name__ == "__main__":
    sys.exit(main())
