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


def formulas(db):
    """Every formula's entry in the table, by keyword, as the extension gives it."""
    keywords = [name for (name,) in db.execute(
        "SELECT DISTINCT name FROM pragma_function_list AS f WHERE health_formula(name) IS NOT NULL"
        " AND EXISTS (SELECT 1 FROM pragma_function_list WHERE name = f.name || '_record')")]
    return {keyword: json.loads(db.execute("SELECT health_formula(?)", (keyword,)).fetchone()[0])
            for keyword in sorted(keywords)}


SEX_WORDS = ["M", "F", "m", "f", "male", "female", "Male", "FEMALE"]
EXTREMES = [0.0, -0.0, 1e-300, 5e-324, 1e300, float("inf"), float("-inf")]


def sample(generator, argument, factor=1.0):
    """Mostly plausible values, some outside every range, some as typed with one decimal, a few
    extremes; whole numbers mostly as integers, a few with a fraction."""
    if argument["type"] == "sex":
        return generator.choice(SEX_WORDS)
    low, high = (bound / factor for bound in argument["ranges"][0])
    roll = generator.random()
    if argument["type"] == "whole":
        if roll < 0.90:
            return generator.randint(int(low), int(high))
        if roll < 0.96:
            return generator.randint(int(-high), int(3 * high))
        if roll < 0.98:
            return generator.choice([0, -1, 2147483647, -2147483648])
        return round(generator.uniform(low, high), 1)
    if roll < 0.80:
        return generator.uniform(low, high)
    if roll < 0.90:
        return round(generator.uniform(low, high), 1)
    if roll < 0.98:
        return (generator.random() * 4 - 1) * high
    return generator.choice(EXTREMES)


