# SPDX-License-Identifier: MIT
"""The typed functions and compute() on numbers against the text path: for every formula, random
rows (values as people type them, the edges of every range, other units, special doubles, whole
numbers with fractions or beyond 32 bits) give exactly what ask() gives the request that writes
their numbers: the value to the bit, the kind, the category and the warnings' sentences."""
import math
import warnings

import pytest

numpy = pytest.importorskip("numpy")
pandas = pytest.importorskip("pandas")

import tamsel_health  # noqa: E402
from tamsel_health._table import FORMULAS, SEX, WHOLE  # noqa: E402

from request_text import request_of, written  # noqa: E402

ROWS = 100_000

# The calls here warn by design; the test of the warning catches its own.
pytestmark = pytest.mark.filterwarnings("ignore::tamsel_health.TamselHealthWarning")


# --- The request that writes a row's numbers ----------------------------------------------------------

@pytest.mark.parametrize("number, text", [
    (70.0, "70"), (1.75, "1.75"), (100000.0, "1e+05"), (10000.0, "10000"), (1e-05, "1e-05"),
    (0.00012, "0.00012"), (-0.0, "-0"), (5e-324, "5e-324"), (1.2345678901234567e16, "12345678901234568"),
    (1e20, "1e+20"), (math.inf, "inf"), (123.456, "123.456"), (1.3094501079624542e20, "130945010796245417984"),
])
def test_numbers_are_written_as_the_shortest_text(number, text):
    assert written(number, False) == text
    assert float(written(number, True)) == number


# --- Rows ---------------------------------------------------------------------------------------------

SPECIALS = numpy.array([0.0, -0.0, 5e-324, -5e-324, 2.2250738585072014e-308, 1e-300, 1e300, -1e300,
                        1.7976931348623157e308, math.inf, -math.inf, 0.5, -0.5, 1e-7,
                        123456789012345678.0, 9007199254740993.0, 1e5, 1e15])
BEYOND_32_BITS = numpy.array([2147483647.0, 2147483648.0, 2147483647.5, -2147483648.0, -2147483648.5,
                              -2147483649.0, 3e9, -3e9, 1e10, 1e20, -1e20, 4294967296.0, 1e300])
SLIPS = numpy.array([100, 0.01, 2.54, 1 / 2.54, 0.45359237, 10, 0.1])


def typed_values(generator, low, high, count):
    """Values as a person types them: up to three decimals, the double nearest that decimal."""
    scale = 10.0 ** generator.integers(0, 4, count)
    return numpy.round(generator.uniform(low, high, count) * scale) / scale


def real_column(generator, argument, count):
    span = generator.integers(0, len(argument.ranges), count)
    low = numpy.array([r[0] for r in argument.ranges])[span]
    high = numpy.array([r[1] for r in argument.ranges])[span]
    column = typed_values(generator, low, high, count)
    choice = generator.integers(0, 20, count)
    edges = numpy.where(generator.integers(0, 2, count) == 0, low, high)
    nudged = numpy.nextafter(edges, numpy.where(generator.integers(0, 2, count) == 0, -math.inf, math.inf))
    bits = generator.integers(0, 2 ** 63, count, dtype=numpy.int64) * numpy.where(
        generator.integers(0, 2, count) == 0, 1, -1)
    any_bits = bits.view(numpy.float64)
    any_bits = numpy.where(numpy.isnan(any_bits), 1.5, any_bits)
    replacements = [
        (0, SPECIALS[generator.integers(0, len(SPECIALS), count)]),
        (1, any_bits),
        (2, generator.uniform(-2 * high, 4 * high)),
        (3, numpy.where(generator.integers(0, 2, count) == 0, edges, nudged)),
        (4, column * SLIPS[generator.integers(0, len(SLIPS), count)]),
    ]
    for code, values in replacements:
        column = numpy.where(choice == code, values, column)
    return column


