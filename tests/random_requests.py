#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Prints seeded random requests, one a line, for comparing a surface with the program.

    random_requests.py [count] [seed]

Mostly well-formed requests with plausible and implausible numbers, and among them every way a
request goes wrong: a wrong argument count, a keyword in capitals or unknown, numbers that are
not numbers, characters outside ASCII, and lines longer than the library reads. No line is
empty or blank, since the program skips those.
"""
import random
import sys

ARGUMENTS = {
    "bmi": ["w", "m"], "whr": ["cm", "cm"], "wthr": ["cm", "cm"], "bai": ["cm", "m"],
    "bsa": ["w", "cm"], "bodyfat_navy": ["sex", "cm", "cm", "cm", "cm"],
    "lbm": ["sex", "w", "cm"], "bmr_harris": ["sex", "w", "cm", "age"],
    "bmr_mifflin": ["sex", "w", "cm", "age"], "tdee": ["kcal", "factor"],
    "ideal_devine": ["sex", "cm"], "ideal_robinson": ["sex", "cm"], "ideal_miller": ["sex", "cm"],
    "max_hr": ["age"], "target_hr": ["age", "factor"], "bp_category": ["mmhg", "mmhg"],
    "map": ["mmhg", "mmhg"], "pulse_pressure": ["mmhg", "mmhg"],
}
RANGES = {"w": (1, 250), "m": (0.2, 3), "cm": (10, 250), "age": (0, 120), "kcal": (500, 5000),
          "factor": (0, 3), "mmhg": (30, 260)}
ODD_NUMBERS = ["0", "-0", "-1", "1e400", "-1e400", "1e-400", "nan", "inf", "-inf", "abc", "1.75m",
               "0x10", "+-5", "1,75", "2147483648", "-2147483649", ".5", "5.", "1e3", "\u00bd",
               "\uff17\uff10", "9" * 40, "0." + "0" * 30 + "1"]
ODD_KEYWORDS = ["BMI", "Bmi", "foo", "bmi2", "b\u00e9mi", "\u00b2", "x" * 50, "help", "HELP",
                "bp-category", "\u4f53\u91cd"]


def number(generator, kind):
    if generator.random() < 0.08:
        return generator.choice(ODD_NUMBERS)
    low, high = RANGES[kind]
    if kind in ("age", "mmhg") and generator.random() < 0.7:
        return str(generator.randint(int(low), int(high)))
    return "%.*f" % (generator.choice([0, 1, 2, 3, 6, 17]), generator.uniform(low, high))


def request(generator):
    roll = generator.random()
    if roll < 0.04:
        words = [generator.choice(ODD_KEYWORDS)] + [number(generator, "cm") for _ in range(2)]
    elif roll < 0.05:
        # Longer than the 1023 bytes the library reads.
        return "bmi 70 1.75 " + " ".join(["1"] * generator.randint(510, 700))
    else:
        keyword = generator.choice(sorted(ARGUMENTS))
        kinds = list(ARGUMENTS[keyword])
        sex = generator.choice(["M", "F", "m", "f", "x", "Woman"])
        if keyword == "bodyfat_navy" and sex in ("M", "m") and generator.random() < 0.8:
            kinds.pop()
        words = [keyword] + [sex if kind == "sex" else number(generator, kind) for kind in kinds]
        if generator.random() < 0.06:
            words = words[:generator.randint(1, len(words))] + ["1"] * generator.randint(0, 9)
    separator = "\t" if generator.random() < 0.03 else " "
    return separator.join(words)


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 10000
    generator = random.Random(int(sys.argv[2]) if len(sys.argv) > 2 else 20261209)
    out = open(sys.stdout.fileno(), "w", encoding="utf-8", newline="\n", closefd=False)
    for _ in range(count):
        out.write(request(generator) + "\n")
    out.flush()


if __name__ == "__main__":
    main()
