// SPDX-License-Identifier: MIT
// What a WebAssembly host needs besides CalcHealth. JavaScript cannot hand the module a pointer
// to its own strings or arrays, so the module lends it fixed places in its memory: for the
// command line, and for the numbers of one row or of a chunk of columns, which JavaScript hands
// to the core's own calls (exported as they are). The module also carries the review of
// answers, which the shared library leaves out, so that JavaScript gets the very record the
// host program writes instead of classifying answers again.
#include <cstddef>
#include <cstdint>

#include "TamselCalculatorHealth.h"
#include "TamselReview.h"
#include "catalog/formula_table.h"
#include "core/TamselCore.h"
#include "frame/buffer_sizes.h"
#include "frame/output_text.h"

namespace {

TamselChar16 input_text[tamsel::wasm_input_units];

// Static, like every buffer of the library: the memory never grows and no call allocates.
TamselRecord record;

// The record as JavaScript reads it: addresses and sizes in 32-bit words, so that it needs no
// JSON to be written, decoded and parsed on every call. Words: the kind; the text's address
// and size; the digits' address and size; the unit's address; the category's, its source's and
// its note's addresses (0 for none); the warning count; then each warning's address.
constexpr std::size_t summary_fixed_words = 10;
constexpr std::size_t summary_words = summary_fixed_words + TAMSEL_REVIEW_MAX_WARNINGS;
std::uint32_t summary[summary_words];

// The answer as JavaScript joins it: words of the answer's address; the address of its format's
// units when it is one result line (0 otherwise), the units before the number, the number's,
// and those after it; and the answer's length in units. A format's parts never change, so
// JavaScript makes their strings once and joins only the number to them afterwards.
constexpr std::size_t answer_words = 6;
std::uint32_t answer_summary[answer_words];

// A wasm32 address fits 32 bits.
std::uint32_t address(const void* pointer) {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(pointer));
}

// Rows of columns that JavaScript hands the core at a time: it copies a chunk of its arrays in,
// calls tamsel_evaluate_columns, and copies the outputs out. A row takes five arguments as
// doubles (40 bytes), a sex code (1), the value (8), the warnings (8), the kind and the
// category (2): 59 bytes, so 4096 rows take 236 KiB of the memory, which never grows. Fewer
// rows a chunk cost more crossings between JavaScript and the module; more gain nothing.
constexpr std::size_t chunk_rows = 4096;

struct ColumnChunk {
  double arguments[TAMSEL_MAX_ARGUMENTS][chunk_rows];
  double values[chunk_rows];
  TamselWarnings warnings[chunk_rows];
  unsigned char sexes[chunk_rows];
  unsigned char kinds[chunk_rows];
  unsigned char categories[chunk_rows];
  TamselColumn columns[TAMSEL_MAX_ARGUMENTS];
};
ColumnChunk chunk;

// One row for tamsel_evaluate, and the text of one of its warnings (TAMSEL_WARNING_BYTES) or
// its printed number (TAMSEL_NUMBER_BYTES).
constexpr std::size_t row_text_bytes = TAMSEL_WARNING_BYTES > TAMSEL_NUMBER_BYTES ? TAMSEL_WARNING_BYTES
                                                                                   : TAMSEL_NUMBER_BYTES;
struct OneRow {
  double arguments[TAMSEL_MAX_ARGUMENTS];
  TamselRow row;
  char text[row_text_bytes];
};
OneRow one_row;

// Where JavaScript finds the places above, and the listing's order of the formulas, in words.
constexpr std::size_t place_words = 13;
std::uint32_t places[place_words];

