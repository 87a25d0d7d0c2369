# SPDX-License-Identifier: MIT
"""The Tamsel Health Calculator from Python: eighteen health formulas, on text or on numbers.

    >>> import tamsel_health
    >>> tamsel_health.calc_health("bmi 70 1.75")
    'BMI: 22.86'
    >>> tamsel_health.ask("bsa 70 175").value
    1.845
    >>> tamsel_health.bmi(70, 1.75)
    22.86
    >>> tamsel_health.bmi(154, 69, units="imperial", what="category")
    'Normal range'
    >>> list(tamsel_health.compute("bmi", weight_kg=[70, 90], height_m=[1.75, 1.8]).values)
    [22.86, 27.78]

The calculator, the review of its answers and the typed core are compiled into the package's
extension module (pip builds it with the project's CMake), so the package needs no library at
run time.

Threads: the calculator answers in static buffers, so its text calls must never overlap. Every
text function here holds the GIL from the request to the copy of its answer, which serialises
all callers: any number of threads may use the package at once. (calc_many holds it for the
whole batch.) The typed functions and compute() give the core long columns without the GIL,
since it keeps no state. The module does not declare itself free-threading safe, so a
free-threaded Python (3.13t) turns the GIL back on when it imports it.
"""
from ._answer import Answer, Kind, parse_answer
from ._calculator import LibraryError, ask, calc_health, calc_many, library_path
from ._columns import Computed, TamselHealthWarning, compute
from ._typed import (bai, bmi, bmr_harris, bmr_mifflin, bodyfat_navy, bp_category, bsa, ideal_devine,
                     ideal_miller, ideal_robinson, lbm, max_hr, mean_arterial_pressure, pulse_pressure,
                     target_hr, tdee, whr, wthr)
from ._version import __version__

__all__ = ["Answer", "Computed", "Kind", "LibraryError", "TamselHealthWarning", "__version__", "ask",
           "bai", "bmi", "bmr_harris", "bmr_mifflin", "bodyfat_navy", "bp_category", "bsa",
           "calc_health", "calc_many", "compute", "ideal_devine", "ideal_miller", "ideal_robinson",
           "lbm", "library_path", "max_hr", "mean_arterial_pressure", "parse_answer",
           "pulse_pressure", "target_hr", "tdee", "whr", "wthr"]
