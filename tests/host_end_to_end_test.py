#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Runs the real tamsel-health program: arguments, batch, the prompt, exit statuses."""
import argparse
import os
import signal
import subprocess
import sys
import threading
import unittest

PROGRAM = []          # the program, behind its emulator when cross-built
LINE_END = b"\n"      # how the program ends its lines
BANNER = [b"Tamsel Health Calculator - Command Line Medical Calculator",
          b"Usage: program.exe [formula] [parameters...]",
          b"Use 'help' or '-h' to see all available formulas"]


def run(*arguments, stdin=b""):
    return subprocess.run(PROGRAM + list(arguments), input=stdin, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, timeout=120)


def lines(*texts):
    return b"".join(text + LINE_END for text in texts)


class Arguments(unittest.TestCase):
    def test_one_request_from_the_arguments(self):
        result = run("bmi", "70", "1.75")
        self.assertEqual(result.stdout, lines(b"BMI: 22.86"))
        self.assertEqual(result.returncode, 0)

    def test_square_metres_are_utf8(self):
        self.assertEqual(run("bsa", "70", "175").stdout, lines("Body Surface Area: 1.845 m\u00b2".encode()))

    def test_a_negative_number_is_a_value_not_an_option(self):
        result = run("bmi", "-70", "1.75")
        self.assertEqual((result.stdout, result.returncode), (lines(b"BMI: -22.86"), 0))

    def test_wrong_requests_exit_with_2_and_still_answer(self):
        for arguments, answer in [(["bmi", "70"], b"Usage: bmi [weight_kg] [height_m]"),
                                  (["bodyfat_navy", "M", "90", "40", "180", "95"],
                                   b"Male requires: waist, neck, height"),
                                  (["foo", "1"], b"Unknown formula: foo"),
                                  (["--foo"], b"Unknown formula: --foo")]:
            result = run(*arguments)
            self.assertEqual((result.stdout, result.returncode), (lines(answer), 2), arguments)

    def test_no_formula_is_a_wrong_request(self):
        result = run("")
        self.assertEqual((result.stdout, result.returncode), (lines(LINE_END.join(BANNER)), 2))

    def test_the_listing_is_an_answer(self):
        result = run("help")
        self.assertEqual(result.returncode, 0)
        self.assertTrue(result.stdout.startswith(b"Available Medical Calculations:" + LINE_END))
        self.assertEqual(result.stdout.count(LINE_END), 23)
        self.assertIn(b"Body Fat % (Navy Method)", result.stdout)

    def test_non_ascii_arguments_reach_the_library_in_its_code_page(self):
        self.assertEqual(run("caf\u00e9", "\u4e2d").stdout, lines("Unknown formula: caf\u00e9".encode()))

    def test_version(self):
        result = run("--version")
        self.assertEqual((result.stdout, result.returncode), (lines(b"tamsel-health 1.0.0.1"), 0))

    def test_help_explains_the_modes_then_lists_the_formulas(self):
        result = run("--help")
        self.assertEqual(result.returncode, 0)
        self.assertIn(b"tamsel-health FORMULA", result.stdout)
        self.assertIn(b"Available Medical Calculations:", result.stdout)
        self.assertIn(b"  pulse_pressure [systolic] [diastolic]", result.stdout)


