#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Mutation testing: does the native suite notice when the library's code is wrong?

Makes one small change (a mutant) at a time to the library's sources, rebuilds, runs the
native suite and records whether a test failed. A change the suite lets through is a fault
it would let through too, unless the change is harmless.

    tools/mutate.py list [PATHS...]          the mutants, one a line, without running them
    tools/mutate.py run [PATHS...]           build and test every mutant, recording the outcome
    tools/mutate.py report RESULTS [BEFORE]  the score, the survivors, and a comparison

PATHS are source files or directories inside the project, frame/ and formulas/ by default;
a new directory of sources is measured by naming it (tools/mutate.py run numerics/).

The work happens in a copy of the project (--work, build/mutate by default), taken from the
working tree or from a git revision (--revision), so the working tree is never changed and
can be edited while a run goes on. The copy is configured once as a Release build without
-Werror; each mutant then costs one recompile of what includes the changed file, the links,
and the tests that run the library. The package tests (--skip) only build the examples again.

A mutant is named by its file, the text of its line, its place in that line and the change,
not by its line number, so two runs on slightly different code share every mutant whose line
did not change, and a sample (--percent, --seed) picks the same ones both times. Results are
appended to a file as they come (JSON, one mutant a line), so a run that stops can go on:
mutants already in the file are not run again.

