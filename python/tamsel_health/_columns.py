# SPDX-License-Identifier: MIT
"""Formulas over columns of numbers: compute("bmi", weight_kg=..., height_m=...), and the call
that the typed functions (tamsel_health.bmi and the rest) share.

Columns reach the core through the buffer protocol where they can (NumPy arrays and pandas
Series, strided views included, array.array, memoryview), with pandas' masks of missing values
beside them; a list is read cell by cell in C. No Python object is made for a row but the
sentences of the rows that have warnings.
"""
from __future__ import annotations

import re
import sys
import warnings as _warnings
from array import array
from typing import Any, Dict, Iterator, List, Mapping, Optional, Sequence, Tuple, overload

from . import _native
from ._answer import Kind
from ._table import KIND_NAMES, NAN_IS_MISSING, SEX, Formula, find, imperial_option

# The struct codes that the core's call reads in place (others are turned into doubles first).
_BUFFER_FORMATS = frozenset("dfbBhHiIlLqQnN?")
# The extension's error for a cell it cannot read: the argument, its row's place, the rest.
_ROW_ERROR = re.compile(r"(\w+), row (\d+)(: .*)", re.DOTALL)
# A code of sex_codes for a cell that is no sex.
_NOT_A_SEX = 254

Units = Optional[str]


class TamselHealthWarning(UserWarning):
    """A call's rows have warnings: arguments or results that are probably not what was meant.

    The typed functions give one of these for a whole call (how many rows, the first few
    sentences with their row numbers); the values are unchanged. compute() and what="record"
    carry the warnings in their result instead.
    """


class Computed:
    """A formula's answers for every row, in row order, held as arrays.

    values:         array('d'): the printed value of each row as a float; nan where there is
                    none (a missing row, or a result printed as inf or nan).
    kind_codes:     array('b'): each row's kind as its place in kind_names.
    kind_names:     every kind's name by code ("result", ..., "missing").
    category_codes: array('b'): each row's category as its place in category_names, -1 for none.
    category_names: the formula's categories in their scheme's order (empty without a scheme).
    category_source: where those categories come from, or None.
    category_notes: each category's caveats in short (for whom its source classifies), by code.
    warned:         {row: its warning sentences}, for the rows that have any.

    The lists of earlier versions are made when first asked for: kinds, warnings (an empty
    tuple for most rows), categories and category_sources (None where there is none). Unpacked
    or indexed, a Computed gives those five as before: values, kinds, warnings, categories,
    category_sources. numpy.asarray(computed.values) shares the values without a copy.
    category_notes_by_row gives each row's category note (None where there is none).
    """

    _fields = ("values", "kinds", "warnings", "categories", "category_sources")

    def __init__(self, values: "array[float]", kind_codes: "array[int]", category_codes: "array[int]",
                 category_names: Tuple[str, ...], category_source: Optional[str],
                 warned: Dict[int, Tuple[str, ...]], category_notes: Tuple[str, ...] = ()) -> None:
        self.values = values
        self.kind_codes = kind_codes
        self.kind_names: Tuple[str, ...] = KIND_NAMES
        self.category_codes = category_codes
        self.category_names = category_names
        self.category_source = category_source
        self.category_notes = category_notes
        self.warned = warned
        self._lists: Dict[str, List[Any]] = {}

    @property
    def kinds(self) -> List[Kind]:
        made = self._lists.get("kinds")
        if made is None:
            names = self.kind_names
            made = self._lists["kinds"] = [names[code] for code in self.kind_codes]
        return made

    @property
    def warnings(self) -> List[Tuple[str, ...]]:
        made = self._lists.get("warnings")
        if made is None:
            none: Tuple[str, ...] = ()
            made = [none] * len(self.values)
            for row, sentences in self.warned.items():
                made[row] = sentences
            self._lists["warnings"] = made
        return made

    @property
    def categories(self) -> List[Optional[str]]:
        made = self._lists.get("categories")
        if made is None:
            names: Tuple[Optional[str], ...] = self.category_names + (None,)
            made = self._lists["categories"] = [names[code] for code in self.category_codes]
        return made

    @property
    def category_sources(self) -> List[Optional[str]]:
        made = self._lists.get("category_sources")
        if made is None:
            source = self.category_source
            made = self._lists["category_sources"] = [None if code < 0 else source
                                                      for code in self.category_codes]
        return made

    @property
    def category_notes_by_row(self) -> List[Optional[str]]:
        made = self._lists.get("category_notes_by_row")
        if made is None:
            notes: Tuple[Optional[str], ...] = self.category_notes + (None,)
            made = self._lists["category_notes_by_row"] = [notes[code] for code in self.category_codes]
        return made

    def __iter__(self) -> Iterator[Any]:
        return iter((self.values, self.kinds, self.warnings, self.categories, self.category_sources))

    def __len__(self) -> int:
        return len(self._fields)

    def __getitem__(self, index: int) -> Any:
        return tuple(self)[index]

    def _asdict(self) -> Dict[str, Any]:
        return dict(zip(self._fields, self))

    def __repr__(self) -> str:
        return "Computed(values=%r, kinds=%r, warnings=%r, categories=%r, category_sources=%r)" % tuple(self)


