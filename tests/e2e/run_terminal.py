#!/usr/bin/env python3
"""The console keys in a real terminal: each case runs a program on a
pseudo-terminal, types at it like an operator and checks the screen, the exit
status and that the terminal's settings are the same afterwards.

    run_terminal.py --list
    run_terminal.py --case NAME --console PATH --testcard PATH --probe PATH
                    --stack PATH --key-probe PATH
"""

import argparse
import fcntl
import os
import select
import shutil
import subprocess
import sys
import tempfile
import termios
import time

import run_e2e

RUN_TIMEOUT = 30  # hang guard


class Failure(Exception):
    pass


def on_screen(text):
    """What the terminal shows for program output: line feeds become CR LF."""
    return text.replace("\n", "\r\n").encode()


class Terminal:
    """A pseudo-terminal with one program on it as its controlling terminal."""

    def __init__(self, command, env, echo=True):
        self.master, self.slave = os.openpty()
        settings = termios.tcgetattr(self.slave)
        if echo:
            settings[3] |= termios.ECHO
        else:
            settings[3] &= ~termios.ECHO
        termios.tcsetattr(self.slave, termios.TCSANOW, settings)
        self.settings_before = termios.tcgetattr(self.slave)
        self.screen = bytearray()

        def controlling_terminal():
            os.setsid()
            fcntl.ioctl(0, termios.TIOCSCTTY, 0)

        self.process = subprocess.Popen(command, stdin=self.slave, stdout=self.slave,
                                        stderr=self.slave, env=env,
                                        preexec_fn=controlling_terminal)
        self.deadline = time.monotonic() + RUN_TIMEOUT

    def left(self):
        left = self.deadline - time.monotonic()
        if left <= 0:
            raise Failure("hangs; screen so far: %r" % bytes(self.screen))
        return left

    def read_available(self, wait):
        ready, _, _ = select.select([self.master], [], [], wait)
        if ready:
            self.screen.extend(os.read(self.master, 4096))
            return True
        return False

    def expect(self, text):
        """Waits until the screen ends with text (the program then waits)."""
        while not self.screen.endswith(text):
            self.read_available(min(self.left(), 0.2))

    def wait_for_key_mode(self):
        """Waits until the program has switched the terminal to single keys."""
        while termios.tcgetattr(self.slave)[3] & (termios.ICANON | termios.ECHO):
            self.left()
            time.sleep(0.01)

    def type(self, text):
        os.write(self.master, text.encode())

    def finish(self):
        while self.process.poll() is None:
            self.read_available(min(self.left(), 0.2))
        while self.read_available(0):
            pass
        settings_after = termios.tcgetattr(self.slave)
        os.close(self.master)
        os.close(self.slave)
        return self.process.returncode, settings_after

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()


def check(problems, what, actual, expected):
    if actual != expected:
        problems.append("%s\n  expected: %r\n  actual:   %r" % (what, expected, actual))


def key_waited_then_read(args, run):
    # The prompt is on the screen while the program waits for the key; the
    # key is not echoed and is still there for read_key after wait_for_key.
    terminal = Terminal([args.key_probe], dict(os.environ))
    run.at_end(terminal.stop)
    terminal.expect(b"press a key: ")
    terminal.wait_for_key_mode()
    terminal.type("x")
    status, settings = terminal.finish()
    return (bytes(terminal.screen), on_screen("press a key: pending\nkey x\n"),
            status, 0, settings, terminal.settings_before)


def key_typed_ahead(args, run):
    # A key typed before the program waits counts as pending at once. Echo
    # is off in this terminal so that the early key leaves no trace either way.
    terminal = Terminal([args.key_probe], dict(os.environ), echo=False)
    run.at_end(terminal.stop)
    terminal.type("y")
    status, settings = terminal.finish()
    return (bytes(terminal.screen), on_screen("press a key: pending\nkey y\n"),
            status, 0, settings, terminal.settings_before)


def console_failure(args, run):
    # No PC/SC service: the message, then a wait for a key that is not
    # echoed; status 1 and the terminal as it was.
    env = dict(os.environ, PCSCLITE_CSOCK_NAME="/nonexistent/pcscd.comm")
    terminal = Terminal([args.console], env)
    run.at_end(terminal.stop)
    expected = on_screen(run_e2e.BANNER + "Failed SCardEstablishContext\n")
    terminal.expect(expected)
    terminal.wait_for_key_mode()
    terminal.type("q")
    status, settings = terminal.finish()
    return bytes(terminal.screen), expected, status, 1, settings, terminal.settings_before


def console_session(args, run):
    # A session on the virtual card: the prompt is shown before the console
    # reads, the typed line is echoed by the terminal, the answer follows.
    run_e2e.start_stack(run, {})
    run_e2e.insert_cards(run, {"cards": {0: []}})
    terminal = Terminal([args.console], dict(os.environ))
    run.at_end(terminal.stop)
    terminal.expect(on_screen(run_e2e.BANNER + run_e2e.FIRST_READER + run_e2e.PROMPT))
    terminal.type("00 A4 00 00 02 3F 00\r")
    terminal.expect(on_screen("00 A4 00 00 02 3F 00\n" + run_e2e.answer("61 0C") +
                              run_e2e.PROMPT))
    terminal.type("\r")
    status, settings = terminal.finish()
    expected = on_screen(run_e2e.BANNER + run_e2e.FIRST_READER + run_e2e.PROMPT +
                         "00 A4 00 00 02 3F 00\n" + run_e2e.answer("61 0C") +
                         run_e2e.PROMPT + "\n")
    return bytes(terminal.screen), expected, status, 0, settings, terminal.settings_before


CASES = {
    "key_waited_then_read": key_waited_then_read,
    "key_typed_ahead": key_typed_ahead,
    "console_failure_restores_terminal": console_failure,
    "console_session": console_session,
}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--list", action="store_true")
    parser.add_argument("--case")
    for program in ("--console", "--testcard", "--probe", "--stack", "--key-probe"):
        parser.add_argument(program)
    args = parser.parse_args()
    if args.list:
        print(";".join(CASES), end="")
        return 0
    if args.case not in CASES:
        parser.error("unknown case %r" % args.case)
    run = run_e2e.Run(args, tempfile.mkdtemp(prefix="terminal_%s_" % args.case))
    problems = []
    try:
        screen, expected, status, expected_status, after, before = CASES[args.case](args, run)
        check(problems, "screen", screen, expected)
        check(problems, "exit status", status, expected_status)
        check(problems, "terminal settings after the program", after, before)
    except (Failure, run_e2e.Failure) as failure:
        problems.append(str(failure))
    finally:
        problems += run.finish()
        shutil.rmtree(run.work, ignore_errors=True)
    for problem in problems:
        print("FAIL %s: %s" % (args.case, problem))
    if not problems:
        print("ok %s" % args.case)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
