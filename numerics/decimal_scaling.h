// SPDX-License-Identifier: MIT
// A double times 10^decimals, rounded to an integer exactly as printf rounds the last printed
// decimal: what the library prints and the number that printing stands for both come from it.
#ifndef TAMSEL_NUMERICS_DECIMAL_SCALING_H
#define TAMSEL_NUMERICS_DECIMAL_SCALING_H

#include <cstdint>

#include "binary64.h"

namespace tamsel::numerics {

// The most decimals a result line prints.
constexpr int max_scaled_decimals = 3;

// A finite double is mantissa x 2^exponent. Below 2^53, mantissa x 10^decimals stays under 2^63
// (decimals <= 3), so the exact value times 10^decimals can be rounded to an integer, half to
// even, by a shift and a look at the bits shifted out: exactly what printf and to_chars print,
// without their general machinery. Returns false, setting nothing, for magnitudes of 2^53 and
// more (integers, printed exactly), the infinities and NaN; otherwise |value| x 10^decimals,
// rounded, is `scaled`. `decimals` is 0 to max_scaled_decimals.
[[gnu::always_inline]] inline bool scale_to_decimals(double value, int decimals, std::uint64_t& scaled) {
  const std::uint64_t bits = bits_of(value);
  const auto biased_exponent = static_cast<int>((bits >> mantissa_bits) & 0x7FF);
  std::uint64_t mantissa = bits & mantissa_mask;
  int shift = 1074;  // subnormals: mantissa x 2^-1074
  if (biased_exponent != 0) {
    mantissa |= std::uint64_t{1} << mantissa_bits;
    shift = 1075 - biased_exponent;
  }
  if (shift < 0) return false;  // the infinities and NaNs too, whose exponent is the largest
  static constexpr std::uint64_t powers_of_ten[] = {1, 10, 100, 1000};
  const std::uint64_t product = mantissa * powers_of_ten[decimals];
  scaled = 0;  // a shift of 64 or more leaves less than a half
  if (shift == 0) {
    scaled = product;
  } else if (shift < 64) {
    // Adding just under a half, and one more when the quotient is odd, carries into the
    // quotient exactly when the rest is over a half, or a half and the quotient odd.
    const std::uint64_t half = std::uint64_t{1} << (shift - 1);
    scaled = (product + (half - 1) + ((product >> shift) & 1)) >> shift;
  }
  return true;
}

}  // namespace tamsel::numerics

#endif
