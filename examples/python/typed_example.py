# SPDX-License-Identifier: MIT
"""Every public name of tamsel_health, used as a typed program uses it; mypy --strict checks it.

    python3 examples/python/typed_example.py
"""
import warnings
from array import array
from typing import Any, Dict, List, Optional, Tuple

import tamsel_health
from tamsel_health import Answer, Computed, Kind, LibraryError, TamselHealthWarning


def describe(answer: Answer) -> str:
    kind: Kind = answer.kind
    value: Optional[float] = answer.value
    warnings: Tuple[str, ...] = answer.warnings
    if answer.is_wrong_request:
        return "%s: %s" % (kind, answer.text)
    shown = "%s (%s %s)" % (answer.text, value, answer.unit)
    if answer.category is not None:
        shown += ", %s [%s]" % (answer.category, answer.category_source)
    return "; ".join((shown,) + warnings)


def main() -> None:
    try:
        where: str = tamsel_health.library_path()
    except LibraryError as error:
        raise SystemExit(str(error))
    print("tamsel_health", tamsel_health.__version__, "from", where)
    print(tamsel_health.calc_health("bmi 70 1.75"))
    answers: List[str] = tamsel_health.calc_many(["max_hr 30", "map 120 80"])
    print(answers)
    for request in ("bmi 70 175", "bp_category 150 95", "bmi 70"):
        print(describe(tamsel_health.ask(request)))
    print(describe(tamsel_health.parse_answer("BMI: 22.86")))
    result: Computed = tamsel_health.compute("bmi", weight_kg=array("d", [70, 90.5]), height_m=[1.75, 1.8])
    values: "array[float]" = result.values
    categories: List[Optional[str]] = result.categories
    by_row: Dict[int, Tuple[float, Kind, Optional[str]]] = {
        row: (values[row], result.kinds[row], categories[row]) for row in range(len(values))}
    print(by_row, result.warnings, result.category_sources)
    codes: "array[int]" = result.category_codes
    names: Tuple[str, ...] = result.category_names
    warned: Dict[int, Tuple[str, ...]] = result.warned
    print(list(codes), names, warned, result.kind_names[result.kind_codes[0]])

    # The typed functions: a float for single values, a name or None for a category.
    bmi: float = tamsel_health.bmi(70, 1.75)
    category: Optional[str] = tamsel_health.bmi(154, 69, units="imperial", what="category")
    fat: float = tamsel_health.bodyfat_navy("F", 80, 34, 165, hip_cm=100)
    lean: float = tamsel_health.lbm("M", weight_lb=170, height_in=70)
    record: Computed = tamsel_health.mean_arterial_pressure(120, 80, what="record")
    columns: Any = tamsel_health.max_hr([30, 40, None])
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", TamselHealthWarning)
        doubtful: float = tamsel_health.bmi(70, 175)
    print(bmi, category, fat, lean, list(record.values), columns, doubtful)


if __name__ == "__main__":
    main()
