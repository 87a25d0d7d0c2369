// SPDX-License-Identifier: MIT
#include "numerics/strict_arithmetic.h"  // first: it governs how everything after it computes

#include "arguments.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "frame/buffer_sizes.h"
#include "frame/byte_copy.h"
#include "frame/folded_words.h"
#include "frame/number_text.h"
#include "frame/tokens.h"

namespace tamsel::review {
namespace {

// A plain decimal has at most this many digits: their integer is below 2^53, so it is exact.
constexpr std::size_t max_plain_digits = 15;

// Every power of ten a plain decimal divides by, each exact.
constexpr double powers_of_ten[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// Plausible values for an adult or a child, wide enough that no real measurement is flagged,
// narrow enough to catch a unit mix-up or a slipped digit. Centimetres and metres differ by a
// factor of 100, so each hints at the other. docs/formulas.md gives their sources.
constexpr ArgumentRule argument_rules[] = {
    {"weight_kg", ArgumentType::real, {{2, 400, "2", "400", ""}, {}}, 1, 0, ""},
    {"height_m", ArgumentType::real, {{0.3, 2.75, "0.3", "2.75", ""}, {}}, 1, 0.01, "centimetres?"},
    {"height_cm", ArgumentType::real, {{30, 275, "30", "275", ""}, {}}, 1, 100, "metres?"},
    {"waist_cm", ArgumentType::real, {{30, 250, "30", "250", ""}, {}}, 1, 100, "metres?"},
    {"hip_cm", ArgumentType::real, {{30, 250, "30", "250", ""}, {}}, 1, 100, "metres?"},
    {"neck_cm", ArgumentType::real, {{15, 80, "15", "80", ""}, {}}, 1, 100, "metres?"},
    {"age", ArgumentType::whole, {{1, 120, "1", "120", ""}, {}}, 1, 0, ""},
    {"bmr", ArgumentType::real, {{500, 5000, "500", "5000", ""}, {}}, 1, 0, ""},
    {"activity_factor", ArgumentType::real, {{1, 2.5, "1", "2.5", ""}, {}}, 1, 0, ""},
    // The library takes a value above 1 as a percentage and one of 1 or less as a fraction.
    {"intensity_percent",
     ArgumentType::real,
     {{0.3, 1, "0.3", "1", "a fraction"}, {30, 100, "30", "100", "a per cent"}},
     2,
     0,
     ""},
    {"systolic", ArgumentType::whole, {{50, 300, "50", "300", ""}, {}}, 1, 0, ""},
    {"diastolic", ArgumentType::whole, {{20, 200, "20", "200", ""}, {}}, 1, 0, ""},
    {"M/F", ArgumentType::sex, {{}, {}}, 0, 0, ""},
};

// In the order of the library's usage lines; bodyfat_navy's hip is for women only.
constexpr FormulaArguments formulas[] = {
    {"bmi", 2, {"weight_kg", "height_m"}, FormulaId::bmi},
    {"bmr_harris", 4, {"M/F", "weight_kg", "height_cm", "age"}, FormulaId::bmr_harris},
    {"bmr_mifflin", 4, {"M/F", "weight_kg", "height_cm", "age"}, FormulaId::bmr_mifflin},
    {"bodyfat_navy", 5, {"M/F", "waist_cm", "neck_cm", "height_cm", "hip_cm"}, FormulaId::bodyfat_navy},
    {"whr", 2, {"waist_cm", "hip_cm"}, FormulaId::whr},
    {"ideal_devine", 2, {"M/F", "height_cm"}, FormulaId::ideal_devine},
    {"ideal_robinson", 2, {"M/F", "height_cm"}, FormulaId::ideal_robinson},
    {"ideal_miller", 2, {"M/F", "height_cm"}, FormulaId::ideal_miller},
    {"bsa", 2, {"weight_kg", "height_cm"}, FormulaId::bsa},
    {"lbm", 3, {"M/F", "weight_kg", "height_cm"}, FormulaId::lbm},
    {"tdee", 2, {"bmr", "activity_factor"}, FormulaId::tdee},
    {"max_hr", 1, {"age"}, FormulaId::max_hr},
    {"target_hr", 2, {"age", "intensity_percent"}, FormulaId::target_hr},
    {"bai", 2, {"hip_cm", "height_m"}, FormulaId::bai},
    {"wthr", 2, {"waist_cm", "height_cm"}, FormulaId::wthr},
    {"bp_category", 2, {"systolic", "diastolic"}, FormulaId::bp_category},
    {"map", 2, {"systolic", "diastolic"}, FormulaId::map},
    {"pulse_pressure", 2, {"systolic", "diastolic"}, FormulaId::pulse_pressure},
};

constexpr std::size_t formula_count = sizeof formulas / sizeof formulas[0];

constexpr bool slot_is(FormulaId id, std::size_t place, std::string_view name) {
  return formulas[static_cast<std::size_t>(id)].names[place] == name;
}
static_assert(slot_is(FormulaId::bodyfat_navy, slot::navy_waist, "waist_cm") &&
                  slot_is(FormulaId::bodyfat_navy, slot::navy_neck, "neck_cm") &&
                  slot_is(FormulaId::bodyfat_navy, slot::navy_height, "height_cm") &&
                  slot_is(FormulaId::bodyfat_navy, slot::navy_hip, "hip_cm"),
              "the Navy formula's slots");
static_assert(slot_is(FormulaId::bp_category, slot::systolic, "systolic") &&
                  slot_is(FormulaId::bp_category, slot::diastolic, "diastolic") &&
                  slot_is(FormulaId::map, slot::systolic, "systolic") && slot_is(FormulaId::map, slot::diastolic, "diastolic") &&
                  slot_is(FormulaId::pulse_pressure, slot::systolic, "systolic") &&
                  slot_is(FormulaId::pulse_pressure, slot::diastolic, "diastolic"),
              "the pressures' slots");
static_assert(slot_is(FormulaId::lbm, slot::lbm_weight, "weight_kg"), "lean body mass's weight slot");
static_assert(slot_is(FormulaId::ideal_devine, slot::ideal_height, "height_cm") &&
                  slot_is(FormulaId::ideal_robinson, slot::ideal_height, "height_cm") &&
                  slot_is(FormulaId::ideal_miller, slot::ideal_height, "height_cm"),
              "the ideal weights' height slot");

constexpr bool ids_follow_the_table() {
  for (std::size_t index = 0; index < formula_count; ++index) {
    if (static_cast<std::size_t>(formulas[index].id) != index) return false;
  }
  return true;
}
static_assert(ids_follow_the_table(), "FormulaId lists the formulas in the table's order");

constexpr const ArgumentRule* rule_named(std::string_view name) {
  for (const ArgumentRule& rule : argument_rules) {
    if (rule.name == name) return &rule;
  }
  return nullptr;
}

// The rule of every argument of every formula, looked up once, when compiling.
struct FormulaRules {
  const ArgumentRule* rules[formula_count][5];
};
constexpr FormulaRules make_formula_rules() {
  FormulaRules table{};
  for (std::size_t formula = 0; formula < formula_count; ++formula) {
    for (std::size_t slot = 0; slot < formulas[formula].count; ++slot) {
      table.rules[formula][slot] = rule_named(formulas[formula].names[slot]);
    }
  }
  return table;
}
constexpr FormulaRules formula_rules = make_formula_rules();

constexpr bool every_argument_has_a_rule() {
  for (std::size_t formula = 0; formula < formula_count; ++formula) {
    for (std::size_t slot = 0; slot < formulas[formula].count; ++slot) {
      if (formula_rules.rules[formula][slot] == nullptr) return false;
    }
  }
  return true;
}
static_assert(every_argument_has_a_rule(), "an argument name with no rule");

// A quoted token is cut to this many bytes, so that a warning always fits its slot.
constexpr std::size_t max_quoted_token = 40;

// Tokens are copied with a terminator for the library's own number reading.
constexpr std::size_t token_copy_size = 1024;

char lower_ascii(char byte) { return byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte - 'A' + 'a') : byte; }

bool equals_ignoring_case(std::string_view text, std::string_view lower) {
  if (text.size() != lower.size()) return false;
  for (std::size_t index = 0; index < text.size(); ++index) {
    if (lower_ascii(text[index]) != lower[index]) return false;
  }
  return true;
}

bool is_digit(char byte) { return byte >= '0' && byte <= '9'; }

bool is_space(char byte) { return byte == ' ' || (byte >= '\t' && byte <= '\r'); }

bool within(const ArgumentRule& rule, double value) {
  for (std::size_t index = 0; index < rule.range_count; ++index) {
    if (value >= rule.ranges[index].low && value <= rule.ranges[index].high) return true;
  }
  return false;  // NaN included
}

// The library's own reading, from a terminated copy of the token.
double library_reading(std::string_view token, ArgumentType type) {
  char copy[token_copy_size];
  std::size_t size = token.size() < token_copy_size - 1 ? token.size() : token_copy_size - 1;
  for (std::size_t index = 0; index < size; ++index) copy[index] = token[index];
  copy[size] = '\0';
  return type == ArgumentType::whole ? static_cast<double>(tamsel::read_integer(copy)) : tamsel::read_real(copy);
}

// Appends the digits from `p` on to `mantissa`; returns the first byte that is no digit. Past
// 19 digits the sum wraps, harmlessly: the callers only use it up to 15.
const char* add_digits(const char* p, const char* end, std::uint64_t& mantissa) {
  for (; p != end; ++p) {
    const unsigned digit = static_cast<unsigned>(static_cast<unsigned char>(*p)) - unsigned{'0'};
    if (digit > 9) break;
    mantissa = mantissa * 10 + digit;
  }
  return p;
}

// The same in text whose end is marked by a byte that is no digit, so no bound is needed.
const char* add_marked_digits(const char* p, std::uint64_t& mantissa) {
  for (;; ++p) {
    const unsigned digit = static_cast<unsigned>(static_cast<unsigned char>(*p)) - unsigned{'0'};
    if (digit > 9) return p;
    mantissa = mantissa * 10 + digit;
  }
}

// Digits with at most one point, up to 15 of them: their integer is below 2^53 and the power of
// ten is exact, so one division rounds correctly, exactly as a full reading does.
double exact_decimal(std::uint64_t mantissa, std::size_t decimals) {
  return static_cast<double>(mantissa) / powers_of_ten[decimals];
}

}  // namespace

// The printed number is found and, with up to 15 digits (every result but a huge one), read
// exactly in the same pass.
std::size_t read_printed_number(std::string_view text, double& value) {
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  const bool negative = begin != end && *begin == '-';
  const char* const whole = begin + (negative ? 1 : 0);
  std::uint64_t mantissa = 0;
  const char* p = add_digits(whole, end, mantissa);
  if (p == whole) return 0;
  std::size_t digits = static_cast<std::size_t>(p - whole);
  std::size_t decimals = 0;
  if (end - p >= 2 && *p == '.' && is_digit(p[1])) {
    const char* const fraction = p + 1;
    p = add_digits(fraction, end, mantissa);
    decimals = static_cast<std::size_t>(p - fraction);
    digits += decimals;
  }
  const std::size_t length = static_cast<std::size_t>(p - begin);
  if (digits > max_plain_digits) {
    value = library_reading(text.substr(0, length), ArgumentType::real);
  } else {
    const double magnitude = exact_decimal(mantissa, decimals);
    value = negative ? -magnitude : magnitude;
  }
  return length;
}

namespace {

std::size_t skip_digits(std::string_view text, std::size_t index) {
  while (index < text.size() && is_digit(text[index])) ++index;
  return index;
}

bool word_at(std::string_view text, std::size_t index, std::string_view lower) {
  return equals_ignoring_case(text.substr(index, lower.size()), lower);
}

// The length of what atof reads of `token` in the C locale: white space, one sign, then
// "inf", "infinity", "nan", "nan(...)" or decimal digits with a point and an exponent. 0 when
// nothing is a number.
std::size_t real_prefix(std::string_view token) {
  std::size_t index = 0;
  while (index < token.size() && is_space(token[index])) ++index;
  if (index < token.size() && (token[index] == '+' || token[index] == '-')) ++index;
  if (word_at(token, index, "infinity")) return index + 8;
  if (word_at(token, index, "inf")) return index + 3;
  if (word_at(token, index, "nan")) {
    index += 3;
    if (index < token.size() && token[index] == '(') {
      std::size_t close = index + 1;
      while (close < token.size() && (is_digit(token[close]) || token[close] == '_' ||
                                      (lower_ascii(token[close]) >= 'a' && lower_ascii(token[close]) <= 'z'))) {
        ++close;
      }
      if (close < token.size() && token[close] == ')') return close + 1;
    }
    return index;
  }
  const std::size_t start = index;
  index = skip_digits(token, index);
  std::size_t digits = index - start;
  if (index < token.size() && token[index] == '.') {
    const std::size_t fraction = index + 1;
    index = skip_digits(token, fraction);
    digits += index - fraction;
  }
  if (digits == 0) return 0;
  if (index < token.size() && (token[index] == 'e' || token[index] == 'E')) {
    std::size_t exponent = index + 1;
    if (exponent < token.size() && (token[exponent] == '+' || token[exponent] == '-')) ++exponent;
    const std::size_t end = skip_digits(token, exponent);
    if (end != exponent) index = end;
  }
  return index;
}

// The length of what atoi reads: white space, one sign, decimal digits; 0 when no digit.
std::size_t integer_prefix(std::string_view token) {
  std::size_t index = 0;
  while (index < token.size() && is_space(token[index])) ++index;
  if (index < token.size() && (token[index] == '+' || token[index] == '-')) ++index;
  const std::size_t digits = index;
  index = skip_digits(token, index);
  return index == digits ? 0 : index;
}

// The first delimiter from `p` on, or `end`, in a padded request: the zeros past the end are
// no delimiters, so a block that reaches into them finds nothing there. Where SSE2 is there
// (every x86-64), sixteen bytes are looked at a time; every compiler that defines __SSE2__ also
// has the builtin used here.
const char* find_padded_delimiter(const char* p, const char* end) {
#if defined(__SSE2__)
  const __m128i spaces = _mm_set1_epi8(' ');
  const __m128i tabs = _mm_set1_epi8('\t');
  for (; p < end; p += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const auto found = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, spaces), _mm_cmpeq_epi8(block, tabs))));
    if (found != 0) return p + __builtin_ctz(found);
  }
  return end;
