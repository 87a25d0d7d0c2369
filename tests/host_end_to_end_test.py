#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Runs the real tamsel-health program: arguments, options, batch, records, warnings, exit
statuses, the terminal and the prompt, and the documentation of its options."""
import argparse
import csv
import io
import json
import os
import re
import signal
import subprocess
import sys
import threading
import time
import unittest

PROGRAM = []          # the program, behind its emulator when cross-built
LINE_END = b"\n"      # how the program ends its lines
LINE_EDITING = True   # whether this build edits lines at the prompt with libedit
MAN_PAGE = None       # the man page's source, when given
BANNER = [b"Tamsel Health Calculator - Command Line Medical Calculator",
          b"Usage: program.exe [formula] [parameters...]",
          b"Use 'help' or '-h' to see all available formulas"]
WARNING = b"tamsel-health: warning: "


def run(*arguments, stdin=b""):
    return subprocess.run(PROGRAM + list(arguments), input=stdin, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, timeout=120)


def on_wine():
    return any("wine" in os.path.basename(part) for part in PROGRAM[:-1])


def lines(*texts):
    return b"".join(text + LINE_END for text in texts)


def warnings_of(result):
    """The warning lines a run wrote to standard error, without the program's prefix. Lines are
    parted at "\n" alone: under Wine, a line of Wine's own there ends so, and must not swallow
    the warning after it."""
    return [line.rstrip(b"\r")[len(WARNING):] for line in result.stderr.split(b"\n") if line.startswith(WARNING)]


class Arguments(unittest.TestCase):
    def test_one_request_from_the_arguments(self):
        result = run("bmi", "70", "1.75")
        self.assertEqual((result.stdout, result.stderr, result.returncode), (lines(b"BMI: 22.86"), b"", 0))

    def test_square_metres_are_utf8(self):
        self.assertEqual(run("bsa", "70", "175").stdout, lines("Body Surface Area: 1.845 m\u00b2".encode()))

    def test_a_negative_number_is_a_value_not_an_option(self):
        result = run("bmi", "-70", "1.75")
        self.assertEqual((result.stdout, result.returncode), (lines(b"BMI: -22.86"), 0))

    def test_a_wrong_request_answers_on_standard_error_and_exits_with_2(self):
        for arguments, answer in [(["bmi", "70"], b"Usage: bmi [weight_kg] [height_m]"),
                                  (["bodyfat_navy", "M", "90", "40", "180", "95"],
                                   b"Male requires: waist, neck, height"),
                                  (["foo", "1"], b"Unknown formula: foo"),
                                  ([""], LINE_END.join(BANNER))]:
            result = run(*arguments)
            self.assertEqual((result.stdout, result.stderr, result.returncode), (b"", lines(answer), 2), arguments)

    def test_the_listing_is_an_answer(self):
        result = run("help")
        self.assertEqual(result.returncode, 0)
        self.assertTrue(result.stdout.startswith(b"Available Medical Calculations:" + LINE_END))
        self.assertEqual(result.stdout.count(LINE_END), 23)
        self.assertIn(b"Body Fat % (Navy Method)", result.stdout)

    def test_non_ascii_arguments_reach_the_library_in_its_code_page(self):
        self.assertEqual(run("caf\u00e9", "\u4e2d").stderr, lines("Unknown formula: caf\u00e9".encode()))

    def test_version(self):
        result = run("--version")
        self.assertEqual((result.stdout, result.returncode), (lines(b"tamsel-health 1.0.0.1"), 0))

    def test_help_explains_the_modes_then_lists_the_formulas(self):
        result = run("--help")
        self.assertEqual(result.returncode, 0)
        self.assertEqual(run("-h").stdout, result.stdout)  # the short form is the same option
        for text in [b"tamsel-health [OPTIONS] [--] FORMULA", b"--json", b"--csv", b"--strict",
                     b"Exit status:", b"Available Medical Calculations:",
                     b"  pulse_pressure [systolic] [diastolic]"]:
            self.assertIn(text, result.stdout)


class Options(unittest.TestCase):
    def test_double_dash_ends_the_options(self):
        for arguments, stdout, stderr, status in [
                (["--", "bmi", "70", "1.75"], lines(b"BMI: 22.86"), b"", 0),
                (["--", "--help"], None, b"", 0),                      # the library's listing
                (["--", "--json"], b"", lines(b"Unknown formula: --json"), 2),
                (["--strict", "--", "--version"], b"", lines(b"Unknown formula: --version"), 2),
                (["--json", "--", "max_hr", "30"], None, b"", 0)]:
            result = run(*arguments)
            if stdout is not None:
                self.assertEqual(result.stdout, stdout, arguments)
            self.assertEqual((result.stderr, result.returncode), (stderr, status), arguments)
        self.assertTrue(run("--", "--help").stdout.startswith(b"Available Medical Calculations:"))
        self.assertEqual(json.loads(run("--json", "--", "max_hr", "30").stdout)["value"], 190)

    def test_options_come_before_the_request(self):
        # After the keyword an option is one more argument, which the user cannot have meant.
        for arguments, answer, hint in [
                (["bmi", "70", "1.75", "--strict"], b"Usage: bmi [weight_kg] [height_m]",
                 b'"--strict" after the request is one of its arguments; try: tamsel-health --strict bmi 70 1.75'),
                (["--strict", "--", "bmi", "70", "--json", "1.75"], b"Usage: bmi [weight_kg] [height_m]",
                 b'"--json" after the request is one of its arguments; try: tamsel-health --strict --json bmi 70 1.75'),
                (["max_hr", "30", "--csv"], b"Usage: max_hr [age]",
                 b'"--csv" after the request is one of its arguments; try: tamsel-health --csv max_hr 30'),
                (["bmi", "--help"], b"Usage: bmi [weight_kg] [height_m]",
                 b'"--help" after the request is one of its arguments; try: tamsel-health --help bmi')]:
            result = run(*arguments)
            self.assertEqual((result.stderr, result.returncode),
                             (lines(answer, b"tamsel-health: options come first: " + hint), 2), arguments)

    def test_an_unknown_option_is_an_error_that_names_it(self):
        for arguments, named, retyped in [(["--jsn", "bmi", "70", "1.75"], b"--jsn", b"--jsn bmi 70 1.75"),
                                          (["--strict", "-x"], b"-x", b"-x"),
                                          (["-70", "1.75"], b"-70", b"-70 1.75"),
                                          (["--csv", "--", "--json", "--jsn"], None, None)]:
            result = run(*arguments)
            self.assertEqual(result.returncode, 2, arguments)
            if named is None:  # after "--" it is a request, answered by the library
                self.assertEqual(result.stdout.splitlines()[1], b"1,'--json --jsn,unknown,Unknown formula: --json,,,,,,")
                continue
            self.assertEqual((result.stdout, result.stderr), (b"", lines(
                b'tamsel-health: unknown option "' + named + b'"; tamsel-health --help lists the options',
                b'tamsel-health: a request that starts with "-" goes after "--": tamsel-health -- ' + retyped)),
                arguments)

    def test_a_lone_file_name_gets_a_hint_to_read_the_file(self):
        if on_wine():
            self.skipTest("Wine sees the test's files under another name")
        directory = os.path.dirname(os.path.abspath(__file__))
        path = os.path.join(directory, "golden", "requests.txt")
        result = run(path)
        self.assertEqual(result.returncode, 2)
        self.assertEqual(result.stderr, lines(b"Unknown formula: " + path.encode(),
                                              b'tamsel-health: "' + path.encode() +
                                              b'" is a file; to answer each of its lines: tamsel-health - < ' +
                                              path.encode()))
        # A folder, a missing file and a request of several words are no such mistake.
        for arguments in ([directory], [path + ".missing"], [path, "1"]):
            self.assertEqual(run(*arguments).stderr.count(LINE_END), 1, arguments)

    def test_json_and_csv_exclude_each_other(self):
        result = run("--json", "--csv", "bmi", "70", "1.75")
        self.assertEqual((result.stdout, result.returncode), (b"", 2))
        self.assertIn(b"--json and --csv", result.stderr)


class Batch(unittest.TestCase):
    def test_answers_every_line_in_order(self):
        request = (b"bmi 70 1.75\n"
                   b"max_hr 30\r\n"            # CRLF input
                   b"bmi 70 \xff1.75\n"        # invalid UTF-8 reads as "?"
                   b"caf\xc3\xa9 \xe2\x82\xac\n"
                   b"bsa 70 175")              # no final line end
        expected = lines(b"BMI: 22.86", b"Maximum Heart Rate: 190 bpm", b"BMI: inf",
                         "Unknown formula: caf\u00e9".encode(), "Body Surface Area: 1.845 m\u00b2".encode())
        for arguments in ([], ["-"], ["--", "-"]):
            result = run(*arguments, stdin=request)
            self.assertEqual(result.stdout, expected, arguments)

    def test_blank_lines_ask_for_nothing(self):
        result = run("-", stdin=b"bmi 70 1.75\n\nmax_hr 30\n \t \r\n\r\n")
        self.assertEqual((result.stdout, result.returncode),
                         (lines(b"BMI: 22.86", b"Maximum Heart Rate: 190 bpm"), 0))

    def test_a_byte_order_mark_at_the_start_of_a_line_is_skipped(self):
        bom = b"\xef\xbb\xbf"
        for request, expected in [(bom + b"bmi 70 1.75\n", lines(b"BMI: 22.86")),
                                  (bom + b"\nmax_hr 30\n", lines(b"Maximum Heart Rate: 190 bpm")),
                                  # files joined with cat: a mark starts each one
                                  (b"max_hr 30\n" + bom + b"max_hr 30\r\n" + bom + b"\n",
                                   lines(b"Maximum Heart Rate: 190 bpm", b"Maximum Heart Rate: 190 bpm")),
                                  # elsewhere in a line it is a character like any other
                                  (b"max_hr " + bom + b"30\n", lines(b"Maximum Heart Rate: 220 bpm"))]:
            self.assertEqual(run("-", stdin=request).stdout, expected, request)

    def test_wrong_requests_are_answered_on_standard_output(self):
        # Answer n stays the answer to request n.
        result = run("-", stdin=b"foo\nbmi 1\nbmi 70 1.75\n")
        self.assertEqual(result.stdout, lines(b"Unknown formula: foo", b"Usage: bmi [weight_kg] [height_m]",
                                              b"BMI: 22.86"))
        self.assertEqual(result.stderr, b"")

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


class ExitStatuses(unittest.TestCase):
    def test_a_batch_exits_with_2_when_any_request_was_wrong(self):
        for request, status in [(b"bmi 70 1.75\nhelp\n", 0),
                                (b"", 0),
                                (b"\n\n", 0),
                                (b"bmi 70 1.75\nfoo\n", 2),
                                (b"bmi 70\nmax_hr 30\n", 2),
                                (b"bodyfat_navy F 80 35 165\n", 2),
                                (b"max_hr 30\n" + b"\t\n", 0),
                                (b"bmi 70 175\n", 0)]:      # a warning alone is no error
            self.assertEqual(run("-", stdin=request).returncode, status, request)

    def test_strict_makes_a_warning_a_wrong_request(self):
        result = run("--strict", "-", stdin=b"bmi 70 1.75\nbmi 70 175\nmax_hr 30\n")
        self.assertEqual(result.returncode, 2)
        self.assertEqual(result.stdout, lines(b"BMI: 22.86", b"BMI: 0.00", b"Maximum Heart Rate: 190 bpm"))
        self.assertEqual(run("--strict", "-", stdin=b"bmi 70 1.75\n").returncode, 0)

    def test_strict_one_request_answers_on_standard_error(self):
        result = run("--strict", "bmi", "70", "175")
        self.assertEqual((result.stdout, result.returncode), (b"", 2))
        self.assertTrue(result.stderr.startswith(lines(b"BMI: 0.00")), result.stderr)
        self.assertEqual(warnings_of(result), [b"height_m 175 is outside 0.3 to 2.75; centimetres?"])
        result = run("--strict", "bmi", "70", "1.75")
        self.assertEqual((result.stdout, result.stderr, result.returncode), (lines(b"BMI: 22.86"), b"", 0))

    def test_an_input_or_output_error_says_what_failed_and_why(self):
        if not os.path.exists("/dev/full") or on_wine():
            self.skipTest("needs Linux's /dev/full")
        cannot_write = b"tamsel-health: cannot write to standard output: No space left on device"
        for arguments in (["bmi", "70", "1.75"], ["--json", "foo"], ["-"], ["--csv", "-"], ["--help"],
                          ["--version"]):
            with open("/dev/full", "wb") as full:
                result = subprocess.run(PROGRAM + arguments, input=b"bmi 70 1.75\n", stdout=full,
                                        stderr=subprocess.PIPE, timeout=120)
            self.assertEqual((result.stderr, result.returncode), (lines(cannot_write), 1), arguments)
        # A wrong request's answer goes to standard error; failing there is a failure too.
        with open("/dev/full", "wb") as full:
            result = subprocess.run(PROGRAM + ["foo"], stdout=subprocess.PIPE, stderr=full, timeout=120)
        self.assertEqual((result.stdout, result.returncode), (b"", 1))
        directory = os.path.dirname(os.path.abspath(__file__))
        folder = os.open(directory, os.O_RDONLY)
        try:
            result = subprocess.run(PROGRAM + ["-"], stdin=folder, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                    timeout=120)
        finally:
            os.close(folder)
        self.assertEqual((result.stdout, result.stderr, result.returncode),
                         (b"", lines(b"tamsel-health: cannot read standard input: Is a directory"), 1))

    def test_a_closed_pipe_is_an_error_not_a_crash(self):
        # Even when every request was wrong: a failed write wins.
        if on_wine():
            # Wine's client sometimes reports the reset pipe itself and the process then ends on
            # Wine's terms: that run would test Wine's pipes, not ours.
            self.skipTest("a closed pipe under Wine is Wine's to report")
        for request in [b"bmi 70 1.75\n", b"foo\n"]:
            process = subprocess.Popen(PROGRAM + ["-"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                       stderr=subprocess.PIPE)

            def feed():
                try:
                    process.stdin.write(request * 2_000_000)
                    process.stdin.close()
                except BrokenPipeError:
                    pass

            writer = threading.Thread(target=feed)
            writer.start()
            process.stdout.read(100)
            process.stdout.close()
            errors = process.stderr.read()
            process.stderr.close()
            status = process.wait(timeout=120)
            writer.join()
            try:
                process.stdin.close()
            except BrokenPipeError:
                pass
            self.assertNotEqual(status, -signal.SIGPIPE)
            self.assertEqual(status, 1, request)
            self.assertTrue(errors.startswith(b"tamsel-health: cannot write to standard output: "), errors)
            self.assertEqual(errors.count(b"tamsel-health: cannot"), 1, errors)


class Records(unittest.TestCase):
    REQUESTS = (b"\xef\xbb\xbfbmi 70 1.75\n"
                b"\n"
                b"bsa 70 175\r\n"
                b"bodyfat_navy F 75 33 165 100\n"
                b"bmi 0 0\n"
                b"bmi 1 0\n"
                b"lbm M 0 71.9\n"
                b"bp_category 150 85\n"
                b"bmi 70\n"
                b"bodyfat_navy F 80 35 165\n"
                b"say \"hi\", \\o/ \x01\xff\n"
                b"\t\n"
                b"help")
    EXPECTED = [  # line, request, kind, value, unit
        (1, "bmi 70 1.75", "result", 22.86, ""),
        (3, "bsa 70 175", "result", 1.845, "m\u00b2"),
        (4, "bodyfat_navy F 75 33 165 100", "result", 29.43, "%"),
        (5, "bmi 0 0", "result", None, ""),
        (6, "bmi 1 0", "result", None, ""),
        (7, "lbm M 0 71.9", "result", -0.0, "kg"),
        (8, "bp_category 150 85", "result", 3, ""),
        (9, "bmi 70", "usage", None, ""),
        (10, "bodyfat_navy F 80 35 165", "requirement", None, ""),
        (11, "say \"hi\", \\o/ \x01\ufffd", "unknown", None, ""),
        (13, "help", "listing", None, "")]
    FIELDS = ["line", "request", "kind", "text", "value", "unit", "warnings", "category", "category_source",
              "category_note"]

    def check_records(self, records):
        self.assertEqual([(record["line"], record["request"], record["kind"], record["value"], record["unit"])
                          for record in records], self.EXPECTED)
        by_line = {record["line"]: record for record in records}
        self.assertEqual(by_line[1]["text"], "BMI: 22.86")
        self.assertEqual(by_line[5]["text"], "BMI: nan")
        self.assertEqual(by_line[6]["text"], "BMI: inf")
        self.assertEqual(by_line[7]["text"], "Lean Body Mass: -0.00 kg")
        self.assertEqual(by_line[11]["text"], "Unknown formula: say")
        listing = run("help").stdout.decode().split(LINE_END.decode())[:-1]
        self.assertEqual(by_line[13]["text"], "\n".join(listing))  # "\n" on every platform
        self.assertEqual(by_line[1]["warnings"], [])
        self.assertEqual(by_line[5]["warnings"], ["weight_kg 0 is outside 2 to 400",
                                                  "height_m 0 is outside 0.3 to 2.75"])
        # A result gets its published class; a doubtful or wrong one gets none.
        self.assertEqual((by_line[1]["category"], by_line[8]["category"]), ("Normal range", "Hypertension, stage 2"))
        self.assertTrue(by_line[1]["category_source"].startswith("WHO Technical Report Series 894"))
        self.assertIn("for adults", by_line[1]["category_note"])
        self.assertFalse(by_line[5]["category"] or by_line[9]["category"] or by_line[13]["category"])

    def test_json_lines(self):
        result = run("--json", "-", stdin=self.REQUESTS)
        self.assertEqual(result.returncode, 2)
        text = result.stdout.decode()
        self.assertNotIn("\x01", text)  # control characters are escaped
        records = [json.loads(line) for line in text.split(LINE_END.decode()) if line]
        for record in records:
            self.assertEqual(list(record), self.FIELDS)
        self.assertTrue(all(line.endswith("}") for line in text.split(LINE_END.decode())[:-1]))
        self.check_records(records)
        self.assertIn('"value":-0.00,', text)  # the digits as printed
        self.assertIn('"value":29.43,', text)

    def test_csv(self):
        result = run("--csv", "-", stdin=self.REQUESTS)
        self.assertEqual(result.returncode, 2)
        self.assertTrue(result.stdout.startswith(
            b"line,request,kind,text,value,unit,warnings,category,category_source,category_note" + LINE_END))
        rows = list(csv.DictReader(io.StringIO(result.stdout.decode(), newline="")))
        for row in rows:
            self.assertEqual(list(row), self.FIELDS)
            row["line"] = int(row["line"])
            row["value"] = float(row["value"]) if row["value"] else None
            row["warnings"] = row["warnings"].split("; ") if row["warnings"] else []
        self.check_records(rows)

    def test_no_csv_cell_runs_as_a_spreadsheet_formula(self):
        result = run("--csv", "-", stdin=b"=1+1 2\n+bmi\n@SUM(A1)\n-5\n\t=x\nlbm M 0 71.9\nbmi 70 1.75\n")
        rows = list(csv.reader(io.StringIO(result.stdout.decode(), newline="")))[1:]
        self.assertEqual([row[1] for row in rows], ["'=1+1 2", "'+bmi", "'@SUM(A1)", "'-5", "'\t=x",
                                                    "lbm M 0 71.9", "bmi 70 1.75"])
        self.assertEqual(rows[0][3], "Unknown formula: =1+1")
        self.assertEqual(rows[5][4], "-0.00")  # the number cell is a number, sign and all

    def test_records_from_the_arguments(self):
        result = run("--json", "bmi", "70", "175")
        self.assertEqual(result.returncode, 0)
        self.assertEqual(json.loads(result.stdout), {
            "line": 1, "request": "bmi 70 175", "kind": "result", "text": "BMI: 0.00", "value": 0.0, "unit": "",
            "warnings": ["height_m 175 is outside 0.3 to 2.75; centimetres?"], "category": None,
            "category_source": None, "category_note": None})
        self.assertEqual(warnings_of(result), [b"height_m 175 is outside 0.3 to 2.75; centimetres?"])
        # A record of a wrong request still goes to standard output, where a program reads it.
        result = run("--csv", "foo")
        self.assertEqual(result.returncode, 2)
        self.assertEqual(list(csv.reader(io.StringIO(result.stdout.decode(), newline=""))),
                         [self.FIELDS, ["1", "foo", "unknown", "Unknown formula: foo", "", "", "", "", "", ""]])

    def test_every_unit(self):
        requests = {"lbm M 80 180": "kg", "bai 100 1.75": "%", "max_hr 30": "bpm", "bsa 70 175": "m\u00b2",
                    "tdee 1800 1.55": "calories/day", "map 120 80": "mmHg", "whr 80 100": ""}
        result = run("--json", "-", stdin="\n".join(requests).encode())
        units = [json.loads(line)["unit"] for line in result.stdout.decode().splitlines()]
        self.assertEqual(units, list(requests.values()))


class Warnings(unittest.TestCase):
    def test_impossible_results_warn_and_fail_strict(self):
        # Each of these once printed an impossible answer with exit 0 and nothing on stderr.
        for request, answer, warning in [
                ("bodyfat_navy M 30 40 180", b"Body Fat Percentage (Navy Method): nan%",
                 b"waist 30 is not above neck 40, so the Navy formula has no answer"),
                ("bodyfat_navy M 40 40 180", b"Body Fat Percentage (Navy Method): -450.00%",
                 b"waist 40 is not above neck 40, so the Navy formula has no answer"),
                ("ideal_devine F 100", b"Ideal Weight (Devine): -1.95 kg",
                 b"height 100 cm is under the 5 feet (152.4 cm) the Devine formula was made for: below it, "
                 b"the formula runs on past its data"),
                ("ideal_devine M 70", b"Ideal Weight (Devine): -24.61 kg",
                 b"height 70 cm is under the 5 feet (152.4 cm) the Devine formula was made for; height in inches?"),
                ("lbm F 35 175", b"Lean Body Mass: 43.30 kg",
                 b"lean body mass 43.30 kg is more than the body weight of 35 kg: the Boer formula does not hold "
                 b"for a body this light for its height; check the weight"),
                ("bmr_mifflin F 10 100 120", b"BMR (Mifflin-St Jeor): -36.00 calories/day",
                 b"the result -36.00 calories/day is below zero, which no person measures; check the arguments"),
                ("bai 30 2.75", b"Body Adiposity Index: -11.42%",
                 b"hip 30 cm is 0.11 times the height of 275 cm, outside the 0.35 to 1.6 of living bodies; check both"),
                ("pulse_pressure 80 120", b"Pulse Pressure: -40 mmHg", b"systolic 80 is below diastolic 120; swapped?"),
                ("map 80 120", b"Mean Arterial Pressure: 106.7 mmHg", b"systolic 80 is below diastolic 120; swapped?"),
                ("bp_category 80 120", b"Blood Pressure Category: 4", b"systolic 80 is below diastolic 120; swapped?")]:
            result = run("--strict", *request.split())
            # The answer line stays exactly the library's, for the scripts that read it.
            self.assertEqual((result.stdout, warnings_of(result), result.returncode),
                             (b"", [warning], 2), request)
            self.assertEqual(result.stderr.split(LINE_END)[0], answer, request)
            # Under Wine one such run once exited 1 (a failed pipe write); the strict runs above
            # already check the answer and warning there.
            if not on_wine():
                self.assertEqual(run(*request.split()).returncode, 0, request)

    def test_one_warning_per_doubtful_argument(self):
        for arguments, answer, warnings in [
                # numbers the library reads otherwise than they were typed
                ("bmi 70 1,75", b"BMI: 70.00", [b"height_m \"1,75\" reads as 1; the decimal point is '.'"]),
                ("bmi 70kg 1.75", b"BMI: 22.86", [b"weight_kg \"70kg\" reads as 70"]),
                ("max_hr 30.9", b"Maximum Heart Rate: 190 bpm", [b"age \"30.9\" reads as 30; it takes whole numbers"]),
                ("max_hr abc", b"Maximum Heart Rate: 220 bpm", [b"age \"abc\" reads as 0, outside 1 to 120"]),
                ("bsa 0x46 175", None, [b"weight_kg \"0x46\" reads as 0, outside 2 to 400"]),
                # values outside their range, with the unit they were probably given in
                ("bmi 70 175", b"BMI: 0.00", [b"height_m 175 is outside 0.3 to 2.75; centimetres?"]),
                ("bsa 70 1.75", None, [b"height_cm 1.75 is outside 30 to 275; metres?"]),
                ("whr 0.8 1", None, [b"waist_cm 0.8 is outside 30 to 250; metres?",
                                     b"hip_cm 1 is outside 30 to 250; metres?"]),
                ("bmi 70 175cm", None, [b"height_m \"175cm\" reads as 175, outside 0.3 to 2.75; centimetres?"]),
                ("target_hr 30 20", None, [b"intensity_percent 20 is outside 0.3 to 1 or 30 to 100"]),
                ("bp_category 12 8", None, [b"systolic 12 is outside 50 to 300", b"diastolic 8 is outside 20 to 200"]),
                ("tdee 1800 155", None, [b"activity_factor 155 is outside 1 to 2.5"]),
                ("bmi inf 1.75", None, [b"weight_kg inf is outside 2 to 400"]),
                # a sex read by its first letter
                ("lbm Mujer 60 165", b"Lean Body Mass: 49.27 kg",
                 [b"sex \"Mujer\" is not M, F, male or female; it reads as male"]),
                ("ideal_devine W 165", None, [b"sex \"W\" is not M, F, male or female; it reads as female"]),
                ("bodyfat_navy Frau 75 33 165 100", None,
                 [b"sex \"Frau\" is not M, F, male or female; it reads as female"]),
                # the hip of a woman is checked, and only as many arguments as were given
                ("bodyfat_navy F 75 33 165 1000", None, [b"hip_cm 1000 is outside 30 to 250"])]:
            result = run(*arguments.split())
            self.assertEqual(warnings_of(result), warnings, arguments)
            self.assertEqual(result.returncode, 0, arguments)
            if answer is not None:
                self.assertEqual(result.stdout, lines(answer), arguments)

    def test_plausible_requests_have_none(self):
        requests = ["bmi 70 1.75", "BMI 82.5 1.8", "bsa 70 175", "lbm male 80 180", "lbm FEMALE 60 165",
                    "lbm f 60 165", "bodyfat_navy M 90 40 180", "bodyfat_navy F 75 33 165 100",
                    "bmr_harris M 80 180 30", "bmr_mifflin F 60 165 +30", "tdee 1800 1.55", "max_hr 30",
                    "target_hr 30 0.7", "target_hr 30 70", "target_hr 30 1", "bai 100 1.75", "wthr 85 170",
                    "whr 80 100", "ideal_devine M 180", "ideal_robinson F 165", "ideal_miller M 180",
                    "bp_category 150 85", "map 120 80", "pulse_pressure 120 80", "bmi 2 0.3", "bmi 400 2.75",
                    "bmi 70.000000000000001 1.75"]
        result = run("-", stdin="\n".join(requests).encode())
        self.assertEqual((result.stderr, result.returncode), (b"", 0))

    def test_wrong_requests_have_no_argument_warnings(self):
        result = run("-", stdin=b"bmi 70\nfoo 1,5\nbodyfat_navy M 90 40 180 95\n")
        self.assertEqual(warnings_of(result), [])

    def test_a_batch_names_the_line(self):
        result = run("-", stdin=b"bmi 70 1.75\n\nbmi 70 175\n")
        self.assertEqual(warnings_of(result), [b"line 3: height_m 175 is outside 0.3 to 2.75; centimetres?"])

    def test_leading_blanks_keep_the_warnings(self):
        # The library skips them before the keyword; the warnings must find the same arguments.
        result = run("-", stdin=b" \t bmi 70 175\n\t\twhr  0.8 \t100\n")
        self.assertEqual(warnings_of(result), [b"line 1: height_m 175 is outside 0.3 to 2.75; centimetres?",
                                               b"line 2: waist_cm 0.8 is outside 30 to 250; metres?"])

    def test_a_batch_with_warnings_ends_with_a_summary(self):
        summary = b"tamsel-health: 4 requests, 1 wrong, 2 with warnings"
        for arguments in (["-"], ["--json", "-"], ["--csv", "-"]):
            result = run(*arguments, stdin=b"bmi 70 175\nfoo\n\nwhr 0.8 1\nmax_hr 30")
            self.assertEqual(result.stderr.split(LINE_END)[-2:], [summary, b""], arguments)
            self.assertEqual(len(warnings_of(result)), 3)
        self.assertTrue(run("-", stdin=b"bmi 70 175\n").stderr.endswith(
            lines(b"tamsel-health: 1 request, 0 wrong, 1 with warnings")))
        # Without warnings there is nothing to sum up, and one request needs no summary.
        self.assertEqual(run("-", stdin=b"foo\nbmi 70 1.75\n").stderr, b"")
        self.assertEqual(run("bmi", "70", "175").stderr.count(LINE_END), 1)


COLUMNS_ROWS = 100000  # random rows per formula in the columns test; fewer under an emulator


class Columns(unittest.TestCase):
    """--columns: a formula over the rows of a CSV, the cells as numbers."""

    FORMULAS = {  # keyword: its arguments, as the columns are named
        "bmi": ["weight_kg", "height_m"], "bmr_harris": ["sex", "weight_kg", "height_cm", "age"],
        "bmr_mifflin": ["sex", "weight_kg", "height_cm", "age"],
        "bodyfat_navy": ["sex", "waist_cm", "neck_cm", "height_cm", "hip_cm"], "whr": ["waist_cm", "hip_cm"],
        "ideal_devine": ["sex", "height_cm"], "ideal_robinson": ["sex", "height_cm"],
        "ideal_miller": ["sex", "height_cm"], "bsa": ["weight_kg", "height_cm"], "lbm": ["sex", "weight_kg", "height_cm"],
        "tdee": ["bmr", "activity_factor"], "max_hr": ["age"], "target_hr": ["age", "intensity_percent"],
        "bai": ["hip_cm", "height_m"], "wthr": ["waist_cm", "height_cm"], "bp_category": ["systolic", "diastolic"],
        "map": ["systolic", "diastolic"], "pulse_pressure": ["systolic", "diastolic"]}
    SPANS = {"weight_kg": (2, 400), "height_m": (0.3, 2.75), "height_cm": (30, 275), "waist_cm": (30, 250),
             "hip_cm": (30, 250), "neck_cm": (15, 80), "age": (1, 120), "bmr": (300, 5000),
             "activity_factor": (1, 2.5), "intensity_percent": (0.3, 100), "systolic": (50, 300),
             "diastolic": (20, 200)}
    WHOLE = {"age", "systolic", "diastolic"}
    # Cells in their shortest text, as warnings write numbers read from cells.
    SPECIAL = ["0", "-0", "5e-324", "1e+300", "-1e+300", "inf", "-inf", "4294967296", "-7"]

    @staticmethod
    def shortest(text):
        return text.rstrip("0").rstrip(".") if "." in text else text

    def cell(self, random, name):
        if name == "sex":
            return random.choice(["M", "F", "m", "f", "male", "Female"])
        low, high = self.SPANS[name]
        draw = random.random()
        if draw < 0.02:
            # A request's whole number stops at an exponent, where a cell's number does not.
            return random.choice([text for text in self.SPECIAL if not (name in self.WHOLE and "e" in text)])
        if draw < 0.05:
            return self.shortest(repr(float(random.choice([low, high]))))
        value = random.uniform(low * 0.7, high * 1.3)
        if name in self.WHOLE:
            return str(round(value)) if draw > 0.1 else self.shortest("%.1f" % value)  # read otherwise
        return self.shortest("%.*f" % (random.randint(0, 3), value))

    @staticmethod
    def printed(record):
        """The number the answer prints, from its text: the label and the unit taken off."""
        number = record["text"].split(": ", 1)[1]
        unit = record["unit"]
        if unit == "%":
            return number[:-1]
        return number[:-len(unit) - 1] if unit else number

    def test_every_formula_s_rows_get_what_their_requests_get(self):
        import random as random_module
        random = random_module.Random(20261210)
        for keyword, names in self.FORMULAS.items():
            rows, requests = [], []
            for _ in range(COLUMNS_ROWS):
                cells = [self.cell(random, name) for name in names]
                rows.append(cells)
                male = names[0] == "sex" and cells[0][0] in "Mm"
                given = cells[:-1] if keyword == "bodyfat_navy" and male else cells  # a man gives no hip
                requests.append(" ".join([keyword] + given))
            table = ",".join(names) + "\n" + "".join(",".join(cells) + "\n" for cells in rows)
            result = run("--columns", keyword, stdin=table.encode())
            self.assertEqual(result.returncode, 0, result.stderr[-300:])
            out = list(csv.reader(io.StringIO(result.stdout.decode())))
            suffixes = ["_value", "_unit", "_category", "_warnings"]
            self.assertEqual(out[0], names + [keyword + suffix for suffix in suffixes])
            answers = run("--json", "-", stdin="".join(request + "\n" for request in requests).encode())
            records = [json.loads(line) for line in answers.stdout.decode().splitlines()]
            self.assertEqual(len(records), len(rows))
            for cells, got, record in zip(rows, out[1:], records):
                self.assertEqual(record["kind"], "result", record)
                expected = [self.printed(record), record["unit"], record["category"] or "",
                            "; ".join(record["warnings"])]
                self.assertEqual(got, cells + expected, record["request"])

    CASES = [
        # what, the words after --columns, the CSV, the rows appended (or the error), exit status
        ("named columns, CRLF, a byte-order mark, a blank line",
         ["bmi", "weight_kg=Weight", "height_m=Height"],
         "\ufeffid,Weight,Height\r\n1,70,1.75\r\n\r\n2,80,1.8\r\n",
         ["id,Weight,Height,bmi_value,bmi_unit,bmi_category,bmi_warnings",
          "1,70,1.75,22.86,,Normal range,", "2,80,1.8,24.69,,Normal range,"], 0),
        ("quoted cells stay as they came, commas, quotes and line ends included",
         ["max_hr"], 'note,age\n"a, ""b""\nc",30\n',
         ["note,age,max_hr_value,max_hr_unit,max_hr_category,max_hr_warnings",
          '"a, ""b""\nc",30,190,bpm,,'], 0),
        ("an empty cell, nan, or a missing cell gives an empty result",
         ["bmi"], "weight_kg,height_m\n,1.75\nnan,1.75\n70\n",
         ["weight_kg,height_m,bmi_value,bmi_unit,bmi_category,bmi_warnings",
          ",1.75,,,,", "nan,1.75,,,,", "70,,,,"], 0),
        ("a cell that is not wholly a number is not guessed at",
         ["bmi"], 'weight_kg,height_m\n"1,75",1.75\n70kg,1.75\n',
         ["weight_kg,height_m,bmi_value,bmi_unit,bmi_category,bmi_warnings",
          "\"1,75\",1.75,,,,\"weight_kg \"\"1,75\"\" is not a number, so the row has no result; the decimal point is '.'\"",
          "70kg,1.75,,,,\"weight_kg \"\"70kg\"\" is not a number, so the row has no result\""], 0),
        ("a sex other than M, F, male or female gives no result",
         ["lbm"], "sex,weight_kg,height_cm\nMujer,60,165\n",
         ["sex,weight_kg,height_cm,lbm_value,lbm_unit,lbm_category,lbm_warnings",
          "Mujer,60,165,,,,\"sex \"\"Mujer\"\" is not M, F, male or female, so the row has no result\""], 0),
        ("pounds and inches by column name; a man's hip is not read",
         ["bodyfat_navy"], "sex,waist_in,neck_in,height_in,hip_in\nM,35,16,70,x\nF,30,13,65,40\n",
         ["sex,waist_in,neck_in,height_in,hip_in,bodyfat_navy_value,bodyfat_navy_unit,bodyfat_navy_category,"
          "bodyfat_navy_warnings", "M,35,16,70,x,17.43,%,Fitness,", "F,30,13,65,40,30.78,%,Average,"], 0),
        ("pounds by name, and its warning in pounds", ["bmi", "weight_lb=w", "height_m=h"], "w,h\n154.3,1.7526\n1600,1.75\n",
         ["w,h,bmi_value,bmi_unit,bmi_category,bmi_warnings", "154.3,1.7526,22.79,,Normal range,",
          "1600,1.75,236.98,,,weight_lb 1600 (725.7 kg) is outside 2 to 400 kg"], 0),
        ("no hip column: women have no result", ["bodyfat_navy"], "sex,waist_cm,neck_cm,height_cm\nF,75,33,165\n",
         ["sex,waist_cm,neck_cm,height_cm,bodyfat_navy_value,bodyfat_navy_unit,bodyfat_navy_category,"
          "bodyfat_navy_warnings", "F,75,33,165,,,,"], 0),
        ("no formula", ["bmx"], "a\n", '"bmx" is no formula', 2),
        ("an argument the formula does not take", ["bmi", "weight=w"], "w\n", '"weight" is not an argument of bmi', 2),
        ("a column the CSV lacks", ["bmi"], "weight_kg\n70\n", "no column for height_m", 2),
        ("a named column the CSV lacks", ["bmi", "height_m=Height"], "weight_kg\n", 'no column "Height"', 2),
        ("both units", ["bmi"], "weight_kg,weight_lb,height_m\n", "both weight_kg and weight_lb", 2),
        ("no header row", ["bmi"], "", "no header row", 2),
        ("a file name instead of standard input", ["bmi", "patients.csv"], "", "names no column", 2),
    ]

    def test_cases(self):
        for what, words, table, expected, status in self.CASES:
            result = run("--columns", *words, stdin=table.encode())
            self.assertEqual(result.returncode, status, (what, result.stderr))
            if status == 0:
                self.assertEqual(result.stdout, lines(*[row.encode() for row in expected]), what)
            else:
                self.assertEqual(result.stdout, b"", what)
                self.assertIn(expected.encode(), result.stderr, what)

    def test_warnings_go_to_standard_error_with_their_lines_and_strict_counts_them(self):
        table = b"weight_kg,height_m\n70,1.75\n700,1.75\n"
        result = run("--columns", "bmi", stdin=table)
        self.assertEqual((result.returncode, warnings_of(result)), (0, [b"line 3: weight_kg 700 is outside 2 to 400"]))
        self.assertIn(b"2 rows, 0 without a result, 1 with warnings", result.stderr)
        self.assertEqual(run("--strict", "--columns", "bmi", stdin=table).returncode, 2)
        self.assertEqual(run("--strict", "--columns", "bmi", stdin=table[:-15]).returncode, 0)
        self.assertEqual(run("--json", "--columns", "bmi", stdin=table).returncode, 2)


class Documentation(unittest.TestCase):
    RANGE = re.compile(r"^  (\w+) +(.+)$")

    def test_help_and_man_page_list_the_same_ranges(self):
        help_text = run("--help").stdout.decode()
        ranges = dict(self.RANGE.match(line).groups() for line in help_text.splitlines()
                      if self.RANGE.match(line) and " to " in line)
        self.assertEqual(set(ranges), {"weight_kg", "height_m", "height_cm", "waist_cm", "hip_cm", "neck_cm", "age",
                                       "bmr", "activity_factor", "intensity_percent", "systolic", "diastolic"})
        if MAN_PAGE is None:
            self.skipTest("no man page given")
        with open(MAN_PAGE, encoding="utf-8") as page:
            man = page.read().replace("\\-", "-").replace("\\(em", "-")
        for name, text in ranges.items():
            self.assertRegex(man, r"\.B %s\n%s\n" % (re.escape(name), re.escape(text)), name)


class Pty:
    """Runs the program on a pseudo-terminal, which Wine turns into a console, and types each
    line once the prompt asks for it. Returns everything the terminal received, raw."""

    def __init__(self, test):
        if os.name != "posix":
            test.skipTest("needs a pseudo-terminal")
        runners = [os.path.basename(part) for part in PROGRAM[:-1]]
        self.on_wine = any("wine" in runner for runner in runners)
        # A terminal may drop what is typed before the program has set it up for line editing
        # (Wine's console does, and so does libedit when it flushes input); a slow emulator or
        # valgrind widens that window, so typing waits a moment after each prompt.
        self.typing_delay = 0.5 if runners else 0.1

    def run(self, arguments=(), typed_lines=(), output_file=None):
        """With `output_file`, standard output goes there instead, as with "> file" at a shell."""
        import pty
        import select
        pid, terminal = pty.fork()
        if pid == 0:
            if output_file is not None:
                os.dup2(os.open(output_file, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600), 1)
            os.execv(PROGRAM[0], PROGRAM + list(arguments))
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
            output += chunk
            if pending and visible(output).rstrip().endswith(b">"):
                time.sleep(self.typing_delay)
                os.write(terminal, pending.pop(0))
        _, status = os.waitpid(pid, 0)
        os.close(terminal)
        return output, os.waitstatus_to_exitcode(status)


def visible(raw):
    """What a terminal shows of its output, roughly: without its cursor and colour commands
    (Wine's console draws with them) and without carriage returns."""
    return re.sub(rb"\x1b\[[0-9;?]*[A-Za-z]|\x1b\][^\x07]*\x07|\r", b"", raw)


class Terminal(unittest.TestCase):
    """Input can never drive the terminal: what it receives holds no control character that
    came from a request."""

    TITLE = b"\x1b]0;pwned\x07"

    def test_an_escape_bearing_keyword_is_shown_not_obeyed(self):
        output, status = Pty(self).run([self.TITLE.decode() + "x", "\x9b31m"])
        self.assertEqual(status, 2)
        self.assertNotIn(b"\x1b]0;pwned", output)
        self.assertNotIn("\x9b".encode(), output)
        self.assertIn(b"Unknown formula: ^[]0;pwned^Gx", visible(output))

    def test_warnings_quote_tokens_visibly(self):
        output, status = Pty(self).run(["bmi", "70", "1.75\x1b[2J"])
        self.assertEqual(status, 0)
        self.assertNotIn(b"\x1b[2J", output)
        self.assertIn(b"height_m \"1.75^[[2J\" reads as 1.75", visible(output))

    def test_line_breaks_of_the_banner_stay(self):
        output, _ = Pty(self).run([""])
        self.assertIn(BANNER[0] + b"\nUsage: program.exe", visible(output))


class Prompt(unittest.TestCase):
    def converse(self, typed_lines, output_file=None):
        pty = Pty(self)
        self.on_wine = pty.on_wine
        output, status = pty.run(typed_lines=typed_lines, output_file=output_file)
        return visible(output), status, output

    def test_banner_prompt_and_answers_until_quit(self):
        output, status, _ = self.converse([b"bmi 70 1.75\r", b"\r", "caf\u00e9\r".encode(),
                                           b"bsa 70 175\r", b"quit\r", b"bmi 1 1\r"])
        self.assertEqual(status, 2)  # the unknown formula
        self.assertTrue(output.find(BANNER[0]) < output.find(b">") < output.find(b"BMI: 22.86"), output)
        self.assertIn("Unknown formula: caf\u00e9\n".encode(), output)
        self.assertIn("Body Surface Area: 1.845 m\u00b2\n".encode(), output)
        self.assertNotIn(b"BMI: 1.00", output)

    def test_ends_at_exit(self):
        output, status, _ = self.converse([b"EXIT\r"])
        self.assertEqual(status, 0, output)
        self.assertIn(b">", output)

    def test_exit_status_follows_the_batch_rule_over_the_session(self):
        for typed, expected in [([b"bmi 70 1.75\r", b"help\r", b"quit\r"], 0),
                                ([b"bmi 70\r", b"bmi 70 1.75\r", b"exit\r"], 2),
                                ([b"bmi 70 175\r", b"quit\r"], 0)]:  # a warning alone is no error
            output, status, _ = self.converse(typed)
            self.assertEqual(status, expected, output)
        if not self.on_wine:
            output, status, _ = self.converse([b"foo\r", b"\x04"])
            self.assertEqual(status, 2, output)

    def test_with_output_to_a_file_the_prompts_stay_on_the_terminal(self):
        import tempfile
        with tempfile.TemporaryDirectory() as directory:
            path = os.path.join(directory, "out.txt")
            output, status, _ = self.converse([b"bmi 70 1.75\r", b"max_hr 30\r", b"quit\r"], output_file=path)
            with open(path, "rb") as file:
                written = file.read()
        self.assertEqual(status, 0, output)
        self.assertEqual(written, lines(b"BMI: 22.86", b"Maximum Heart Rate: 190 bpm"))
        self.assertIn(BANNER[0], output)
        # Wine's console draws the prompt's space as a cursor move, which the screen text lacks.
        self.assertEqual(output.count(b">" if self.on_wine else b"> "), 3, output)
        self.assertNotIn(b"BMI: 22.86", output)

    def test_a_line_with_dropped_keys_shows_the_request_as_read(self):
        if LINE_EDITING or Pty(self).on_wine:
            self.skipTest("line editing, or a console, edits the line itself")
        # "bmi 70 1.7", Left three times, Backspace (which takes the last byte of the third
        # Left) and "8": what the screen shows is not the request.
        typed = b"bmi 70 1.7\x1b[D\x1b[D\x1b[8\r"
        output, status, _ = self.converse([typed, typed, b"quit\r"])
        self.assertEqual(status, 0, output)
        read_as = b"tamsel-health: read as: bmi 70 1.7\n"
        self.assertEqual(output.count(read_as + b"BMI: 24.22\n"), 2, output)  # every time, before the answer

    def test_ends_at_end_of_input(self):
        if Pty(self).on_wine:
            self.skipTest("a Windows console ends input with Ctrl+Z, which the terminal takes as a signal")
        output, status, _ = self.converse([b"bmi 70 1.75\r", b"\x04"])
        self.assertEqual(status, 0, output)
        # A person at the prompt also sees the published class of the result.
        self.assertIn(b"BMI: 22.86\n  category: Normal range (WHO Technical Report Series 894", output)

    def test_warnings_at_the_prompt(self):
        output, status, _ = self.converse([b"bmi 70 175\r", b"quit\r"])
        self.assertEqual(status, 0)
        self.assertIn(b"BMI: 0.00\ntamsel-health: warning: height_m 175 is outside 0.3 to 2.75; centimetres?\n",
                      output)

    def test_keys_never_reach_the_library(self):
        # Up with no history, then Left and Right inside a request: line editing moves the
        # cursor; without it the sequences are dropped whole.
        typed = [b"\x1b[A\r", b"max_hr 30\x1b[D\x1b[C\r"]
        if not LINE_EDITING:
            # Home, F5, F1 and Alt+x, which libedit leaves partly unbound.
            typed.append(b"\x1b[H\x1b[15~map 120 80\x1bOP\x1bx\r")
        output, status, _ = self.converse(typed + [b"quit\r"])
        self.assertEqual(status, 0, output)
        self.assertIn(b"Maximum Heart Rate: 190 bpm\n", output)
        if not LINE_EDITING:
            self.assertIn(b"Mean Arterial Pressure: 93.3 mmHg\n", output)
        self.assertNotIn(b"Unknown formula", output)
        self.assertEqual(output.count(b"Usage:"), 1, output)  # the banner's own
        hint = b"tamsel-health: this build has no line editing"
        if LINE_EDITING or self.on_wine:
            self.assertNotIn(hint, output)
        else:
            self.assertEqual(output.count(hint), 1, output)  # once per session

    def test_an_escape_bearing_keyword_typed_at_the_prompt_is_not_obeyed(self):
        _, status, raw = self.converse([b"\x1b]0;pwned\x07\r", b"quit\r"])
        self.assertEqual(status, 2)
        self.assertNotIn(b"\x1b]0;pwned", raw)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--emulator", default="", help="a ;-separated command that runs the program")
    parser.add_argument("--crlf", action="store_true", help="the program ends lines with CR LF")
    parser.add_argument("--no-line-editing", action="store_true", help="the program has no libedit")
    parser.add_argument("--man-page", help="the man page's source, to compare with --help")
    parser.add_argument("--columns-rows", type=int, help="random rows per formula for --columns")
    # Under an emulator each run of the program costs seconds: CTest runs the classes in two
    # parts at once, one named and the other everything else, so that no class is left out.
    parser.add_argument("--only", help="a ,-separated list of the test classes to run")
    parser.add_argument("--except", dest="excepted", help="a ,-separated list of test classes not to run")
    options, rest = parser.parse_known_args()
    PROGRAM[:] = [part for part in options.emulator.split(";") if part] + [options.program]
    LINE_END = b"\r\n" if options.crlf else b"\n"
    LINE_EDITING = not options.no_line_editing
    MAN_PAGE = options.man_page
    if options.columns_rows:
        COLUMNS_ROWS = options.columns_rows
    elif len(PROGRAM) > 1:
        COLUMNS_ROWS = 2000  # each row costs an emulator thousands of times more
    if options.only or options.excepted:
        named = set((options.only or options.excepted).split(","))
        classes = {name: value for name, value in globals().items()
                   if isinstance(value, type) and issubclass(value, unittest.TestCase)}
        unknown = named - set(classes)
        if unknown:
            parser.error("no such test classes: " + ", ".join(sorted(unknown)))
        chosen = [name for name in classes if (name in named) == bool(options.only)]
        rest = chosen + rest
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=1)
