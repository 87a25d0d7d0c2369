// SPDX-License-Identifier: MIT
// x^1.5, correctly rounded: the double nearest x * sqrt(x) for every double x.
//
// x = 2^(2j) * u with u in [1, 4), so x^1.5 = 2^(3j) * u^1.5 and u^1.5 lies in [1, 8).
//
// Fast path. s = sqrt(u) rounded (IEEE rounds it correctly), so |s - sqrt u| <= 2^-53, and
// e = u - s^2 = (sqrt u - s)(sqrt u + s) is at most 2^-51. e is computed from Dekker's exact
// product s * s = p + q as (u - p) - q, where u - p needs no rounding (Sterbenz's lemma) and
// the subtraction of q is rounded once (<= 2^-104). With sigma = sqrt u,
//     u^1.5 = u s + u e / (sigma + s)   and   u / (sigma + s) = s/2 + (sigma - s)(2 sigma + s) / (2 (sigma + s)),
// so u^1.5 = u s + e s/2 to within 0.76 * 2^-53 * 2^-51: no division is needed. u s is an
// exact double-double; e s/2 (<= 2^-51) and the sum of the low parts (< 2^-50) are rounded
// once each (<= 2^-104 and 2^-103). In all hi + lo is within 4.76 * 2^-104 < 2^-101.7 of
// u^1.5, while a double in [1, 8) has a half-gap of at least 2^-53: the rounding test below
// fails only where u^1.5 is within 2^-100 of a midpoint.
//
// Exact path, for those cases and for subnormal results. x^1.5 against a midpoint M between
// two candidate doubles is x^3 against M^2: with x = X 2^E and M = (2N + 1) 2^(q-1), both
// are integers times powers of two, compared exactly in 256 bits. An exact tie (x = 68718952449
// gives x^1.5 = 18014192351838207.5 * 2) goes to the even candidate.
#include "strict_arithmetic.h"  // first: it governs how everything after it computes

#include "correctly_rounded.h"

#include <cstdint>
#include <limits>

#include "binary64.h"
#include "double_double.h"
#include "paths.h"
#include "wide_integer.h"

