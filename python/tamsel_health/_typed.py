# SPDX-License-Identifier: MIT
"""A typed function for every formula, made from the formula table: tamsel_health.bmi(70, 1.75).

Their signatures, help and names come from the table the core carries, so a formula or an
argument added there appears here; _typed.pyi states them for type checkers.
"""
import inspect
from typing import Any, Callable, Dict, List

from ._columns import typed_call
from ._table import FORMULAS, SEX, Argument, Formula


def _span(argument: Argument) -> str:
    return " or ".join("%g to %g" % span for span in argument.ranges)


def _describe(argument: Argument) -> str:
    if argument.type == SEX:
        return "M, F, male or female, in either case"
    text = argument.label
    if argument.unit:
        text += " in " + argument.unit
    text += ", plausibly " + _span(argument)
    if argument.imperial_name:
        text += "; or %s in %s" % (argument.imperial_name, argument.imperial_unit)
    if argument.women_only:
        text += "; women only (a man's row does not read it)"
    return text


def _doc(formula: Formula) -> str:
    width = max(len(argument.name) for argument in formula.arguments) + 1
    lines = [formula.title + (", in %s." % formula.unit if formula.unit else "."), "",
             "Each argument is one value or an array of them (a NumPy array, a pandas Series, a",
             "sequence); arrays broadcast together as NumPy broadcasts them:", ""]
    lines += ["    %-*s %s" % (width, argument.name + ":", _describe(argument)) for argument in formula.arguments]
    lines += ["", "units='imperial' takes every argument that has an imperial unit in it.",
              "what='value' gives the value as the library prints it, read back: a float for",
              "single values, else a NumPy array of their broadcast shape (a Series for a Series).",
              "nan, None and pd.NA are missing values, and give nan."]
    if formula.categories:
        lines += ["what='category' gives the %s category: %s (None where there is none)."
                  % (formula.scheme, ", ".join(category.name for category in formula.categories))]
    else:
        lines += ["what='category' gives None: the formula has no published classes."]
    lines += ["what='record' gives every row's value, kind, warnings and category, as compute() does.",
              "",
              "Rows whose arguments or result are probably not what was meant give one",
              "TamselHealthWarning for the call (what='record' carries them instead); the values",
              "are unchanged. A cell that is no number, or a sex that is no sex, raises an error",
              "that names its row."]
    return "\n".join(lines)


def _signature(formula: Formula) -> inspect.Signature:
    positional = inspect.Parameter.POSITIONAL_OR_KEYWORD
    keyword = inspect.Parameter.KEYWORD_ONLY
    parameters = [inspect.Parameter(argument.name, positional,
                                    default=None if argument.women_only else inspect.Parameter.empty)
                  for argument in formula.arguments]
    parameters += [inspect.Parameter(argument.imperial_name, keyword, default=None)
                   for argument in formula.arguments if argument.imperial_name]
    parameters += [inspect.Parameter("units", keyword, default=None),
                   inspect.Parameter("what", keyword, default="value")]
    return inspect.Signature(parameters)


def _typed(formula: Formula) -> Callable[..., Any]:
    def function(*arguments: Any, units: Any = None, what: str = "value", **named: Any) -> Any:
        return typed_call(formula, arguments, named, units, what)

    function.__name__ = function.__qualname__ = formula.python_name
    # Found by name in the package, so that pickle (and Dask's workers) import it rather than copy it.
    function.__module__ = "tamsel_health"
    function.__doc__ = _doc(formula)
    setattr(function, "__signature__", _signature(formula))
    return function


FUNCTIONS: Dict[str, Callable[..., Any]] = {formula.python_name: _typed(formula) for formula in FORMULAS}
NAMES: List[str] = list(FUNCTIONS)
globals().update(FUNCTIONS)
