// SPDX-License-Identifier: MIT
// libFuzzer target: any UTF-16 command line of up to 5,000 units, lone surrogates included,
// must get a well-formed answer, and the same answer when asked again; its review must stay
// within the record, and so must the review of any bytes taken as a request and an answer.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "TamselCalculatorHealth.h"
#include "TamselReview.h"

namespace {

constexpr std::size_t max_request_units = 5000;
constexpr std::size_t result_text_units = 2000;

// Every formula's result line: the text before the number, the text after it, the decimals.
struct ResultLine {
  const char* prefix;
  const char* suffix;
  int decimals;  // -1 for a whole number
};

constexpr ResultLine result_lines[] = {
    {"BMI: ", "", 2},
    {"Waist-Hip Ratio: ", "", 3},
    {"Waist-to-Height Ratio: ", "", 3},
    {"Body Adiposity Index: ", "%", 2},
    {"Body Surface Area: ", " m\xB2", 3},
    {"Body Fat Percentage (Navy Method): ", "%", 2},
    {"Lean Body Mass: ", " kg", 2},
    {"BMR (Harris-Benedict): ", " calories/day", 2},
    {"BMR (Mifflin-St Jeor): ", " calories/day", 2},
    {"Total Daily Energy Expenditure: ", " calories/day", 2},
    {"Ideal Weight (Devine): ", " kg", 2},
    {"Ideal Weight (Robinson): ", " kg", 2},
    {"Ideal Weight (Miller): ", " kg", 2},
    {"Maximum Heart Rate: ", " bpm", 0},
    {"Target Heart Rate: ", " bpm", 0},
    {"Blood Pressure Category: ", "", -1},
    {"Mean Arterial Pressure: ", " mmHg", 1},
    {"Pulse Pressure: ", " mmHg", 0},
};

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

bool is_result_line(const char* text, std::size_t length) {
  for (const ResultLine& line : result_lines) {
    const std::size_t prefix = std::strlen(line.prefix);
    const std::size_t suffix = std::strlen(line.suffix);
    if (length < prefix + suffix || !starts_with(text, line.prefix)) continue;
    if (std::strcmp(text + length - suffix, line.suffix) != 0) continue;
    if (is_number(text + prefix, text + length - suffix, line.decimals)) return true;
  }
  return false;
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
  if (record.kind == TAMSEL_KIND_RESULT && !is_result_line(first, length)) fail("a result the frame did not write");
  const std::size_t half = size / 2;
  tamsel_review(reinterpret_cast<const char*>(data), half, reinterpret_cast<const char*>(data) + half, size - half,
                &record);
  check_record(record);
  return 0;
}