namespace tamsel::numerics {
namespace {

constexpr double fast_path_error = 0x1p-100;  // absolute, on u^1.5 in [1, 8)
constexpr int smallest_normal_exponent = 1 - exponent_bias;
constexpr int subnormal_gap_exponent = smallest_normal_exponent - mantissa_bits;  // 2^-1074
constexpr double smallest_with_a_power = 0x1p-717;  // x^1.5 rounds to 0 below it

// x = integer * 2^exponent with the integer's top bit at bit 52, for a normal x.
struct Integral {
  std::uint64_t integer;
  int exponent;
};

Integral integral_of(double x) {
  return {(bits_of(x) & mantissa_mask) | (std::uint64_t{1} << mantissa_bits), exponent_of(x) - mantissa_bits};
}

// u^1.5 for u in [1, 4) as a double-double within 2^-100.
DoubleDouble power_of_reduced(double u) {
  const double s = square_root(u);
  const DoubleDouble s_halves = split(s);
  const DoubleDouble square = two_product(s, s_halves, s_halves, s);
  const double residual = (u - square.hi) - square.lo;
  const DoubleDouble product = two_product(u, split(u), s_halves, s);
  return fast_two_sum(product.hi, product.lo + 0.5 * residual * s);
}

// The sign of x^1.5 - (2N + 1) 2^(q-1), from x^3 = X^3 2^(3E) against (2N + 1)^2 2^(2q-2).
// As the midpoint is within a gap of x^1.5, the two are nearly equal, so 2^(2q - 2 - 3E) is
// about X^3 / (2N + 1)^2 >= 2^156 / 2^110: the square is the one shifted, by more than 45 bits.
// Where the lengths differ (a result far below a subnormal midpoint), they decide.
int compare_with_midpoint(const Integral& x, std::uint64_t n, int q) {
  const WideInteger cube = multiply(multiply(wide_from(x.integer), x.integer), x.integer);
  const std::uint64_t odd = 2 * n + 1;
  const WideInteger square = multiply(wide_from(odd), odd);
  const long shift = 2L * q - 2 - 3L * x.exponent;
  const long cube_length = static_cast<long>(bit_length(cube));
  const long square_length = static_cast<long>(bit_length(square)) + shift;
  if (cube_length != square_length) return cube_length < square_length ? -1 : 1;
  // Of equal length, the shifted square has no more bits than the cube: nothing is lost.
  return compare(cube, shift_left(square, static_cast<unsigned>(shift)));
}

// The double nearest x^1.5 = estimate * 2^scale, decided exactly. Kept out of line: the fast
// path should not pay for setting it up. `estimate` is within 2^-100
// of the exact u^1.5, which places the true value within half a gap of the midpoint chosen.
[[gnu::noinline]] double exact_power(const Integral& x, const DoubleDouble& estimate, int scale) {
  std::uint64_t n;
  int q;  // the gap between candidates is 2^q
  const int hi_exponent = exponent_of(estimate.hi);
  if (hi_exponent + scale >= smallest_normal_exponent) {
    q = hi_exponent - mantissa_bits + scale;
    n = static_cast<std::uint64_t>(estimate.hi * power_of_two(mantissa_bits - hi_exponent));
    // hi is never a power of two with the exact value below it, where the gaps would halve:
    // u^1.5 would have to lie within half a gap below 2, 4 or 8, and the doubles u just below
    // 2^(2/3), 2^(4/3) and 4 give values 0.96, 2.1 and 1.5 gaps below. So the candidate below
    // hi is n - 1.
    if (estimate.lo < 0) --n;
  } else {
    q = subnormal_gap_exponent;
    const double scaled = estimate.hi * power_of_two(scale - subnormal_gap_exponent);
    n = static_cast<std::uint64_t>(scaled);
    if (static_cast<double>(n) == scaled && estimate.lo < 0 && n > 0) --n;
  }
  const int order = compare_with_midpoint(x, n, q);
  const std::uint64_t chosen = order > 0 || (order == 0 && (n & 1) != 0) ? n + 1 : n;
  return static_cast<double>(chosen) * power_of_two(q);
}

// x = 2^(2j) u with u in [1, 4), for a normal x, from the bits alone.
struct Reduced {
  double u;
  int j;
};

Reduced reduce(double x) {
  const std::uint64_t bits = bits_of(x);
  const int exponent = exponent_of(x);
  const int j = (exponent + 2048) / 2 - 1024;  // floor(exponent / 2)
  const auto u_exponent = static_cast<std::uint64_t>(exponent_bias + exponent - 2 * j);
  return {double_of((bits & mantissa_mask) | (u_exponent << mantissa_bits)), j};
}

}  // namespace

const double paths::pow_three_halves_estimate_error = fast_path_error;  // relative too, as u^1.5 >= 1

DoubleDouble paths::pow_three_halves_estimate(double x) {
  const Reduced reduced = reduce(x);
  const DoubleDouble estimate = power_of_reduced(reduced.u);
  const double scale = power_of_two(3 * reduced.j);
  return {estimate.hi * scale, estimate.lo * scale};
}

double paths::pow_three_halves_exact(double x) {
  if (x < smallest_with_a_power) return 0.0;
  const Reduced reduced = reduce(x);
  if (reduced.j > 341) return std::numeric_limits<double>::infinity();
  return exact_power(integral_of(x), power_of_reduced(reduced.u), 3 * reduced.j);
}

double pow_three_halves(double x) noexcept {
  constexpr double infinity = std::numeric_limits<double>::infinity();
  if (!(x > 0) || x == infinity) {
    if (x == 0) return 0.0;
    if (x == infinity || x == -infinity) return infinity;
    return x != x ? x : std::numeric_limits<double>::quiet_NaN();
  }
  // Below 2^-717, subnormals included, x^1.5 < 2^-1075.5: under half the smallest subnormal.
  if (x < smallest_with_a_power) return 0.0;
  const Reduced reduced = reduce(x);
  if (reduced.j > 341) return infinity;  // x^1.5 >= 2^1026
  const DoubleDouble estimate = power_of_reduced(reduced.u);
  const int scale = 3 * reduced.j;
  if (exponent_of(estimate.hi) + scale >= smallest_normal_exponent) {
    // 2^scale is exact for scale in [-1023, 1023]; past DBL_MAX the product is +inf, as it should.
    if (rounds_to_hi(estimate.hi, estimate.lo, fast_path_error)) return estimate.hi * power_of_two(scale);
  }
  return exact_power(integral_of(x), estimate, scale);
}

}  // namespace tamsel::numerics
