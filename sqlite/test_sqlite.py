#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The SQLite extension through Python's sqlite3 module, as a user's program meets it.

    test_sqlite.py path/to/tamsel_health.so path/to/tamsel-health
"""
import json
import os
import random
import sqlite3
import subprocess
import sys
import threading
import unittest

EXTENSION = PROGRAM = None
RANDOM_REQUESTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests",
                               "random_requests.py")


def connect():
    connection = sqlite3.connect(":memory:", check_same_thread=False)
    connection.enable_load_extension(True)
    connection.load_extension(os.path.splitext(EXTENSION)[0])
    connection.enable_load_extension(False)
    return connection


class Answers(unittest.TestCase):
    def setUp(self):
        self.db = connect()

    def one(self, sql, *parameters):
        return self.db.execute(sql, parameters).fetchone()

    def test_answers_and_values(self):
        cases = [
            ("bmi 70 1.75", "BMI: 22.86", 22.86),
            ("bsa 70 175", "Body Surface Area: 1.845 m\u00b2", 1.845),
            ("bp_category 120 80", "Blood Pressure Category: 2", 2.0),
            ("bmi -0 1", "BMI: -0.00", -0.0),
            ("bmi 70 0", "BMI: inf", None),
            ("bmi nan 1", "BMI: nan", None),
            ("bmi 70", "Usage: bmi [weight_kg] [height_m]", None),
            ("bodyfat_navy M 90 40 180 95", "Male requires: waist, neck, height", None),
            ("foo 1 2", "Unknown formula: foo", None),
            ("b\u00e9mi 1", "Unknown formula: b\u00e9mi", None),
            ("bmi 70 1.75" + " " * 1011 + "3", "Usage: bmi [weight_kg] [height_m]", None),
            ("bmi 70 1.75" + " " * 1012 + "3", "BMI: 22.86", 22.86),
            ("bmi " + "7" * 2000000 + " 1", "Usage: bmi [weight_kg] [height_m]", None),
        ]
        for request, text, value in cases:
            with self.subTest(request=request[:40]):
                self.assertEqual(self.one("SELECT calc_health(?), health_value(?)", request, request),
                                 (text, value))
        self.assertEqual(str(self.one("SELECT health_value('bmi -0 1')")[0]), "-0.0")

    def test_null_in_null_out(self):
        self.assertEqual(self.one("SELECT calc_health(NULL), health_value(NULL), health_record(NULL),"
                                  " health_value('bmi ' || NULL || ' 1.75')"), (None,) * 4)

    def test_other_types_read_as_text(self):
        # A number reads as its text, a blob as its bytes, up to a NUL as the library reads it.
        cases = [("SELECT calc_health(42)", "Unknown formula: 42"),
                 ("SELECT calc_health(x'626d6920373020312e3735')", "BMI: 22.86"),
                 ("SELECT calc_health(x'626d6920373020312e3735003132')", "BMI: 22.86"),
                 ("SELECT calc_health('')", None)]
        for sql, text in cases:
            with self.subTest(sql=sql):
                answer = self.one(sql)[0]
                if text is None:
                    self.assertTrue(answer.startswith("Tamsel Health Calculator"))
                else:
                    self.assertEqual(answer, text)

    def test_numbers_read_back_exactly(self):
        # SQLite writes a REAL with 15 digits, so a computed value loses its last bits on its way
        # into a request; health_number keeps them all, and keeps NULL as NULL.
        cases = [(22.854999999999997, "22.854999999999997", 22.85, 22.86),
                 (0.1 + 0.2, "0.30000000000000004", 0.3, 0.3),
                 (1.7976931348623157e308, "1.7976931348623157e+308", 1.7976931348623157e308, None),
                 (5e-324, "5e-324", 0.0, 0.0), (-0.0, "-0", -0.0, -0.0),
                 (70, "70", 70.0, 70.0), (None, None, None, None)]
        for number, text, exact, plain in cases:
            with self.subTest(number=number):
                self.assertEqual(self.one("SELECT health_number(?), health_value('bmi ' || health_number(?1) || ' 1'),"
                                          " health_value('bmi ' || ?1 || ' 1')", number),
                                 (text if number != 70 else 70, exact, plain))
        generator = random.Random(5)
        numbers = [generator.uniform(1, 300) / generator.choice([1, 3, 7, 100]) for _ in range(20000)]
        self.db.execute("CREATE TABLE numbers (x REAL)")
        self.db.executemany("INSERT INTO numbers VALUES (?)", [(x,) for x in numbers])
        texts = self.db.execute("SELECT x, health_number(x) FROM numbers").fetchall()
        self.assertEqual([x for x, text in texts if float(text) != x], [])

    def test_record_is_json(self):
        row = self.one("SELECT r ->> '$.kind', r ->> '$.value', r ->> '$.unit', r ->> '$.category',"
                       " json_array_length(r, '$.warnings') FROM (SELECT health_record(?) AS r)",
                       "bsa 70 175")
        self.assertEqual(row, ("result", 1.845, "m\u00b2", None, 0))
        warned = json.loads(self.one("SELECT health_record('bmi 700 1.75')")[0])
        self.assertEqual(warned["warnings"], ["weight_kg 700 is outside 2 to 400"])
        self.assertIsNone(warned["category"])
        listing = json.loads(self.one("SELECT health_record('help')")[0])
        self.assertEqual((listing["kind"], listing["value"], len(listing["text"].split("\n"))),
                         ("listing", None, 23))

    def test_deterministic_where_sqlite_requires_it(self):
        self.db.executescript("""
            CREATE TABLE patients (weight_kg REAL, height_m REAL,
              bmi REAL GENERATED ALWAYS AS (health_value('bmi ' || weight_kg || ' ' || height_m)));
            CREATE INDEX patients_bmi_text ON patients (calc_health('bmi ' || weight_kg || ' ' || height_m));
            INSERT INTO patients VALUES (70, 1.75), (95.5, 1.68), (NULL, 1.6);""")
        self.assertEqual(self.db.execute("SELECT bmi FROM patients ORDER BY rowid").fetchall(),
                         [(22.86,), (33.84,), (None,)])

    def test_threads_take_turns(self):
        # Connections on eight threads at once, each calling 20,000 times inside one statement
        # (SQLite runs it without Python's lock): every answer belongs to its own request.
        wrong = {}

        def work(age):
            wrong[age] = connect().execute("""
                WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000)
                SELECT count(*) FROM (SELECT ?1 + i % 7 AS age FROM n)
                WHERE calc_health('max_hr ' || age) <> 'Maximum Heart Rate: ' || (220 - age) || ' bpm'
                   OR health_value('max_hr ' || age) <> 220 - age
                   OR health_record('max_hr ' || age) ->> '$.value' <> 220 - age""",
                (age,)).fetchone()[0]
        threads = [threading.Thread(target=work, args=(age,)) for age in range(20, 100, 10)]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        self.assertEqual(wrong, {age: 0 for age in range(20, 100, 10)})


class SameAsProgram(unittest.TestCase):
    def test_random_requests(self):
        requests = subprocess.run([sys.executable, RANDOM_REQUESTS, "10000", "20261210"], check=True,
                                  capture_output=True).stdout
        done = subprocess.run([PROGRAM, "--json", "-"], input=requests, capture_output=True)
        self.assertIn(done.returncode, (0, 2))   # 2: some requests were wrong, as meant
        answers = [json.loads(line) for line in done.stdout.decode("utf-8").splitlines()]
        self.assertEqual(len(answers), 10000)
        db = connect()
        with_review = all("category" in answer for answer in answers)
        members = ["kind", "text", "value", "unit"]
        if with_review:
            members += ["warnings", "category", "category_source"]
        else:
            print("note: the program gives no category, so warnings and categories are not compared")
        differences = []
        for answer in answers:
            record, text, value = db.execute(
                "SELECT health_record(?1), calc_health(?1), health_value(?1)",
                (answer["request"],)).fetchone()
            record = json.loads(record)
            mine = {name: record[name] for name in members}
            theirs = {name: answer.get(name) for name in members}
            if mine != theirs or text != answer["text"] or value != answer["value"]:
                differences.append((answer["request"], mine, theirs, text, value))
        self.assertEqual(differences[:3], [])
        self.assertEqual({answer["kind"] for answer in answers},
                         {"result", "usage", "requirement", "unknown", "listing"})


def python_that_loads_extensions():
    """Some Pythons' sqlite3 (pyenv's, by default) cannot load extensions; Debian's can."""
    if hasattr(sqlite3.Connection, "enable_load_extension"):
        return
    system = "/usr/bin/python3"
    if os.path.realpath(sys.executable) != os.path.realpath(system) and os.access(system, os.X_OK):
        os.execv(system, [system] + sys.argv)
    sys.exit("%s: this Python's sqlite3 module cannot load extensions" % sys.argv[0])


if __name__ == "__main__":
    python_that_loads_extensions()
    EXTENSION, PROGRAM = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    unittest.main(argv=sys.argv[:1], verbosity=1)
