# SPDX-License-Identifier: MIT
"""The build backend of the tamsel_health package (PEP 517).

It builds the extension module tamsel_health._native, which compiles in the library's sources
and the review, with the project's own CMake for the Python that runs the backend, and writes a
wheel for that Python. It uses nothing but the standard library and cmake: neither setuptools
nor wheel, which not every Python has, so "pip install --no-build-isolation" works offline with
any Python 3.8 or newer that has its headers (Debian: python3-dev).

TAMSEL_HEALTH_PREBUILT_EXTENSION=/path/to/_native.cpython-311-x86_64-linux-gnu.so bundles an
extension that is already built for this Python instead of running CMake (the project's test
suite installs the one it has just built).
"""
from __future__ import annotations

import ast
import base64
import hashlib
import io
import os
import re
import shutil
import subprocess
import sys
import sysconfig
import tarfile
import tempfile
import time
import zipfile
from pathlib import Path
from typing import Dict, List, Optional, Tuple

PACKAGE = "tamsel_health"
PREBUILT_VARIABLE = "TAMSEL_HEALTH_PREBUILT_EXTENSION"

# python/, beside the package and pyproject.toml.
PACKAGE_ROOT = Path(__file__).resolve().parent.parent

# What the library's build needs, copied into a source distribution under native/.
NATIVE_SOURCES = ("CMakeLists.txt", "LICENSE", "catalog", "cmake", "core", "frame", "formulas", "include",
                  "numerics", "review")

# The extension module's file name for the Python running the backend.
EXTENSION = "_native" + str(sysconfig.get_config_var("EXT_SUFFIX") or ".so")

Files = List[Tuple[str, bytes]]  # (name in the archive, content)


class BuildError(RuntimeError):
    pass


# --- The project: its sources, version and metadata -------------------------------------------

def native_root() -> Path:
    """The CMake project of the library: beside python/ in the repository, or native/ in an
    unpacked source distribution."""
    for root in (PACKAGE_ROOT / "native", PACKAGE_ROOT.parent):
        if (root / "CMakeLists.txt").is_file() and (root / "frame").is_dir():
            return root
    raise BuildError(
        "cannot find the library's sources (CMakeLists.txt and frame/) beside %s: install from "
        "the repository's python/ directory (pip 21.3 or newer builds it where it is) or from "
        "a source distribution" % PACKAGE_ROOT)


def project_version(root: Path) -> str:
    """The library's version, from the project() call of its CMakeLists.txt."""
    text = (root / "CMakeLists.txt").read_text(encoding="utf-8")
    found = re.search(r"project\(\s*TamselCalculatorHealth\b[^)]*?\bVERSION\s+([0-9][0-9.]*)", text)
    if found is None:
        raise BuildError("no VERSION in the project() call of %s" % (root / "CMakeLists.txt"))
    return found.group(1)


def read_project_table(text: str) -> Dict[str, object]:
    """The [project] table of pyproject.toml."""
    try:
        import tomllib
    except ImportError:  # Python before 3.11
        return _read_simple_project_table(text)
    return tomllib.loads(text).get("project", {})


def _read_simple_project_table(text: str) -> Dict[str, object]:
    """Reads the [project] table as our pyproject.toml writes it: keys whose values are basic
    strings or arrays of them, an array possibly over several lines."""
    table: Dict[str, object] = {}
    in_project = False
    key, value = None, ""
    for line in text.splitlines():
        stripped = line.strip()
        if key is None:
            if not stripped or stripped.startswith("#"):
                continue
            if stripped.startswith("["):
                in_project = stripped == "[project]"
                continue
            if not in_project:
                continue
            key, _, value = (part.strip() for part in stripped.partition("="))
        else:
            value += "\n" + stripped
        if value.startswith("[") and not value.endswith("]"):
            continue  # the array goes on
        table[key] = ast.literal_eval(value)
        key = None
    return table