// What index.js reads of the core's structs and assumes of its constants, so that a change
// stops the build instead of misleading JavaScript.
static_assert(sizeof(void*) == 4 && sizeof(std::size_t) == 4, "a wasm32 address and size are one word");
static_assert(offsetof(TamselArgumentInfo, name) == 0 && offsetof(TamselArgumentInfo, type) == 8 &&
                  offsetof(TamselArgumentInfo, unit) == 12 && offsetof(TamselArgumentInfo, label) == 16 &&
                  offsetof(TamselArgumentInfo, hint) == 20 && offsetof(TamselArgumentInfo, women_only) == 24 &&
                  offsetof(TamselArgumentInfo, range_count) == 28 && offsetof(TamselArgumentInfo, low) == 32 &&
                  offsetof(TamselArgumentInfo, high) == 48 && offsetof(TamselArgumentInfo, imperial_name) == 64 &&
                  offsetof(TamselArgumentInfo, imperial_unit) == 68 &&
                  offsetof(TamselArgumentInfo, imperial_factor) == 72 && sizeof(TamselArgumentInfo) == 80,
              "index.js reads an argument's description at these offsets");
static_assert(offsetof(TamselFormulaInfo, keyword) == 0 && offsetof(TamselFormulaInfo, title) == 4 &&
                  offsetof(TamselFormulaInfo, group) == 8 && offsetof(TamselFormulaInfo, label) == 16 &&
                  offsetof(TamselFormulaInfo, unit) == 20 && offsetof(TamselFormulaInfo, decimals) == 24 &&
                  offsetof(TamselFormulaInfo, argument_count) == 28 && offsetof(TamselFormulaInfo, arguments) == 32 &&
                  offsetof(TamselFormulaInfo, scheme) == 432 && offsetof(TamselFormulaInfo, scheme_source) == 436 &&
                  offsetof(TamselFormulaInfo, first_category) == 440 &&
                  offsetof(TamselFormulaInfo, category_count) == 444,
              "index.js reads a formula's description at these offsets");
static_assert(offsetof(TamselRow, value) == 0 && offsetof(TamselRow, kind) == 8 && offsetof(TamselRow, category) == 12 &&
                  offsetof(TamselRow, warnings) == 16 && sizeof(TamselRow::kind) == 4,
              "index.js reads a row at these offsets");
static_assert(offsetof(TamselColumn, data) == 0 && offsetof(TamselColumn, stride) == 4 &&
                  offsetof(TamselColumn, missing) == 8 && offsetof(TamselColumn, missing_stride) == 12 &&
                  sizeof(TamselColumn) == 16,
              "index.js writes a column at these offsets");
static_assert(TAMSEL_FORMULA_COUNT == 18 && TAMSEL_MAX_ARGUMENTS == 5 && TAMSEL_KIND_COUNT == 7 &&
                  TAMSEL_KIND_RESULT == 0 && TAMSEL_KIND_MISSING == 6 && TAMSEL_ARGUMENT_REAL == 0 &&
                  TAMSEL_ARGUMENT_WHOLE == 1 && TAMSEL_ARGUMENT_SEX == 2 && TAMSEL_SEX_FEMALE == 0 &&
                  TAMSEL_SEX_MALE == 1 && TAMSEL_SEX_MISSING == 255 && TAMSEL_NAN_IS_MISSING == 1 &&
                  TAMSEL_IMPERIAL(0) == 0x100 && TAMSEL_WARNING_BITS == 64,
              "index.js passes and reads these values");
static_assert(sizeof(tamsel::catalog::FormulaId) == 1, "the listing's order is a byte a formula");

}  // namespace

// libc++ calls abort() for a range error that it cannot throw (exceptions are off), and the
// standalone runtime's abort asks the host to end the process through WASI's proc_exit, an
// import that a browser does not have. No range error is ever raised (every substring the
// review takes lies inside its text); were one raised, the module traps instead, which reaches
// JavaScript as a RuntimeError, and it still needs nothing from its host.
extern "C" void abort() { __builtin_trap(); }

// The fixed places for the core's calls, in words: the rows of a chunk; the addresses of the
// chunk's arguments (TAMSEL_MAX_ARGUMENTS arrays of that many doubles), values, warnings, sex
// codes, kinds, categories and its columns (TamselColumn, which JavaScript fills); of one row's
// arguments, its TamselRow and its text (a warning's sentence, or its printed number); of the
// formulas' numbers in the listing's order, a byte each; and the size a warning's sentence is
// cut to, as a record's.
extern "C" TAMSEL_HEALTH_API const std::uint32_t* TamselPlaces() {
  places[0] = static_cast<std::uint32_t>(chunk_rows);
  places[1] = address(chunk.arguments);
  places[2] = address(chunk.values);
  places[3] = address(chunk.warnings);
  places[4] = address(chunk.sexes);
  places[5] = address(chunk.kinds);
  places[6] = address(chunk.categories);
  places[7] = address(chunk.columns);
  places[8] = address(one_row.arguments);
  places[9] = address(&one_row.row);
  places[10] = address(one_row.text);
  places[11] = address(tamsel::catalog::listing_order);
  places[12] = TAMSEL_WARNING_BYTES;
  return places;
}

