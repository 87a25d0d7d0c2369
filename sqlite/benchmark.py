#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""BMI and its category over a million rows: the typed functions against plain SQL's round()
and a CASE, and against the text path. Each query runs once a round, in turn, so that all meet
the same load; prints the medians of the rounds and their ratios.

    benchmark.py path/to/tamsel_health.so [rounds]
"""
import os
import sqlite3
import statistics
import sys
import time

# What a user writes without the extension. SQLite has no way to name the rounded value once, so
# the CASE rounds again at each comparison, as such a query does.
PLAIN_CLASS = """CASE WHEN {b} < 16 THEN 'Severe thinness' WHEN {b} < 17 THEN 'Moderate thinness'
    WHEN {b} < 18.5 THEN 'Mild thinness' WHEN {b} < 25 THEN 'Normal range'
    WHEN {b} < 30 THEN 'Pre-obese (overweight)' WHEN {b} < 35 THEN 'Obese class I'
    WHEN {b} < 40 THEN 'Obese class II' ELSE 'Obese class III' END"""
REQUEST = "'bmi ' || health_number(w) || ' ' || health_number(h)"

# (name, the query, the query it is measured against)
QUERIES = [
    ("typed bmi(w, h), bmi_category(w, h)", "SELECT sum(bmi(w, h)), max(bmi_category(w, h)) FROM measurements",
     "plain round(w / (h * h), 2) and CASE"),
    ("plain round(w / (h * h), 2) and CASE",
     "SELECT sum(b), max(%s) FROM (SELECT round(w / (h * h), 2) AS b FROM measurements)" % PLAIN_CLASS.format(b="b"),
     None),
    ("text health_value, health_record",
     "SELECT sum(health_value(q)), max(health_record(q) ->> '$.category') FROM (SELECT %s AS q FROM measurements)"
     % REQUEST, "plain round(w / (h * h), 2) and CASE"),
    ("typed bmi(w, h) alone", "SELECT sum(bmi(w, h)) FROM measurements", "plain round(w / (h * h), 2) alone"),
    ("plain round(w / (h * h), 2) alone", "SELECT sum(round(w / (h * h), 2)) FROM measurements", None),
    ("text health_value alone", "SELECT sum(health_value(%s)) FROM measurements" % REQUEST,
     "plain round(w / (h * h), 2) alone"),
]


def main():
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    db = sqlite3.connect(":memory:")
    db.enable_load_extension(True)
    db.load_extension(os.path.splitext(os.path.abspath(sys.argv[1]))[0])
    db.executescript("""
        CREATE TABLE measurements (w REAL, h REAL);
        WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000000)
        INSERT INTO measurements SELECT 30 + (abs(random()) % 1200000) / 10000.0 + random() / 1e25,
                                        1.4 + (abs(random()) % 600000) / 1000000.0 FROM n;""")
    values, categories, text = db.execute("""SELECT
        count(*) FILTER (WHERE bmi(w, h) <> round(w / (h * h), 2)),
        count(*) FILTER (WHERE bmi_category(w, h) IS NOT %s),
        count(*) FILTER (WHERE bmi(w, h) IS NOT health_value(%s)) FROM measurements"""
                                          % (PLAIN_CLASS.format(b="round(w / (h * h), 2)"), REQUEST)).fetchone()
    print("sqlite %s, 1,000,000 rows of BMI; plain SQL differs from the exactly rounded value in %d rows"
          " and in the category in %d; the text path from the typed one in %d" % (sqlite3.sqlite_version, values,
                                                                                  categories, text))
    timings = {name: [] for name, _, _ in QUERIES}
    for round_ in range(rounds + 1):  # the first round warms the caches and is not counted
        for name, sql, _ in QUERIES:
            start = time.perf_counter()
            db.execute(sql).fetchone()
            if round_ > 0:
                timings[name].append(time.perf_counter() - start)
    medians = {name: statistics.median(times) for name, times in timings.items()}
    print("medians of %d interleaved rounds:" % rounds)
    for name, _, against in QUERIES:
        ratio = "" if against is None else "  %.2f times as fast as plain" % (medians[against] / medians[name])
        print("  %-40s %7.0f ms%s" % (name, medians[name] * 1000, ratio))


if __name__ == "__main__":
    if not hasattr(sqlite3.Connection, "enable_load_extension") and sys.executable != "/usr/bin/python3":
        os.execv("/usr/bin/python3", ["/usr/bin/python3"] + sys.argv)
    main()
