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

// Essential fat, without which no one lives: about 2 to 5 % of a man's weight and 10 to 13 % of
// a woman's. Even in severe obesity, measured body fat stays below about 70 %.
constexpr double least_body_fat_male = 2;
constexpr double least_body_fat_female = 10;
constexpr double most_body_fat = 70;

constexpr TamselWarnings bit(TamselResultWarning warning) { return TamselWarnings{1} << warning; }

// Where the rules find an argument: its place in the formula's usage line, checked against the
// table when compiling.
namespace place {
constexpr std::size_t navy_waist = 1, navy_neck = 2, navy_height = 3, navy_hip = 4;
constexpr std::size_t systolic = 0, diastolic = 1;
constexpr std::size_t lbm_weight = 1;
}  // namespace place

constexpr bool argument_is(FormulaId id, std::size_t at, catalog::ArgumentId argument) {
  return catalog::formula(id).arguments[at] == argument;
}
static_assert(argument_is(FormulaId::bodyfat_navy, place::navy_waist, catalog::ArgumentId::waist_cm) &&
                  argument_is(FormulaId::bodyfat_navy, place::navy_neck, catalog::ArgumentId::neck_cm) &&
                  argument_is(FormulaId::bodyfat_navy, place::navy_height, catalog::ArgumentId::height_cm) &&
                  argument_is(FormulaId::bodyfat_navy, place::navy_hip, catalog::ArgumentId::hip_cm),
              "the Navy formula's places");
static_assert(argument_is(FormulaId::lbm, place::lbm_weight, catalog::ArgumentId::weight_kg), "lean mass's weight");

constexpr bool takes_pressures(FormulaId id) {
  return catalog::formula(id).argument_count == 2 && argument_is(id, place::systolic, catalog::ArgumentId::systolic) &&
         argument_is(id, place::diastolic, catalog::ArgumentId::diastolic);
}

// Quantities that cannot be below zero for any person: all but the blood-pressure category
// and the pulse pressure, which a swapped pair makes negative (and is warned about as such).
constexpr bool never_negative(FormulaId id) { return id != FormulaId::pulse_pressure && id != FormulaId::bp_category; }

// The Navy formula takes the logarithm of the girth less the neck: there must be some, and a
// height above 0.
inline TamselWarnings navy_girths(const Reading& reading) {
  const double* v = reading.values;
  const double girth = reading.male ? v[place::navy_waist] : v[place::navy_waist] + v[place::navy_hip];
  if (girth > v[place::navy_neck]) return v[place::navy_height] > 0 ? 0 : bit(TAMSEL_WARNING_NAVY_HEIGHT_NOT_ABOVE_ZERO);
  return bit(TAMSEL_WARNING_NAVY_GIRTH_NOT_ABOVE_NECK);
}

// Systolic pressure is the peak of each beat and diastolic its trough.
inline TamselWarnings pressures(const Reading& reading) {
  const double systolic = reading.values[place::systolic];
  const double diastolic = reading.values[place::diastolic];
  if (systolic > diastolic) return 0;
  return bit(systolic < diastolic ? TAMSEL_WARNING_SYSTOLIC_BELOW_DIASTOLIC : TAMSEL_WARNING_SYSTOLIC_EQUALS_DIASTOLIC);
}

inline TamselWarnings body_fat_range(const Reading& reading, double percent) {
  const double least = reading.male ? least_body_fat_male : least_body_fat_female;
  if (percent < least) return bit(TAMSEL_WARNING_BODY_FAT_BELOW_ESSENTIAL);
  if (percent > most_body_fat) return bit(TAMSEL_WARNING_BODY_FAT_ABOVE_LIVING);
  return 0;
}

}  // namespace rules

// The warnings about the result of formula `id` whose arguments gave `argument_bits`: `result`
// is its exact value, `printed` what the answer prints.
[[gnu::always_inline]] inline TamselWarnings result_warnings(FormulaId id, const Reading& reading, double result, const Printed& printed,
                                      TamselWarnings argument_bits) {
  using namespace rules;
  if (id == FormulaId::bodyfat_navy) {
    if (const TamselWarnings girths = navy_girths(reading)) return girths;
  }
  if (takes_pressures(id)) {
    if (const TamselWarnings pair = pressures(reading)) return pair;
  }
  // An argument already warned about explains an impossible result.
  const bool arguments_warned = argument_bits != 0;
  if (!printed.has_value) {
    if (arguments_warned) return 0;
    return bit(std::isnan(result) ? TAMSEL_WARNING_RESULT_NOT_A_NUMBER : TAMSEL_WARNING_RESULT_INFINITE);
  }
  if (id == FormulaId::bodyfat_navy) return arguments_warned ? 0 : body_fat_range(reading, printed.value);
  if (never_negative(id) && printed.value < 0) return arguments_warned ? 0 : bit(TAMSEL_WARNING_RESULT_NEGATIVE);
  if (id == FormulaId::lbm && printed.value > reading.values[place::lbm_weight]) {
    return bit(TAMSEL_WARNING_LEAN_MASS_ABOVE_WEIGHT);
  }
  return 0;
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
