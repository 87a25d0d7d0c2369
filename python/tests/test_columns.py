# SPDX-License-Identifier: MIT
"""compute(): one formula over columns gives, row by row, what ask() gives the same request."""
import math
import random
import struct
from array import array

import pytest

import tamsel_health
from tamsel_health import compute


def shortest(number):
    """The request text of a number: Python's repr without its ".0" on whole numbers."""
    if isinstance(number, int):
        return str(number)
    text = repr(number)
    return text[:-2] if text.endswith(".0") else text


def asked(keyword, *rows):
    return [tamsel_health.ask(" ".join([keyword] + [shortest(item) if not isinstance(item, str)
                                                    else item for item in row])) for row in rows]


def same(computed, answers):
    """The rows of a Computed as the Answers they must equal, nan and -0.0 included."""
    assert len(computed.values) == len(answers)
    for index, answer in enumerate(answers):
        value = computed.values[index]
        expected = math.nan if answer.value is None else answer.value
        assert struct.pack("<d", value) == struct.pack("<d", expected) or (
            math.isnan(value) and math.isnan(expected)), (index, answer)
        assert (computed.kinds[index], computed.warnings[index], computed.categories[index],
                computed.category_sources[index]) == (
            answer.kind, answer.warnings, answer.category, answer.category_source), (index, answer)


def awkward_doubles(count, seed=5):
    """Doubles whose shortest text is long, tiny, huge or near a rounding boundary."""
    chooser = random.Random(seed)
    made = [0.0, -0.0, 1e-5, 0.0001, 1e16, 1.5e16, 123456789012345680.0, 5e-324, 1.7976931348623157e308,
            0.1 + 0.2, 2.675, 1.005, 22.855, 70.0, math.inf, -math.inf, math.nan]
    while len(made) < count:
        made.append(struct.unpack("<d", struct.pack("<Q", chooser.getrandbits(64)))[0])
        made.append(round(chooser.uniform(0.3, 300), chooser.randrange(6)))
        # Decimals of every length and magnitude, around the writer's 15 digits and 1e-4.
        made.append(chooser.randrange(10 ** chooser.randrange(1, 18)) / 10 ** chooser.randrange(0, 12))
    return made[:count]


def test_each_row_is_the_request_written_exactly():
    weights = awkward_doubles(6000)
    heights = awkward_doubles(6000, seed=6)[::-1]
    result = compute("bmi", weight_kg=weights, height_m=heights)
    same(result, asked("bmi", *zip(weights, heights)))


@pytest.mark.parametrize("typecode", ["b", "B", "h", "H", "i", "I", "l", "L", "q", "Q", "f", "d"])
def test_every_buffer_of_numbers(typecode):
    ages = array(typecode, [1, 30, 45, 100, 127])
    expected = asked("max_hr", *[(float(age) if typecode in "fd" else int(age),) for age in ages])
    same(compute("max_hr", age=ages), expected)
    same(compute("max_hr", age=memoryview(ages)), expected)


def test_integers_beyond_doubles_stay_whole():
    ages = array("q", [2**62 + 1, -(2**63)])
    same(compute("max_hr", age=ages), asked("max_hr", *[(int(age),) for age in ages]))


@pytest.mark.parametrize("formula, columns, rows", [
    # Sex columns, with a hip only women give; men leave it out of their request.
    ("bodyfat_navy", dict(sex=["M", "F", "f", "male", "Mujer", "x"], waist_cm=[90, 80, 80, 95, 85, 70],
                          neck_cm=38, height_cm=[180, 165, 170.5, 182, 160, 158], hip_cm=100),
     [("M", 90, 38, 180), ("F", 80, 38, 165, 100), ("f", 80, 38, 170.5, 100), ("male", 95, 38, 182),
      ("Mujer", 85, 38, 160), ("x", 70, 38, 158, 100)]),
    # Without a hip column, women get the requirement line.
    ("bodyfat_navy", dict(sex=["M", "F"], waist_cm=90, neck_cm=38, height_cm=180),
     [("M", 90, 38, 180), ("F", 90, 38, 180)]),
    # A sex beyond ASCII, a lone surrogate included, goes to the library as it is, between ASCII rows.
    ("lbm", dict(sex=["M", "Mé", "F\U0001F600", "F\udc00", "é", "F"], weight_kg=[70, 71, 60, 61, 62, 63], height_cm=170),
     [("M", 70, 170), ("Mé", 71, 170), ("F\U0001F600", 60, 170), ("F\udc00", 61, 170), ("é", 62, 170), ("F", 63, 170)]),
    ("bmr_mifflin", dict(sex="F", weight_kg=[60.5, 200], height_cm=[165, 170], age=[30, 30.5]),
     [("F", 60.5, 165, 30), ("F", 200, 170, 30.5)]),
    ("bp_category", dict(systolic=[110, 125, 135, 150, 190], diastolic=[70, 75, 85, 95, 125]),
     [(110, 70), (125, 75), (135, 85), (150, 95), (190, 125)]),
    ("tdee", dict(bmr=1500, activity_factor=[1.2, 1.55, 3]), [(1500, 1.2), (1500, 1.55), (1500, 3)]),
])
def test_formulas_with_sex_scalars_and_categories(formula, columns, rows):
    same(compute(formula, **columns), asked(formula, *rows))


