// SPDX-License-Identifier: MIT
#include "../numerics/strict_arithmetic.h"  // first: it governs how everything after it computes

#include "number_text.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>

#include "buffer_sizes.h"
#include "byte_copy.h"
#include "general_decimal.h"
#include "../numerics/decimal_scaling.h"

namespace tamsel {
namespace {

bool is_c_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The digit's value, or more than 9 for any other byte: one subtraction and one comparison.
unsigned digit_value(char c) { return static_cast<unsigned>(static_cast<unsigned char>(c)) - unsigned{'0'}; }

constexpr double exact_powers_of_ten[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                          1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                          1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Numbers as people type them ("70", "1.75") have few digits and no exponent. When the digits
// make an integer of at most 2^53 and there are at most 22 decimals, both it and the power of
// ten are exact doubles, and one division rounds the quotient correctly (Clinger's fast path),
// without the general machinery. Returns false for anything else.
bool read_plain_decimal(const char* p, double& value) {
  constexpr std::size_t max_digits = 19;  // 10^19 - 1 still fits in 64 bits
  constexpr std::size_t max_decimals_exact = 22;
  const char* const start = p;
  // Past max_digits the sum wraps harmlessly: such a number is left to the general reading.
  std::uint64_t digits = 0;
  for (unsigned digit; (digit = digit_value(*p)) <= 9; ++p) digits = digits * 10 + digit;
  auto count = static_cast<std::size_t>(p - start);
  std::size_t decimals = 0;
  if (*p == '.') {
    const char* const fraction = ++p;
    for (unsigned digit; (digit = digit_value(*p)) <= 9; ++p) digits = digits * 10 + digit;
    decimals = static_cast<std::size_t>(p - fraction);
    count += decimals;
  }
  // 'e' and 'E', the only bytes that set this bit to make 'e'.
  if ((*p | 0x20) == 'e') return false;
  // Up to 15 digits make less than 10^15 < 2^53, with at most 15 decimals: every limit below
  // holds, told by one comparison (count - 1 wraps for no digits at all).
  constexpr std::size_t max_short_digits = 15;
  constexpr std::uint64_t exact_limit = std::uint64_t{1} << 53;
  if (count - 1 >= max_short_digits &&
      (count == 0 || count > max_digits || digits > exact_limit || decimals > max_decimals_exact)) {
    return false;
  }
  value = static_cast<double>(digits);
  if (decimals > 0) value /= exact_powers_of_ten[decimals];
  return true;
}

}  // namespace

double read_real(const char* text) noexcept {
  const char* p = text;
  bool negative = false;
  // Nearly every argument starts with a digit: no space and no sign to look for.
  if (digit_value(*p) > 9) {
    while (is_c_space(*p)) ++p;
    negative = *p == '-';
    if (*p == '+' || *p == '-') ++p;
    // atof takes one sign only.
    if (*p == '+' || *p == '-') return 0.0;
  }
  double value;
  if (!read_plain_decimal(p, value)) return read_general_decimal(p, negative);
  return negative ? -value : value;
}

std::int32_t read_integer(const char* text) noexcept {
  const char* p = text;
  // Ages and pressures ("30", "120"): up to nine digits stay below 2^31, with no limit to look at.
  constexpr int max_plain_digits = 9;
  if (std::uint32_t value = digit_value(*p); value <= 9) {
    for (int index = 1; index < max_plain_digits; ++index) {
      const unsigned digit = digit_value(p[index]);
      if (digit > 9) return static_cast<std::int32_t>(value);
      value = value * 10 + digit;
    }
  }
  while (is_c_space(*p)) ++p;
  const bool negative = *p == '-';
  if (*p == '+' || *p == '-') ++p;
  const std::uint64_t limit = negative ? 2147483648u : 2147483647u;
  // Ten digits stay below 2^64 unchecked; an eleventh that is not a leading zero can only pass
  // the limit.
  constexpr int max_unchecked_digits = 10;
  while (*p == '0') ++p;
  std::uint64_t magnitude = 0;
  int count = 0;
  for (unsigned digit; (digit = digit_value(*p)) <= 9; ++p) {
    if (++count > max_unchecked_digits) return negative ? -2147483647 - 1 : 2147483647;
    magnitude = magnitude * 10 + digit;
  }
  if (magnitude > limit) magnitude = limit;
  if (!negative) return static_cast<std::int32_t>(magnitude);
  // -2147483648 has no positive counterpart in 32 bits, so negate in 64.
  return static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude));
}

