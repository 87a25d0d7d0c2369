// SPDX-License-Identifier: MIT
// tamsel_health._native: the calculator, its review and the typed core compiled into the
// interpreter's process.
//
// Text goes from a str's own storage straight into UTF-16 code units and comes back the same
// way, without bytes objects in between. The calculator answers in static buffers, so its calls
// must not overlap: every text function here holds the GIL from the request to the copy of the
// answer and never lets it go, which serialises all callers. Columns of numbers go to the core,
// which keeps no state, without the GIL. The module does not declare itself free-threading
// safe, so a free-threaded Python turns the GIL back on when it imports it; running without the
// GIL would need a mutex around each text call.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>

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

// Static texts of the review (categories and their sources), kept as str so that a column of a
// million rows shares a handful of objects. There are far fewer than 64 distinct ones.
constexpr int kStaticTextCache = 64;

PyObject *kind_names[TAMSEL_KIND_COUNT];
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

// A str's UTF-8, or NULL with TypeError ("<expected>, not <type>") for anything else, or with
// UnicodeEncodeError for lone surrogates.
const char *utf8_of(PyObject *object, const char *expected, Py_ssize_t *size) {
  if (!PyUnicode_Check(object)) {
    PyErr_Format(PyExc_TypeError, "%s, not %.100s", expected, Py_TYPE(object)->tp_name);
    return nullptr;
  }
  return PyUnicode_AsUTF8AndSize(object, size);
}

// Whether a result's text is a line the library writes: "label: " then the number (or inf,
// -inf, nan) and the unit the review found, nothing else. The review reads any text as some
// kind; a stored text that is none of the library's answers must be refused, not read.
bool is_result_line(const TamselRecord &record) {
  const std::string_view line(record.text, record.text_size);
  const std::size_t colon = line.find(": ");
  if (colon == 0 || colon == std::string_view::npos || line.find('\n') != std::string_view::npos) return false;
  std::string_view rest = line.substr(colon + 2);
  if (record.has_value) {
    if (record.digits_offset != colon + 2) return false;
    rest.remove_prefix(record.digits_size);
  } else {
    bool named = false;
    for (const std::string_view word : {"-inf", "inf", "nan"}) {
      if (rest.substr(0, word.size()) == word) {
        rest.remove_prefix(word.size());
        named = true;
        break;
      }
    }
    if (!named) return false;
  }
  const std::string_view unit(record.unit);
  if (unit.empty()) return rest.empty();
  if (unit == "%") return rest == unit;
  return rest.size() == unit.size() + 1 && rest.front() == ' ' && rest.substr(1) == unit;
}

// A stored answer of the library, reviewed without its request: kind, number and unit.
PyObject *review_answer(PyObject *, PyObject *text) {
  Py_ssize_t size = 0;
  const char *bytes = utf8_of(text, "an answer is a str", &size);
  if (bytes == nullptr) return nullptr;
  TamselRecord record;
  tamsel_review("", 0, bytes, static_cast<std::size_t>(size), &record);
  if (static_cast<std::size_t>(size) >= TAMSEL_REVIEW_TEXT_BYTES ||
      (record.kind == TAMSEL_KIND_RESULT && !is_result_line(record))) {
    PyErr_Format(PyExc_ValueError, "not an answer of the library: %R", text);
    return nullptr;
  }
  return answer_from_record(record);
}

// --- The formula table ---------------------------------------------------------------------------

PyObject *argument_entry(const TamselArgumentInfo &argument) {
  PyObject *ranges = PyTuple_New(static_cast<Py_ssize_t>(argument.range_count));
  if (ranges == nullptr) return nullptr;
  for (std::size_t span = 0; span < argument.range_count; ++span) {
    PyObject *bounds = Py_BuildValue("(dd)", argument.low[span], argument.high[span]);
    if (bounds == nullptr) {
      Py_DECREF(ranges);
      return nullptr;
    }
    PyTuple_SET_ITEM(ranges, static_cast<Py_ssize_t>(span), bounds);
  }
  return Py_BuildValue("(ssisssiNzzd)", argument.name, argument.usage_name, static_cast<int>(argument.type),
                       argument.unit, argument.label, argument.hint, argument.women_only, ranges,
                       argument.imperial_name, argument.imperial_unit, argument.imperial_factor);
}

