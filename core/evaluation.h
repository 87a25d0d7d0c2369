// SPDX-License-Identifier: MIT
// One formula evaluated from numbers: the arguments as the library reads them, its arithmetic,
// and the number its answer prints. Inline, so that a column's loop is made for each formula.
#ifndef TAMSEL_CORE_EVALUATION_H
#define TAMSEL_CORE_EVALUATION_H

#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "../catalog/formula_table.h"
#include "../formulas/body_fat.h"
#include "../formulas/body_indices.h"
#include "../formulas/cardiovascular.h"
#include "../formulas/ideal_weight.h"
#include "../formulas/metabolic_rates.h"
#include "../numerics/decimal_scaling.h"

namespace tamsel::core {

using catalog::ArgumentType;
using catalog::FormulaId;
using catalog::max_arguments;

// The numbers a formula computes with, as the library reads them: a real argument as it is,
// a whole number as the 32-bit integer the library reads, the sex as 1 (male) or 0. A man's
// hip in bodyfat_navy is not given and reads as 0.
struct Reading {
  FormulaId formula;
  double values[max_arguments];
  bool male;
};

// The whole number the library reads from the positional text of `value`, as atoi reads it:
// the integer part, the 32-bit limits beyond them, and 0 for "nan", "inf" and "-inf".
inline std::int32_t whole_reading(double value) {
  constexpr double limit = 2147483648.0;  // 2^31
  if (!std::isfinite(value)) return 0;
  if (value >= limit) return std::numeric_limits<std::int32_t>::max();
  if (value <= -limit - 1.0) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(value);  // toward zero, as the digits before the point
}

// Whether the library reads all of the positional text of a whole number: digits alone, with
// no fraction, and no "nan" or "inf".
inline bool whole_wholly_read(double value) { return std::isfinite(value) && std::trunc(value) == value; }

// The formula's exact binary result, from the arithmetic the library does. Inline, so that a
// loop that knows its formula calls that formula's function alone.
[[gnu::always_inline]] inline double compute(FormulaId id, const Reading& reading) {
  const double* v = reading.values;
  const Sex sex = reading.male ? Sex::male : Sex::female;
  const auto whole = [v](std::size_t place) { return static_cast<std::int32_t>(v[place]); };
  switch (id) {
    case FormulaId::bmi: return body_mass_index(v[0], v[1]);
    case FormulaId::bmr_harris: return bmr_harris_benedict(sex, v[1], v[2], whole(3));
    case FormulaId::bmr_mifflin: return bmr_mifflin_st_jeor(sex, v[1], v[2], whole(3));
    case FormulaId::bodyfat_navy: return navy_body_fat_percent(sex, v[1], v[2], v[3], reading.male ? 0.0 : v[4]);
    case FormulaId::whr: return waist_hip_ratio(v[0], v[1]);
    case FormulaId::ideal_devine: return ideal_weight_devine(sex, v[1]);
    case FormulaId::ideal_robinson: return ideal_weight_robinson(sex, v[1]);
    case FormulaId::ideal_miller: return ideal_weight_miller(sex, v[1]);
    case FormulaId::bsa: return body_surface_area(v[0], v[1]);
    case FormulaId::lbm: return lean_body_mass(sex, v[1], v[2]);
    case FormulaId::tdee: return total_daily_energy_expenditure(v[0], v[1]);
    case FormulaId::max_hr: return max_heart_rate(whole(0));
    case FormulaId::target_hr: return target_heart_rate(whole(0), v[1]);
    case FormulaId::bai: return body_adiposity_index(v[0], v[1]);
    case FormulaId::wthr: return waist_to_height_ratio(v[0], v[1]);
    case FormulaId::bp_category: return static_cast<double>(blood_pressure_category(whole(0), whole(1)));
    case FormulaId::map: return mean_arterial_pressure(whole(0), whole(1));
    case FormulaId::pulse_pressure: break;
  }
  return pulse_pressure(whole(0), whole(1));
}

// The number a result line prints, read back. No value for nan and the infinities.
struct Printed {
  bool has_value;
  double value;  // NaN where there is none
  // The printed number in units of its last decimal (2286 for "22.86"), an integer; +-infinity
  // past what a double holds exactly; NaN where it is not known (a number read from a text).
  double units;
};

// What `result` prints as with `decimals` (-1: a whole number, printed as it is).
Printed printed_large(double result, int decimals);

// The printed value by the short way that nearly every result takes: its magnitude times
// 10^decimals, rounded once, is below 2^30, where a double is within 2^-23 of the exact product.
// Unless that is within 2^-22 of a tie, both round to the same integer, which adding and taking
// away 2^52 finds (to nearest, ties to even), and one exact division turns into the printed
// value. No branch, so that a column's rows can take it several at a time; `exact` says
// whether it held.
struct ShortRounding {
  double value;
  double units;
  double exact;  // 1 or 0: a double, so that a loop of rows has one width of number
};

[[gnu::always_inline]] inline ShortRounding round_printed(double result, int decimals) {
  static constexpr double powers_of_ten[] = {1, 10, 100, 1000};
  constexpr double to_integer = 0x1p52;
  const double scaled = std::fabs(result) * powers_of_ten[decimals];
  const double rounded = (scaled + to_integer) - to_integer;
#if FLT_EVAL_METHOD == 0
  // Never for NaN; & rather than &&, which would branch.
  const double exact = ((scaled < 0x1p30) & (std::fabs(scaled - rounded) < 0.5 - 0x1p-22)) ? 1.0 : 0.0;
#else
  const double exact = 0.0;  // excess precision would round twice
#endif
  return {std::copysign(rounded / powers_of_ten[decimals], result), std::copysign(rounded, result), exact};
}

[[gnu::always_inline]] inline Printed printed_value(double result, int decimals) {
  if (decimals < 0) return {true, result, result};
  static constexpr double powers_of_ten[] = {1, 10, 100, 1000};
  const ShortRounding rounding = round_printed(result, decimals);
  if (rounding.exact != 0) return {true, rounding.value, rounding.units};
  std::uint64_t exact;
  if (!numerics::scale_to_decimals(result, decimals, exact)) {
    constexpr double none = std::numeric_limits<double>::quiet_NaN();
    if (!std::isfinite(result)) return {false, none, none};
    // 2^53 or more: a whole number, printed with its exact digits.
    return {true, result, result < 0 ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity()};
  }
  // The printed digits as an integer and a power of ten, both exact doubles while the integer
  // is at most 2^53: one division rounds their quotient correctly, as reading the text would.
  constexpr std::uint64_t exact_limit = std::uint64_t{1} << 53;
  if (exact > exact_limit) return printed_large(result, decimals);
  const double magnitude = static_cast<double>(exact) / powers_of_ten[decimals];
  const double units = static_cast<double>(exact);
  return std::signbit(result) ? Printed{true, -magnitude, -units} : Printed{true, magnitude, units};
}

}  // namespace tamsel::core

#endif