namespace {

// "00" to "99", so that digits are divided out two at a time.
constexpr int digit_pair_count = 100;
struct DigitPairs {
  char text[2 * digit_pair_count];
};

constexpr DigitPairs make_digit_pairs() {
  DigitPairs pairs{};
  for (int pair = 0; pair < digit_pair_count; ++pair) {
    pairs.text[2 * pair] = static_cast<char>('0' + pair / 10);
    pairs.text[2 * pair + 1] = static_cast<char>('0' + pair % 10);
  }
  return pairs;
}

constexpr DigitPairs digit_pairs = make_digit_pairs();

// Puts the two digits of `pair` (below 100) just before `p`; returns the first.
template <typename Unit>
Unit* put_pair(Unit* p, unsigned pair) {
  p[-2] = static_cast<Unit>(digit_pairs.text[2 * pair]);
  p[-1] = static_cast<Unit>(digit_pairs.text[2 * pair + 1]);
  return p - 2;
}

// Writes `value` / 10^decimals in fixed notation so that it ends just before `end`: the decimals
// first, then the point, then at least one integer digit, as printf shows them.
template <typename Unit, typename Unsigned>
[[gnu::always_inline]] inline void write_backwards(Unit* end, Unsigned value, int decimals) {
  Unit* p = end;
  int left = decimals;
  for (; left >= 2; left -= 2, value /= 100) p = put_pair(p, static_cast<unsigned>(value % 100));
  if (left == 1) {
    *--p = static_cast<Unit>('0' + value % 10);
    value /= 10;
  }
  if (decimals > 0) *--p = '.';
  for (; value >= 100; value /= 100) p = put_pair(p, static_cast<unsigned>(value % 100));
  if (value >= 10) {
    put_pair(p, static_cast<unsigned>(value));
  } else {
    p[-1] = static_cast<Unit>('0' + value);
  }
}

// How many units write_backwards writes: the integer digits (at least one), the point and the
// decimals. Counted by comparisons, so that each digit is divided out only once.
std::size_t fixed_length(std::uint64_t scaled, int decimals) {
  static constexpr std::uint64_t powers_of_ten[] = {
      10u, 100u, 1000u, 10000u, 100000u, 1000000u, 10000000u, 100000000u, 1000000000u,
      10000000000u, 100000000000u, 1000000000000u, 10000000000000u, 100000000000000u,
      1000000000000000u, 10000000000000000u, 100000000000000000u, 1000000000000000000u,
      10000000000000000000u};
  // At least one digit before the point ("0.05"), so the count starts past the decimals.
  // scale_to_decimals' values are below 2^63 < 10^19, so the last power stops it.
  const auto places = static_cast<std::size_t>(decimals);
  std::size_t digits = places + 1;
  while (scaled >= powers_of_ten[digits - 1]) ++digits;
  return digits + (places > 0 ? 1 : 0);
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

// The text of a number, narrow or wide: its bytes are ASCII, the same units in both.
template <typename Unit>
Unit* put_text(Unit* out, const char* text, std::size_t length) {
  for (std::size_t index = 0; index < length; ++index) out[index] = static_cast<Unit>(text[index]);
  return out + length;
}

// Inlined into each writer, so that the result lines' writers have their decimals as constants.
template <typename Unit>
[[gnu::always_inline]] inline Unit* write_fixed_units(Unit* out, double value, int decimals) {
  if (std::isnan(value)) return put_text(out, "nan", 3);
  if (decimals < 0) decimals = 0;
  if (decimals > max_decimals) decimals = max_decimals;
  std::uint64_t scaled;
  if (!numerics::scale_to_decimals(value, decimals, scaled)) {
    char text[max_number_text];
    return put_text(out, text, static_cast<std::size_t>(write_large_fixed(text, value, decimals) - text));
  }
  if (std::signbit(value)) *out++ = '-';  // negative zero and small negatives print "-0.00", as printf does
  Unit* const end = out + fixed_length(scaled, decimals);
  // Most results fit 32 bits, whose division by ten is one multiplication on every target,
  // 32-bit ones included.
  if (scaled <= 0xFFFFFFFFu) {
    write_backwards(end, static_cast<std::uint32_t>(scaled), decimals);
  } else {
    write_backwards(end, scaled, decimals);
  }
  return end;
}

}  // namespace

char* write_fixed(char* out, double value, int decimals) noexcept {
  return write_fixed_units(out, value, decimals);
}

TamselChar16* write_fixed(TamselChar16* out, double value, int decimals) noexcept {
  return write_fixed_units(out, value, decimals);
}

template <int decimals>
TamselChar16* write_fixed(TamselChar16* out, double value) noexcept {
  static_assert(decimals >= 0 && decimals <= max_decimals, "a result format's decimals");
  return write_fixed_units(out, value, decimals);
}

template TamselChar16* write_fixed<0>(TamselChar16* out, double value) noexcept;
template TamselChar16* write_fixed<1>(TamselChar16* out, double value) noexcept;
template TamselChar16* write_fixed<2>(TamselChar16* out, double value) noexcept;
template TamselChar16* write_fixed<3>(TamselChar16* out, double value) noexcept;

char* write_integer(char* out, std::int32_t value) noexcept {
  constexpr std::size_t int32_text = 11;  // "-2147483648"
  return std::to_chars(out, out + int32_text, value).ptr;
}

}  // namespace tamsel