# --- Reading the arguments -----------------------------------------------------------------------

def _module(name: str) -> Any:
    return sys.modules.get(name)


def _numpy() -> Any:
    """NumPy, when it is installed; the results of array calls are then NumPy arrays."""
    numpy = sys.modules.get("numpy")
    if numpy is None:
        try:
            import numpy
        except ImportError:
            return None
    return numpy


def _markers() -> Tuple[object, ...]:
    """The objects besides None that stand for a missing value in a list."""
    pandas = _module("pandas")
    na = getattr(pandas, "NA", None)
    return () if na is None else (na,)


def _is_series(value: object) -> bool:
    pandas = _module("pandas")
    return pandas is not None and isinstance(value, pandas.Series)


def _is_array(value: object) -> bool:
    numpy = _module("numpy")
    return numpy is not None and isinstance(value, numpy.ndarray)


def _is_categorical(value: object) -> bool:
    pandas = _module("pandas")
    return pandas is not None and isinstance(value, pandas.Categorical)


def _is_scalar(value: object) -> bool:
    if value is None or isinstance(value, (str, bytes, int, float)):
        return True
    if _is_array(value):
        return bool(getattr(value, "ndim", 1) == 0)
    numpy = _module("numpy")
    if numpy is not None and isinstance(value, numpy.generic):
        return True
    return any(value is marker for marker in _markers())


def _length(value: Any) -> int:
    if _is_scalar(value):
        return 1
    try:
        return len(value)
    except TypeError:
        return 1


def _array_entry(name: str, given: Any, sex: bool, mask: Any = None) -> object:
    numpy = _module("numpy")
    if given.ndim == 0:
        return _entry(name, given.item(), sex)
    if given.ndim != 1:
        raise TypeError("%s is a column, not %d-dimensional" % (name, given.ndim))
    kind = given.dtype.kind
    if kind == "O" or (sex and kind in "US"):
        return given.tolist()
    if sex:
        raise TypeError("%s takes str such as 'M' or 'F', not an array of %s" % (name, given.dtype))
    if kind not in "biuf":
        raise TypeError("%s takes numbers, not an array of %s" % (name, given.dtype))
    if given.dtype.byteorder not in "=|" or given.dtype.char not in _BUFFER_FORMATS:
        given = given.astype(numpy.float64)  # float16, long double, the other byte order
    return (given, mask)


def _categorical_sex(name: str, categorical: Any) -> object:
    """A pandas Categorical of sexes as codes, each category read once."""
    numpy = _module("numpy")
    categories = list(categorical.categories)
    # Code -1 (a missing value) takes the last entry, which is missing.
    lookup = numpy.frombuffer(_native.sex_codes(categories, _markers()) + b"\xff", dtype=numpy.uint8)
    codes = numpy.asarray(categorical.codes)
    mapped = lookup[codes]
    wrong = numpy.flatnonzero(mapped == _NOT_A_SEX)
    if wrong.size:
        row = int(wrong[0])
        raise ValueError("%s, row %d: %r is not M, F, male or female" % (name, row, categories[codes[row]]))
    return (mapped, None)


