// SPDX-License-Identifier: MIT
// The fields of an IEEE double, for the code that works on its bits.
#ifndef TAMSEL_NUMERICS_BINARY64_H
#define TAMSEL_NUMERICS_BINARY64_H

#include <cstdint>
#include <cstring>

namespace tamsel::numerics {

constexpr int mantissa_bits = 52;  // stored; the leading 1 of a normal number is implicit
constexpr int exponent_bias = 1023;
constexpr std::uint64_t mantissa_mask = (std::uint64_t{1} << mantissa_bits) - 1;

inline std::uint64_t bits_of(double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

inline double double_of(std::uint64_t bits) {
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// The unbiased exponent of a normal double, of either sign.
inline int exponent_of(double normal) {
  return static_cast<int>((bits_of(normal) >> mantissa_bits) & 0x7FF) - exponent_bias;
}

// 2^exponent for exponent in [-1074, 1023], subnormal powers included.
inline double power_of_two(int exponent) {
  if (exponent >= 1 - exponent_bias) {
    return double_of(static_cast<std::uint64_t>(exponent + exponent_bias) << mantissa_bits);
  }
  return double_of(std::uint64_t{1} << (exponent + exponent_bias - 1 + mantissa_bits));
}

// Half the distance from a finite nonzero normal `hi` to its neighbour on the side of `lo`:
// the distance from hi to the midpoint that hi + lo would cross.
inline double half_gap_towards(double hi, double lo) {
  const bool power_of_two_below = (bits_of(hi) & mantissa_mask) == 0 && (lo < 0) != (hi < 0);
  // Below a power of two the doubles are twice as dense.
  return power_of_two(exponent_of(hi) - mantissa_bits - (power_of_two_below ? 2 : 1));
}

// The rounding test of a fast path: true when every value within `error` of hi + lo rounds to
// hi, that is, when hi + lo (with |lo| at most half a gap, as a fast two-sum leaves it) is
// farther than `error` from the midpoint on its side of hi. The subtraction is exact when it
// matters (Sterbenz), and otherwise leaves more than half of half a gap.
inline bool rounds_to_hi(double hi, double lo, double error) {
  return half_gap_towards(hi, lo) - (lo < 0 ? -lo : lo) > error;
}

}  // namespace tamsel::numerics

#endif
