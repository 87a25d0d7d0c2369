// SPDX-License-Identifier: MIT
// The two paths of each function, one at a time: for the tests that check each path against
// the oracle on every kind of argument, for the search for hard cases, and for the benchmark.
#ifndef TAMSEL_NUMERICS_PATHS_H
#define TAMSEL_NUMERICS_PATHS_H

#include "double_double.h"

namespace tamsel::numerics::paths {

// The fast path's double-double estimate of log10(x), for a finite x > 0 other than 1, and
// the error bound it is tested with (relative to |hi|).
DoubleDouble log10_estimate(double x);
extern const double log10_estimate_error;
// The slow path alone, for a finite x > 0 other than 1.
double log10_slow(double x);

// The fast path's estimate of x^1.5 for a finite x > 0 whose x^1.5 is a normal double, and
// the error bound it is tested with (relative to |hi|). The function works on u^1.5 before
// scaling by 2^(3j); here lo is scaled too, which rounds it once it falls below 2^-1022.
DoubleDouble pow_three_halves_estimate(double x);
extern const double pow_three_halves_estimate_error;
// The exact path of x^1.5 alone, for a finite x > 0.
double pow_three_halves_exact(double x);

}  // namespace tamsel::numerics::paths

#endif
