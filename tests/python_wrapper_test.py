#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The ctypes wrapper of examples/python: str in, str out, UTF-16 both ways."""
import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "examples", "python"))
import tamsel_health  # noqa: E402


class Wrapper(unittest.TestCase):
    def test_answers_a_request(self):
        self.assertEqual(tamsel_health.calc_health("bmi 70 1.75"), "BMI: 22.86")

    def test_non_ascii_both_ways(self):
        self.assertEqual(tamsel_health.calc_health("bsa 70 175"), "Body Surface Area: 1.845 m\u00b2")
        self.assertEqual(tamsel_health.calc_health("caf\u00e9 \U0001F600"), "Unknown formula: caf\u00e9")
        self.assertEqual(tamsel_health.calc_health("\ud800"), "Unknown formula: ?")

    def test_answers_are_copies(self):
        first = tamsel_health.calc_health("max_hr 30")
        tamsel_health.calc_health("map 120 80")
        self.assertEqual(first, "Maximum Heart Rate: 190 bpm")

    def test_multi_line_answers(self):
        self.assertEqual(tamsel_health.calc_health("").splitlines()[0],
                         "Tamsel Health Calculator - Command Line Medical Calculator")
        self.assertEqual(len(tamsel_health.calc_health("help").splitlines()), 23)


class MissingLibrary(unittest.TestCase):
    def run_wrapper(self, *arguments):
        environment = dict(os.environ, TAMSEL_HEALTH_LIBRARY=os.path.join(os.sep, "nowhere", "libTamsel.so"))
        return subprocess.run([sys.executable] + list(arguments), env=environment, capture_output=True, text=True,
                              cwd=os.path.dirname(tamsel_health.__file__), timeout=60)

    def test_says_what_is_missing_and_how_to_point_at_it(self):
        result = self.run_wrapper("-c", "import tamsel_health\n"
                                        "try:\n    tamsel_health.calc_health('bmi 70 1.75')\n"
                                        "except OSError as error:\n    print(error)")
        self.assertIn("cannot load the TamselCalculatorHealth library", result.stdout)
        self.assertIn("/nowhere/libTamsel.so".replace("/", os.sep), result.stdout)
        self.assertIn("TAMSEL_HEALTH_LIBRARY", result.stdout)

    def test_as_a_script_it_exits_with_the_message_not_a_traceback(self):
        result = self.run_wrapper("tamsel_health.py", "bmi", "70", "1.75")
        self.assertEqual(result.returncode, 1)
        self.assertTrue(result.stderr.startswith("tamsel_health: cannot load"), result.stderr)
        self.assertNotIn("Traceback", result.stderr)


if __name__ == "__main__":
    unittest.main(verbosity=1)
