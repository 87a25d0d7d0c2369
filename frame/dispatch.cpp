// SPDX-License-Identifier: MIT
#include "../numerics/strict_arithmetic.h"  // first: it governs how everything after it computes

#include "dispatch.h"

#include <cstdint>
#include <string_view>

#include "../catalog/formula_table.h"
#include "../catalog/formula_text.h"
#include "../catalog/keyword_lookup.h"
#include "../formulas/body_fat.h"
#include "../formulas/body_indices.h"
#include "../formulas/cardiovascular.h"
#include "../formulas/ideal_weight.h"
#include "../formulas/metabolic_rates.h"
#include "../catalog/folded_words.h"
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

// A formula's keyword, as the table has it, padded with its letter bits: constant data, which
// the compiler folds into the words it compares.
template <catalog::FormulaId id>
bool keyword_is(const Keyword& keyword) {
  constexpr std::size_t length = catalog::formula(id).keyword.size();
  constexpr std::size_t at = static_cast<std::size_t>(id);
  if (keyword.length != length) return false;
  const char* const lower = catalog::keyword_slots::slots.lower[at];
  const char* const letters = catalog::keyword_slots::slots.letters[at];
  if constexpr (length >= sizeof(std::uint64_t)) {
    return folded_words_are<std::uint64_t>(keyword.text, lower, letters, length);
  } else if constexpr (length >= sizeof(std::uint32_t)) {
    return folded_words_are<std::uint32_t>(keyword.text, lower, letters, length);
  } else {
    return folded_words_are<std::uint16_t>(keyword.text, lower, letters, length);
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

using catalog::FormulaId;

// The tokens a request of the formula has: its keyword and its arguments.
constexpr std::size_t token_count(FormulaId id) { return 1 + catalog::formula(id).argument_count; }

void write_usage(OutputText& out, FormulaId id) { write_line(out, catalog::usage_line(id)); }

// Each result line's format is split when the library is compiled, so that writing the answer
// copies its pieces instead of scanning the format on every call.
template <FormulaId id>
constexpr auto result_line = result_format(catalog::formula(id).format);

// The only rule that reads an argument before it counts them: men give no hip measurement.
void answer_body_fat(const TokenList& list, OutputText& out) {
  constexpr FormulaId id = FormulaId::bodyfat_navy;
  constexpr std::size_t female_count = token_count(id);
  constexpr std::size_t male_count = female_count - 1;
  static_assert(catalog::formula(id).women_only == female_count - 2, "the hip comes last");
  if (list.count < male_count) return write_usage(out, id);
  const Sex sex = sex_at(list, 1);
  if (sex == Sex::male && !has_count(list, male_count)) return write_line(out, "Male requires: waist, neck, height");
  if (sex == Sex::female && !has_count(list, female_count)) {
    return write_line(out, "Female requires: waist, neck, height, hip");
  }
  const double hip_cm = sex == Sex::male ? 0.0 : real_at(list, 5);
  write_line(out, result_line<id>,
             navy_body_fat_percent(sex, real_at(list, 2), real_at(list, 3), real_at(list, 4), hip_cm));
}

}  // namespace

// One comparison of the keyword after another, each formula reading its own arguments. The
// keywords, token counts, usage lines and result formats are the formula table's.
void dispatch(const TokenList& list, OutputText& out) noexcept {
  if (list.count == 0) return write_banner(out);
  const Keyword keyword{list.tokens[0], list.lengths[0]};
  if (list.keyword_cut) return write_unknown_formula(out, keyword);

  if (keyword_is<FormulaId::bmi>(keyword)) {
    if (!has_count(list, token_count(FormulaId::bmi))) return write_usage(out, FormulaId::bmi);
    return write_line(out, result_line<FormulaId::bmi>, body_mass_index(real_at(list, 1), real_at(list, 2)));
  }
  if (keyword_is<FormulaId::bmr_harris>(keyword)) {
    if (!has_count(list, token_count(FormulaId::bmr_harris))) return write_usage(out, FormulaId::bmr_harris);
    return write_line(out, result_line<FormulaId::bmr_harris>,
                      bmr_harris_benedict(sex_at(list, 1), real_at(list, 2), real_at(list, 3), integer_at(list, 4)));
  }
  if (keyword_is<FormulaId::bmr_mifflin>(keyword)) {
    if (!has_count(list, token_count(FormulaId::bmr_mifflin))) return write_usage(out, FormulaId::bmr_mifflin);
    return write_line(out, result_line<FormulaId::bmr_mifflin>,
                      bmr_mifflin_st_jeor(sex_at(list, 1), real_at(list, 2), real_at(list, 3), integer_at(list, 4)));
  }
  if (keyword_is<FormulaId::bodyfat_navy>(keyword)) return answer_body_fat(list, out);
  if (keyword_is<FormulaId::whr>(keyword)) {
    if (!has_count(list, token_count(FormulaId::whr))) return write_usage(out, FormulaId::whr);
    return write_line(out, result_line<FormulaId::whr>, waist_hip_ratio(real_at(list, 1), real_at(list, 2)));
  }
  if (keyword_is<FormulaId::ideal_devine>(keyword)) {
    if (!has_count(list, token_count(FormulaId::ideal_devine))) return write_usage(out, FormulaId::ideal_devine);
    return write_line(out, result_line<FormulaId::ideal_devine>, ideal_weight_devine(sex_at(list, 1), real_at(list, 2)));
  }
  if (keyword_is<FormulaId::ideal_robinson>(keyword)) {
    if (!has_count(list, token_count(FormulaId::ideal_robinson))) return write_usage(out, FormulaId::ideal_robinson);
    return write_line(out, result_line<FormulaId::ideal_robinson>,
                      ideal_weight_robinson(sex_at(list, 1), real_at(list, 2)));
  }
  if (keyword_is<FormulaId::ideal_miller>(keyword)) {
    if (!has_count(list, token_count(FormulaId::ideal_miller))) return write_usage(out, FormulaId::ideal_miller);
    return write_line(out, result_line<FormulaId::ideal_miller>, ideal_weight_miller(sex_at(list, 1), real_at(list, 2)));
  }
  if (keyword_is<FormulaId::bsa>(keyword)) {
    if (!has_count(list, token_count(FormulaId::bsa))) return write_usage(out, FormulaId::bsa);
    return write_line(out, result_line<FormulaId::bsa>, body_surface_area(real_at(list, 1), real_at(list, 2)));
  }
  if (keyword_is<FormulaId::lbm>(keyword)) {
    if (!has_count(list, token_count(FormulaId::lbm))) return write_usage(out, FormulaId::lbm);
    return write_line(out, result_line<FormulaId::lbm>,
                      lean_body_mass(sex_at(list, 1), real_at(list, 2), real_at(list, 3)));
  }
  if (keyword_is<FormulaId::tdee>(keyword)) {
    if (!has_count(list, token_count(FormulaId::tdee))) return write_usage(out, FormulaId::tdee);
    return write_line(out, result_line<FormulaId::tdee>,
                      total_daily_energy_expenditure(real_at(list, 1), real_at(list, 2)));
  }
  if (keyword_is<FormulaId::max_hr>(keyword)) {
    if (!has_count(list, token_count(FormulaId::max_hr))) return write_usage(out, FormulaId::max_hr);
    return write_line(out, result_line<FormulaId::max_hr>, max_heart_rate(integer_at(list, 1)));
  }
  if (keyword_is<FormulaId::target_hr>(keyword)) {
    if (!has_count(list, token_count(FormulaId::target_hr))) return write_usage(out, FormulaId::target_hr);
    return write_line(out, result_line<FormulaId::target_hr>, target_heart_rate(integer_at(list, 1), real_at(list, 2)));
  }
  if (keyword_is<FormulaId::bai>(keyword)) {
    if (!has_count(list, token_count(FormulaId::bai))) return write_usage(out, FormulaId::bai);
    return write_line(out, result_line<FormulaId::bai>, body_adiposity_index(real_at(list, 1), real_at(list, 2)));
  }
  if (keyword_is<FormulaId::wthr>(keyword)) {
    if (!has_count(list, token_count(FormulaId::wthr))) return write_usage(out, FormulaId::wthr);
    return write_line(out, result_line<FormulaId::wthr>, waist_to_height_ratio(real_at(list, 1), real_at(list, 2)));
  }
  if (keyword_is<FormulaId::bp_category>(keyword)) {
    if (!has_count(list, token_count(FormulaId::bp_category))) return write_usage(out, FormulaId::bp_category);
    return write_line(out, result_line<FormulaId::bp_category>,
                      blood_pressure_category(integer_at(list, 1), integer_at(list, 2)));
  }
  if (keyword_is<FormulaId::map>(keyword)) {
    if (!has_count(list, token_count(FormulaId::map))) return write_usage(out, FormulaId::map);
    return write_line(out, result_line<FormulaId::map>, mean_arterial_pressure(integer_at(list, 1), integer_at(list, 2)));
  }
  if (keyword_is<FormulaId::pulse_pressure>(keyword)) {
    if (!has_count(list, token_count(FormulaId::pulse_pressure))) return write_usage(out, FormulaId::pulse_pressure);
    return write_line(out, result_line<FormulaId::pulse_pressure>, pulse_pressure(integer_at(list, 1), integer_at(list, 2)));
  }
  if (asks_for_listing(keyword)) return write_listing(out);
  write_unknown_formula(out, keyword);
}

}  // namespace tamsel
