#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes requests.txt: the fixed edge cases, then seeded random requests for every keyword.

Among the edge cases are requests whose printed answer changes if a multiply and an add are
fused into one rounding, so that a build that contracts cannot pass.

The answers every build must give (answers.txt) are recorded from the x86-64 Linux build:
    tamsel-health - < requests.txt > answers.txt
"""
import random

EDGE_CASES = """\
bmi 70 1.75
bmi abc 1.75
bmi 2 4
bmi 0 0
bmi 70 0
whr 80 100
wthr 85 170
bai 100 1.75
bai 100 0
bai 100 -1
bsa 70 175
bsa -70 175
bodyfat_navy M 90 40 180
bodyfat_navy F 75 33 165 100
bodyfat_navy x 80 35 165 100
bodyfat_navy M 40 40 180
bodyfat_navy M 40 40 0
bodyfat_navy M 90 40
bodyfat_navy M 90 40 180 95
bodyfat_navy F 80 35 165
lbm M 80 180
lbm F 60 165
bmr_harris M 80 180 30
bmr_harris F 60 165 30
bmr_mifflin M 80 180 30
bmr_mifflin F 60 165 30
bmr_mifflin M 80 180 30.9
bmr_mifflin M 80 180 429496730
tdee 1800 1.55
ideal_devine M 180
ideal_devine F 165
ideal_devine M 152.4
ideal_devine M 0
ideal_robinson M 180
ideal_robinson F 165
ideal_miller M 180
ideal_miller F 165
max_hr 30
max_hr -2147483647
target_hr 30 0.7
target_hr 30 70
target_hr 35 0.5
bp_category 115 75
bp_category 150 85
bp_category 200 70
bp_category 185 100
bp_category 120.9 79.9
map 120 80
map 2147483647 -2147483648
pulse_pressure 120 80
pulse_pressure 80 120
pulse_pressure 2147483647 -1
pulse_pressure -2147483649 2147483648
max_hr 99999999999
bmr_mifflin F 60 165 -99999999999
bp_category -99999999999 99999999999
BMI 70 1.75
help
foo 1 2

lbm F 30 165
lbm F 35 145
lbm M 30 155
lbm M 36 189
bmr_harris M 42 151 20
bmr_harris M 44 165 20
bmr_harris F 42 156 20
bmr_harris F 48 197 20
bmr_mifflin M 40.1 153.3 30
bmr_mifflin M 40.2 153.3 30
bmi 1e400 1
bmi -1e400 1
bmi nan 1
bmi 1e-400 1
bmi 0x10 1
bmi +-5 1
"""

KEYWORDS = {
    "bmi": ["real:20:200", "real:0.5:2.5"],
    "whr": ["real:40:150", "real:40:150"],
    "wthr": ["real:40:150", "real:100:220"],
    "bai": ["real:40:150", "real:0.5:2.5"],
    "bsa": ["real:2:200", "real:40:220"],
    "bodyfat_navy": ["sex", "real:50:150", "real:25:60", "real:100:220", "hip"],
    "lbm": ["sex", "real:2:200", "real:40:220"],
    "bmr_harris": ["sex", "real:2:200", "real:40:220", "int:1:110"],
    "bmr_mifflin": ["sex", "real:2:200", "real:40:220", "int:1:110"],
    "tdee": ["real:800:4000", "real:1:2.5"],
    "ideal_devine": ["sex", "real:40:220"],
    "ideal_robinson": ["sex", "real:40:220"],
    "ideal_miller": ["sex", "real:40:220"],
    "max_hr": ["int:1:110"],
    "target_hr": ["int:1:110", "real:0.3:100"],
    "bp_category": ["int:60:220", "int:40:140"],
    "map": ["int:60:220", "int:40:140"],
    "pulse_pressure": ["int:60:220", "int:40:140"],
}


def argument(kind, generator, sex):
    if kind == "sex":
        return sex
    if kind == "hip":
        return "%.1f" % generator.uniform(70, 140)
    name, low, high = kind.split(":")
    if name == "int":
        return str(generator.randint(int(low), int(high)))
    return ("%.*f" % (generator.choice([0, 1, 2, 3, 4]), generator.uniform(float(low), float(high))))


def main():
    generator = random.Random(20261208)
    lines = EDGE_CASES.splitlines()
    for keyword, kinds in KEYWORDS.items():
        for _ in range(60):
            sex = generator.choice(["M", "F"])
            values = [argument(kind, generator, sex) for kind in kinds]
            if "hip" in kinds and sex == "M":
                values = values[:-1]
            lines.append(" ".join([keyword] + values))
    with open("requests.txt", "w", newline="\n") as out:
        out.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