Outcomes: killed (a test failed or timed out), survived, equivalent (the compiler made the
very same object code, so no test could tell), uncompilable, and unbuilt (the file is not
part of the native build, such as the Windows conversion). The score is killed / (killed +
survived).
"""
import argparse
import hashlib
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tarfile
import io
import time
from pathlib import Path

PROJECT = Path(__file__).resolve().parent.parent
DEFAULT_PATHS = ["frame", "formulas"]
SOURCE_SUFFIXES = {".cpp", ".h", ".hpp", ".cc", ".c"}
# Tests that build the examples again and can only see what the other tests see.
DEFAULT_SKIP = r"^(package_install|consumer_.*)$"

# ---------------------------------------------------------------------------------------------
# A lexer just good enough to find the operators and numbers of C++ code, never those inside
# comments, string or character literals, or preprocessor lines.

TOKEN_PATTERN = re.compile(
    r"""
    (?P<space>[ \t]+)
  | (?P<newline>\n)
  | (?P<comment>//[^\n]*|/\*.*?\*/)
  | (?P<string>(?:u8|u|U|L)?"(?:\\.|[^"\\\n])*")
  | (?P<char>(?:u8|u|U|L)?'(?:\\.|[^'\\\n])*')
  | (?P<number>(?:0[xX][0-9a-fA-F']+|(?:\d[\d']*\.?\d*|\.\d+)(?:[eE][+-]?\d+)?)[uUlLfF]*)
  | (?P<identifier>[A-Za-z_]\w*)
  | (?P<operator><<=|>>=|->\*|\.\.\.|->|::|\+\+|--|<<|>>|<=|>=|==|!=|&&|\|\||[-+*/%&|^]=|[-+*/%&|^!~<>=?:;,.(){}\[\]#])
  | (?P<other>.)
    """,
    re.VERBOSE | re.DOTALL,
)


class Token:
    __slots__ = ("kind", "text", "start", "line")

    def __init__(self, kind, text, start, line):
        self.kind, self.text, self.start, self.line = kind, text, start, line

    @property
    def end(self):
        return self.start + len(self.text)


def tokens_of(source):
    """The code tokens of `source`, each with its offset and line; preprocessor lines are left out."""
    result = []
    line = 1
    at_line_start = True
    in_directive = False
    for match in TOKEN_PATTERN.finditer(source):
        kind, text = match.lastgroup, match.group()
        if kind == "newline":
            # A directive ends at a newline that no backslash continues.
            if in_directive and source[match.start() - 1] != "\\":
                in_directive = False
            line += 1
            at_line_start = True
            continue
        if kind == "comment":
            line += text.count("\n")
            continue
        if kind == "space":
            continue
        if at_line_start and text == "#":
            in_directive = True
        at_line_start = False
        if not in_directive:
            result.append(Token(kind, text, match.start(), line))
    return result


# Binary operators are written with a space on each side in this code base; a pointer star,
# a reference ampersand or a template bracket never is.
BINARY_REPLACEMENTS = {
    "<": ["<="], "<=": ["<"], ">": [">="], ">=": [">"],
    "==": ["!="], "!=": ["=="],
    "+": ["-"], "-": ["+"], "*": ["/"], "/": ["*"], "%": ["/"],
    "&&": ["||"], "||": ["&&"],
    "&": ["|"], "|": ["&"], "^": ["|"], "<<": [">>"], ">>": ["<<"],
    "+=": ["-="], "-=": ["+="], "*=": ["/="], "/=": ["*="], "|=": ["&="], "&=": ["|="],
}
# Words after which a bracket opens a template's parameters.
TEMPLATE_WORDS = {"template"}
STATEMENT_KEYWORDS = {
    "if", "for", "while", "do", "switch", "return", "else", "case", "default", "break", "continue",
    "goto", "using", "namespace", "template", "typedef", "struct", "enum", "class", "union",
    "constexpr", "const", "static", "inline", "extern", "auto", "bool", "char", "int", "double",
    "float", "unsigned", "signed", "void", "long", "short", "static_assert", "public", "private",
    "protected", "friend", "virtual", "explicit", "operator", "noexcept", "throw", "try", "catch",
}


class Mutant:
    __slots__ = ("path", "start", "end", "replacement", "operator", "line", "key", "line_text")

    def describe(self, source):
        return f"{self.path}:{self.line}: {source[self.start:self.end]!r} -> {self.replacement!r} ({self.operator})"


def spaced(source, token):
    return (token.start > 0 and source[token.start - 1] in " \t") and (
        token.end < len(source) and source[token.end] in " \t\n")


def number_variants(text):
    """Nearby values of a literal: one up and one down for an integer, the last digit moved for
    a real."""
    hexadecimal = re.fullmatch(r"(0[xX])([0-9a-fA-F']+)([uUlL]*)", text)
    if hexadecimal:
        prefix, body, suffix = hexadecimal.groups()
        value = int(body.replace("'", ""), 16)
        width = len(body)
        variants = [value + 1] + ([value - 1] if value > 0 else [])
        return [prefix + format(v, "0%dX" % width if body.isupper() else "0%dx" % width) + suffix
                for v in variants]
    body, suffix = re.fullmatch(r"(.*?)([uUlLfF]*)", text).groups()
    if re.fullmatch(r"[\d']+", body):
        value = int(body.replace("'", ""))
        variants = [value + 1] + ([value - 1] if value > 0 else [])
        return [str(v) + suffix for v in variants]
    # A real: change the last digit of its significand by one.
    mantissa, _, exponent = body.partition("e") if "e" in body else body.partition("E")
    marker = body[len(mantissa)] if exponent else ""
    digits = [i for i, c in enumerate(mantissa) if c.isdigit()]
    if not digits:
        return []
    last = digits[-1]
    digit = int(mantissa[last])
    changed = mantissa[:last] + str(digit + 1 if digit < 9 else digit - 1) + mantissa[last + 1:]
    return [changed + marker + exponent + suffix]


def closes_control_header(tokens, index):
    """Whether the ")" at `index` ends the head of an if, while or for, after which a
    statement starts."""
    depth = 0
    for back in range(index, -1, -1):
        text = tokens[back].text
        depth += text == ")"
        depth -= text == "("
        if depth == 0:
            return back > 0 and tokens[back - 1].text in {"if", "while", "for"}
    return False


def expression_statements(tokens):
    """Statements that compute something for its effect (a call, an assignment, an increment):
    each can be replaced by an empty statement. Declarations are left alone."""
    spans = []
    depth_before = []  # open ( and [ before each token: a statement never starts inside them
    depth = 0
    for token in tokens:
        depth_before.append(depth)
        depth += token.text in {"(", "["}
        depth -= token.text in {")", "]"}
    for index, first in enumerate(tokens):
        if depth_before[index] != 0:
            continue
        previous = tokens[index - 1] if index > 0 else None
        starts = previous is None or previous.text in {";", "{", "}", "else"} or (
            previous.text == ")" and closes_control_header(tokens, index - 1))
        if not starts or not (first.kind == "identifier" or first.text in {"++", "--", "*"}):
            continue
        if first.text in STATEMENT_KEYWORDS:
            continue
        end, depth = index, 0
        while end < len(tokens):
            text = tokens[end].text
            if text in {"(", "["}:
                depth += 1
            elif text in {")", "]"}:
                depth -= 1
            elif text in {"{", "}"} and depth == 0:
                break
            elif text == ";" and depth == 0:
                break
            end += 1
        if end >= len(tokens) or tokens[end].text != ";":
            continue
        words = tokens[index:end]
        # Two names in a row ("Type name", "std::size_t name") make a declaration.
        if any(a.kind == "identifier" and b.kind == "identifier" for a, b in zip(words, words[1:])):
            continue
        if any(t.text in {"=", "+=", "-=", "*=", "/=", "|=", "&=", "++", "--", "("} for t in words):
            spans.append((first.start, tokens[end].end, first.line))
    return spans


def unary_minus(tokens, index):
    """Whether the "-" at `index` negates what follows it, such as "-value" or "-static_cast"."""
    token, following = tokens[index], tokens[index + 1] if index + 1 < len(tokens) else None
    previous = tokens[index - 1] if index > 0 else None
    if following is None or following.start != token.end or previous is None:
        return False
    if following.kind not in {"identifier", "number"} and following.text != "(":
        return False
    return previous.text == "return" or (previous.kind == "operator" and previous.text not in {")", "]", "++", "--"})


def mutants_of(path, source):
    tokens = tokens_of(source)
    lines = source.split("\n")
    found = []
    seen = {}

    def add(start, end, replacement, operator, line):
        mutant = Mutant()
        mutant.path, mutant.start, mutant.end = path, start, end
        mutant.replacement, mutant.operator, mutant.line = replacement, operator, line
        text = lines[line - 1]
        column = start - (source.rfind("\n", 0, start) + 1) - (len(text) - len(text.lstrip()))
        mutant.line_text = text
        # Stable across edits elsewhere: the file, the line's text, the column, the change.
        key_text = "\0".join([path, text.strip(), str(column), source[start:end], replacement, operator])
        # Identical lines in one file are told apart by their order.
        seen[key_text] = seen.get(key_text, 0) + 1
        key_text += "\0" + str(seen[key_text])
        mutant.key = hashlib.sha256(key_text.encode()).hexdigest()[:16]
        found.append(mutant)

    for index, token in enumerate(tokens):
        previous = tokens[index - 1] if index > 0 else None
        following = tokens[index + 1] if index + 1 < len(tokens) else None
        if token.kind == "operator":
            if token.text in BINARY_REPLACEMENTS and spaced(source, token):
                if token.text in {"<", ">"} and previous is not None and previous.text in TEMPLATE_WORDS:
                    continue
                for replacement in BINARY_REPLACEMENTS[token.text]:
                    add(token.start, token.end, replacement, "binary", token.line)
            elif token.text in {"++", "--"}:
                add(token.start, token.end, "--" if token.text == "++" else "++", "increment", token.line)
            elif token.text == "!" and following is not None and following.start == token.end:
                add(token.start, token.end, "", "negation", token.line)
            elif token.text == "-" and unary_minus(tokens, index):
                add(token.start, token.end, "", "unary minus", token.line)
        elif token.kind == "number":
            for replacement in number_variants(token.text):
                add(token.start, token.end, replacement, "number", token.line)
        elif token.kind == "char" and re.fullmatch(r"'[ -&(-\[\]-~]'", token.text):
            add(token.start, token.end, "'" + chr(ord(token.text[1]) + 1) + "'", "character", token.line)
        elif token.kind == "identifier" and token.text in {"true", "false"}:
            add(token.start, token.end, "false" if token.text == "true" else "true", "boolean", token.line)
    for start, end, line in expression_statements(tokens):
        add(start, end, ";", "statement", line)
    found.sort(key=lambda m: (m.start, m.end, m.operator, m.replacement))
    return found


# ---------------------------------------------------------------------------------------------
# Choosing the mutants.

def source_files(root, paths):
    files = []
    for name in paths:
        path = (root / name)
        if path.is_dir():
            files += sorted(p for p in path.rglob("*") if p.suffix in SOURCE_SUFFIXES and p.is_file())
        elif path.is_file():
            files.append(path)
        else:
            sys.exit(f"mutate: no such file or directory in the project: {name}")
    return sorted(set(files))


def selected(mutant, percent, seed):
    if percent >= 100:
        return True
    digest = hashlib.sha256(f"{seed}:{mutant.key}".encode()).digest()
    return int.from_bytes(digest[:8], "big") % 10000 < percent * 100


def all_mutants(root, paths, percent, seed, match=None):
    chosen = []
    pattern = re.compile(match) if match else None
    for file in source_files(root, paths):
        relative = file.relative_to(root).as_posix()
        source = file.read_text()
        chosen += [(m, source) for m in mutants_of(relative, source) if selected(m, percent, seed)
                   and (pattern is None or pattern.search(f"{m.key} {m.describe(source)}"))]
    return chosen


# ---------------------------------------------------------------------------------------------
# Running them.

def run(command, timeout=None):
    """Runs `command`, its output and errors together; on a timeout it stops the command and
    everything it started, and reports a failure."""
    process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, errors="replace",
                               start_new_session=True)
    try:
        output, _ = process.communicate(timeout=timeout)
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        output, _ = process.communicate()
        return subprocess.CompletedProcess(command, -1, (output or "") + "\n(timed out)")
    return subprocess.CompletedProcess(command, process.returncode, output)


def project_files(revision):
    """The project's files, name to contents: from git at `revision`, or the working tree."""
    files = {}
    if revision:
        archive = subprocess.run(["git", "-C", str(PROJECT), "archive", "--format=tar", revision],
                                 check=True, stdout=subprocess.PIPE).stdout
        with tarfile.open(fileobj=io.BytesIO(archive)) as tar:
            for member in tar.getmembers():
                if member.isfile():
                    files[member.name] = (tar.extractfile(member).read(), member.mode)
        return files
    listed = subprocess.run(["git", "-C", str(PROJECT), "ls-files", "-z", "--cached", "--others",
                             "--exclude-standard"], check=True, stdout=subprocess.PIPE).stdout
    for name in listed.decode().split("\0"):
        path = PROJECT / name
        if name and path.is_file():
            files[name] = (path.read_bytes(), path.stat().st_mode)
    return files


def copy_project(work, revision):
    """Brings `work`/src up to date with the project. Only files whose contents differ are
    written, so the build in `work` recompiles no more than what changed since the last run."""
    source = work / "src"
    files = project_files(revision)
    for name, (contents, mode) in files.items():
        target = source / name
        if target.is_file() and target.read_bytes() == contents:
            continue
        target.parent.mkdir(parents=True, exist_ok=True)
        target.write_bytes(contents)
        target.chmod(mode & 0o777)
    if source.exists():
        for path in sorted(source.rglob("*"), reverse=True):
            name = path.relative_to(source).as_posix()
            if path.is_file() and name not in files:
                path.unlink()
    return source


def object_hashes(build):
    return {str(p): hashlib.sha256(p.read_bytes()).hexdigest() for p in build.rglob("*.o")}


def dependants(build, source_root):
    """For every source and header, the objects whose compilation read it (from ninja's log)."""
    listing = run(["ninja", "-C", str(build), "-t", "deps"]).stdout
    users = {}
    current = None
    for line in listing.splitlines():
        if line and not line.startswith(" "):
            current = str(build / line.split(":")[0])
        elif line.strip() and current:
            dependency = Path(line.strip())
            if not dependency.is_absolute():
                dependency = (build / dependency).resolve()
            users.setdefault(str(dependency), set()).add(current)
    return users


class Runner:
    def __init__(self, work, revision, skip, timeout, compiler_launcher, cmake_options):
        self.work = work
        self.source = copy_project(work, revision)
        self.build = work / "build"
        self.skip = skip
        self.timeout = timeout
        configure = ["cmake", "-S", str(self.source), "-B", str(self.build), "-G", "Ninja",
                     "-DCMAKE_BUILD_TYPE=Release", "-DTAMSEL_WERROR=OFF"]
        if compiler_launcher:
            configure += [f"-DCMAKE_C_COMPILER_LAUNCHER={compiler_launcher}",
                          f"-DCMAKE_CXX_COMPILER_LAUNCHER={compiler_launcher}"]
        configure += cmake_options
        self.check(run(configure), "configure")
        self.check(run(["ninja", "-C", str(self.build)]), "build")
        started = time.monotonic()
        self.check(self.test(), "the suite fails without any mutant")
        self.suite_seconds = time.monotonic() - started
        self.baseline = object_hashes(self.build)
        self.users = dependants(self.build, self.source)

    @staticmethod
    def check(result, what):
        if result.returncode != 0:
            sys.exit(f"mutate: {what}:\n{result.stdout[-4000:]}")

    def test(self):
        return run(["ctest", "--test-dir", str(self.build), "-E", self.skip, "-j", "2", "--stop-on-failure",
                    "--timeout", str(self.timeout), "--output-on-failure"], timeout=self.timeout * 4)

    def outcome(self, mutant, source):
        file = self.source / mutant.path
        objects = self.users.get(str(file.resolve()), set())
        if not objects:
            return "unbuilt", ""
        mutated = source[:mutant.start] + mutant.replacement + source[mutant.end:]
        file.write_text(mutated)
        try:
            built = run(["ninja", "-C", str(self.build)], timeout=600)
            if built.returncode != 0:
                return "uncompilable", ""
            if all(self.baseline.get(o) == hashlib.sha256(Path(o).read_bytes()).hexdigest() for o in objects):
                return "equivalent", ""
            tested = self.test()
            if tested.returncode == 0:
                return "survived", ""
            failed = re.findall(r"^\s*\d+ - (\S+) \(", tested.stdout, re.MULTILINE)
            return "killed", " ".join(failed) or "timeout"
        finally:
            file.write_text(source)


# ---------------------------------------------------------------------------------------------
# Commands.

def read_results(path):
    results = {}
    if path.exists():
        for line in path.read_text().splitlines():
            if line.strip():
                entry = json.loads(line)
                results[entry["key"]] = entry
    return results


def command_list(options):
    root = PROJECT
    for mutant, source in all_mutants(root, options.paths, options.percent, options.seed, options.match):
        print(mutant.key, mutant.describe(source))


def command_run(options):
    os.nice(options.nice)
    work = Path(options.work).resolve()
    work.mkdir(parents=True, exist_ok=True)
    results_path = Path(options.results).resolve() if options.results else work / "results.jsonl"
    done = read_results(results_path)
    runner = Runner(work, options.revision, options.skip, options.timeout, options.launcher, options.cmake_option)
    mutants = all_mutants(runner.source, options.paths, options.percent, options.seed, options.match)
    print(f"{len(mutants)} mutants; the suite takes {runner.suite_seconds:.1f} s; results in {results_path}",
          flush=True)
    with results_path.open("a") as results:
        for number, (mutant, source) in enumerate(mutants, 1):
            if mutant.key in done:
                continue
            started = time.monotonic()
            outcome, detail = runner.outcome(mutant, source)
            entry = {"key": mutant.key, "path": mutant.path, "line": mutant.line, "operator": mutant.operator,
                     "original": source[mutant.start:mutant.end], "replacement": mutant.replacement,
                     "line_text": mutant.line_text.strip(), "outcome": outcome, "detail": detail,
                     "seconds": round(time.monotonic() - started, 1)}
            results.write(json.dumps(entry) + "\n")
            results.flush()
            print(f"[{number}/{len(mutants)}] {outcome:12} {mutant.describe(source)} {detail}", flush=True)
    # Leave the copy built as it was, for the next run to start from.
    run(["ninja", "-C", str(runner.build)])
    command_report(argparse.Namespace(results=str(results_path), before=None, survivors=True))


def score_line(entries):
    counts = {}
    for entry in entries:
        counts[entry["outcome"]] = counts.get(entry["outcome"], 0) + 1
    killed, survived = counts.get("killed", 0), counts.get("survived", 0)
    score = 100.0 * killed / (killed + survived) if killed + survived else 0.0
    others = ", ".join(f"{counts[k]} {k}" for k in ("equivalent", "uncompilable", "unbuilt") if k in counts)
    return f"{killed} killed, {survived} survived: score {score:.1f}%" + (f" ({others})" if others else "")


def command_report(options):
    results = read_results(Path(options.results))
    print(f"all mutants in {options.results}: {score_line(results.values())}")
    if options.before:
        before = read_results(Path(options.before))
        common = sorted(set(results) & set(before))
        print(f"the {len(common)} mutants in both runs (unchanged lines only):")
        print(f"  before: {score_line(before[k] for k in common)}")
        print(f"  after:  {score_line(results[k] for k in common)}")
        newly = [results[k] for k in common if before[k]["outcome"] == "survived" and results[k]["outcome"] == "killed"]
        print(f"  {len(newly)} survivors of before are killed now")
    if options.survivors:
        print("survivors:")
        for entry in sorted(results.values(), key=lambda e: (e["path"], e["line"], e["key"])):
            if entry["outcome"] == "survived":
                print(f"  {entry['key']} {entry['path']}:{entry['line']}: {entry['original']!r} -> "
                      f"{entry['replacement']!r} ({entry['operator']})   {entry['line_text']}")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    commands = parser.add_subparsers(dest="command", required=True)

    def choosing(sub):
        sub.add_argument("paths", nargs="*", default=DEFAULT_PATHS,
                         help="source files or directories of the project (default: frame formulas)")
        sub.add_argument("--percent", type=float, default=100.0, help="run this share of the mutants (default all)")
        sub.add_argument("--seed", default="1", help="which sample --percent takes")
        sub.add_argument("--match", help="only the mutants whose key or description (as list prints it) "
                                          "this regular expression finds")

    listing = commands.add_parser("list", help="print the mutants")
    choosing(listing)
    running = commands.add_parser("run", help="build and test every mutant")
    choosing(running)
    running.add_argument("--work", default=str(PROJECT / "build" / "mutate"), help="scratch directory")
    running.add_argument("--revision", help="take the sources from this git revision, not the working tree")
    running.add_argument("--results", help="results file (default WORK/results.jsonl); a run goes on from it")
    running.add_argument("--skip", default=DEFAULT_SKIP, help="regular expression of tests not to run")
    running.add_argument("--timeout", type=int, default=60, help="seconds a test may take")
    running.add_argument("--launcher", help="compiler launcher, such as ccache")
    running.add_argument("--cmake-option", action="append", default=[], metavar="-DNAME=VALUE",
                         help="another option for configuring the copy, such as sanitizer flags; "
                              "give a --work of its own")
    running.add_argument("--nice", type=int, default=19, help="niceness increment (default 19)")
    reporting = commands.add_parser("report", help="score and survivors of a results file")
    reporting.add_argument("results")
    reporting.add_argument("before", nargs="?", help="an earlier results file to compare with")
    reporting.add_argument("--survivors", action="store_true", help="list the mutants that survived")

    options = parser.parse_args()
    {"list": command_list, "run": command_run, "report": command_report}[options.command](options)


if __name__ == "__main__":
    main()