#else
  while (p != end && !is_delimiter(*p)) ++p;
  return p;
#endif
}

// "M", "F", "male" or "female" in either case: a sex the review takes without a word.
bool is_accepted_sex(std::string_view token) {
  if (token.size() == 1) {
    const char lower = lower_ascii(token[0]);
    return lower == 'm' || lower == 'f';
  }
  return equals_ignoring_case(token, "male") || equals_ignoring_case(token, "female");
}

// The argument that starts at `p` after any delimiters; `p` is left just past it. A plain
// decimal, which nearly every argument is, is read in the same pass that finds its end: digits
// with at most one point, up to 15 digits (exact, and one division rounds correctly), and for a
// whole number up to nine digits without a point (within the 32-bit range at which the library
// saturates). Anything else is read by the library's own reader. Returns whether the argument
// may need a warning: a plain number in its range or an accepted sex needs none.
bool read_argument(const char*& p, const PaddedRequest& request, Argument& argument) {
  const char* const end = request.end;
  while (is_delimiter(*p)) ++p;  // the zero at the end is none
  const char* const start = p;
  const auto token_here = [&] {
    argument.token = std::string_view(request.request + (start - request.bytes), static_cast<std::size_t>(p - start));
  };
  const ArgumentRule& rule = *argument.rule;
  argument.value = 0.0;
  argument.plain = false;
  if (rule.type == ArgumentType::sex) {
    p = find_padded_delimiter(p, end);
    token_here();
    argument.male = *start == 'M' || *start == 'm';  // an empty token starts at the zero
    return !is_accepted_sex(argument.token);
  }
  argument.male = false;
  std::uint64_t mantissa = 0;
  p = add_marked_digits(start, mantissa);
  const bool has_point = *p == '.';
  std::size_t decimals = 0;
  if (has_point) {
    const char* const fraction = p + 1;
    p = add_marked_digits(fraction, mantissa);
    decimals = static_cast<std::size_t>(p - fraction);
  }
  const bool only_number = p == end || is_delimiter(*p);
  // A number that ends the token has already found the token's end.
  if (!only_number) p = find_padded_delimiter(p, end);
  token_here();
  constexpr std::size_t max_plain_whole = 9;
  const std::size_t most_digits = rule.type == ArgumentType::real ? max_plain_digits : has_point ? 0 : max_plain_whole;
  const std::size_t digits = argument.token.size() - (has_point ? 1 : 0);
  argument.plain = only_number && digits != 0 && digits <= most_digits;
  if (argument.plain) {
    argument.value = exact_decimal(mantissa, decimals);
    return !within(rule, argument.value);
  }
  if (!argument.token.empty()) {  // a missing argument is read by nobody
    argument.value = library_reading(argument.token, rule.type);
  }
  return true;
}

