# SPDX-License-Identifier: MIT
"""Threads share one library whose answer lives in one buffer: no answer may be another's."""
import random
import threading
from array import array

import tamsel_health
from known_answers import ALL, RESULTS

THREADS = 8
CALLS_PER_THREAD = 25_000
BATCH = 50


def _answer_one_by_one(call, checks):
    def run(offset, wrong):
        for index in range(CALLS_PER_THREAD):
            request, expected = checks[(offset + index) % len(checks)]
            answer = call(request)
            if answer != expected:
                wrong.append((request, answer))
    return run


def _answer_in_batches(checks):
    def run(offset, wrong):
        for start in range(0, CALLS_PER_THREAD, BATCH):
            batch = [checks[(offset + start + index) % len(checks)] for index in range(BATCH)]
            answers = tamsel_health.calc_many(request for request, _ in batch)
            wrong.extend((request, answer) for (request, expected), answer in zip(batch, answers)
                         if answer != expected)
    return run


def _computing(requests):
    """A thread computing columns of max_hr, whose rows answer 220 - age."""
    ages = array("d", range(1, 101))

    def run(offset, wrong):
        for _ in range(CALLS_PER_THREAD // len(ages)):
            values = tamsel_health.compute("max_hr", age=ages).values
            wrong.extend(("max_hr %d" % age, value) for age, value in zip(ages, values)
                         if value != 220 - age)
    return run


def test_eight_threads_get_their_own_answers():
    # Long answers (the listing, a 1023-byte echo) among short ones, so that a call overlapping
    # another's copy would show, through every function of the package.
    answers = ALL
    records = {request: tamsel_health.ask(request) for request, _ in answers}
    workers = [
        _answer_one_by_one(tamsel_health.calc_health, answers),
        _answer_one_by_one(tamsel_health.calc_health, answers),
        _answer_one_by_one(tamsel_health.calc_health, answers),
        _answer_one_by_one(tamsel_health.calc_health, answers),
        _answer_one_by_one(tamsel_health.ask, list(records.items())),
        _answer_one_by_one(tamsel_health.ask, list(records.items())),
        _answer_in_batches(answers),
        _answer_in_batches(answers),
    ]
    workers[3] = _computing([request for request, _ in answers])
    assert len(workers) == THREADS
    wrong = [[] for _ in workers]
    start = threading.Barrier(THREADS)

    def thread_body(number):
        start.wait()
        workers[number](number * 7, wrong[number])

    threads = [threading.Thread(target=thread_body, args=(number,)) for number in range(THREADS)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    wrong_answers = [item for found in wrong for item in found]
    assert len(wrong_answers) == 0, wrong_answers[:5]


KEYWORDS = ["bmi", "bmr_harris", "bmr_mifflin", "bodyfat_navy", "whr", "ideal_devine",
            "ideal_robinson", "ideal_miller", "bsa", "lbm", "tdee", "max_hr", "target_hr", "bai",
            "wthr", "bp_category", "map", "pulse_pressure", "help", "nope", "BMI"]


def _mixed_requests(count, seed=14):
    chooser = random.Random(seed)
    requests = []
    for _ in range(count):
        words = [chooser.choice(KEYWORDS)]
        if chooser.random() < 0.5:
            words.append(chooser.choice("MFmfx"))
        words += ["%.*f" % (chooser.randrange(4), chooser.uniform(-5, 250))
                  for _ in range(chooser.randrange(6))]
        requests.append(chooser.choice([" ", "\t", "  "]).join(words))
    return requests


def test_calc_many_agrees_with_calc_health():
    requests = _mixed_requests(100_000)
    many = tamsel_health.calc_many(requests)
    assert len(many) == len(requests)
    disagreeing = [(request, answer) for request, answer in zip(requests, many)
                   if tamsel_health.calc_health(request) != answer]
    assert disagreeing == []
    # Some of each kind, so that the agreement means something.
    kinds = {tamsel_health.parse_answer(answer).kind for answer in many}
    assert kinds == {"result", "usage", "requirement", "unknown", "listing"}


def test_calc_many_takes_any_iterable():
    assert tamsel_health.calc_many(iter([])) == []
    assert tamsel_health.calc_many(request for request, _, _, _ in RESULTS[:3]) == [
        answer for _, answer, _, _ in RESULTS[:3]]
