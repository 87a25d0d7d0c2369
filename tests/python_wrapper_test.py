#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The ctypes wrapper of examples/python: str in, str out, UTF-16 both ways."""
import os
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


if __name__ == "__main__":
    unittest.main(verbosity=1)