def whole_column(generator, argument, count):
    low, high = argument.ranges[0]
    column = numpy.round(generator.uniform(low, high, count))
    choice = generator.integers(0, 20, count)
    replacements = [
        (0, SPECIALS[generator.integers(0, len(SPECIALS), count)]),
        (1, BEYOND_32_BITS[generator.integers(0, len(BEYOND_32_BITS), count)]),
        (2, column + generator.uniform(-0.999, 0.999, count)),
        (3, numpy.where(generator.integers(0, 2, count) == 0, low - 1, high + 1)),
        (4, -numpy.round(generator.uniform(0, high, count))),
    ]
    for code, values in replacements:
        column = numpy.where(choice == code, values, column)
    return column


def near_class_edges(generator, formula, table):
    """A tenth of the rows on the edges of the published classes, and on printed halves."""
    count = len(table)
    rows = generator.integers(0, 10, count) == 0
    step = generator.integers(-3, 4, count) * 0.001
    if formula.keyword == "bmi":
        height = typed_values(generator, 1.4, 2.0, count)
        edge = numpy.array([16, 17, 18.5, 25, 30, 35, 40])[generator.integers(0, 7, count)]
        table[rows, 1] = height[rows]
        table[rows, 0] = ((edge + step) * height * height)[rows]
    elif formula.keyword == "wthr":
        height = typed_values(generator, 140, 200, count)
        edge = numpy.array([0.4, 0.5, 0.6])[generator.integers(0, 3, count)]
        table[rows, 1] = height[rows]
        table[rows, 0] = ((edge + step) * height)[rows]
    elif formula.keyword in ("bp_category", "map", "pulse_pressure"):
        table[rows, 0] = numpy.array([119, 120, 129, 130, 139, 140, 179, 180, 181])[generator.integers(0, 9, count)][rows]
        table[rows, 1] = numpy.array([79, 80, 89, 90, 119, 120, 121])[generator.integers(0, 7, count)][rows]
    elif formula.keyword == "whr":
        table[rows, 0] = generator.integers(1, 16, count)[rows]
        table[rows, 1] = numpy.where(generator.integers(0, 2, count) == 0, 8.0, 16.0)[rows]


def random_table(formula, count, seed):
    """The rows as a table of doubles, a column per argument and one more, so that each
    argument's column is a strided view; the sex as 1 (male) or 0."""
    generator = numpy.random.default_rng(seed)
    table = numpy.zeros((count, len(formula.arguments) + 1))
    for place, argument in enumerate(formula.arguments):
        if argument.type == SEX:
            table[:, place] = generator.integers(0, 2, count)
        elif argument.type == WHOLE:
            table[:, place] = whole_column(generator, argument, count)
        else:
            table[:, place] = real_column(generator, argument, count)
    near_class_edges(generator, formula, table)
    return table


SEX_WORDS = numpy.array(["F", "M", "f", "m", "female", "male", "Female", "MALE"], dtype=object)


def sex_words(generator, codes):
    """Each code as one of the words for it."""
    choice = generator.integers(0, 4, len(codes)) * 2
    return SEX_WORDS[choice + codes.astype(int)]


# --- The comparison ----------------------------------------------------------------------------------

def expected_rows(formula, table):
    return [tamsel_health.ask(request_of(formula, row)) for row in table.tolist()]


def differences(formula, table, values, kinds, categories, warned, answers, limit=5):
    """The first rows where the typed answers are not the text path's, as text."""
    expected_values = numpy.array([math.nan if answer.value is None else answer.value for answer in answers])
    same_values = (values.view(numpy.uint64) == expected_values.view(numpy.uint64)) | (
        numpy.isnan(values) & numpy.isnan(expected_values))
    wrong = []
    for row, answer in enumerate(answers):
        got = (kinds[row], categories[row], warned.get(row, ()))
        want = (answer.kind, answer.category, answer.warnings)
        if not same_values[row] or got != want:
            wrong.append("%s: %r %r, not %r %r" % (request_of(formula, table[row].tolist()), values[row], got,
                                                   answer.value, want))
            if len(wrong) == limit:
                break
    return wrong


