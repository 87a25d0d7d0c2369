#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""health_value over a million rows against SQLite's round(), best of three runs each.

    benchmark.py path/to/tamsel_health.so
"""
import os
import sqlite3
import sys
import time

QUERIES = [
    ("health_value", "SELECT sum(health_value('bmi ' || w || ' ' || h)) FROM measurements"),
    ("health_value, exact numbers",
     "SELECT sum(health_value('bmi ' || health_number(w) || ' ' || health_number(h))) FROM measurements"),
    ("round", "SELECT sum(round(w / (h * h), 2)) FROM measurements"),
    ("request text only", "SELECT sum(length('bmi ' || w || ' ' || h)) FROM measurements"),
]


def main():
    db = sqlite3.connect(":memory:")
    db.enable_load_extension(True)
    db.load_extension(os.path.splitext(os.path.abspath(sys.argv[1]))[0])
    db.executescript("""
        CREATE TABLE measurements (w REAL, h REAL);
        WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000000)
        INSERT INTO measurements SELECT 30 + (abs(random()) % 1200000) / 10000.0,
                                        1.4 + (abs(random()) % 600000) / 1000000.0 FROM n;""")
    differing = db.execute("""SELECT count(*) FROM measurements
        WHERE health_value('bmi ' || health_number(w) || ' ' || health_number(h))
              <> round(w / (h * h), 2)""").fetchone()[0]
    print("sqlite %s, 1,000,000 rows; round() differs from the calculator on %d"
          % (sqlite3.sqlite_version, differing))
    for name, sql in QUERIES:
        best = float("inf")
        for _ in range(3):
            start = time.perf_counter()
            db.execute(sql).fetchone()
            best = min(best, time.perf_counter() - start)
        print("  %-28s %7.0f ms" % (name, best * 1000))


if __name__ == "__main__":
    if not hasattr(sqlite3.Connection, "enable_load_extension") and sys.executable != "/usr/bin/python3":
        os.execv("/usr/bin/python3", ["/usr/bin/python3"] + sys.argv)
    main()
