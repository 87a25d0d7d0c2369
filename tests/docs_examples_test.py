#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Every example in the documentation, asked of the library, must get the answer shown.

An example lives in a fenced block marked `tamsel`: a line "> request" (a lone ">" is the empty
command line), then the lines of its answer, up to the next request or the end of the block.
"""
import os
import sys
import unittest

here = os.path.dirname(os.path.abspath(__file__))
import tamsel_health  # noqa: E402  (the build tree's package, through PYTHONPATH)

DOCUMENTS = [os.path.join(here, "..", "docs", name) for name in ("formulas.md", "command-language.md")]
KEYWORDS = ["bmi", "bmr_harris", "bmr_mifflin", "bodyfat_navy", "whr", "ideal_devine", "ideal_robinson",
            "ideal_miller", "bsa", "lbm", "tdee", "max_hr", "target_hr", "bai", "wthr", "bp_category", "map",
            "pulse_pressure"]


def examples(text):
    """The (line number, request, answer) of every example in a Markdown text."""
    found = []
    in_block = False
    for number, line in enumerate(text.splitlines(), 1):
        if not in_block:
            in_block = line.strip() == "```tamsel"
            continue
        if line.strip() == "```":
            in_block = False
        elif line == ">" or line.startswith("> "):
            found.append([number, line[2:], []])
        elif not found or found[-1][0] is None:
            raise ValueError("line %d: an answer before any request" % number)
        else:
            found[-1][2].append(line)
    if in_block:
        raise ValueError("a tamsel block is not closed")
    return [(number, request, "\n".join(answer)) for number, request, answer in found]


def wrong_answers(text):
    """A line for every example whose answer is not the library's."""
    failures = []
    for number, request, answer in examples(text):
        actual = tamsel_health.calc_health(request)
        if actual != answer:
            failures.append("line %d: %r answers %r, not %r" % (number, request, actual, answer))
    return failures


class Documentation(unittest.TestCase):
    def test_every_example_gets_its_answer(self):
        for path in DOCUMENTS:
            with open(path, encoding="utf-8") as document:
                text = document.read()
            self.assertGreater(len(examples(text)), 20, path)
            self.assertEqual(wrong_answers(text), [], os.path.basename(path))

    def test_every_formula_has_a_worked_example(self):
        with open(DOCUMENTS[0], encoding="utf-8") as document:
            requests = [request for _, request, _ in examples(document.read())]
        for keyword in KEYWORDS:
            self.assertTrue(any(request.split()[0] == keyword for request in requests if request.strip()), keyword)

    def test_a_wrong_example_is_caught(self):
        text = "```tamsel\n> bmi 70 1.75\nBMI: 22.87\n> max_hr 30\nMaximum Heart Rate: 190 bpm\n```\n"
        self.assertEqual(len(wrong_answers(text)), 1)
        with self.assertRaises(ValueError):
            examples("```tamsel\n> bmi 70 1.75\n")


if __name__ == "__main__":
    unittest.main(verbosity=1)
