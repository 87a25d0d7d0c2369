// SPDX-License-Identifier: MIT
// libFuzzer target: any UTF-16 command line of up to 5,000 units, lone surrogates included,
// must get a well-formed answer, and the same answer when asked again; its review must stay
// within the record, and so must the review of any bytes taken as a request and an answer.
// The same bytes, taken as a formula and its numbers, must get from the calculator on numbers,
// alone and in a column, exactly what the request that writes those numbers gets.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "TamselCalculatorHealth.h"
#include "TamselReview.h"
#include "frame/number_text.h"
#include "review/unicode.h"

namespace {

constexpr std::size_t max_request_units = 5000;
constexpr std::size_t result_text_units = 2000;

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

// The answer, narrowed: every unit the library writes is below U+0100 or one of the code page's
// characters, which all become '?' here; only the ASCII structure is checked.
std::size_t narrow_answer(const TamselChar16* answer, char* text) {
  std::size_t length = 0;
  while (length < result_text_units && answer[length] != 0) {
    const auto unit = static_cast<std::uint32_t>(answer[length]);
    text[length] = unit < 0x100 ? static_cast<char>(unit) : '?';
    ++length;
  }
  if (length == result_text_units) fail("the answer is not terminated within 2000 units");
  text[length] = '\0';
  return length;
}

bool starts_with(const char* text, const char* prefix) { return std::strncmp(text, prefix, std::strlen(prefix)) == 0; }

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// "-12.34" with exactly `decimals` decimals, "inf", "-inf" or "nan".
bool is_number(const char* begin, const char* end, int decimals) {
  const bool negative = begin < end && *begin == '-';
  if (negative) ++begin;
  const std::size_t length = static_cast<std::size_t>(end - begin);
  if (length == 3 && std::strncmp(begin, "inf", 3) == 0) return decimals >= 0;
  if (length == 3 && std::strncmp(begin, "nan", 3) == 0) return decimals >= 0 && !negative;
  const char* p = begin;
  while (p < end && is_digit(*p)) ++p;
  if (p == begin) return false;
  if (decimals <= 0) return p == end;
  if (p == end || *p != '.') return false;
  const char* const point = p++;
  while (p < end && is_digit(*p)) ++p;
  return p == end && p - point - 1 == decimals;
}

// Whether `text` is a formula's result line: its label and ": ", a number with its decimals,
// its unit, from the formula table, the superscript two narrowed to its code page's byte.
bool is_result_line(const char* text, std::size_t length) {
  for (int formula = 0; formula < TAMSEL_FORMULA_COUNT; ++formula) {
    const TamselFormulaInfo& info = *tamsel_formula_info(formula);
    const std::string prefix = std::string(info.label) + ": ";
    const std::string unit = info.unit;
    const std::string suffix = unit.empty() ? "" : unit == "%" ? "%" : unit == "m\xC2\xB2" ? " m\xB2" : " " + unit;
    if (length < prefix.size() + suffix.size() || !starts_with(text, prefix.c_str())) continue;
    if (std::strcmp(text + length - suffix.size(), suffix.c_str()) != 0) continue;
    if (is_number(text + prefix.size(), text + length - suffix.size(), info.decimals)) return true;
  }
  return false;
}

// The library's answer in UTF-8, as the review converts text.
std::string utf8_of(const TamselChar16* units) {
  char text[4 * result_text_units];
  return std::string(text, tamsel::review::utf8_from_utf16(units, text, sizeof text, result_text_units));
}

bool same_bits(double a, double b) {
  if (a != a || b != b) return a != a && b != b;
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// The bytes as a formula and its numbers: a byte for the formula, a byte for the sex, then
// eight bytes a number. The row alone, the row as a column of one, and the request that writes
// its numbers (as the shortest text that reads back) must agree to the last bit.
void check_typed_row(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t number_bytes = 8;
  if (size < 2 + number_bytes) return;
  const int formula = data[0] % TAMSEL_FORMULA_COUNT;
  const TamselFormulaInfo& info = *tamsel_formula_info(formula);
  double arguments[TAMSEL_MAX_ARGUMENTS] = {};
  const unsigned char sex = data[1] % 2;
  std::string request = info.keyword;
  std::size_t at = 2;
  for (std::size_t place = 0; place < info.argument_count; ++place) {
    const TamselArgumentInfo& argument = info.arguments[place];
    if (argument.type == TAMSEL_ARGUMENT_SEX) {
      arguments[place] = sex;
      request += sex == TAMSEL_SEX_MALE ? " M" : " F";
      continue;
    }
    if (at + number_bytes <= size) {
      std::memcpy(&arguments[place], data + at, number_bytes);
      at += number_bytes;
    }
    if (argument.women_only != 0 && sex == TAMSEL_SEX_MALE) continue;
    char text[TAMSEL_NUMBER_BYTES];
    tamsel_write_number(arguments[place], argument.type == TAMSEL_ARGUMENT_WHOLE, text);
    request += ' ';
    request += text;
  }
  TamselRow row;
  if (tamsel_evaluate(formula, arguments, 0, 0, &row) != 0) fail("a formula number was refused");
  TamselColumn columns[TAMSEL_MAX_ARGUMENTS] = {};
  for (std::size_t place = 0; place < info.argument_count; ++place) {
    columns[place] = info.arguments[place].type == TAMSEL_ARGUMENT_SEX ? TamselColumn{&sex, 0, nullptr, 0}
                                                                       : TamselColumn{&arguments[place], 0, nullptr, 0};
  }
  double value;
  unsigned char kind;
  unsigned char category;
  TamselWarnings warnings;
  tamsel_evaluate_columns(formula, 1, columns, 0, &value, &kind, &category, &warnings);
  if (!same_bits(value, row.value) || kind != row.kind || category != row.category || warnings != row.warnings) {
    fail("a column of one differs from its row");
  }
  static TamselRecord record;
  tamsel_ask(request.data(), request.size(), &record);
  if (record.kind != TAMSEL_KIND_RESULT) fail("the request of a row got no result");
  if (!same_bits(record.value, row.value) || record.category_id != row.category || record.warning_codes != row.warnings) {
    fail("a row differs from its request");
  }
  std::size_t index = 0;
  for (unsigned bit = 0; bit < TAMSEL_WARNING_BITS; ++bit) {
    if ((row.warnings >> bit & 1u) == 0) continue;
    char text[TAMSEL_WARNING_BYTES];
    tamsel_warning_text(formula, arguments, 0, bit, text, sizeof text);
    if (index >= record.warning_count || std::strcmp(text, record.warnings[index++]) != 0) {
      fail("a row's warning differs from its request's");
    }
  }
}

void check_answer(const char* text, std::size_t length) {
  if (length == 0) fail("the answer is empty");
  if (starts_with(text, "Tamsel Health Calculator - ") || starts_with(text, "Available Medical Calculations:")) {
    return;  // the banner and the listing are the multi-line answers
  }
  if (starts_with(text, "Unknown formula: ")) return;  // echoes the keyword, CR and LF included
  if (std::strchr(text, '\n') != nullptr || std::strchr(text, '\r') != nullptr) fail("a one-line answer has a line break");
  if (starts_with(text, "Usage: ") || starts_with(text, "Male requires") || starts_with(text, "Female requires")) return;
  if (!is_result_line(text, length)) fail("the answer is not a well-formed result line");
}

void check_record(const TamselRecord& record) {
  if (record.text_size >= TAMSEL_REVIEW_TEXT_BYTES || record.text[record.text_size] != '\0') fail("record text");
  if (record.warning_count > TAMSEL_REVIEW_MAX_WARNINGS) fail("too many warnings");
  for (std::size_t index = 0; index < record.warning_count; ++index) {
    if (std::strlen(record.warnings[index]) >= TAMSEL_REVIEW_WARNING_BYTES) fail("a warning overflows its slot");
  }
  if ((record.digits_size != 0) != (record.has_value != 0)) fail("digits and value disagree");
  if (record.digits_size != 0) {
    // The value, from the calculator on numbers, is what the answer prints.
    char digits[TAMSEL_REVIEW_TEXT_BYTES];
    std::memcpy(digits, tamsel_record_digits(&record), record.digits_size);
    digits[record.digits_size] = '\0';
    if (!same_bits(tamsel::read_real(digits), record.value)) fail("the value is not the number printed");
  }
  if (record.category != nullptr && (record.kind != TAMSEL_KIND_RESULT || record.warning_count != 0)) {
    fail("a category for a wrong or doubtful answer");
  }
  static char json[TAMSEL_REVIEW_JSON_BYTES];
  const std::size_t size = tamsel_record_json(&record, json, sizeof json);
  if (size + 1 >= TAMSEL_REVIEW_JSON_BYTES || json[size] != '\0') fail("the JSON reached its capacity");
  if (std::strstr(json, ",\"category_source\":") == nullptr) fail("the JSON was cut");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static TamselChar16 request[max_request_units + 1];
  static char first[result_text_units + 1];
  static char second[result_text_units + 1];
  std::size_t units = size / 2;
  if (units > max_request_units) units = max_request_units;
  for (std::size_t index = 0; index < units; ++index) {
    request[index] = static_cast<TamselChar16>(data[2 * index] | (data[2 * index + 1] << 8));
  }
  request[units] = 0;

  const TamselChar16* answer = CalcHealth(request);
  if (answer == nullptr) fail("the answer is null");
  const std::size_t length = narrow_answer(answer, first);
  check_answer(first, length);
  if (CalcHealth(request) != answer) fail("a second call answered at another address");
  if (narrow_answer(answer, second) != length || std::memcmp(first, second, length) != 0) {
    fail("the same request got another answer");
  }
  static TamselRecord record;
  tamsel_ask16(request, &record);
  check_record(record);
  // A result is the library's answer to the letter, whether the review asked the library or
  // answered from the numbers it read.
  if (record.kind == TAMSEL_KIND_RESULT) {
    const std::string text = utf8_of(CalcHealth(request));
    if (text != std::string(record.text, record.text_size)) fail("a result's text is not the library's answer");
  }
  if (record.kind == TAMSEL_KIND_RESULT && !is_result_line(first, length)) fail("a result the frame did not write");
  const std::size_t half = size / 2;
  tamsel_review(reinterpret_cast<const char*>(data), half, reinterpret_cast<const char*>(data) + half, size - half,
                &record);
  check_record(record);
  check_typed_row(data, size);
  return 0;
}