PyObject *formula_entry(const TamselFormulaInfo &info) {
  PyObject *arguments = PyTuple_New(static_cast<Py_ssize_t>(info.argument_count));
  PyObject *categories = PyTuple_New(static_cast<Py_ssize_t>(info.category_count));
  if (arguments == nullptr || categories == nullptr) {
    Py_XDECREF(arguments);
    Py_XDECREF(categories);
    return nullptr;
  }
  bool complete = true;
  for (std::size_t place = 0; place < info.argument_count && complete; ++place) {
    PyObject *argument = argument_entry(info.arguments[place]);
    complete = argument != nullptr;
    if (complete) PyTuple_SET_ITEM(arguments, static_cast<Py_ssize_t>(place), argument);
  }
  for (std::size_t index = 0; index < info.category_count && complete; ++index) {
    const unsigned id = info.first_category + static_cast<unsigned>(index);
    PyObject *category = Py_BuildValue("(sss)", tamsel_category_name(id), tamsel_category_source(id),
                                       tamsel_category_note(id));
    complete = category != nullptr;
    if (complete) PyTuple_SET_ITEM(categories, static_cast<Py_ssize_t>(index), category);
  }
  if (!complete) {
    Py_DECREF(arguments);
    Py_DECREF(categories);
    return nullptr;
  }
  return Py_BuildValue("(sssssiNzzN)", info.keyword, info.title, info.group, info.label, info.unit,
                       info.decimals, arguments, info.scheme, info.scheme_source, categories);
}

// (keyword, title, group, label, unit, decimals, arguments, scheme, scheme_source, categories) of
// every formula, by number; an argument is (name, usage_name, type, unit, label, hint,
// women_only, ranges, imperial_name, imperial_unit, imperial_factor), a category (name, source,
// note).
PyObject *formula_table(PyObject *, PyObject *) {
  PyObject *table = PyTuple_New(TAMSEL_FORMULA_COUNT);
  if (table == nullptr) return nullptr;
  for (int formula = 0; formula < TAMSEL_FORMULA_COUNT; ++formula) {
    const TamselFormulaInfo *info = tamsel_formula_info(formula);
    // Local category codes are signed bytes, -1 for none.
    PyObject *entry = info->category_count < 128 ? formula_entry(*info) : nullptr;
    if (entry == nullptr) {
      if (!PyErr_Occurred()) PyErr_SetString(PyExc_SystemError, "a scheme has too many categories");
      Py_DECREF(table);
      return nullptr;
    }
    PyTuple_SET_ITEM(table, formula, entry);
  }
  return table;
}

PyObject *kind_table(PyObject *, PyObject *) {
  PyObject *kinds = PyTuple_New(TAMSEL_KIND_COUNT);
  if (kinds == nullptr) return nullptr;
  for (int kind = 0; kind < TAMSEL_KIND_COUNT; ++kind) {
    PyTuple_SET_ITEM(kinds, kind, new_ref(kind_names[kind]));
  }
  return kinds;
}

// The formula a keyword names, in either case, or -1.
PyObject *find_formula(PyObject *, PyObject *keyword) {
  Py_ssize_t size = 0;
  const char *text = utf8_of(keyword, "a formula is a str such as 'bmi'", &size);
  if (text == nullptr) {
    if (!PyErr_ExceptionMatches(PyExc_UnicodeEncodeError)) return nullptr;
    // Lone surrogates name no formula.
    PyErr_Clear();
    return PyLong_FromLong(-1);
  }
  return PyLong_FromLong(tamsel_find_formula(text, static_cast<std::size_t>(size)));
}

// --- Columns -------------------------------------------------------------------------------------

