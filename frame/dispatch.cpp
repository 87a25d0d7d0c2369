// SPDX-License-Identifier: MIT
#include "../numerics/strict_arithmetic.h"  // first: it governs how everything after it computes

#include "dispatch.h"

#include <cstdint>

#include "../formulas/body_fat.h"
#include "../formulas/body_indices.h"
#include "../formulas/cardiovascular.h"
#include "../formulas/ideal_weight.h"
#include "../formulas/metabolic_rates.h"
#include "folded_words.h"
#include "listing.h"
#include "number_text.h"

namespace tamsel {
namespace {

// The keyword as the tokeniser found it: its bytes and how many.
struct Keyword {
  const char* text;
  std::size_t length;
};

// Most keywords differ in length, which settles the comparison at once. The name is a literal,
// so the size of the words compared is chosen when compiling, and each word's letter bits are
// made where the compiler can fold them into a constant.
template <typename Word>
bool keyword_word_is(const char* text, const char* name, std::size_t offset) {
  char letter_bits[sizeof(Word)];
  for (std::size_t index = 0; index < sizeof(Word); ++index) letter_bits[index] = letter_bit(name[offset + index]);
  return folded_word_is<Word>(text + offset, name + offset, letter_bits);
}

template <typename Word, std::size_t size>
bool keyword_words_are(const char* text, const char (&name)[size]) {
  return keyword_word_is<Word>(text, name, 0) && keyword_word_is<Word>(text, name, size - 1 - sizeof(Word));
}

template <std::size_t size>
bool keyword_is(const Keyword& keyword, const char (&name)[size]) {
  constexpr std::size_t length = size - 1;
  static_assert(length >= 2 && length <= 2 * sizeof(std::uint64_t), "a keyword of two to sixteen bytes");
  if (keyword.length != length) return false;
  if constexpr (length >= sizeof(std::uint64_t)) {
    return keyword_words_are<std::uint64_t>(keyword.text, name);
  } else if constexpr (length >= sizeof(std::uint32_t)) {
    return keyword_words_are<std::uint32_t>(keyword.text, name);
  } else {
    return keyword_words_are<std::uint16_t>(keyword.text, name);
  }
}

bool asks_for_listing(const Keyword& keyword) {
  return keyword_is(keyword, "help") || keyword_is(keyword, "-h") ||
         keyword_is(keyword, "--help") || keyword_is(keyword, "/?");
}

// Only 'M' and 'm' mean male; every other first character means female.
Sex sex_at(const TokenList& list, std::size_t index) {
  const char first = list.tokens[index][0];
  return first == 'M' || first == 'm' ? Sex::male : Sex::female;
}

// A request that lost an argument to the cut of a long line never has the right count.
bool has_count(const TokenList& list, std::size_t required) {
  return list.count == required && !list.argument_cut;
}

double real_at(const TokenList& list, std::size_t index) { return read_real(list.tokens[index]); }

std::int32_t integer_at(const TokenList& list, std::size_t index) {
  return read_integer(list.tokens[index]);
}

void write_unknown_formula(OutputText& out, const Keyword& keyword) {
  write_line(out, "Unknown formula: %s", keyword.text);
}

void write_banner(OutputText& out) {
  write_line(out, "Tamsel Health Calculator - Command Line Medical Calculator");
  write_line(out, "Usage: program.exe [formula] [parameters...]");
  write_line(out, "Use 'help' or '-h' to see all available formulas");
}

// The only rule that reads an argument before it counts them: men give no hip measurement.
void answer_body_fat(const TokenList& list, OutputText& out) {
  if (list.count < 5) {
    return write_line(out, "Usage: bodyfat_navy [M/F] [waist_cm] [neck_cm] [height_cm] [hip_cm (F only)]");
  }
  const Sex sex = sex_at(list, 1);
  if (sex == Sex::male && !has_count(list, 5)) return write_line(out, "Male requires: waist, neck, height");
  if (sex == Sex::female && !has_count(list, 6)) {
    return write_line(out, "Female requires: waist, neck, height, hip");
  }
  const double hip_cm = sex == Sex::male ? 0.0 : real_at(list, 5);
  static constexpr auto line = result_format("Body Fat Percentage (Navy Method): %.2f%%");
  write_line(out, line,
             navy_body_fat_percent(sex, real_at(list, 2), real_at(list, 3), real_at(list, 4), hip_cm));
}

}  // namespace

// Each result line's format is split when the library is compiled (static constexpr), so that
// writing the answer copies its pieces instead of scanning the format on every call.
void dispatch(const TokenList& list, OutputText& out) noexcept {
  if (list.count == 0) return write_banner(out);
  const Keyword keyword{list.tokens[0], list.lengths[0]};
  if (list.keyword_cut) return write_unknown_formula(out, keyword);

  if (keyword_is(keyword, "bmi")) {
    if (!has_count(list, 3)) return write_line(out, "Usage: bmi [weight_kg] [height_m]");
    static constexpr auto line = result_format("BMI: %.2f");
    return write_line(out, line, body_mass_index(real_at(list, 1), real_at(list, 2)));
  }
  if (keyword_is(keyword, "bmr_harris")) {
    if (!has_count(list, 5)) return write_line(out, "Usage: bmr_harris [M/F] [weight_kg] [height_cm] [age]");
    static constexpr auto line = result_format("BMR (Harris-Benedict): %.2f calories/day");
    return write_line(out, line,
                      bmr_harris_benedict(sex_at(list, 1), real_at(list, 2), real_at(list, 3),
                                          integer_at(list, 4)));
  }
  if (keyword_is(keyword, "bmr_mifflin")) {
    if (!has_count(list, 5)) return write_line(out, "Usage: bmr_mifflin [M/F] [weight_kg] [height_cm] [age]");
    static constexpr auto line = result_format("BMR (Mifflin-St Jeor): %.2f calories/day");
    return write_line(out, line,
                      bmr_mifflin_st_jeor(sex_at(list, 1), real_at(list, 2), real_at(list, 3),
                                          integer_at(list, 4)));
  }
  if (keyword_is(keyword, "bodyfat_navy")) return answer_body_fat(list, out);
  if (keyword_is(keyword, "whr")) {
    if (!has_count(list, 3)) return write_line(out, "Usage: whr [waist_cm] [hip_cm]");
    static constexpr auto line = result_format("Waist-Hip Ratio: %.3f");
    return write_line(out, line, waist_hip_ratio(real_at(list, 1), real_at(list, 2)));
  }
  if (keyword_is(keyword, "ideal_devine")) {
    if (!has_count(list, 3)) return write_line(out, "Usage: ideal_devine [M/F] [height_cm]");
    static constexpr auto line = result_format("Ideal Weight (Devine): %.2f kg");
    return write_line(out, line,
                      ideal_weight_devine(sex_at(list, 1), real_at(list, 2)));
  }
  if (keyword_is(keyword, "ideal_robinson")) {
    if (!has_count(list, 3)) return write_line(out, "Usage: ideal_robinson [M/F] [height_cm]");
    static constexpr auto line = result_format("Ideal Weight (Robinson): %.2f kg");
    return write_line(out, line,
                      ideal_weight_robinson(sex_at(list, 1), real_at(list, 2)));
  }
  if (keyword_is(keyword, "ideal_miller")) {
    if (!has_count(list, 3)) return write_line(out, "Usage: ideal_miller [M/F] [height_cm]");
    static constexpr auto line = result_format("Ideal Weight (Miller): %.2f kg");
    return write_line(out, line,
                      ideal_weight_miller(sex_at(list, 1), real_at(list, 2)));
  }
  if (keyword_is(keyword, "bsa")) {
    if (!has_count(list, 3)) return write_line(out, "Usage: bsa [weight_kg] [height_cm]");
    // 0xB2 is the superscript two of the ANSI code page: one byte, widened to U+00B2.
    static constexpr auto line = result_format("Body Surface Area: %.3f m\xB2");
    return write_line(out, line,
                      body_surface_area(real_at(list, 1), real_at(list, 2)));
  }
  if (keyword_is(keyword, "lbm")) {
    if (!has_count(list, 4)) return write_line(out, "Usage: lbm [M/F] [weight_kg] [height_cm]");
    static constexpr auto line = result_format("Lean Body Mass: %.2f kg");
    return write_line(out, line,
                      lean_body_mass(sex_at(list, 1), real_at(list, 2), real_at(list, 3)));
  }
  if (keyword_is(keyword, "tdee")) {
    if (!has_count(list, 3)) return write_line(out, "Usage: tdee [bmr] [activity_factor]");
    static constexpr auto line = result_format("Total Daily Energy Expenditure: %.2f calories/day");
    return write_line(out, line,
                      total_daily_energy_expenditure(real_at(list, 1), real_at(list, 2)));
  }
  if (keyword_is(keyword, "max_hr")) {
    if (!has_count(list, 2)) return write_line(out, "Usage: max_hr [age]");
    static constexpr auto line = result_format("Maximum Heart Rate: %.0f bpm");
    return write_line(out, line, max_heart_rate(integer_at(list, 1)));
  }
  if (keyword_is(keyword, "target_hr")) {
    if (!has_count(list, 3)) return write_line(out, "Usage: target_hr [age] [intensity_percent]");
    static constexpr auto line = result_format("Target Heart Rate: %.0f bpm");
    return write_line(out, line,
                      target_heart_rate(integer_at(list, 1), real_at(list, 2)));
  }
  if (keyword_is(keyword, "bai")) {
    if (!has_count(list, 3)) return write_line(out, "Usage: bai [hip_cm] [height_m]");
    static constexpr auto line = result_format("Body Adiposity Index: %.2f%%");
    return write_line(out, line,
                      body_adiposity_index(real_at(list, 1), real_at(list, 2)));
  }
  if (keyword_is(keyword, "wthr")) {
    if (!has_count(list, 3)) return write_line(out, "Usage: wthr [waist_cm] [height_cm]");
    static constexpr auto line = result_format("Waist-to-Height Ratio: %.3f");
    return write_line(out, line,
                      waist_to_height_ratio(real_at(list, 1), real_at(list, 2)));
  }
  if (keyword_is(keyword, "bp_category")) {
    if (!has_count(list, 3)) return write_line(out, "Usage: bp_category [systolic] [diastolic]");
    static constexpr auto line = result_format("Blood Pressure Category: %d");
    return write_line(out, line,
                      blood_pressure_category(integer_at(list, 1), integer_at(list, 2)));
  }
  if (keyword_is(keyword, "map")) {
    if (!has_count(list, 3)) return write_line(out, "Usage: map [systolic] [diastolic]");
    static constexpr auto line = result_format("Mean Arterial Pressure: %.1f mmHg");
    return write_line(out, line,
                      mean_arterial_pressure(integer_at(list, 1), integer_at(list, 2)));
  }
  if (keyword_is(keyword, "pulse_pressure")) {
    if (!has_count(list, 3)) return write_line(out, "Usage: pulse_pressure [systolic] [diastolic]");
    static constexpr auto line = result_format("Pulse Pressure: %.0f mmHg");
    return write_line(out, line,
                      pulse_pressure(integer_at(list, 1), integer_at(list, 2)));
  }
  if (asks_for_listing(keyword)) return write_listing(out);
  write_unknown_formula(out, keyword);
}

}  // namespace tamsel
