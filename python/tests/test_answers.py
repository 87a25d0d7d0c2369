# SPDX-License-Identifier: MIT
"""Answer records for every kind of line, and the text that goes in and out of the library."""
import doctest
import math

import pytest

import tamsel_health
from known_answers import OTHER_ANSWERS, RESULTS


@pytest.mark.parametrize("request_text, text, value, unit", RESULTS)
def test_results_give_their_number_and_unit(request_text, text, value, unit):
    answer = tamsel_health.ask(request_text)
    assert answer[:4] == ("result", text, value, unit)
    if value is not None:
        assert math.copysign(1, answer.value) == math.copysign(1, value)  # -0.00 stays negative
    assert not answer.is_wrong_request


@pytest.mark.parametrize("request_text, text, kind", OTHER_ANSWERS)
def test_other_answers_are_classified(request_text, text, kind):
    answer = tamsel_health.ask(request_text)
    assert answer == tamsel_health.Answer(kind, text, None, "", (), None, None)
    assert answer.is_wrong_request == (kind != "listing")


def test_stored_windows_answers_parse_as_ours():
    for text in (tamsel_health.calc_health("help"), tamsel_health.calc_health("")):
        windows = tamsel_health.parse_answer(text.replace("\n", "\r\n"))
        assert windows == tamsel_health.parse_answer(text)
    # An echoed keyword keeps its own line breaks.
    assert tamsel_health.parse_answer("Unknown formula: a\r\nb").text == "Unknown formula: a\r\nb"


@pytest.mark.parametrize("text", [
    "", "BMI 22.86", "BMI: ", "BMI: 22.86 kg/m2", "BMI: 22.86\nBMI: 1", "BMI: 1e5", "BMI: .5",
    ": 22.86", "BMI: -nan", "Available Medical Calculations", "hello",
])
def test_texts_that_are_no_answer_are_refused(text):
    with pytest.raises(ValueError):
        tamsel_health.parse_answer(text)


@pytest.mark.parametrize("call", [
    tamsel_health.calc_health, tamsel_health.ask, lambda request: tamsel_health.calc_many([request])])
def test_a_nul_character_is_refused_not_cut(call):
    # Cut at the NUL, "bmi 70 1.75\0 and more" would answer a request nobody made.
    for request in ("bmi 70 1.75\0 1", "\0", "bmi\x00"):
        with pytest.raises(ValueError, match="NUL"):
            call(request)


def test_a_batch_with_one_bad_request_answers_nothing():
    with pytest.raises(ValueError):
        tamsel_health.calc_many(["bmi 70 1.75", "max_hr\x0030"])
    with pytest.raises(TypeError):
        tamsel_health.calc_many(["bmi 70 1.75", b"max_hr 30"])


@pytest.mark.parametrize("request_text", [b"bmi 70 1.75", None, 42])
def test_only_text_is_a_request(request_text):
    with pytest.raises(TypeError):
        tamsel_health.calc_health(request_text)


@pytest.mark.parametrize("request_text, answer", [
    # A lone surrogate is one code unit the code page lacks: one "?".
    ("\ud800", "Unknown formula: ?"),
    ("\udfffx", "Unknown formula: ?x"),
    ("bmi\udc80 70 1.75", "Unknown formula: bmi?"),
    # A pair is one character, whether Python holds it whole or as two surrogates.
    ("\U0001F600", "Unknown formula: ?"),
    ("\ud83d\ude00", "Unknown formula: ?"),
    ("\ude00\ud83d", "Unknown formula: ??"),
    ("caf\u00e9 1", "Unknown formula: caf\u00e9"),
    ("\u20ac", "Unknown formula: \u20ac"),
    ("bmi 70 1.75\ud800", "BMI: 22.86"),
])
def test_text_beyond_ascii(request_text, answer):
    assert tamsel_health.calc_health(request_text) == answer


def test_requests_of_any_length():
    assert tamsel_health.calc_health("bmi 70 1.75" + " " * 100_000) == "BMI: 22.86"
    assert tamsel_health.calc_health("\u00e9" * 5000) == "Unknown formula: " + "\u00e9" * 1023


def test_the_examples_in_the_docstrings():
    assert doctest.testmod(tamsel_health).failed == 0
