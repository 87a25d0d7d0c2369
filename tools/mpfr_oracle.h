// SPDX-License-Identifier: MIT
// The oracle's side of the numerics tests and tools: GNU MPFR's correctly rounded log10 and
// x^1.5 in the double format, and a repeatable source of random arguments.
#ifndef TAMSEL_TOOLS_MPFR_ORACLE_H
#define TAMSEL_TOOLS_MPFR_ORACLE_H

#include <mpfr.h>

#include <cstdint>

namespace tamsel_oracle {

enum class Function { log10, pow_three_halves };

// f(x) at `result`'s precision, MPFR_RNDN; returns MPFR's ternary value.
inline int evaluate(Function function, double x, mpfr_t result) {
  mpfr_t argument, exponent;
  mpfr_inits2(53, argument, exponent, static_cast<mpfr_ptr>(nullptr));
  mpfr_set_d(argument, x, MPFR_RNDN);
  mpfr_set_d(exponent, 1.5, MPFR_RNDN);
  const int inexact = function == Function::log10 ? mpfr_log10(result, argument, MPFR_RNDN)
                                                  : mpfr_pow(result, argument, exponent, MPFR_RNDN);
  mpfr_clears(argument, exponent, static_cast<mpfr_ptr>(nullptr));
  return inexact;
}

// The double nearest f(x): subnormal results rounded at 2^-1074 and overflow to infinity. The
// caller sets MPFR's exponent range to the double format's first: mpfr_set_emin(-1073),
// mpfr_set_emax(1024).
inline double correctly_rounded(Function function, double x) {
  mpfr_t result;
  mpfr_init2(result, 53);
  mpfr_subnormalize(result, evaluate(function, x, result), MPFR_RNDN);
  const double value = mpfr_get_d(result, MPFR_RNDN);
  mpfr_clear(result);
  return value;
}

// SplitMix64: deterministic, so that a failure or a search can be run again.
struct Random {
  std::uint64_t state;
  std::uint64_t next() {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
  }
  double uniform(double low, double high) {
    return low + (high - low) * static_cast<double>(next() >> 11) * 0x1p-53;
  }
};

}  // namespace tamsel_oracle

#endif
