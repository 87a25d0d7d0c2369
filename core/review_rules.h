// SPDX-License-Identifier: MIT
// The review on numbers: which arguments and results are probably not what the user meant, and
// the published category of a result. A text request's review and every typed call come here
// with the numbers the library computes with. Inline: where a column's loop knows its formula,
// each rule folds into a few comparisons with constants. docs/formulas.md gives each rule's
// source.
#ifndef TAMSEL_CORE_REVIEW_RULES_H
#define TAMSEL_CORE_REVIEW_RULES_H

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "TamselCore.h"
#include "evaluation.h"

namespace tamsel::core {

[[gnu::always_inline]] inline bool within(const catalog::ArgumentKind& kind, double value) {
  for (std::size_t index = 0; index < kind.range_count; ++index) {
    if (value >= kind.ranges[index].low && value <= kind.ranges[index].high) return true;
  }
  return false;  // NaN included
}

// The warnings about the first `count` arguments of a reading of formula `id`. Bit i of
// `wholly_read` says the library read all of argument i's text: a number not wholly read is
// always worth a word; one that was is when it lies outside its plausible range. The sex has no
// rule on numbers.
[[gnu::always_inline]] inline TamselWarnings argument_warnings(FormulaId id, const Reading& reading, std::size_t count, unsigned wholly_read) {
  const catalog::Formula& entry = catalog::formula(id);
  TamselWarnings warnings = 0;
  for (std::size_t place = 0; place < entry.argument_count; ++place) {
    const catalog::ArgumentKind& kind = catalog::argument_kind(entry.arguments[place]);
    if (kind.type == ArgumentType::sex || place >= count) continue;
    if ((wholly_read >> place & 1u) == 0) {
      warnings |= TAMSEL_WARNING_READ_OTHERWISE(place);
    } else if (!within(kind, reading.values[place])) {
      warnings |= TAMSEL_WARNING_OUT_OF_RANGE(place);
    }
  }
  return warnings;
}

namespace rules {

constexpr TamselWarnings bit(TamselResultWarning warning) { return TamselWarnings{1} << warning; }

// Where a formula takes an argument of kind `argument`, or no_argument.
constexpr std::size_t place_of(FormulaId id, catalog::ArgumentId argument) {
  const catalog::Formula& entry = catalog::formula(id);
  for (std::size_t place = 0; place < entry.argument_count; ++place) {
    if (entry.arguments[place] == argument) return place;
  }
  return catalog::no_argument;
}

constexpr bool takes(FormulaId id, catalog::ArgumentId argument) { return place_of(id, argument) != catalog::no_argument; }

constexpr bool takes_pressures(FormulaId id) {
  return catalog::formula(id).argument_count == 2 && takes(id, catalog::ArgumentId::systolic) &&
         takes(id, catalog::ArgumentId::diastolic);
}

// A height in metres, from whichever unit the formula takes it in (0 where it takes none).
inline double height_in_metres(FormulaId id, const Reading& reading) {
  using catalog::ArgumentId;
  if (takes(id, ArgumentId::height_m)) return reading.values[place_of(id, ArgumentId::height_m)];
  if (takes(id, ArgumentId::height_cm)) return reading.values[place_of(id, ArgumentId::height_cm)] * 0.01;
  return 0;
}

inline double height_in_centimetres(FormulaId id, const Reading& reading) {
  using catalog::ArgumentId;
  if (takes(id, ArgumentId::height_cm)) return reading.values[place_of(id, ArgumentId::height_cm)];
  return reading.values[place_of(id, ArgumentId::height_m)] * 100;
}

inline bool within(const catalog::Span& span, double value) { return value >= span.low && value <= span.high; }

// The BMI a weight and a height make, as the bmi formula computes it.
inline double implied_bmi(double weight_kg, double height_m) { return weight_kg / (height_m * height_m); }

// Quantities that cannot be below zero for any person: all but the blood-pressure category
// and the pulse pressure, which a swapped pair makes negative (and is warned about as such).
constexpr bool never_negative(FormulaId id) { return id != FormulaId::pulse_pressure && id != FormulaId::bp_category; }

// The Navy formula takes the logarithm of the girth less the neck: there must be some, and a
// height above 0.
inline TamselWarnings navy_girths(const Reading& reading) {
  const double* v = reading.values;
  const double girth = reading.male ? v[1] : v[1] + v[4];
  if (girth > v[2]) return v[3] > 0 ? 0 : bit(TAMSEL_WARNING_NAVY_HEIGHT_NOT_ABOVE_ZERO);
  return bit(TAMSEL_WARNING_NAVY_GIRTH_NOT_ABOVE_NECK);
}

// Systolic pressure is the peak of each beat and diastolic its trough: never below it, and
// (narrow below) some way under it.
inline TamselWarnings swapped_pressures(const Reading& reading) {
  return reading.values[0] < reading.values[1] ? bit(TAMSEL_WARNING_SYSTOLIC_BELOW_DIASTOLIC) : 0;
}

inline TamselWarnings narrow_pressures(const Reading& reading) {
  const bool narrow = reading.values[0] - reading.values[1] < catalog::body_limits.least_pulse_pressure;
  return narrow ? bit(TAMSEL_WARNING_PULSE_PRESSURE_NARROW) : 0;
}

// Arguments that no living body has together: a weight and a height, a girth and a height, a
// waist and a hip; a height under what the formula was made for.
inline TamselWarnings across_arguments(FormulaId id, const Reading& reading) {
  using catalog::ArgumentId;
  const catalog::BodyLimits& limits = catalog::body_limits;
  const double* v = reading.values;
  TamselWarnings warnings = 0;
  if (takes(id, ArgumentId::weight_kg) && (takes(id, ArgumentId::height_m) || takes(id, ArgumentId::height_cm))) {
    if (!within(limits.bmi, implied_bmi(v[place_of(id, ArgumentId::weight_kg)], height_in_metres(id, reading)))) {
      warnings |= bit(TAMSEL_WARNING_BMI_IMPLAUSIBLE);
    }
  }
  const bool has_height = takes(id, ArgumentId::height_m) || takes(id, ArgumentId::height_cm);
  if (has_height && takes(id, ArgumentId::waist_cm) &&
      !within(limits.waist_for_height, v[place_of(id, ArgumentId::waist_cm)] / height_in_centimetres(id, reading))) {
    warnings |= bit(TAMSEL_WARNING_WAIST_FOR_HEIGHT);
  }
  // A man's hip is not given to the Navy formula.
  const bool hip_given = takes(id, ArgumentId::hip_cm) && !(id == FormulaId::bodyfat_navy && reading.male);
  if (has_height && hip_given &&
      !within(limits.hip_for_height, v[place_of(id, ArgumentId::hip_cm)] / height_in_centimetres(id, reading))) {
    warnings |= bit(TAMSEL_WARNING_HIP_FOR_HEIGHT);
  }
  if (has_height && takes(id, ArgumentId::neck_cm) &&
      !within(limits.neck_for_height, v[place_of(id, ArgumentId::neck_cm)] / height_in_centimetres(id, reading))) {
    warnings |= bit(TAMSEL_WARNING_NECK_FOR_HEIGHT);
  }
  if (!has_height && takes(id, ArgumentId::waist_cm) && hip_given &&
      !within(limits.waist_for_hip, v[place_of(id, ArgumentId::waist_cm)] / v[place_of(id, ArgumentId::hip_cm)])) {
    warnings |= bit(TAMSEL_WARNING_WAIST_FOR_HIP);
  }
  const double least_height = catalog::formula(id).least_height_cm;
  if (least_height != 0 && height_in_centimetres(id, reading) < least_height) {
    warnings |= bit(TAMSEL_WARNING_HEIGHT_UNDER_FORMULA);
  }
  return warnings;
}

// What a result no living body has says, once no argument explains it.
inline TamselWarnings impossible_result(FormulaId id, const Reading& reading, double result, const Printed& printed) {
  const catalog::BodyLimits& limits = catalog::body_limits;
  if (!printed.has_value) {
    return bit(std::isnan(result) ? TAMSEL_WARNING_RESULT_NOT_A_NUMBER : TAMSEL_WARNING_RESULT_INFINITE);
  }
  const double value = printed.value;
  if (id == FormulaId::bodyfat_navy) {
    const double least = reading.male ? limits.least_body_fat_male : limits.least_body_fat_female;
    if (value < least) return bit(TAMSEL_WARNING_BODY_FAT_BELOW_ESSENTIAL);
    if (value > limits.most_body_fat) return bit(TAMSEL_WARNING_BODY_FAT_ABOVE_WHOLE);
    return 0;
  }
  if (never_negative(id) && value < 0) return bit(TAMSEL_WARNING_RESULT_NEGATIVE);
  if (id == FormulaId::bai && value > limits.most_adiposity_index) return bit(TAMSEL_WARNING_ADIPOSITY_ABOVE_LIVING);
  if (id == FormulaId::lbm && value > reading.values[place_of(id, catalog::ArgumentId::weight_kg)]) {
    return bit(TAMSEL_WARNING_LEAN_MASS_ABOVE_WEIGHT);
  }
  if (id == FormulaId::target_hr && value < limits.least_heart_rate) return bit(TAMSEL_WARNING_HEART_RATE_BELOW_RESTING);
  return 0;
}

}  // namespace rules

// The warnings about the result of formula `id`, and about its arguments taken together, given
// the warnings its arguments gave one by one: `result` is the exact value, `printed` what the
// answer prints. Pairs that cannot be (a waist not above the neck, a systolic pressure below the
// diastolic) always warn; otherwise an argument already warned about explains whatever follows
// from it, a pulse pressure closer than a heartbeat's makes any category meaningless, and
// arguments that no body has together explain an impossible result.
[[gnu::always_inline]] inline TamselWarnings result_warnings(FormulaId id, const Reading& reading, double result,
                                                             const Printed& printed, TamselWarnings argument_bits) {
  using namespace rules;
  if (id == FormulaId::bodyfat_navy) {
    if (const TamselWarnings girths = navy_girths(reading)) return girths;
  }
  if (takes_pressures(id)) {
    if (const TamselWarnings pair = swapped_pressures(reading)) return pair;
  }
  if (argument_bits != 0) return 0;
  if (takes_pressures(id)) {
    if (const TamselWarnings pair = narrow_pressures(reading)) return pair;
  }
  TamselWarnings warnings = 0;
  const catalog::Formula& entry = catalog::formula(id);
  if (entry.least_age != 0 && reading.values[place_of(id, catalog::ArgumentId::age)] < entry.least_age) {
    warnings |= bit(TAMSEL_WARNING_AGE_UNDER_SOURCE);
  }
  if (id == FormulaId::bp_category && (reading.values[0] < catalog::body_limits.low_systolic ||
                                       reading.values[1] < catalog::body_limits.low_diastolic)) {
    warnings |= bit(TAMSEL_WARNING_BLOOD_PRESSURE_LOW);
  }
  const TamselWarnings across = across_arguments(id, reading);
  if (across != 0) return warnings | across;
  return warnings | impossible_result(id, reading, result, printed);
}

// The category of the printed value of formula `id`, for a result with no warning; 0 for none.
// By the printed number's units where they are known: one look at a slot.
[[gnu::always_inline]] inline unsigned category_of(FormulaId id, const Reading& reading, const Printed& printed) {
  const catalog::Scheme scheme = catalog::formula(id).scheme;
  if (scheme == catalog::Scheme::none || !printed.has_value) return TAMSEL_CATEGORY_NONE;
  const bool female = scheme == catalog::Scheme::body_fat && !reading.male;
  const double units = printed.units;
  if (units == units) {
    const catalog::UnitSlots& slots = catalog::unit_slots.of[static_cast<std::size_t>(scheme)];
    const double last = static_cast<double>((slots.count - 1) * slots.step);
    const std::size_t slot = units <= 0      ? 0
                             : units >= last ? slots.count - 1
                                             : static_cast<std::size_t>(units) / slots.step;
    return female ? slots.female[slot] : slots.male[slot];
  }
  const catalog::SchemeSpan span = catalog::scheme_span(scheme);
  unsigned found = TAMSEL_CATEGORY_NONE;
  for (std::size_t category = span.first; category < span.first + span.count; ++category) {
    const double from = female ? catalog::categories[category].female_from : catalog::categories[category].from;
    if (printed.value >= from) found = static_cast<unsigned>(category);
  }
  return found;
}

}  // namespace tamsel::core

#endif
