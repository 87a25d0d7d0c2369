# SPDX-License-Identifier: MIT
"""One formula over columns of numbers: compute("bmi", weight_kg=..., height_m=...)."""
from __future__ import annotations

import re
import sys
from array import array
from typing import Any, Dict, List, Mapping, NamedTuple, Optional, Tuple, overload

from . import _native
from ._answer import Kind

# The struct codes whose items the extension writes exactly as they are.
_NUMBER_FORMATS = frozenset("dfbBhHiIlLqQnN?")


class Computed(NamedTuple):
    """A formula's answers for every row, in row order.

    values:           the printed number of each row as a float; nan where the row has none
                      (a wrong request, or a result printed as inf or nan).
    kinds:            each row's kind, as Answer.kind.
    warnings:         each row's warnings, as Answer.warnings (an empty tuple for most).
    categories:       each row's category or None, as Answer.category.
    category_sources: where each row's category comes from, or None.
    """

    values: "array[float]"
    kinds: List[Kind]
    warnings: List[Tuple[str, ...]]
    categories: List[Optional[str]]
    category_sources: List[Optional[str]]


# formula -> (its keyword, its arguments' names, the index of the argument only women give)
_formulas: Dict[str, Tuple[str, Tuple[str, ...], int]] = {}


def _formula(formula: str) -> Tuple[str, Tuple[str, ...], int]:
    """The formula's arguments, read from the usage line the library gives its keyword alone."""
    known = _formulas.get(formula)
    if known is not None:
        return known
    if not isinstance(formula, str):
        raise TypeError("a formula is a str such as 'bmi', not %s" % type(formula).__name__)
    usage = _native.calc_health(formula) if re.fullmatch(r"[A-Za-z_0-9]+", formula) else ""
    found = re.fullmatch(r"Usage: (\S+)((?: \[[^\]]+\])+)", usage)
    if found is None:
        raise ValueError("%r is not a formula; calc_health('help') lists them" % formula)
    parts = re.findall(r"\[([^\]]+)\]", found.group(2))
    names = tuple("sex" if part == "M/F" else part.split()[0] for part in parts)
    female_only = next((i for i, part in enumerate(parts) if "(F only)" in part), -1)
    _formulas[formula] = known = (found.group(1), names, female_only)
    return known


def _is_scalar(value: object) -> bool:
    return isinstance(value, (str, bytes, int, float))


def _sex_column(name: str, given: Any) -> List[object]:
    if isinstance(given, str):
        return [given]
    if hasattr(given, "tolist"):  # NumPy arrays and pandas Series of str
        given = given.tolist()
    return list(given)


def _number_column(name: str, given: Any) -> object:
    """The column as the extension reads it: a one-dimensional buffer of native numbers."""
    if isinstance(given, bool) or isinstance(given, int):
        return array("q", [given])
    if isinstance(given, float):
        return array("d", [given])
    if isinstance(given, (str, bytes)):
        raise TypeError("%s takes numbers, not %s" % (name, type(given).__name__))
    to_numpy = getattr(given, "to_numpy", None)  # pandas, without importing it
    if callable(to_numpy):
        given = to_numpy()
    try:
        view = memoryview(given)
    except TypeError:
        pass
    else:
        if view.ndim != 1:
            raise TypeError("%s is a column, not %d-dimensional" % (name, view.ndim))
        if view.format.lstrip("@=<") in _NUMBER_FORMATS:
            return given
    try:
        return array("d", given)
    except TypeError as error:
        raise TypeError("%s takes numbers: %s" % (name, error)) from None


def _columns(names: Tuple[str, ...], female_only: int, data: Any,
             given: Dict[str, Any]) -> Tuple[Tuple[object, ...], int, int]:
    """The argument columns in the formula's order, the row count, and the index of the
    female-only argument among them (-1 when it is not given)."""
    unknown = sorted(set(given) - set(names))
    if unknown:
        raise TypeError("unexpected argument %s; the formula takes %s"
                        % (", ".join(unknown), ", ".join(names)))
    columns: List[object] = []
    rows: Optional[int] = None
    hip_index = -1
    for index, name in enumerate(names):
        if name in given:
            value = given[name]
        elif data is not None and name in data:
            value = data[name]
        elif index == female_only:
            continue  # rows of women then get the library's requirement line
        else:
            raise TypeError("missing argument %s; the formula takes %s" % (name, ", ".join(names)))
        column = _sex_column(name, value) if name == "sex" else _number_column(name, value)
        if not _is_scalar(value):
            length = len(column)  # type: ignore[arg-type]
            if rows is not None and length != rows:
                raise ValueError("%s has %d rows, another argument %d" % (name, length, rows))
            rows = length
        if index == female_only:
            hip_index = len(columns)
        columns.append(column)
    return tuple(columns), (1 if rows is None else rows), hip_index


def _data_frame_class() -> Any:
    pandas = sys.modules.get("pandas")  # a data frame comes only from a pandas already imported
    return getattr(pandas, "DataFrame", None)


@overload
def compute(formula: str, /, **columns: Any) -> Computed: ...
@overload
def compute(formula: str, data: Mapping[str, Any], /, **columns: Any) -> Computed: ...
@overload
def compute(formula: str, data: Any, /, **columns: Any) -> Any: ...  # a pandas DataFrame


def compute(formula: str, data: Any = None, /, **columns: Any) -> Any:
    """Computes a formula over columns, one request a row, and returns every row's answer.

        >>> result = compute("bmi", weight_kg=[70, 90.5], height_m=[1.75, 1.8])
        >>> list(result.values), result.kinds
        ([22.86, 27.93], ['result', 'result'])

    The arguments are named as in the formula's usage line (``calc_health("bmi")``), with
    ``sex`` for ``[M/F]``: sequences of numbers, anything with the buffer protocol (NumPy
    arrays, array.array, memoryview) without copying, or one number for every row; ``sex``
    takes str such as ``"M"`` and ``"F"``. Each request is written from the numbers exactly:
    integers as integers, floats in the shortest text that reads back as the same double. For
    ``bodyfat_navy``, male rows leave ``hip_cm`` out.

    ``data``, a mapping of columns or a pandas DataFrame, gives every argument that is not
    named: ``compute("bmi", frame)`` reads ``frame["weight_kg"]`` and ``frame["height_m"]``.
    A DataFrame in gives a DataFrame out, with the same index and the columns value, kind,
    warnings, category and category_source; otherwise the answer is a Computed.

    Raises ValueError for an unknown formula, columns of different lengths or a sex that is not
    one word, and TypeError for missing or unknown arguments and columns that are not numbers.
    The GIL is held for the whole computation, as for calc_many.
    """
    keyword, names, female_only = _formula(formula)
    arguments, rows, hip_index = _columns(names, female_only, data, columns)
    values = array("d", [0.0]) * rows
    kinds, warnings, categories, sources = _native.compute_rows(
        keyword, arguments, hip_index, rows, values)
    frame_class = _data_frame_class()
    if frame_class is not None and isinstance(data, frame_class):
        import numpy  # pandas requires it

        return frame_class({"value": numpy.frombuffer(values, dtype=numpy.float64),
                            "kind": kinds, "warnings": warnings, "category": categories,
                            "category_source": sources}, index=data.index)
    return Computed(values, kinds, warnings, categories, sources)
