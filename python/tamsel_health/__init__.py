# SPDX-License-Identifier: MIT
"""The Tamsel Health Calculator from Python: eighteen health formulas behind one C function.

    >>> import tamsel_health
    >>> tamsel_health.calc_health("bmi 70 1.75")
    'BMI: 22.86'
    >>> tamsel_health.ask("bsa 70 175")
    Answer(kind='result', text='Body Surface Area: 1.845 m²', value=1.845, unit='m²')
    >>> tamsel_health.calc_many(["max_hr 30", "map 120 80"])
    ['Maximum Heart Rate: 190 bpm', 'Mean Arterial Pressure: 93.3 mmHg']

The package calls the TamselCalculatorHealth library that pip built into it. To call another
one, set TAMSEL_HEALTH_LIBRARY to its path, or to libTamselCalculatorHealth.so.1 for the one
installed on the system, before the first call.

Threads: the library answers in one buffer shared by every caller, so its calls must never
overlap. Every function here holds one process-wide lock for the call and the copy of its
answer, so any number of threads may use the package at once. Code in the same process that
calls the library by other means (its own ctypes binding, a C extension) is outside that lock,
and must not run at the same time.
"""
from __future__ import annotations

from ._answer import Answer, Kind, parse_answer
from ._native import LibraryError, calc_health, calc_many, library_path

try:
    from ._build_info import VERSION as __version__
except ImportError:  # a source checkout
    __version__ = "unknown"

__all__ = ["Answer", "Kind", "LibraryError", "ask", "calc_health", "calc_many", "library_path",
           "parse_answer"]


def ask(request: str) -> Answer:
    """Answers one request as an Answer record: its kind, text, value and unit.

        >>> ask("bodyfat_navy M 90 40 180")
        Answer(kind='result', text='Body Fat Percentage (Navy Method): 18.37%', value=18.37, unit='%')
        >>> ask("bmi 70").kind
        'usage'

    The same kinds and fields as the records of ``tamsel-health --json``. Raises as calc_health.
    """
    return parse_answer(calc_health(request))