@pytest.mark.parametrize("formula", FORMULAS, ids=lambda formula: formula.keyword)
def test_typed_and_column_calls_give_what_the_request_gets(formula):
    table = random_table(formula, ROWS, seed=4300 + formula.number)
    answers = expected_rows(formula, table)
    generator = numpy.random.default_rng(formula.number)
    function = getattr(tamsel_health, formula.python_name)

    # The typed function on strided NumPy views, a sex as words.
    arguments = [sex_words(generator, table[:, place]) if argument.type == SEX else table[:, place]
                 for place, argument in enumerate(formula.arguments)]
    assert not arguments[-1].flags.c_contiguous
    record = function(*arguments, what="record")
    names = record.category_names + (None,)
    categories = [names[code] for code in record.category_codes]
    kinds = [record.kind_names[code] for code in record.kind_codes]
    values = numpy.asarray(record.values)
    assert differences(formula, table, values, kinds, categories, record.warned, answers) == []

    # The value alone, with one Python warning for the call's rows that warn.
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        alone = function(*arguments)
    assert alone.view(numpy.uint64).tolist() == values.view(numpy.uint64).tolist() or numpy.array_equal(
        alone, values, equal_nan=True)
    warned_rows = sum(1 for answer in answers if answer.warnings)
    summaries = [w for w in caught if issubclass(w.category, tamsel_health.TamselHealthWarning)]
    assert len(summaries) == (1 if warned_rows else 0)
    if warned_rows:
        assert str(summaries[0].message).startswith("%s of 100,000 rows" % format(warned_rows, ","))

    # compute() on a DataFrame: a sex as a Categorical, the numbers as a nullable column.
    frame = pandas.DataFrame({argument.name: table[:, place] for place, argument in enumerate(formula.arguments)})
    for place, argument in enumerate(formula.arguments):
        if argument.type == SEX:
            frame[argument.name] = pandas.Categorical(arguments[place])
        elif place == len(formula.arguments) - 1:
            frame[argument.name] = frame[argument.name].astype("Float64")
    result = tamsel_health.compute(formula.keyword, frame)
    categories = [None if isinstance(name, float) else name for name in result["category"].tolist()]
    warned = {row: sentences for row, sentences in enumerate(result["warnings"].tolist()) if sentences is not None}
    assert differences(formula, table, result["value"].to_numpy(), result["kind"].tolist(), categories, warned,
                       answers) == []


# --- Broadcasting and shapes ------------------------------------------------------------------------

def test_single_values_give_a_float_or_a_name():
    assert tamsel_health.bmi(70, 1.75) == 22.86 and type(tamsel_health.bmi(70, 1.75)) is float
    assert tamsel_health.bmi(70, 1.75, what="category") == "Normal range"
    assert tamsel_health.bmi(numpy.float32(40), numpy.int64(2), what="category") == "Severe thinness"
    assert math.isnan(tamsel_health.bmi(None, 1.75)) and tamsel_health.bmi(None, 1.75, what="category") is None
    assert tamsel_health.whr(80, 100, what="category") is None  # no published classes
    assert tamsel_health.bodyfat_navy("M", 90, 38, 180) == tamsel_health.ask("bodyfat_navy M 90 38 180").value


@pytest.mark.parametrize("weights, heights", [
    (numpy.array([60.0, 70, 80]), 1.75),
    (numpy.array([[60.0], [70], [80]]), numpy.array([1.6, 1.7, 1.8, 1.9])),
    ([[60.0, 70], [80, 90]], [1.7, 1.8]),
    (numpy.arange(24, dtype=float).reshape(2, 3, 4) + 50, numpy.array([1.6, 1.7, 1.8, 1.9])),
    (numpy.array([70.0]), numpy.array([1.6, 1.7])),
    (numpy.zeros((0, 3)), numpy.array([1.6, 1.7, 1.8])),
])
def test_arrays_broadcast_as_numpy_broadcasts_them(weights, heights):
    shape = numpy.broadcast_shapes(numpy.shape(weights), numpy.shape(heights))
    values = tamsel_health.bmi(weights, heights)
    categories = tamsel_health.bmi(weights, heights, what="category")
    assert isinstance(values, numpy.ndarray) and values.shape == shape and values.dtype == numpy.float64
    assert categories.shape == shape and categories.dtype == object
    for w, h, value, category in zip(*(cells.ravel() for cells in numpy.broadcast_arrays(
            numpy.asarray(weights), numpy.asarray(heights), values, categories))):
        single = tamsel_health.ask("bmi %s %s" % (written(float(w), False), written(float(h), False)))
        assert (value, category) == (single.value, single.category)


