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

// Each formula's plausible spans by place, side by side: the review of a text request knows its
// formula only when running, and one table saves it a walk through the argument kinds.
struct PlaceSpans {
  std::size_t count;                          // the formula's arguments
  unsigned char spans[catalog::max_arguments];  // 0 for the sex, which has no rule on numbers
  double low[catalog::max_arguments][2];
  double high[catalog::max_arguments][2];
};

struct FormulaSpans {
  PlaceSpans of[catalog::formula_count];
};

constexpr FormulaSpans make_formula_spans() {
  FormulaSpans table{};
  for (std::size_t id = 0; id < catalog::formula_count; ++id) {
    const catalog::Formula& entry = catalog::formulas[id];
    PlaceSpans& spans = table.of[id];
    spans.count = entry.argument_count;
    for (std::size_t place = 0; place < entry.argument_count; ++place) {
      const catalog::ArgumentKind& kind = catalog::argument_kind(entry.arguments[place]);
      spans.spans[place] = static_cast<unsigned char>(kind.range_count);
      for (std::size_t index = 0; index < kind.range_count; ++index) {
        spans.low[place][index] = kind.ranges[index].low;
        spans.high[place][index] = kind.ranges[index].high;
      }
    }
  }
  return table;
}

inline constexpr FormulaSpans formula_spans = make_formula_spans();

// The warnings about the first `count` arguments of a reading of formula `id`. Bit i of
// `wholly_read` says the library read all of argument i's text: a number not wholly read is
// always worth a word; one that was is when it lies outside its plausible range (NaN included).
// The sex has no rule on numbers.
[[gnu::always_inline]] inline TamselWarnings argument_warnings(FormulaId id, const Reading& reading, std::size_t count, unsigned wholly_read) {
  const PlaceSpans& spans = formula_spans.of[static_cast<std::size_t>(id)];
  TamselWarnings warnings = 0;
  const std::size_t given = count < spans.count ? count : spans.count;
  for (std::size_t place = 0; place < given; ++place) {
    if (spans.spans[place] == 0) continue;
    const double value = reading.values[place];
    if ((wholly_read >> place & 1u) == 0) {
      warnings |= TAMSEL_WARNING_READ_OTHERWISE(place);
    } else if (!(value >= spans.low[place][0] && value <= spans.high[place][0]) &&
               !(spans.spans[place] == 2 && value >= spans.low[place][1] && value <= spans.high[place][1])) {
      warnings |= TAMSEL_WARNING_OUT_OF_RANGE(place);
    }
  }
  return warnings;
}

namespace rules {

constexpr TamselWarnings bit(TamselResultWarning warning) { return TamselWarnings{1} << warning; }

// Where each formula takes each kind of argument, or no_argument: one look-up for a review that
// knows its formula only when running, and a constant for a column's loop.
struct ArgumentPlaces {
  unsigned char of[catalog::formula_count][catalog::argument_kind_count];
};

constexpr ArgumentPlaces make_argument_places() {
  ArgumentPlaces places{};
  for (std::size_t id = 0; id < catalog::formula_count; ++id) {
    for (std::size_t kind = 0; kind < catalog::argument_kind_count; ++kind) {
      places.of[id][kind] = static_cast<unsigned char>(catalog::no_argument);
    }
    const catalog::Formula& entry = catalog::formulas[id];
    for (std::size_t place = 0; place < entry.argument_count; ++place) {
      places.of[id][static_cast<std::size_t>(entry.arguments[place])] = static_cast<unsigned char>(place);
    }
  }
  return places;
}

inline constexpr ArgumentPlaces argument_places = make_argument_places();

// Where a formula takes an argument of kind `argument`, or no_argument.
constexpr std::size_t place_of(FormulaId id, catalog::ArgumentId argument) {
  return argument_places.of[static_cast<std::size_t>(id)][static_cast<std::size_t>(argument)];
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

// Where each formula takes the measurements the rules across arguments compare, looked up once
// per row: the review of a text request knows its formula only when running.
struct BodyPlaces {
  std::size_t weight = catalog::no_argument;
  std::size_t height = catalog::no_argument;
  double height_to_cm = 0;  // 100 for a height in metres, 1 for one in centimetres
  std::size_t waist = catalog::no_argument;
  std::size_t hip = catalog::no_argument;
  std::size_t neck = catalog::no_argument;
  bool any = false;  // whether any rule across arguments applies
};

struct FormulaBodyPlaces {
  BodyPlaces of[catalog::formula_count];
};

constexpr FormulaBodyPlaces make_body_places() {
  using catalog::ArgumentId;
  FormulaBodyPlaces table{};
  for (std::size_t index = 0; index < catalog::formula_count; ++index) {
    const auto id = static_cast<FormulaId>(index);
    BodyPlaces& places = table.of[index];
    places.weight = place_of(id, ArgumentId::weight_kg);
    places.height = takes(id, ArgumentId::height_m) ? place_of(id, ArgumentId::height_m) : place_of(id, ArgumentId::height_cm);
    places.height_to_cm = takes(id, ArgumentId::height_m) ? 100 : 1;
    places.waist = place_of(id, ArgumentId::waist_cm);
    places.hip = place_of(id, ArgumentId::hip_cm);
    places.neck = place_of(id, ArgumentId::neck_cm);
    places.any = places.height != catalog::no_argument || (places.waist != catalog::no_argument &&
                                                           places.hip != catalog::no_argument);
  }
  return table;
}

inline constexpr FormulaBodyPlaces body_places = make_body_places();

// Arguments that no living body has together: a weight and a height, a girth and a height, a
// waist and a hip; a height under what the formula was made for.
inline TamselWarnings across_arguments(FormulaId id, const Reading& reading) {
  const BodyPlaces& places = body_places.of[static_cast<std::size_t>(id)];
  if (!places.any) return 0;
  const catalog::BodyLimits& limits = catalog::body_limits;
  const double* v = reading.values;
  constexpr std::size_t none = catalog::no_argument;
  TamselWarnings warnings = 0;
  // A man's hip is not given to the Navy formula.
  const bool hip_given = places.hip != none && !(id == FormulaId::bodyfat_navy && reading.male);
  if (places.height == none) {
    if (hip_given && !within(limits.waist_for_hip, v[places.waist] / v[places.hip])) {
      warnings |= bit(TAMSEL_WARNING_WAIST_FOR_HIP);
    }
    return warnings;
  }
  const bool in_metres = places.height_to_cm == 100;
  const double height_cm = in_metres ? v[places.height] * 100 : v[places.height];
  const double height_m = in_metres ? v[places.height] : v[places.height] * 0.01;
  if (places.weight != none && !within(limits.bmi, implied_bmi(v[places.weight], height_m))) {
    warnings |= bit(TAMSEL_WARNING_BMI_IMPLAUSIBLE);
  }
  if (places.waist != none && !within(limits.waist_for_height, v[places.waist] / height_cm)) {
    warnings |= bit(TAMSEL_WARNING_WAIST_FOR_HEIGHT);
  }
  if (hip_given && !within(limits.hip_for_height, v[places.hip] / height_cm)) {
    warnings |= bit(TAMSEL_WARNING_HIP_FOR_HEIGHT);
  }
  if (places.neck != none && !within(limits.neck_for_height, v[places.neck] / height_cm)) {
    warnings |= bit(TAMSEL_WARNING_NECK_FOR_HEIGHT);
  }
  const double least_height = catalog::formula(id).least_height_cm;
  if (least_height != 0 && height_cm < least_height) warnings |= bit(TAMSEL_WARNING_HEIGHT_UNDER_FORMULA);
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
