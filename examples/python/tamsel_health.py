#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""A tiny ctypes wrapper of TamselCalculatorHealth: str in, str out.

    >>> import tamsel_health
    >>> tamsel_health.calc_health("bmi 70 1.75")
    'BMI: 22.86'

The library is found through TAMSEL_HEALTH_LIBRARY (a path), else by its name on the system.
Run as a script, the arguments form one request: python3 tamsel_health.py bmi 70 1.75
"""
import ctypes
import ctypes.util
import os
import sys

_library = None


def _load():
    global _library
    if _library is None:
        path = (os.environ.get("TAMSEL_HEALTH_LIBRARY")
                or ctypes.util.find_library("TamselCalculatorHealth")
                or ("TamselCalculatorHealth.dll" if os.name == "nt" else "libTamselCalculatorHealth.so.1"))
        try:
            library = ctypes.CDLL(path)
        except OSError as error:
            raise OSError("cannot load the TamselCalculatorHealth library (%s): %s. Set "
                          "TAMSEL_HEALTH_LIBRARY to the library's path, or install it where the "
                          "system's loader finds it." % (path, error)) from None
        # UTF-16 code units both ways, whatever width the platform gives wchar_t.
        library.CalcHealth.argtypes = [ctypes.c_char_p]
        library.CalcHealth.restype = ctypes.POINTER(ctypes.c_uint16)
        _library = library
    return _library


def calc_health(request):
    """Answers one request, such as "bmi 70 1.75", with the library's text."""
    units = (request.encode("utf-16-le", "surrogatepass") + b"\0\0")
    answer = _load().CalcHealth(units)
    length = 0
    while answer[length] != 0:
        length += 1
    # Copied at once: the library reuses its answer buffer on the next call.
    return ctypes.string_at(answer, 2 * length).decode("utf-16-le", "surrogatepass")


if __name__ == "__main__":
    try:
        print(calc_health(" ".join(sys.argv[1:])))
    except OSError as error:
        sys.exit("tamsel_health: %s" % error)
