#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The Python package's pytest suite, run against the package installed into a new venv.

The package is installed as users install it offline (pip install --no-build-isolation), with
the extension module this build has just made bundled in (TAMSEL_HEALTH_PREBUILT_EXTENSION)
rather than built again, when it was built for the Python that runs the suite; CI installs it
with its own CMake build as well. The first Python found that has pytest runs it; with none (a
fresh machine), the test is skipped with a message.
"""
import argparse
import os
import shutil
import subprocess
import sys

SKIPPED = 77


def has_modules(python, *modules):
    probe = subprocess.run([python, "-c", "import " + ", ".join(modules)],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return probe.returncode == 0


def skip(reason):
    print("SKIPPED: %s" % reason)
    return SKIPPED


def make_venv(python, venv):
    """A venv that sees the system's pytest; pip comes from the system too when it has one."""
    interpreter = os.path.join(venv, "Scripts" if os.name == "nt" else "bin", "python")
    shutil.rmtree(venv, ignore_errors=True)
    subprocess.run([python, "-m", "venv", "--system-site-packages", "--without-pip", venv], check=True)
    if not has_modules(interpreter, "pip"):
        subprocess.run([python, "-m", "venv", "--system-site-packages", "--clear", venv], check=True)
    return interpreter


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--source", required=True, help="the package's directory (python/)")
    parser.add_argument("--extension", required=True, help="the extension module to bundle")
    parser.add_argument("--work", required=True, help="a directory for the venv")
    parser.add_argument("--python", action="append", default=[], help="a Python to try")
    parser.add_argument("--program", help="tamsel-health, whose records the package's must equal")
    options = parser.parse_args()
    source = os.path.abspath(options.source)

    candidates = options.python + [sys.executable, shutil.which("python3"), "/usr/bin/python3"]
    pythons = [python for python in dict.fromkeys(candidates) if python and os.path.exists(python)]
    python = next((python for python in pythons if has_modules(python, "pytest", "venv")), None)
    if python is None:
        return skip("no Python 3 here has pytest; on Debian: apt-get install python3-pytest "
                    "python3-venv")
    if not has_modules(python, "ensurepip") and not has_modules(python, "pip"):
        return skip("%s has neither pip nor ensurepip; on Debian: apt-get install python3-venv" % python)

    os.makedirs(options.work, exist_ok=True)
    venv_python = make_venv(python, os.path.join(options.work, "venv"))
    environment = {name: value for name, value in os.environ.items() if name != "PYTHONPATH"}
    environment.update(PYTHONDONTWRITEBYTECODE="1", PIP_DISABLE_PIP_VERSION_CHECK="1",
                       PIP_NO_CACHE_DIR="1", PIP_NO_INPUT="1")
    suffix = subprocess.run([venv_python, "-c", "import sysconfig; print(sysconfig.get_config_var('EXT_SUFFIX'))"],
                            check=True, capture_output=True, text=True).stdout.strip()
    if options.extension.endswith("_native" + suffix):
        environment["TAMSEL_HEALTH_PREBUILT_EXTENSION"] = options.extension
    else:
        print("%s was built for another Python than %s: pip builds one" % (options.extension, python))
    subprocess.run([venv_python, "-m", "pip", "install", "--quiet", "--no-build-isolation",
                    "--no-index", "--no-deps", source], check=True, env=environment)
    environment.pop("TAMSEL_HEALTH_PREBUILT_EXTENSION", None)
    environment["TAMSEL_HEALTH_EXPECT_INSTALLED"] = "1"
    if options.program:
        environment["TAMSEL_HEALTH_PROGRAM"] = os.path.abspath(options.program)
    # From the work directory, so that the package imported is the installed one.
    tests = os.path.join(source, "tests")
    return subprocess.run([venv_python, "-m", "pytest", "-q", "-p", "no:cacheprovider", tests],
                          cwd=options.work, env=environment).returncode


if __name__ == "__main__":
    sys.exit(main())
