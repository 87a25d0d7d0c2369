// SPDX-License-Identifier: MIT
// The calculator for R through .Call. The formula functions hand R's vectors to the core's
// column call where they lie, a block of rows at a time, and the core's rows go straight into
// R vectors; calc_health() and ask() send requests as typed to the library and its review.
//
// R may leave any of these functions by a long jump (an interrupt, a failed allocation), so
// nothing here has a destructor, and nothing here throws.
#include <charconv>
#include <climits>
#include <cstddef>
#include <cstring>

#define R_NO_REMAP
#include <R.h>
#include <Rinternals.h>
#include <R_ext/Rdynload.h>

#include "review/TamselReview.h"

namespace {

// How many rows' warnings the summary quotes.
constexpr int quoted_rows = 3;

// Rows between two looks for the user's interrupt: a few milliseconds of work.
constexpr R_xlen_t interrupt_rows = 1 << 16;

struct Summary {
  double rows;  // rows with warnings; a double, since R's vectors may be longer than int
  int quoted;
  SEXP first;   // quoted_rows strings: "row 12: ..."
};

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

// Counts a row with warnings, and quotes it while the summary has room.
void note_warnings(Summary& summary, R_xlen_t row, const char* const* sentences, std::size_t count) {
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
    put_text(quote, used, sentences[index]);
  }
  quote[used] = '\0';
  SET_STRING_ELT(summary.first, summary.quoted, Rf_mkCharCE(quote, CE_UTF8));
  ++summary.quoted;
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

// list(answer, warned_rows, first_warnings, and what `extra` names).
SEXP finish(SEXP answer, const Summary& summary, const char* extra_name, SEXP extra) {
  PROTECT(answer);
  SEXP first = PROTECT(Rf_lengthgets(summary.first, summary.quoted));
  SEXP rows = PROTECT(Rf_ScalarReal(summary.rows));
  const char* const names[] = {"answer", "warned_rows", "first_warnings", extra_name};
  const SEXP items[] = {answer, rows, first, extra};
  SEXP result = named_list(names, items, extra_name == nullptr ? 3 : 4);
  UNPROTECT(3);
  return result;
}

enum class Output { value, category, text, record };

Output output_of(SEXP code) {
  switch (Rf_asInteger(code)) {
    case 1: return Output::category;
    case 2: return Output::text;
    case 3: return Output::record;
    default: return Output::value;
  }
}

// --- Formulas on R's vectors ------------------------------------------------------------------

// Rows handed to the core at a time: a block's buffers (about 60 KB) stay in the cache, and the
// user's interrupt is looked for between blocks.
constexpr R_xlen_t block_rows = 1024;

// "M", "F", "male" or "female" in either case: the sexes that a request takes without a word.
// Any other text names no sex the calculator can be told, so its row is missing.
unsigned char sex_code(SEXP text) {
  if (text == NA_STRING) return TAMSEL_SEX_MISSING;
  const int sex = tamsel_sex_code(CHAR(text), static_cast<std::size_t>(LENGTH(text)));
  return sex < 0 ? static_cast<unsigned char>(TAMSEL_SEX_MISSING) : static_cast<unsigned char>(sex);
}

// One argument of the call: a double vector read where it lies; an integer or logical vector
// (NA_integer_ is no double) turned into doubles a block at a time; a sex, from text or a
// factor, turned into codes a block at a time; or nothing, when the caller left out an argument
// that only women's rows need.
struct Argument {
  TamselArgumentType type;
  bool given;
  bool recycled;  // length 1: every row reads the first
  const double* reals;
  const int* integers;
  SEXP strings;                       // a sex as text, or a factor's levels
  const unsigned char* level_codes;   // a factor's levels as codes
  const int* level_index;             // a factor's codes, from 1
  int level_count;
};

// The buffers of one block. R_alloc'd: R frees them when the call returns, however it returns.
struct Block {
  double numbers[TAMSEL_MAX_ARGUMENTS][block_rows];  // integer arguments as doubles
  unsigned char sexes[block_rows];
  unsigned char unknown_sex[block_rows];  // text that names no sex
  unsigned char kinds[block_rows];
  unsigned char categories[block_rows];
  TamselWarnings warnings[block_rows];
  double values[block_rows];  // when the answer holds no values
};

struct Call {
  int formula;
  const TamselFormulaInfo* info;
  std::size_t count;
  Argument arguments[TAMSEL_MAX_ARGUMENTS];
  unsigned options;
  int women_only;  // its place, or -1
};

// The element of a sex argument as text, for the warning about it.
SEXP sex_text(const Argument& argument, R_xlen_t row) {
  const R_xlen_t at = argument.recycled ? 0 : row;
  if (argument.level_index != nullptr) return STRING_ELT(argument.strings, argument.level_index[at] - 1);
  return STRING_ELT(argument.strings, at);
}

// Fills the block's columns for rows `start` to `start + count`.
void load_block(const Call& call, R_xlen_t start, R_xlen_t count, Block& block, TamselColumn* columns) {
  for (std::size_t place = 0; place < call.count; ++place) {
    const Argument& argument = call.arguments[place];
    TamselColumn& column = columns[place];
    column = TamselColumn{nullptr, 0, nullptr, 0};
    if (!argument.given) continue;
    const R_xlen_t rows = argument.recycled ? 1 : count;
    const R_xlen_t first = argument.recycled ? 0 : start;
    if (argument.type == TAMSEL_ARGUMENT_SEX) {
      // Text repeats, and R keeps one copy of each string, so the last one's code is kept.
      SEXP last = nullptr;
      unsigned char last_code = TAMSEL_SEX_MISSING;
      for (R_xlen_t row = 0; row < rows; ++row) {
        unsigned char code;
        bool unknown;
        if (argument.level_index != nullptr) {
          // A code past the levels (a factor built by hand) is as missing as NA.
          const int level = argument.level_index[first + row];
          const bool known = level >= 1 && level <= argument.level_count;
          code = known ? argument.level_codes[level - 1] : TAMSEL_SEX_MISSING;
          unknown = known && code == TAMSEL_SEX_MISSING;
        } else {
          SEXP text = STRING_ELT(argument.strings, first + row);
          if (text != last) {
            last = text;
            last_code = sex_code(text);
          }
          code = last_code;
          unknown = text != NA_STRING && code == TAMSEL_SEX_MISSING;
        }
        block.sexes[row] = code;
        block.unknown_sex[row] = unknown ? 1 : 0;
      }
      column.data = block.sexes;
      column.stride = argument.recycled ? 0 : 1;
      continue;
    }
    if (argument.reals != nullptr) {
      column.data = argument.reals + first;
    } else {
      double* const numbers = block.numbers[place];
      for (R_xlen_t row = 0; row < rows; ++row) {
        const int value = argument.integers[first + row];
        // NaN is missing to the core, as NA is to R.
        numbers[row] = value == NA_INTEGER ? R_NaN : static_cast<double>(value);
      }
      column.data = numbers;
    }
    column.stride = argument.recycled ? 0 : static_cast<std::ptrdiff_t>(sizeof(double));
  }
}

// The numbers of row `row` (the block's `in_block`) as the core's one-row functions take them.
void row_arguments(const Call& call, const Block& block, R_xlen_t row, R_xlen_t in_block, double* out) {
  for (std::size_t place = 0; place < call.count; ++place) {
    const Argument& argument = call.arguments[place];
    const R_xlen_t at = argument.recycled ? 0 : row;
    const R_xlen_t block_at = argument.recycled ? 0 : in_block;
    if (!argument.given) {
      out[place] = 0;
    } else if (argument.type == TAMSEL_ARGUMENT_SEX) {
      out[place] = block.sexes[block_at];
    } else if (argument.reals != nullptr) {
      out[place] = argument.reals[at];
    } else {
      out[place] = block.numbers[place][block_at];
    }
  }
}

// A result the library prints as "inf", "-inf" or "nan", which the core's value leaves NaN: R
// holds them, as 70 / 0 gives Inf.
double unprinted_value(const Call& call, const double* arguments) {
  char digits[TAMSEL_NUMBER_BYTES];
  const std::size_t size = tamsel_result_digits(call.formula, arguments, 0, call.options, digits);
  const bool infinite = size >= 3 && std::memcmp(digits + size - 3, "inf", 3) == 0;
  if (!infinite) return R_NaN;
  return digits[0] == '-' ? R_NegInf : R_PosInf;
}

// The sentences of a row's warnings, in the order of their bits; a sex that names none first,
// as its argument comes first. Returns how many.
using Sentence = char[TAMSEL_WARNING_BYTES];

std::size_t row_sentences(const Call& call, const double* arguments, TamselWarnings bits, SEXP unknown_sex,
                          Sentence* sentences) {
  std::size_t count = 0;
  if (unknown_sex != nullptr) {
    const char* const parts[] = {"sex \"", Rf_translateCharUTF8(unknown_sex),
                                 "\" is not M, F, male or female, so the row is NA"};
    std::size_t used = 0;
    for (const char* part : parts) {
      const std::size_t length = std::strlen(part);
      const std::size_t kept = length < TAMSEL_WARNING_BYTES - 1 - used ? length : TAMSEL_WARNING_BYTES - 1 - used;
      std::memcpy(sentences[count] + used, part, kept);
      used += kept;
    }
    sentences[count][used] = '\0';
    ++count;
  }
  for (unsigned bit = 0; bit < TAMSEL_WARNING_BITS && count < TAMSEL_REVIEW_MAX_WARNINGS; ++bit) {
    if ((bits >> bit & 1u) == 0) continue;
    if (tamsel_warning_text(call.formula, arguments, call.options, bit, sentences[count], TAMSEL_WARNING_BYTES) != 0) {
      ++count;
    }
  }
  return count;
}

// The columns of a review that the typed record and ask()'s data frame share.
struct ReviewColumns {
  SEXP kind, unit, warnings, category_source, category_note;
};

constexpr int review_column_count = 5;

// Allocates them, leaving all review_column_count protected for the caller to unprotect.
ReviewColumns allocate_review_columns(R_xlen_t rows) {
  ReviewColumns made;
  made.kind = PROTECT(Rf_allocVector(STRSXP, rows));
  made.unit = PROTECT(Rf_allocVector(STRSXP, rows));
  made.warnings = PROTECT(Rf_allocVector(VECSXP, rows));
  made.category_source = PROTECT(Rf_allocVector(STRSXP, rows));
  made.category_note = PROTECT(Rf_allocVector(STRSXP, rows));
  return made;
}

// The R vectors of the answer, those that the output asks for.
struct Answer {
  Output output;
  SEXP value, category;  // double; ordered factor
  ReviewColumns review;
  // The table's texts that rows share (table_text).
  SEXP result_text, missing_text, unit_text;
  SEXP no_warnings;  // character(0), shared by every row without a warning
};

// The table's texts as CHARSXPs, made when the package loads and kept for the session: the
// kind names, each formula's unit, and each category's name, source and note. By the time rows
// take them they are old to R's collector, so that filling a column with them does not make it
// track every store.
SEXP table_texts = nullptr;

constexpr R_xlen_t unit_texts = TAMSEL_KIND_COUNT;
constexpr R_xlen_t category_texts = unit_texts + TAMSEL_FORMULA_COUNT;
enum CategoryText : R_xlen_t { category_name = 0, category_source = 1, category_note = 2, category_fields = 3 };

SEXP kind_text(TamselAnswerKind kind) { return STRING_ELT(table_texts, kind); }
SEXP unit_text(int formula) { return STRING_ELT(table_texts, unit_texts + formula); }
const SEXP* category_text(unsigned id, CategoryText field) {
  return STRING_PTR_RO(table_texts) + category_texts + category_fields * static_cast<R_xlen_t>(id) + field;
}

void make_table_texts() {
  const unsigned categories = tamsel_category_limit();
  table_texts = Rf_allocVector(STRSXP, category_texts + category_fields * static_cast<R_xlen_t>(categories));
  R_PreserveObject(table_texts);
  const auto put = [](R_xlen_t index, const char* text) {
    SET_STRING_ELT(table_texts, index, text == nullptr ? NA_STRING : Rf_mkCharCE(text, CE_UTF8));
  };
  for (int kind = 0; kind < TAMSEL_KIND_COUNT; ++kind) put(kind, tamsel_kind_name(static_cast<TamselAnswerKind>(kind)));
  for (int formula = 0; formula < TAMSEL_FORMULA_COUNT; ++formula) {
    put(unit_texts + formula, tamsel_formula_info(formula)->unit);
  }
  for (unsigned id = 0; id < categories; ++id) {
    const R_xlen_t at = category_texts + category_fields * static_cast<R_xlen_t>(id);
    put(at + category_name, tamsel_category_name(id));
    put(at + category_source, tamsel_category_source(id));
    put(at + category_note, tamsel_category_note(id));
  }
}

SEXP ordered_factor(R_xlen_t rows, const TamselFormulaInfo& info) {
  SEXP factor = PROTECT(Rf_allocVector(INTSXP, rows));
  SEXP levels = PROTECT(Rf_allocVector(STRSXP, static_cast<R_xlen_t>(info.category_count)));
  for (std::size_t index = 0; index < info.category_count; ++index) {
    SET_STRING_ELT(levels, static_cast<R_xlen_t>(index),
                   *category_text(info.first_category + static_cast<unsigned>(index), category_name));
  }
  SEXP classes = PROTECT(Rf_allocVector(STRSXP, 2));
  SET_STRING_ELT(classes, 0, Rf_mkChar("ordered"));
  SET_STRING_ELT(classes, 1, Rf_mkChar("factor"));
  Rf_setAttrib(factor, R_LevelsSymbol, levels);
  Rf_setAttrib(factor, R_ClassSymbol, classes);
  UNPROTECT(3);
  return factor;
}

// Allocates what the output needs; the caller unprotects `*protected_count` objects.
void allocate_answer(Answer& answer, Output output, R_xlen_t rows, int formula, int* protected_count) {
  const TamselFormulaInfo& info = *tamsel_formula_info(formula);
  const SEXP none = R_NilValue;
  answer = Answer{output, none, none, {none, none, none, none, none}, none, none, none, none};
  int count = 0;
  if (output == Output::value || output == Output::record) {
    answer.value = PROTECT(Rf_allocVector(REALSXP, rows));
    ++count;
  }
  if (output == Output::category || output == Output::record) {
    answer.category = PROTECT(ordered_factor(rows, info));
    ++count;
  }
  if (output == Output::record) {
    answer.result_text = kind_text(TAMSEL_KIND_RESULT);
    answer.missing_text = kind_text(TAMSEL_KIND_MISSING);
    answer.unit_text = unit_text(formula);
    answer.no_warnings = PROTECT(Rf_allocVector(STRSXP, 0));
    answer.review = allocate_review_columns(rows);
    count += 1 + review_column_count;
  }
  *protected_count = count;
}

SEXP answer_vector(const Answer& answer) {
  switch (answer.output) {
    case Output::value: return answer.value;
    case Output::category: return answer.category;
    case Output::text:
    case Output::record: break;
  }
  static const char* const names[] = {"kind", "value", "unit", "warnings", "category", "category_source",
                                      "category_note"};
  const ReviewColumns& review = answer.review;
  const SEXP items[] = {review.kind,     answer.value,           review.unit,         review.warnings,
                        answer.category, review.category_source, review.category_note};
  return named_list(names, items, 7);
}

// Puts the core's rows of one block into the answer and the summary.
void store_block(const Call& call, const Block& block, R_xlen_t start, R_xlen_t count, const double* values,
                 Answer& answer, Summary& summary) {
  const Argument* const sex = call.count > 0 && call.arguments[0].type == TAMSEL_ARGUMENT_SEX && call.arguments[0].given
                                  ? &call.arguments[0]
                                  : nullptr;
  const bool record = answer.output == Output::record;
  double* const value_out = answer.value == R_NilValue ? nullptr : REAL(answer.value);
  int* const category_out = answer.category == R_NilValue ? nullptr : INTEGER(answer.category);
  for (R_xlen_t in_block = 0; in_block < count; ++in_block) {
    const R_xlen_t row = start + in_block;
    const bool missing = block.kinds[in_block] == TAMSEL_KIND_MISSING;
    const TamselWarnings bits = block.warnings[in_block];
    const unsigned category = block.categories[in_block];
    const bool unknown_sex = sex != nullptr && block.unknown_sex[sex->recycled ? 0 : in_block] != 0;
    if (category_out != nullptr) {
      category_out[row] = category == TAMSEL_CATEGORY_NONE ? NA_INTEGER
                                                           : static_cast<int>(category - call.info->first_category) + 1;
    }
    double arguments[TAMSEL_MAX_ARGUMENTS] = {};
    const bool value_unprinted = !missing && values[in_block] != values[in_block];
    if (bits != 0 || unknown_sex || value_unprinted) row_arguments(call, block, row, in_block, arguments);
    if (value_out != nullptr) {
      // The core's missing rows hold a plain NaN; R's NA is another one.
      value_out[row] = missing ? NA_REAL : value_unprinted ? unprinted_value(call, arguments) : values[in_block];
    }
    if (record) {
      SET_STRING_ELT(answer.review.kind, row, missing ? answer.missing_text : answer.result_text);
      SET_STRING_ELT(answer.review.unit, row, answer.unit_text);
      if (category == TAMSEL_CATEGORY_NONE) {
        SET_STRING_ELT(answer.review.category_source, row, NA_STRING);
        SET_STRING_ELT(answer.review.category_note, row, NA_STRING);
      } else {
        SET_STRING_ELT(answer.review.category_source, row, *category_text(category, category_source));
        SET_STRING_ELT(answer.review.category_note, row, *category_text(category, category_note));
      }
    }
    if (bits == 0 && !unknown_sex) {
      if (record) SET_VECTOR_ELT(answer.review.warnings, row, answer.no_warnings);
      continue;
    }
    // The sentences are written only where they are shown.
    if (!record && summary.quoted == quoted_rows) {
      summary.rows += 1;
      continue;
    }
    Sentence sentences[TAMSEL_REVIEW_MAX_WARNINGS];
    const std::size_t sentence_count =
        row_sentences(call, arguments, bits, unknown_sex ? sex_text(*sex, row) : nullptr, sentences);
    const char* pointers[TAMSEL_REVIEW_MAX_WARNINGS];
    for (std::size_t index = 0; index < sentence_count; ++index) pointers[index] = sentences[index];
    note_warnings(summary, row, pointers, sentence_count);
    if (record) {
      SEXP texts = PROTECT(Rf_allocVector(STRSXP, static_cast<R_xlen_t>(sentence_count)));
      for (std::size_t index = 0; index < sentence_count; ++index) {
        SET_STRING_ELT(texts, static_cast<R_xlen_t>(index), Rf_mkCharCE(sentences[index], CE_UTF8));
      }
      SET_VECTOR_ELT(answer.review.warnings, row, texts);
      UNPROTECT(1);
    }
  }
}

int formula_of(SEXP keyword) {
  if (!Rf_isString(keyword) || XLENGTH(keyword) != 1 || STRING_ELT(keyword, 0) == NA_STRING) return -1;
  const char* const text = CHAR(STRING_ELT(keyword, 0));
  return tamsel_find_formula(text, std::strlen(text));
}

// Reads the R vectors of one call; the R code has checked their types and lengths. Returns an
// error message, or nullptr.
const char* read_arguments(SEXP vectors, SEXP imperial, Call& call) {
  if (XLENGTH(vectors) != static_cast<R_xlen_t>(call.count) || XLENGTH(imperial) != XLENGTH(vectors)) {
    return "the arguments are not the formula's";
  }
  call.options = TAMSEL_NAN_IS_MISSING;
  call.women_only = -1;
  for (std::size_t place = 0; place < call.count; ++place) {
    const TamselArgumentInfo& info = call.info->arguments[place];
    SEXP vector = VECTOR_ELT(vectors, static_cast<R_xlen_t>(place));
    Argument& argument = call.arguments[place];
    argument = Argument{info.type, vector != R_NilValue, false, nullptr, nullptr, R_NilValue, nullptr, nullptr, 0};
    if (info.women_only != 0) call.women_only = static_cast<int>(place);
    if (LOGICAL(imperial)[place] == TRUE) call.options |= TAMSEL_IMPERIAL(place);
    if (!argument.given) {
      if (info.women_only == 0) return "an argument that every row needs is missing";
      continue;
    }
    argument.recycled = XLENGTH(vector) == 1;
    if (info.type == TAMSEL_ARGUMENT_SEX) {
      if (Rf_isFactor(vector)) {
        SEXP levels = Rf_getAttrib(vector, R_LevelsSymbol);
        if (TYPEOF(levels) != STRSXP || XLENGTH(levels) > INT_MAX) return "a factor's levels must be text";
        const int level_count = static_cast<int>(XLENGTH(levels));
        auto* const codes = reinterpret_cast<unsigned char*>(R_alloc(static_cast<std::size_t>(level_count) + 1, 1));
        for (int level = 0; level < level_count; ++level) codes[level] = sex_code(STRING_ELT(levels, level));
        argument.strings = levels;
        argument.level_codes = codes;
        argument.level_index = INTEGER(vector);
        argument.level_count = level_count;
      } else if (TYPEOF(vector) == STRSXP) {
        argument.strings = vector;
      } else {
        return "a sex must be text or a factor";
      }
    } else if (TYPEOF(vector) == REALSXP) {
      argument.reals = REAL(vector);
    } else if (TYPEOF(vector) == INTSXP || TYPEOF(vector) == LGLSXP) {
      argument.integers = TYPEOF(vector) == INTSXP ? INTEGER(vector) : LOGICAL(vector);
    } else {
      return "a number must be numeric";
    }
  }
  return nullptr;
}

}  // namespace

