# SPDX-License-Identifier: MIT
"""The review in Python: ask() gives the record of tamsel-health --json, and so does
python -m tamsel_health, request for request and byte for byte."""
import json
import os
import random
import shutil
import subprocess
import sys

import pytest

import tamsel_health
from tamsel_health._native import ask_json

PROGRAM_VARIABLE = "TAMSEL_HEALTH_PROGRAM"
KEYWORDS = ["bmi", "bmr_harris", "bmr_mifflin", "bodyfat_navy", "whr", "ideal_devine",
            "ideal_robinson", "ideal_miller", "bsa", "lbm", "tdee", "max_hr", "target_hr", "bai",
            "wthr", "bp_category", "map", "pulse_pressure"]
# Plausible values for each argument, and some that are not.
VALUES = ["70", "1.75", "175", "30", "0.7", "120", "80", "95", "38", "1.55", "1500", "150", "65",
          "-5", "0", "1e3", "2,5", "70kg", "nan", "inf", "300", "45.5", "200", "12"]
SEXES = ["M", "F", "m", "f", "male", "Female", "Mujer", "x"]


def mixed_requests(count, seed=22):
    """Requests as people send them: mostly right, many with doubtful arguments, some wrong."""
    chooser = random.Random(seed)
    made = []
    for _ in range(count):
        words = [chooser.choice(KEYWORDS + ["help", "nope", "BMI"])]
        if chooser.random() < 0.4:
            words.append(chooser.choice(SEXES))
        words += [chooser.choice(VALUES) if chooser.random() < 0.5 else
                  "%.*f" % (chooser.randrange(3), chooser.uniform(0.5, 250)) for _ in range(chooser.randrange(1, 6))]
        made.append(chooser.choice([" ", "\t", "  "]).join(words))
    made[:3] = ["bmi 70 1.75", "bp_category 150 95", "bodyfat_navy F 80 34 165 100"]
    return made


def answer_of_record(record):
    """The Answer a record of --json stands for."""
    value = record["value"]
    return tamsel_health.Answer(record["kind"], record["text"], None if value is None else float(value),
                                record["unit"], tuple(record["warnings"]), record["category"],
                                record["category_source"], record["category_note"])


def test_the_answer_keeps_its_first_four_fields():
    answer = tamsel_health.ask("bmi 70 175")
    assert tamsel_health.Answer._fields == ("kind", "text", "value", "unit", "warnings", "category",
                                            "category_source", "category_note")
    assert (answer.kind, answer.text, answer.value, answer.unit) == ("result", "BMI: 0.00", 0.0, "")
    assert answer.warnings and answer.category is None  # no category for a doubtful result
    # Made with four fields, as code written for the first version does.
    usage = "Usage: bmi [weight_kg] [height_m]"
    assert tamsel_health.Answer("usage", usage, None, "") == tamsel_health.ask("bmi 70")


def test_ask_agrees_with_the_record_json():
    # Two roads out of the same record: Python objects, and the JSON every surface writes.
    for request in mixed_requests(3000):
        answer, members = ask_json(request)
        assert answer == tamsel_health.ask(request)
        assert answer_of_record(json.loads("{%s}" % members)) == answer, request


@pytest.mark.parametrize("requests", ["bmi 70 1.75", b"bmi 70 1.75", bytearray(b"bmi")])
def test_calc_many_refuses_one_request_for_many(requests):
    with pytest.raises(TypeError, match="not a single"):
        tamsel_health.calc_many(requests)


def run(arguments, stdin=b"", program=(sys.executable, "-m", "tamsel_health")):
    return subprocess.run(list(program) + arguments, input=stdin, capture_output=True, timeout=120)


@pytest.mark.parametrize("arguments, stdout, stderr, status", [
    (["--json", "bmi", "70", "1.75"], '"kind":"result"', "", 0),
    (["--json", "bmi", "70"], '"kind":"usage"', "", 2),  # records go to standard output
    (["--strict", "bmi", "70", "175"], "", "BMI: 0.00\n", 2),  # a wrong request now
    (["bmi", "70", "175"], "BMI: 0.00\n", "warning: height_m 175", 0),
    (["--csv", "--strict", "--", "--json"], "line,request,kind", "", 2),
    (["--strict", "--", "bmi", "70", "1.75"], "BMI: 22.86\n", "", 0),
    (["--bogus"], "", "Unknown formula: --bogus", 2),
], ids=["json", "json-wrong", "strict", "warning", "options-then-dashes", "strict-clean", "unknown-option"])
def test_options(tmp_path, arguments, stdout, stderr, status):
    result = run(arguments)
    assert stdout in result.stdout.decode("utf-8")
    assert stderr in result.stderr.decode("utf-8")
    assert result.returncode == status


def test_batch_warnings_name_their_line():
    result = run(["--json"], b"bmi 70 1.75\n\nbmi 70 175\n")
    records = [json.loads(line) for line in result.stdout.decode().splitlines()]
    assert [record["line"] for record in records] == [1, 3]
    assert result.stderr.decode() == ("python -m tamsel_health: warning: line 3: height_m 175 is outside "
                                      "0.3 to 2.75; centimetres?\n"
                                      "python -m tamsel_health: 2 requests, 0 wrong, 1 with warnings\n")
    assert result.returncode == 0
    assert run(["--strict", "-"], b"bmi 70 1.75\nbmi 70 175\n").returncode == 2


def host_program():
    program = os.environ.get(PROGRAM_VARIABLE) or shutil.which("tamsel-health")
    if not program:
        pytest.skip("no tamsel-health program to compare with: set %s to one" % PROGRAM_VARIABLE)
    return program


def test_ten_thousand_requests_give_the_host_programs_records():
    program = host_program()
    requests = mixed_requests(10_000)
    stdin = ("\n".join(requests) + "\n").encode("utf-8")
    host = run(["--json", "-"], stdin, program=[program])
    records = [json.loads(line) for line in host.stdout.decode("utf-8").splitlines()]
    assert len(records) == len(requests)
    different = [(request, record) for request, record in zip(requests, records)
                 if answer_of_record(record) != tamsel_health.ask(request)]
    assert different == []
    # Some of each, so that agreeing means something.
    assert {record["kind"] for record in records} >= {"result", "usage", "unknown", "listing"}
    assert sum(bool(record["warnings"]) for record in records) > 1000
    assert sum(record["category"] is not None for record in records) > 15
    # And the program of the package writes what the host program writes.
    for option in ("--json", "--csv", "--strict"):
        ours = run([option, "-"], stdin)
        theirs = run([option, "-"], stdin, program=[program])
        assert ours.stdout == theirs.stdout, option
        assert ours.stderr.replace(b"python -m tamsel_health: ", b"") == theirs.stderr.replace(
            b"tamsel-health: ", b""), option
        assert ours.returncode == theirs.returncode


@pytest.mark.parametrize("arguments", [
    ["bmi", "70", "175"], ["--json", "bmi", "70", "175"], ["--csv", "bp_category", "150", "95"],
    ["--strict", "bmi", "70", "175"], ["bmi", "70"], ["--", "--json"], ["help"],
])
def test_one_request_as_the_host_program_answers_it(arguments):
    program = host_program()
    ours, theirs = run(arguments), run(arguments, program=[program])
    assert (ours.stdout, ours.returncode) == (theirs.stdout, theirs.returncode)
    assert ours.stderr.replace(b"python -m tamsel_health: ", b"") == theirs.stderr.replace(
        b"tamsel-health: ", b"")
