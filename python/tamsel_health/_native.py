# SPDX-License-Identifier: MIT
"""The library, loaded once, and the one lock that keeps its calls from overlapping.

CalcHealth answers in one library-wide buffer, and ctypes lets go of the GIL for the length of
the call, so two threads calling at once would overwrite each other's answers. Every call here
takes the lock, calls, and copies the answer out before it lets go.
"""
from __future__ import annotations

import codecs
import ctypes
import os
import sys
import threading
from typing import Callable, Iterable, List, Optional

from ._answer import normalise_line_breaks

try:
    from ._build_info import LIBRARY as _BUNDLED_LIBRARY
except ImportError:  # a source checkout: nothing was built into it
    _BUNDLED_LIBRARY = None

LIBRARY_VARIABLE = "TAMSEL_HEALTH_LIBRARY"

# The name under which the system's loader finds an installed library (the Debian package's).
if sys.platform == "win32":
    SYSTEM_LIBRARY = "TamselCalculatorHealth.dll"
elif sys.platform == "darwin":
    SYSTEM_LIBRARY = "libTamselCalculatorHealth.1.dylib"
else:
    SYSTEM_LIBRARY = "libTamselCalculatorHealth.so.1"

# The library takes and gives UTF-16 code units in the machine's byte order. The codec functions
# themselves, since bytes.decode and str.encode look the codec up by name on every call.
if sys.byteorder == "little":
    _encode_units, _decode_units = codecs.utf_16_le_encode, codecs.utf_16_le_decode
else:
    _encode_units, _decode_units = codecs.utf_16_be_encode, codecs.utf_16_be_decode

# CalcHealth returns the address of its result text, a fixed buffer of 2000 code units that
# every answer fits with its terminator, so reading the whole buffer stays inside it. Nearly
# every answer ends within its first 64 units, which are read first.
_RESULT_TEXT_BYTES = 2000 * 2
_FIRST_READ_BYTES = 64 * 2


class LibraryError(OSError):
    """The TamselCalculatorHealth library could not be found or loaded."""


_lock = threading.Lock()
_calc_health: Optional[Callable[[bytes], int]] = None
_loaded_from: Optional[str] = None
# The result text seen as bytes, kept while CalcHealth answers at the same address (as it does);
# a placeholder until the first call.
_result_text: "ctypes.Array[ctypes.c_char]" = (ctypes.c_char * 2)()
_result_address: Optional[int] = None


def _library_to_load() -> str:
    asked = os.environ.get(LIBRARY_VARIABLE, "")
    if asked:
        return asked
    if _BUNDLED_LIBRARY is not None:
        bundled = os.path.join(os.path.dirname(os.path.abspath(__file__)), _BUNDLED_LIBRARY)
        if os.path.exists(bundled):
            return bundled
    raise LibraryError(
        "tamsel_health has no TamselCalculatorHealth library to load: this copy of the package "
        "has none bundled (pip install builds one in), and %s is not set (set it to the "
        "library's path, or to %s to use the one installed on the system)"
        % (LIBRARY_VARIABLE, SYSTEM_LIBRARY))


def _load() -> Callable[[bytes], int]:
    """Loads the library; called with the lock held."""
    global _calc_health, _loaded_from
    path = _library_to_load()
    try:
        function = ctypes.CDLL(path).CalcHealth
    except (OSError, AttributeError) as error:
        source = " (from %s)" % LIBRARY_VARIABLE if os.environ.get(LIBRARY_VARIABLE) else ""
        raise LibraryError("cannot load the TamselCalculatorHealth library %r%s: %s"
                           % (path, source, error)) from error
    # UTF-16 code units both ways, whatever width the platform gives wchar_t.
    function.argtypes = [ctypes.c_char_p]
    function.restype = ctypes.c_void_p
    _calc_health, _loaded_from = function, path
    return function


def library_path() -> str:
    """The library that the package calls: the one it has loaded, or else the one it would load.

    That is the path or name in the environment variable TAMSEL_HEALTH_LIBRARY when it is set,
    otherwise the library bundled in the package. Raises LibraryError when there is none.
    """
    with _lock:
        return _loaded_from if _loaded_from is not None else _library_to_load()


def _encode(request: str) -> bytes:
    if not isinstance(request, str):
        raise TypeError("a request is a str, not %s" % type(request).__name__)
    if "\0" in request:
        # The library would stop reading at it, and answer a request the caller never made.
        raise ValueError("a request cannot hold a NUL character (one is at index %d)"
                         % request.index("\0"))
    return _encode_units(request, "surrogatepass")[0] + b"\0\0"


def _copy_answer(address: int) -> str:
    """The answer at the address, as it stands; called with the lock held."""
    global _result_text, _result_address
    if address != _result_address:
        _result_text = (ctypes.c_char * _RESULT_TEXT_BYTES).from_address(address)
        _result_address = address
    # Decoded first and cut at its terminator after, which keeps to whole code units.
    text = _decode_units(_result_text[:_FIRST_READ_BYTES], "surrogatepass", True)[0]
    end = text.find("\0")
    if end == -1:
        text = _decode_units(_result_text[:], "surrogatepass", True)[0]
        end = text.find("\0")
    return text[:end] if end != -1 else text


def calc_health(request: str) -> str:
    """Answers one request, such as ``"bmi 70 1.75"``, with the library's text (``"BMI: 22.86"``).

    The lines of a multi-line answer (the banner, the listing) are joined by ``"\\n"``. Every
    outcome is text: a wrong request gets its usage line, ``Unknown formula: ...`` or the
    banner. Characters outside the library's code page reach it as ``?``; lone surrogates go to
    it as the UTF-16 code units they are. Raises ValueError for a request holding a NUL
    character, TypeError for anything but a str, and LibraryError when the library cannot be
    loaded.

    Safe to call from any number of threads: one process-wide lock covers each call and the copy
    of its answer. Other code in the same process that calls the library directly (another
    wrapper, a C extension) is outside that lock and must not call it at the same time.
    """
    units = _encode(request)
    with _lock:
        answer = _copy_answer((_calc_health or _load())(units))
    return normalise_line_breaks(answer)


def calc_many(requests: Iterable[str]) -> List[str]:
    """Answers many requests, in order, taking the lock once for all of them.

    Every request is checked before any is answered, so a bad one (a NUL character, not a str)
    raises with nothing done. Other threads wait while the batch runs. Otherwise as
    calc_health, whose answers these are, one for one.
    """
    encoded = [_encode(request) for request in requests]
    with _lock:
        function = _calc_health or _load()
        answers = [_copy_answer(function(units)) for units in encoded]
    return [normalise_line_breaks(answer) for answer in answers]