class Batch(unittest.TestCase):
    def test_answers_every_line_in_order(self):
        request = (b"bmi 70 1.75\n"
                   b"\n"                       # an empty line: the banner
                   b"max_hr 30\r\n"            # CRLF input
                   b"bmi 70 \xff1.75\n"        # invalid UTF-8 reads as "?"
                   b"caf\xc3\xa9 \xe2\x82\xac\n"
                   b"bsa 70 175")              # no final line end
        expected = lines(b"BMI: 22.86", LINE_END.join(BANNER), b"Maximum Heart Rate: 190 bpm",
                         b"BMI: inf", "Unknown formula: caf\u00e9".encode(),
                         "Body Surface Area: 1.845 m\u00b2".encode())
        for arguments in ([], ["-"]):
            result = run(*arguments, stdin=request)
            self.assertEqual(result.stdout, expected, arguments)
            self.assertEqual(result.returncode, 0, arguments)

    def test_wrong_requests_do_not_fail_the_batch(self):
        result = run("-", stdin=b"foo\nbmi 1\n")
        self.assertEqual(result.stdout, lines(b"Unknown formula: foo", b"Usage: bmi [weight_kg] [height_m]"))
        self.assertEqual(result.returncode, 0)

    def test_empty_input_gives_no_output(self):
        result = run("-")
        self.assertEqual((result.stdout, result.returncode), (b"", 0))

    def test_a_long_line_goes_to_the_library_whole(self):
        # The library keeps the first 1023 bytes; a cut inside the height would be dropped.
        request = b"bmi 70 1.75" + b" " * 3000 + b"x\n" + b"bmi" + b" " * 1016 + b"70 1.75\n"
        result = run("-", stdin=request)
        self.assertEqual(result.stdout, lines(b"BMI: 22.86", b"Usage: bmi [weight_kg] [height_m]"))

    def test_many_lines_stream_through(self):
        count = 200_000
        result = run("-", stdin=b"max_hr 30\nmap 120 80\n" * count)
        self.assertEqual(result.stdout, lines(b"Maximum Heart Rate: 190 bpm", b"Mean Arterial Pressure: 93.3 mmHg") * count)

    def test_a_closed_pipe_is_an_error_not_a_crash(self):
        process = subprocess.Popen(PROGRAM + ["-"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                   stderr=subprocess.DEVNULL)

        def feed():
            try:
                process.stdin.write(b"bmi 70 1.75\n" * 2_000_000)
                process.stdin.close()
            except BrokenPipeError:
                pass

        writer = threading.Thread(target=feed)
        writer.start()
        process.stdout.read(100)
        process.stdout.close()
        status = process.wait(timeout=120)
        writer.join()
        try:
            process.stdin.close()
        except BrokenPipeError:
            pass
        self.assertNotEqual(status, -signal.SIGPIPE)
        self.assertEqual(status, 1)


class Prompt(unittest.TestCase):
    """Talks to the prompt through a pseudo-terminal, which Wine turns into a console."""

    def setUp(self):
        if os.name != "posix":
            self.skipTest("needs a pseudo-terminal")
        runners = [os.path.basename(part) for part in PROGRAM[:-1]]
        self.on_wine = any("wine" in runner for runner in runners)
        # A terminal may drop what is typed before the program has set it up for line editing
        # (Wine's console does, and so does libedit when it flushes input); a slow emulator or
        # valgrind widens that window, so typing waits a moment after each prompt.
        self.typing_delay = 0.5 if runners else 0.1

    def converse(self, typed_lines):
        """Types each line once the prompt asks for it; returns all output and the exit status."""
        import pty
        import re
        import select
        import time
        pid, terminal = pty.fork()
        if pid == 0:
            os.execv(PROGRAM[0], PROGRAM)
        output = b""
        pending = list(typed_lines)
        while True:
            ready, _, _ = select.select([terminal], [], [], 60)
            if not ready:
                os.kill(pid, signal.SIGKILL)
                break
            try:
                chunk = os.read(terminal, 4096)
            except OSError:
                break
            if not chunk:
                break
            # Wine's console draws with escape sequences; they are no part of the answers.
            output += re.sub(rb"\x1b\[[0-9;?]*[A-Za-z]", b"", chunk)
            if output.rstrip().endswith(b">") and pending:
                time.sleep(self.typing_delay)
                os.write(terminal, pending.pop(0))
        _, status = os.waitpid(pid, 0)
        os.close(terminal)
        return output.replace(b"\r", b""), os.waitstatus_to_exitcode(status)

    def test_banner_prompt_and_answers_until_quit(self):
        output, status = self.converse([b"bmi 70 1.75\r", b"\r", "caf\u00e9\r".encode(),
                                        b"bsa 70 175\r", b"quit\r", b"bmi 1 1\r"])
        self.assertEqual(status, 0)
        self.assertTrue(output.find(BANNER[0]) < output.find(b">") < output.find(b"BMI: 22.86"), output)
        self.assertIn("Unknown formula: caf\u00e9\n".encode(), output)
        self.assertIn("Body Surface Area: 1.845 m\u00b2\n".encode(), output)
        self.assertNotIn(b"BMI: 1.00", output)

    def test_ends_at_exit(self):
        output, status = self.converse([b"EXIT\r"])
        self.assertEqual(status, 0, output)
        self.assertIn(b">", output)

    def test_ends_at_end_of_input(self):
        if self.on_wine:
            self.skipTest("a Windows console ends input with Ctrl+Z, which the terminal takes as a signal")
        output, status = self.converse([b"bmi 70 1.75\r", b"\x04"])
        self.assertEqual(status, 0, output)
        self.assertIn(b"BMI: 22.86\n>", output)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--emulator", default="", help="a ;-separated command that runs the program")
    parser.add_argument("--crlf", action="store_true", help="the program ends lines with CR LF")
    options, rest = parser.parse_known_args()
    PROGRAM[:] = [part for part in options.emulator.split(";") if part] + [options.program]
    LINE_END = b"\r\n" if options.crlf else b"\n"
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=1)
