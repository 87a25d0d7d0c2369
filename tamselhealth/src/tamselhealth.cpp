// SPDX-License-Identifier: MIT
// The calculator for R through .Call: each row of R's vectors becomes one request, which the
// library answers and the review reads, and the answers go straight into R vectors.
//
// R may leave any of these functions by a long jump (an interrupt, a failed allocation), so
// nothing here has a destructor, and nothing here throws.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstddef>
#include <cstring>

#define R_NO_REMAP
#include <R.h>
#include <Rinternals.h>
#include <R_ext/Rdynload.h>

#include "review/TamselReview.h"
#include "review/unicode.h"

namespace {

// A request built from R's numbers: the keyword (at most 14 bytes, "pulse_pressure") and at
// most five arguments, each after a space. A real argument, written as the shortest text that
// reads back as the same double, is at most 24 bytes ("-2.2250738585072014e-308"). An integer
// argument is written without an exponent, because the library reads it as atoi does and
// would take "1e+05" for 1: at most 327 bytes ("-0." then 323 zeros and "5" for -5e-324). A
// sex is at most max_sex_bytes. The longest is pulse_pressure with two integer arguments,
// 14 + 2 x (1 + 327) = 670 bytes, or bmr_harris, 10 + 65 + 2 x 25 + 328 = 453: under the
// 1023 bytes that the library reads, so no request is ever cut.
constexpr std::size_t max_sex_bytes = 64;
constexpr std::size_t request_bytes = 1024;

// The most arguments a formula takes (bodyfat_navy).
constexpr int max_arguments = 5;

// How many rows' warnings the summary quotes.
constexpr int quoted_rows = 3;

// Rows between two looks for the user's interrupt: a few milliseconds of work.
constexpr R_xlen_t interrupt_rows = 1 << 16;

// How each argument is read: 'r' a real number, 'i' an integer (the library truncates), 's' a
// sex, 'h' the hip of a woman (a man's hip is not part of his request).
struct Formula {
  const char* keyword;
  const char* arguments;
};

const Formula formulas[] = {
    {"bmi", "rr"},           {"bmr_harris", "srri"},  {"bmr_mifflin", "srri"},  {"bodyfat_navy", "srrrh"},
    {"whr", "rr"},           {"ideal_devine", "sr"},  {"ideal_robinson", "sr"}, {"ideal_miller", "sr"},
    {"bsa", "rr"},           {"lbm", "srr"},          {"tdee", "rr"},           {"max_hr", "i"},
    {"target_hr", "ir"},     {"bai", "rr"},           {"wthr", "rr"},           {"bp_category", "ii"},
    {"map", "ii"},           {"pulse_pressure", "ii"},
};

enum class Output { value, category, text, record };

// The R vectors being filled, those that the output asks for.
struct Columns {
  Output output;
  SEXP value, category, text;
  SEXP request, kind, unit, warnings, category_source;
};

struct Summary {
  double rows;  // rows with warnings; a double, since R's vectors may be longer than int
  int quoted;
  SEXP first;   // quoted_rows strings: "row 12: ..."
};

// The CHARSXPs of the review's static texts (NA for none), so that a million rows look each one up once:
// 6 kinds, 7 units (the empty one included), 21 categories (8 of BMI, 5 of blood pressure, 3
// of waist-to-height, 5 of body fat) and 4 sources make 38. A text the table has no room for
// is simply made anew.
constexpr int static_text_slots = 48;

struct StaticTexts {
  const char* keys[static_text_slots];
  SEXP values[static_text_slots];
  int count;
};

SEXP static_text(StaticTexts& cache, const char* text) {
  if (text == nullptr) return NA_STRING;
  for (int index = 0; index < cache.count; ++index) {
    if (cache.keys[index] == text) return cache.values[index];
  }
  // CHARSXPs are cached by R itself and kept alive by the vectors that hold them.
  SEXP made = Rf_mkCharCE(text, CE_UTF8);
  if (cache.count < static_text_slots) {
    cache.keys[cache.count] = text;
    cache.values[cache.count] = made;
    ++cache.count;
  }
  return made;
}

bool starts_with(const char* text, std::size_t size, const char* prefix) {
  const std::size_t length = std::strlen(prefix);
  return size >= length && std::memcmp(text, prefix, length) == 0;
}

// A result's number as R should see it: the printed digits, or the infinity or NaN that the
// line prints in their place ("BMI: inf" for a height of 0, like 70 / 0 in R).
double result_value(const TamselRecord& record) {
  if (record.kind != TAMSEL_KIND_RESULT) return NA_REAL;
  if (record.has_value) return record.value;
  const char* label_end = static_cast<const char*>(std::memchr(record.text, ':', record.text_size));
  if (label_end == nullptr) return NA_REAL;
  const std::size_t label_size = static_cast<std::size_t>(label_end - record.text) + 2;
  if (label_size > record.text_size) return NA_REAL;
  const char* const number = record.text + label_size;
  const std::size_t rest = record.text_size - label_size;
  if (starts_with(number, rest, "-inf")) return R_NegInf;
  if (starts_with(number, rest, "inf")) return R_PosInf;
  if (starts_with(number, rest, "nan")) return R_NaN;
  return NA_REAL;
}

SEXP warning_vector(const TamselRecord& record) {
  SEXP warnings = PROTECT(Rf_allocVector(STRSXP, static_cast<R_xlen_t>(record.warning_count)));
  for (std::size_t index = 0; index < record.warning_count; ++index) {
    SET_STRING_ELT(warnings, static_cast<R_xlen_t>(index), Rf_mkCharCE(record.warnings[index], CE_UTF8));
  }
  UNPROTECT(1);
  return warnings;
}

// "row 12: weight_kg 0 is outside 2 to 400; height_m ...", cut to fit a fixed buffer. Worst
// case: "row " and 20 digits, ": ", then 16 warnings of at most 255 bytes with "; " between.
constexpr std::size_t quote_bytes = 32 + TAMSEL_REVIEW_MAX_WARNINGS * (TAMSEL_REVIEW_WARNING_BYTES + 2);

void put_text(char* out, std::size_t& used, const char* text) {
  const std::size_t length = std::strlen(text);
  const std::size_t room = quote_bytes - 1 - used;
  const std::size_t kept = length < room ? length : room;
  std::memcpy(out + used, text, kept);
  used += kept;
}

using WarningText = char[TAMSEL_REVIEW_WARNING_BYTES];

void note_warnings(Summary& summary, R_xlen_t row, const WarningText* warnings, std::size_t count) {
  if (count == 0) return;
  summary.rows += 1;
  if (summary.quoted == quoted_rows) return;
  char quote[quote_bytes];
  std::size_t used = 0;
  char number[24];
  const auto written = std::to_chars(number, number + sizeof number - 1, static_cast<long long>(row) + 1);
  *written.ptr = '\0';
  put_text(quote, used, "row ");
  put_text(quote, used, number);
  put_text(quote, used, ": ");
  for (std::size_t index = 0; index < count; ++index) {
    if (index != 0) put_text(quote, used, "; ");
    put_text(quote, used, warnings[index]);
  }
  quote[used] = '\0';
  SET_STRING_ELT(summary.first, summary.quoted, Rf_mkCharCE(quote, CE_UTF8));
  ++summary.quoted;
}

void put_missing(Columns& columns, R_xlen_t row) {
  switch (columns.output) {
    case Output::value:
      REAL(columns.value)[row] = NA_REAL;
      return;
    case Output::category:
      SET_STRING_ELT(columns.category, row, NA_STRING);
      return;
    case Output::text:
      SET_STRING_ELT(columns.text, row, NA_STRING);
      return;
    case Output::record:
      break;
  }
  SET_STRING_ELT(columns.request, row, NA_STRING);
  SET_STRING_ELT(columns.kind, row, NA_STRING);
  SET_STRING_ELT(columns.text, row, NA_STRING);
  REAL(columns.value)[row] = NA_REAL;
  SET_STRING_ELT(columns.unit, row, NA_STRING);
  SET_VECTOR_ELT(columns.warnings, row, Rf_allocVector(STRSXP, 0));
  SET_STRING_ELT(columns.category, row, NA_STRING);
  SET_STRING_ELT(columns.category_source, row, NA_STRING);
}

void put_record(Columns& columns, StaticTexts& cache, R_xlen_t row, const char* request, std::size_t request_size,
                const TamselRecord& record) {
  switch (columns.output) {
    case Output::value:
      REAL(columns.value)[row] = result_value(record);
      return;
    case Output::category:
      SET_STRING_ELT(columns.category, row, static_text(cache, record.category));
      return;
    case Output::text:
      SET_STRING_ELT(columns.text, row, Rf_mkCharLenCE(record.text, static_cast<int>(record.text_size), CE_UTF8));
      return;
    case Output::record:
      break;
  }
  SET_STRING_ELT(columns.request, row, Rf_mkCharLenCE(request, static_cast<int>(request_size), CE_UTF8));
  SET_STRING_ELT(columns.kind, row, static_text(cache, tamsel_kind_name(record.kind)));
  SET_STRING_ELT(columns.text, row, Rf_mkCharLenCE(record.text, static_cast<int>(record.text_size), CE_UTF8));
  REAL(columns.value)[row] = result_value(record);
  SET_STRING_ELT(columns.unit, row, static_text(cache, record.unit));
  SET_VECTOR_ELT(columns.warnings, row, warning_vector(record));
  SET_STRING_ELT(columns.category, row, static_text(cache, record.category));
  SET_STRING_ELT(columns.category_source, row,
                 static_text(cache, record.category_source));
}

// Allocates what the output needs; the caller unprotects `*protected_count` objects.
void allocate_columns(Columns& columns, Output output, R_xlen_t rows, int* protected_count) {
  const SEXP none = R_NilValue;
  columns = Columns{output, none, none, none, none, none, none, none, none};
  int count = 0;
  if (output == Output::value || output == Output::record) {
    columns.value = PROTECT(Rf_allocVector(REALSXP, rows));
    ++count;
  }
  if (output == Output::category || output == Output::record) {
    columns.category = PROTECT(Rf_allocVector(STRSXP, rows));
    ++count;
  }
  if (output == Output::text || output == Output::record) {
    columns.text = PROTECT(Rf_allocVector(STRSXP, rows));
    ++count;
  }
  if (output == Output::record) {
    columns.request = PROTECT(Rf_allocVector(STRSXP, rows));
    columns.kind = PROTECT(Rf_allocVector(STRSXP, rows));
    columns.unit = PROTECT(Rf_allocVector(STRSXP, rows));
    columns.warnings = PROTECT(Rf_allocVector(VECSXP, rows));
    columns.category_source = PROTECT(Rf_allocVector(STRSXP, rows));
    count += 5;
  }
  *protected_count = count;
}

SEXP named_list(const char* const* names, const SEXP* items, int count) {
  SEXP list = PROTECT(Rf_allocVector(VECSXP, count));
  SEXP list_names = PROTECT(Rf_allocVector(STRSXP, count));
  for (int index = 0; index < count; ++index) {
    SET_VECTOR_ELT(list, index, items[index]);
    SET_STRING_ELT(list_names, index, Rf_mkChar(names[index]));
  }
  Rf_setAttrib(list, R_NamesSymbol, list_names);
  UNPROTECT(2);
  return list;
}

// list(answer, warned_rows, first_warnings): the answer is one vector, or for a record the
// columns of a data frame in the order of ask().
SEXP finish(const Columns& columns, const Summary& summary) {
  SEXP answer = R_NilValue;
  switch (columns.output) {
    case Output::value: answer = columns.value; break;
    case Output::category: answer = columns.category; break;
    case Output::text: answer = columns.text; break;
    case Output::record: {
      static const char* const names[] = {"request", "kind", "text", "value", "unit", "warnings", "category",
                                          "category_source"};
      const SEXP items[] = {columns.request, columns.kind, columns.text, columns.value, columns.unit, columns.warnings,
                            columns.category, columns.category_source};
      answer = named_list(names, items, 8);
      break;
    }
  }
  PROTECT(answer);
  SEXP first = PROTECT(Rf_lengthgets(summary.first, summary.quoted));
  SEXP rows = PROTECT(Rf_ScalarReal(summary.rows));
  static const char* const names[] = {"answer", "warned_rows", "first_warnings"};
  const SEXP items[] = {answer, rows, first};
  SEXP result = named_list(names, items, 3);
  UNPROTECT(3);
  return result;
}

Output output_of(SEXP code) {
  switch (Rf_asInteger(code)) {
    case 1: return Output::category;
    case 2: return Output::text;
    case 3: return Output::record;
    default: return Output::value;
  }
}

const Formula* find_formula(SEXP keyword) {
  const char* text = CHAR(STRING_ELT(keyword, 0));
  for (const Formula& formula : formulas) {
    if (std::strcmp(formula.keyword, text) == 0) return &formula;
  }
  return nullptr;
}

// A sex the library can take as one token: a space or tab would split it, and an empty one
// would vanish, either way changing the count of arguments.
bool is_one_word(const char* text) {
  const std::size_t length = std::strlen(text);
  if (length == 0 || length > max_sex_bytes) return false;
  return std::strpbrk(text, " \t") == nullptr;
}

bool is_male(const char* sex) { return sex[0] == 'M' || sex[0] == 'm'; }

// Powers of ten that doubles hold exactly.
constexpr double powers_of_ten[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6};
constexpr int max_short_decimals = 6;

// 2^53: every whole number below it is a double.
constexpr double exact_integers = 9007199254740992.0;

// Writes `digits` with a point `decimals` places from its right.
char* put_decimal(char* out, std::uint64_t digits, int decimals) {
  char reversed[24];
  int count = 0;
  do {
    reversed[count++] = static_cast<char>('0' + digits % 10);
    digits /= 10;
  } while (digits != 0);
  while (count <= decimals) reversed[count++] = '0';  // "0.05", not ".05"
  while (count > 0) {
    if (count == decimals) *out++ = '.';
    *out++ = reversed[--count];
  }
  return out;
}

// Measurements as people record them (70.3, 1.75, 120) have a short decimal form; finding it
// by arithmetic costs a few nanoseconds, a tenth of the general shortest conversion. With m
// and 10^d exact, m / 10^d is the double nearest the decimal m x 10^-d, so when it equals the
// value, that decimal reads back as the value. Returns nullptr when there is no such form.
char* put_short_decimal(char* out, double value) {
  const double magnitude = value < 0 || (value == 0 && std::signbit(value)) ? -value : value;
  for (int decimals = 0; decimals <= max_short_decimals; ++decimals) {
    const double scaled = magnitude * powers_of_ten[decimals];
    if (!(scaled < exact_integers)) return nullptr;  // NaN and infinities too
    const auto digits = static_cast<std::uint64_t>(scaled + 0.5);
    if (static_cast<double>(digits) / powers_of_ten[decimals] == magnitude) {
      if (std::signbit(value)) *out++ = '-';
      return put_decimal(out, digits, decimals);
    }
  }
  return nullptr;
}

// The arguments of one call, looked up once rather than on every row.
struct ArgumentColumns {
  int count;
  char kinds[max_arguments];
  SEXP strings[max_arguments];      // a sex
  const double* reals[max_arguments];
  bool recycled[max_arguments];     // length 1
};

void load_columns(const Formula& formula, SEXP arguments, ArgumentColumns& columns) {
  columns.count = static_cast<int>(std::strlen(formula.arguments));
  for (int index = 0; index < columns.count; ++index) {
    SEXP vector = VECTOR_ELT(arguments, index);
    columns.kinds[index] = formula.arguments[index];
    columns.strings[index] = columns.kinds[index] == 's' ? vector : R_NilValue;
    columns.reals[index] = columns.kinds[index] == 's' ? nullptr : REAL(vector);
    columns.recycled[index] = XLENGTH(vector) == 1;
  }
}

// R's NA is one NaN among many; only the others reach the library, which answers "nan".
bool is_na(double value) { return std::isnan(value) && ISNA(value); }

// Appends " " and the argument; returns false when the row has no request (an NA, a sex that
// is not one word).
bool put_argument(char*& out, char* end, const ArgumentColumns& columns, int argument, R_xlen_t row,
                  const char** bad_sex) {
  const R_xlen_t index = columns.recycled[argument] ? 0 : row;
  *out++ = ' ';
  if (columns.kinds[argument] == 's') {
    SEXP element = STRING_ELT(columns.strings[argument], index);
    if (element == NA_STRING) return false;
    const char* sex = Rf_translateCharUTF8(element);
    if (!is_one_word(sex)) {
      *bad_sex = sex;
      return false;
    }
    const std::size_t length = std::strlen(sex);
    std::memcpy(out, sex, length);
    out += length;
    return true;
  }
  const double value = columns.reals[argument][index];
  if (is_na(value)) return false;
  // Every form reads back as exactly this double: the library reads decimals correctly rounded.
  char* const short_end = put_short_decimal(out, value);
  if (short_end != nullptr) {
    out = short_end;
    return true;
  }
  const std::to_chars_result written = columns.kinds[argument] == 'i'
                                           ? std::to_chars(out, end, value, std::chars_format::fixed)
                                           : std::to_chars(out, end, value);
  out = written.ptr;
  return true;
}

// Builds row `row`'s request into `request`; returns its size, or 0 when the row has none.
std::size_t build_request(const Formula& formula, const ArgumentColumns& columns, R_xlen_t row, char* request,
                          const char** bad_sex) {
  char* out = request;
  char* const end = request + request_bytes;
  const std::size_t keyword_length = std::strlen(formula.keyword);
  std::memcpy(out, formula.keyword, keyword_length);
  out += keyword_length;
  bool male = false;
  for (int index = 0; index < columns.count; ++index) {
    if (columns.kinds[index] == 'h' && male) break;
    const char* const start = out + 1;
    if (!put_argument(out, end, columns, index, row, bad_sex)) return 0;
    if (columns.kinds[index] == 's') male = is_male(start);
  }
  return static_cast<std::size_t>(out - request);
}

// tamsel_ask for a request of ASCII bytes, as every request of numbers is: widening it takes
// a plain loop, and the review reads it as it is, so the two general conversions of
// tamsel_ask are saved. Anything else goes to tamsel_ask.
void ask(const char* request, std::size_t size, TamselRecord& record) {
  TamselChar16 wide[request_bytes + 1];
  for (std::size_t index = 0; index < size; ++index) {
    const auto byte = static_cast<unsigned char>(request[index]);
    if (byte >= 0x80) return tamsel_ask(request, size, &record);
    wide[index] = byte;
  }
  wide[size] = 0;
  char answer[TAMSEL_REVIEW_TEXT_BYTES];
  const std::size_t answer_size =
      tamsel::review::utf8_from_utf16(CalcHealth(wide), answer, sizeof answer, TAMSEL_REVIEW_TEXT_BYTES);
  tamsel_review(request, size, answer, answer_size, &record);
}


// Answers remembered within one call. Recorded measurements repeat (whole centimetres,
// tenths of a kilogram, whole years), and an answer depends on its request alone, so a
// request met before takes its value (or category) from here instead of the library. Only
// for the value and the category, and only for calls of many rows.
constexpr std::size_t memo_key_bytes = 47;
constexpr int least_memo_bits = 10;
constexpr int most_memo_bits = 16;  // 65,536 entries of 72 bytes: 4.5 MiB, for the call only

struct MemoEntry {
  double value;
  const char* category;
  unsigned char size;  // of the request; 0 for an empty entry
  bool warned;
  char request[memo_key_bytes];
};

struct Memo {
  MemoEntry* entries;
  int bits;
};

void start_memo(Memo& memo, Output output, R_xlen_t rows) {
  memo.entries = nullptr;
  memo.bits = 0;
  if ((output != Output::value && output != Output::category) || rows < (R_xlen_t{1} << least_memo_bits)) return;
  int bits = least_memo_bits;
  while (bits < most_memo_bits && (R_xlen_t{1} << bits) < rows) ++bits;
  const std::size_t count = std::size_t{1} << bits;
  // R frees it when the call returns, or when R leaves the call by a long jump.
  memo.entries = reinterpret_cast<MemoEntry*>(R_alloc(count, sizeof(MemoEntry)));
  for (std::size_t index = 0; index < count; ++index) memo.entries[index].size = 0;
  memo.bits = bits;
}

// The entry that `request` may be in: FNV-1a, then MurmurHash3's final mix, without which
// the last bytes (where requests mostly differ) would hardly reach the top bits that index
// the table.
MemoEntry* memo_entry(const Memo& memo, const char* request, std::size_t size) {
  if (memo.entries == nullptr || size > memo_key_bytes) return nullptr;
  std::uint64_t hash = 14695981039346656037u;
  for (std::size_t index = 0; index < size; ++index) {
    hash ^= static_cast<unsigned char>(request[index]);
    hash *= 1099511628211u;
  }
  hash ^= hash >> 33;
  hash *= 0xff51afd7ed558ccdu;
  hash ^= hash >> 33;
  hash *= 0xc4ceb9fe1a85ec53u;
  hash ^= hash >> 33;
  return &memo.entries[hash >> (64 - memo.bits)];
}

bool remembers(const MemoEntry* entry, const char* request, std::size_t size) {
  return entry != nullptr && entry->size == size && std::memcmp(entry->request, request, size) == 0;
}

void remember(MemoEntry* entry, const char* request, std::size_t size, const TamselRecord& record) {
  if (entry == nullptr) return;
  entry->value = result_value(record);
  entry->category = record.category;
  entry->warned = record.warning_count != 0;
  entry->size = static_cast<unsigned char>(size);
  std::memcpy(entry->request, request, size);
}

void put_remembered(Columns& columns, StaticTexts& cache, R_xlen_t row, const MemoEntry& entry) {
  if (columns.output == Output::value) {
    REAL(columns.value)[row] = entry.value;
  } else {
    SET_STRING_ELT(columns.category, row, static_text(cache, entry.category));
  }
}

void note_bad_sex(Summary& summary, R_xlen_t row, const char* sex) {
  WarningText warning;
  std::size_t used = 0;
  const char* const parts[] = {"sex \"", sex, "\" is not one word, so the row is NA"};
  for (const char* part : parts) {
    const std::size_t length = std::strlen(part);
    const std::size_t kept = length < sizeof warning - 1 - used ? length : sizeof warning - 1 - used;
    std::memcpy(warning + used, part, kept);
    used += kept;
  }
  warning[used] = '\0';
  note_warnings(summary, row, &warning, 1);
}

}  // namespace

