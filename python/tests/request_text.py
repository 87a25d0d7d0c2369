# SPDX-License-Identifier: MIT
"""The request a person would type for a row of numbers: each number as the shortest text that
reads back as it, a whole-number argument without an exponent (the library reads it as atoi
does, so "1e+20" would be 1)."""
import decimal
import functools
import math

from tamsel_health._table import SEX, WHOLE


def _digits(number):
    """The shortest digits that read back as a positive finite double, and the exponent of the
    first: 1234.5 is ("12345", 3)."""
    _, digits, exponent = decimal.Decimal(repr(number)).as_tuple()
    text = "".join(map(str, digits)).lstrip("0")
    stripped = text.rstrip("0")
    return stripped, int(exponent) + len(text) - 1


def written(number, positional):
    """The number as the shortest text that reads back as it, in the shorter of plain and
    exponent notation (plain when they tie), or always plain for a whole-number argument."""
    shown = repr(number)
    # Most values: repr's text is already the shortest plain one, and shorter than the exponent's.
    if "e" not in shown and "n" not in shown:
        if not shown.endswith(".0"):
            if abs(number) >= 0.1:
                return shown
        elif abs(number) < 1e4:
            return shown[:-2]
    return _written(shown, positional)  # by repr: 0.0 and -0.0 are equal keys


@functools.lru_cache(maxsize=None)
def _written(shown, positional):
    number = float(shown)
    if math.isinf(number):
        return "inf" if number > 0 else "-inf"
    sign = "-" if math.copysign(1.0, number) < 0 else ""
    if number == 0:
        return sign + "0"
    digits, exponent = _digits(abs(number))
    if exponent >= len(digits) - 1:
        # A whole number: of the texts of that length, the exact one.
        plain = str(int(abs(number)))
    elif exponent >= 0:
        plain = digits[:exponent + 1] + "." + digits[exponent + 1:]
    else:
        plain = "0." + "0" * (-exponent - 1) + digits
    if positional:
        return sign + plain
    scientific = digits[0] + ("." + digits[1:] if len(digits) > 1 else "") + \
        "e%s%02d" % ("-" if exponent < 0 else "+", abs(exponent))
    return sign + (plain if len(plain) <= len(scientific) else scientific)


def request_of(formula, row):
    """The request for a row of numbers in the formula's order, the sex as 1 (male) or 0."""
    words = [formula.keyword]
    male = formula.arguments[0].type == SEX and row[0] == 1
    for argument, value in zip(formula.arguments, row):
        if argument.women_only and male:
            break
        if argument.type == SEX:
            words.append("M" if value == 1 else "F")
        else:
            words.append(written(float(value), argument.type == WHOLE))
    return " ".join(words)