class Typed(unittest.TestCase):
    ROWS = 100000

    @classmethod
    def setUpClass(cls):
        cls.db = connect()
        cls.formulas = formulas(cls.db)

    def one(self, sql, *parameters):
        return self.db.execute(sql, parameters).fetchone()

    def test_registered_from_the_table(self):
        self.assertEqual(len(self.formulas), 18)
        registered = set(self.db.execute("SELECT name, narg FROM pragma_function_list"))
        for keyword, info in self.formulas.items():
            count = len(info["arguments"])
            imperial = any(argument["imperial_name"] for argument in info["arguments"])
            for suffix in ["", "_record"] + (["_category"] if info["scheme"] else []):
                for prefix in [keyword] + ([keyword + "_imperial"] if imperial else []):
                    with self.subTest(function=prefix + suffix):
                        self.assertIn((prefix + suffix, count), registered)
                        self.assertIn((prefix + suffix, count + 1), registered)
            self.assertEqual((keyword + "_category", count) in registered, info["scheme"] is not None)
            self.assertEqual((keyword + "_imperial", count) in registered, imperial)
        self.assertIsNone(self.one("SELECT health_formula('foo')")[0])

    def test_random_rows_equal_the_text_path(self):
        # Each typed function gives what the text request that writes the same numbers gives:
        # the value to the bit (health_number writes -0 and every last digit), the unit, the
        # kind, the category and the warning sentences. (The text path's record gives the printed
        # digits, "27.80", so its value is health_value's double, written as the record writes it.)
        generator = random.Random(20261210)
        for keyword, info in self.formulas.items():
            arguments = info["arguments"]
            rows = []
            for _ in range(self.ROWS):
                row = [sample(generator, argument) for argument in arguments]
                # A man gives no hip: the typed call may give anything there.
                if isinstance(row[0], str) and row[0][0] in "Mm" and arguments[-1]["women_only"] \
                        and generator.random() < 0.5:
                    row[-1] = None
                rows.append(row + [None] * (5 - len(row)))
            self.db.execute("DROP TABLE IF EXISTS rows")
            self.db.execute("CREATE TABLE rows (a0, a1, a2, a3, a4, request TEXT)")
            self.db.executemany("INSERT INTO rows (a0, a1, a2, a3, a4) VALUES (?, ?, ?, ?, ?)", rows)
            # The request writes the numbers as the calculator does, and leaves out a man's hip.
            words = ["CASE WHEN a0 LIKE 'm%%' THEN '' ELSE ' ' || health_number(a%d) END" % place
                     if argument["women_only"] else "' ' || health_number(a%d)" % place
                     for place, argument in enumerate(arguments)]
            self.db.execute("UPDATE rows SET request = '%s' || %s" % (keyword, " || ".join(words)))
            call = "(%s)" % ", ".join("a%d" % place for place in range(len(arguments)))
            category = ("%s_category%s" % (keyword, call)) if info["scheme"] else "NULL"
            # Each call once a row: SQLite would otherwise repeat a subquery's calls at every use.
            self.db.execute("DROP TABLE IF EXISTS pairs")
            self.db.execute(f"""CREATE TABLE pairs AS
                SELECT request, {keyword}_record{call} AS typed, health_record(request) AS text,
                       {keyword}{call} AS value, health_value(request) AS text_value, {category} AS category
                FROM rows""")
            differing = self.db.execute("""
                SELECT request, typed, text FROM pairs
                WHERE health_number(value) IS NOT health_number(text_value)
                   OR typed -> '$.value' IS NOT coalesce(health_number(text_value), 'null')
                   OR typed ->> '$.kind' IS NOT text ->> '$.kind'
                   OR typed ->> '$.unit' IS NOT text ->> '$.unit'
                   OR typed -> '$.warnings' IS NOT text -> '$.warnings'
                   OR typed ->> '$.category' IS NOT text ->> '$.category'
                   OR category IS NOT text ->> '$.category'
                   OR typed ->> '$.category_source' IS NOT text ->> '$.category_source'
                   OR typed ->> '$.category_note' IS NOT text ->> '$.category_note'
                LIMIT 3""").fetchall()
            with self.subTest(formula=keyword):
                self.assertEqual(differing, [])
            # The rows warn and classify in many ways, so that the comparison means something.
            warned, classified = self.one("""SELECT count(*) FILTER (WHERE json_array_length(typed, '$.warnings') > 0),
                count(*) FILTER (WHERE category IS NOT NULL) FROM pairs""")
            self.assertGreater(warned, self.ROWS // 100, keyword)
            self.assertTrue(classified > self.ROWS // 10 or not info["scheme"], keyword)

    def test_imperial_equals_metric(self):
        # An argument in its imperial unit gives what the metric call gives for the value turned
        # metric by one multiplication (which SQLite rounds once, as the core does).
        generator = random.Random(34)
        for keyword, info in self.formulas.items():
            arguments = info["arguments"]
            if not any(argument["imperial_name"] for argument in arguments):
                continue
            factors = [argument["imperial_factor"] or 1.0 for argument in arguments]
            rows = [[sample(generator, argument, factor) for argument, factor in zip(arguments, factors)]
                    for _ in range(20000)]
            self.db.execute("DROP TABLE IF EXISTS imperial")
            self.db.execute("CREATE TABLE imperial (a0, a1, a2, a3, a4)")
            self.db.executemany("INSERT INTO imperial VALUES (?, ?, ?, ?, ?)",
                                [row + [None] * (5 - len(row)) for row in rows])
            imperial = ", ".join("a%d" % place for place in range(len(arguments)))
            metric = ", ".join("a%d * %r" % (place, factor) if arguments[place]["imperial_name"] else "a%d" % place
                               for place, factor in enumerate(factors))
            differing = self.db.execute(f"""
                SELECT {imperial}, i, m FROM (SELECT *, {keyword}_imperial_record({imperial}) AS i,
                                                   {keyword}_record({metric}) AS m FROM imperial)
                WHERE i -> '$.value' IS NOT m -> '$.value' OR i ->> '$.category' IS NOT m ->> '$.category'
                   OR json_array_length(i, '$.warnings') IS NOT json_array_length(m, '$.warnings')
                LIMIT 3""").fetchall()
            with self.subTest(formula=keyword):
                self.assertEqual(differing, [])
        # A warning names the value as it was given, with its metric value.
        self.assertEqual(json.loads(self.one("SELECT bmi_imperial_record(1600, 69)")[0])["warnings"],
                         ["weight_lb 1600 (725.7 kg) is outside 2 to 400 kg"])
        self.assertEqual(self.one("SELECT bmi_imperial(154, 69) = bmi(154 * 0.45359237, 69 * 0.0254)"), (1,))

    def test_nulls(self):
        # NULL in, NULL out, for any argument a row needs; a man's hip it does not.
        for keyword, info in self.formulas.items():
            arguments = ["'F'" if argument["type"] == "sex" else "60" for argument in info["arguments"]]
            for place in range(len(arguments)):
                call = ", ".join("NULL" if index == place else value for index, value in enumerate(arguments))
                with self.subTest(call="%s(%s)" % (keyword, call)):
                    self.assertEqual(self.one(f"SELECT {keyword}({call}), {keyword}_record({call}),"
                                              f" {keyword}({call}, 'error')"), (None, None, None))
            call = ", ".join(arguments)
            self.assertEqual(self.one(f"SELECT {keyword}({call}, NULL)"), (None,))
        cases = [("bodyfat_navy('M', 90, 40, 180, NULL)", 18.37), ("bodyfat_navy('M', 90, 40, 180)", 18.37),
                 ("bodyfat_navy('M', 90, 40, 180, 95)", 18.37), ("bodyfat_navy('F', 80, 33, 165)", None),
                 ("bodyfat_navy('F', 80, 33, 165, NULL)", None), ("bodyfat_navy('F', 80, 33, 165, 100)", 31.89),
                 ("bmi(70, 0)", None), ("bmi(-0.0, 1)", -0.0)]
        for call, value in cases:
            with self.subTest(call=call):
                self.assertEqual(self.one("SELECT " + call), (value,))

    def test_on_warning(self):
        cases = [("bmi(700, 1.75)", 228.57), ("bmi(700, 1.75, 'value')", 228.57),
                 ("bmi(700, 1.75, 'null')", None), ("bmi(70, 1.75, 'error')", 22.86),
                 ("bmi_category(700, 1.75)", None), ("bmi_category(70, 1.75, 'error')", "Normal range"),
                 ("bmi_record(700, 1.75, 'null') ->> '$.value'", None),
                 ("bmi_record(700, 1.75, 'null') ->> '$.warnings[0]'", "weight_kg 700 is outside 2 to 400"),
                 ("bmr_harris('M', 80, 180, 30.5)", 1853.63)]
        for call, value in cases:
            with self.subTest(call=call):
                self.assertEqual(self.one("SELECT " + call), (value,))
        errors = [("bmi(700, 1.75, 'error')", "bmi: weight_kg 700 is outside 2 to 400"),
                  ("bmi_record(700, 0, 'error')",
                   "bmi_record: weight_kg 700 is outside 2 to 400; height_m 0 is outside 0.3 to 2.75"),
                  ("bmi(70, 1.75, 'NULL')", "bmi: on_warning must be 'value', 'null' or 'error', not 'NULL'"),
                  ("bmi('70,5', 1.75)", "bmi: weight_kg must be a number, not '70,5'"),
                  ("bmi(x'00', 1.75)", "bmi: weight_kg must be a number, not ''"),
                  ("bmr_harris('X', 80, 180, 30)", "bmr_harris: sex must be 'M', 'F', 'male' or 'female', not 'X'"),
                  ("bmr_harris(1, 80, 180, 30)", "bmr_harris: sex must be 'M', 'F', 'male' or 'female', not '1'")]
        for call, message in errors:
            with self.subTest(call=call):
                with self.assertRaises(sqlite3.OperationalError) as raised:
                    self.one("SELECT " + call)
                self.assertEqual(str(raised.exception), message)
        # Text that SQLite reads wholly as a number is that number.
        self.assertEqual(self.one("SELECT bmi('70', ' 1.75')"), (22.86,))

    def test_deterministic_where_sqlite_requires_it(self):
        db = connect()
        db.executescript("""
            CREATE TABLE patients (weight_kg REAL, height_m REAL,
              bmi REAL GENERATED ALWAYS AS (bmi(weight_kg, height_m)),
              class TEXT GENERATED ALWAYS AS (bmi_category(weight_kg, height_m)));
            CREATE INDEX patients_bmi ON patients (bmi_record(weight_kg, height_m, 'null') ->> '$.value');
            INSERT INTO patients VALUES (70, 1.75), (95.5, 1.68), (NULL, 1.6);""")
        self.assertEqual(db.execute("SELECT bmi, class FROM patients ORDER BY rowid").fetchall(),
                         [(22.86, "Normal range"), (33.84, "Obese class I"), (None, None)])


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