def _series_entry(name: str, series: Any, sex: bool) -> object:
    values = series.array
    if sex and _is_categorical(values):
        return _categorical_sex(name, values)
    # pandas' nullable numbers (Float64, Int64, boolean): the numbers and a mask of the missing.
    data: Any = getattr(values, "_data", None)
    mask: Any = getattr(values, "_mask", None)
    if not sex and _is_array(data) and _is_array(mask) and data.ndim == 1:
        return _array_entry(name, data, sex, mask)
    if not sex and str(series.dtype) in ("Float64", "Float32", "Int64", "Int32", "Int16", "Int8",
                                         "UInt64", "UInt32", "UInt16", "UInt8", "boolean"):
        # A pandas without the mask where it was: its own copy, missing as NaN.
        numpy = _module("numpy")
        return _array_entry(name, series.to_numpy(dtype=numpy.float64, na_value=numpy.nan), sex)
    return _array_entry(name, series.to_numpy(), sex)


def _entry(name: str, given: Any, sex: bool) -> object:
    """One argument as _native.evaluate reads it: a list of cells, or (buffer, mask or None)."""
    numpy = _module("numpy")
    if numpy is not None and isinstance(given, numpy.generic):
        given = given.item()  # a NumPy scalar: its Python value
    if given is None or isinstance(given, (str, int, float)):
        if isinstance(given, str) and not sex:
            raise TypeError("%s takes numbers, not str" % name)
        return [given]
    if isinstance(given, (bytes, bytearray)):
        raise TypeError("%s takes %s, not %s" % (name, "str" if sex else "numbers", type(given).__name__))
    if _is_series(given):
        return _series_entry(name, given, sex)
    if sex and _is_categorical(given):
        return _categorical_sex(name, given)
    if _is_array(given):
        return _array_entry(name, given, sex)
    if isinstance(given, list):
        return given
    if not sex:
        try:
            view = memoryview(given)
        except TypeError:
            pass
        else:
            if view.ndim != 1:
                raise TypeError("%s is a column, not %d-dimensional" % (name, view.ndim))
            if view.format.lstrip("@=") in _BUFFER_FORMATS:
                return (given, None)
            raise TypeError("%s takes numbers, not a buffer of format %r" % (name, view.format))
    try:
        return list(given)
    except TypeError:
        return [given]  # one value, such as a Decimal; the core's reader says if it is none


# --- Calling the core --------------------------------------------------------------------------------

class _Given:
    """A call's arguments, by place: each value and whether it is in its imperial unit."""

    def __init__(self, formula: Formula, values: Dict[int, Tuple[Any, bool]]) -> None:
        self.formula = formula
        self.values = values

    @property
    def options(self) -> int:
        options = NAN_IS_MISSING
        for place, (_, imperial) in self.values.items():
            if imperial:
                options |= imperial_option(place)
        return options

    def index(self) -> Any:
        """The index of the first pandas Series among the arguments, or None."""
        for place in sorted(self.values):
            value = self.values[place][0]
            if _is_series(value):
                return value.index
        return None


def _columns_shape(given: _Given) -> Tuple[int, ...]:
    """compute()'s rule: columns of one length, and single values for every row."""
    rows: Optional[int] = None
    rows_name = ""
    for place in sorted(given.values):
        value = given.values[place][0]
        if _is_scalar(value):
            continue
        name = given.formula.arguments[place].name
        length = _length(value)
        if rows is not None and length != rows:
            raise ValueError("%s has %d rows, %s %d" % (name, length, rows_name, rows))
        rows, rows_name = length, name
    return () if rows is None else (rows,)


def _broadcast_shape(given: _Given) -> Tuple[int, ...]:
    """NumPy's rule, where NumPy is; without it, single values and columns of one length."""
    numpy = _numpy()
    if numpy is None:
        lengths = {_length(value) for value, _ in given.values.values() if not _is_scalar(value)}
        if not lengths:
            return ()
        longer = lengths - {1}
        if len(longer) > 1:
            raise ValueError("columns of %s rows cannot be broadcast together"
                             % " and ".join(str(length) for length in sorted(longer)))
        return (longer.pop() if longer else 1,)
    shapes: List[Tuple[int, ...]] = []
    for value, _ in given.values.values():
        if _is_scalar(value):
            shapes.append(())
        elif _is_series(value) or (isinstance(value, list) and not (
                value and isinstance(value[0], (list, tuple)))):
            shapes.append((len(value),))  # without making an array of a long list
        else:
            shapes.append(numpy.shape(value))
    return tuple(numpy.broadcast_shapes(*shapes))


