# SPDX-License-Identifier: MIT
"""compute(): one formula over columns gives, row by row, what ask() gives the request that
writes the row's numbers; missing values give missing rows; a cell that cannot be read is named."""
import math
import random
import struct
import warnings
from array import array

import pytest

import tamsel_health
from tamsel_health import compute
from tamsel_health._table import find

from request_text import request_of


def asked(keyword, *rows):
    """ask() of each row's request; a sex is given as "M" or "F"."""
    formula = find(keyword)
    return [tamsel_health.ask(request_of(formula, [(1 if cell == "M" else 0) if isinstance(cell, str) else cell
                                                   for cell in row])) for row in rows]


def same(computed, answers):
    """The rows of a Computed as the Answers they must equal, nan and -0.0 included."""
    assert len(computed.values) == len(answers)
    for index, answer in enumerate(answers):
        value = computed.values[index]
        expected = math.nan if answer.value is None else answer.value
        assert struct.pack("<d", value) == struct.pack("<d", expected) or (
            math.isnan(value) and math.isnan(expected)), (index, answer)
        assert (computed.kinds[index], computed.warnings[index], computed.categories[index],
                computed.category_sources[index], computed.category_notes_by_row[index]) == (
            answer.kind, answer.warnings, answer.category, answer.category_source,
            answer.category_note), (index, answer)


def awkward_doubles(count, seed=5):
    """Doubles whose shortest text is long, tiny, huge or near a rounding boundary."""
    chooser = random.Random(seed)
    made = [0.0, -0.0, 1e-5, 0.0001, 1e16, 1.5e16, 123456789012345680.0, 5e-324, 1.7976931348623157e308,
            0.1 + 0.2, 2.675, 1.005, 22.855, 70.0, 100000.0, math.inf, -math.inf]
    while len(made) < count:
        bits = struct.unpack("<d", struct.pack("<Q", chooser.getrandbits(64)))[0]
        made.append(0.5 if math.isnan(bits) else bits)
        made.append(round(chooser.uniform(0.3, 300), chooser.randrange(6)))
        # Decimals of every length and magnitude, around 15 digits and 1e-4.
        made.append(chooser.randrange(10 ** chooser.randrange(1, 18)) / 10 ** chooser.randrange(0, 12))
    return made[:count]


def test_each_row_is_the_request_written_exactly():
    weights = awkward_doubles(6000)
    heights = awkward_doubles(6000, seed=6)[::-1]
    expected = asked("bmi", *zip(weights, heights))
    same(compute("bmi", weight_kg=weights, height_m=heights), expected)  # lists, read cell by cell
    same(compute("bmi", weight_kg=array("d", weights), height_m=tuple(heights)), expected)


@pytest.mark.parametrize("typecode", ["b", "B", "h", "H", "i", "I", "l", "L", "q", "Q", "f", "d"])
def test_every_buffer_of_numbers(typecode):
    ages = array(typecode, [1, 30, 45, 100, 127])
    expected = asked("max_hr", *[(float(age),) for age in ages])
    same(compute("max_hr", age=ages), expected)
    same(compute("max_hr", age=memoryview(ages)), expected)


def test_integers_beyond_doubles_read_as_the_nearest_double():
    ages = array("q", [2**62 + 1, -(2**63), 2**53 + 1])
    same(compute("max_hr", age=ages), asked("max_hr", *[(float(age),) for age in ages]))
    same(compute("max_hr", age=[10**400, -(10**400)]), asked("max_hr", (math.inf,), (-math.inf,)))


