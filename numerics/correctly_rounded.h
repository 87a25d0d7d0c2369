// SPDX-License-Identifier: MIT
// The two transcendental operations of the formulas, owned by the library so that every
// platform gives the same answer: each returns the double nearest the exact value (ties to
// even), using only IEEE basic operations, integer arithmetic and tables. The special values
// are those of C's log10 and pow.
#ifndef TAMSEL_NUMERICS_CORRECTLY_ROUNDED_H
#define TAMSEL_NUMERICS_CORRECTLY_ROUNDED_H

#if !defined(__GNUC__) && !defined(__clang__)
#include <cmath>
#endif

namespace tamsel::numerics {

// log10(x): -inf for +-0, NaN for x < 0 and NaN, +inf for +inf; exactly k for x = 10^k.
double log10(double x) noexcept;

// x^1.5: +0 for +-0, +inf for -inf and +inf and on overflow, NaN for other negatives and NaN.
double pow_three_halves(double x) noexcept;

// The square root, which IEEE arithmetic rounds correctly itself. The builtin keeps it the
// processor's instruction even in an unoptimised build, where std::sqrt calls the maths library.
inline double square_root(double x) noexcept {
#if defined(__GNUC__) || defined(__clang__)
  return __builtin_sqrt(x);
#else
  return std::sqrt(x);
#endif
}

}  // namespace tamsel::numerics

#endif