def test_a_series_keeps_its_index():
    weights = pandas.Series([70.0, 80, None], index=["a", "b", "c"], dtype="Float64")
    values = tamsel_health.bmi(weights, 1.75)
    assert isinstance(values, pandas.Series) and list(values.index) == ["a", "b", "c"]
    assert values.tolist()[:2] == [22.86, 26.12] and math.isnan(values["c"])
    categories = tamsel_health.bmi(weights, 1.75, what="category")
    assert str(categories.dtype) == "category" and categories.tolist()[:2] == ["Normal range", "Pre-obese (overweight)"]
    record = tamsel_health.bmi(weights, 1.75, what="record")
    assert list(record.index) == ["a", "b", "c"] and list(record["kind"]) == ["result", "result", "missing"]


@pytest.mark.parametrize("call, error, message", [
    (lambda: tamsel_health.bmi(numpy.ones(3), numpy.ones(4)), ValueError, "broadcast"),
    (lambda: tamsel_health.bmi(70), TypeError, "missing required argument 'height_m' \\(or 'height_in'\\)"),
    (lambda: tamsel_health.bmi(70, 1.75, 3), TypeError, "takes 2 positional arguments"),
    (lambda: tamsel_health.bmi(70, 1.75, age=3), TypeError, "unexpected keyword argument 'age'"),
    (lambda: tamsel_health.bmi(70, 1.75, weight_lb=150), TypeError, "more than one value for weight_kg"),
    (lambda: tamsel_health.bmi(weight_kg=70, height_in=69, units="imperial"), TypeError, "give weight_lb"),
    (lambda: tamsel_health.bmi(70, 1.75, what="everything"), ValueError, "what is"),
    (lambda: tamsel_health.bmi([70, "x"], 1.75), TypeError, "weight_kg, row 1"),
    (lambda: tamsel_health.lbm(["M", "x"], 70, 170), ValueError, "sex, row 1: 'x'"),
    # The row as the caller finds it: by the Series' label, or its place in N dimensions.
    (lambda: tamsel_health.bmi(pandas.Series([70, "x"], index=["p1", "p2"]), 1.75), TypeError,
     r"weight_kg, row 1 \(index 'p2'\): 'x' is not a number"),
    (lambda: tamsel_health.lbm(pandas.Series(pandas.Categorical(["M", "Q"]), index=[5, 6]), 70, 170), ValueError,
     r"sex, row 1 \(index 6\): 'Q'"),
    (lambda: tamsel_health.bmi(numpy.array([[70, "x"]], dtype=object), 1.75), TypeError,
     r"weight_kg, row \(0, 1\): 'x'"),
])
def test_wrong_typed_calls_say_what_is_wrong(call, error, message):
    with pytest.raises(error, match=message):
        call()


# --- Imperial units ----------------------------------------------------------------------------------

IMPERIAL = [formula for formula in FORMULAS if any(argument.imperial_name for argument in formula.arguments)]