// One formula over R's vectors, already checked and of lengths 1 or `rows`.
extern "C" SEXP tamselhealth_formula(SEXP keyword, SEXP arguments, SEXP rows_value, SEXP output_code) {
  const Formula* formula = find_formula(keyword);
  if (formula == nullptr) Rf_error("unknown formula");
  const R_xlen_t rows = static_cast<R_xlen_t>(Rf_asReal(rows_value));
  int protected_count = 0;
  Columns columns;
  allocate_columns(columns, output_of(output_code), rows, &protected_count);
  Summary summary{0, 0, PROTECT(Rf_allocVector(STRSXP, quoted_rows))};
  StaticTexts cache;
  cache.count = 0;
  ArgumentColumns argument_columns;
  load_columns(*formula, arguments, argument_columns);
  Memo memo;
  start_memo(memo, columns.output, rows);
  TamselRecord record;
  char request[request_bytes];
  for (R_xlen_t row = 0; row < rows; ++row) {
    if (row % interrupt_rows == interrupt_rows - 1) R_CheckUserInterrupt();
    const char* bad_sex = nullptr;
    const std::size_t size = build_request(*formula, argument_columns, row, request, &bad_sex);
    if (size == 0) {
      put_missing(columns, row);
      if (bad_sex != nullptr) note_bad_sex(summary, row, bad_sex);
      continue;
    }
    MemoEntry* const entry = memo_entry(memo, request, size);
    // The summary quotes the first rows with warnings, which the memo does not keep.
    if (remembers(entry, request, size) && !(entry->warned && summary.quoted < quoted_rows)) {
      put_remembered(columns, cache, row, *entry);
      if (entry->warned) summary.rows += 1;
      continue;
    }
    ask(request, size, record);
    put_record(columns, cache, row, request, size, record);
    note_warnings(summary, row, record.warnings, record.warning_count);
    remember(entry, request, size, record);
  }
  SEXP result = finish(columns, summary);
  UNPROTECT(protected_count + 1);
  return result;
}

