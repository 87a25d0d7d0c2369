# SPDX-License-Identifier: MIT
"""What an answer of the library is: its kind, its number and its unit."""
from __future__ import annotations

from typing import Literal, NamedTuple, Optional, Tuple

Kind = Literal["result", "usage", "requirement", "unknown", "banner", "listing", "missing"]

# The kinds of answer that tell the user the request was wrong; the others are answers.
WRONG_KINDS = frozenset(("banner", "usage", "requirement", "unknown"))


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


def parse_answer(text: str) -> Answer:
    """Classifies one answer of the library, such as an answer stored earlier.

    The library's own review reads it, as ask() reads a fresh answer, but without the request:
    kind, text, value and unit. Lines may be joined with "\n" or, as the Windows library does,
    "\r\n". Raises ValueError for a text that is no answer of the library.
    """
    from . import _native  # the extension imports this module first, for Answer

    answer: Answer = _native.review_answer(text)
    return answer
