#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes documents of docs/ as standalone HTML pages, for the calculator page to link to.

    markdown_page.py OUTPUT_DIR DOCUMENT.md...

Each DOCUMENT.md becomes OUTPUT_DIR/DOCUMENT.html, UTF-8 and declared so. Headings get the
anchors GitHub gives them (lower case, punctuation but "-" and "_" dropped, each space a
hyphen), so that one link works on the Markdown and on the page alike. A link to another of
the documents converted together goes to its page; a link to any other document of docs/ stays
a link to its Markdown file there. Needs Python-Markdown (Debian: python3-markdown).
"""
import html
import os
import re
import sys

import markdown

STYLE = """
body { font: 16px/1.5 system-ui, sans-serif; margin: 0 auto; max-width: 46rem; padding: 1rem; color: #1b1b1b; }
code, pre { font-family: ui-monospace, monospace; background: #f3f3f3; }
pre { padding: .5rem; overflow-x: auto; }
table { border-collapse: collapse; }
th, td { border: 1px solid #ccc; padding: .2rem .4rem; text-align: left; vertical-align: top; }
:target { background: #fff3c4; }
"""


def github_anchor(text, separator="-"):
    """The anchor GitHub gives a heading of this text."""
    text = re.sub(r"[^\w\s-]", "", text.strip().lower())
    return re.sub(r"\s", separator, text)


def page(source, converted):
    """The HTML page of one Markdown document."""
    with open(source, encoding="utf-8") as document:
        text = document.read()
    docs = os.path.dirname(os.path.abspath(source))

    def relink(match):
        target, anchor = match.group(2), match.group(3) or ""
        if target in converted:
            return "%s%s.html%s)" % (match.group(1), target[:-3], anchor)
        if os.path.exists(os.path.join(docs, target)):
            return "%s../docs/%s%s)" % (match.group(1), target, anchor)
        return match.group(0)

    text = re.sub(r"(\]\()([\w.-]+\.md)(#[\w-]*)?\)", relink, text)
    converter = markdown.Markdown(extensions=["tables", "fenced_code", "toc"],
                                  extension_configs={"toc": {"slugify": github_anchor}})
    body = converter.convert(text)
    title = re.search(r"^# (.+)$", text, re.MULTILINE)
    title = title.group(1) if title else os.path.basename(source)
    return ("<!doctype html>\n<!-- SPDX-License-Identifier: MIT -->\n<!-- Made from docs/%s by tools/markdown_page.py. -->\n"
            "<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
            "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
            "<title>%s: Tamsel Health Calculator</title>\n<style>%s</style>\n</head>\n<body>\n<main>\n%s\n</main>\n</body>\n</html>\n"
            % (os.path.basename(source), html.escape(title), STYLE, body))


def main(arguments):
    if len(arguments) < 2:
        sys.stderr.write("usage: markdown_page.py OUTPUT_DIR DOCUMENT.md...\n")
        return 2
    output, sources = arguments[0], arguments[1:]
    converted = {os.path.basename(source) for source in sources}
    os.makedirs(output, exist_ok=True)
    for source in sources:
        name = os.path.splitext(os.path.basename(source))[0] + ".html"
        with open(os.path.join(output, name), "w", encoding="utf-8", newline="\n") as out:
            out.write(page(source, converted))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