// One formula over R's vectors, of lengths 1 or `rows`; NULL for an argument not given (only
// one that women's rows alone need). `imperial` says which are given in pounds or inches.
extern "C" SEXP tamselhealth_formula(SEXP keyword, SEXP vectors, SEXP imperial, SEXP rows_value, SEXP output_code) {
  Call call;
  call.formula = formula_of(keyword);
  if (call.formula < 0) Rf_error("unknown formula");
  call.info = tamsel_formula_info(call.formula);
  call.count = call.info->argument_count;
  if (TYPEOF(vectors) != VECSXP || TYPEOF(imperial) != LGLSXP) Rf_error("the arguments must be a list");
  const char* const wrong = read_arguments(vectors, imperial, call);
  if (wrong != nullptr) Rf_error("%s", wrong);
  const R_xlen_t rows = static_cast<R_xlen_t>(Rf_asReal(rows_value));
  int protected_count = 0;
  Answer answer;
  allocate_answer(answer, output_of(output_code), rows, call.formula, &protected_count);
  Summary summary{0, 0, PROTECT(Rf_allocVector(STRSXP, quoted_rows))};
  auto* const block = reinterpret_cast<Block*>(R_alloc(1, sizeof(Block)));
  // The rows of women that lack the argument only they need, which R warns about.
  double women_without = 0;
  for (R_xlen_t start = 0; start < rows; start += block_rows) {
    if (start % interrupt_rows == 0 && start != 0) R_CheckUserInterrupt();
    const R_xlen_t count = rows - start < block_rows ? rows - start : block_rows;
    TamselColumn columns[TAMSEL_MAX_ARGUMENTS];
    load_block(call, start, count, *block, columns);
    double* const values = answer.value == R_NilValue ? block->values : REAL(answer.value) + start;
    tamsel_evaluate_columns(call.formula, static_cast<std::size_t>(count), columns, call.options, values,
                            block->kinds, block->categories, block->warnings);
    store_block(call, *block, start, count, values, answer, summary);
    if (call.women_only >= 0 && !call.arguments[call.women_only].given && call.arguments[0].given) {
      for (R_xlen_t row = 0; row < count; ++row) {
        women_without += block->sexes[call.arguments[0].recycled ? 0 : row] == TAMSEL_SEX_FEMALE ? 1 : 0;
      }
    }
  }
  SEXP women = PROTECT(Rf_ScalarReal(women_without));
  SEXP result = finish(answer_vector(answer), summary, "women_without", women);
  UNPROTECT(protected_count + 2);
  return result;
}

