// SPDX-License-Identifier: MIT
#include "../numerics/strict_arithmetic.h"  // first: it governs how everything after it computes

#include "warning_text.h"

#include "../frame/buffer_sizes.h"
#include "../frame/number_text.h"
#include "bounded_text.h"
#include "review_rules.h"
#include "shortest_number.h"

namespace tamsel::core {
namespace {

// A quoted token is cut to this many bytes, so that a sentence always fits.
constexpr std::size_t max_quoted_token = 40;

void put_number(double value, BoundedText& out) {
  char text[max_shortest_text];
  out.put(std::string_view(text, write_shortest(value, NumberStyle::shortest, text)));
}

void put_fixed(double value, int decimals, BoundedText& out) {
  char number[max_number_text];
  out.put(std::string_view(number, static_cast<std::size_t>(write_fixed(number, value, decimals) - number)));
}

void put_quoted(std::string_view token, BoundedText& out) {
  out.put('"');
  if (token.size() <= max_quoted_token) {
    out.put(token);
  } else {
    out.put(token.substr(0, BoundedText::utf8_cut(token, max_quoted_token)));
    out.put("\xE2\x80\xA6");  // an ellipsis: the rest was left out
  }
  out.put('"');
}

// "; centimetres or inches?": every other unit that brings the value where it belongs.
void put_other_units(const catalog::ArgumentKind& kind, double value, BoundedText& out) {
  std::size_t named = 0;
  for (std::size_t index = 0; index < kind.other_count; ++index) {
    const catalog::OtherUnit& other = kind.others[index];
    const double turned = value * other.factor;
    if (!(turned >= other.low && turned <= other.high)) continue;
    out.put(named++ == 0 ? "; " : " or ");
    out.put(other.name);
  }
  if (named != 0) out.put('?');
}

// The argument as it was given: its token, or the text of its number.
struct GivenText {
  char text[max_positional_text];
  std::string_view view;
};

void given_text(const WarningSubject& subject, std::size_t place, GivenText& out) {
  if (subject.given == nullptr) {
    out.view = subject.tokens[place];
    return;
  }
  const bool whole = catalog::argument_of(subject.reading.formula, place).type == ArgumentType::whole;
  const std::size_t size =
      write_shortest(subject.given[place], whole ? NumberStyle::positional : NumberStyle::shortest, out.text);
  out.view = std::string_view(out.text, size);
}

void argument_sentence(unsigned bit, const WarningSubject& subject, BoundedText& out) {
  const std::size_t place = bit / 3;
  const catalog::ArgumentKind& kind = catalog::argument_of(subject.reading.formula, place);
  const double value = subject.reading.values[place];
  GivenText given;
  given_text(subject, place, given);
  const std::string_view token = given.view;
  if (bit % 3 == 2) {  // a sex word
    out.put("sex ");
    put_quoted(token, out);
    out.put(" is not M, F, male or female; it reads as ");
    out.put(subject.reading.male ? "male" : "female");
    return;
  }
  const bool in_range = within(kind, value);
  const bool wholly_read = bit % 3 == 0;
  if ((subject.imperial >> place & 1u) != 0) {
    // Said to be in pounds or inches, so no other unit is guessed: "weight_lb 1600 (725.7 kg) is
    // outside 2 to 400 kg".
    out.put(kind.imperial.name);
    out.put(' ');
    out.put(token);
    out.put(" (");
    put_fixed(value, kind.unit == "m" ? 2 : 1, out);
    out.put(' ');
    out.put(kind.unit);
    out.put(") is outside ");
    put_ranges(kind, out);
    out.put(' ');
    out.put(kind.unit);
    return;
  }
  out.put(kind.name);
  out.put(' ');
  if (wholly_read) {
    out.put(token);
    out.put(" is outside ");
  } else {
    put_quoted(token, out);
    out.put(" reads as ");
    put_number(value, out);
    if (!in_range) out.put(", outside ");
  }
  if (!in_range) {
    put_ranges(kind, out);
    put_other_units(kind, value, out);
  }
  if (wholly_read) return;
  if (kind.type == ArgumentType::whole && token.find_first_of(".,") != std::string_view::npos) {
    out.put("; it takes whole numbers");
  } else if (token.find(',') != std::string_view::npos) {
    out.put("; the decimal point is '.'");
  }
}

// What the answer prints after its label: "-1.95 kg", "nan%", "inf".
void put_result(const WarningSubject& subject, BoundedText& out) {
  const catalog::Formula& entry = catalog::formula(subject.reading.formula);
  char number[max_number_text];
  const char* const end = entry.decimals < 0 ? write_integer(number, static_cast<std::int32_t>(subject.result))
                                             : write_fixed(number, subject.result, entry.decimals);
  out.put(std::string_view(number, static_cast<std::size_t>(end - number)));
  if (entry.unit.empty()) return;
  if (entry.unit != "%") out.put(' ');
  out.put(entry.unit);
}

// The value of the argument of kind `argument`, which the formula takes.
double value_of(const WarningSubject& subject, catalog::ArgumentId argument) {
  return subject.reading.values[rules::place_of(subject.reading.formula, argument)];
}

// The name of the formula, as the listing gives it, for a sentence about where it holds.
std::string_view name_of(FormulaId id) {
  switch (id) {
    case FormulaId::bmr_harris: return "revised Harris-Benedict equation";
    case FormulaId::bmr_mifflin: return "Mifflin-St Jeor equation";
    case FormulaId::max_hr:
    case FormulaId::target_hr: return "220 - age rule";
    case FormulaId::ideal_devine: return "Devine formula";
    case FormulaId::ideal_robinson: return "Robinson formula";
    case FormulaId::ideal_miller: return "Miller formula";
    default: return catalog::formula(id).title;
  }
}

// A weight and a height that make no living body's BMI, and the first slip that would: the
// units of another country, or a digit.
void implied_bmi_sentence(const WarningSubject& subject, BoundedText& out) {
  using catalog::ArgumentId;
  const FormulaId id = subject.reading.formula;
  const double weight = value_of(subject, ArgumentId::weight_kg);
  const double height_m = rules::height_in_metres(id, subject.reading);
  const bool in_metres = rules::takes(id, ArgumentId::height_m);
  out.put("weight ");
  put_number(weight, out);
  out.put(" kg and height ");
  put_number(in_metres ? height_m : height_m * 100, out);
  out.put(in_metres ? " m" : " cm");
  out.put(" make a BMI of ");
  put_fixed(rules::implied_bmi(weight, height_m), 1, out);
  out.put(", outside the ");
  put_number(catalog::body_limits.bmi.low, out);
  out.put(" to ");
  put_number(catalog::body_limits.bmi.high, out);
  out.put(" of living bodies");
  struct Slip {
    std::string_view words;
    double weight_factor;
    double height_factor;
  };
  static constexpr Slip slips[] = {
      {"pounds and inches?", catalog::kilograms_per_pound, catalog::metres_per_inch},
      {"pounds?", catalog::kilograms_per_pound, 0},
      {"inches?", 0, catalog::metres_per_inch},
      {"a slipped digit in the weight?", 10, 0},  {"a slipped digit in the weight?", 0.1, 0},
      {"a slipped digit in the height?", 0, 10},  {"a slipped digit in the height?", 0, 0.1},
  };
  for (const Slip& slip : slips) {
    const double turned_weight = slip.weight_factor != 0 ? weight * slip.weight_factor : weight;
    // Inches turn into metres from the height as typed, whichever unit the formula takes.
    double turned_height = height_m;
    if (slip.height_factor == catalog::metres_per_inch) {
      turned_height = (in_metres ? height_m : height_m * 100) * catalog::metres_per_inch;
    } else if (slip.height_factor != 0) {
      turned_height = height_m * slip.height_factor;
    }
    if (rules::within(catalog::body_limits.typical_bmi, rules::implied_bmi(turned_weight, turned_height))) {
      out.put("; ");
      out.put(slip.words);
      return;
    }
  }
}

// A girth against a height or a hip that no living body has: "waist 170 cm is 2.00 times the
// height of 85 cm, ...".
void ratio_sentence(std::string_view girth_name, double girth, std::string_view other_name, double other,
                    const catalog::Span& span, BoundedText& out) {
  out.put(girth_name);
  out.put(' ');
  put_number(girth, out);
  out.put(" cm is ");
  put_fixed(girth / other, 2, out);
  out.put(" times the ");
  out.put(other_name);
  out.put(" of ");
  put_number(other, out);
  out.put(" cm, outside the ");
  put_number(span.low, out);
  out.put(" to ");
  put_number(span.high, out);
  out.put(" of living bodies");
  // The slips that would explain it: the two swapped, or one of them in inches.
  const auto fits = [&span](double ratio) { return rules::within(span, ratio); };
  if (fits(other / girth)) {
    out.put("; swapped?");
  } else if (fits(girth * catalog::centimetres_per_inch / other) ||
             fits(girth / (other * catalog::centimetres_per_inch))) {
    out.put("; inches?");
  } else {
    out.put("; check both");
  }
}

void result_sentence(unsigned bit, const WarningSubject& subject, BoundedText& out) {
  using catalog::ArgumentId;
  const double* v = subject.reading.values;
  const FormulaId id = subject.reading.formula;
  const catalog::BodyLimits& limits = catalog::body_limits;
  switch (bit) {
    case TAMSEL_WARNING_NAVY_GIRTH_NOT_ABOVE_NECK:
      out.put("waist ");
      put_number(v[1], out);
      if (subject.reading.male) {
        out.put(" is");
      } else {
        out.put(" and hip ");
        put_number(v[4], out);
        out.put(" together are");
      }
      out.put(" not above neck ");
      put_number(v[2], out);
      out.put(", so the Navy formula has no answer");
      return;
    case TAMSEL_WARNING_NAVY_HEIGHT_NOT_ABOVE_ZERO:
      out.put("height ");
      put_number(v[3], out);
      out.put(" is not above 0, so the Navy formula has no answer");
      return;
    case TAMSEL_WARNING_SYSTOLIC_BELOW_DIASTOLIC:
      out.put("systolic ");
      put_number(v[0], out);
      out.put(" is below diastolic ");
      put_number(v[1], out);
      out.put("; swapped?");
      return;
    case TAMSEL_WARNING_PULSE_PRESSURE_NARROW:
      out.put("systolic ");
      put_number(v[0], out);
      out.put(" and diastolic ");
      put_number(v[1], out);
      out.put(" are ");
      put_number(v[0] - v[1], out);
      out.put(" mmHg apart, closer than any heartbeat gives (");
      put_number(limits.least_pulse_pressure, out);
      out.put(" or more); a digit mistyped?");
      return;
    case TAMSEL_WARNING_BLOOD_PRESSURE_LOW:
      put_number(v[0], out);
      out.put('/');
      put_number(v[1], out);
      out.put(" mmHg is under 90/60, where low blood pressure begins: the ACC/AHA categories do not class it");
      return;
    case TAMSEL_WARNING_AGE_UNDER_SOURCE:
      out.put("age ");
      put_number(value_of(subject, ArgumentId::age), out);
      out.put(" is a child's: the ");
      out.put(name_of(id));
      out.put(" comes from ");
      out.put(catalog::formula(id).source_ages);
      out.put(" and was not made for children");
      return;
    case TAMSEL_WARNING_BMI_IMPLAUSIBLE:
      return implied_bmi_sentence(subject, out);
    case TAMSEL_WARNING_WAIST_FOR_HEIGHT:
      return ratio_sentence("waist", value_of(subject, ArgumentId::waist_cm), "height",
                            rules::height_in_centimetres(id, subject.reading), limits.waist_for_height, out);
    case TAMSEL_WARNING_HIP_FOR_HEIGHT:
      return ratio_sentence("hip", value_of(subject, ArgumentId::hip_cm), "height",
                            rules::height_in_centimetres(id, subject.reading), limits.hip_for_height, out);
    case TAMSEL_WARNING_NECK_FOR_HEIGHT:
      return ratio_sentence("neck", value_of(subject, ArgumentId::neck_cm), "height",
                            rules::height_in_centimetres(id, subject.reading), limits.neck_for_height, out);
    case TAMSEL_WARNING_WAIST_FOR_HIP:
      return ratio_sentence("waist", value_of(subject, ArgumentId::waist_cm), "hip",
                            value_of(subject, ArgumentId::hip_cm), limits.waist_for_hip, out);
    case TAMSEL_WARNING_HEIGHT_UNDER_FORMULA: {
      const double height = value_of(subject, ArgumentId::height_cm);
      out.put("height ");
      put_number(height, out);
      out.put(" cm is under the ");
      out.put(catalog::formula(id).least_height_text);
      out.put(" the ");
      out.put(name_of(id));
      out.put(" was made for");
      // Below 5 feet the ideal-weight lines run on towards nothing; a height in inches lands there.
      const double in_inches = height * catalog::centimetres_per_inch;
      if (in_inches >= 137 && in_inches <= 229) {
        out.put("; height in inches?");
      } else {
        out.put(": below it, the formula runs on past its data");
      }
      return;
    }
    case TAMSEL_WARNING_RESULT_NOT_A_NUMBER:
    case TAMSEL_WARNING_RESULT_INFINITE:
    case TAMSEL_WARNING_RESULT_NEGATIVE:
      out.put("the result ");
      put_result(subject, out);
      if (bit == TAMSEL_WARNING_RESULT_NOT_A_NUMBER) {
        out.put(" is not a number: an argument is zero, negative or missing?");
      } else if (bit == TAMSEL_WARNING_RESULT_INFINITE) {
        out.put(" is infinite: an argument is zero?");
      } else {
        out.put(" is below zero, which no person measures; check the arguments");
      }
      return;
    case TAMSEL_WARNING_BODY_FAT_BELOW_ESSENTIAL:
      out.put("body fat ");
      put_result(subject, out);
      out.put(" is below the essential fat of a living ");
      out.put(subject.reading.male ? "man (2%)" : "woman (10%)");
      out.put(": the Navy equation underestimates very lean, muscular builds; check the waist and the neck");
      return;
    case TAMSEL_WARNING_BODY_FAT_ABOVE_WHOLE:
      out.put("body fat ");
      put_result(subject, out);
      out.put(" is more than the whole body: the Navy equation does not hold for girths this large; check them");
      return;
    case TAMSEL_WARNING_ADIPOSITY_ABOVE_LIVING:
      out.put("body adiposity ");
      put_result(subject, out);
      out.put(" is above 70%, more fat than a living body holds: the index does not hold for this hip and "
              "height; check both");
      return;
    case TAMSEL_WARNING_LEAN_MASS_ABOVE_WEIGHT:
      out.put("lean body mass ");
      put_result(subject, out);
      out.put(" is more than the body weight of ");
      put_number(value_of(subject, ArgumentId::weight_kg), out);
      out.put(" kg: the Boer formula does not hold for a body this light for its height; check the weight");
      return;
    case TAMSEL_WARNING_HEART_RATE_BELOW_RESTING:
      out.put("target heart rate ");
      put_result(subject, out);
      out.put(" is below any resting heart rate (about 40 bpm); check the intensity");
      return;
    default:
      return;
  }
}

}  // namespace

void put_ranges(const catalog::ArgumentKind& kind, BoundedText& out, bool with_readings) {
  for (std::size_t index = 0; index < kind.range_count; ++index) {
    if (index != 0) out.put(" or ");
    out.put(kind.ranges[index].low_text);
    out.put(" to ");
    out.put(kind.ranges[index].high_text);
    if (with_readings && !kind.ranges[index].reading.empty()) {
      out.put(" (");
      out.put(kind.ranges[index].reading);
      out.put(')');
    }
  }
}

std::size_t write_warning(unsigned bit, const WarningSubject& subject, char* out, std::size_t capacity) {
  BoundedText text(out, capacity);
  if (bit < 3 * max_arguments) {
    argument_sentence(bit, subject, text);
  } else {
    result_sentence(bit, subject, text);
  }
  return text.size();
}

}  // namespace tamsel::core
