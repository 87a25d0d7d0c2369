// SPDX-License-Identifier: MIT
// The core's C interface: the formula table as data, one row, columns, warnings as text.
#include "../numerics/strict_arithmetic.h"  // first: it governs how everything after it computes

#include <cstring>

#include "../catalog/formula_text.h"
#include "../catalog/keyword_lookup.h"
#include "../frame/number_text.h"
#include "TamselCore.h"
#include "row.h"
#include "shortest_number.h"
#include "warning_text.h"

namespace tamsel::core {
namespace {

// The catalog's texts are literals, so their views are zero-terminated.
constexpr const char* c_text(std::string_view text) { return text.data(); }

constexpr TamselArgumentInfo argument_info(const catalog::Formula& entry, std::size_t place) {
  const catalog::ArgumentKind& kind = catalog::argument_kind(entry.arguments[place]);
  TamselArgumentInfo info{};
  info.name = c_text(kind.binding_name);
  info.usage_name = c_text(kind.name);
  info.type = static_cast<TamselArgumentType>(kind.type);
  info.unit = c_text(kind.unit);
  info.label = c_text(kind.label);
  info.hint = c_text(kind.hint);
  info.women_only = place == entry.women_only ? 1 : 0;
  if (kind.imperial.factor != 0) {
    info.imperial_name = c_text(kind.imperial.name);
    info.imperial_unit = c_text(kind.imperial.unit);
    info.imperial_factor = kind.imperial.factor;
  }
  info.range_count = kind.range_count;
  for (std::size_t index = 0; index < 2; ++index) {
    info.low[index] = kind.ranges[index].low;
    info.high[index] = kind.ranges[index].high;
  }
  return info;
}

static_assert(static_cast<int>(ArgumentType::real) == TAMSEL_ARGUMENT_REAL &&
                  static_cast<int>(ArgumentType::whole) == TAMSEL_ARGUMENT_WHOLE &&
                  static_cast<int>(ArgumentType::sex) == TAMSEL_ARGUMENT_SEX,
              "the C argument types are the table's");
static_assert(catalog::max_arguments == TAMSEL_MAX_ARGUMENTS && catalog::formula_count == TAMSEL_FORMULA_COUNT,
              "the C limits are the table's");
static_assert(static_cast<int>(FormulaId::pulse_pressure) == TAMSEL_FORMULA_PULSE_PRESSURE &&
                  static_cast<int>(FormulaId::bodyfat_navy) == TAMSEL_FORMULA_BODYFAT_NAVY,
              "the C formula numbers are the table's");

struct FormulaInfos {
  TamselFormulaInfo of[catalog::formula_count];
};

constexpr FormulaInfos make_formula_infos() {
  FormulaInfos infos{};
  for (std::size_t id = 0; id < catalog::formula_count; ++id) {
    const catalog::Formula& entry = catalog::formulas[id];
    TamselFormulaInfo& info = infos.of[id];
    info.keyword = c_text(entry.keyword);
    info.title = c_text(entry.title);
    info.group = c_text(catalog::group_names[static_cast<std::size_t>(entry.group)]);
    info.usage = catalog::usage_lines.of[id].c_str();
    info.label = c_text(entry.label);
    info.unit = c_text(entry.unit);
    info.decimals = entry.decimals;
    info.argument_count = entry.argument_count;
    for (std::size_t place = 0; place < entry.argument_count; ++place) info.arguments[place] = argument_info(entry, place);
    if (entry.scheme != catalog::Scheme::none) {
      const catalog::SchemeSource& scheme = catalog::scheme_source(entry.scheme);
      const catalog::SchemeSpan span = catalog::scheme_span(entry.scheme);
      info.scheme = c_text(scheme.name);
      info.scheme_source = c_text(scheme.source);
      info.first_category = static_cast<unsigned>(span.first);
      info.category_count = span.count;
    }
  }
  return infos;
}

constexpr FormulaInfos formula_infos = make_formula_infos();

constexpr const char* warning_names[TAMSEL_WARNING_BITS] = {
    "out_of_range", "read_otherwise", "sex_word", "out_of_range", "read_otherwise", "sex_word",
    "out_of_range", "read_otherwise", "sex_word", "out_of_range", "read_otherwise", "sex_word",
    "out_of_range", "read_otherwise", "sex_word", nullptr,
    "navy_girth_not_above_neck", "navy_height_not_above_zero", "systolic_below_diastolic",
    "pulse_pressure_narrow", "blood_pressure_low", "age_under_source", "bmi_implausible",
    "waist_for_height", "hip_for_height", "neck_for_height", "waist_for_hip", "height_under_formula",
    "result_not_a_number", "result_infinite", "result_negative", "body_fat_below_essential",
    "body_fat_above_whole", "adiposity_above_living", "lean_mass_above_weight", "heart_rate_below_resting",
};

}  // namespace
}  // namespace tamsel::core