// The formula's arguments as the table gives them: list(name, imperial_name, type,
// women_only), imperial_name NA where there is none, type "real", "whole" or "sex".
extern "C" SEXP tamselhealth_arguments(SEXP keyword) {
  const int formula = formula_of(keyword);
  if (formula < 0) Rf_error("unknown formula");
  const TamselFormulaInfo& info = *tamsel_formula_info(formula);
  const R_xlen_t count = static_cast<R_xlen_t>(info.argument_count);
  SEXP names = PROTECT(Rf_allocVector(STRSXP, count));
  SEXP imperial = PROTECT(Rf_allocVector(STRSXP, count));
  SEXP types = PROTECT(Rf_allocVector(STRSXP, count));
  SEXP women_only = PROTECT(Rf_allocVector(LGLSXP, count));
  static const char* const type_names[] = {"real", "whole", "sex"};
  for (R_xlen_t place = 0; place < count; ++place) {
    const TamselArgumentInfo& argument = info.arguments[place];
    SET_STRING_ELT(names, place, Rf_mkChar(argument.name));
    SET_STRING_ELT(imperial, place, argument.imperial_name == nullptr ? NA_STRING : Rf_mkChar(argument.imperial_name));
    SET_STRING_ELT(types, place, Rf_mkChar(type_names[argument.type]));
    LOGICAL(women_only)[place] = argument.women_only != 0 ? TRUE : FALSE;
  }
  static const char* const list_names[] = {"name", "imperial_name", "type", "women_only"};
  const SEXP items[] = {names, imperial, types, women_only};
  SEXP result = named_list(list_names, items, 4);
  UNPROTECT(4);
  return result;
}

