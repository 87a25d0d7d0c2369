#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The Python package's speed, medians of interleaved timeit repetitions.

  calc_health   per call, over a mix of the three formulas below
  ask           per call, the same mix, with the answer record parsed
  calc_many     per request, on 100,000 requests
  plain Python  per request, on the same 100,000: BMI, revised Harris-Benedict and Navy body
                fat read, computed and formatted in Python, as a researcher might write them
  compute       rows a second, BMI over columns of 1,000,000 weights and heights
  str.upper     per request, on the same 100,000: the least any call that returns a new str
                for each of them can cost, the interpreter's allocator and the memory alone

Where pandas is installed, BMI with its WHO category over 1,000,000 rows of a DataFrame:
compute("bmi", frame), the typed bmi(w, h, what="record"), and the typed bmi's value and
category (two calls), each against what a pandas user writes instead,
pd.cut((w / h**2).round(2), bins, right=False); and how many of the million values pandas
rounds otherwise than the exactly rounded value the package gives. --pandas runs this alone.

It also times the first touch of new memory, per 4 KiB page. Where that is slow (on a virtual
machine whose host maps each page on demand), the calls that return a million new objects pay
it for every page their answers take, as long as the allocator gives freed memory back to the
system between repetitions. bench/run runs this twice: with Python's own allocator, and with
the C allocator told to keep freed memory mapped (PYTHONMALLOC=malloc and GLIBC_TUNABLES), so
that the figures show both what a cold process pays and what the package itself costs.

Run it against an installed package (bench/run builds one), or a build tree's package:
  PYTHONPATH=build/default/python python3 bench/python_bench.py
