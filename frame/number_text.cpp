// SPDX-License-Identifier: MIT
#include "../numerics/strict_arithmetic.h"  // first: it governs how everything after it computes

#include "number_text.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "buffer_sizes.h"
#include "byte_copy.h"
#include "general_decimal.h"

namespace tamsel {
namespace {

bool is_c_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

constexpr double exact_powers_of_ten[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                          1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                          1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Numbers as people type them ("70", "1.75") have few digits and no exponent. When the digits
// make an integer of at most 2^53 and there are at most 22 decimals, both it and the power of
// ten are exact doubles, and one division rounds the quotient correctly (Clinger's fast path),
// without the general machinery. Returns false for anything else.
bool read_plain_decimal(const char* p, double& value) {
  constexpr int max_digits = 19;  // 10^19 - 1 still fits in 64 bits
  std::uint64_t digits = 0;
  int count = 0;
  int decimals = 0;
  // Past max_digits the sum wraps harmlessly: such a number is left to the general reading.
  for (; is_digit(*p); ++p, ++count) digits = digits * 10 + static_cast<std::uint64_t>(*p - '0');
  if (*p == '.') {
    for (++p; is_digit(*p); ++p, ++count, ++decimals) digits = digits * 10 + static_cast<std::uint64_t>(*p - '0');
  }
  constexpr std::uint64_t exact_limit = std::uint64_t{1} << 53;
  if (count == 0 || count > max_digits || digits > exact_limit || decimals > 22 || *p == 'e' || *p == 'E') {
    return false;
  }
  value = static_cast<double>(digits);
  if (decimals > 0) value /= exact_powers_of_ten[decimals];
  return true;
}


}  // namespace

double read_real(const char* text) noexcept {
  const char* p = text;
  while (is_c_space(*p)) ++p;
  const bool negative = *p == '-';
  if (*p == '+' || *p == '-') ++p;
  // atof takes one sign only.
  if (*p == '+' || *p == '-') return 0.0;
  double value;
  if (!read_plain_decimal(p, value)) return read_general_decimal(p, negative);
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

namespace {

constexpr char digit_pairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// A finite double is mantissa x 2^exponent. Below 2^53, mantissa x 10^decimals stays under 2^63
// (decimals <= 3), so the exact value times 10^decimals can be rounded to an integer, half to
// even, by a shift and a look at the bits shifted out: exactly what printf and to_chars print,
// without their general machinery. Returns nullptr for magnitudes of 2^53 and more.
char* write_small_fixed(char* out, double value, int decimals) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  const bool negative = (bits >> 63) != 0;
  const auto biased_exponent = static_cast<int>((bits >> 52) & 0x7FF);
  std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
  int shift = 1074;  // subnormals: mantissa x 2^-1074
  if (biased_exponent != 0) {
    mantissa |= std::uint64_t{1} << 52;
    shift = 1075 - biased_exponent;
  }
  if (shift < 0 || biased_exponent == 0x7FF) return nullptr;
  constexpr std::uint64_t powers_of_ten[] = {1, 10, 100, 1000};
  const std::uint64_t scaled = mantissa * powers_of_ten[decimals];
  std::uint64_t rounded = 0;  // a shift of 64 or more leaves less than a half
  if (shift == 0) {
    rounded = scaled;
  } else if (shift < 64) {
    const std::uint64_t half = std::uint64_t{1} << (shift - 1);
    const std::uint64_t rest = scaled & ((half << 1) - 1);
    rounded = scaled >> shift;
    rounded += rest > half || (rest == half && (rounded & 1) != 0);
  }
  // Digits go right to left into a scratch buffer. Results below 10^8, nearly all of them, are
  // split into four pairs by independent divisions, with no loop whose end the processor has
  // to guess; larger ones take two digits a step.
  char digits[24];  // 2^53 x 1000 has 19 digits
  char* const digits_end = digits + sizeof digits;
  char* first = digits_end;
  if (rounded < 100000000u) {
    const auto small = static_cast<std::uint32_t>(rounded);
    const std::uint32_t high = small / 10000;
    const std::uint32_t low = small % 10000;
    first -= 8;
    std::memcpy(first, digit_pairs + 2 * (high / 100), 2);
    std::memcpy(first + 2, digit_pairs + 2 * (high % 100), 2);
    std::memcpy(first + 4, digit_pairs + 2 * (low / 100), 2);
    std::memcpy(first + 6, digit_pairs + 2 * (low % 100), 2);
    const int significant = 1 + (small >= 10) + (small >= 100) + (small >= 1000) + (small >= 10000) +
                            (small >= 100000) + (small >= 1000000) + (small >= 10000000);
    first = digits_end - significant;
  } else {
    for (; rounded >= 100; rounded /= 100) {
      first -= 2;
      std::memcpy(first, digit_pairs + 2 * (rounded % 100), 2);
    }
    if (rounded >= 10) {
      first -= 2;
      std::memcpy(first, digit_pairs + 2 * rounded, 2);
    } else {
      *--first = static_cast<char>('0' + rounded);
    }
  }
  // printf shows at least one digit before the point, then exactly `decimals` after it.
  while (digits_end - first <= decimals) *--first = '0';
  if (negative) *out++ = '-';  // negative zero and small negatives print "-0.00", as printf does
  const char* const point = digits_end - decimals;
  copy_bytes(out, first, static_cast<std::size_t>(point - first));
  out += point - first;
  if (decimals > 0) {
    *out++ = '.';
    copy_bytes(out, point, static_cast<std::size_t>(decimals));
    out += decimals;
  }
  return out;
}

// Magnitudes of 2^53 and more, and the infinities. Such a finite double is an integer,
// mantissa x 2^exponent with the exponent from 1 to 971, so its text is its exact decimal
// digits followed by zero decimals, as printf prints it. The digits are worked out in limbs of
// nine decimal digits, least significant first: the mantissa, then 29 doublings a pass, since a
// limb (below 2^30) shifted by 29 plus a carry stays within 64 bits. Rare, so kept out of line.
[[gnu::noinline]] char* write_large_fixed(char* out, double value, int decimals) {
  constexpr std::uint32_t limb_base = 1000000000;
  constexpr int limb_digits = 9;
  constexpr int doublings_per_pass = 29;
  // 309 digits at most (max_integer_digits), in limbs of nine: 35.
  constexpr std::size_t max_limbs = (max_integer_digits + limb_digits - 1) / limb_digits;
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  if ((bits >> 63) != 0) *out++ = '-';
  const auto biased_exponent = static_cast<int>((bits >> 52) & 0x7FF);
  if (biased_exponent == 0x7FF) {
    std::memcpy(out, "inf", 3);
    return out + 3;
  }
  const std::uint64_t mantissa = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
  std::uint32_t limbs[max_limbs];
  // The mantissa, below 2^53 (16 digits), fills two limbs, the upper one nonzero.
  limbs[0] = static_cast<std::uint32_t>(mantissa % limb_base);
  limbs[1] = static_cast<std::uint32_t>(mantissa / limb_base);
  std::size_t count = 2;
  for (int exponent = biased_exponent - 1075; exponent > 0; exponent -= doublings_per_pass) {
    const int step = exponent < doublings_per_pass ? exponent : doublings_per_pass;
    std::uint64_t carry = 0;
    for (std::size_t index = 0; index < count; ++index) {
      const std::uint64_t product = (std::uint64_t{limbs[index]} << step) + carry;
      limbs[index] = static_cast<std::uint32_t>(product % limb_base);
      carry = product / limb_base;
    }
    // The carry is at most 2^29, one limb; the value stays below 10^309, within max_limbs.
    if (carry != 0 && count < max_limbs) limbs[count++] = static_cast<std::uint32_t>(carry);
  }
  // The top limb without leading zeros, every other one with all nine digits.
  char top[limb_digits];
  int top_length = 0;
  for (std::uint32_t rest = limbs[count - 1]; rest != 0; rest /= 10) {
    top[limb_digits - 1 - top_length++] = static_cast<char>('0' + rest % 10);
  }
  copy_bytes(out, top + limb_digits - top_length, static_cast<std::size_t>(top_length));
  out += top_length;
  for (std::size_t index = count - 1; index-- > 0;) {
    std::uint32_t rest = limbs[index];
    for (int digit = limb_digits - 1; digit >= 0; --digit, rest /= 10) out[digit] = static_cast<char>('0' + rest % 10);
    out += limb_digits;
  }
  if (decimals > 0) {
    *out++ = '.';
    std::memset(out, '0', static_cast<std::size_t>(decimals));
    out += decimals;
  }
  return out;
}

}  // namespace

char* write_fixed(char* out, double value, int decimals) noexcept {
  if (std::isnan(value)) {
    std::memcpy(out, "nan", 3);
    return out + 3;
  }
  if (decimals < 0) decimals = 0;
  if (decimals > max_decimals) decimals = max_decimals;
  if (char* end = write_small_fixed(out, value, decimals)) return end;
  return write_large_fixed(out, value, decimals);
}

char* write_integer(char* out, std::int32_t value) noexcept {
  constexpr std::size_t int32_text = 11;  // "-2147483648"
  return std::to_chars(out, out + int32_text, value).ptr;
}

}  // namespace tamsel