// Numbers as the library writes them, the shortest text that reads back as each ("70", "1.75",
// "1e+20"); with `positional`, never with an exponent, as a whole-number argument must be
// written. NA gives NA.
extern "C" SEXP tamselhealth_number_text(SEXP numbers, SEXP positional_value) {
  if (TYPEOF(numbers) != REALSXP) Rf_error("numbers must be doubles");
  const int positional = Rf_asLogical(positional_value) == TRUE ? 1 : 0;
  const R_xlen_t rows = XLENGTH(numbers);
  SEXP texts = PROTECT(Rf_allocVector(STRSXP, rows));
  char text[TAMSEL_NUMBER_BYTES];
  for (R_xlen_t row = 0; row < rows; ++row) {
    const double value = REAL(numbers)[row];
    if (ISNA(value)) {
      SET_STRING_ELT(texts, row, NA_STRING);
      continue;
    }
    const std::size_t size = tamsel_write_number(value, positional, text);
    SET_STRING_ELT(texts, row, Rf_mkCharLen(text, static_cast<int>(size)));
  }
  UNPROTECT(1);
  return texts;
}

// --- Requests as typed ------------------------------------------------------------------------

namespace {

// The R vectors being filled, those that the output asks for.
struct Columns {
  Output output;
  SEXP value, category, text;  // double; the category as text
  SEXP request;
  ReviewColumns review;
};

// The CHARSXPs of the review's static texts (NA for none), so that a million rows look each one
// up once: 6 kinds, 7 units (the empty one included), 21 categories, 4 sources and 5 notes make
// 43. A text the table has no room for is simply made anew.
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
  // Kept alive by the vectors that hold them, where each goes at once.
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

void put_missing(Columns& columns, R_xlen_t row) {
  if (columns.output == Output::text) {
    SET_STRING_ELT(columns.text, row, NA_STRING);
    return;
  }
  SET_STRING_ELT(columns.request, row, NA_STRING);
  SET_STRING_ELT(columns.review.kind, row, NA_STRING);
  SET_STRING_ELT(columns.text, row, NA_STRING);
  REAL(columns.value)[row] = NA_REAL;
  SET_STRING_ELT(columns.review.unit, row, NA_STRING);
  SET_VECTOR_ELT(columns.review.warnings, row, Rf_allocVector(STRSXP, 0));
  SET_STRING_ELT(columns.category, row, NA_STRING);
  SET_STRING_ELT(columns.review.category_source, row, NA_STRING);
  SET_STRING_ELT(columns.review.category_note, row, NA_STRING);
}

void put_record(Columns& columns, StaticTexts& cache, R_xlen_t row, const char* request, std::size_t request_size,
                const TamselRecord& record) {
  SET_STRING_ELT(columns.text, row, Rf_mkCharLenCE(record.text, static_cast<int>(record.text_size), CE_UTF8));
  if (columns.output == Output::text) return;
  SET_STRING_ELT(columns.request, row, Rf_mkCharLenCE(request, static_cast<int>(request_size), CE_UTF8));
  SET_STRING_ELT(columns.review.kind, row, static_text(cache, tamsel_kind_name(record.kind)));
  REAL(columns.value)[row] = result_value(record);
  SET_STRING_ELT(columns.review.unit, row, static_text(cache, record.unit));
  SET_VECTOR_ELT(columns.review.warnings, row, warning_vector(record));
  SET_STRING_ELT(columns.category, row, static_text(cache, record.category));
  SET_STRING_ELT(columns.review.category_source, row, static_text(cache, record.category_source));
  SET_STRING_ELT(columns.review.category_note, row, static_text(cache, record.category_note));
}

// Allocates what the output (the text, or the record) needs; the caller unprotects
// `*protected_count` objects.
void allocate_columns(Columns& columns, Output output, R_xlen_t rows, int* protected_count) {
  const SEXP none = R_NilValue;
  columns = Columns{output, none, none, none, none, {none, none, none, none, none}};
  columns.text = PROTECT(Rf_allocVector(STRSXP, rows));
  int count = 1;
  if (output == Output::record) {
    columns.value = PROTECT(Rf_allocVector(REALSXP, rows));
    columns.category = PROTECT(Rf_allocVector(STRSXP, rows));
    columns.request = PROTECT(Rf_allocVector(STRSXP, rows));
    columns.review = allocate_review_columns(rows);
    count += 3 + review_column_count;
  }
  *protected_count = count;
}

// The text, or the columns of ask()'s data frame.
SEXP columns_answer(const Columns& columns) {
  if (columns.output == Output::text) return columns.text;
  static const char* const names[] = {"request", "kind", "text", "value", "unit", "warnings", "category",
                                      "category_source", "category_note"};
  const ReviewColumns& review = columns.review;
  const SEXP items[] = {columns.request, review.kind,     columns.text,           columns.value,      review.unit,
                        review.warnings, columns.category, review.category_source, review.category_note};
  return named_list(names, items, 9);
}

}  // namespace

