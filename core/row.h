// SPDX-License-Identifier: MIT
// One row of a formula, from the numbers given to the reviewed result: made for each formula
// when compiling, so that a column's loop has its formula's arithmetic and rules inline.
#ifndef TAMSEL_CORE_ROW_H
#define TAMSEL_CORE_ROW_H

#include <cmath>
#include <cstddef>
#include <limits>
#include <type_traits>

#include "TamselCore.h"
#include "evaluation.h"
#include "review_rules.h"

namespace tamsel::core {

// A row's numbers as the library reads them, or that one is missing.
struct ReadRow {
  Reading reading;
  std::size_t count;     // arguments given: all, but a man's hip
  unsigned wholly_read;  // a bit for each argument whose text the library reads whole
  bool missing;
  unsigned imperial;     // a bit for each argument given in its imperial unit, now turned metric
};

// Whether `options` give the argument in `place` in its imperial unit, which it has.
constexpr bool given_imperial(const catalog::ArgumentKind& kind, std::size_t place, unsigned options) {
  return (options & TAMSEL_IMPERIAL(place)) != 0 && kind.imperial.factor != 0;
}

// Reads the numbers of one row: `given` in usage-line order, the sex as a code, `missing` a
// bit for each missing one.
[[gnu::always_inline]] inline ReadRow read_row(FormulaId id, const double* given, unsigned missing, unsigned options) {
  const catalog::Formula& entry = catalog::formula(id);
  ReadRow row{{id, {}, false}, entry.argument_count, 0, false, 0};
  for (std::size_t place = 0; place < entry.argument_count; ++place) {
    if (place == entry.women_only && row.reading.male) {
      row.count = place;  // a man gives no hip; it is the last argument
      break;
    }
    const double value = given[place];
    if ((missing >> place & 1u) != 0 || ((options & TAMSEL_NAN_IS_MISSING) != 0 && std::isnan(value))) {
      row.missing = true;
      return row;
    }
    const catalog::ArgumentKind& kind = catalog::argument_kind(entry.arguments[place]);
    switch (kind.type) {
      case ArgumentType::real:
        row.wholly_read |= 1u << place;  // the shortest text of a double is all read
        if (given_imperial(kind, place, options)) {
          row.reading.values[place] = value * kind.imperial.factor;  // rounded once
          row.imperial |= 1u << place;
        } else {
          row.reading.values[place] = value;
        }
        break;
      case ArgumentType::whole:
        row.reading.values[place] = static_cast<double>(whole_reading(value));
        if (whole_wholly_read(value)) row.wholly_read |= 1u << place;
        break;
      case ArgumentType::sex:
        if (value != TAMSEL_SEX_FEMALE && value != TAMSEL_SEX_MALE) {
          row.missing = true;
          return row;
        }
        row.reading.male = value == TAMSEL_SEX_MALE;
        row.reading.values[place] = value;
        break;
    }
  }
  return row;
}

// The reviewed result of a row that was read, and its exact result.
struct Evaluated {
  TamselRow row;
  double result;
};

constexpr TamselRow missing_row() {
  return {std::numeric_limits<double>::quiet_NaN(), TAMSEL_KIND_MISSING, TAMSEL_CATEGORY_NONE, 0};
}

// The review of a row whose result is computed and printed. `text_warnings` are those only a
// text request gives (a sex word the review does not take); they count as arguments warned
// about.
[[gnu::always_inline]] inline TamselRow review_read(const ReadRow& row, double result, const Printed& printed,
                                                    TamselWarnings text_warnings) {
  const FormulaId id = row.reading.formula;
  const TamselWarnings arguments = argument_warnings(id, row.reading, row.count, row.wholly_read) | text_warnings;
  const TamselWarnings warnings = arguments | result_warnings(id, row.reading, result, printed, arguments);
  const unsigned category = warnings == 0 ? category_of(id, row.reading, printed) : TAMSEL_CATEGORY_NONE;
  return {printed.value, TAMSEL_KIND_RESULT, category, warnings};
}

[[gnu::always_inline]] inline Evaluated evaluate_read(const ReadRow& row, TamselWarnings text_warnings = 0) {
  if (row.missing) return {missing_row(), std::numeric_limits<double>::quiet_NaN()};
  const double result = compute(row.reading.formula, row.reading);
  const Printed printed = printed_value(result, catalog::formula(row.reading.formula).decimals);
  return {review_read(row, result, printed, text_warnings), result};
}

[[gnu::always_inline]] inline TamselRow evaluate_row(FormulaId id, const double* given, unsigned missing,
                                                     unsigned options) {
  return evaluate_read(read_row(id, given, missing, options)).row;
}

// The same, made once for any formula: for a text request's review and a single row, where one
// copy serves all eighteen formulas.
Evaluated evaluate_any(const ReadRow& row, TamselWarnings text_warnings);

// Calls `visit` with the formula as a compile-time constant: one switch, no table of pointers.
template <typename Visit>
decltype(auto) with_formula(FormulaId id, Visit&& visit) {
  using F = FormulaId;
  switch (id) {
    case F::bmi: return visit(std::integral_constant<F, F::bmi>{});
    case F::bmr_harris: return visit(std::integral_constant<F, F::bmr_harris>{});
    case F::bmr_mifflin: return visit(std::integral_constant<F, F::bmr_mifflin>{});
    case F::bodyfat_navy: return visit(std::integral_constant<F, F::bodyfat_navy>{});
    case F::whr: return visit(std::integral_constant<F, F::whr>{});
    case F::ideal_devine: return visit(std::integral_constant<F, F::ideal_devine>{});
    case F::ideal_robinson: return visit(std::integral_constant<F, F::ideal_robinson>{});
    case F::ideal_miller: return visit(std::integral_constant<F, F::ideal_miller>{});
    case F::bsa: return visit(std::integral_constant<F, F::bsa>{});
    case F::lbm: return visit(std::integral_constant<F, F::lbm>{});
    case F::tdee: return visit(std::integral_constant<F, F::tdee>{});
    case F::max_hr: return visit(std::integral_constant<F, F::max_hr>{});
    case F::target_hr: return visit(std::integral_constant<F, F::target_hr>{});
    case F::bai: return visit(std::integral_constant<F, F::bai>{});
    case F::wthr: return visit(std::integral_constant<F, F::wthr>{});
    case F::bp_category: return visit(std::integral_constant<F, F::bp_category>{});
    case F::map: return visit(std::integral_constant<F, F::map>{});
    case F::pulse_pressure: break;
  }
  return visit(std::integral_constant<F, F::pulse_pressure>{});
}

// A C caller's formula number, if it is one.
inline bool is_formula(int formula) { return formula >= 0 && static_cast<std::size_t>(formula) < catalog::formula_count; }

}  // namespace tamsel::core

#endif
