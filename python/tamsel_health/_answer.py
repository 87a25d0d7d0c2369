# SPDX-License-Identifier: MIT
"""What an answer of the library is: its kind, its number and its unit."""
from __future__ import annotations

import re
from typing import Literal, NamedTuple, Optional, Tuple

Kind = Literal["result", "usage", "requirement", "unknown", "banner", "listing", "missing"]

# The kinds of answer that tell the user the request was wrong; the others are answers.
WRONG_KINDS = frozenset(("banner", "usage", "requirement", "unknown"))

_UNKNOWN = "Unknown formula: "
_USAGE = "Usage: "
_REQUIREMENTS = ("Male requires: ", "Female requires: ")
_BANNER = "Tamsel Health Calculator - Command Line Medical Calculator"
_LISTING = "Available Medical Calculations:"

# What follows the number of a result line, and the unit it names.
_UNIT_SUFFIXES = {
    "": "",
    "%": "%",
    " kg": "kg",
    " bpm": "bpm",
    " m\u00b2": "m\u00b2",
    " calories/day": "calories/day",
    " mmHg": "mmHg",
}
_NUMBER = re.compile(r"-?[0-9]+(?:\.[0-9]+)?|-?inf|nan")
_NOT_A_VALUE = ("inf", "-inf", "nan")


class Answer(NamedTuple):
    """One answer of the library, reviewed as ``tamsel-health --json`` reviews it.

    kind:  ``result`` or ``listing`` for an answer; ``usage``, ``requirement``, ``unknown`` or
           ``banner`` for a wrong request.
    text:  the library's text, its lines joined by ``"\\n"``.
    value: for a result, the printed number as a float (``BMI: 22.86`` gives 22.86); None when
           it printed as ``inf``, ``-inf`` or ``nan``, and for every other kind.
    unit:  for a result ``kg``, ``%``, ``bpm``, ``m²``, ``calories/day``, ``mmHg``, or ``""``
           (BMI, the ratios, the blood-pressure category); ``""`` for every other kind.
    warnings: sentences about arguments and results that are probably not what was meant
           (``height_m 175 is outside 0.3 to 2.75; centimetres?``); the answer is unchanged.
    category: the published class of the printed value (a BMI's WHO class, a blood-pressure
           category), or None: for formulas without one, for every other kind, and for a
           result that has a warning. It describes a number, and diagnoses nothing.
    category_source: where the category comes from, or None when there is none.
    category_note: the caveats of that source in short (for whom it classifies, what it rests
           on), shown beside the category; None when there is none.

    The last four come from ask(); parse_answer() cannot know them without the request.
    """

    kind: Kind
    text: str
    value: Optional[float]
    unit: str
    warnings: Tuple[str, ...] = ()
    category: Optional[str] = None
    category_source: Optional[str] = None
    category_note: Optional[str] = None

    @property
    def is_wrong_request(self) -> bool:
        """True for a banner, a usage or requirement line, or an unknown formula."""
        return self.kind in WRONG_KINDS


def normalise_line_breaks(text: str) -> str:
    """Joins the lines of a multi-line answer (the banner, the listing) with "\\n".

    The Windows library ends them with "\\r\\n". An unknown keyword is echoed as it was
    given, line breaks and all, so its answer is left alone.
    """
    if "\r" in text and not text.startswith(_UNKNOWN):
        return text.replace("\r\n", "\n")
    return text


def is_wrong_request(text: str) -> bool:
    """True when an answer's text tells that its request was wrong (quicker than parsing)."""
    return (text.startswith((_UNKNOWN, _USAGE) + _REQUIREMENTS)
            or text.split("\n", 1)[0].rstrip("\r") == _BANNER)


def parse_answer(text: str) -> Answer:
    """Classifies one answer of the library, such as an answer stored earlier.

    Lines may be joined with "\\n" or, as the Windows library does, "\\r\\n". Raises ValueError
    for a text that is no answer of the library.
    """
    text = normalise_line_breaks(text)
    if text.startswith(_UNKNOWN):
        return Answer("unknown", text, None, "")
    if text.startswith(_USAGE):
        return Answer("usage", text, None, "")
    if text.startswith(_REQUIREMENTS):
        return Answer("requirement", text, None, "")
    first_line = text.split("\n", 1)[0]
    if first_line == _BANNER:
        return Answer("banner", text, None, "")
    if first_line == _LISTING:
        return Answer("listing", text, None, "")
    # A result: "label: number" and the unit; no label holds ": ".
    label, separator, rest = text.partition(": ")
    number = _NUMBER.match(rest)
    if not label or not separator or number is None or "\n" in text:
        raise ValueError("not an answer of the library: %r" % text)
    unit = _UNIT_SUFFIXES.get(rest[number.end():])
    if unit is None:
        raise ValueError("not an answer of the library: %r" % text)
    digits = number.group()
    value = None if digits in _NOT_A_VALUE else float(digits)
    return Answer("result", text, value, unit)
