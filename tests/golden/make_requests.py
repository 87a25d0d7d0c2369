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

# Requests whose printed answer changes with the last bit of log10 or x^1.5, from
# tools/find_hard_cases (its answers come from MPFR's exact values): the maths libraries of
# x86-64, ARM and Windows answered the first two differently; glibc on x86-64 answers the next
# twelve wrongly; the rest flip with one unit in the last place either way.
LAST_BIT = """\
bai 116.14082408634243 1.933305987078237
bodyfat_navy M 93.84853731215802 38.0 208.86503545328168
bodyfat_navy M 92.12931361906183 39 198.44738964426526
bodyfat_navy F 97.97002922877972 32 182.03962965993233 108.03726999228236
bodyfat_navy M 105.8965960432925 33 199.05068733803586
bodyfat_navy F 74.68002447126617 43 167.31062907878896 94.24864264180752
bodyfat_navy F 105.10434471328588 43 159.63606989012467 106.72208834151732
bodyfat_navy M 87.49702165606851 33 152.89106175582057
bai 93.5612640009526 1.6727849763440112
bai 159.25492917965926 2.002136941342565
bai 156.84901608247915 2.011612723033131
bai 81.52705529037608 1.6063332119484595
bai 83.81008435815184 1.4948801898956638
bai 66.98373074284704 1.4906476745842097
bai 131.21729800421323 2.0004979561078526
bodyfat_navy M 103.3672477608109 35 189.59997725615196
bodyfat_navy F 106.3202108240508 44 166.753993517972 121.20459916129505
bai 84.59847427777824 1.5610447819244972
bodyfat_navy M 115.09341380173731 34 164.03888181389684
bodyfat_navy F 102.16418377765706 32 165.54199590051329 95.29898590765309
bai 121.41708335511814 1.8350157161389118
bodyfat_navy M 101.7933148881242 39 184.3159088971732
bodyfat_navy F 77.60184191795406 36 182.57628047764018 104.91638225715565
bai 167.39587785951417 2.0786839784888054
bodyfat_navy M 107.61755204039835 37 173.00821401359332
bodyfat_navy F 90.33708603801666 37 156.28421853912255 116.01993006873715
bai 129.08929017269332 1.9359110294076234
bodyfat_navy M 115.53353965292226 42 171.34574365891075
bodyfat_navy F 94.7589232718965 32 163.72032567971405 101.75269609800152
bai 149.652368111125 1.9171879577551683
bodyfat_navy M 102.85546658443587 44 171.5457912922959
bodyfat_navy F 109.23011964895912 32 159.02921589977893 110.17302630590176
bai 116.82662916754121 1.7583575332132813
bai 93.54725068565273 1.4830716299662932
bai 110.51122493009056 1.5442988488640137
bai 106.68401920811903 1.7558002805709456
bai 68.3839981125621 1.4448495082393067
bai 83.41869389875352 1.6616559935102306
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
    lines = EDGE_CASES.splitlines() + LAST_BIT.splitlines()
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
