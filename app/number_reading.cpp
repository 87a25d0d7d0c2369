// SPDX-License-Identifier: MIT
#include "number_reading.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace tamsel_host {
namespace {

bool is_digit(char byte) { return byte >= '0' && byte <= '9'; }

bool is_space(char byte) { return byte == ' ' || (byte >= '\t' && byte <= '\r'); }

std::string_view skip_space(std::string_view text) {
  std::size_t index = 0;
  while (index < text.size() && is_space(text[index])) ++index;
  return text.substr(index);
}

// Out of range, the reading is infinity when the decimal exponent of the first significant
// digit is positive and 0 when it is not.
double out_of_range_value(std::string_view number) {
  std::size_t index = 0;
  long magnitude = 0;
  while (index < number.size() && number[index] == '0') ++index;
  const std::size_t integer_start = index;
  while (index < number.size() && is_digit(number[index])) ++index;
  magnitude = static_cast<long>(index - integer_start);
  if (index < number.size() && number[index] == '.') {
    ++index;
    if (magnitude == 0) {
      while (index < number.size() && number[index] == '0') {
        ++index;
        --magnitude;
      }
    }
    while (index < number.size() && is_digit(number[index])) ++index;
  }
  if (index < number.size() && (number[index] == 'e' || number[index] == 'E')) {
    ++index;
    const bool negative = index < number.size() && number[index] == '-';
    if (index < number.size() && (number[index] == '-' || number[index] == '+')) ++index;
    long exponent = 0;
    for (; index < number.size() && is_digit(number[index]); ++index) {
      if (exponent < 100000) exponent = exponent * 10 + (number[index] - '0');
    }
    magnitude += negative ? -exponent : exponent;
  }
  return magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
}

}  // namespace

NumberReading read_real_token(std::string_view token) {
  PlainNumber plain;
  for (const char byte : token) plain.take(byte);
  if (plain.plain()) return {plain.value(), true};
  double value = 0.0;
  std::string_view rest = skip_space(token);
  bool negative = false;
  if (!rest.empty() && (rest[0] == '+' || rest[0] == '-')) {
    negative = rest[0] == '-';
    rest.remove_prefix(1);
  }
  // from_chars takes a minus sign of its own; the one sign has been taken already.
  if (rest.empty() || rest[0] == '+' || rest[0] == '-') return {0.0, false};
  const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), value);
  if (error == std::errc::invalid_argument) return {0.0, false};
  if (error == std::errc::result_out_of_range) {
    value = out_of_range_value(rest.substr(0, static_cast<std::size_t>(end - rest.data())));
  }
  return {negative ? -value : value, end == rest.data() + rest.size()};
}

NumberReading read_integer_token(std::string_view token) {
  std::string_view rest = skip_space(token);
  bool negative = false;
  if (!rest.empty() && (rest[0] == '+' || rest[0] == '-')) {
    negative = rest[0] == '-';
    rest.remove_prefix(1);
  }
  constexpr std::int64_t limit = std::int64_t{1} << 31;  // saturate beyond the 32-bit range
  std::int64_t magnitude = 0;
  std::size_t index = 0;
  for (; index < rest.size() && is_digit(rest[index]); ++index) {
    if (magnitude <= limit) magnitude = magnitude * 10 + (rest[index] - '0');
  }
  std::int64_t value = negative ? -magnitude : magnitude;
  if (value > limit - 1) value = limit - 1;
  if (value < -limit) value = -limit;
  return {static_cast<double>(value), index != 0 && index == rest.size()};
}

void append_shortest(double value, std::string& out) {
  if (std::isnan(value)) {
    out += "nan";  // as the library prints every NaN, whatever its sign
    return;
  }
  char text[32];  // the longest shortest form of a double is 24 characters
  const auto result = std::to_chars(text, text + sizeof text, value);
  out.append(text, result.ptr);
}

}  // namespace tamsel_host