class _Result:
    """What the core gave for a call: its arrays, and the rows with warnings."""

    def __init__(self, given: _Given, shape: Tuple[int, ...], rows: int, values: Any, kinds: Any,
                 categories: Any, warned_rows: int, summary: List[Tuple[int, Tuple[str, ...]]],
                 warned: Optional[Dict[int, Tuple[str, ...]]]) -> None:
        self.given = given
        self.shape = shape
        self.rows = rows
        self.values = values
        self.kinds = kinds
        self.categories = categories
        self.warned_rows = warned_rows
        self.summary = summary
        self.warned: Dict[int, Tuple[str, ...]] = warned or {}


def _name_the_row(error: Exception, given: _Given, shape: Tuple[int, ...]) -> None:
    """Raises `error` again naming its row as the caller knows it (a Series' label, a position in
    N dimensions) where "weight_kg, row 3: ..." names it by its place alone."""
    found = _ROW_ERROR.match(str(error))
    if found is None:
        return
    label = _row_label(given, shape, int(found.group(2)))
    if label != "row " + found.group(2):
        raise type(error)("%s, %s%s" % (found.group(1), label, found.group(3))) from None


def _evaluate(given: _Given, shape: Tuple[int, ...], *, every_row: bool, kinds: bool, categories: bool,
              as_numpy: bool) -> _Result:
    formula = given.formula
    rows = 1
    for extent in shape:
        rows *= extent
    numpy = _numpy() if as_numpy or len(shape) > 1 else None
    entries: List[object] = []
    for place, argument in enumerate(formula.arguments):
        if place not in given.values:
            entries.append(None)  # missing in every row, but a man's hip, which is not read
            continue
        value = given.values[place][0]
        if len(shape) > 1 and not _is_scalar(value):
            value = numpy.broadcast_to(numpy.asarray(value), shape).reshape(-1)
        try:
            entries.append(_entry(argument.name, value, argument.type == SEX))
        except (TypeError, ValueError) as error:
            _name_the_row(error, given, shape)
            raise
    if numpy is not None:
        value_out: Any = numpy.empty(rows, dtype=numpy.float64)
        kind_out: Any = numpy.empty(rows, dtype=numpy.int8) if kinds else None
        category_out: Any = numpy.empty(rows, dtype=numpy.int8) if categories else None
    else:
        value_out = array("d", [0.0]) * rows
        kind_out = array("b", [0]) * rows if kinds else None
        category_out = array("b", [0]) * rows if categories else None
    try:
        warned_rows, summary, warned = _native.evaluate(
            formula.number, tuple(entries), given.options, rows, value_out, kind_out, category_out,
            every_row, _markers())
    except (TypeError, ValueError) as error:
        _name_the_row(error, given, shape)
        raise
    return _Result(given, shape, rows, value_out, kind_out, category_out, warned_rows, summary, warned)


def _row_label(given: _Given, shape: Tuple[int, ...], row: int) -> str:
    if len(shape) > 1:
        numpy = _numpy()
        return "row %s" % (tuple(int(i) for i in numpy.unravel_index(row, shape)),)
    index = given.index()
    if index is not None:
        label = index[row]
        if label != row:
            return "row %d (index %r)" % (row, label)
    return "row %d" % row


def _warn_once(result: _Result, stacklevel: int) -> None:
    """One warning for the whole call, as the R package gives one."""
    if result.warned_rows == 0:
        return
    if not result.shape:
        message = "; ".join(result.summary[0][1])
    else:
        shown = len(result.summary)
        lines = "".join("\n  %s: %s" % (_row_label(result.given, result.shape, row), "; ".join(sentences))
                        for row, sentences in result.summary)
        message = "%s of %s %s %s warnings%s%s" % (
            format(result.warned_rows, ","), format(result.rows, ","), "row" if result.rows == 1 else "rows",
            "has" if result.warned_rows == 1 else "have",
            "; the first %d:" % shown if result.warned_rows > shown else ":", lines)
    _warnings.warn(message, TamselHealthWarning, stacklevel=stacklevel + 1)


