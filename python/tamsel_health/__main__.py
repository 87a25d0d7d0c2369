# SPDX-License-Identifier: MIT
"""python -m tamsel_health: requests from the command line or standard input, as tamsel-health.

    python -m tamsel_health bmi 70 1.75     one request: the arguments joined by spaces
    python -m tamsel_health < requests.txt  one request per line (also with a single "-")

Options before the request: --json (one JSON object per answer), --csv (CSV with a header
row), --strict (a request with a warning is a wrong request), and -- to end them.

One request: an answer (a result or the listing) goes to standard output with exit status 0; a
wrong request (the banner, a usage or requirement line, an unknown formula) has its answer
written to standard error, with status 2. Standard input: UTF-8, one request a line; a
byte-order mark at the start, a carriage return at the end of a line and blank lines are
skipped; every answer goes to standard output in input order. Records (--json, --csv) always go
to standard output. Warnings go to standard error, the answer unchanged. Exit status 2 when any
request was wrong, 1 when reading or writing fails (which wins), 0 otherwise.
"""
import os
import sys
from typing import BinaryIO, List, Optional, Sequence, Tuple

from . import LibraryError, __version__, ask, calc_health
from ._answer import Answer
from ._native import ask_json

EXIT_ANSWERED = 0
EXIT_IO_ERROR = 1
EXIT_WRONG_REQUEST = 2
EXIT_INTERRUPTED = 130

PROGRAM = "python -m tamsel_health"
HELP = """\
Usage: {0} [OPTIONS] [--] FORMULA [ARGUMENTS...]  answer one request
       {0} [OPTIONS] [-]    answer each line of standard input
       {0} --version | --help

Options:
  --json    one JSON object per answer (JSON Lines)
  --csv     CSV with a header row
            fields: line, request, kind, text, value, unit, warnings, category,
            category_source, category_note
  --strict  a request with a warning is a wrong request
  --        the end of the options: the request follows, even if it starts with -

Warnings go to standard error as "{0}: warning: ..."; the answer is unchanged.
A category names the published class of a value; it diagnoses nothing.

Exit status: 0 for an answer, 2 for a wrong request (no formula, a usage line,
an unknown formula; with --strict, a warning), 1 when input or output fails.

""".format(PROGRAM)

_OPTIONS = ("--json", "--csv", "--strict")
_CSV_HEADER = "line,request,kind,text,value,unit,warnings,category,category_source,category_note\n"
_WRONG_KINDS = frozenset(("banner", "usage", "requirement", "unknown"))

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


def _requests(block: bytes, first_line: int) -> Tuple[List[Tuple[int, str]], int]:
    """The numbered requests in complete lines of input (a final CR dropped, blank lines
    skipped, but counted) and the number of the next line."""
    requests = []
    # A NUL cannot reach the library; like a byte that is not UTF-8, it reaches it as U+FFFD
    # (and so as "?"), which keeps one answer a line.
    lines = block.decode("utf-8", "replace").replace("\0", "\ufffd").split("\n")
    for number, line in enumerate(lines, first_line):
        # Files joined with cat carry a byte-order mark in the middle: one is skipped on any line.
        if line.startswith("\ufeff"):
            line = line[1:]
        if line.endswith("\r"):
            line = line[:-1]
        # Spaces and tabs are all that the library skips; a line of nothing else asks nothing.
        if line.strip(" \t"):
            requests.append((number, line))
    return requests, first_line + len(lines)


def _json_string(text: str) -> str:
    """A JSON string as the host program writes one: printable ASCII as it is, controls
    escaped (C1 and DEL too), other characters as themselves, a lone surrogate as U+FFFD."""
    out = ['"']
    for character in text:
        code = ord(character)
        if 0x20 <= code < 0x7F:
            out.append("\\" + character if character in '"\\' else character)
        elif character in "\n\r\t":
            out.append({"\n": "\\n", "\r": "\\r", "\t": "\\t"}[character])
        elif code < 0xA0:
            out.append("\\u%04x" % code)
        elif 0xD800 <= code <= 0xDFFF:
            out.append("\ufffd")
        else:
            out.append(character)
    out.append('"')
    return "".join(out)


