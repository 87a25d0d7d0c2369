// SPDX-License-Identifier: MIT
#include "argument_warnings.h"

#include "TamselCalculatorHealth.h"
#include "number_reading.h"
#include "utf8_text.h"

namespace tamsel_host {
namespace {

// Plausible values for an adult or a child, wide enough that no real measurement is flagged,
// narrow enough to catch a unit mix-up or a slipped digit. Centimetres and metres differ by a
// factor of 100, so each hints at the other.
constexpr ArgumentRule argument_rules[] = {
    {"weight_kg", ArgumentType::real, {{2, 400, ""}, {}}, 1, 0, ""},
    {"height_m", ArgumentType::real, {{0.3, 2.75, ""}, {}}, 1, 0.01, "centimetres?"},
    {"height_cm", ArgumentType::real, {{30, 275, ""}, {}}, 1, 100, "metres?"},
    {"waist_cm", ArgumentType::real, {{30, 250, ""}, {}}, 1, 100, "metres?"},
    {"hip_cm", ArgumentType::real, {{30, 250, ""}, {}}, 1, 100, "metres?"},
    {"neck_cm", ArgumentType::real, {{15, 80, ""}, {}}, 1, 100, "metres?"},
    {"age", ArgumentType::whole, {{1, 120, ""}, {}}, 1, 0, ""},
    {"bmr", ArgumentType::real, {{500, 5000, ""}, {}}, 1, 0, ""},
    {"activity_factor", ArgumentType::real, {{1, 2.5, ""}, {}}, 1, 0, ""},
    // The library takes a value above 1 as a percentage and one of 1 or less as a fraction.
    {"intensity_percent", ArgumentType::real, {{0.3, 1, "a fraction"}, {30, 100, "a per cent"}}, 2, 0, ""},
    {"systolic", ArgumentType::whole, {{50, 300, ""}, {}}, 1, 0, ""},
    {"diastolic", ArgumentType::whole, {{20, 200, ""}, {}}, 1, 0, ""},
    {"sex", ArgumentType::sex, {{}, {}}, 0, 0, ""},
};

// The usage lines write the sex as the choice they offer.
constexpr std::string_view sex_usage_name = "M/F";

// The longest keyword is 14 letters ("ideal_robinson", "pulse_pressure"): a longer first
// token never gave a result.
constexpr std::size_t max_keyword_length = 14;

char lower_ascii(char byte) { return byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte - 'A' + 'a') : byte; }

bool equals_ignoring_case(std::string_view text, std::string_view lower) {
  if (text.size() != lower.size()) return false;
  for (std::size_t index = 0; index < text.size(); ++index) {
    if (lower_ascii(text[index]) != lower[index]) return false;
  }
  return true;
}

bool within(const ArgumentRule& rule, double value) {
  for (std::size_t index = 0; index < rule.range_count; ++index) {
    if (value >= rule.ranges[index].low && value <= rule.ranges[index].high) return true;
  }
  return false;  // NaN included
}

void append_range(const PlausibleRange& range, std::string& out) {
  append_shortest(range.low, out);
  out += " to ";
  append_shortest(range.high, out);
}

void append_ranges(const ArgumentRule& rule, std::string_view joiner, bool with_readings, std::string& out) {
  for (std::size_t index = 0; index < rule.range_count; ++index) {
    if (index != 0) out += joiner;
    append_range(rule.ranges[index], out);
    if (with_readings && !rule.ranges[index].reading.empty()) {
      out += " (";
      out += rule.ranges[index].reading;
      out += ')';
    }
  }
}

void check_sex(std::string_view token, std::vector<std::string>& warnings) {
  for (const std::string_view accepted : {"m", "f", "male", "female"}) {
    if (equals_ignoring_case(token, accepted)) return;
  }
  std::string message = "sex \"";
  message += token;
  message += "\" is not M, F, male or female; it reads as ";
  // The library looks at the first character alone.
  message += token[0] == 'M' || token[0] == 'm' ? "male" : "female";
  warnings.push_back(std::move(message));
}

// True when the argument needs no warning and that is plain at a glance; false sends it to the
// full check, which decides.
bool plainly_fits(const ArgumentRule* rule, const PlainNumber& number, std::string_view token) {
  if (rule == nullptr) return false;
  switch (rule->type) {
    case ArgumentType::sex:
      return token.size() == 1 && (token[0] == 'M' || token[0] == 'F' || token[0] == 'm' || token[0] == 'f');
    case ArgumentType::whole:
      return number.plain() && !number.has_point() && within(*rule, number.value());
    case ArgumentType::real:
      return number.plain() && within(*rule, number.value());
  }
  return false;
}

}  // namespace

const ArgumentRule* find_argument_rule(std::string_view usage_name) {
  if (usage_name == sex_usage_name) usage_name = "sex";
  for (const ArgumentRule& rule : argument_rules) {
    if (rule.name == usage_name) return &rule;
  }
  return nullptr;
}