# --- Results -----------------------------------------------------------------------------------------

_dtypes: Dict[Any, Any] = {}


def _categorical_dtype(names: Tuple[Optional[str], ...], ordered: bool) -> Any:
    made = _dtypes.get((names, ordered))
    if made is None:
        pandas = _module("pandas")
        made = _dtypes[(names, ordered)] = pandas.CategoricalDtype(list(names), ordered=ordered)
    return made


def _categories_of(result: _Result) -> Any:
    pandas = _module("pandas")
    formula = result.given.formula
    names = tuple(category.name for category in formula.categories)
    return pandas.Categorical.from_codes(result.categories, dtype=_categorical_dtype(names, True))


def _frame(result: _Result, index: Any) -> Any:
    """The rows as a DataFrame: value, kind, warnings (None for a row without), category,
    category_source and category_note."""
    pandas = _module("pandas")
    numpy = _numpy()
    formula = result.given.formula
    if index is None:
        index = pandas.RangeIndex(result.rows)
    kinds = pandas.Categorical.from_codes(result.kinds, dtype=_categorical_dtype(KIND_NAMES, False))
    sources = () if formula.scheme_source is None else (formula.scheme_source,)
    # Every category of a formula has its scheme's source: -1 stays -1, the rest become 0.
    source_codes = numpy.minimum(result.categories, 0) if sources else result.categories
    # Categories may share a note: each category's code maps to its note's place among the
    # distinct ones, and a row without a category (-1) takes the last entry, -1.
    notes = tuple(dict.fromkeys(category.note for category in formula.categories))
    note_of = numpy.array([notes.index(category.note) for category in formula.categories] + [-1], dtype="int8")
    note_codes = note_of[result.categories]
    warnings = numpy.empty(result.rows, dtype=object)
    for row, sentences in result.warned.items():
        warnings[row] = sentences
    # Series of their own dtype, so that pandas neither copies nor looks into a million cells.
    return pandas.DataFrame({
        "value": pandas.Series(result.values, index=index, copy=False),
        "kind": pandas.Series(kinds, index=index, copy=False),
        "warnings": pandas.Series(warnings, index=index, dtype=object, copy=False),
        "category": pandas.Series(_categories_of(result), index=index, copy=False),
        "category_source": pandas.Series(
            pandas.Categorical.from_codes(source_codes, dtype=_categorical_dtype(sources, False)),
            index=index, copy=False),
        "category_note": pandas.Series(
            pandas.Categorical.from_codes(note_codes, dtype=_categorical_dtype(notes, False)),
            index=index, copy=False),
    }, copy=False)


def _computed(result: _Result) -> Computed:
    formula = result.given.formula
    values, kinds, categories = result.values, result.kinds, result.categories
    if not isinstance(values, array):  # NumPy's, when an argument was N-dimensional
        values, kinds, categories = array("d", values.tobytes()), array("b", kinds.tobytes()), \
            array("b", categories.tobytes())
    return Computed(values, kinds, categories, tuple(category.name for category in formula.categories),
                    formula.scheme_source, result.warned,
                    tuple(category.note for category in formula.categories))


# --- compute() ---------------------------------------------------------------------------------------

def _units(units: Units) -> bool:
    """True for units="imperial"; None and "metric" are the formula's own units."""
    if units is None or units == "metric":
        return False
    if units == "imperial":
        return True
    raise ValueError("units is 'metric' or 'imperial', not %r" % (units,))


def _names(formula: Formula) -> str:
    return ", ".join(argument.name for argument in formula.arguments)


