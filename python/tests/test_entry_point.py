# SPDX-License-Identifier: MIT
"""python -m tamsel_health: one request from the arguments, or one a line from standard input."""
import os
import subprocess
import sys
import types

import pytest

import tamsel_health.__main__ as entry_point
from known_answers import BANNER, LISTING


def run(arguments, stdin=b"", **options):
    return subprocess.run([sys.executable, "-m", "tamsel_health"] + arguments, input=stdin,
                          stdout=options.pop("stdout", subprocess.PIPE), stderr=subprocess.PIPE,
                          **options)


@pytest.mark.parametrize("arguments, stdout, stderr, status", [
    (["bmi", "70", "1.75"], "BMI: 22.86\n", "", 0),
    (["bmi 70", "1.75"], "BMI: 22.86\n", "", 0),
    (["bsa", "70", "175"], "Body Surface Area: 1.845 m\u00b2\n", "", 0),
    (["bmi", "-70", "1.75"], "BMI: -22.86\n",
     "python -m tamsel_health: warning: weight_kg -70 is outside 2 to 400\n", 0),
    (["help"], LISTING + "\n", "", 0),
    (["--", "--help"], LISTING + "\n", "", 0),
    (["bmi", "70"], "", "Usage: bmi [weight_kg] [height_m]\n", 2),
    (["bodyfat_navy", "F", "75", "33", "165"], "", "Female requires: waist, neck, height, hip\n", 2),
    (["caf\u00e9"], "", "Unknown formula: caf\u00e9\n", 2),
    (["--", "--version"], "", "Unknown formula: --version\n", 2),
    ([""], "", BANNER + "\n", 2),
], ids=["result", "joined", "non-ascii", "negative", "listing", "dashes-listing", "usage",
        "requirement", "unknown", "dashes-unknown", "banner"])
def test_one_request(tmp_path, arguments, stdout, stderr, status):
    result = run(arguments, cwd=tmp_path)
    assert (result.stdout.decode("utf-8"), result.stderr.decode("utf-8"), result.returncode) == (
        stdout, stderr, status)


@pytest.mark.parametrize("arguments", [[], ["-"], ["--"]])
@pytest.mark.parametrize("stdin, stdout, status", [
    (b"bmi 70 1.75\nmax_hr 30\n", "BMI: 22.86\nMaximum Heart Rate: 190 bpm\n", 0),
    # A byte-order mark, CRLF line ends, blank lines and a last line without its line break.
    (b"\xef\xbb\xbfbmi 70 1.75\r\n\r\n \t\n\nmax_hr 30", "BMI: 22.86\nMaximum Heart Rate: 190 bpm\n", 0),
    # A byte-order mark is skipped on any line, as in files joined with cat.
    (b"max_hr 30\n\xef\xbb\xbfbmi 70 1.75\n", "Maximum Heart Rate: 190 bpm\nBMI: 22.86\n", 0),
    (b"bmi 70 1.75\nbmi 70\nhelp\n", "BMI: 22.86\nUsage: bmi [weight_kg] [height_m]\n" + LISTING + "\n", 2),
    (b"\xff\xfe 1\ncaf\xc3\xa9\nbmi\x0070 1.75\n",
     "Unknown formula: ??\nUnknown formula: caf\u00e9\nUnknown formula: bmi?70\n", 2),
    (b"", "", 0),
    (b"\n\n", "", 0),
], ids=["plain", "bom-crlf-blank", "late-bom", "wrong", "not-utf8-or-nul", "empty", "blank"])
def test_standard_input(tmp_path, arguments, stdin, stdout, status):
    result = run(arguments, stdin, cwd=tmp_path)
    assert (result.stdout.decode("utf-8"), result.stderr, result.returncode) == (stdout, b"", status)


def test_a_long_batch_keeps_its_order(tmp_path):
    requests = ["max_hr %d" % age for age in range(100_000)]
    result = run([], "\n".join(requests).encode("ascii"), cwd=tmp_path)
    answers = result.stdout.decode("ascii").splitlines()
    assert answers == ["Maximum Heart Rate: %d bpm" % (220 - age) for age in range(100_000)]
    assert result.returncode == 0


@pytest.mark.parametrize("arguments", [["bmi", "70", "1.75"], []])
def test_a_closed_pipe_is_an_error_without_a_traceback(tmp_path, arguments):
    reader, writer = os.pipe()
    os.close(reader)
    try:
        result = run(arguments, b"bmi 70 1.75\n" * 100_000, stdout=writer, cwd=tmp_path)
    finally:
        os.close(writer)
    assert (result.returncode, result.stderr) == (1, b"")


@pytest.mark.skipif(not os.path.exists("/dev/full"), reason="needs /dev/full")
@pytest.mark.parametrize("arguments", [["bmi", "70", "1.75"], []])
def test_a_full_disk_is_an_error_with_a_message(tmp_path, arguments):
    with open("/dev/full", "wb") as full:
        result = run(arguments, b"bmi 70 1.75\n", stdout=full, cwd=tmp_path)
    assert result.returncode == 1
    assert result.stderr.decode().startswith("python -m tamsel_health: cannot write: ")
    assert b"Traceback" not in result.stderr


class _FailingInput:
    """A wrong request, then a read error."""

    def __init__(self):
        self.chunks = [b"nope\n"]

    def read1(self, size):
        if self.chunks:
            return self.chunks.pop()
        raise OSError(5, "Input/output error")


def test_a_read_error_wins_over_wrong_requests(monkeypatch, capsys):
    monkeypatch.setattr(sys, "stdin", types.SimpleNamespace(buffer=_FailingInput()))
    assert entry_point.main([]) == 1
    output = capsys.readouterr()
    assert output.out == "Unknown formula: nope\n"
    assert "cannot read standard input: Input/output error" in output.err


def test_version_and_help(tmp_path):
    version = run(["--version"], cwd=tmp_path)
    assert version.stdout.decode() == "tamsel_health %s\n" % entry_point.__version__
    help_text = run(["--help"], cwd=tmp_path).stdout.decode()
    assert help_text.startswith("Usage: python -m tamsel_health ")
    assert help_text.endswith(LISTING + "\n")
