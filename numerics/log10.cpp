// SPDX-License-Identifier: MIT
// The base-10 logarithm, correctly rounded: the double nearest log10(x) for every double x.
//
// Reduction. x = 2^e * m with m in [1, 2). The table gives r, 1/c rounded to 26 bits for the
// c = 1 + k/128 nearest m, and T = -log10(r) to 2^-106; then
//     log10(x) = e * log10(2) + T + log10(1 + z),   z = m * r - 1,   |z| <= 2^-8 + 2^-26.
// For c > sqrt(2) the table entry is that of m/2 and e is one higher, so that near x = 1, where
// log10(x) is small, e = 0 and T = 0 (r = 1 or r = 1/2): the result is never the difference of
// large terms. z is exact: with m split into its top 27 bits and the rest, both products with
// r are exact, and the first minus 1 needs no rounding (Sterbenz).
//
// Fast path. The leading terms are made exact by keeping their factors short: z = zh + zl, and
// zh = zu + zr with zu of at most 18 bits (Veltkamp's split) and |zr| <= 2^-18 |zh|; 1/ln 10 =
// c_s + c_r with c_s of 17 bits and |c_r| <= 2^-18.5 / ln 10 (c_r stored as the nearest double).
// With P = zu - zu^2/2 and c = 1/ln 10,
//     log10(1 + z) = c_s P + c_r P + c R,
//     R = zr - zr (zu + zr/2) + zl - zh zl - zl^2/2 + z^3 Q(z),
// where c_s zu (35 bits) and c_s zu^2 / 2 (53 bits) are exact, and their sum is held exactly as a
// double-double. The rest, under 2^-16.3 of the whole, is a double. Q(z) = (log(1 + z) - z +
// z^2/2) / z^3 is a polynomial of degree 5 that the table's generator fits with MPFR (within
// 2^-54.4 of Q). Relative to c |z|, with |z| <= 2^-8 + 2^-26, |R| <= 2^-16.77 |z| and
// z^3 Q(z) <= 2^-17.58 |z|:
//     the polynomial's error                                  2^-15.98 * 2^-54.4  < 2^-70.3
//     zh^3 for z^3, and zl^2 left out                         2^-53 * 2^-15.98    < 2^-68.9
//     rounding in zh^3 (2 ulp), Q (1.1) and zh^3 Q (1)        4.1 * 2^-53 * 2^-17.58  < 2^-68.5
//     rounding in the last two sums of R                      2^-53 * (2^-17.57 + 2^-16.77) < 2^-68.9
//     c R rounded, with c as a double                         2 * 2^-53 * 2^-16.77 < 2^-68.7
//     c_r P: c_r, P and their product rounded                 3 * 2^-53 * 2^-18.5  < 2^-69.9
//     the sum of c_r P and c R, and that added to the rest    2 * 2^-53 * 2^-16.3  < 2^-68.3
// (the small terms of R, under 2^-25 |z|, and their first sum round by under 2^-77), in all
// under 14.8 * 2^-70 = 2^-66.11 of c |z|, and |log10(1 + z)| >= (1 - 2^-9) c |z|. Adding e log10 2
// and T (to 2^-106 each, by exact fast two-sums, as |e log10 2| > |T| > |log10(1 + z)| unless
// the larger is 0) adds under 2^-95 relative to their sum, at most 3 |log10 x|; and the table
// keeps |log10(1 + z)| <= 1.01 |log10 x|. So the double-double result hi + lo is within
// 2^-66.09 |log10 x|, and fast_path_error = 2^-66 leaves a margin of 2^-70.1 |hi|, far above
// the 2^-104 |hi| that the rounding test's own two sums may round by. The test (Ziv's) returns
// hi + lo rounded when it rounds the same with the error added and subtracted; that fails about
// once in 6000 arguments.
//
// Slow path, in fixed point: 256-bit two's complement integers with 224 fraction bits. The
// same reduction, z exactly (a multiple of 2^-79), log(1 + z) by its series until the terms
// vanish (at most 30 terms, each within 2 units of 2^-224), then times 1/ln 10 and plus
// e log10(2) from a 225-bit constant: within 2^10 units of 2^-224 in all, which is 2^-159
// relative as |log10 x| >= 2^-55 for x != 1. T, where it is not 0, comes from three doubles
// that hold it to 2^-159 |T|, and then |log10 x| >= |T| / 3: 2^-157 relative. Either is far
// beyond the about 2^-118 that the hardest published cases of the logarithms in double
// precision need.
#include "strict_arithmetic.h"  // first: it governs how everything after it computes