def project_metadata() -> Tuple[str, str]:
    """The distribution's name and its core metadata (the text of METADATA and PKG-INFO)."""
    table = read_project_table((PACKAGE_ROOT / "pyproject.toml").read_text(encoding="utf-8"))
    name = str(table["name"])
    lines = [
        "Metadata-Version: 2.1",
        "Name: %s" % name,
        "Version: %s" % project_version(native_root()),
        "Summary: %s" % table.get("description", ""),
        "License: %s" % table.get("license", ""),
        "Requires-Python: %s" % table.get("requires-python", ""),
    ]
    lines += ["Classifier: %s" % classifier for classifier in table.get("classifiers", [])]
    return name, "\n".join(lines) + "\n"


def _distribution_stem(name: str, version: str) -> str:
    return "%s-%s" % (re.sub(r"[-_.]+", "_", name).lower(), version)


# --- Archives -----------------------------------------------------------------------------------

def _timestamp() -> float:
    # Reproducible archives: SOURCE_DATE_EPOCH when given, else the earliest time a zip can hold.
    return float(os.environ.get("SOURCE_DATE_EPOCH", 315532800))


def _package_files() -> Files:
    files = []
    for path in sorted((PACKAGE_ROOT / PACKAGE).iterdir()):
        if path.suffix in (".py", ".pyi") or path.name == "py.typed":
            if path.name != "_build_info.py":
                files.append(("%s/%s" % (PACKAGE, path.name), path.read_bytes()))
    return files


def _record_line(name: str, content: bytes) -> str:
    digest = base64.urlsafe_b64encode(hashlib.sha256(content).digest()).rstrip(b"=")
    return "%s,sha256=%s,%d" % (name, digest.decode("ascii"), len(content))


def platform_tag() -> str:
    """cpXY-cpXY-<platform>: an extension module for this CPython and this platform (a local
    build, linked against this system's C++ runtime)."""
    python = "cp%d%d" % sys.version_info[:2]
    abi = python + ("d" if hasattr(sys, "gettotalrefcount") else "")
    return "%s-%s-%s" % (python, abi, re.sub(r"[-.]", "_", sysconfig.get_platform()))


def _dist_info_files(name: str, metadata: str) -> Files:
    wheel = ("Wheel-Version: 1.0\nGenerator: tamsel_health_build\nRoot-Is-Purelib: false\n"
             "Tag: %s\n" % platform_tag())
    files = [("METADATA", metadata.encode("utf-8")), ("WHEEL", wheel.encode("utf-8"))]
    license_file = native_root() / "LICENSE"
    if license_file.is_file():
        files.append(("LICENSE", license_file.read_bytes()))
    return files


def _write_wheel(path: Path, files: Files, dist_info: str, executable: str) -> None:
    date_time = time.gmtime(max(_timestamp(), 315532800))[:6]
    record = [_record_line(name, content) for name, content in files]
    record.append("%s/RECORD,," % dist_info)
    files = files + [("%s/RECORD" % dist_info, ("\n".join(record) + "\n").encode("utf-8"))]
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as archive:
        for name, content in files:
            info = zipfile.ZipInfo(name, date_time)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = (0o100755 if name == executable else 0o100644) << 16
            archive.writestr(info, content)


# --- The extension module -----------------------------------------------------------------------

def _run(command: List[str]) -> None:
    print("+ " + " ".join(command), flush=True)
    # pip shows the backend's standard output only when asked, and its standard error always.
    subprocess.run(command, check=True, stdout=sys.stderr)


def build_extension(build_dir: Path) -> Path:
    """Builds the extension module, in Release, with the project's CMake, for this Python."""
    cmake = shutil.which("cmake")
    if cmake is None:
        raise BuildError("building tamsel_health needs cmake 3.25 or newer, a C++17 compiler and "
                         "Python's headers (or %s set to a built extension)" % PREBUILT_VARIABLE)
    output = build_dir / "out"
    configure = [cmake, "-S", str(PACKAGE_ROOT / "extension"), "-B", str(build_dir),
                 "-DCMAKE_BUILD_TYPE=Release", "-DTAMSEL_SOURCE_DIR=%s" % native_root(),
                 "-DPython3_EXECUTABLE=%s" % sys.executable,
                 "-DTAMSEL_EXTENSION_OUTPUT_DIRECTORY=%s" % output]
    if not os.environ.get("CMAKE_GENERATOR") and shutil.which("ninja"):
        configure += ["-G", "Ninja"]
    try:
        _run(configure)
        _run([cmake, "--build", str(build_dir), "--config", "Release",
              "--target", "tamsel_health_native", "--parallel"])
    except subprocess.CalledProcessError as error:
        raise BuildError("the extension's CMake build failed (Python's headers are in Debian's "
                         "python3-dev): %s" % error) from error
    built = output / EXTENSION
    if not built.is_file():
        raise BuildError("CMake built no %s in %s" % (EXTENSION, output))
    return built