// Requests as the user typed them: a character vector, NA giving NA.
extern "C" SEXP tamselhealth_ask(SEXP requests, SEXP output_code) {
  const R_xlen_t rows = XLENGTH(requests);
  int protected_count = 0;
  Columns columns;
  allocate_columns(columns, output_of(output_code) == Output::record ? Output::record : Output::text, rows,
                   &protected_count);
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
    const char* sentences[TAMSEL_REVIEW_MAX_WARNINGS];
    for (std::size_t index = 0; index < record.warning_count; ++index) sentences[index] = record.warnings[index];
    note_warnings(summary, row, sentences, record.warning_count);
  }
  SEXP result = finish(columns_answer(columns), summary, nullptr, R_NilValue);
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
    {"tamselhealth_formula", entry_point(&tamselhealth_formula), 5},
    {"tamselhealth_arguments", entry_point(&tamselhealth_arguments), 1},
    {"tamselhealth_number_text", entry_point(&tamselhealth_number_text), 2},
    {"tamselhealth_ask", entry_point(&tamselhealth_ask), 2},
    {nullptr, nullptr, 0},
};

}  // namespace

extern "C" void R_init_tamselhealth(DllInfo* dll) {
  make_table_texts();
  R_registerRoutines(dll, nullptr, call_methods, nullptr, nullptr);
  R_useDynamicSymbols(dll, FALSE);
  R_forceSymbols(dll, TRUE);
}