// Rows go to the core this many at a time, so that a column that must be turned into doubles
// (a list, or numbers of another type) needs room for this many only: 4,096 x 9 bytes a column.
constexpr std::size_t kChunkRows = 4096;

// A chunk at least this long is evaluated with the GIL released: the core keeps no state, and
// every buffer it reads or writes is held until the call ends.
constexpr std::size_t kReleaseRows = 512;

// How many warned rows' sentences a call keeps for its one summarising warning.
constexpr Py_ssize_t kSummaryRows = 5;

enum class Source { absent, buffer, objects };

// One argument column: numbers (or sex codes) through the buffer protocol with an optional byte
// mask of missing rows, or a list of Python objects. A column of one row gives every row.
struct Input {
  Source source = Source::absent;
  bool sex = false;
  const char *name = "";
  Py_buffer data{};
  bool has_data = false;
  Py_buffer mask{};
  bool has_mask = false;
  char format = 'd';
  PyObject *objects = nullptr;  // borrowed: a list
  Py_ssize_t length = 0;
  // Room for a chunk turned into doubles or codes, and its missing marks.
  double *reals = nullptr;
  unsigned char *codes = nullptr;
  unsigned char *marks = nullptr;

  bool converts() const {
    if (source == Source::objects) return true;
    return source == Source::buffer && !sex && format != 'd';
  }
};

void release_inputs(Input *inputs, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    if (inputs[i].has_data) PyBuffer_Release(&inputs[i].data);
    if (inputs[i].has_mask) PyBuffer_Release(&inputs[i].mask);
  }
}

bool native_little_endian() {
  const std::uint16_t probe = 1;
  unsigned char first = 0;
  std::memcpy(&first, &probe, 1);
  return first == 1;
}

// The struct-module code of a buffer of native numbers, or 0.
char number_format(const char *format) {
  if (format == nullptr) return 'B';
  if (*format == '@' || *format == '=' || (*format == '<' && native_little_endian()) ||
      (*format == '>' && !native_little_endian())) {
    ++format;
  }
  if (format[0] == 0 || format[1] != 0) return 0;
  return std::strchr("dfbBhHiIlLqQnN?", format[0]) != nullptr ? format[0] : 0;
}

bool open_buffer(PyObject *given, Py_buffer &view, bool &held, const char *name) {
  if (PyObject_GetBuffer(given, &view, PyBUF_STRIDES | PyBUF_FORMAT) != 0) return false;
  held = true;
  if (view.ndim != 1) {
    PyErr_Format(PyExc_TypeError, "%s is a column, not %d-dimensional", name, view.ndim);
    return false;
  }
  return true;
}

// `given` is None (missing in every row), a list of objects, or (numbers, mask or None).
bool open_input(PyObject *given, Input &input, Py_ssize_t rows) {
  if (given == Py_None) {
    input.source = Source::absent;
    return true;
  }
  if (PyList_Check(given)) {
    input.source = Source::objects;
    input.objects = given;
    input.length = PyList_GET_SIZE(given);
  } else if (PyTuple_Check(given) && PyTuple_GET_SIZE(given) == 2) {
    input.source = Source::buffer;
    if (!open_buffer(PyTuple_GET_ITEM(given, 0), input.data, input.has_data, input.name)) return false;
    input.format = number_format(input.data.format);
    if (input.format == 0 || (input.sex && input.format != 'B')) {
      PyErr_Format(PyExc_TypeError, "%s takes numbers, not a buffer of format %s", input.name,
                   input.data.format != nullptr ? input.data.format : "B");
      return false;
    }
    input.length = input.data.shape[0];
    PyObject *mask = PyTuple_GET_ITEM(given, 1);
    if (mask != Py_None) {
      if (!open_buffer(mask, input.mask, input.has_mask, input.name)) return false;
      if (input.mask.itemsize != 1 || input.mask.shape[0] != input.length) {
        PyErr_Format(PyExc_ValueError, "%s: its mask is not a byte for each row", input.name);
        return false;
      }
    }
  } else {
    PyErr_Format(PyExc_TypeError, "%s: a column is None, a list or (buffer, mask)", input.name);
    return false;
  }
  if (input.length != rows && input.length != 1) {
    PyErr_Format(PyExc_ValueError, "%s has %zd rows, not %zd", input.name, input.length, rows);
    return false;
  }
  return true;
}