// The core's column call on the chunk's places, for `rows` rows of the columns JavaScript put
// there; then each row's category as the formula's code, 0 for none and from 1 in its scheme's
// order (the ids `first` to `first + count - 1`), which JavaScript copies out as they are rather
// than turning them a row at a time. Returns how many rows warn, or -1 for no formula.
extern "C" TAMSEL_HEALTH_API std::ptrdiff_t TamselColumnChunk(int formula, std::uint32_t rows, unsigned options,
                                                              unsigned first, unsigned count) {
  const std::size_t size = rows < chunk_rows ? rows : chunk_rows;
  const std::ptrdiff_t warned = tamsel_evaluate_columns(formula, size, chunk.columns, options, chunk.values,
                                                        chunk.kinds, chunk.categories, chunk.warnings);
  for (std::size_t row = 0; row < size; ++row) {
    const unsigned id = chunk.categories[row];
    chunk.categories[row] = static_cast<unsigned char>(id - first < count ? id - first + 1 : 0);
  }
  return warned;
}

// The address of wasm_input_units code units where the host writes the command line (at most
// wasm_input_units - 1 of them, then a zero) before it calls CalcHealth with that address.
extern "C" TAMSEL_HEALTH_API TamselChar16* CalcHealthInput() { return input_text; }

// Answers and reviews the command line at `request` (the input buffer, filled as for
// CalcHealth) and returns the address of the record's summary; the record's text, digits and
// warnings are UTF-8, the rest static text, all zero-terminated, valid until the next call.
extern "C" TAMSEL_HEALTH_API const std::uint32_t* CalcHealthRecord(const TamselChar16* request) {
  tamsel_ask16(request, &record);
  summary[0] = static_cast<std::uint32_t>(record.kind);
  summary[1] = address(record.text);
  summary[2] = static_cast<std::uint32_t>(record.text_size);
  summary[3] = address(tamsel_record_digits(&record));
  summary[4] = static_cast<std::uint32_t>(record.digits_size);
  summary[5] = address(record.unit);
  summary[6] = address(record.category);
  summary[7] = address(record.category_source);
  summary[8] = address(record.category_note);
  summary[9] = static_cast<std::uint32_t>(record.warning_count);
  for (std::size_t index = 0; index < record.warning_count; ++index) {
    summary[summary_fixed_words + index] = address(record.warnings[index]);
  }
  return summary;
}

// CalcHealth for JavaScript: answers the command line at `request` (the input buffer) and
// returns the address of the answer's summary above.
extern "C" TAMSEL_HEALTH_API const std::uint32_t* CalcHealthText(const TamselChar16* request) {
  const TamselChar16* const answer = CalcHealth(request);
  const tamsel::OutputText& out = tamsel::last_output();
  answer_summary[0] = address(answer);
  if (out.answered_wide) {
    answer_summary[1] = address(out.wide_format);
    answer_summary[2] = static_cast<std::uint32_t>(out.wide_before);
    answer_summary[3] = static_cast<std::uint32_t>(out.wide_digits);
    answer_summary[4] = static_cast<std::uint32_t>(out.wide_after);
    answer_summary[5] = static_cast<std::uint32_t>(out.wide_before + out.wide_digits + out.wide_after);
  } else {
    // Widened byte for byte through the code page: as many units as bytes, as many as it kept.
    answer_summary[1] = 0;
    const std::size_t kept = out.length < tamsel::output_text_size - 1 ? out.length : tamsel::output_text_size - 1;
    answer_summary[5] = static_cast<std::uint32_t>(kept);
  }
  return answer_summary;
}
