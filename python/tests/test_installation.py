# SPDX-License-Identifier: MIT
"""Which library the package calls, and the wheel and source distribution that carry it."""
import os
import re
import shutil
import subprocess
import sys
import tarfile
import zipfile
from pathlib import Path

import pytest

import tamsel_health

PACKAGE_ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(PACKAGE_ROOT / "build_backend"))
import tamsel_health_build as backend  # noqa: E402

_DATA_FILTER = {"filter": "data"} if hasattr(tarfile, "data_filter") else {}


def run_python(code, tmp_path, **environment):
    return subprocess.run([sys.executable, "-c", code], cwd=tmp_path, env=dict(os.environ, **environment),
                          capture_output=True, text=True)


@pytest.mark.skipif(not os.environ.get("TAMSEL_HEALTH_EXPECT_INSTALLED"),
                    reason="the package under test is not an installed one")
def test_the_installed_package_carries_its_calculator(tmp_path):
    package_dir = Path(tamsel_health.__file__).resolve().parent
    assert PACKAGE_ROOT not in package_dir.parents, "testing the source tree, not the installation"
    assert tamsel_health.__version__ == backend.project_version(backend.native_root())
    # From another directory, with no library path of any kind.
    result = run_python("import tamsel_health; print(tamsel_health.library_path());"
                        "print(tamsel_health.calc_health('bmi 70 1.75'))", tmp_path,
                        LD_LIBRARY_PATH="")
    assert result.returncode == 0, result.stderr
    path, answer = result.stdout.splitlines()
    assert Path(path) == package_dir / backend.EXTENSION
    assert answer == "BMI: 22.86"


@pytest.mark.skipif(not sys.platform.startswith("linux"), reason="ELF symbols")
def test_the_extension_exports_its_entry_alone():
    nm = shutil.which("nm")
    if nm is None:
        pytest.skip("needs nm (binutils)")
    symbols = subprocess.run([nm, "-D", "--defined-only", tamsel_health.library_path()],
                             capture_output=True, text=True, check=True).stdout.split()
    assert "PyInit__native" in symbols
    assert "CalcHealth" not in symbols  # another copy of the library in the process stays apart


def test_a_package_without_its_extension_says_how_to_build_it(tmp_path):
    copy = tmp_path / "tamsel_health"
    copy.mkdir()
    for source in (PACKAGE_ROOT / "tamsel_health").glob("*.py"):
        shutil.copy(source, copy)
    result = run_python("try:\n import tamsel_health\n"
                        "except OSError as error:\n print(type(error).__name__, error)",
                        tmp_path, PYTHONPATH=str(tmp_path))
    assert result.stdout.startswith("LibraryError tamsel_health has no compiled calculator")
    assert "pip install ./python" in result.stdout


def test_the_wheel_carries_the_extension_and_a_true_record(tmp_path, monkeypatch):
    monkeypatch.setenv(backend.PREBUILT_VARIABLE, tamsel_health.library_path())
    name = backend.build_wheel(str(tmp_path))
    version = backend.project_version(backend.native_root())
    assert name == "tamsel_health-%s-%s.whl" % (version, backend.platform_tag())
    dist_info = "tamsel_health-%s.dist-info" % version
    with zipfile.ZipFile(tmp_path / name) as wheel:
        files = {entry: wheel.read(entry) for entry in wheel.namelist()}
    record = files.pop(dist_info + "/RECORD").decode().splitlines()
    assert sorted(record) == sorted([dist_info + "/RECORD,,"] + [
        backend._record_line(entry, content) for entry, content in files.items()])
    assert {"tamsel_health/__init__.py", "tamsel_health/__main__.py", "tamsel_health/py.typed",
            "tamsel_health/_native.pyi", "tamsel_health/" + backend.EXTENSION} <= set(files)
    assert not any(entry.startswith("tamsel_health/libTamsel") for entry in files)
    assert re.fullmatch(r"cp3\d+-cp3\d+d?-\w+", backend.platform_tag())
    metadata = files[dist_info + "/METADATA"].decode()
    assert "\nVersion: %s\n" % version in metadata
    assert "Tag: %s\n" % backend.platform_tag() in files[dist_info + "/WHEEL"].decode()
    # What pip reads before building is what the wheel holds.
    prepared = backend.prepare_metadata_for_build_wheel(str(tmp_path / "metadata"))
    assert (tmp_path / "metadata" / prepared / "METADATA").read_text() == metadata


def test_the_source_distribution_carries_the_library_sources(tmp_path):
    name = backend.build_sdist(str(tmp_path))
    with tarfile.open(tmp_path / name) as archive:
        # Only plain files, as the "data" filter of newer Pythons insists.
        archive.extractall(tmp_path / "unpacked", **_DATA_FILTER)
    unpacked = tmp_path / "unpacked" / name[:-len(".tar.gz")]
    for member in ("PKG-INFO", "pyproject.toml", "tamsel_health/__init__.py",
                   "build_backend/tamsel_health_build.py", "extension/CMakeLists.txt",
                   "extension/_native.cpp", "extension/_native.map", "native/CMakeLists.txt",
                   "native/review/TamselReview.h", "native/review/record.cpp",
                   "native/frame/calc_health.cpp", "native/include/TamselCalculatorHealth.h"):
        assert (unpacked / member).is_file(), member
    # Every source the library's CMakeLists names, and what those sources include.
    root = backend.native_root()
    named = re.findall(r"\b((?:frame|formulas|numerics|include|review)/[\w.]+\.(?:cpp|h|def|rc|map))",
                       (root / "CMakeLists.txt").read_text())
    assert "numerics/log10.cpp" in named and "review/record.cpp" in named
    for source in named:
        for included in [source] + re.findall(r'#include "([^"]+)"', (root / source).read_text()):
            path = (root / source).parent / included if included.startswith(".") else None
            member = (path.resolve().relative_to(root) if path else Path(source).parent / included)
            if (root / member).is_file():
                assert (unpacked / "native" / member).is_file(), member
    # Unpacked, its backend builds from native/.
    result = subprocess.run([sys.executable, "-c", "import tamsel_health_build as b; "
                             "print(b.native_root(), b.project_version(b.native_root()))"],
                            cwd=unpacked, env=dict(os.environ, PYTHONPATH="build_backend"),
                            capture_output=True, text=True)
    assert result.stdout.split() == [str(unpacked / "native"),
                                     backend.project_version(backend.native_root())]


def test_the_project_table_reads_alike_without_tomllib():
    tomllib = pytest.importorskip("tomllib")
    text = (PACKAGE_ROOT / "pyproject.toml").read_text()
    assert backend._read_simple_project_table(text) == tomllib.loads(text)["project"]