void put_number(double value, BoundedText& out) {
  char text[tamsel::max_number_text + 8];
  const std::size_t size = write_number(value, text, sizeof text);
  out.put(std::string_view(text, size));
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

void put_ranges(const ArgumentRule& rule, std::string_view joiner, bool with_readings, BoundedText& out) {
  for (std::size_t index = 0; index < rule.range_count; ++index) {
    if (index != 0) out.put(joiner);
    out.put(rule.ranges[index].low_text);
    out.put(" to ");
    out.put(rule.ranges[index].high_text);
    if (with_readings && !rule.ranges[index].reading.empty()) {
      out.put(" (");
      out.put(rule.ranges[index].reading);
      out.put(')');
    }
  }
}

// For a sex that is none of the accepted words.
void warn_about_sex(const Argument& argument, WarningList& warnings) {
  BoundedText out = warnings.add();
  out.put("sex ");
  put_quoted(argument.token, out);
  out.put(" is not M, F, male or female; it reads as ");
  out.put(argument.male ? "male" : "female");
}

void check_number(const Argument& argument, WarningList& warnings) {
  const ArgumentRule& rule = *argument.rule;
  const std::string_view token = argument.token;
  const bool in_range = within(rule, argument.value);
  const std::size_t prefix = rule.type == ArgumentType::whole ? integer_prefix(token) : real_prefix(token);
  const bool whole = prefix != 0 && prefix == token.size();
  if (whole && in_range) return;

  BoundedText out = warnings.add();
  out.put(rule.name);
  if (whole) {
    out.put(' ');
    out.put(token);
    out.put(" is outside ");
  } else {
    out.put(' ');
    put_quoted(token, out);
    out.put(" reads as ");
    put_number(argument.value, out);
    if (!in_range) out.put(", outside ");
  }
  if (!in_range) {
    put_ranges(rule, " and ", false, out);
    if (rule.unit_factor != 0 && within(rule, argument.value * rule.unit_factor)) {
      out.put("; ");
      out.put(rule.unit_hint);
    }
  }
  if (!whole && rule.type == ArgumentType::whole && token.find_first_of(".,") != std::string_view::npos) {
    out.put("; it takes whole numbers");
  } else if (!whole && token.find(',') != std::string_view::npos) {
    out.put("; the decimal point is '.'");
  }
}

// The integer digits of `value` (at most 15 of them) in `out`, backwards from `end`.
char* put_integer_digits(std::uint64_t value, char* end) {
  do {
    *--end = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  return end;
}

// The longest keyword: a longer one is no formula.
constexpr std::size_t longest_keyword() {
  std::size_t longest = 0;
  for (const FormulaArguments& formula : formulas) {
    if (formula.keyword.size() > longest) longest = formula.keyword.size();
  }
  return longest;
}

// Every keyword has a second byte, so the slot below can always look at it.
constexpr std::size_t shortest_keyword = 2;

// A keyword's slot in a table of formulas, from its length, its second and its last byte
// (lowercase): one look instead of a comparison with each of the eighteen keywords.
constexpr std::size_t formula_slots = 64;
constexpr std::size_t formula_slot(std::size_t size, char second, char last) {
  return (size + static_cast<unsigned char>(second) * 2u + static_cast<unsigned char>(last) * 7u) % formula_slots;
}

struct FormulaSlots {
  unsigned char index[formula_slots];  // formula_count for an empty slot
  bool distinct;                        // no two keywords share a slot
};

constexpr FormulaSlots make_formula_slots() {
  FormulaSlots slots{};
  slots.distinct = true;
  for (unsigned char& index : slots.index) index = static_cast<unsigned char>(formula_count);
  for (std::size_t which = 0; which < formula_count; ++which) {
    const std::string_view keyword = formulas[which].keyword;
    if (keyword.size() < shortest_keyword) slots.distinct = false;
    unsigned char& index = slots.index[formula_slot(keyword.size(), keyword[1], keyword.back())];
    if (index != formula_count) slots.distinct = false;
    index = static_cast<unsigned char>(which);
  }
  return slots;
}

constexpr FormulaSlots formula_slots_table = make_formula_slots();
static_assert(formula_slots_table.distinct, "two keywords share a slot: change formula_slot's factors");

// Each keyword with its letter bits, padded to 16 bytes, for the library's folded comparison.
constexpr std::size_t keyword_room = 16;
static_assert(longest_keyword() <= keyword_room, "a keyword fits its padded copy");

struct KeywordBytes {
  char lower[keyword_room];    // the keyword, padded with zeros
  char letters[keyword_room];  // its letter bits
};

struct KeywordTable {
  KeywordBytes of[formula_count];
};

constexpr KeywordTable make_keyword_table() {
  KeywordTable table{};
  for (std::size_t which = 0; which < formula_count; ++which) {
    const std::string_view keyword = formulas[which].keyword;
    for (std::size_t index = 0; index < keyword.size(); ++index) {
      table.of[which].lower[index] = keyword[index];
      table.of[which].letters[index] = tamsel::letter_bit(keyword[index]);
    }
  }
  return table;
}

constexpr KeywordTable keyword_table = make_keyword_table();

}  // namespace

const FormulaArguments* find_formula(std::string_view keyword) {
  const std::size_t size = keyword.size();
  if (size < shortest_keyword || size > longest_keyword()) return nullptr;
  const std::size_t which = formula_slots_table.index[formula_slot(size, lower_ascii(keyword[1]), lower_ascii(keyword[size - 1]))];
  if (which == formula_count) return nullptr;
  const FormulaArguments& formula = formulas[which];
  const KeywordBytes& bytes = keyword_table.of[which];
  if (formula.keyword.size() != size || !tamsel::folded_keyword_is(keyword.data(), bytes.lower, bytes.letters, size)) {
    return nullptr;
  }
  return &formula;
}

const FormulaArguments* formula_table(std::size_t& count) {
  count = formula_count;
  return formulas;
}

const ArgumentRule* find_argument_rule(std::string_view usage_name) {
  return rule_named(usage_name);
}

void pad_request(std::string_view request, PaddedRequest& padded) {
  if (request.size() > max_request_bytes) request = request.substr(0, max_request_bytes);
  // Short requests go in a few fixed moves: a general copy of a size known only when running
  // starts slowly.
  tamsel::copy_bytes(padded.bytes, request.data(), request.size());
  std::memset(padded.bytes + request.size(), 0, 1 + request_padding);
  padded.end = padded.bytes + request.size();
  padded.request = request.data();
}

void read_arguments(std::string_view request, Arguments& out) {
  PaddedRequest padded;
  pad_request(request, padded);
  read_arguments(padded, out);
}

void read_arguments(const PaddedRequest& padded, Arguments& out) {
  out.formula = nullptr;
  out.count = 0;
  out.doubtful = 0;
  const char* p = padded.bytes;
  while (is_delimiter(*p)) ++p;
  const char* const keyword = p;
  p = find_padded_delimiter(p, padded.end);
  if (p == keyword) return;
  out.formula = find_formula(std::string_view(keyword, static_cast<std::size_t>(p - keyword)));
  if (out.formula == nullptr) return;
  const ArgumentRule* const* const rules = formula_rules.rules[out.formula - formulas];
  for (std::size_t slot = 0; slot < out.formula->count; ++slot) {
    Argument& argument = out.items[slot];
    argument.rule = rules[slot];
    const bool doubtful = read_argument(p, padded, argument);
    if (argument.token.empty()) break;
    out.doubtful |= (doubtful ? 1u : 0u) << slot;
    ++out.count;
  }
}

void check_arguments(const Arguments& arguments, WarningList& warnings) {
  for (std::size_t index = 0; arguments.doubtful >> index != 0; ++index) {
    if ((arguments.doubtful >> index & 1u) == 0) continue;
    const Argument& argument = arguments.items[index];
    if (argument.rule->type == ArgumentType::sex) {
      warn_about_sex(argument, warnings);
    } else {
      // Plain digits are all read, as atof and atoi would read them; only other tokens need
      // the measure of how much of them was.
      check_number(argument, warnings);
    }
  }
}

std::size_t write_range_table(std::string_view line_end, char* out, std::size_t capacity) {
  constexpr std::size_t name_width = 20;
  BoundedText text(out, capacity);
  for (const ArgumentRule& rule : argument_rules) {
    if (rule.range_count == 0) continue;
    text.put("  ");
    text.put(rule.name);
    for (std::size_t pad = rule.name.size(); pad < name_width; ++pad) text.put(' ');
    put_ranges(rule, " or ", true, text);
    if (rule.type == ArgumentType::whole) text.put(", whole numbers");
    text.put(line_end);
  }
  return text.size();
}

std::size_t write_number(double value, char* out, std::size_t capacity) {
  BoundedText text(out, capacity);
  if (std::isnan(value)) {
    text.put("nan");  // as the library prints every NaN, whatever its sign
    return text.size();
  }
  if (std::isinf(value)) {
    text.put(value < 0 ? "-inf" : "inf");
    return text.size();
  }
  if (std::signbit(value)) {
    text.put('-');
    value = -value;
  }
  // Up to 15 significant digits, the fewest that read back as the value: what users type is
  // never longer. A value beyond that prints with its 17 digits in fixed notation.
  constexpr double limit = 1e15;
  if (value < limit) {
    for (int decimals = 0; decimals <= 15; ++decimals) {
      double scale = 1;
      for (int step = 0; step < decimals; ++step) scale *= 10;
      const double scaled = value * scale;
      if (scaled >= limit) break;
      const double rounded = std::floor(scaled + 0.5);
      if (rounded / scale != value) continue;
      char digits[24];
      char* const end = digits + sizeof digits;
      char* begin = put_integer_digits(static_cast<std::uint64_t>(rounded), end);
      while (end - begin <= decimals) *--begin = '0';
      const std::string_view all(begin, static_cast<std::size_t>(end - begin));
      const std::size_t point = all.size() - static_cast<std::size_t>(decimals);
      text.put(all.substr(0, point));
      if (decimals != 0) {
        text.put('.');
        text.put(all.substr(point));
      }
      return text.size();
    }
  }
  char fixed[tamsel::max_number_text];
  char* const end = tamsel::write_fixed(fixed, value, 0);
  text.put(std::string_view(fixed, static_cast<std::size_t>(end - fixed)));
  return text.size();
}

}  // namespace tamsel::review
