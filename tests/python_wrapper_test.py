#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The tamsel_health package from its source tree, with the library in TAMSEL_HEALTH_LIBRARY.

Plain unittest, so that it runs where pytest is missing; the package's own pytest suite goes
further (python/tests).
"""
import os
import subprocess
import sys
import threading
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "python"))
import tamsel_health  # noqa: E402


class Package(unittest.TestCase):
    def test_answers_a_request(self):
        self.assertEqual(tamsel_health.calc_health("bmi 70 1.75"), "BMI: 22.86")
        self.assertEqual(tamsel_health.ask("bsa 70 175"),
                         tamsel_health.Answer("result", "Body Surface Area: 1.845 m\u00b2", 1.845, "m\u00b2"))
        self.assertEqual(tamsel_health.calc_many(["max_hr 30", "bmi 70"]),
                         ["Maximum Heart Rate: 190 bpm", "Usage: bmi [weight_kg] [height_m]"])

    def test_text_beyond_ascii(self):
        self.assertEqual(tamsel_health.calc_health("caf\u00e9 \U0001F600"), "Unknown formula: caf\u00e9")
        self.assertEqual(tamsel_health.calc_health("\ud800"), "Unknown formula: ?")
        with self.assertRaises(ValueError):
            tamsel_health.calc_health("bmi 70 1.75\0")

    def test_multi_line_answers(self):
        self.assertEqual(tamsel_health.ask("").kind, "banner")
        self.assertEqual(len(tamsel_health.calc_health("help").split("\n")), 23)

    def test_threads_get_their_own_answers(self):
        checks = [("bmi 70 1.75", "BMI: 22.86"), ("bsa 70 175", "Body Surface Area: 1.845 m\u00b2"),
                  ("help", tamsel_health.calc_health("help"))]
        wrong = []

        def work(offset):
            for index in range(5000):
                request, expected = checks[(offset + index) % len(checks)]
                if tamsel_health.calc_health(request) != expected:
                    wrong.append(request)

        threads = [threading.Thread(target=work, args=(number,)) for number in range(4)]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        self.assertEqual(wrong, [])


class MissingLibrary(unittest.TestCase):
    def run_wrapper(self, *arguments):
        environment = dict(os.environ, TAMSEL_HEALTH_LIBRARY=os.path.join(os.sep, "nowhere", "libTamsel.so"))
        return subprocess.run([sys.executable] + list(arguments), env=environment, capture_output=True, text=True,
                              cwd=os.path.dirname(os.path.dirname(tamsel_health.__file__)), timeout=60)

    def test_says_what_is_missing_and_how_to_point_at_it(self):
        result = self.run_wrapper("-c", "import tamsel_health\n"
                                        "try:\n    tamsel_health.calc_health('bmi 70 1.75')\n"
                                        "except OSError as error:\n    print(error)")
        self.assertIn("cannot load the TamselCalculatorHealth library", result.stdout)
        self.assertIn("/nowhere/libTamsel.so".replace("/", os.sep), result.stdout)
        self.assertIn("TAMSEL_HEALTH_LIBRARY", result.stdout)

    def test_as_a_program_it_exits_with_the_message_not_a_traceback(self):
        result = self.run_wrapper("-m", "tamsel_health", "bmi", "70", "1.75")
        self.assertEqual(result.returncode, 1)
        self.assertIn("cannot load the TamselCalculatorHealth library", result.stderr)
        self.assertNotIn("Traceback", result.stderr)


if __name__ == "__main__":
    unittest.main(verbosity=1)
