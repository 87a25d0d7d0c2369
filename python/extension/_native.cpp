// SPDX-License-Identifier: MIT
// tamsel_health._native: the calculator and its review compiled into the interpreter's process.
//
// Text goes from a str's own storage straight into UTF-16 code units and comes back the same
// way, without bytes objects in between. The calculator answers in static buffers, so its calls
// must not overlap: every function here holds the GIL from the request to the copy of the
// answer and never lets it go, which serialises all callers. The module does not declare
// itself free-threading safe, so a free-threaded Python turns the GIL back on when it imports
// it; running without the GIL would need a mutex around each call.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "TamselCalculatorHealth.h"
#include "review/TamselReview.h"

namespace {

// Py_NewRef arrived in Python 3.10.
inline PyObject *new_ref(PyObject *object) {
  Py_INCREF(object);
  return object;
}

// Requests up to this many code units are converted on the stack; longer ones (rare, and
// mostly cut by the calculator after 1023 bytes anyway) in memory from PyMem. A code point
// outside the Basic Multilingual Plane takes two units, so 255 code points always fit.
constexpr Py_ssize_t kStackRequestUnits = 512;

// The calculator's answer buffer: 2000 code units including the terminator.
constexpr Py_ssize_t kAnswerUnits = 2000;

// One row of compute(), in bytes or UTF-16 units: the keyword (at most 14) and at most 9
// arguments, each a space and a number of at most 24 characters (the longest shortest form of
// a double; a 64-bit integer is 20) is under 256. Sex cells are text of any length, which the
// 2048 bound: a longer cell is refused rather than cut.
constexpr std::size_t kRowUnits = 2048;

// The longest shortest round-trip form of a double is 24 characters ("-2.2250738585072014e-308"
// is 24); the few-decimals form at most 25 (a sign, 15 digits, a point, 8 decimals). 32 holds
// either.
constexpr std::size_t kNumberChars = 32;

// The calculator keeps ten tokens, the keyword and nine arguments, so no formula takes more.
constexpr Py_ssize_t kMaxArguments = 9;

// A double's shortest form has at most 17 significant digits.
constexpr int kSignificantDigits = 17;

// Static texts of the review (categories and their sources), kept as str so that a column of a
// million rows shares a handful of objects. There are far fewer than 64 distinct ones.
constexpr int kStaticTextCache = 64;

PyObject *kind_names[6];
PyObject *empty_tuple;
PyObject *answer_type;
struct StaticText {
  const char *key;
  PyObject *text;
};
StaticText static_texts[kStaticTextCache];

// --- Requests in ----------------------------------------------------------------------------

// The request as zero-terminated UTF-16 units, in `stack` when it fits, else in PyMem memory
// (which the caller frees when `units != stack`). NULL with an exception set when it is not a
// str or holds a NUL, which the calculator would take for the end.
TamselChar16 *request_units(PyObject *request, TamselChar16 *stack) {
  if (!PyUnicode_Check(request)) {
    PyErr_Format(PyExc_TypeError, "a request is a str, not %.100s", Py_TYPE(request)->tp_name);
    return nullptr;
  }
#if PY_VERSION_HEX < 0x030C0000
  if (PyUnicode_READY(request) < 0) return nullptr;
#endif
  const Py_ssize_t length = PyUnicode_GET_LENGTH(request);
  const int kind = PyUnicode_KIND(request);
  const void *data = PyUnicode_DATA(request);
  Py_ssize_t units = length;
  if (kind == PyUnicode_4BYTE_KIND) {
    const Py_UCS4 *points = static_cast<const Py_UCS4 *>(data);
    for (Py_ssize_t i = 0; i < length; ++i) units += points[i] > 0xFFFF;
  }
  TamselChar16 *out = stack;
  if (units >= kStackRequestUnits) {
    out = PyMem_New(TamselChar16, static_cast<std::size_t>(units) + 1);
    if (out == nullptr) {
      PyErr_NoMemory();
      return nullptr;
    }
  }
  if (kind == PyUnicode_1BYTE_KIND) {
    // Nearly every request: Latin-1 storage, one unit a character, a loop the compiler widens.
    const Py_UCS1 *bytes = static_cast<const Py_UCS1 *>(data);
    const void *nul = std::memchr(bytes, 0, static_cast<std::size_t>(length));
    if (nul == nullptr) {
      for (Py_ssize_t i = 0; i < length; ++i) out[i] = bytes[i];
      out[length] = 0;
      return out;
    }
  }
  Py_ssize_t at = 0;
  for (Py_ssize_t i = 0; i < length; ++i) {
    const Py_UCS4 point = PyUnicode_READ(kind, data, i);
    if (point == 0) {
      if (out != stack) PyMem_Free(out);
      PyErr_Format(PyExc_ValueError,
                   "a request cannot hold a NUL character (one is at index %zd)", i);
      return nullptr;
    }
    if (point > 0xFFFF) {
      out[at++] = static_cast<TamselChar16>(0xD800 + ((point - 0x10000) >> 10));
      out[at++] = static_cast<TamselChar16>(0xDC00 + ((point - 0x10000) & 0x3FF));
    } else {
      // Lone surrogates go as the code units they are.
      out[at++] = static_cast<TamselChar16>(point);
    }
  }
  out[at] = 0;
  return out;
}

// --- Answers out ----------------------------------------------------------------------------

// The calculator's answer as a str, its lines joined by "\n" (the Windows build ends them with
// "\r\n"; an unknown keyword is echoed as given, so its answer is left alone).
PyObject *answer_text(const TamselChar16 *answer) {
  Py_ssize_t length = 0;
  unsigned bits = 0;  // every unit's bits: below 128 all ASCII, below 256 all Latin-1
  bool carriage_return = false;
  for (; length < kAnswerUnits && answer[length] != 0; ++length) {
    bits |= answer[length];
    carriage_return |= answer[length] == u'\r';
  }
  // A str must be stored in its narrowest kind (an ASCII text marked Latin-1 compares unequal).
  const Py_UCS4 widest = bits < 0x80 ? 0x7F : bits < 0x100 ? 0xFF : 0xFFFF;
  if (!carriage_return && widest <= 0xFF) {
    PyObject *text = PyUnicode_New(length, widest);
    if (text == nullptr) return nullptr;
    Py_UCS1 *out = PyUnicode_1BYTE_DATA(text);
    for (Py_ssize_t i = 0; i < length; ++i) out[i] = static_cast<Py_UCS1>(answer[i]);
    return text;
  }
  static const char16_t unknown[] = u"Unknown formula: ";
  const Py_ssize_t unknown_length = static_cast<Py_ssize_t>(sizeof unknown / 2 - 1);
  bool join_lines = carriage_return;
  if (join_lines && length >= unknown_length) {
    join_lines = std::memcmp(answer, unknown, static_cast<std::size_t>(unknown_length) * 2) != 0;
  }
  Py_ssize_t kept = length;
  if (join_lines) {
    for (Py_ssize_t i = 0; i + 1 < length; ++i) kept -= answer[i] == u'\r' && answer[i + 1] == u'\n';
  }
  PyObject *text = PyUnicode_New(kept, widest);
  if (text == nullptr) return nullptr;
  const int kind = PyUnicode_KIND(text);
  void *data = PyUnicode_DATA(text);
  Py_ssize_t at = 0;
  for (Py_ssize_t i = 0; i < length; ++i) {
    if (join_lines && answer[i] == u'\r' && i + 1 < length && answer[i + 1] == u'\n') continue;
    PyUnicode_WRITE(kind, data, at++, answer[i]);
  }
  return text;
}

PyObject *utf8_text(const char *text, std::size_t size) {
  return PyUnicode_DecodeUTF8(text, static_cast<Py_ssize_t>(size), "replace");
}

// A static text of the review as a shared str; None for NULL. New reference.
PyObject *static_text(const char *text) {
  if (text == nullptr) Py_RETURN_NONE;
  for (StaticText &entry : static_texts) {
    if (entry.key == text) return new_ref(entry.text);
    if (entry.key == nullptr) {
      entry.text = PyUnicode_FromString(text);
      if (entry.text == nullptr) return nullptr;
      entry.key = text;
      return new_ref(entry.text);
    }
  }
  return PyUnicode_FromString(text);
}

PyObject *warning_tuple(const TamselRecord &record) {
  if (record.warning_count == 0) return new_ref(empty_tuple);
  PyObject *warnings = PyTuple_New(static_cast<Py_ssize_t>(record.warning_count));
  if (warnings == nullptr) return nullptr;
  for (std::size_t i = 0; i < record.warning_count; ++i) {
    PyObject *warning = PyUnicode_DecodeUTF8(record.warnings[i],
                                             static_cast<Py_ssize_t>(std::strlen(record.warnings[i])),
                                             "replace");
    if (warning == nullptr) {
      Py_DECREF(warnings);
      return nullptr;
    }
    PyTuple_SET_ITEM(warnings, static_cast<Py_ssize_t>(i), warning);
  }
  return warnings;
}

// The record as an Answer: kind, text, value, unit, warnings, category, category_source,
// category_note.
PyObject *answer_from_record(const TamselRecord &record) {
  constexpr Py_ssize_t fields = 8;
  PyObject *items[fields] = {
      new_ref(kind_names[record.kind]),
      utf8_text(record.text, record.text_size),
      record.has_value ? PyFloat_FromDouble(record.value) : new_ref(Py_None),
      static_text(record.unit),
      warning_tuple(record),
      static_text(record.category),
      static_text(record.category_source),
      static_text(record.category_note),
  };
  // The named tuple made as tuple.__new__ makes it, without its Python-level __new__ and without
  // a tuple of the fields to copy from: allocated at its size, then filled.
  auto *type = reinterpret_cast<PyTypeObject *>(answer_type);
  PyObject *answer = nullptr;
  bool complete = true;
  for (PyObject *item : items) complete = complete && item != nullptr;
  if (complete) answer = type->tp_alloc(type, fields);
  for (Py_ssize_t i = 0; i < fields; ++i) {
    if (answer != nullptr) {
      PyTuple_SET_ITEM(answer, i, items[i]);
    } else {
      Py_XDECREF(items[i]);
    }
  }
  return answer;
}

// --- The functions ---------------------------------------------------------------------------

PyObject *calc_health(PyObject *, PyObject *request) {
  TamselChar16 stack[kStackRequestUnits];
  TamselChar16 *units = request_units(request, stack);
  if (units == nullptr) return nullptr;
  // Between the call and the copy nothing runs Python code: a str is no container, so making
  // one never starts a collection whose finalizers could let another thread call in.
  PyObject *text = answer_text(CalcHealth(units));
  if (units != stack) PyMem_Free(units);
  return text;
}

bool check_request(PyObject *request) {
  if (!PyUnicode_Check(request)) {
    PyErr_Format(PyExc_TypeError, "a request is a str, not %.100s", Py_TYPE(request)->tp_name);
    return false;
  }
  const Py_ssize_t nul = PyUnicode_FindChar(request, 0, 0, PyUnicode_GET_LENGTH(request), 1);
  if (nul == -2) return false;
  if (nul >= 0) {
    PyErr_Format(PyExc_ValueError, "a request cannot hold a NUL character (one is at index %zd)", nul);
    return false;
  }
  return true;
}

PyObject *calc_many(PyObject *, PyObject *requests) {
  // A str is an iterable of characters, which nobody means as requests.
  if (PyUnicode_Check(requests) || PyBytes_Check(requests) || PyByteArray_Check(requests)) {
    PyErr_Format(PyExc_TypeError, "calc_many takes an iterable of requests, not a single %.100s",
                 Py_TYPE(requests)->tp_name);
    return nullptr;
  }
  PyObject *list = PySequence_List(requests);
  if (list == nullptr) return nullptr;
  const Py_ssize_t count = PyList_GET_SIZE(list);
  // Every request is checked before any is answered, so a bad one leaves nothing half done.
  for (Py_ssize_t i = 0; i < count; ++i) {
    if (!check_request(PyList_GET_ITEM(list, i))) {
      Py_DECREF(list);
      return nullptr;
    }
  }
  for (Py_ssize_t i = 0; i < count; ++i) {
    PyObject *answer = calc_health(nullptr, PyList_GET_ITEM(list, i));
    if (answer == nullptr) {
      Py_DECREF(list);
      return nullptr;
    }
    PyList_SetItem(list, i, answer);  // the answer takes the request's place
  }
  return list;
}

bool ask_record(PyObject *request, TamselRecord *record) {
  TamselChar16 stack[kStackRequestUnits];
  TamselChar16 *units = request_units(request, stack);
  if (units == nullptr) return false;
  tamsel_ask16(units, record);
  if (units != stack) PyMem_Free(units);
  return true;
}

PyObject *ask(PyObject *, PyObject *request) {
  TamselRecord record;
  if (!ask_record(request, &record)) return nullptr;
  return answer_from_record(record);
}

// (Answer, the record's JSON members as the host program writes them).
PyObject *ask_json(PyObject *, PyObject *request) {
  TamselRecord record;
  if (!ask_record(request, &record)) return nullptr;
  // Too big for the stack; the GIL guards it. Copied out before anything that could run a
  // collection (and a finalizer that lets another thread in) is allocated.
  static char json[TAMSEL_REVIEW_JSON_BYTES];
  const std::size_t size = tamsel_record_json(&record, json, sizeof json);
  PyObject *members = utf8_text(json, size);
  if (members == nullptr) return nullptr;
  PyObject *answer = answer_from_record(record);
  if (answer == nullptr) {
    Py_DECREF(members);
    return nullptr;
  }
  PyObject *pair = PyTuple_Pack(2, answer, members);
  Py_DECREF(answer);
  Py_DECREF(members);
  return pair;
}

// --- Columns ---------------------------------------------------------------------------------

// One argument column of compute(): numbers through the buffer protocol, or sex codes as a
// list of str. A column of one item is used for every row.
struct Column {
  bool is_text = false;
  bool has_buffer = false;
  Py_buffer view{};
  char format = 'd';
  PyObject *texts = nullptr;  // borrowed, a list
  Py_ssize_t length = 0;
};

bool native_little_endian() {
  const std::uint16_t probe = 1;
  unsigned char first = 0;
  std::memcpy(&first, &probe, 1);
  return first == 1;
}

// The struct-module code of a one-dimensional buffer of native numbers, or 0.
char number_format(const char *format) {
  if (format == nullptr) return 'B';
  if (*format == '@' || *format == '=' || (*format == '<' && native_little_endian()) ||
      (*format == '>' && !native_little_endian())) {
    ++format;
  }
  if (format[0] == 0 || format[1] != 0) return 0;
  return std::strchr("dfbBhHiIlLqQnN?", format[0]) != nullptr ? format[0] : 0;
}

template <typename T>
T load(const char *at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

// Appends the text of one argument, to a row of UTF-16 units or of bytes; false when it would
// not fit.
template <typename Unit>
bool append_ascii(Unit *out, std::size_t &at, const char *text, const char *end) {
  if (at + static_cast<std::size_t>(end - text) + 1 >= kRowUnits) return false;
  for (; text != end; ++text) out[at++] = static_cast<Unit>(static_cast<unsigned char>(*text));
  return true;
}

// Measured data have a few decimals, and to_chars' general search costs several times the rest
// of a row's request. A value that is exactly the nearest double to D / 10^k, for the fewest k
// and D below 10^15, has D's digits as its shortest form: 15 digits always tell doubles apart,
// and fewer decimals failed. D and 10^k are exact doubles and one division rounds correctly,
// so the test is exact. Writes the value positionally, as repr does from 1e-4 to 1e16, or
// returns NULL for the general path.
char *write_few_decimals(char *out, double value) {
  static const double powers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};
  const double magnitude = std::fabs(value);
  if (!(magnitude >= 1e-4 && magnitude < 1e15)) return nullptr;
  for (int decimals = 0; decimals < 9; ++decimals) {
    const double product = magnitude * powers[decimals];
    if (product >= 1e15) return nullptr;
    // Below 2^52, adding and taking away 2^52 rounds to the nearest integer, ties to even, as
    // nearbyint does in the default mode, without a call into libm for every try.
    const double scaled = (product + 0x1p52) - 0x1p52;
    if (scaled / powers[decimals] != magnitude) continue;
    const auto digits = static_cast<std::uint64_t>(scaled);
    const auto unit = static_cast<std::uint64_t>(powers[decimals]);
    if (value < 0) *out++ = '-';
    out = std::to_chars(out, out + 15, digits / unit).ptr;  // below 10^15: 15 digits at most
    if (decimals > 0) {
      *out++ = '.';
      std::uint64_t fraction = digits % unit;
      for (int place = decimals - 1; place >= 0; --place) {
        out[place] = static_cast<char>('0' + fraction % 10);
        fraction /= 10;
      }
      out += decimals;
    }
    return out;
  }
  return nullptr;
}

// Writes a finite double as Python's repr does (the shortest digits that read back as the same
// double; positional from 1e-4 to 1e16, else with an exponent of at least two digits), but
// without repr's ".0" on whole numbers, so that a request reads as a person would type it and
// "bmi %r %r" in Python makes the same request. Returns the end of the text.
char *write_repr(char *out, double value) {
  char *const few = write_few_decimals(out, value);
  if (few != nullptr) return few;
  char scientific[kNumberChars];  // "-d.dddddddddddddddde+ddd" at most
  const std::to_chars_result written =
      std::to_chars(scientific, scientific + sizeof scientific, value, std::chars_format::scientific);
  const char *p = scientific;
  if (*p == '-') *out++ = *p++;
  char digits[kSignificantDigits];
  int count = 0;
  for (; *p != 'e'; ++p) {
    if (*p != '.') digits[count++] = *p;
  }
  int exponent = 0;
  std::from_chars(p + (p[1] == '+' ? 2 : 1), written.ptr, exponent);
  if (exponent < -4 || exponent >= 16) {
    *out++ = digits[0];
    if (count > 1) {
      *out++ = '.';
      for (int i = 1; i < count; ++i) *out++ = digits[i];
    }
    *out++ = 'e';
    *out++ = exponent < 0 ? '-' : '+';
    const int magnitude = exponent < 0 ? -exponent : exponent;
    if (magnitude < 10) *out++ = '0';
    return std::to_chars(out, out + 4, magnitude).ptr;
  }
  if (exponent < 0) {
    *out++ = '0';
    *out++ = '.';
    for (int i = exponent + 1; i < 0; ++i) *out++ = '0';
    for (int i = 0; i < count; ++i) *out++ = digits[i];
    return out;
  }
  for (int i = 0; i <= exponent; ++i) *out++ = i < count ? digits[i] : '0';
  if (count > exponent + 1) {
    *out++ = '.';
    for (int i = exponent + 1; i < count; ++i) *out++ = digits[i];
  }
  return out;
}

// The number at `row` of a numeric column, written exactly: integers as integers, reals as
// write_repr writes them.
template <typename Unit>
bool append_number(const Column &column, Py_ssize_t row, Unit *out, std::size_t &at) {
  const char *item = static_cast<const char *>(column.view.buf) +
                     (column.length == 1 ? 0 : row * column.view.strides[0]);
  char text[kNumberChars];
  std::to_chars_result written{text, std::errc()};
  double real = 0.0;
  bool is_real = false;
  switch (column.format) {
    case 'd': real = load<double>(item); is_real = true; break;
    case 'f': real = static_cast<double>(load<float>(item)); is_real = true; break;
    case 'b': written = std::to_chars(text, text + sizeof text, load<signed char>(item)); break;
    case 'B': written = std::to_chars(text, text + sizeof text, load<unsigned char>(item)); break;
    case '?': written = std::to_chars(text, text + sizeof text, static_cast<int>(load<unsigned char>(item) != 0)); break;
    case 'h': written = std::to_chars(text, text + sizeof text, load<short>(item)); break;
    case 'H': written = std::to_chars(text, text + sizeof text, load<unsigned short>(item)); break;
    case 'i': written = std::to_chars(text, text + sizeof text, load<int>(item)); break;
    case 'I': written = std::to_chars(text, text + sizeof text, load<unsigned>(item)); break;
    case 'l': written = std::to_chars(text, text + sizeof text, load<long>(item)); break;
    case 'L': written = std::to_chars(text, text + sizeof text, load<unsigned long>(item)); break;
    case 'q': written = std::to_chars(text, text + sizeof text, load<long long>(item)); break;
    case 'Q': written = std::to_chars(text, text + sizeof text, load<unsigned long long>(item)); break;
    case 'n': written = std::to_chars(text, text + sizeof text, load<Py_ssize_t>(item)); break;
    default: written = std::to_chars(text, text + sizeof text, load<std::size_t>(item)); break;
  }
  if (is_real) {
    if (std::isnan(real)) {
      // Whatever its sign bit, as Python writes it: "-nan" would read the same.
      std::memcpy(text, "nan", 3);
      written.ptr = text + 3;
    } else if (std::isinf(real)) {
      written = std::to_chars(text, text + sizeof text, real);  // "inf" or "-inf"
    } else {
      written.ptr = write_repr(text, real);
    }
  }
  return append_ascii(out, at, text, written.ptr);
}

// A sex cell, one word of text, or null with an exception set. Spaces or tabs inside would
// shift every argument after it.
PyObject *sex_cell(const Column &column, Py_ssize_t row) {
  PyObject *cell = PyList_GET_ITEM(column.texts, column.length == 1 ? 0 : row);
  if (!PyUnicode_Check(cell)) {
    PyErr_Format(PyExc_TypeError, "row %zd: a sex is a str such as 'M' or 'F', not %.100s", row,
                 Py_TYPE(cell)->tp_name);
    return nullptr;
  }
#if PY_VERSION_HEX < 0x030C0000
  if (PyUnicode_READY(cell) < 0) return nullptr;
#endif
  const Py_ssize_t length = PyUnicode_GET_LENGTH(cell);
  const int kind = PyUnicode_KIND(cell);
  const void *data = PyUnicode_DATA(cell);
  bool word = length > 0;
  for (Py_ssize_t i = 0; i < length && word; ++i) {
    const Py_UCS4 point = PyUnicode_READ(kind, data, i);
    word = point != ' ' && point != '\t' && point != 0;
  }
  if (!word) {
    PyErr_Format(PyExc_ValueError, "row %zd: the sex %R is not one word such as 'M' or 'F'", row, cell);
    return nullptr;
  }
  return cell;
}

bool sex_too_long(Py_ssize_t row) {
  PyErr_Format(PyExc_ValueError, "row %zd: the sex is too long", row);
  return false;
}

// The sex cell in UTF-16 units.
bool append_sex(const Column &column, Py_ssize_t row, TamselChar16 *out, std::size_t &at) {
  PyObject *cell = sex_cell(column, row);
  if (cell == nullptr) return false;
  const Py_ssize_t length = PyUnicode_GET_LENGTH(cell);
  const int kind = PyUnicode_KIND(cell);
  const void *data = PyUnicode_DATA(cell);
  for (Py_ssize_t i = 0; i < length; ++i) {
    Py_UCS4 point = PyUnicode_READ(kind, data, i);
    if (at + 3 >= kRowUnits) return sex_too_long(row);
    if (point > 0xFFFF) {
      out[at++] = static_cast<TamselChar16>(0xD800 + ((point - 0x10000) >> 10));
      point = 0xDC00 + ((point - 0x10000) & 0x3FF);
    }
    out[at++] = static_cast<TamselChar16>(point);
  }
  return true;
}

// The sex cell as bytes, when it is ASCII; `ascii` is false, and nothing is written, when it is
// not (the row is then made in UTF-16, which carries any text as it is).
bool append_sex(const Column &column, Py_ssize_t row, char *out, std::size_t &at, bool &ascii) {
  PyObject *cell = sex_cell(column, row);
  if (cell == nullptr) return false;
  ascii = PyUnicode_IS_ASCII(cell);
  if (!ascii) return true;
  const Py_ssize_t length = PyUnicode_GET_LENGTH(cell);
  if (at + static_cast<std::size_t>(length) + 1 >= kRowUnits) return sex_too_long(row);
  std::memcpy(out + at, PyUnicode_1BYTE_DATA(cell), static_cast<std::size_t>(length));
  at += static_cast<std::size_t>(length);
  return true;
}

// The wide form of a sex cell takes any text, so `ascii` is left as it is.
bool append_sex(const Column &column, Py_ssize_t row, TamselChar16 *out, std::size_t &at, bool &) {
  return append_sex(column, row, out, at);
}

// Appends a row's arguments, each after a space, to the keyword already in `out`; false with an
// exception set. In bytes, it stops with `ascii` false at a sex cell that is not ASCII.
template <typename Unit>
bool append_arguments(const Column *columns, Py_ssize_t count, Py_ssize_t hip_index, bool male,
                      Py_ssize_t row, Unit *out, std::size_t &at, bool &ascii) {
  for (Py_ssize_t i = 0; i < count && ascii; ++i) {
    if (i == hip_index && male) continue;  // the male form takes no hip
    out[at++] = static_cast<Unit>(' ');
    const bool appended = columns[i].is_text ? append_sex(columns[i], row, out, at, ascii)
                                             : append_number(columns[i], row, out, at);
    if (!appended) {
      if (!PyErr_Occurred()) PyErr_Format(PyExc_ValueError, "row %zd: the request is too long", row);
      return false;
    }
  }
  return true;
}

bool is_male(const Column &column, Py_ssize_t row) {
  PyObject *cell = PyList_GET_ITEM(column.texts, column.length == 1 ? 0 : row);
  if (!PyUnicode_Check(cell) || PyUnicode_GetLength(cell) <= 0) {
    PyErr_Clear();  // append_sex says what is wrong with the cell
    return false;
  }
  const Py_UCS4 first = PyUnicode_READ_CHAR(cell, 0);
  return first == 'M' || first == 'm';
}

void release(Column *columns, Py_ssize_t count) {
  for (Py_ssize_t i = 0; i < count; ++i) {
    if (columns[i].has_buffer) PyBuffer_Release(&columns[i].view);
  }
}

bool open_column(PyObject *given, Column &column) {
  if (PyList_Check(given)) {
    column.is_text = true;
    column.texts = given;
    column.length = PyList_GET_SIZE(given);
    return true;
  }
  if (PyObject_GetBuffer(given, &column.view, PyBUF_STRIDES | PyBUF_FORMAT) != 0) return false;
  column.has_buffer = true;
  column.format = number_format(column.view.format);
  if (column.view.ndim != 1 || column.format == 0) {
    PyErr_Format(PyExc_TypeError, "a column is one-dimensional numbers, not a buffer of format %s "
                 "and %d dimensions", column.view.format ? column.view.format : "B", column.view.ndim);
    return false;
  }
  column.length = column.view.shape[0];
  return true;
}

struct RowOutputs {
  PyObject *kinds, *warnings, *categories, *sources;
};

// compute_rows(keyword, columns, hip_index, rows, values) -> (kinds, warnings, categories,
// sources). `columns` holds, in the formula's argument order, buffers of numbers or lists of
// sex codes; `hip_index` is the argument that male rows leave out (-1 for none); `values` a
// writable buffer of `rows` doubles that receives each row's value or NaN.
PyObject *compute_rows(PyObject *, PyObject *args) {
  PyObject *keyword = nullptr, *given = nullptr;
  Py_ssize_t hip_index = -1, rows = 0;
  Py_buffer values{};
  if (!PyArg_ParseTuple(args, "UO!nnw*", &keyword, &PyTuple_Type, &given, &hip_index, &rows, &values)) {
    return nullptr;
  }
  Column columns[kMaxArguments];
  const Py_ssize_t count = PyTuple_GET_SIZE(given);
  Py_ssize_t opened = 0;
  PyObject *result = nullptr;
  RowOutputs out{nullptr, nullptr, nullptr, nullptr};
  TamselChar16 request[kRowUnits];
  char narrow[kRowUnits];
  std::size_t prefix = 0;
  TamselRecord record;
  double *value_at = static_cast<double *>(values.buf);

  if (count > kMaxArguments || values.len != rows * static_cast<Py_ssize_t>(sizeof(double))) {
    PyErr_SetString(PyExc_ValueError, "compute_rows: bad arguments");
    goto done;
  }
  for (; opened < count; ++opened) {
    if (!open_column(PyTuple_GET_ITEM(given, opened), columns[opened])) {
      ++opened;
      goto done;
    }
    if (columns[opened].length != rows && columns[opened].length != 1) {
      PyErr_Format(PyExc_ValueError, "a column has %zd rows, not %zd", columns[opened].length, rows);
      ++opened;
      goto done;
    }
  }
  {
    TamselChar16 *keyword_units = request_units(keyword, request);
    if (keyword_units == nullptr) goto done;
    if (keyword_units != request) {
      PyMem_Free(keyword_units);
      PyErr_SetString(PyExc_ValueError, "the formula's name is too long");
      goto done;
    }
    while (request[prefix] != 0) {
      if (request[prefix] >= 0x80) {
        PyErr_SetString(PyExc_ValueError, "a formula's name is ASCII");
        goto done;
      }
      narrow[prefix] = static_cast<char>(request[prefix]);
      ++prefix;
    }
  }
  out.kinds = PyList_New(rows);
  out.warnings = PyList_New(rows);
  out.categories = PyList_New(rows);
  out.sources = PyList_New(rows);
  if (!out.kinds || !out.warnings || !out.categories || !out.sources) goto done;
  for (Py_ssize_t row = 0; row < rows; ++row) {
    // The row in bytes, which the review reads as they are; in UTF-16 only when a sex is not
    // ASCII.
    std::size_t at = prefix;
    bool ascii = true;
    const bool male = hip_index >= 0 && is_male(columns[0], row);
    if (!append_arguments(columns, count, hip_index, male, row, narrow, at, ascii)) goto done;
    if (ascii) {
      tamsel_ask(narrow, at, &record);
    } else {
      at = prefix;
      bool any_text = true;  // UTF-16 carries every cell, so this stays true
      if (!append_arguments(columns, count, hip_index, male, row, request, at, any_text)) goto done;
      request[at] = 0;
      tamsel_ask16(request, &record);
    }
    value_at[row] = record.has_value ? record.value : std::numeric_limits<double>::quiet_NaN();
    PyObject *warnings = warning_tuple(record);
    PyObject *category = static_text(record.category);
    PyObject *source = static_text(record.category_source);
    PyList_SET_ITEM(out.kinds, row, new_ref(kind_names[record.kind]));
    if (warnings) PyList_SET_ITEM(out.warnings, row, warnings);
    if (category) PyList_SET_ITEM(out.categories, row, category);
    if (source) PyList_SET_ITEM(out.sources, row, source);
    if (!warnings || !category || !source) goto done;
  }
  result = PyTuple_Pack(4, out.kinds, out.warnings, out.categories, out.sources);
done:
  Py_XDECREF(out.kinds);
  Py_XDECREF(out.warnings);
  Py_XDECREF(out.categories);
  Py_XDECREF(out.sources);
  release(columns, opened);
  PyBuffer_Release(&values);
  return result;
}

PyDoc_STRVAR(calc_health_doc,
"calc_health(request, /)\n--\n\n"
"Answers one request, such as 'bmi 70 1.75', with the library's text ('BMI: 22.86').\n\n"
"The lines of a multi-line answer (the banner, the listing) are joined by '\\n'. Every\n"
"outcome is text: a wrong request gets its usage line, 'Unknown formula: ...' or the banner.\n"
"Characters outside the library's code page reach it as '?'; lone surrogates go as the UTF-16\n"
"code units they are. Raises ValueError for a request holding a NUL character (the library\n"
"would stop reading there) and TypeError for anything but a str.");

PyDoc_STRVAR(calc_many_doc,
"calc_many(requests, /)\n--\n\n"
"Answers many requests, in order, one for one as calc_health would.\n\n"
"Every request is checked before any is answered, so a bad one (a NUL character, not a str)\n"
"raises with nothing done. A single str raises TypeError: it is one request, not many.\n"
"Other threads wait while the batch runs.");

PyDoc_STRVAR(ask_doc,
"ask(request, /)\n--\n\n"
"Answers one request as an Answer, the record of tamsel-health --json: its kind, text,\n"
"value and unit, then the warnings about its arguments and result, and the published\n"
"category of the result with its source. Raises as calc_health.");

PyMethodDef methods[] = {
    {"calc_health", calc_health, METH_O, calc_health_doc},
    {"calc_many", calc_many, METH_O, calc_many_doc},
    {"ask", ask, METH_O, ask_doc},
    {"ask_json", ask_json, METH_O, "ask_json(request, /)\n--\n\n(Answer, the record's JSON members)"},
    {"compute_rows", compute_rows, METH_VARARGS,
     "compute_rows(keyword, columns, hip_index, rows, values, /)\n--\n\n"
     "(kinds, warnings, categories, sources) of each row; its value into values"},
    {nullptr, nullptr, 0, nullptr},
};

PyModuleDef module_definition = {
    PyModuleDef_HEAD_INIT, "tamsel_health._native",
    "The calculator and its review, compiled in; its calls are serialised by the GIL.", -1,
    methods, nullptr, nullptr, nullptr, nullptr,
};

}  // namespace

