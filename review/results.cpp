// SPDX-License-Identifier: MIT
#include "numerics/strict_arithmetic.h"  // first: it governs how everything after it computes

#include "results.h"

#include <cmath>

namespace tamsel::review {
namespace {

// Essential fat, without which no one lives: about 2 to 5 % of a man's weight and 10 to 13 % of
// a woman's. Even in severe obesity, measured body fat stays below about 70 %.
constexpr double least_body_fat_male = 2;
constexpr double least_body_fat_female = 10;
constexpr double most_body_fat = 70;

bool keyword_is(const Arguments& arguments, FormulaId id) { return arguments.formula->id == id; }

// The value of the argument in `place` of the usage line; false when the request did not give it.
bool argument(const Arguments& arguments, std::size_t place, double& value) {
  if (place >= arguments.count) return false;
  value = arguments.items[place].value;
  return true;
}

bool is_male(const Arguments& arguments) {
  return arguments.count != 0 && arguments.items[0].rule->type == ArgumentType::sex && arguments.items[0].male;
}

void put_number(double value, BoundedText& out) {
  char text[64];
  const std::size_t size = write_number(value, text, sizeof text);
  out.put(std::string_view(text, size));
}

// The Navy formula takes the logarithm of the girth less the neck: there must be some.
bool check_navy_girths(const Arguments& arguments, WarningList& warnings) {
  double waist = 0, neck = 0, height = 0, hip = 0;
  if (!argument(arguments, slot::navy_waist, waist) || !argument(arguments, slot::navy_neck, neck) ||
      !argument(arguments, slot::navy_height, height)) {
    return false;
  }
  const bool male = is_male(arguments);
  if (!male && !argument(arguments, slot::navy_hip, hip)) return false;
  const double girth = male ? waist : waist + hip;
  if (girth > neck) {
    if (height > 0) return false;
    BoundedText out = warnings.add();
    out.put("height ");
    put_number(height, out);
    out.put(" is not above 0, so the Navy formula has no answer");
    return true;
  }
  BoundedText out = warnings.add();
  out.put("waist ");
  put_number(waist, out);
  if (!male) {
    out.put(" and hip ");
    put_number(hip, out);
    out.put(" together are");
  } else {
    out.put(" is");
  }
  out.put(" not above neck ");
  put_number(neck, out);
  out.put(", so the Navy formula has no answer");
  return true;
}

// Systolic pressure is the peak of each beat and diastolic its trough.
bool check_pressures(const Arguments& arguments, WarningList& warnings) {
  if (!keyword_is(arguments, FormulaId::bp_category) && !keyword_is(arguments, FormulaId::map) &&
      !keyword_is(arguments, FormulaId::pulse_pressure)) {
    return false;  // only these take a systolic and a diastolic pressure
  }
  double systolic = 0, diastolic = 0;
  if (!argument(arguments, slot::systolic, systolic) || !argument(arguments, slot::diastolic, diastolic)) return false;
  if (systolic > diastolic) return false;
  BoundedText out = warnings.add();
  out.put("systolic ");
  put_number(systolic, out);
  if (systolic < diastolic) {
    out.put(" is below diastolic ");
    put_number(diastolic, out);
    out.put("; swapped?");
  } else {
    out.put(" equals diastolic ");
    put_number(diastolic, out);
    out.put(", which no heartbeat gives");
  }
  return true;
}

void warn_not_finite(const PrintedResult& result, WarningList& warnings) {
  BoundedText out = warnings.add();
  out.put("the result ");
  out.put(result.text);
  if (result.text.substr(0, 3) == "nan") {
    out.put(" is not a number: an argument is zero, negative or missing?");
  } else {
    out.put(" is infinite: an argument is zero?");
  }
}

void warn_negative(const Arguments& arguments, const PrintedResult& result, WarningList& warnings) {
  BoundedText out = warnings.add();
  out.put("the result ");
  out.put(result.text);
  out.put(" is below zero, which no person measures");
  // Below 5 feet the ideal-weight lines run on to nothing; a height typed in inches lands there.
  double height = 0;
  if (arguments.formula->keyword.substr(0, 6) == "ideal_" && argument(arguments, slot::ideal_height, height) &&
      height * 2.54 >= 137 && height * 2.54 <= 229) {
    out.put("; height in inches?");
  }
}

bool check_body_fat_range(const Arguments& arguments, const PrintedResult& result, WarningList& warnings) {
  const bool male = is_male(arguments);
  const double least = male ? least_body_fat_male : least_body_fat_female;
  if (result.value >= least && result.value <= most_body_fat) return false;
  BoundedText out = warnings.add();
  out.put("body fat ");
  out.put(result.text);
  if (result.value < least) {
    out.put(" is below the essential fat of a living ");
    out.put(male ? "man (2%)" : "woman (10%)");
  } else {
    out.put(" is above 70%, more than a living body holds; a girth mistyped?");
  }
  return true;
}

bool check_lean_mass(const Arguments& arguments, const PrintedResult& result, WarningList& warnings) {
  double weight = 0;
  if (!argument(arguments, slot::lbm_weight, weight) || !(result.value > weight)) return false;
  BoundedText out = warnings.add();
  out.put("lean body mass ");
  out.put(result.text);
  out.put(" is more than the body weight of ");
  put_number(weight, out);
  out.put(" kg");
  return true;
}

// The formulas whose result cannot be below zero for any person.
bool never_negative(const Arguments& arguments) {
  return !keyword_is(arguments, FormulaId::pulse_pressure) && !keyword_is(arguments, FormulaId::bp_category);
}

const char* const bmi_source =
    "WHO Technical Report Series 894 (2000), Table 2.1; thinness grades from WHO Technical Report Series 854 (1995)";
const char* const blood_pressure_source =
    "Whelton et al., 2017 ACC/AHA guideline for high blood pressure in adults, Hypertension 71 (2018) e13-e115";
const char* const waist_to_height_source =
    "NICE guideline CG189, Obesity: identification, assessment and management (2022 update); Ashwell and Gibson, BMJ Open 6 (2016) e010159";
const char* const body_fat_source =
    "American Council on Exercise, body fat chart (ACE Personal Trainer Manual); a trade reference, not a peer-reviewed classification";

Category bmi_class(double bmi) {
  const char* name = bmi < 16      ? "Severe thinness"
                     : bmi < 17    ? "Moderate thinness"
                     : bmi < 18.5  ? "Mild thinness"
                     : bmi < 25    ? "Normal range"
                     : bmi < 30    ? "Pre-obese"
                     : bmi < 35    ? "Obese class I"
                     : bmi < 40    ? "Obese class II"
                                   : "Obese class III";
  return {name, bmi_source};
}

Category blood_pressure_class(double number) {
  static const char* const names[] = {"Normal", "Elevated", "Hypertension, stage 1", "Hypertension, stage 2",
                                      "Hypertensive crisis"};
  for (int index = 0; index < 5; ++index) {
    if (number == index) return {names[index], blood_pressure_source};
  }
  return {nullptr, nullptr};
}

Category waist_to_height_class(double ratio) {
  if (ratio < 0.4) return {nullptr, nullptr};  // the guideline gives no class below 0.4
  const char* name = ratio < 0.5   ? "Healthy central adiposity"
                     : ratio < 0.6 ? "Increased central adiposity"
                                   : "High central adiposity";
  return {name, waist_to_height_source};
}

Category body_fat_class(double percent, bool male) {
  const double athletes = male ? 6 : 14, fitness = male ? 14 : 21, average = male ? 18 : 25, obese = male ? 25 : 32;
  const char* name = percent < athletes  ? "Essential fat"
                     : percent < fitness ? "Athletes"
                     : percent < average ? "Fitness"
                     : percent < obese   ? "Average"
                                         : "Obese";
  return {name, body_fat_source};
}

}  // namespace

void check_result(const Arguments& arguments, const PrintedResult& result, WarningList& warnings) {
  if (arguments.formula == nullptr) return;
  if (keyword_is(arguments, FormulaId::bodyfat_navy) && check_navy_girths(arguments, warnings)) return;
  if (check_pressures(arguments, warnings)) return;
  // An argument already warned about explains an impossible result.
  const bool arguments_warned = warnings.count() != 0;
  if (!result.has_value) {
    if (!arguments_warned) warn_not_finite(result, warnings);
    return;
  }
  if (keyword_is(arguments, FormulaId::bodyfat_navy)) {
    if (!arguments_warned) check_body_fat_range(arguments, result, warnings);
    return;
  }
  if (result.value < 0 && never_negative(arguments)) {
    if (!arguments_warned) warn_negative(arguments, result, warnings);
    return;
  }
  if (keyword_is(arguments, FormulaId::lbm)) check_lean_mass(arguments, result, warnings);
}

Category categorize(const Arguments& arguments, const PrintedResult& result) {
  if (arguments.formula == nullptr || !result.has_value) return {nullptr, nullptr};
  if (keyword_is(arguments, FormulaId::bmi)) return bmi_class(result.value);
  if (keyword_is(arguments, FormulaId::bp_category)) return blood_pressure_class(result.value);
  if (keyword_is(arguments, FormulaId::wthr)) return waist_to_height_class(result.value);
  if (keyword_is(arguments, FormulaId::bodyfat_navy)) return body_fat_class(result.value, is_male(arguments));
  return {nullptr, nullptr};
}

}  // namespace tamsel::review
