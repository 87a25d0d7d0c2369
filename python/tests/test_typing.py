# SPDX-License-Identifier: MIT
"""mypy --strict passes on the package as installed and on a typed example of every public name."""
import shutil
import subprocess
import sys
from pathlib import Path

import pytest

import tamsel_health

EXAMPLE = Path(__file__).resolve().parents[2] / "examples" / "python" / "typed_example.py"


def test_mypy_strict_passes(tmp_path):
    pytest.importorskip("mypy", reason="needs mypy (Debian: apt-get install mypy)")
    # The package's files as the tests import them, away from any site-packages.
    copy = tmp_path / "tamsel_health"
    copy.mkdir()
    for source in Path(tamsel_health.__file__).parent.iterdir():
        if source.suffix in (".py", ".pyi") or source.name == "py.typed":
            shutil.copy(source, copy)
    targets = ["tamsel_health"] + ([str(EXAMPLE)] if EXAMPLE.is_file() else [])
    result = subprocess.run([sys.executable, "-m", "mypy", "--strict", "--cache-dir", str(tmp_path / "cache")]
                            + targets, cwd=tmp_path, capture_output=True, text=True, timeout=600)
    assert result.returncode == 0, result.stdout + result.stderr
    assert "__version__" in tamsel_health.__all__ and "annotations" not in dir(tamsel_health)