def _extension_file(build_dir: Path) -> bytes:
    prebuilt = os.environ.get(PREBUILT_VARIABLE, "")
    extension = Path(prebuilt) if prebuilt else build_extension(build_dir)
    if not extension.is_file():
        raise BuildError("%s=%s is no file" % (PREBUILT_VARIABLE, prebuilt))
    return extension.read_bytes()


# --- The hooks ----------------------------------------------------------------------------------

def get_requires_for_build_wheel(config_settings: Optional[dict] = None) -> List[str]:
    return []


def get_requires_for_build_sdist(config_settings: Optional[dict] = None) -> List[str]:
    return []


def prepare_metadata_for_build_wheel(metadata_directory: str,
                                     config_settings: Optional[dict] = None) -> str:
    name, metadata = project_metadata()
    dist_info = _distribution_stem(name, project_version(native_root())) + ".dist-info"
    target = Path(metadata_directory) / dist_info
    target.mkdir(parents=True, exist_ok=True)
    for file_name, content in _dist_info_files(name, metadata):
        (target / file_name).write_bytes(content)
    return dist_info


def build_wheel(wheel_directory: str, config_settings: Optional[dict] = None,
                metadata_directory: Optional[str] = None) -> str:
    name, metadata = project_metadata()
    version = project_version(native_root())
    stem = _distribution_stem(name, version)
    with tempfile.TemporaryDirectory(prefix="tamsel_health_build_") as build_dir:
        extension = _extension_file(Path(build_dir))
    extension_path = "%s/%s" % (PACKAGE, EXTENSION)
    files = _package_files() + [(extension_path, extension)]
    files += [("%s.dist-info/%s" % (stem, file_name), content)
              for file_name, content in _dist_info_files(name, metadata)]
    wheel_name = "%s-%s.whl" % (stem, platform_tag())
    _write_wheel(Path(wheel_directory) / wheel_name, files, stem + ".dist-info", extension_path)
    return wheel_name


def build_sdist(sdist_directory: str, config_settings: Optional[dict] = None) -> str:
    """A source distribution: python/ as it is, with the library's sources under native/."""
    name, metadata = project_metadata()
    root = native_root()
    stem = _distribution_stem(name, project_version(root))
    members = [(PACKAGE_ROOT / "pyproject.toml", "pyproject.toml")]
    for directory in (PACKAGE, "build_backend", "extension", "tests"):
        for path in sorted((PACKAGE_ROOT / directory).rglob("*")):
            if (path.is_file() and "__pycache__" not in path.parts and path.name != "_build_info.py"
                    and path.suffix not in (".so", ".pyd")):
                members.append((path, path.relative_to(PACKAGE_ROOT).as_posix()))
    for source in NATIVE_SOURCES:
        path = root / source
        paths = sorted(p for p in path.rglob("*") if p.is_file()) if path.is_dir() else [path]
        members += [(p, "native/" + p.relative_to(root).as_posix()) for p in paths]
    archive_name = stem + ".tar.gz"
    mtime = _timestamp()

    def add(archive: tarfile.TarFile, name_in_archive: str, content: bytes) -> None:
        info = tarfile.TarInfo("%s/%s" % (stem, name_in_archive))
        info.size, info.mtime, info.mode = len(content), mtime, 0o644
        archive.addfile(info, io.BytesIO(content))

    with tarfile.open(Path(sdist_directory) / archive_name, "w:gz", format=tarfile.PAX_FORMAT) as archive:
        add(archive, "PKG-INFO", metadata.encode("utf-8"))
        for path, name_in_archive in members:
            add(archive, name_in_archive, path.read_bytes())
    return archive_name
