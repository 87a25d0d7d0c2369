# SPDX-License-Identifier: MIT
"""The compiled calculator: the extension module, or a clear error where it was never built."""
import os


class LibraryError(OSError):
    """The package's compiled calculator is missing (a source checkout that pip never built)."""


try:
    from ._native import ask as ask, calc_health as calc_health, calc_many as calc_many
    from . import _native
except ImportError as error:  # keep the reason: a wrong Python version reads differently
    raise LibraryError(
        "tamsel_health has no compiled calculator for this Python (%s): install the package "
        "with pip (pip install ./python), which builds it with CMake" % error) from error


def library_path() -> str:
    """The file that carries the calculator the package calls: its extension module."""
    return os.path.abspath(_native.__file__)