using namespace tamsel::core;
using tamsel::catalog::FormulaId;

extern "C" int tamsel_sex_code(const char* text, std::size_t size) {
  using tamsel::is_folded_word;
  if (text == nullptr) return -1;
  if (is_folded_word(text, size, "m", 1) || is_folded_word(text, size, "male", 4)) return TAMSEL_SEX_MALE;
  if (is_folded_word(text, size, "f", 1) || is_folded_word(text, size, "female", 6)) return TAMSEL_SEX_FEMALE;
  return -1;
}

extern "C" const char* tamsel_kind_name(TamselAnswerKind kind) {
  switch (kind) {
    case TAMSEL_KIND_RESULT: return "result";
    case TAMSEL_KIND_USAGE: return "usage";
    case TAMSEL_KIND_REQUIREMENT: return "requirement";
    case TAMSEL_KIND_UNKNOWN: return "unknown";
    case TAMSEL_KIND_BANNER: return "banner";
    case TAMSEL_KIND_LISTING: return "listing";
    case TAMSEL_KIND_MISSING: return "missing";
  }
  return "result";
}

extern "C" const TamselFormulaInfo* tamsel_formula_info(int formula) {
  return is_formula(formula) ? &formula_infos.of[formula] : nullptr;
}

extern "C" int tamsel_find_formula(const char* keyword, std::size_t size) {
  if (keyword == nullptr) return -1;
  const tamsel::catalog::Formula* found = tamsel::catalog::find_formula(std::string_view(keyword, size));
  return found == nullptr ? -1 : static_cast<int>(tamsel::catalog::id_of(*found));
}

extern "C" unsigned tamsel_category_limit(void) { return static_cast<unsigned>(tamsel::catalog::category_count); }

extern "C" const char* tamsel_category_name(unsigned id) {
  if (id == TAMSEL_CATEGORY_NONE || id >= tamsel::catalog::category_count) return nullptr;
  return c_text(tamsel::catalog::categories[id].name);
}

extern "C" const char* tamsel_category_source(unsigned id) {
  if (id == TAMSEL_CATEGORY_NONE || id >= tamsel::catalog::category_count) return nullptr;
  return c_text(tamsel::catalog::scheme_source(tamsel::catalog::categories[id].scheme).source);
}

extern "C" const char* tamsel_category_note(unsigned id) {
  if (id == TAMSEL_CATEGORY_NONE || id >= tamsel::catalog::category_count) return nullptr;
  return c_text(tamsel::catalog::categories[id].note);
}

extern "C" const char* tamsel_warning_name(unsigned bit) { return bit < TAMSEL_WARNING_BITS ? warning_names[bit] : nullptr; }

extern "C" int tamsel_evaluate(int formula, const double* arguments, unsigned missing, unsigned options, TamselRow* row) {
  if (!is_formula(formula)) return -1;
  *row = evaluate_any(read_row(static_cast<FormulaId>(formula), arguments, missing, options), 0).row;
  return 0;
}

extern "C" std::size_t tamsel_warning_text(int formula, const double* arguments, unsigned options, unsigned bit,
                                           char* out, std::size_t capacity) {
  if (capacity != 0) out[0] = '\0';
  if (!is_formula(formula) || bit >= TAMSEL_WARNING_BITS || capacity == 0) return 0;
  const ReadRow row = read_row(static_cast<FormulaId>(formula), arguments, 0, options);
  const Evaluated evaluated = evaluate_any(row, 0);
  if (row.missing || (evaluated.row.warnings >> bit & 1u) == 0) return 0;
  const WarningSubject subject{row.reading, evaluated.result, {}, arguments, row.imperial};
  return write_warning(bit, subject, out, capacity);
}

extern "C" std::size_t tamsel_result_digits(int formula, const double* arguments, unsigned missing, unsigned options,
                                            char* out) {
  if (!is_formula(formula)) return 0;
  const ReadRow row = read_row(static_cast<FormulaId>(formula), arguments, missing, options);
  if (row.missing) return 0;
  const double result = compute(row.reading.formula, row.reading);  // the digits need no review
  const int decimals = tamsel::catalog::formula(row.reading.formula).decimals;
  const char* const end = decimals < 0 ? tamsel::write_integer(out, static_cast<std::int32_t>(result))
                                       : tamsel::write_fixed(out, result, decimals);
  return static_cast<std::size_t>(end - out);
}

extern "C" std::size_t tamsel_write_number(double value, int positional, char* out) {
  const std::size_t size = write_shortest(value, positional != 0 ? NumberStyle::positional : NumberStyle::shortest, out);
  out[size] = '\0';
  return size;
}