def _gather(formula: Formula, data: Any, columns: Dict[str, Any], imperial: bool) -> _Given:
    """compute()'s arguments by place: named ones first, then data's columns of the same name."""
    places = {}
    for place, argument in enumerate(formula.arguments):
        places[argument.name] = (place, False)
        if argument.imperial_name is not None:
            places[argument.imperial_name] = (place, True)
    unknown = sorted(set(columns) - set(places))
    if unknown:
        raise TypeError("unexpected argument %s; the formula takes %s" % (", ".join(unknown), _names(formula)))
    values: Dict[int, Tuple[Any, bool]] = {}
    for name, value in columns.items():
        place, in_imperial = places[name]
        argument = formula.arguments[place]
        if imperial and not in_imperial and argument.imperial_name is not None:
            raise TypeError("%s is in %s, but units='imperial': give %s" % (name, argument.unit, argument.imperial_name))
        if place in values:
            raise TypeError("%s and %s are the same argument; give one" % (argument.name, argument.imperial_name))
        values[place] = (value, in_imperial)
    for place, argument in enumerate(formula.arguments):
        if place in values:
            continue
        found = []
        names: Tuple[Tuple[Optional[str], bool], ...] = ((argument.name, False), (argument.imperial_name, True))
        for column, in_imperial in names:
            if column is None or (imperial and not in_imperial and argument.imperial_name is not None):
                continue
            if data is not None and column in data:
                found.append((data[column], in_imperial, column))
        if len(found) > 1:
            raise ValueError("data has both %s and %s; name the one to use" % (found[0][2], found[1][2]))
        if found:
            values[place] = found[0][:2]
        elif not argument.women_only:
            other = " (or %s)" % argument.imperial_name if argument.imperial_name else ""
            raise TypeError("missing argument %s%s; the formula takes %s" % (argument.name, other, _names(formula)))
    return _Given(formula, values)


def _is_frame(data: Any) -> bool:
    pandas = _module("pandas")  # a data frame comes only from a pandas already imported
    return pandas is not None and isinstance(data, pandas.DataFrame)


@overload
def compute(formula: str, /, *, units: Units = ..., **columns: Any) -> Computed: ...
@overload
def compute(formula: str, data: Mapping[str, Any], /, *, units: Units = ..., **columns: Any) -> Computed: ...
@overload
def compute(formula: str, data: Any, /, *, units: Units = ..., **columns: Any) -> Any: ...  # a DataFrame


def compute(formula: str, data: Any = None, /, *, units: Units = None, **columns: Any) -> Any:
    """Computes a formula over columns and returns every row's answer.

        >>> result = compute("bmi", weight_kg=[70, 90.5], height_m=[1.75, 1.8])
        >>> list(result.values), result.kinds
        ([22.86, 27.93], ['result', 'result'])

    The arguments are named as the formula table names them (``weight_kg``, ``sex``; the typed
    function's help shows them), or by their imperial name (``weight_lb``, ``height_in``) for
    values in pounds and inches; ``units="imperial"`` asks for every argument that has one in
    it. A column is a NumPy array, a pandas Series (nullable Float64 and Int64 too), anything
    else with the buffer protocol, or a sequence of numbers; a single value gives every row.
    ``sex`` takes "M", "F", "male" or "female" in either case. NaN, None and pd.NA are missing
    values: such a row has kind "missing" and value nan. A man's row of bodyfat_navy does not
    read hip_cm.

    ``data``, a mapping of columns or a pandas DataFrame, gives every argument that is not
    named: ``compute("bmi", frame)`` reads ``frame["weight_kg"]`` and ``frame["height_m"]``.
    A DataFrame in gives a DataFrame out, with the same index and the columns value (float64),
    kind and category (pandas Categoricals, the categories in their scheme's order), warnings
    (a tuple of sentences, None for a row without) and category_source. Otherwise the answer
    is a Computed. The warnings are in the result; this call raises no Python warning.

    Raises ValueError for an unknown formula, columns of different lengths or a sex that is no
    sex, and TypeError for missing or unknown arguments and cells that are not numbers; both
    name the row.
    """
    info = find(formula)
    given = _gather(info, data, columns, _units(units))
    frame = _is_frame(data)
    result = _evaluate(given, _columns_shape(given), every_row=True, kinds=True, categories=True,
                       as_numpy=frame)
    if frame:
        return _frame(result, data.index)
    return _computed(result)


# --- The typed functions' call -----------------------------------------------------------------------