def _csv_field(text: str) -> str:
    # A text cell that a spreadsheet would run as a formula gets a leading "'", as the host's.
    guard = "'" if text[:1] in ("=", "+", "-", "@", "\t", "\r") and text else ""
    if any(character in text for character in ',"\r\n'):
        return '"%s%s"' % (guard, text.replace('"', '""'))
    return guard + text


class _Form:
    """How answers are written: plain text, JSON Lines or CSV, and whether a warning makes a
    request wrong."""

    def __init__(self, options: List[str]) -> None:
        self.json = "--json" in options
        self.csv = "--csv" in options and not self.json
        self.strict = "--strict" in options
        self.header_written = False

    def answer(self, line: int, request: str) -> Tuple[str, bool, Answer]:
        """The text to write for one request, whether the request was wrong, and its answer."""
        if self.json:
            answer, members = ask_json(request)
        else:
            answer, members = ask(request), ""
        wrong = answer.kind in _WRONG_KINDS or bool(self.strict and answer.warnings)
        if self.json:
            return '{"line":%d,"request":%s,%s}\n' % (line, _json_string(request), members), wrong, answer
        if self.csv:
            header = "" if self.header_written else _CSV_HEADER
            self.header_written = True
            value = "" if answer.kind != "result" else _printed_number(answer)
            fields = [str(line), _csv_field(request), answer.kind, _csv_field(answer.text), value,
                      _csv_field(answer.unit), _csv_field("; ".join(answer.warnings)),
                      _csv_field(answer.category or ""), _csv_field(answer.category_source or ""),
                      _csv_field(answer.category_note or "")]
            return header + ",".join(fields) + "\n", wrong, answer
        return answer.text + "\n", wrong, answer


def _printed_number(answer: Answer) -> str:
    """The number of a result as printed ("0.00", "-0.00"), empty for inf and nan."""
    if answer.value is None:
        return ""
    rest = answer.text.partition(": ")[2]
    return rest[:len(rest) - len(answer.unit)].rstrip() if answer.unit else rest


def _warn(answer: Answer, line: Optional[int]) -> None:
    where = "" if line is None else "line %d: " % line
    for warning in answer.warnings:
        _complain("warning: %s%s" % (where, warning))


def _answer_input(input_stream: Optional[BinaryIO], output: Optional[BinaryIO], form: _Form) -> int:
    if input_stream is None:
        _complain("cannot read standard input: it is closed")
        return EXIT_IO_ERROR
    read = getattr(input_stream, "read1", None) or input_stream.read
    pending = bytearray()  # input after the last line break read so far
    at_start = True
    wrong = False
    counts = [0, 0, 0]  # requests, wrong ones, ones with warnings
    line = 1
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
        requests, line = _requests(block, line)
        texts: List[str] = []
        for number, request in requests:
            text, request_wrong, answer = form.answer(number, request)
            wrong = wrong or request_wrong
            counts[0] += 1
            counts[1] += request_wrong
            counts[2] += bool(answer.warnings)
            if answer.warnings:
                if texts:  # the answers before the warning come before it
                    _write(output, "".join(texts))
                    texts = []
                _warn(answer, number)
            texts.append(text)
        if texts:
            _write(output, "".join(texts))
    if form.csv and not form.header_written:
        _write(output, _CSV_HEADER)
    if counts[2]:
        # Warnings scroll past by the thousand in a large batch; one line at the end counts them.
        _complain("%d request%s, %d wrong, %d with warnings"
                  % (counts[0], "" if counts[0] == 1 else "s", counts[1], counts[2]))
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
    options = []
    while arguments and arguments[0] in _OPTIONS:
        options.append(arguments.pop(0))
    form = _Form(options)
    ended = bool(arguments) and arguments[0] == "--"
    if ended:
        arguments = arguments[1:]
    if not arguments or arguments == ["-"] and not ended:
        return _answer_input(_binary(sys.stdin), stdout, form)
    request = " ".join(arguments)
    text, wrong, answer = form.answer(1, request)
    records = form.json or form.csv
    _write(_binary(sys.stderr) if wrong and not records else stdout, text)
    _warn(answer, None)
    return EXIT_WRONG_REQUEST if wrong else EXIT_ANSWERED


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
