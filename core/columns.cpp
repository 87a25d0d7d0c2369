// SPDX-License-Identifier: MIT
// A formula over columns. Rows go through in chunks of a fixed size, a step at a time: their
// numbers are gathered, computed, rounded as printed and checked against the plausible ranges
// in loops without branches, which the compiler runs on several rows at once; then the rows
// that need no word get their outputs a chunk at a time, the category by one look, and every
// other row the whole review that a single row gets. Every row equals tamsel_evaluate of its
// numbers. Nothing allocates, and no text is written.
#include "../numerics/strict_arithmetic.h"  // first: it governs how everything after it computes

#include <cfloat>
#include <cstdint>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "TamselCore.h"
#include "row.h"

namespace tamsel::core {
namespace {

// 128 rows keep a chunk's numbers (about 12 KB) in the first-level cache.
constexpr std::size_t chunk_rows = 128;

struct Chunk {
  double given[max_arguments][chunk_rows];
  // 1, or 0 where an argument is marked missing: `marks` where a column has marks, else
  // every_row_present.
  const double* present;
  double marks[chunk_rows];
  double result[chunk_rows];
  double value[chunk_rows];
  double quiet[chunk_rows];  // 1 where the row surely needs no word: see compute_rows
  // The category of its printed units, by its slot; only meant for a quiet row, whose printed
  // units are at least 0 (only a man's body fat would differ, and body fat is never quiet).
  unsigned char category[chunk_rows];
};

constexpr struct EveryRow {
  double ones[chunk_rows];
  constexpr EveryRow() : ones() {
    for (double& one : ones) one = 1.0;
  }
} every_row;
constexpr const double* every_row_present = every_row.ones;

// Marks a row missing, the chunk's marks made first where there were none.
void mark_missing(Chunk& chunk, std::size_t count, std::size_t row) {
  if (chunk.present == every_row_present) {
    for (std::size_t each = 0; each < count; ++each) chunk.marks[each] = 1.0;
    chunk.present = chunk.marks;
  }
  chunk.marks[row] = 0.0;
}

// The given numbers of `count` rows from `start` on, doubles read wherever they lie (a strided
// view need not be aligned), the sex from its byte; and which rows lack one.
template <FormulaId id>
[[gnu::always_inline]] inline void gather(const TamselColumn* columns, std::size_t start, std::size_t count, unsigned options, Chunk& chunk) {
  constexpr const catalog::Formula& entry = catalog::formula(id);
  chunk.present = every_row_present;
  for (std::size_t place = 0; place < entry.argument_count; ++place) {
    const TamselColumn& column = columns[place];
    double* const given = chunk.given[place];
    const auto* const data = static_cast<const char*>(column.data);
    const std::ptrdiff_t stride = column.stride;
    const bool sex = catalog::argument_of(id, place).type == ArgumentType::sex;
    const bool women_only = place == entry.women_only;
    if (data == nullptr) {
      // Missing in every row; a man's hip is not read, so his rows stay.
      for (std::size_t row = 0; row < count; ++row) {
        given[row] = 0.0;
        if (!women_only || chunk.given[0][row] != TAMSEL_SEX_MALE) mark_missing(chunk, count, row);
      }
      continue;
    }
    const char* at = data + static_cast<std::ptrdiff_t>(start) * stride;
    if (sex) {
      for (std::size_t row = 0; row < count; ++row, at += stride) given[row] = static_cast<unsigned char>(*at);
    } else if (stride == static_cast<std::ptrdiff_t>(sizeof(double))) {
      std::memcpy(given, at, count * sizeof(double));
    } else {
      for (std::size_t row = 0; row < count; ++row, at += stride) std::memcpy(&given[row], at, sizeof(double));
    }
    // Pounds and inches become the formula's units here, once, as a row turns them.
    if (!sex && given_imperial(catalog::argument_of(id, place), place, options)) {
      const double factor = catalog::argument_of(id, place).imperial.factor;
      for (std::size_t row = 0; row < count; ++row) given[row] *= factor;
    }
    // A NaN, and a sex that is no code, fail every test of a quiet row; the rows that are not
    // quiet are read again, which finds them. Only marks are looked at here.
    if (column.missing != nullptr) {
      for (std::size_t row = 0; row < count; ++row) {
        const bool missing = column.missing[static_cast<std::ptrdiff_t>(start + row) * column.missing_stride] != 0;
        // A man's hip is not read, whatever it holds.
        if (missing && !(women_only && chunk.given[0][row] == TAMSEL_SEX_MALE)) mark_missing(chunk, count, row);
      }
    }
  }
}

// A row's numbers as the library reads them, without branches: a whole number's reading is
// clamped, a sex code is 1 or not.
template <FormulaId id>
[[gnu::always_inline]] inline Reading reading_at(const Chunk& chunk, std::size_t row) {
  constexpr const catalog::Formula& entry = catalog::formula(id);
  Reading reading{id, {}, false};
  for (std::size_t place = 0; place < entry.argument_count; ++place) {
    const double given = chunk.given[place][row];
    switch (catalog::argument_of(id, place).type) {
      case ArgumentType::real: reading.values[place] = given; break;
      case ArgumentType::whole: reading.values[place] = static_cast<double>(whole_reading(given)); break;
      case ArgumentType::sex: reading.male = given == TAMSEL_SEX_MALE; break;
    }
  }
  return reading;
}

// Formulas whose rows have rules beyond their arguments' ranges and a finite result not below
// zero (arguments taken together, an age, a height, the result's own bounds): their rows take the
// whole review, but for the one rule of bmi, which its result is, checked with the rest.
constexpr bool has_result_rules(FormulaId id) { return id != FormulaId::tdee && id != FormulaId::bmi; }

// The bounds the result itself must keep for a row to be quiet: the BMI that a weight and a
// height make, for bmi; none for the others that may be quiet.
constexpr catalog::Span result_span(FormulaId id) {
  constexpr double everything = std::numeric_limits<double>::infinity();
  return id == FormulaId::bmi ? catalog::body_limits.bmi : catalog::Span{-everything, everything};
}

// What a chunk's finishing step needs of a formula, made when compiling.
template <FormulaId id>
struct Finish {
  static constexpr const catalog::Formula& entry = catalog::formula(id);
  static constexpr int decimals = entry.decimals < 0 ? 0 : entry.decimals;
  static constexpr double scale = decimals == 0 ? 1 : decimals == 1 ? 10 : decimals == 2 ? 100 : 1000;
  static constexpr const catalog::UnitSlots& slots = catalog::unit_slots.of[static_cast<std::size_t>(entry.scheme)];
  static constexpr double inverse_step = 1.0 / static_cast<double>(slots.step);
  static constexpr double last_slot = static_cast<double>(slots.count - 1);
  // A whole result ("%d") goes the long way: its rules are the pressures'.
  static constexpr bool may_be_quiet = !has_result_rules(id) && entry.decimals >= 0;
  static constexpr catalog::Span result = result_span(id);
};

// Rounds row `row` as printed and marks whether it surely needs no word (returned too): every argument wholly
// read and within its range, and a result printed by the short rounding, finite and not below
// zero (one more check than the review makes, which only sends a few rows the long way); with
// its category's slot.
template <FormulaId id>
[[gnu::always_inline]] inline bool finish_row(std::size_t row, Chunk& chunk) {
  using F = Finish<id>;
  const ShortRounding rounding = round_printed(chunk.result[row], F::decimals);
  chunk.value[row] = rounding.value;
  const double result = chunk.result[row];
  bool quiet = F::may_be_quiet && chunk.present[row] != 0 && rounding.units >= 0 && rounding.exact != 0 &&
               result >= F::result.low && result <= F::result.high;
  for (std::size_t place = 0; place < F::entry.argument_count; ++place) {
    const catalog::ArgumentKind& kind = catalog::argument_of(id, place);
    const double given = chunk.given[place][row];
    if (kind.type == ArgumentType::sex) {
      quiet = quiet && (given == TAMSEL_SEX_FEMALE || given == TAMSEL_SEX_MALE);
      continue;
    }
    bool within = given >= kind.ranges[0].low && given <= kind.ranges[0].high;
    if (kind.range_count > 1) within = within || (given >= kind.ranges[1].low && given <= kind.ranges[1].high);
    // A whole number is wholly read when it has no fraction: in range, below 2^52, adding and
    // taking away 2^52 keeps it.
    if (kind.type == ArgumentType::whole) within = within && ((given + 0x1p52) - 0x1p52) == given;
    quiet = quiet && within;
  }
  chunk.quiet[row] = quiet ? 1.0 : 0.0;
  // The slot of the printed units, units / step rounded down: units are whole, so half a unit
  // more keeps the product clear of the whole number above. Between the first and the last
  // slot whatever the row (NaN too): every row's slot is looked at, though only a quiet row's
  // counts.
  const double slot = (rounding.units + 0.5) * F::inverse_step;
  chunk.category[row] = F::slots.male[slot > 0 ? static_cast<std::size_t>(slot < F::last_slot ? slot : F::last_slot) : 0];
  return quiet;
}

#if defined(__SSE2__) && FLT_EVAL_METHOD == 0
// The same for two rows at a time: every x86-64 processor has SSE2, and the compiler does not
// find this by itself for every formula. `marked`: some row of the chunk lacks an argument.
// Returns a bit for each of the two rows that is quiet.
template <FormulaId id, bool marked>
[[gnu::always_inline]] inline int finish_two_rows(std::size_t row, Chunk& chunk) {
  using F = Finish<id>;
  const __m128d magnitude_bits = _mm_castsi128_pd(_mm_set1_epi64x(0x7FFFFFFFFFFFFFFF));
  const __m128d to_integer = _mm_set1_pd(0x1p52);
  const __m128d zero = _mm_setzero_pd();
  const __m128d result = _mm_loadu_pd(chunk.result + row);
  const __m128d sign = _mm_andnot_pd(magnitude_bits, result);
  const __m128d scaled = _mm_mul_pd(_mm_and_pd(result, magnitude_bits), _mm_set1_pd(F::scale));
  const __m128d rounded = _mm_sub_pd(_mm_add_pd(scaled, to_integer), to_integer);
  const __m128d distance = _mm_and_pd(_mm_sub_pd(scaled, rounded), magnitude_bits);
  const __m128d units = _mm_or_pd(rounded, sign);
  _mm_storeu_pd(chunk.value + row, _mm_or_pd(_mm_div_pd(rounded, _mm_set1_pd(F::scale)), sign));
  // All bits set where a test holds; NaN fails every comparison. A result within a span of its
  // own is below 2^30 units and not below zero without testing.
  __m128d quiet = _mm_cmplt_pd(distance, _mm_set1_pd(0.5 - 0x1p-22));
  constexpr bool bounded = F::result.low >= 0 && F::result.high * F::scale < 0x1p30;
  if constexpr (bounded) {
    quiet = _mm_and_pd(quiet, _mm_and_pd(_mm_cmpge_pd(result, _mm_set1_pd(F::result.low)),
                                         _mm_cmple_pd(result, _mm_set1_pd(F::result.high))));
  } else {
    quiet = _mm_and_pd(quiet, _mm_and_pd(_mm_cmplt_pd(scaled, _mm_set1_pd(0x1p30)), _mm_cmpge_pd(units, zero)));
    if (F::result.low != -std::numeric_limits<double>::infinity()) {
      quiet = _mm_and_pd(quiet, _mm_and_pd(_mm_cmpge_pd(result, _mm_set1_pd(F::result.low)),
                                           _mm_cmple_pd(result, _mm_set1_pd(F::result.high))));
    }
  }
  if constexpr (marked) quiet = _mm_and_pd(quiet, _mm_cmpneq_pd(_mm_loadu_pd(chunk.present + row), zero));
  for (std::size_t place = 0; place < F::entry.argument_count; ++place) {
    const catalog::ArgumentKind& kind = catalog::argument_of(id, place);
    const __m128d given = _mm_loadu_pd(chunk.given[place] + row);
    if (kind.type == ArgumentType::sex) {
      quiet = _mm_and_pd(quiet, _mm_or_pd(_mm_cmpeq_pd(given, zero), _mm_cmpeq_pd(given, _mm_set1_pd(1.0))));
      continue;
    }
    __m128d within = _mm_and_pd(_mm_cmpge_pd(given, _mm_set1_pd(kind.ranges[0].low)),
                                _mm_cmple_pd(given, _mm_set1_pd(kind.ranges[0].high)));
    if (kind.range_count > 1) {
      within = _mm_or_pd(within, _mm_and_pd(_mm_cmpge_pd(given, _mm_set1_pd(kind.ranges[1].low)),
                                            _mm_cmple_pd(given, _mm_set1_pd(kind.ranges[1].high))));
    }
    if (kind.type == ArgumentType::whole) {
      within = _mm_and_pd(within, _mm_cmpeq_pd(_mm_sub_pd(_mm_add_pd(given, to_integer), to_integer), given));
    }
    quiet = _mm_and_pd(quiet, within);
  }
  if (!F::may_be_quiet) quiet = zero;
  // All bits set is a NaN, which is not 0 either: the mark stands as it is.
  _mm_storeu_pd(chunk.quiet + row, quiet);
  // The slot of the printed units, units / step rounded down: units are whole, so half a unit
  // more keeps the product clear of the whole number above. Between the first and the last
  // slot whatever the row (NaN too, which the maximum turns to 0): every row's slot is looked
  // at, though only a quiet row's counts.
  const __m128d slot = _mm_mul_pd(_mm_add_pd(units, _mm_set1_pd(0.5)), _mm_set1_pd(F::inverse_step));
  const __m128d clamped = _mm_max_pd(_mm_min_pd(slot, _mm_set1_pd(F::last_slot)), zero);
  if constexpr (F::entry.scheme != catalog::Scheme::none) {
#if defined(__wasm__)
    // Each lane turned on its own: WebAssembly has no two-lane conversion, and its stand-in
    // for one costs more than the rest of the row.
    chunk.category[row] = F::slots.male[static_cast<std::size_t>(_mm_cvtsd_f64(clamped))];
    chunk.category[row + 1] = F::slots.male[static_cast<std::size_t>(_mm_cvtsd_f64(_mm_unpackhi_pd(clamped, clamped)))];
#else
    const __m128i index = _mm_cvttpd_epi32(clamped);
    chunk.category[row] = F::slots.male[_mm_cvtsi128_si32(index)];
    chunk.category[row + 1] = F::slots.male[_mm_cvtsi128_si32(_mm_shuffle_epi32(index, 1))];
#endif
  }
  return _mm_movemask_pd(quiet);
}
#endif

// Computes the chunk's rows, then rounds and marks them; returns whether every one is quiet.
template <FormulaId id>
[[gnu::always_inline]] inline bool compute_rows(std::size_t count, Chunk& chunk) {
  for (std::size_t row = 0; row < count; ++row) chunk.result[row] = compute(id, reading_at<id>(chunk, row));
  std::size_t row = 0;
  bool all_quiet = true;
#if defined(__SSE2__) && FLT_EVAL_METHOD == 0
  int quiet = 3;
  if (chunk.present == every_row_present) {
    for (; row + 2 <= count; row += 2) quiet &= finish_two_rows<id, false>(row, chunk);
  } else {
    for (; row + 2 <= count; row += 2) quiet &= finish_two_rows<id, true>(row, chunk);
  }
  all_quiet = quiet == 3;
#endif
  for (; row < count; ++row) all_quiet = finish_row<id>(row, chunk) && all_quiet;
  return all_quiet;
}

template <FormulaId id>
[[gnu::always_inline]] inline std::ptrdiff_t evaluate_columns_body(std::size_t rows, const TamselColumn* columns,
                                                                   unsigned options, double* values,
                                                                   unsigned char* kinds, unsigned char* categories,
                                                                   TamselWarnings* warnings) {
  constexpr const catalog::Formula& entry = catalog::formula(id);
  constexpr int decimals = entry.decimals;
  Chunk chunk;
  std::ptrdiff_t warned = 0;
  for (std::size_t start = 0; start < rows; start += chunk_rows) {
    const std::size_t count = rows - start < chunk_rows ? rows - start : chunk_rows;
    gather<id>(columns, start, count, options, chunk);
    const bool all_quiet = compute_rows<id>(count, chunk);
    // Nearly every row is quiet: its outputs are its printed value, a result, no warning, and
    // the category in its slot, stored a chunk at a time. The other rows are put right after.
    if (values != nullptr) std::memcpy(values + start, chunk.value, count * sizeof *values);
    if (kinds != nullptr) std::memset(kinds + start, TAMSEL_KIND_RESULT, count);
    if (warnings != nullptr) std::memset(warnings + start, 0, count * sizeof *warnings);
    if (categories != nullptr) {
      if constexpr (entry.scheme == catalog::Scheme::none) {
        std::memset(categories + start, TAMSEL_CATEGORY_NONE, count);
      } else {
        std::memcpy(categories + start, chunk.category, count);
      }
    }
    for (std::size_t row = 0; row < count && !all_quiet; ++row) {
      if (chunk.quiet[row] != 0) continue;
      // Read again as one row would be, but for the units, turned already: a marked row is
      // missing, as are a NaN where NaN is missing and a sex that is no code.
      double given[max_arguments] = {};
      for (std::size_t place = 0; place < entry.argument_count; ++place) given[place] = chunk.given[place][row];
      const unsigned marks = chunk.present[row] == 0 ? ~0u : 0u;
      const ReadRow read = read_row(id, given, marks, options & TAMSEL_NAN_IS_MISSING);
      const double exact = chunk.result[row];
      const TamselRow result = read.missing ? missing_row() : review_read(read, exact, printed_value(exact, decimals), 0);
      const std::size_t at = start + row;
      if (values != nullptr) values[at] = result.value;
      if (kinds != nullptr) kinds[at] = static_cast<unsigned char>(result.kind);
      if (categories != nullptr) categories[at] = static_cast<unsigned char>(result.category);
      if (warnings != nullptr) warnings[at] = result.warnings;
      warned += result.warnings != 0 ? 1 : 0;
    }
  }
  return warned;
}

// Each formula's loop stays a function of its own: inlined into the dispatch, all eighteen make
// one function that a WebAssembly engine compiles slowly and runs several times slower.
template <FormulaId id>
[[gnu::noinline]] std::ptrdiff_t evaluate_columns_of(std::size_t rows, const TamselColumn* columns, unsigned options,
                                                     double* values, unsigned char* kinds, unsigned char* categories,
                                                     TamselWarnings* warnings) {
  return evaluate_columns_body<id>(rows, columns, options, values, kinds, categories, warnings);
}

#if defined(__x86_64__) && defined(__linux__) && defined(__GNUC__)
#define TAMSEL_COLUMNS_AVX2 1
// The same loop where the processor has AVX2: the compiler's own loops go four rows a step and
// the two-row steps lose their register copies. No fused multiply-add is enabled, so every
// value is the same to the bit.
template <FormulaId id>
[[gnu::noinline, gnu::target("avx2")]] std::ptrdiff_t evaluate_columns_avx2(std::size_t rows,
                                                                           const TamselColumn* columns,
                                                                           unsigned options, double* values,
                                                                           unsigned char* kinds,
                                                                           unsigned char* categories,
                                                                           TamselWarnings* warnings) {
  return evaluate_columns_body<id>(rows, columns, options, values, kinds, categories, warnings);
}

bool has_avx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}
#endif

}  // namespace
}  // namespace tamsel::core

extern "C" std::ptrdiff_t tamsel_evaluate_columns(int formula, std::size_t rows, const TamselColumn* columns,
                                                  unsigned options, double* values, unsigned char* kinds,
                                                  unsigned char* categories, TamselWarnings* warnings) {
  using namespace tamsel::core;
  if (!is_formula(formula)) return -1;
  return with_formula(static_cast<FormulaId>(formula), [&](auto id) {
#if defined(TAMSEL_COLUMNS_AVX2)
    if (has_avx2()) {
      return evaluate_columns_avx2<decltype(id)::value>(rows, columns, options, values, kinds, categories, warnings);
    }
#endif
    return evaluate_columns_of<decltype(id)::value>(rows, columns, options, values, kinds, categories, warnings);
  });
}