@pytest.mark.parametrize("formula, columns, rows", [
    # Sex words in either case; a hip only women give, which men's rows do not read.
    ("bodyfat_navy", dict(sex=["M", "F", "f", "male", "FEMALE", "m"], waist_cm=[90, 80, 80, 95, 85, 70],
                          neck_cm=38, height_cm=[180, 165, 170.5, 182, 160, 158], hip_cm=100),
     [("M", 90, 38, 180, 0), ("F", 80, 38, 165, 100), ("F", 80, 38, 170.5, 100), ("M", 95, 38, 182, 0),
      ("F", 85, 38, 160, 100), ("M", 70, 38, 158, 0)]),
    ("bmr_mifflin", dict(sex="F", weight_kg=[60.5, 200], height_cm=[165, 170], age=[30, 30.5]),
     [("F", 60.5, 165, 30), ("F", 200, 170, 30.5)]),
    ("bp_category", dict(systolic=[110, 125, 135, 150, 190], diastolic=[70, 75, 85, 95, 125]),
     [(110, 70), (125, 75), (135, 85), (150, 95), (190, 125)]),
    ("tdee", dict(bmr=1500, activity_factor=[1.2, 1.55, 3]), [(1500, 1.2), (1500, 1.55), (1500, 3)]),
    ("target_hr", dict(age=[30, 40], intensity_percent=[0.7, 85]), [(30, 0.7), (40, 85)]),
])
def test_formulas_with_sex_scalars_and_categories(formula, columns, rows):
    same(compute(formula, **columns), asked(formula, *rows))


def test_a_mapping_of_columns_and_renamed_arguments():
    data = {"weight_kg": [70, 80], "height_m": [1.75, 1.8], "other": "ignored"}
    same(compute("bmi", data), asked("bmi", (70, 1.75), (80, 1.8)))
    same(compute("bmi", data, height_m=1.9), asked("bmi", (70, 1.9), (80, 1.9)))


def test_no_rows_and_scalars_alone():
    assert len(compute("bmi", weight_kg=[], height_m=[]).values) == 0
    assert len(compute("bmi", weight_kg=[], height_m=1.75).values) == 0
    same(compute("bmi", weight_kg=70, height_m=1.75), asked("bmi", (70, 1.75)))


def test_a_computed_still_unpacks_as_before():
    result = compute("bmi", weight_kg=[70, 700], height_m=1.75)
    values, kinds, warnings_, categories, sources = result
    assert (list(values), kinds, categories) == ([22.86, 228.57], ["result", "result"], ["Normal range", None])
    assert warnings_ == [(), ("weight_kg 700 is outside 2 to 400",)] and sources[1] is None
    assert result[1] is result.kinds and len(result) == 5 and list(result._asdict()) == list(result._fields)
    # The arrays behind them, and the rows that warn.
    assert list(result.kind_codes) == [0, 0] and list(result.category_codes) == [3, -1]
    assert result.category_names[3] == "Normal range" and result.warned == {1: warnings_[1]}


MISSING_CASES = [
    # (formula, columns, the rows' kinds); every other row must be what ask() gives.
    ("bmi", lambda pd, np: dict(weight_kg=[70, math.nan, None], height_m=1.75), "rmm"),
    ("bmi", lambda pd, np: dict(weight_kg=pd.Series([70, None], dtype="Float64"), height_m=[1.75, 1.8]), "rm"),
    ("bmi", lambda pd, np: dict(weight_kg=np.array([70, pd.NA], dtype=object), height_m=1.75), "rm"),
    ("bmi", lambda pd, np: dict(weight_kg=None, height_m=[1.75, 1.8]), "mm"),
    ("max_hr", lambda pd, np: dict(age=pd.Series([30, None, 40], dtype="Int64")), "rmr"),
    ("lbm", lambda pd, np: dict(sex=[None, "M", math.nan, pd.NA], weight_kg=70, height_cm=170), "mrmm"),
    ("lbm", lambda pd, np: dict(sex=pd.Categorical(["F", None, "M"]), weight_kg=70, height_cm=170), "rmr"),
    ("lbm", lambda pd, np: dict(sex=pd.Series(["F", None], dtype="string"), weight_kg=70, height_cm=170), "rm"),
    # A man's hip is not read, so a missing one leaves his row whole; a woman's row needs it.
    ("bodyfat_navy", lambda pd, np: dict(sex=["M", "F", "F"], waist_cm=90, neck_cm=38, height_cm=180,
                                         hip_cm=[None, 100, np.nan]), "rrm"),
    ("bodyfat_navy", lambda pd, np: dict(sex=["M", "F"], waist_cm=90, neck_cm=38, height_cm=180), "rm"),
]


