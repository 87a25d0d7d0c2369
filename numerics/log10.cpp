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
// Fast path, in double-double. log(1 + z) = z - z^2/2 + z^3 Q(z); z - z^2/2 is kept exact to
// 2^-106, and z^3 Q(z) is evaluated in double with a polynomial of degree 5 for Q that the
// table's generator fits with MPFR (within 2^-54.4 of Q). Relative to |z|, with |z| <= 2^-8
// and z^3 Q(z) <= 2^-17.58 |z|:
//     the polynomial's error                       <= 2^-16 * 2^-54.4  < 2^-70.4
//     z_lo * z^2 and smaller terms left out         <= 2^-53 * 2^-16    < 2^-68.9
//     rounding in z^3 (2 ulp), Q (1.1) and z^3 Q (1) <= 2^-51 * 2^-17.58 < 2^-68.6
//     rounding in summing the low parts (2 adds)                        < 2^-69.5
// in all under 2^-67.2 relative to log(1 + z). Multiplying by 1/ln 10 as a double-double and
// adding e log10(2) and T add under 2^-95 relative to the larger term; where e = 0 and T = 0
// the result is that product alone, and otherwise |log10 x| is at least a third of
// |e log10 2| + |T| + |log10(1 + z)| (the table keeps the terms from cancelling). So the
// double-double result hi + lo is within 2^-67.1 |log10 x|, and fast_path_error = 2^-66
// leaves a margin. The rounding test returns hi when hi + lo is farther than that from every
// midpoint between two doubles; that fails about once in 6000 arguments.
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

constexpr double fast_path_error = 0x1p-66;  // relative, proven above as 2^-67.1

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

// log(1 + z) as a double-double, within 2^-67.2 |z|.
DoubleDouble log1p_fast(const DoubleDouble& z) {
  const double zh = z.hi;
  const DoubleDouble halves = split(zh);
  const DoubleDouble square = two_product(zh, halves, halves, zh);
  const DoubleDouble head = fast_two_sum(zh, -0.5 * square.hi);
  // Q(z) by Estrin's scheme, whose products do not wait on each other.
  const double z2 = square.hi;
  const double z4 = z2 * z2;
  const double* const c = log1p_tail;
  const double q = ((c[0] + c[1] * zh) + z2 * (c[2] + c[3] * zh)) + z4 * (c[4] + c[5] * zh);
  const double tail = z2 * zh * q;
  // log(1 + zh + zl) = log(1 + zh) + zl / (1 + zh) - ..., and zl / (1 + zh) ~ zl - zh zl.
  const double low = (((z.lo - zh * z.lo) - 0.5 * square.lo) + tail) + head.lo;
  return fast_two_sum(head.hi, low);
}

// log10(x) as a double-double within 2^-67.1 |log10 x|.
DoubleDouble log10_fast(const Reduced& reduced) {
  const DoubleDouble natural = log1p_fast(reduced.z);
  DoubleDouble scaled = two_product(natural.hi, split(natural.hi), {inverse_ln10_upper, inverse_ln10_lower}, inverse_ln10_hi);
  scaled.lo += natural.hi * inverse_ln10_lo + natural.lo * inverse_ln10_hi;
  const Log10Step& step = log10_steps[reduced.step];
  const double exponent = reduced.exponent;
  // |e log10 2| > |T| > |log10(1 + z)| unless the larger is 0, so fast sums are exact here.
  const DoubleDouble first = fast_two_sum(exponent * log10_2_hi, step.minus_log_hi);
  const DoubleDouble second = fast_two_sum(first.hi, scaled.hi);
  const double low = ((first.lo + second.lo) + (exponent * log10_2_lo + step.minus_log_lo)) + scaled.lo;
  return fast_two_sum(second.hi, low);
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

// Kept out of line: the fast path should not pay for setting it up.
[[gnu::noinline]] double log10_slow(const Reduced& reduced) {
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
double log10_slow(double x) { return numerics::log10_slow(reduce(x)); }
}  // namespace paths

double log10(double x) noexcept {
  if (!(x > 0) || x == std::numeric_limits<double>::infinity()) {
    if (x == 0) return -std::numeric_limits<double>::infinity();
    return x > 0 || x != x ? x : std::numeric_limits<double>::quiet_NaN();
  }
  if (x == 1) return 0.0;
  const Reduced reduced = reduce(x);
  const DoubleDouble estimate = log10_fast(reduced);
  if (rounds_to_hi(estimate.hi, estimate.lo, fast_path_error * (estimate.hi < 0 ? -estimate.hi : estimate.hi))) {
    return estimate.hi;
  }
  return log10_slow(reduced);
}

}  // namespace tamsel::numerics