def test_a_mapping_of_columns_and_renamed_arguments():
    data = {"weight_kg": [70, 80], "height_m": [1.75, 1.8], "other": "ignored"}
    same(compute("bmi", data), asked("bmi", (70, 1.75), (80, 1.8)))
    same(compute("bmi", data, height_m=1.9), asked("bmi", (70, 1.9), (80, 1.9)))


def test_no_rows_and_scalars_alone():
    assert len(compute("bmi", weight_kg=[], height_m=[]).values) == 0
    same(compute("bmi", weight_kg=70, height_m=1.75), asked("bmi", (70, 1.75)))


@pytest.mark.parametrize("call, error, message", [
    (lambda: compute("nope", age=[1]), ValueError, "not a formula"),
    (lambda: compute("bmi 70", age=[1]), ValueError, "not a formula"),
    (lambda: compute("help"), ValueError, "not a formula"),
    (lambda: compute("bmi", weight_kg=[70]), TypeError, "missing argument height_m"),
    (lambda: compute("bmi", weight_kg=[70], height_m=[1.7], age=[3]), TypeError, "unexpected argument age"),
    (lambda: compute("bmi", weight_kg=[70, 80], height_m=[1.7]), ValueError, "rows"),
    (lambda: compute("bmi", weight_kg=["70"], height_m=[1.7]), TypeError, "weight_kg"),
    (lambda: compute("bmi", weight_kg="70", height_m=[1.7]), TypeError, "weight_kg"),
    (lambda: compute("bmi", weight_kg=[None], height_m=[1.7]), TypeError, "weight_kg"),
    (lambda: compute("bmi", weight_kg=memoryview(b"ab").cast("B", (1, 2)), height_m=1.7), TypeError, "weight_kg"),
    # A sex with a space would shift every argument after it.
    (lambda: compute("lbm", sex=["M", "F 80"], weight_kg=70, height_cm=170), ValueError, "row 1"),
    (lambda: compute("lbm", sex=[""], weight_kg=70, height_cm=170), ValueError, "row 0"),
    (lambda: compute("lbm", sex=[1], weight_kg=70, height_cm=170), TypeError, "row 0"),
    (lambda: compute("lbm", sex=["M\0"], weight_kg=70, height_cm=170), ValueError, "row 0"),
])
def test_wrong_calls_say_what_is_wrong(call, error, message):
    with pytest.raises(error, match=message):
        call()


def test_a_long_sex_is_refused_not_cut():
    with pytest.raises(ValueError, match="too long"):
        compute("lbm", sex=["F" * 5000], weight_kg=70, height_cm=170)
    same(compute("lbm", sex=["F" * 1000], weight_kg=70, height_cm=170), asked("lbm", ("F" * 1000, 70, 170)))
    with pytest.raises(ValueError, match="too long"):
        compute("lbm", sex=["F\u00e9" * 1500], weight_kg=70, height_cm=170)


def test_numpy_arrays_and_strided_views():
    numpy = pytest.importorskip("numpy")
    block = numpy.array([[70.0, 1.75], [80.5, 1.8], [100.0, 1.6]])
    same(compute("bmi", weight_kg=block[:, 0], height_m=block[:, 1]),
         asked("bmi", (70.0, 1.75), (80.5, 1.8), (100.0, 1.6)))
    same(compute("max_hr", age=numpy.arange(5, dtype=numpy.int16)), asked("max_hr", *[(i,) for i in range(5)]))
    with pytest.raises(TypeError):
        compute("bmi", weight_kg=block, height_m=1.7)  # two dimensions


def test_a_data_frame_in_gives_a_data_frame_out():
    pandas = pytest.importorskip("pandas")
    frame = pandas.DataFrame({"weight_kg": [70, 80.5, 60], "height_m": [1.75, 1.8, 175],
                              "sex": ["M", "F", "M"]}, index=[10, 20, 30])
    result = compute("bmi", frame)
    assert list(result.columns) == ["value", "kind", "warnings", "category", "category_source"]
    assert list(result.index) == [10, 20, 30]
    assert str(result["value"].dtype) == "float64"
    expected = asked("bmi", (70, 1.75), (80.5, 1.8), (60, 175))
    assert list(result["value"]) == [answer.value for answer in expected]
    assert list(result["warnings"]) == [answer.warnings for answer in expected]
    assert list(result["category"]) == [answer.category for answer in expected]
    # A Series is a column too, without NumPy in the caller's code.
    assert list(compute("bmi", weight_kg=frame["weight_kg"], height_m=1.75).values)[0] == 22.86
