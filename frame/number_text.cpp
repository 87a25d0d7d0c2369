#include "number_text.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "buffer_sizes.h"

namespace tamsel {
namespace {

bool is_c_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// from_chars reports an out-of-range number without giving a value, where strtod gives
// infinity on overflow and zero on underflow. Which one it was follows from the decimal
// exponent of the leading digit: the text in [begin, end) has already been accepted as a
// decimal number, so only digits, one point and an exponent are in it.
double out_of_range_value(const char* begin, const char* end) {
  constexpr long long exponent_cap = 1000000000;  // far beyond any double, safe from overflow
  long long lead = 0;                             // decimal exponent of the first nonzero digit
  bool seen_nonzero = false;
  const char* p = begin;
  for (; p < end && is_digit(*p); ++p) {
    if (seen_nonzero) {
      lead += lead < exponent_cap;
    } else if (*p != '0') {
      seen_nonzero = true;
    }
  }
  if (p < end && *p == '.') {
    for (++p; p < end && is_digit(*p); ++p) {
      if (!seen_nonzero) {
        lead -= lead > -exponent_cap;
        seen_nonzero = *p != '0';
      }
    }
  }
  long long exponent = 0;
  if (p < end && (*p == 'e' || *p == 'E')) {
    ++p;
    const bool negative = p < end && *p == '-';
    if (p < end && (*p == '+' || *p == '-')) ++p;
    for (; p < end && is_digit(*p); ++p) {
      if (exponent < exponent_cap) exponent = exponent * 10 + (*p - '0');
    }
    if (negative) exponent = -exponent;
  }
  return lead + exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
}

}  // namespace

double read_real(const char* text) noexcept {
  const char* p = text;
  while (is_c_space(*p)) ++p;
  const bool negative = *p == '-';
  if (*p == '+' || *p == '-') ++p;
  // atof takes one sign only; from_chars would take a second minus itself.
  if (*p == '+' || *p == '-') return 0.0;
  const char* const end = p + std::strlen(p);
  double value = 0.0;
  const auto [stop, error] = std::from_chars(p, end, value, std::chars_format::general);
  if (error == std::errc::invalid_argument) return 0.0;
  if (error == std::errc::result_out_of_range) value = out_of_range_value(p, stop);
  return negative ? -value : value;
}

std::int32_t read_integer(const char* text) noexcept {
  const char* p = text;
  while (is_c_space(*p)) ++p;
  const bool negative = *p == '-';
  if (*p == '+' || *p == '-') ++p;
  const std::uint32_t limit = negative ? 2147483648u : 2147483647u;
  std::uint32_t magnitude = 0;
  for (; is_digit(*p); ++p) {
    const auto digit = static_cast<std::uint32_t>(*p - '0');
    if (magnitude > (limit - digit) / 10) {
      magnitude = limit;
      break;
    }
    magnitude = magnitude * 10 + digit;
  }
  if (!negative) return static_cast<std::int32_t>(magnitude);
  // -2147483648 has no positive counterpart in 32 bits, so negate in 64.
  return static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude));
}

char* write_fixed(char* out, double value, int decimals) noexcept {
  if (std::isnan(value)) {
    std::memcpy(out, "nan", 3);
    return out + 3;
  }
  return std::to_chars(out, out + max_number_text, value, std::chars_format::fixed, decimals).ptr;
}

char* write_integer(char* out, std::int32_t value) noexcept {
  constexpr std::size_t int32_text = 11;  // "-2147483648"
  return std::to_chars(out, out + int32_text, value).ptr;
}

}  // namespace tamsel
