# SPDX-License-Identifier: MIT
"""The stubs of the typed functions, written from the formula table.

test_typed.py checks that tamsel_health/_typed.pyi is this text; after a change to the table,
    PYTHONPATH=build/default/python python3 python/tests/typed_stubs.py python/tamsel_health/_typed.pyi
writes it anew, keeping its opening as written.
"""
import sys
from pathlib import Path

STUBS = Path(__file__).resolve().parents[1] / "tamsel_health" / "_typed.pyi"


def header():
    """The stubs' opening (imports, aliases), written by hand: all before the first function."""
    text = STUBS.read_text(encoding="utf-8")
    return text[:text.index("\n\n@overload")]


def _parameters(formula, scalar_types):
    """The parameters' text: the formula's arguments, then their imperial names. Each has a
    default here, so that an argument given by its imperial name alone checks."""
    parts = []
    for argument in formula.arguments:
        kind = ("Sex" if argument.type == 2 else "Number") if scalar_types else "Any"
        parts.append("%s: %s = ..." % (argument.name, kind))
    imperial = [argument.imperial_name for argument in formula.arguments if argument.imperial_name]
    parts.append("*")
    parts += ["%s: %s = ..." % (name, "Number" if scalar_types else "Any") for name in imperial]
    parts.append("units: Units = ...")
    return parts


def _function(formula):
    name = formula.python_name
    overloads = [
        (True, 'what: Literal["value"] = ...', "float"),
        (True, 'what: Literal["category"]', "Optional[str]"),
        (True, 'what: Literal["record"]', "Computed"),
        (False, "what: What = ...", "Any"),
    ]
    text = []
    for scalar, what, returned in overloads:
        parameters = ", ".join(_parameters(formula, scalar) + [what])
        text.append("@overload\ndef %s(%s) -> %s: ..." % (name, parameters, returned))
    return "\n".join(text)


def stub_text():
    from tamsel_health._table import FORMULAS

    return header() + "".join("\n\n" + _function(formula) for formula in FORMULAS) + "\n"


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: typed_stubs.py OUTPUT.pyi")
    with open(sys.argv[1], "w", encoding="utf-8") as out:
        out.write(stub_text())
