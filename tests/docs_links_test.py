#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Every link between the project's Markdown documents reaches a file of the checkout, and every
anchor a heading of the document it names, as GitHub makes them."""
import os
import re
import sys
import unittest

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
DOCUMENTS = ["README.md", "js/README.md", "tamselhealth/README.md"] + sorted(
    os.path.join("docs", name) for name in os.listdir(os.path.join(ROOT, "docs")) if name.endswith(".md"))
LINK = re.compile(r"\[[^\]]*\]\(([^)\s]+)\)")


def anchors(text):
    """The anchors GitHub gives the headings of a Markdown text (outside fenced code)."""
    found, fenced = set(), False
    for line in text.splitlines():
        if line.startswith("```"):
            fenced = not fenced
        elif not fenced and re.match(r"#{1,6} ", line):
            heading = line.lstrip("#").strip().lower()
            found.add(re.sub(r"\s", "-", re.sub(r"[^\w\s-]", "", heading)))
    return found


def read(name):
    with open(name, encoding="utf-8") as document:
        return document.read()


def broken_links(path, text):
    """A line for every link of the document at `path` (relative to ROOT) that leads nowhere."""
    failures = []
    prose = re.sub(r"```.*?```", "", text, flags=re.DOTALL)
    for target in LINK.findall(prose):
        if re.match(r"[a-z]+:", target):
            continue
        name, _, anchor = target.partition("#")
        resolved = os.path.normpath(os.path.join(ROOT, os.path.dirname(path), name)) if name else os.path.join(ROOT, path)
        if not os.path.exists(resolved):
            failures.append("%s: %s: no such file" % (path, target))
        elif anchor and resolved.endswith(".md") and anchor not in anchors(read(resolved)):
            failures.append("%s: %s: no such heading" % (path, target))
    return failures


class Links(unittest.TestCase):
    def test_every_link_leads_somewhere(self):
        failures = []
        for path in DOCUMENTS:
            failures += broken_links(path, read(os.path.join(ROOT, path)))
        self.assertEqual(failures, [])

    def test_a_broken_link_is_caught(self):
        text = "[a](docs/formulas.md#bmi-body-mass-index) [b](docs/nothing.md) [c](docs/formulas.md#nothing)"
        self.assertEqual(len(broken_links("README.md", text)), 2)
        self.assertEqual(anchors("### `bmi`: body mass index\n```\n# not a heading\n```\n"), {"bmi-body-mass-index"})


if __name__ == "__main__":
    sys.exit(unittest.main(verbosity=1))
