#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The tamsel_health package as the build tree holds it (PYTHONPATH names its directory).

Plain unittest, so that it runs where pytest is missing; the package's own pytest suite goes
further (python/tests).
"""
import os
import subprocess
import sys
import threading
import unittest

import tamsel_health

SOURCE_PACKAGE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "python")


class Package(unittest.TestCase):
    def test_answers_a_request(self):
        self.assertEqual(tamsel_health.calc_health("bmi 70 1.75"), "BMI: 22.86")
        answer = tamsel_health.ask("bsa 70 175")
        self.assertEqual(answer[:4], ("result", "Body Surface Area: 1.845 m\u00b2", 1.845, "m\u00b2"))
        self.assertEqual(tamsel_health.calc_many(["max_hr 30", "bmi 70"]),
                         ["Maximum Heart Rate: 190 bpm", "Usage: bmi [weight_kg] [height_m]"])
        self.assertEqual(list(tamsel_health.compute("max_hr", age=[30, 40]).values), [190.0, 180.0])

    def test_typed_functions_with_or_without_numpy(self):
        self.assertEqual(tamsel_health.bmi(70, 1.75), 22.86)
        self.assertEqual(tamsel_health.bmi(154, 69, units="imperial", what="category"), "Normal range")
        values = list(tamsel_health.max_hr([30, None, 40]))  # array('d') without NumPy
        self.assertEqual((values[0], values[2]), (190.0, 180.0))
        self.assertNotEqual(values[1], values[1])  # a missing age gives nan
        self.assertEqual(list(tamsel_health.bmi([40, 110], 2.0, what="category")),
                         ["Severe thinness", "Pre-obese (overweight)"])

    def test_text_beyond_ascii(self):
        self.assertEqual(tamsel_health.calc_health("caf\u00e9 \U0001F600"), "Unknown formula: caf\u00e9")
        self.assertEqual(tamsel_health.calc_health("\ud800"), "Unknown formula: ?")
        with self.assertRaises(ValueError):
            tamsel_health.calc_health("bmi 70 1.75\0")

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


class NotBuilt(unittest.TestCase):
    def test_the_source_tree_says_how_to_build_it(self):
        environment = dict(os.environ, PYTHONPATH=SOURCE_PACKAGE)
        result = subprocess.run([sys.executable, "-m", "tamsel_health", "bmi", "70", "1.75"], env=environment,
                                capture_output=True, text=True, cwd=os.sep, timeout=60)
        self.assertEqual(result.returncode, 1)
        self.assertIn("tamsel_health has no compiled calculator", result.stderr)
        self.assertIn("pip install ./python", result.stderr)


if __name__ == "__main__":
    unittest.main(verbosity=1)