PyMODINIT_FUNC PyInit__native(void) {
  static const TamselAnswerKind kinds[6] = {TAMSEL_KIND_RESULT, TAMSEL_KIND_USAGE, TAMSEL_KIND_REQUIREMENT,
                                            TAMSEL_KIND_UNKNOWN, TAMSEL_KIND_BANNER, TAMSEL_KIND_LISTING};
  for (TamselAnswerKind kind : kinds) {
    kind_names[kind] = PyUnicode_InternFromString(tamsel_kind_name(kind));
    if (kind_names[kind] == nullptr) return nullptr;
  }
  empty_tuple = PyTuple_New(0);
  if (empty_tuple == nullptr) return nullptr;
  PyObject *answers = PyImport_ImportModule("tamsel_health._answer");
  if (answers == nullptr) return nullptr;
  answer_type = PyObject_GetAttrString(answers, "Answer");
  Py_DECREF(answers);
  if (answer_type == nullptr) return nullptr;
  if (!PyType_Check(answer_type) ||
      !PyType_IsSubtype(reinterpret_cast<PyTypeObject *>(answer_type), &PyTuple_Type)) {
    PyErr_SetString(PyExc_TypeError, "tamsel_health._answer.Answer is not a named tuple");
    return nullptr;
  }
  return PyModule_Create(&module_definition);
}
