# SPDX-License-Identifier: MIT
"""The formula table as the compiled core gives it: names, types, units, ranges, categories."""
from typing import Dict, NamedTuple, Optional, Tuple

from . import _native

REAL, WHOLE, SEX = 0, 1, 2

# Keeps NaN, None and pd.NA missing rather than numbers (the only option always set here).
NAN_IS_MISSING = 1


def imperial_option(place: int) -> int:
    """The option that says the argument in `place` is given in its imperial unit."""
    return 1 << (8 + place)


class Argument(NamedTuple):
    name: str
    usage_name: str
    type: int
    unit: str
    label: str
    hint: str
    women_only: bool
    ranges: Tuple[Tuple[float, float], ...]
    imperial_name: Optional[str]
    imperial_unit: Optional[str]
    imperial_factor: float


class Category(NamedTuple):
    name: str
    source: str
    note: str


class Formula(NamedTuple):
    number: int
    keyword: str
    title: str
    group: str
    label: str
    unit: str
    decimals: int
    arguments: Tuple[Argument, ...]
    scheme: Optional[str]
    scheme_source: Optional[str]
    categories: Tuple[Category, ...]

    @property
    def python_name(self) -> str:
        """The typed function's name: the keyword, but for map, which would hide the builtin."""
        return "mean_arterial_pressure" if self.keyword == "map" else self.keyword


def _load() -> Tuple[Formula, ...]:
    formulas = []
    for number, entry in enumerate(_native.formula_table()):
        keyword, title, group, label, unit, decimals, arguments, scheme, source, categories = entry
        formulas.append(Formula(
            number, keyword, title, group, label, unit, decimals,
            tuple(Argument(name, usage, kind, argument_unit, argument_label, hint, bool(women), ranges,
                           imperial, imperial_unit, factor)
                  for (name, usage, kind, argument_unit, argument_label, hint, women, ranges, imperial,
                       imperial_unit, factor) in arguments),
            scheme, source, tuple(Category(*category) for category in categories)))
    return tuple(formulas)


FORMULAS: Tuple[Formula, ...] = _load()
KIND_NAMES: Tuple[str, ...] = _native.kind_table()
_by_keyword: Dict[str, Formula] = {formula.keyword: formula for formula in FORMULAS}


def find(name: object) -> Formula:
    """The formula a keyword names, in either case; ValueError for anything else."""
    if isinstance(name, str):
        known = _by_keyword.get(name)
        if known is not None:
            return known
        number = _native.find_formula(name)
        if number >= 0:
            return FORMULAS[number]
        raise ValueError("%r is not a formula; calc_health('help') lists them" % name)
    raise TypeError("a formula is a str such as 'bmi', not %s" % type(name).__name__)