template <typename T>
void widen(const char *at, std::ptrdiff_t stride, std::size_t count, double *out) {
  for (std::size_t row = 0; row < count; ++row, at += stride) {
    T value;
    std::memcpy(&value, at, sizeof value);
    out[row] = static_cast<double>(value);
  }
}

// Numbers of another type as doubles; a 64-bit integer beyond 2^53 becomes the nearest double.
void widen_buffer(char format, const char *at, std::ptrdiff_t stride, std::size_t count, double *out) {
  switch (format) {
    case 'f': widen<float>(at, stride, count, out); break;
    case 'b': widen<signed char>(at, stride, count, out); break;
    case 'B': widen<unsigned char>(at, stride, count, out); break;
    case '?': widen<bool>(at, stride, count, out); break;
    case 'h': widen<short>(at, stride, count, out); break;
    case 'H': widen<unsigned short>(at, stride, count, out); break;
    case 'i': widen<int>(at, stride, count, out); break;
    case 'I': widen<unsigned>(at, stride, count, out); break;
    case 'l': widen<long>(at, stride, count, out); break;
    case 'L': widen<unsigned long>(at, stride, count, out); break;
    case 'q': widen<long long>(at, stride, count, out); break;
    case 'Q': widen<unsigned long long>(at, stride, count, out); break;
    case 'n': widen<Py_ssize_t>(at, stride, count, out); break;
    case 'N': widen<std::size_t>(at, stride, count, out); break;
    default: widen<double>(at, stride, count, out); break;
  }
}

bool is_marker(PyObject *item, PyObject *markers) {
  if (item == Py_None) return true;
  for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(markers); ++i) {
    if (item == PyTuple_GET_ITEM(markers, i)) return true;
  }
  return false;
}

// A number cell of a list: a float, an int, anything float() takes but text; None or a marker
// is missing. False, with an exception naming the row, for anything else.
bool object_number(PyObject *item, PyObject *markers, const Input &input, Py_ssize_t row, double &value,
                   unsigned char &missing) {
  missing = 0;
  if (PyFloat_Check(item)) {
    value = PyFloat_AS_DOUBLE(item);
    return true;
  }
  if (is_marker(item, markers)) {
    missing = 1;
    value = 0.0;
    return true;
  }
  if (PyLong_Check(item)) {
    value = PyLong_AsDouble(item);
    if (value == -1.0 && PyErr_Occurred()) {
      if (!PyErr_ExceptionMatches(PyExc_OverflowError)) return false;
      // Beyond every double, as the library reads so long a number.
      PyErr_Clear();
      PyObject *zero = PyLong_FromLong(0);
      if (zero == nullptr) return false;
      const int negative = PyObject_RichCompareBool(item, zero, Py_LT);
      Py_DECREF(zero);
      if (negative < 0) return false;
      value = negative != 0 ? -HUGE_VAL : HUGE_VAL;
    }
    return true;
  }
  PyObject *real = nullptr;
  if (!PyUnicode_Check(item) && !PyBytes_Check(item) && !PyByteArray_Check(item)) {
    real = PyNumber_Float(item);
    if (real == nullptr) PyErr_Clear();
  }
  if (real == nullptr) {
    PyErr_Format(PyExc_TypeError, "%s, row %zd: %R is not a number", input.name, row, item);
    return false;
  }
  value = PyFloat_AS_DOUBLE(real);
  Py_DECREF(real);
  return true;
}