def typed_call(formula: Formula, positional: Sequence[Any], named: Dict[str, Any], units: Units,
               what: str) -> Any:
    """A typed function's call: its arguments bound by place, evaluated, shaped as given."""
    imperial = _units(units)
    name = formula.python_name
    arguments = formula.arguments
    if len(positional) > len(arguments):
        raise TypeError("%s() takes %d positional arguments but %d were given"
                        % (name, len(arguments), len(positional)))
    values: Dict[int, Tuple[Any, bool]] = {}
    for place, value in enumerate(positional):
        values[place] = (value, imperial and arguments[place].imperial_name is not None)
    for key, value in named.items():
        place = next((p for p, a in enumerate(arguments) if a.name == key), -1)
        in_imperial = place < 0
        if in_imperial:
            place = next((p for p, a in enumerate(arguments) if a.imperial_name == key), -1)
        if place < 0:
            raise TypeError("%s() got an unexpected keyword argument %r" % (name, key))
        argument = arguments[place]
        if imperial and not in_imperial and argument.imperial_name is not None:
            raise TypeError("%s() takes %s in %s, but units='imperial': give %s"
                            % (name, key, argument.unit, argument.imperial_name))
        if place in values:
            raise TypeError("%s() got more than one value for %s" % (name, argument.name))
        values[place] = (value, in_imperial)
    for place, argument in enumerate(arguments):
        if place not in values and not argument.women_only:
            other = " (or %r)" % argument.imperial_name if argument.imperial_name else ""
            raise TypeError("%s() missing required argument %r%s" % (name, argument.name, other))
    given = _Given(formula, values)
    if what == "record":
        index = given.index()
        shape = _broadcast_shape(given)
        result = _evaluate(given, shape, every_row=True, kinds=True, categories=True,
                           as_numpy=index is not None)
        if index is not None and len(shape) == 1:
            return _frame(result, index)
        return _computed(result)
    if what not in ("value", "category"):
        raise ValueError("what is 'value', 'category' or 'record', not %r" % (what,))
    shape = _broadcast_shape(given)
    result = _evaluate(given, shape, every_row=False, kinds=True, categories=what == "category",
                       as_numpy=bool(shape))
    _warn_once(result, stacklevel=3)
    _warn_without_hip(result)
    index = given.index() if len(shape) == 1 else None
    if what == "value":
        if not shape:
            return float(result.values[0])
        if isinstance(result.values, array):
            return result.values
        values = result.values.reshape(shape)
        if index is not None:
            return _module("pandas").Series(values, index=index, copy=False)
        return values
    names: Tuple[Optional[str], ...] = tuple(category.name for category in formula.categories) + (None,)
    if not shape:
        return names[result.categories[0]]
    if index is not None:
        return _module("pandas").Series(_categories_of(result), index=index, copy=False)
    numpy = _numpy()
    if numpy is None:
        return [names[code] for code in result.categories]
    return numpy.array(names, dtype=object)[result.categories].reshape(shape)


def _warn_without_hip(result: _Result) -> None:
    """A woman's row needs the hip: without it, say so rather than leave her rows missing
    without a word."""
    formula = result.given.formula
    hip = next((place for place, argument in enumerate(formula.arguments) if argument.women_only), -1)
    missing = KIND_NAMES.index("missing")
    if hip < 0 or hip in result.given.values or missing not in result.kinds:
        return
    # The same rows with some hip: those that then have a value are women's.
    with_hip = _Given(formula, dict(result.given.values))
    with_hip.values[hip] = (100.0, False)
    again = _evaluate(with_hip, result.shape, every_row=False, kinds=True, categories=False,
                      as_numpy=bool(result.shape))
    if isinstance(result.kinds, array):
        women = sum(1 for before, after in zip(result.kinds, again.kinds) if before == missing != after)
    else:
        women = int(((result.kinds == missing) & (again.kinds != missing)).sum())
    if women:
        _warnings.warn("%s was not given, so the rows of women (%s) are missing"
                       % (formula.arguments[hip].name, format(women, ",")), TamselHealthWarning, stacklevel=4)


__all__ = ["Computed", "TamselHealthWarning", "compute", "typed_call"]