@pytest.mark.parametrize("formula", IMPERIAL, ids=lambda formula: formula.keyword)
def test_imperial_arguments_equal_the_metric_call_of_their_product(formula):
    """Pounds and inches by name are the metric call of the value times the exact factor,
    rounded once; the warnings name the unit they were given in."""
    function = getattr(tamsel_health, formula.python_name)
    table = random_table(formula, 20_000, seed=5300 + formula.number)
    generator = numpy.random.default_rng(5400 + formula.number)
    metric, imperial, positional = {}, {}, []
    for place, argument in enumerate(formula.arguments):
        column = sex_words(generator, table[:, place]) if argument.type == SEX else table[:, place]
        if argument.imperial_name:
            with numpy.errstate(over="ignore"):  # the table's huge values: their product is inf, as the core's
                metric[argument.name] = column * argument.imperial_factor
            imperial[argument.imperial_name] = column
        else:
            metric[argument.name] = imperial[argument.name] = column
        positional.append(column)
    expected = function(**metric, what="record")
    for given in (function(**imperial, what="record"), function(*positional, units="imperial", what="record")):
        assert numpy.asarray(given.values).view(numpy.uint64).tolist() == \
            numpy.asarray(expected.values).view(numpy.uint64).tolist()
        assert (given.kinds, given.categories) == (expected.kinds, expected.categories)
        assert sorted(given.warned) == sorted(expected.warned)
    named = [sentence for sentences in given.warned.values() for sentence in sentences
             if any(sentence.startswith(name + " ") for name in imperial if name not in metric)]
    assert named and all("(" in sentence for sentence in named if "is outside" in sentence)
    # A mapping or a DataFrame of imperial columns, by name or with units="imperial".
    frame = pandas.DataFrame(imperial)
    assert tamsel_health.compute(formula.keyword, frame)["value"].to_numpy().view(numpy.uint64).tolist() == \
        numpy.asarray(expected.values).view(numpy.uint64).tolist()
    both = dict(imperial, **metric)
    assert tamsel_health.compute(formula.keyword, both, units="imperial").kinds == expected.kinds
    with pytest.raises(ValueError, match="data has both"):
        tamsel_health.compute(formula.keyword, both)


# --- The warning of a call ---------------------------------------------------------------------------

def test_a_call_whose_rows_warn_says_so_once():
    weights = [70, 700, 80, 90, 1000, 60, 65, 500, 800, 450, 470, 71]
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        tamsel_health.bmi(weights, 1.75)  # the line a warning must point at
        line = test_a_call_whose_rows_warn_says_so_once.__code__.co_firstlineno + 4
        tamsel_health.bmi(pandas.Series([700.0, 70], index=["p1", "p2"]), 1.75)
        tamsel_health.bmi(700, 1.75)
        tamsel_health.bodyfat_navy(["M", "F", "F"], 90, 38, 180)
        tamsel_health.bmi(weights, 1.75, what="record")  # the record carries them instead
        tamsel_health.compute("bmi", weight_kg=weights, height_m=1.75)
    assert [w.category for w in caught] == [tamsel_health.TamselHealthWarning] * 4
    assert caught[0].filename == __file__ and caught[0].lineno == line
    assert str(caught[0].message) == (
        "6 of 12 rows have warnings; the first 5:\n"
        "  row 1: weight_kg 700 is outside 2 to 400\n"
        "  row 4: weight_kg 1000 is outside 2 to 400\n"
        "  row 7: weight_kg 500 is outside 2 to 400; pounds?\n"
        "  row 8: weight_kg 800 is outside 2 to 400\n"
        "  row 9: weight_kg 450 is outside 2 to 400; pounds?")
    assert str(caught[1].message) == "1 of 2 rows has warnings:\n  row 0 (index 'p1'): weight_kg 700 is outside 2 to 400"
    assert str(caught[2].message) == "weight_kg 700 is outside 2 to 400"
    assert str(caught[3].message) == "hip_cm was not given, so the rows of women (2) are missing"


# --- The functions and their stubs -------------------------------------------------------------------

def test_every_formula_has_a_typed_function_from_the_table():
    import inspect

    for formula in FORMULAS:
        function = getattr(tamsel_health, formula.python_name)
        assert function.__name__ in tamsel_health.__all__ and function.__module__ == "tamsel_health"
        parameters = inspect.signature(function).parameters
        assert list(parameters)[:len(formula.arguments)] == [argument.name for argument in formula.arguments]
        assert [name for name in parameters if name.endswith("_lb") or name.endswith("_in")] == [
            argument.imperial_name for argument in formula.arguments if argument.imperial_name]
        assert formula.title in function.__doc__


def test_the_stubs_are_those_the_table_makes():
    from pathlib import Path

    import typed_stubs

    stubs = Path(tamsel_health.__file__).with_name("_typed.pyi").read_text(encoding="utf-8")
    assert stubs == typed_stubs.stub_text(), "run python/tests/typed_stubs.py to write them anew"