// TAMSEL_SEX_MALE or TAMSEL_SEX_FEMALE for M, F, male or female in either case; -1 for any
// other text. No other word is taken for a sex: which one it means would be a guess.
int sex_word(PyObject *text) {
#if PY_VERSION_HEX < 0x030C0000
  if (PyUnicode_READY(text) < 0) return -2;
#endif
  if (!PyUnicode_IS_ASCII(text)) return -1;
  return tamsel_sex_code(reinterpret_cast<const char *>(PyUnicode_1BYTE_DATA(text)),
                         static_cast<std::size_t>(PyUnicode_GET_LENGTH(text)));
}

// A sex cell of a list: a sex word, or None, a marker or a float NaN for missing.
bool object_sex(PyObject *item, PyObject *markers, const Input &input, Py_ssize_t row, unsigned char &code) {
  if (PyUnicode_Check(item)) {
    const int word = sex_word(item);
    if (word == -2) return false;
    if (word < 0) {
      PyErr_Format(PyExc_ValueError, "%s, row %zd: %R is not M, F, male or female", input.name, row, item);
      return false;
    }
    code = static_cast<unsigned char>(word);
    return true;
  }
  if (is_marker(item, markers) || (PyFloat_Check(item) && std::isnan(PyFloat_AS_DOUBLE(item)))) {
    code = TAMSEL_SEX_MISSING;
    return true;
  }
  PyErr_Format(PyExc_TypeError, "%s, row %zd: a sex is a str such as 'M' or 'F', not %.100s", input.name, row,
               Py_TYPE(item)->tp_name);
  return false;
}

// sex_codes(cells, markers) -> bytes: each cell's code as a column of sex codes takes it, 254
// for a cell that is no sex (a pandas Categorical's categories are read this way, once each).
PyObject *sex_codes(PyObject *, PyObject *args) {
  PyObject *cells = nullptr, *markers = nullptr;
  if (!PyArg_ParseTuple(args, "O!O!", &PyList_Type, &cells, &PyTuple_Type, &markers)) return nullptr;
  const Py_ssize_t count = PyList_GET_SIZE(cells);
  PyObject *codes = PyBytes_FromStringAndSize(nullptr, count);
  if (codes == nullptr) return nullptr;
  auto *out = reinterpret_cast<unsigned char *>(PyBytes_AS_STRING(codes));
  Input input;
  input.sex = true;
  for (Py_ssize_t i = 0; i < count && i < PyList_GET_SIZE(cells); ++i) {
    PyObject *cell = new_ref(PyList_GET_ITEM(cells, i));
    if (!object_sex(cell, markers, input, i, out[i])) {
      PyErr_Clear();
      out[i] = 254;
    }
    Py_DECREF(cell);
  }
  return codes;
}

// Turns `count` cells of a list from `start` on into input.reals (or codes) and input.marks.
// A float() of an odd object may run Python code that changes the list, so each cell is held
// while it is read and the list's length is looked at every time.
bool convert_objects(Input &input, Py_ssize_t start, std::size_t count, PyObject *markers) {
  for (std::size_t at = 0; at < count; ++at) {
    const Py_ssize_t row = start + static_cast<Py_ssize_t>(at);
    if (row >= PyList_GET_SIZE(input.objects)) {
      PyErr_Format(PyExc_RuntimeError, "%s changed while it was read", input.name);
      return false;
    }
    PyObject *item = new_ref(PyList_GET_ITEM(input.objects, row));
    const bool read = input.sex ? object_sex(item, markers, input, row, input.codes[at])
                                : object_number(item, markers, input, row, input.reals[at], input.marks[at]);
    Py_DECREF(item);
    if (!read) return false;
  }
  return true;
}