std::vector<std::string> argument_names(std::string_view usage_line) {
  std::vector<std::string> names;
  if (usage_line.substr(0, 7) != "Usage: ") return names;
  for (std::size_t open = usage_line.find('['); open != std::string_view::npos;
       open = usage_line.find('[', open + 1)) {
    const std::size_t close = usage_line.find(']', open);
    if (close == std::string_view::npos) break;
    // "[hip_cm (F only)]" names hip_cm; the rest is a note.
    const std::string_view inside = usage_line.substr(open + 1, close - open - 1);
    names.emplace_back(inside.substr(0, inside.find(' ')));
  }
  return names;
}

void check_argument(std::string_view name, const ArgumentRule* rule, std::string_view token,
                    std::vector<std::string>& warnings) {
  const ArgumentType type = rule != nullptr ? rule->type : ArgumentType::real;
  if (type == ArgumentType::sex) return check_sex(token, warnings);
  const NumberReading reading = type == ArgumentType::whole ? read_integer_token(token) : read_real_token(token);
  const bool in_range = rule == nullptr || rule->range_count == 0 || within(*rule, reading.value);
  if (reading.whole && in_range) return;

  std::string message(rule != nullptr ? rule->name : name);
  if (reading.whole) {
    message += ' ';
    message += token;
    message += " is outside ";
  } else {
    message += " \"";
    message += token;
    message += "\" reads as ";
    append_shortest(reading.value, message);
    if (!in_range) message += ", outside ";
  }
  if (!in_range) {
    append_ranges(*rule, " and ", false, message);
    if (rule->unit_factor != 0 && within(*rule, reading.value * rule->unit_factor)) {
      message += "; ";
      message += rule->unit_hint;
    }
  }
  if (!reading.whole && type == ArgumentType::whole && token.find_first_of(".,") != std::string_view::npos) {
    message += "; it takes whole numbers";
  } else if (!reading.whole && token.find(',') != std::string_view::npos) {
    message += "; the decimal point is '.'";
  }
  warnings.push_back(std::move(message));
}

void append_range_table(std::string_view line_end, std::string& out) {
  constexpr std::size_t name_width = 20;
  for (const ArgumentRule& rule : argument_rules) {
    if (rule.range_count == 0) continue;
    out += "  ";
    out += rule.name;
    out.append(name_width - rule.name.size(), ' ');
    append_ranges(rule, " or ", true, out);
    if (rule.type == ArgumentType::whole) out += ", whole numbers";
    out += line_end;
  }
}

std::size_t keyword_slot(std::string_view keyword, std::size_t slot_count) {
  const std::size_t first = static_cast<unsigned char>(lower_ascii(keyword.front()));
  const std::size_t last = static_cast<unsigned char>(lower_ascii(keyword.back()));
  return (keyword.size() * 7 + first * 3 + last) % slot_count;
}

const ArgumentChecker::Formula& ArgumentChecker::formula(std::string_view keyword) {
  std::size_t slot = keyword_slot(keyword, slot_count);
  for (; slots_[slot] != 0; slot = (slot + 1) % slot_count) {
    const Formula& known = formulas_[slots_[slot] - 1u];
    if (equals_ignoring_case(keyword, known.keyword)) return known;
  }
  // The keyword alone is too few tokens for every formula, so the library answers with its
  // usage line, which names the arguments.
  Formula learned;
  for (const char byte : keyword) learned.keyword += lower_ascii(byte);
  WideText wide;
  append_utf16(learned.keyword, wide);
  std::string usage_line;
  append_utf8(CalcHealth(wide.c_str()), usage_line);
  for (std::string& name : argument_names(usage_line)) {
    const ArgumentRule* rule = find_argument_rule(name);
    learned.arguments.push_back({std::move(name), rule});
  }
  if (formulas_.size() == max_formulas) return unlisted_ = std::move(learned);
  formulas_.push_back(std::move(learned));
  slots_[slot] = static_cast<unsigned char>(formulas_.size());
  return formulas_.back();
}

void ArgumentChecker::check(std::string_view request, std::vector<std::string>& warnings) {
  const char* p = request.data();
  const char* const end = p + request.size();
  const auto skip_delimiters = [&p, end] {
    while (p < end && (*p == ' ' || *p == '\t')) ++p;
  };
  skip_delimiters();
  const char* const keyword_start = p;
  while (p < end && *p != ' ' && *p != '\t') ++p;
  const auto keyword_length = static_cast<std::size_t>(p - keyword_start);
  if (keyword_length == 0 || keyword_length > max_keyword_length) return;
  for (const Argument& argument : formula({keyword_start, keyword_length}).arguments) {
    skip_delimiters();
    if (p == end) break;
    const char* const start = p;
    PlainNumber number;
    while (p < end && *p != ' ' && *p != '\t') number.take(*p++);
    const std::string_view token(start, static_cast<std::size_t>(p - start));
    if (!plainly_fits(argument.rule, number, token)) check_argument(argument.name, argument.rule, token, warnings);
  }
}

}  // namespace tamsel_host
