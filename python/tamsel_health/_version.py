# SPDX-License-Identifier: MIT
"""The package's version: the library's, as pip installed it."""
from importlib import metadata

try:
    __version__: str = metadata.version("tamsel-health")
except metadata.PackageNotFoundError:  # a source or build tree, not installed
    __version__ = "unknown"