@pytest.mark.parametrize("formula, make, kinds", MISSING_CASES)
def test_missing_values_give_missing_rows_without_a_word(formula, make, kinds):
    pd = pytest.importorskip("pandas")
    np = pytest.importorskip("numpy")
    columns = make(pd, np)
    result = compute(formula, **columns)
    assert "".join(kind[0] for kind in result.kinds) == kinds
    for row, kind in enumerate(result.kinds):
        if kind == "missing":
            assert math.isnan(result.values[row]) and result.categories[row] is None
            assert result.warnings[row] == ()
    # The typed function says nothing either: a missing value is no warning.
    function = getattr(tamsel_health, find(formula).python_name)
    with warnings.catch_warnings():
        warnings.simplefilter("error", tamsel_health.TamselHealthWarning)
        if "hip_cm" in columns or formula != "bodyfat_navy":
            values = function(**columns)
            assert [math.isnan(value) for value in values] == [kind == "m" for kind in kinds]


WRONG_CALLS = [
    (lambda: compute("nope", age=[1]), ValueError, "not a formula"),
    (lambda: compute("bmi 70", age=[1]), ValueError, "not a formula"),
    (lambda: compute("help"), ValueError, "not a formula"),
    (lambda: compute("bmi", weight_kg=[70]), TypeError, "missing argument height_m"),
    (lambda: compute("bmi", weight_kg=[70], height_m=[1.7], age=[3]), TypeError, "unexpected argument age"),
    (lambda: compute("bmi", weight_kg=[70, 80], height_m=[1.7]), ValueError, "rows"),
    (lambda: compute("bmi", weight_kg="70", height_m=[1.7]), TypeError, "weight_kg"),
    (lambda: compute("bmi", weight_kg=memoryview(b"ab").cast("B", (1, 2)), height_m=1.7), TypeError, "weight_kg"),
    # A cell that is no number, or no sex, is named with its row.
    (lambda: compute("bmi", weight_kg=[70, 71, "72"], height_m=[1.7] * 3), TypeError, "weight_kg, row 2"),
    (lambda: compute("bmi", weight_kg=[70, object()], height_m=1.7), TypeError, "weight_kg, row 1"),
    (lambda: compute("lbm", sex=["M", "F 80"], weight_kg=70, height_cm=170), ValueError, "sex, row 1"),
    (lambda: compute("lbm", sex=["M", "Mujer"], weight_kg=70, height_cm=170), ValueError, "row 1: 'Mujer'"),
    (lambda: compute("lbm", sex=["Mé"], weight_kg=70, height_cm=170), ValueError, "row 0"),
    (lambda: compute("lbm", sex=[""], weight_kg=70, height_cm=170), ValueError, "row 0"),
    (lambda: compute("lbm", sex=[1], weight_kg=70, height_cm=170), TypeError, "row 0"),
    (lambda: compute("lbm", sex=["M\0"], weight_kg=70, height_cm=170), ValueError, "row 0"),
    (lambda: compute("lbm", sex=["F" * 5000], weight_kg=70, height_cm=170), ValueError, "row 0"),
    (lambda: compute("bmi", weight_kg=[70], weight_lb=[150], height_m=1.7), TypeError, "same argument"),
    (lambda: compute("bmi", weight_kg=[70], height_m=1.7, units="imperial"), TypeError, "weight_lb"),
    (lambda: compute("bmi", weight_kg=[70], height_m=1.7, units="metres"), ValueError, "units"),
]


@pytest.mark.parametrize("call, error, message", WRONG_CALLS)
def test_wrong_calls_say_what_is_wrong(call, error, message):
    with pytest.raises(error, match=message):
        call()