// The core's view of rows [start, start + count) of one input, converted first if it must be.
bool chunk_column(Input &input, Py_ssize_t start, std::size_t count, PyObject *markers, TamselColumn &column) {
  column = TamselColumn{nullptr, 0, nullptr, 0};
  if (input.source == Source::absent) return true;
  // A column of one row is read at row 0 for every row.
  const bool single = input.length == 1;
  const Py_ssize_t first = single ? 0 : start;
  const std::size_t cells = single ? 1 : count;
  if (input.source == Source::objects) {
    if (!convert_objects(input, first, cells, markers)) return false;
    if (input.sex) {
      column.data = input.codes;
      column.stride = single ? 0 : 1;
    } else {
      column.data = input.reals;
      column.stride = single ? 0 : static_cast<std::ptrdiff_t>(sizeof(double));
      column.missing = input.marks;
      column.missing_stride = single ? 0 : 1;
    }
    return true;
  }
  const std::ptrdiff_t stride = input.data.strides[0];
  const char *at = static_cast<const char *>(input.data.buf) + first * stride;
  if (input.converts()) {
    widen_buffer(input.format, at, stride, cells, input.reals);
    column.data = input.reals;
    column.stride = single ? 0 : static_cast<std::ptrdiff_t>(sizeof(double));
  } else {
    column.data = at;
    column.stride = single ? 0 : stride;
  }
  if (input.has_mask) {
    const std::ptrdiff_t mask_stride = input.mask.strides[0];
    column.missing = static_cast<const unsigned char *>(input.mask.buf) + first * mask_stride;
    column.missing_stride = single ? 0 : mask_stride;
  }
  return true;
}

// The arguments of row `row` of a chunk as tamsel_evaluate takes them.
void row_arguments(const TamselFormulaInfo &info, const TamselColumn *columns, std::size_t row, double *out) {
  for (std::size_t place = 0; place < info.argument_count; ++place) {
    const TamselColumn &column = columns[place];
    out[place] = 0.0;
    if (column.data == nullptr) continue;
    const char *at = static_cast<const char *>(column.data) + static_cast<std::ptrdiff_t>(row) * column.stride;
    if (info.arguments[place].type == TAMSEL_ARGUMENT_SEX) {
      out[place] = static_cast<double>(static_cast<unsigned char>(*at));
    } else {
      std::memcpy(&out[place], at, sizeof(double));
    }
  }
}

// The sentences of a row's warnings, in order, as a tuple of str.
PyObject *row_sentences(int formula, const double *arguments, unsigned options, TamselWarnings warnings) {
  Py_ssize_t count = 0;
  for (TamselWarnings bits = warnings; bits != 0; bits &= bits - 1) ++count;
  PyObject *sentences = PyTuple_New(count);
  char text[TAMSEL_WARNING_BYTES];
  Py_ssize_t at = 0;
  for (unsigned bit = 0; bit < TAMSEL_WARNING_BITS && sentences != nullptr; ++bit) {
    if ((warnings >> bit & 1u) == 0) continue;
    const std::size_t size = tamsel_warning_text(formula, arguments, options, bit, text, sizeof text);
    PyObject *sentence = utf8_text(text, size);
    if (sentence == nullptr) {
      Py_DECREF(sentences);
      return nullptr;
    }
    PyTuple_SET_ITEM(sentences, at++, sentence);
  }
  return sentences;
}

// A writable buffer of `rows` items of `size` bytes, or None.
bool open_output(PyObject *given, Py_buffer &view, bool &held, Py_ssize_t rows, Py_ssize_t size) {
  if (given == Py_None) return true;
  if (PyObject_GetBuffer(given, &view, PyBUF_CONTIG) != 0) return false;
  held = true;
  if (view.itemsize != size || view.len != rows * size) {
    PyErr_SetString(PyExc_ValueError, "an output buffer has the wrong size");
    return false;
  }
  return true;
}

struct Outputs {
  Py_buffer values{}, kinds{}, categories{};
  bool has_values = false, has_kinds = false, has_categories = false;
  ~Outputs() {
    if (has_values) PyBuffer_Release(&values);
    if (has_kinds) PyBuffer_Release(&kinds);
    if (has_categories) PyBuffer_Release(&categories);
  }
};