It runs against an earlier package too, which has no typed functions: the figure before them.
"""
import math
import mmap
import os
import platform
import random
import statistics
import sys
import timeit
from array import array

import tamsel_health

REQUESTS = 100_000
ROWS = 1_000_000
REPETITIONS = 9


def plain_python(request):
    """The three formulas as the library computes and prints them, written plainly in Python."""
    words = request.split()
    keyword = words[0].lower()
    if keyword == "bmi":
        weight, height = float(words[1]), float(words[2])
        return "BMI: %.2f" % (weight / (height * height))
    if keyword == "bmr_harris":
        weight, height, age = float(words[2]), float(words[3]), int(words[4])
        if words[1][:1] in ("M", "m"):
            rate = (weight * 13.397 + height * 4.799) + 88.362 - age * 5.677
        else:
            rate = (weight * 9.247 + height * 3.098) + 447.593 - age * 4.33
        return "BMR (Harris-Benedict): %.2f calories/day" % rate
    if keyword == "bodyfat_navy":
        waist, neck, height = float(words[2]), float(words[3]), float(words[4])
        if words[1][:1] in ("M", "m"):
            divisor = (math.log10(height) * 0.15456) + (1.0324 - math.log10(waist - neck) * 0.19077)
        else:
            hip = float(words[5])
            divisor = (math.log10(height) * 0.221) + (1.29579 - math.log10((waist + hip) - neck) * 0.35004)
        return "Body Fat Percentage (Navy Method): %.2f%%" % (495 / divisor - 450)
    raise ValueError(request)


def requests(count, seed=14):
    chooser = random.Random(seed)
    made = []
    for index in range(count):
        weight, height_cm = round(chooser.uniform(45, 120), 1), round(chooser.uniform(150, 200), 1)
        kind = index % 4
        if kind == 0:
            made.append("bmi %s %s" % (weight, round(height_cm / 100, 2)))
        elif kind == 1:
            made.append("bmr_harris %s %s %s %d" % (chooser.choice("MF"), weight, height_cm,
                                                     chooser.randrange(18, 90)))
        elif kind == 2:
            made.append("bodyfat_navy M %s %s %s" % (round(chooser.uniform(70, 120), 1),
                                                     round(chooser.uniform(32, 45), 1), height_cm))
        else:
            made.append("bodyfat_navy F %s %s %s %s" % (round(chooser.uniform(60, 110), 1),
                                                        round(chooser.uniform(28, 38), 1), height_cm,
                                                        round(chooser.uniform(85, 130), 1)))
    return made


def columns(count, seed=15):
    chooser = random.Random(seed)
    weights = array("d", (round(chooser.uniform(45, 120), 1) for _ in range(count)))
    heights = array("d", (round(chooser.uniform(1.5, 2.0), 2) for _ in range(count)))
    return weights, heights


def first_touch_microseconds(size=64 << 20):
    """Microseconds to write the first byte of each 4 KiB page of a new anonymous mapping."""
    page = 4096
    region = mmap.mmap(-1, size)
    start = timeit.default_timer()
    for offset in range(0, size, page):
        region[offset] = 1
    elapsed = timeit.default_timer() - start
    region.close()
    return elapsed / (size // page) * 1e6


# WHO's adult classes by BMI, as a pandas user writes them: [low, high), in kg/m^2.
WHO_BINS = [-math.inf, 16, 17, 18.5, 25, 30, 35, 40, math.inf]
WHO_NAMES = ["Severe thinness", "Moderate thinness", "Mild thinness", "Normal range",
             "Pre-obese (overweight)", "Obese class I", "Obese class II", "Obese class III"]


def against_pandas():
    """BMI and its category over a million rows of a DataFrame: the package against pandas."""
    try:
        import numpy
        import pandas
    except ImportError as error:
        print("pandas comparison skipped: %s" % error)
        return
    generator = numpy.random.default_rng(16)
    frame = pandas.DataFrame({"weight_kg": generator.uniform(40, 150, ROWS).round(1),
                              "height_m": generator.uniform(1.45, 2.05, ROWS).round(2)})
    weights, heights = frame["weight_kg"], frame["height_m"]

    def with_pandas():
        value = (weights / heights ** 2).round(2)
        return value, pandas.cut(value, WHO_BINS, right=False, labels=WHO_NAMES)

    subjects = {"compute(\"bmi\", frame)": lambda: tamsel_health.compute("bmi", frame)}
    typed = hasattr(tamsel_health, "bmi")
    if typed:
        subjects["bmi(w, h, what=\"record\")"] = lambda: tamsel_health.bmi(weights, heights, what="record")
        subjects["bmi(w, h) and its category"] = lambda: (
            tamsel_health.bmi(weights, heights), tamsel_health.bmi(weights, heights, what="category"))
    subjects["pandas round and cut"] = with_pandas
    times = {name: [] for name in subjects}
    for _ in range(REPETITIONS):  # interleaved
        for name, run in subjects.items():
            times[name].append(timeit.timeit(run, number=1) * 1e3)
    medians = {name: statistics.median(values) for name, values in times.items()}
    print("BMI and its WHO category over %s rows of a DataFrame, median ms of %d interleaved repetitions:"
          % (format(ROWS, ","), REPETITIONS))
    for name, median in medians.items():
        print("  %-32s %8.1f" % (name, median))
    baseline = medians["pandas round and cut"]
    for name, median in medians.items():
        if name != "pandas round and cut":
            print("%s is %.2f times as fast as pandas" % (name, baseline / median))
    ours = tamsel_health.compute("bmi", frame)
    value, category = with_pandas()
    exact = ours["value"].to_numpy()
    print("pandas' value differs from the exactly rounded one in %s rows, its category in %s"
          % (format(int((value.to_numpy() != exact).sum()), ","),
             format(int((category.astype(object).to_numpy() != ours["category"].astype(object).to_numpy()).sum()), ",")))


def main():
    if sys.argv[1:] == ["--pandas"]:
        against_pandas()
        return
    batch = requests(REQUESTS)
    weights, heights = columns(ROWS)
    mix = batch[:10_000]
    disagreeing = sum(plain_python(r) != a for r, a in zip(batch, tamsel_health.calc_many(batch)))
    if disagreeing:
        sys.exit("plain Python and the library disagree on %d requests" % disagreeing)

    def one_by_one(function):
        return lambda: [function(request) for request in mix]

    subjects = {
        "calc_health, per call": (one_by_one(tamsel_health.calc_health), len(mix)),
        "ask, per call": (one_by_one(tamsel_health.ask), len(mix)),
        "calc_many, per request": (lambda: tamsel_health.calc_many(batch), len(batch)),
        "plain Python, per request": (lambda: [plain_python(request) for request in batch], len(batch)),
        "str.upper, per request": (lambda: [request.upper() for request in batch], len(batch)),
        "compute, per row": (lambda: tamsel_health.compute("bmi", weight_kg=weights, height_m=heights), ROWS),
    }
    times = {name: [] for name in subjects}
    for _ in range(REPETITIONS):  # interleaved, so that every subject meets the same conditions
        for name, (run, count) in subjects.items():
            times[name].append(timeit.timeit(run, number=1) / count * 1e9)
    load = os.getloadavg() if hasattr(os, "getloadavg") else (math.nan,) * 3
    print("Python %s, %s; load average %.2f %.2f %.2f on %s CPUs"
          % (platform.python_version(), tamsel_health.library_path(), load[0], load[1], load[2],
             os.cpu_count()))
    print("allocator: %s%s; first touch of new memory: %.2f us per 4 KiB page"
          % (os.environ.get("PYTHONMALLOC", "Python's own"),
             ", " + os.environ["GLIBC_TUNABLES"] if os.environ.get("GLIBC_TUNABLES") else "",
             statistics.median(first_touch_microseconds() for _ in range(3))))
    print("median ns (%d interleaved repetitions; %d requests for calc_many and plain Python):"
          % (REPETITIONS, REQUESTS))
    medians = {name: statistics.median(values) for name, values in times.items()}
    for name, median in medians.items():
        print("  %-28s %8.0f" % (name, median))
    plain = medians["plain Python, per request"]
    print("calc_health is %.2f times as fast as plain Python, calc_many %.2f times"
          % (plain / medians["calc_health, per call"], plain / medians["calc_many, per request"]))
    print("compute: %.2f million rows a second" % (1e3 / medians["compute, per row"]))
    against_pandas()


if __name__ == "__main__":
    main()