#include "correctly_rounded.h"

#include <cstdint>
#include <limits>

#include "binary64.h"
#include "double_double.h"
#include "log10_table.h"
#include "paths.h"
#include "wide_integer.h"

namespace tamsel::numerics {
namespace {

constexpr double fast_path_error = 0x1p-66;  // relative, proven above as 2^-66.09
constexpr std::uint64_t smallest_normal_bits = std::uint64_t{1} << mantissa_bits;
constexpr std::uint64_t infinity_bits = std::uint64_t{0x7FF} << mantissa_bits;

// x = 2^exponent * mantissa, mantissa in [1, 2), for a positive finite x; subnormals are
// scaled up first.
struct Decomposed {
  int exponent;
  double mantissa;
  std::uint64_t fraction;  // the 52 stored bits of the mantissa
};

Decomposed decompose(double x) {
  int shift = 0;
  if (x < 0x1p-1022) {
    x *= 0x1p54;
    shift = 54;
  }
  const std::uint64_t bits = bits_of(x);
  const int exponent = exponent_of(x) - shift;
  const std::uint64_t fraction = bits & mantissa_mask;
  return {exponent, double_of(fraction | (std::uint64_t{exponent_bias} << mantissa_bits)), fraction};
}

// The reduced argument: z exactly, as a double-double, with the table step and the exponent
// that go with it.
struct Reduced {
  int exponent;
  int step;
  DoubleDouble z;
};

Reduced reduce(double x) {
  const Decomposed parts = decompose(x);
  // The nearest step: the top 7 stored bits, rounded by the 8th.
  const int step = static_cast<int>((parts.fraction + (std::uint64_t{1} << 44)) >> 45);
  const int exponent = parts.exponent + (step >= log10_halving_step ? 1 : 0);
  // r has 26 bits, so with the mantissa split into 27 and 26 bits both products are exact,
  // and the first minus 1 is too (Sterbenz): z = a + b exactly.
  const double r = log10_steps[step].reciprocal;
  const double upper = double_of(bits_of(parts.mantissa) & ~((std::uint64_t{1} << 26) - 1));
  const double lower = parts.mantissa - upper;
  return {exponent, step, two_sum(upper * r - 1.0, lower * r)};
}

// log10(x) as a double-double within 2^-66.09 |log10 x|.
DoubleDouble log10_fast(const Reduced& reduced) {
  const double zh = reduced.z.hi;
  const double zl = reduced.z.lo;
  const DoubleDouble parts = split_keeping<18>(zh);
  const double zu = parts.hi;
  const double zr = parts.lo;
  const double square = zu * zu;
  const DoubleDouble head = fast_two_sum(inverse_ln10_short * zu, (-0.5 * inverse_ln10_short) * square);
  // Q(z) by Estrin's scheme, whose products do not wait on each other.
  const double z2 = zh * zh;
  const double z4 = z2 * z2;
  const double* const c = log1p_tail;
  const double q = ((c[0] + c[1] * zh) + z2 * (c[2] + c[3] * zh)) + z4 * (c[4] + c[5] * zh);
  const double tail = z2 * zh * q;
  // zr (zu + zr/2) = zr (zh + zu) / 2, as zh = zu + zr.
  const double cross = 0.5 * ((zh + zu) * zr);
  const double rest = (((zl - zh * zl) - cross) + tail) + zr;
  const double low = inverse_ln10_rest * (zu - 0.5 * square) + inverse_ln10_hi * rest;
  const Log10Step& step = log10_steps[reduced.step];
  const double exponent = reduced.exponent;
  const DoubleDouble first = fast_two_sum(exponent * log10_2_hi, step.minus_log_hi);
  const DoubleDouble second = fast_two_sum(first.hi, head.hi);
  const double sum_low = (((first.lo + second.lo) + (exponent * log10_2_lo + step.minus_log_lo)) + head.lo) + low;
  return fast_two_sum(second.hi, sum_low);
}

// --- Slow path: fixed point with 224 fraction bits in a WideInteger. ---

constexpr unsigned fixed_fraction_bits = 224;
constexpr std::size_t fraction_words = fixed_fraction_bits / 32;

bool is_negative(const WideInteger& a) { return (a.word[wide_words - 1] >> 31) != 0; }

WideInteger add(const WideInteger& a, const WideInteger& b) {
  WideInteger sum{};
  std::uint64_t carry = 0;
  for (std::size_t index = 0; index < wide_words; ++index) {
    carry += std::uint64_t{a.word[index]} + b.word[index];
    sum.word[index] = static_cast<std::uint32_t>(carry);
    carry >>= 32;
  }
  return sum;
}

WideInteger negate(const WideInteger& a) {
  WideInteger inverted{};
  for (std::size_t index = 0; index < wide_words; ++index) inverted.word[index] = ~a.word[index];
  return add(inverted, wide_from(1));
}

WideInteger magnitude(const WideInteger& a) { return is_negative(a) ? negate(a) : a; }

// a * b, each of magnitude under 2^31, truncated towards zero at 2^-224.
WideInteger multiply_fixed(const WideInteger& a, const WideInteger& b) {
  const WideInteger x = magnitude(a);
  const WideInteger y = magnitude(b);
  std::uint32_t product[2 * wide_words] = {};
  for (std::size_t i = 0; i < wide_words; ++i) {
    std::uint64_t carry = 0;
    for (std::size_t j = 0; j < wide_words; ++j) {
      carry += std::uint64_t{x.word[i]} * y.word[j] + product[i + j];
      product[i + j] = static_cast<std::uint32_t>(carry);
      carry >>= 32;
    }
    product[i + wide_words] = static_cast<std::uint32_t>(carry);
  }
  WideInteger result{};
  for (std::size_t index = 0; index < wide_words; ++index) result.word[index] = product[index + fraction_words];
  return is_negative(a) != is_negative(b) ? negate(result) : result;
}

// a / divisor for a small positive divisor, truncated towards zero.
WideInteger divide(const WideInteger& a, std::uint32_t divisor) {
  WideInteger quotient = magnitude(a);
  std::uint64_t remainder = 0;
  for (std::size_t index = wide_words; index-- > 0;) {
    const std::uint64_t current = (remainder << 32) | quotient.word[index];
    quotient.word[index] = static_cast<std::uint32_t>(current / divisor);
    remainder = current % divisor;
  }
  return is_negative(a) ? negate(quotient) : quotient;
}

// A normal double under 2^31 in magnitude, truncated towards zero at 2^-224 (exact for every
// value converted here, all multiples of 2^-224).
WideInteger fixed_from(double value) {
  if (value == 0) return WideInteger{};
  const std::uint64_t bits = bits_of(value);
  const std::uint64_t mantissa = (bits & mantissa_mask) | (std::uint64_t{1} << mantissa_bits);
  const int shift = exponent_of(value) - mantissa_bits + static_cast<int>(fixed_fraction_bits);
  WideInteger scaled{};
  if (shift >= 0) {
    scaled = shift_left(wide_from(mantissa), static_cast<unsigned>(shift));
  } else if (shift > -64) {
    scaled = wide_from(mantissa >> -shift);
  }
  return value < 0 ? negate(scaled) : scaled;
}

// log(1 + z) for |z| <= 2^-8 by its series, until the terms vanish.
WideInteger log1p_slow(const WideInteger& z) {
  WideInteger sum = z;
  WideInteger power = z;
  for (std::uint32_t n = 2; n < 64; ++n) {
    power = multiply_fixed(power, z);
    if (bit_length(magnitude(power)) == 0) break;
    const WideInteger term = divide(power, n);
    sum = add(sum, n % 2 == 0 ? negate(term) : term);
  }
  return sum;
}

// The double nearest value * 2^-224. The value is within 2^-157 of the exact logarithm,
// relatively, while the logarithms of doubles come no closer than about 2^-118 to a midpoint
// (the hardest published cases) and never lie on one (log10 x is rational only for x = 10^k,
// and then an integer). So a set rounding bit means the exact value is above the midpoint,
// whatever the bits below it say: rounding half up is rounding to nearest here.
double round_fixed(const WideInteger& value) {
  const WideInteger size = magnitude(value);
  const unsigned length = bit_length(size);  // over 169 bits for every |log10 x| >= 2^-55
  const unsigned dropped = length - 53;
  std::uint64_t mantissa = 0;
  for (unsigned bit = 0; bit < 53; ++bit) {
    const unsigned position = dropped + bit;
    mantissa |= std::uint64_t{(size.word[position / 32] >> (position % 32)) & 1u} << bit;
  }
  const unsigned round_position = dropped - 1;
  mantissa += (size.word[round_position / 32] >> (round_position % 32)) & 1u;
  const double result = static_cast<double>(mantissa) *
                        power_of_two(static_cast<int>(dropped) - static_cast<int>(fixed_fraction_bits));
  return is_negative(value) ? -result : result;
}

// Kept out of line, and given x alone: the fast path should not pay for setting it up.
[[gnu::noinline]] double log10_slow(double x) {
  const Reduced reduced = reduce(x);
  const WideInteger z = add(fixed_from(reduced.z.hi), fixed_from(reduced.z.lo));
  WideInteger sum = multiply_fixed(log1p_slow(z), inverse_ln10_fixed);
  const Log10Step& step = log10_steps[reduced.step];
  sum = add(sum, add(add(fixed_from(step.minus_log_hi), fixed_from(step.minus_log_lo)),
                     fixed_from(log10_steps_third_part[reduced.step])));
  const auto exponent_size = static_cast<std::uint32_t>(reduced.exponent < 0 ? -reduced.exponent : reduced.exponent);
  const WideInteger exponent_part = multiply(log10_2_fixed, exponent_size);
  sum = add(sum, reduced.exponent < 0 ? negate(exponent_part) : exponent_part);
  return round_fixed(sum);
}

}  // namespace

namespace paths {
DoubleDouble log10_estimate(double x) { return log10_fast(reduce(x)); }
const double log10_estimate_error = fast_path_error;
double log10_slow(double x) { return numerics::log10_slow(x); }
}  // namespace paths

double log10(double x) noexcept {
  // One comparison lets every positive normal number by: zero, subnormals, negatives,
  // infinities and NaN all fall outside [2^-1022, 2^1024) as unsigned bits.
  if (bits_of(x) - smallest_normal_bits >= infinity_bits - smallest_normal_bits) {
    if (x == 0) return -std::numeric_limits<double>::infinity();
    if (!(x > 0)) return x != x ? x : std::numeric_limits<double>::quiet_NaN();
    if (x == std::numeric_limits<double>::infinity()) return x;
  }
  if (x == 1) return 0.0;
  const DoubleDouble estimate = log10_fast(reduce(x));
  const double error = fast_path_error * (estimate.hi < 0 ? -estimate.hi : estimate.hi);
  const double rounded = estimate.hi + (estimate.lo + error);
  if (rounded == estimate.hi + (estimate.lo - error)) return rounded;
  return log10_slow(x);
}

}  // namespace tamsel::numerics