// Requests as the user typed them: a character vector, NA giving NA.
extern "C" SEXP tamselhealth_ask(SEXP requests, SEXP output_code) {
  const R_xlen_t rows = XLENGTH(requests);
  int protected_count = 0;
  Columns columns;
  allocate_columns(columns, output_of(output_code), rows, &protected_count);
  Summary summary{0, 0, PROTECT(Rf_allocVector(STRSXP, quoted_rows))};
  StaticTexts cache;
  cache.count = 0;
  TamselRecord record;
  for (R_xlen_t row = 0; row < rows; ++row) {
    if (row % interrupt_rows == interrupt_rows - 1) R_CheckUserInterrupt();
    SEXP element = STRING_ELT(requests, row);
    if (element == NA_STRING) {
      put_missing(columns, row);
      continue;
    }
    const char* request = Rf_translateCharUTF8(element);
    const std::size_t size = std::strlen(request);
    tamsel_ask(request, size, &record);
    put_record(columns, cache, row, request, size, record);
    note_warnings(summary, row, record.warnings, record.warning_count);
  }
  SEXP result = finish(columns, summary);
  UNPROTECT(protected_count + 1);
  return result;
}

namespace {

// R keeps every entry point as one pointer type; void (*)() is the one that converts to and
// from any other without a warning.
template <typename Function>
DL_FUNC entry_point(Function* function) {
  return reinterpret_cast<DL_FUNC>(reinterpret_cast<void (*)()>(function));
}

const R_CallMethodDef call_methods[] = {
    {"tamselhealth_formula", entry_point(&tamselhealth_formula), 4},
    {"tamselhealth_ask", entry_point(&tamselhealth_ask), 2},
    {nullptr, nullptr, 0},
};

}  // namespace

extern "C" void R_init_tamselhealth(DllInfo* dll) {
  R_registerRoutines(dll, nullptr, call_methods, nullptr, nullptr);
  R_useDynamicSymbols(dll, FALSE);
  R_forceSymbols(dll, TRUE);
}
