// SPDX-License-Identifier: MIT
// The two transcendental operations of the formulas, owned by the library so that every
// platform gives the same answer: each returns the double nearest the exact value (ties to
// even), using only IEEE basic operations, integer arithmetic and tables. The special values
// are those of C's log10 and pow.
#ifndef TAMSEL_NUMERICS_CORRECTLY_ROUNDED_H
#define TAMSEL_NUMERICS_CORRECTLY_ROUNDED_H

namespace tamsel::numerics {

// log10(x): -inf for +-0, NaN for x < 0 and NaN, +inf for +inf; exactly k for x = 10^k.
double log10(double x) noexcept;

// x^1.5: +0 for +-0, +inf for -inf and +inf and on overflow, NaN for other negatives and NaN.
double pow_three_halves(double x) noexcept;

}  // namespace tamsel::numerics

#endif