// evaluate(formula, columns, options, rows, values, kinds, categories, every_row, markers)
//   -> (warned rows, [(row, sentences)] of the first few, {row: sentences} or None)
// `columns` holds one entry per argument (None, a list, or (buffer, mask or None)); values,
// kinds and categories are None or writable buffers of `rows` doubles, bytes and signed bytes
// (the category's place in its scheme, -1 for none). With every_row, the sentences of every
// warned row come back in the dict.
PyObject *evaluate(PyObject *, PyObject *args) {
  int formula = 0, every_row = 0;
  unsigned options = 0;
  Py_ssize_t rows = 0;
  PyObject *given = nullptr, *value_out = nullptr, *kind_out = nullptr, *category_out = nullptr;
  PyObject *markers = nullptr;
  if (!PyArg_ParseTuple(args, "iO!InOOOpO!", &formula, &PyTuple_Type, &given, &options, &rows, &value_out,
                        &kind_out, &category_out, &every_row, &PyTuple_Type, &markers)) {
    return nullptr;
  }
  const TamselFormulaInfo *info = tamsel_formula_info(formula);
  if (info == nullptr || rows < 0 || PyTuple_GET_SIZE(given) != static_cast<Py_ssize_t>(info->argument_count)) {
    PyErr_SetString(PyExc_ValueError, "evaluate: no such formula, or not its arguments");
    return nullptr;
  }
  Input inputs[TAMSEL_MAX_ARGUMENTS];
  Outputs out;
  const std::size_t count = info->argument_count;
  std::size_t opened = 0;
  void *room = nullptr;
  PyObject *summary = nullptr, *warned = nullptr, *result = nullptr;
  Py_ssize_t warned_rows = 0;
  bool ok = open_output(value_out, out.values, out.has_values, rows, sizeof(double)) &&
            open_output(kind_out, out.kinds, out.has_kinds, rows, 1) &&
            open_output(category_out, out.categories, out.has_categories, rows, 1);
  for (; ok && opened < count; ++opened) {
    inputs[opened].sex = info->arguments[opened].type == TAMSEL_ARGUMENT_SEX;
    inputs[opened].name = info->arguments[opened].name;
    ok = open_input(PyTuple_GET_ITEM(given, static_cast<Py_ssize_t>(opened)), inputs[opened], rows);
  }
  if (ok) {
    // One block: the chunk's warnings, then a chunk of doubles, codes and marks for each column
    // that is converted.
    constexpr std::size_t per_column = kChunkRows * (sizeof(double) + 2);
    room = PyMem_Malloc(kChunkRows * sizeof(TamselWarnings) + count * per_column);
    ok = room != nullptr;
    if (!ok) PyErr_NoMemory();
  }
  summary = ok ? PyList_New(0) : nullptr;
  warned = ok && every_row != 0 ? PyDict_New() : nullptr;
  ok = ok && summary != nullptr && (every_row == 0 || warned != nullptr);
  if (ok) {
    auto *warnings = static_cast<TamselWarnings *>(room);
    auto *free_room = reinterpret_cast<unsigned char *>(warnings + kChunkRows);
    for (std::size_t place = 0; place < count; ++place) {
      Input &input = inputs[place];
      if (!input.converts()) continue;
      input.reals = reinterpret_cast<double *>(free_room);
      input.codes = free_room + kChunkRows * sizeof(double);
      input.marks = input.codes + kChunkRows;
      free_room += kChunkRows * (sizeof(double) + 2);
    }
    auto *values = static_cast<double *>(out.values.buf);
    auto *kinds = static_cast<unsigned char *>(out.kinds.buf);
    auto *categories = static_cast<unsigned char *>(out.categories.buf);
    const auto first_category = static_cast<unsigned char>(info->first_category);
    for (Py_ssize_t start = 0; ok && start < rows; start += static_cast<Py_ssize_t>(kChunkRows)) {
      const std::size_t chunk = std::min(kChunkRows, static_cast<std::size_t>(rows - start));
      TamselColumn columns[TAMSEL_MAX_ARGUMENTS] = {};
      for (std::size_t place = 0; ok && place < count; ++place) {
        ok = chunk_column(inputs[place], start, chunk, markers, columns[place]);
      }
      if (!ok) break;
      double *chunk_values = values != nullptr ? values + start : nullptr;
      unsigned char *chunk_kinds = kinds != nullptr ? kinds + start : nullptr;
      unsigned char *chunk_categories = categories != nullptr ? categories + start : nullptr;
      std::ptrdiff_t chunk_warned = 0;
      if (chunk >= kReleaseRows) {
        Py_BEGIN_ALLOW_THREADS
        chunk_warned = tamsel_evaluate_columns(formula, chunk, columns, options, chunk_values, chunk_kinds,
                                               chunk_categories, warnings);
        Py_END_ALLOW_THREADS
      } else {
        chunk_warned = tamsel_evaluate_columns(formula, chunk, columns, options, chunk_values, chunk_kinds,
                                               chunk_categories, warnings);
      }
      if (chunk_categories != nullptr) {
        // The category's place in its scheme; 255 reads as -1 in a signed byte.
        for (std::size_t row = 0; row < chunk; ++row) {
          const unsigned char id = chunk_categories[row];
          chunk_categories[row] = id == TAMSEL_CATEGORY_NONE ? 255 : static_cast<unsigned char>(id - first_category);
        }
      }
      warned_rows += chunk_warned;
      for (std::size_t row = 0; chunk_warned > 0 && row < chunk; ++row) {
        if (warnings[row] == 0) continue;
        const bool in_summary = PyList_GET_SIZE(summary) < kSummaryRows;
        if (!in_summary && warned == nullptr) break;
        double arguments[TAMSEL_MAX_ARGUMENTS];
        row_arguments(*info, columns, row, arguments);
        PyObject *sentences = row_sentences(formula, arguments, options, warnings[row]);
        PyObject *index = sentences != nullptr ? PyLong_FromSsize_t(start + static_cast<Py_ssize_t>(row)) : nullptr;
        ok = index != nullptr;
        if (ok && in_summary) {
          PyObject *pair = PyTuple_Pack(2, index, sentences);
          ok = pair != nullptr && PyList_Append(summary, pair) == 0;
          Py_XDECREF(pair);
        }
        if (ok && warned != nullptr) ok = PyDict_SetItem(warned, index, sentences) == 0;
        Py_XDECREF(index);
        Py_XDECREF(sentences);
        if (!ok) break;
      }
    }
  }
  if (ok) result = Py_BuildValue("(nOO)", warned_rows, summary, warned != nullptr ? warned : Py_None);
  Py_XDECREF(summary);
  Py_XDECREF(warned);
  PyMem_Free(room);
  release_inputs(inputs, count);
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
    {"review_answer", review_answer, METH_O,
     "review_answer(text, /)\n--\n\nA stored answer's kind, number and unit; ValueError for no answer"},
    {"formula_table", formula_table, METH_NOARGS, "formula_table()\n--\n\nThe formula table, by formula number"},
    {"kind_table", kind_table, METH_NOARGS, "kind_table()\n--\n\nThe kinds' names, by code"},
    {"find_formula", find_formula, METH_O, "find_formula(keyword, /)\n--\n\nThe formula's number, or -1"},
    {"sex_codes", sex_codes, METH_VARARGS, "sex_codes(cells, markers, /)\n--\n\nEach cell's sex code, 254 for none"},
    {"evaluate", evaluate, METH_VARARGS,
     "evaluate(formula, columns, options, rows, values, kinds, categories, every_row, markers, /)\n--\n\n"
     "(warned rows, [(row, sentences)] of the first few, {row: sentences} or None)"},
    {nullptr, nullptr, 0, nullptr},
};

PyModuleDef module_definition = {
    PyModuleDef_HEAD_INIT, "tamsel_health._native",
    "The calculator, its review and the typed core, compiled in; text calls are serialised by the GIL.", -1,
    methods, nullptr, nullptr, nullptr, nullptr,
};

}  // namespace

PyMODINIT_FUNC PyInit__native(void) {
  for (int kind = 0; kind < TAMSEL_KIND_COUNT; ++kind) {
    kind_names[kind] = PyUnicode_InternFromString(tamsel_kind_name(static_cast<TamselAnswerKind>(kind)));
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
