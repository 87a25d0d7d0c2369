# SPDX-License-Identifier: MIT
"""python -m tamsel_health: requests from the command line or standard input, as tamsel-health.

    python -m tamsel_health bmi 70 1.75     one request: the arguments joined by spaces
    python -m tamsel_health < requests.txt  one request per line (also with a single "-")

One request: an answer (a result or the listing) goes to standard output with exit status 0; a
wrong request (the banner, a usage or requirement line, an unknown formula) has its answer
written to standard error, with status 2. Standard input: UTF-8, one request a line; a
byte-order mark at the start, a carriage return at the end of a line and blank lines are
skipped; every answer goes to standard output in input order. Exit status 2 when any request
was wrong, 1 when reading or writing fails (which wins), 0 otherwise.
"""
from __future__ import annotations

import os
import sys
from typing import BinaryIO, List, Optional, Sequence

from . import LibraryError, __version__, calc_health, calc_many
from ._answer import is_wrong_request

EXIT_ANSWERED = 0
EXIT_IO_ERROR = 1
EXIT_WRONG_REQUEST = 2
EXIT_INTERRUPTED = 130

PROGRAM = "python -m tamsel_health"
HELP = """\
Usage: {0} FORMULA [ARGUMENTS...]  answer one request
       {0} [-]                     answer each line of standard input
       {0} --version | --help

Exit status: 0 for an answer, 2 for a wrong request (no formula, a usage line,
an unknown formula), 1 when input or output fails.

""".format(PROGRAM)

_READ_SIZE = 64 * 1024
_BYTE_ORDER_MARK = b"\xef\xbb\xbf"


class _OutputFailed(Exception):
    pass


def _complain(message: str) -> None:
    try:
        sys.stderr.write("%s: %s\n" % (PROGRAM, message))
        sys.stderr.flush()
    except (OSError, ValueError, AttributeError):
        pass


def _write(stream: Optional[BinaryIO], text: str) -> None:
    """Writes and flushes UTF-8 text; raises _OutputFailed, having said why, when it cannot."""
    try:
        if stream is None:
            raise OSError("the stream is closed")
        stream.write(text.encode("utf-8", "replace"))
        stream.flush()
    except OSError as error:
        # A reader that went away (a closed pipe) is no news to the user; anything else is.
        if not isinstance(error, BrokenPipeError):
            _complain("cannot write: %s" % (error.strerror or error))
        _discard_pending_output(stream)
        raise _OutputFailed() from error


def _discard_pending_output(stream: Optional[BinaryIO]) -> None:
    # What is still buffered would fail again when Python flushes it at exit, with a traceback;
    # it goes to the null device instead.
    try:
        null = os.open(os.devnull, os.O_WRONLY)
        os.dup2(null, stream.fileno())  # type: ignore[union-attr]
        os.close(null)
    except (OSError, ValueError, AttributeError):
        pass


def _binary(stream: object) -> Optional[BinaryIO]:
    return getattr(stream, "buffer", None)


def _requests(block: bytes) -> List[str]:
    """The requests in complete lines of input: a final CR dropped, blank lines skipped."""
    requests = []
    # A NUL cannot reach the library; like a byte that is not UTF-8, it reaches it as U+FFFD
    # (and so as "?"), which keeps one answer a line.
    for line in block.decode("utf-8", "replace").replace("\0", "\ufffd").split("\n"):
        if line.endswith("\r"):
            line = line[:-1]
        # Spaces and tabs are all that the library skips; a line of nothing else asks nothing.
        if line.strip(" \t"):
            requests.append(line)
    return requests


def _answer_input(input_stream: Optional[BinaryIO], output: Optional[BinaryIO]) -> int:
    if input_stream is None:
        _complain("cannot read standard input: it is closed")
        return EXIT_IO_ERROR
    read = getattr(input_stream, "read1", None) or input_stream.read
    pending = bytearray()  # input after the last line break read so far
    at_start = True
    wrong = False
    while True:
        # Whatever was answered has been written before a read that may wait, so that a
        # program talking to us line by line gets each answer.
        try:
            chunk = read(_READ_SIZE)
        except OSError as error:
            _complain("cannot read standard input: %s" % (error.strerror or error))
            return EXIT_IO_ERROR
        if chunk:
            searched_from = len(pending)
            pending += chunk
            cut = pending.rfind(b"\n", searched_from)
            if cut == -1:
                continue
            block = bytes(pending[:cut])
            del pending[:cut + 1]
        elif pending:
            block = bytes(pending)  # the last line, with no line break after it
            pending.clear()
        else:
            break
        if at_start:
            at_start = False
            if block.startswith(_BYTE_ORDER_MARK):
                block = block[len(_BYTE_ORDER_MARK):]
        answers = calc_many(_requests(block))
        if answers:
            wrong = wrong or any(is_wrong_request(answer) for answer in answers)
            _write(output, "\n".join(answers) + "\n")
    return EXIT_WRONG_REQUEST if wrong else EXIT_ANSWERED


def _run(arguments: List[str]) -> int:
    stdout = _binary(sys.stdout)
    # Only the first argument can be an option, so that "-70" stays a value.
    first = arguments[0] if arguments else None
    if first == "--version":
        _write(stdout, "tamsel_health %s\n" % __version__)
        return EXIT_ANSWERED
    if first == "--help":
        _write(stdout, HELP + calc_health("help") + "\n")
        return EXIT_ANSWERED
    if first == "--":
        arguments = arguments[1:]
    if not arguments or arguments == ["-"] and first != "--":
        return _answer_input(_binary(sys.stdin), stdout)
    answer = calc_health(" ".join(arguments))
    if is_wrong_request(answer):
        _write(_binary(sys.stderr), answer + "\n")
        return EXIT_WRONG_REQUEST
    _write(stdout, answer + "\n")
    return EXIT_ANSWERED


def main(arguments: Optional[Sequence[str]] = None) -> int:
    """Runs the program on its arguments (sys.argv[1:] by default); returns the exit status."""
    try:
        return _run(list(sys.argv[1:] if arguments is None else arguments))
    except _OutputFailed:
        return EXIT_IO_ERROR
    except LibraryError as error:
        _complain(str(error))
        return EXIT_IO_ERROR
    except KeyboardInterrupt:
        return EXIT_INTERRUPTED


if __name__ == "__main__":
    sys.exit(main())
