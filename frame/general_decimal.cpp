// SPDX-License-Identifier: MIT
// Decimal numbers beyond the plain ones: exponents, long digit strings, infinities and NaN,
// read as atof reads them and rounded exactly, with integers of up to 4096 bits. The library
// owns this reading, so that no platform's strtod or from_chars (which differ in what they
// accept, and one of which links 9 KB of soft-float code into WebAssembly) decides an answer.
//
// The number is P / Q, with P = N * 10^e and Q = 1 for e >= 0, or P = N and Q = 10^-e:
// N holds at most 800 significant digits, plus one more 1 when any digit after those is not 0.
// A midpoint between two doubles has at most 767 significant digits, so that sticky digit keeps
// the number on the same side of every midpoint, and the rounding is unchanged. Its binary
// exponent B comes from comparing P with Q * 2^b; then 54 or 55 bits of P / Q, down to one bit
// below the double's last, come from long division, and the remainder says whether anything
// lies beyond: round to nearest, ties to even, at the gap of normals or subnormals.
#include "../numerics/strict_arithmetic.h"  // first: it governs how everything after it computes

#include "general_decimal.h"

#include <cstddef>
#include <cstdint>
#include <limits>

#include "../numerics/binary64.h"

namespace tamsel {
namespace {

constexpr int max_significant_digits = 800;
// With its first digit at 10^lead, a number lies in [10^lead, 10^(lead + 1)): from this lead on
// it overflows (10^309 > DBL_MAX), and up to that one it rounds to 0 (10^-324 is less than
// half the smallest subnormal, 2^-1075).
constexpr int overflowing_lead = 309;
constexpr int vanishing_lead = -325;

// Up to 4096 bits, least significant word first. Worst case: Q = 10^(800 + 325) has 3738 bits,
// and long division shifts it 55 bits further; P = N * 2^1076 has 2661 + 1076 bits.
constexpr std::size_t big_words = 128;

struct BigNatural {
  std::uint32_t word[big_words];
  std::size_t length;  // words in use; the top one is not 0
};

BigNatural big_from(std::uint32_t value) {
  BigNatural result;
  result.word[0] = value;
  result.length = value != 0 ? 1 : 0;
  return result;
}

void multiply_add(BigNatural& a, std::uint32_t factor, std::uint32_t addend) {
  std::uint64_t carry = addend;
  for (std::size_t index = 0; index < a.length; ++index) {
    carry += std::uint64_t{a.word[index]} * factor;
    a.word[index] = static_cast<std::uint32_t>(carry);
    carry >>= 32;
  }
  if (carry != 0 && a.length < big_words) a.word[a.length++] = static_cast<std::uint32_t>(carry);
}

void multiply_by_power_of_ten(BigNatural& a, int exponent) {
  constexpr std::uint32_t powers[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};
  for (; exponent >= 9; exponent -= 9) multiply_add(a, powers[9], 0);
  multiply_add(a, powers[exponent], 0);
}

void shift_left(BigNatural& a, unsigned bits) {
  if (a.length == 0) return;
  const std::size_t words = bits / 32;
  const unsigned rest = bits % 32;
  std::size_t length = a.length + words + 1;
  if (length > big_words) length = big_words;
  for (std::size_t index = length; index-- > 0;) {
    std::uint64_t value = 0;
    if (index >= words && index - words < a.length) value = std::uint64_t{a.word[index - words]} << rest;
    if (rest != 0 && index >= words + 1 && index - words - 1 < a.length) value |= a.word[index - words - 1] >> (32 - rest);
    a.word[index] = static_cast<std::uint32_t>(value);
  }
  a.length = length;
  while (a.length > 0 && a.word[a.length - 1] == 0) --a.length;
}

void shift_right_one(BigNatural& a) {
  for (std::size_t index = 0; index < a.length; ++index) {
    const std::uint32_t high = index + 1 < a.length ? a.word[index + 1] << 31 : 0;
    a.word[index] = (a.word[index] >> 1) | high;
  }
  if (a.length > 0 && a.word[a.length - 1] == 0) --a.length;
}

int compare(const BigNatural& a, const BigNatural& b) {
  if (a.length != b.length) return a.length < b.length ? -1 : 1;
  for (std::size_t index = a.length; index-- > 0;) {
    if (a.word[index] != b.word[index]) return a.word[index] < b.word[index] ? -1 : 1;
  }
  return 0;
}

// a -= b, for a >= b.
void subtract(BigNatural& a, const BigNatural& b) {
  std::int64_t borrow = 0;
  for (std::size_t index = 0; index < a.length; ++index) {
    std::int64_t value = std::int64_t{a.word[index]} - (index < b.length ? b.word[index] : 0) - borrow;
    borrow = value < 0 ? 1 : 0;
    a.word[index] = static_cast<std::uint32_t>(value + (borrow << 32));
  }
  while (a.length > 0 && a.word[a.length - 1] == 0) --a.length;
}

int bit_length(const BigNatural& a) {
  if (a.length == 0) return 0;
  int bits = 32;
  while ((a.word[a.length - 1] >> (bits - 1)) == 0) --bits;
  return static_cast<int>(32 * (a.length - 1)) + bits;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool starts_with_word(const char* p, const char* lower) {
  for (; *lower != '\0'; ++p, ++lower) {
    if (*p != *lower && *p != *lower - ('a' - 'A')) return false;
  }
  return true;
}

// The double nearest P / Q, both not 0.
double nearest_double(BigNatural p, BigNatural q) {
  // B = floor(log2(P / Q)): b or b - 1 for b the difference of their lengths.
  int binary_exponent = bit_length(p) - bit_length(q);
  {
    BigNatural scaled_p = p, scaled_q = q;
    if (binary_exponent >= 0) {
      shift_left(scaled_q, static_cast<unsigned>(binary_exponent));
    } else {
      shift_left(scaled_p, static_cast<unsigned>(-binary_exponent));
    }
    if (compare(scaled_p, scaled_q) < 0) --binary_exponent;
  }
  if (binary_exponent >= 1024) return std::numeric_limits<double>::infinity();
  if (binary_exponent < -1076) return 0.0;  // below a quarter of the smallest subnormal
  // The last bit of the double, and one below it for rounding.
  int last_bit = binary_exponent - numerics::mantissa_bits;
  if (last_bit < -1074) last_bit = -1074;
  const int below = last_bit - 1;
  if (below >= 0) {
    shift_left(q, static_cast<unsigned>(below));
  } else {
    shift_left(p, static_cast<unsigned>(-below));
  }
  // W = floor(P / Q) < 2^55, by long division.
  constexpr int quotient_bits = 55;
  shift_left(q, quotient_bits);
  std::uint64_t quotient = 0;
  for (int bit = quotient_bits; bit >= 0; --bit) {
    if (compare(p, q) >= 0) {
      subtract(p, q);
      quotient |= std::uint64_t{1} << bit;
    }
    shift_right_one(q);
  }
  std::uint64_t mantissa = quotient >> 1;
  const bool round_bit = (quotient & 1) != 0;
  const bool sticky = p.length != 0;
  if (round_bit && (sticky || (mantissa & 1) != 0)) ++mantissa;
  // Exact, or the infinity that rounding up past the largest double must give.
  return static_cast<double>(mantissa) * numerics::power_of_two(last_bit);
}

}  // namespace

double read_general_decimal(const char* p, bool negative) {
  const double sign = negative ? -1.0 : 1.0;
  if (starts_with_word(p, "inf")) return sign * std::numeric_limits<double>::infinity();
  if (starts_with_word(p, "nan")) return sign * std::numeric_limits<double>::quiet_NaN();

  // Digits with at most one point; lead is the decimal exponent of the first nonzero digit.
  const char* first = nullptr;
  int lead = 0;
  int digits_seen = 0;
  int significant = 0;
  bool dropped_nonzero = false;
  bool after_point = false;
  const char* s = p;
  for (;; ++s) {
    if (*s == '.' && !after_point) {
      after_point = true;
      continue;
    }
    if (!is_digit(*s)) break;
    ++digits_seen;
    if (first == nullptr) {
      if (after_point) --lead;
      if (*s == '0') continue;
      first = s;
    } else if (!after_point && lead < 100000) {
      ++lead;
    }
    if (significant < max_significant_digits) {
      ++significant;
    } else if (*s != '0') {
      dropped_nonzero = true;
    }
  }
  if (digits_seen == 0) return 0.0;  // no number: +0 whatever the sign
  if (first == nullptr) return sign * 0.0;
  // An exponent counts only with a digit in it: "1e" and "1e+" read as 1.
  int exponent = 0;
  if ((*s == 'e' || *s == 'E') && (is_digit(s[1]) || ((s[1] == '+' || s[1] == '-') && is_digit(s[2])))) {
    const bool exponent_negative = s[1] == '-';
    for (s += is_digit(s[1]) ? 1 : 2; is_digit(*s); ++s) {
      if (exponent < 100000) exponent = exponent * 10 + (*s - '0');
    }
    if (exponent_negative) exponent = -exponent;
  }
  const int decimal_exponent = lead + exponent;
  if (decimal_exponent >= overflowing_lead) return sign * std::numeric_limits<double>::infinity();
  if (decimal_exponent <= vanishing_lead) return sign * 0.0;

  // N from the significant digits, nine at a time; the sticky digit after them.
  BigNatural n = big_from(0);
  std::uint32_t chunk = 0;
  int chunk_digits = 0;
  int taken = 0;
  for (const char* digit = first; taken < significant; ++digit) {
    if (*digit == '.') continue;
    chunk = chunk * 10 + static_cast<std::uint32_t>(*digit - '0');
    ++taken;
    if (++chunk_digits == 9) {
      multiply_add(n, 1000000000, chunk);
      chunk = 0;
      chunk_digits = 0;
    }
  }
  constexpr std::uint32_t powers[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};
  multiply_add(n, powers[chunk_digits], chunk);
  int scale = decimal_exponent - (significant - 1);
  if (dropped_nonzero) {
    multiply_add(n, 10, 1);
    --scale;
  }
  BigNatural q = big_from(1);
  if (scale >= 0) {
    multiply_by_power_of_ten(n, scale);
  } else {
    multiply_by_power_of_ten(q, -scale);
  }
  return sign * nearest_double(n, q);
}

}  // namespace tamsel