def test_a_categorical_sex_is_read_once_a_category():
    pd = pytest.importorskip("pandas")
    sexes = pd.Categorical(["F", "m", "F", None, "male"])
    expected = asked("lbm", ("F", 60, 165), ("M", 60, 165), ("F", 60, 165))
    result = compute("lbm", sex=sexes, weight_kg=60, height_cm=165)
    assert result.kinds == ["result", "result", "result", "missing", "result"]
    same(compute("lbm", sex=sexes[:3], weight_kg=60, height_cm=165), expected)
    with pytest.raises(ValueError, match="sex, row 2: 'x'"):
        compute("lbm", sex=pd.Categorical(["F", "M", "x", "x"]), weight_kg=60, height_cm=165)


def test_numpy_arrays_strided_views_and_other_dtypes():
    numpy = pytest.importorskip("numpy")
    block = numpy.array([[70.0, 1.75], [80.5, 1.8], [100.0, 1.6]])
    rows = [(70.0, 1.75), (80.5, 1.8), (100.0, 1.6)]
    same(compute("bmi", weight_kg=block[:, 0], height_m=block[:, 1]), asked("bmi", *rows))
    same(compute("bmi", weight_kg=block[::-1, 0], height_m=block[::-1, 1]), asked("bmi", *rows[::-1]))
    fortran = numpy.asfortranarray(block)
    same(compute("bmi", weight_kg=fortran[::2, 0], height_m=fortran[::2, 1]), asked("bmi", rows[0], rows[2]))
    same(compute("bmi", weight_kg=block[:, 0].astype(">f8"), height_m=block[:, 1].astype(numpy.float16)),
         asked("bmi", *[(w, float(numpy.float16(h))) for w, h in rows]))
    same(compute("max_hr", age=numpy.arange(5, dtype=numpy.int16)), asked("max_hr", *[(i,) for i in range(5)]))
    same(compute("max_hr", age=numpy.array([True, False])), asked("max_hr", (1,), (0,)))
    same(compute("max_hr", age=numpy.int64(30)), asked("max_hr", (30,)))
    with pytest.raises(TypeError, match="2-dimensional"):
        compute("bmi", weight_kg=block, height_m=1.7)
    with pytest.raises(TypeError, match="weight_kg takes numbers"):
        compute("bmi", weight_kg=numpy.array(["70"]), height_m=1.7)


def test_a_data_frame_in_gives_a_data_frame_out():
    pandas = pytest.importorskip("pandas")
    frame = pandas.DataFrame({"weight_kg": [70, 80.5, 60, None], "height_m": [1.75, 1.8, 175, 1.7],
                              "sex": ["M", "F", "M", "F"]}, index=[10, 20, 30, 40])
    result = compute("bmi", frame)
    assert list(result.columns) == ["value", "kind", "warnings", "category", "category_source", "category_note"]
    assert list(result.index) == [10, 20, 30, 40]
    assert [str(dtype) for dtype in result.dtypes] == ["float64", "category", "object", "category", "category",
                                                       "category"]
    # Every row with a category carries its caveats (adults only, for BMI), as the text path does.
    assert list(result["category_note"].astype(object).where(result["category_note"].notna(), None)) == [
        answer.category_note for answer in asked("bmi", (70, 1.75), (80.5, 1.8), (60, 175))] + [None]
    # The categories in their scheme's order, ordered, as the table lists them.
    assert result["category"].cat.ordered
    assert list(result["category"].cat.categories) == [c.name for c in find("bmi").categories]
    expected = asked("bmi", (70, 1.75), (80.5, 1.8), (60, 175))
    assert list(result["value"])[:3] == [answer.value for answer in expected]
    assert list(result["kind"]) == ["result"] * 3 + ["missing"]
    # Warnings only where a row has any; None elsewhere.
    assert list(result["warnings"]) == [None, None, expected[2].warnings, None]
    assert list(result["category"].astype(object).where(result["category"].notna(), None)) == [
        answer.category for answer in expected] + [None]
    # A Series is a column too, without NumPy in the caller's code.
    assert list(compute("bmi", weight_kg=frame["weight_kg"], height_m=1.75).values)[0] == 22.86
