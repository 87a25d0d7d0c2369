// SPDX-License-Identifier: MIT
// Exact building blocks of double-double arithmetic: a sum or a product of two doubles held
// exactly as an unevaluated sum hi + lo. They rely on every operation being rounded once to
// nearest double, which -ffp-contract=off and the evaluation-method check below guarantee.
#ifndef TAMSEL_NUMERICS_DOUBLE_DOUBLE_H
#define TAMSEL_NUMERICS_DOUBLE_DOUBLE_H

#include <cfloat>
#include <cstdint>

#if !defined(FLT_EVAL_METHOD) || FLT_EVAL_METHOD != 0
#error "double expressions must be evaluated in double precision (no x87 extended precision)"
#endif

namespace tamsel::numerics {

struct DoubleDouble {
  double hi;
  double lo;
};

// hi = a + b rounded, lo = the rounding error: hi + lo == a + b exactly. Needs |a| >= |b|
// (or a == 0).
inline DoubleDouble fast_two_sum(double a, double b) {
  const double hi = a + b;
  const double lo = b - (hi - a);
  return {hi, lo};
}

// The same for any a and b.
inline DoubleDouble two_sum(double a, double b) {
  const double hi = a + b;
  const double b_part = hi - a;
  const double a_part = hi - b_part;
  const double lo = (a - a_part) + (b - b_part);
  return {hi, lo};
}

// Veltkamp's split: a == hi + lo exactly, hi with at most `kept_bits` significant bits and
// |lo| <= 2^-kept_bits |a|. Needs |a| < 2^(969 + kept_bits), far above any value split here.
template <int kept_bits>
inline DoubleDouble split_keeping(double a) {
  static_assert(kept_bits > 0 && kept_bits < 53, "a double has 53 bits");
  constexpr double splitter = static_cast<double>(std::uint64_t{1} << (53 - kept_bits)) + 1.0;
  const double scaled = a * splitter;
  const double hi = scaled - (scaled - a);
  return {hi, a - hi};
}

// Halves of at most 26 bits, so that the product of two halves is exact.
inline DoubleDouble split(double a) { return split_keeping<26>(a); }

// Dekker's product with both factors already split: hi + lo == a * b exactly, barring
// underflow of lo.
inline DoubleDouble two_product(double a, const DoubleDouble& a_split, const DoubleDouble& b_split,
                                double b) {
  const double hi = a * b;
  const double lo = ((a_split.hi * b_split.hi - hi) + a_split.hi * b_split.lo + a_split.lo * b_split.hi) +
                    a_split.lo * b_split.lo;
  return {hi, lo};
}

inline DoubleDouble two_product(double a, double b) { return two_product(a, split(a), split(b), b); }

}  // namespace tamsel::numerics

#endif
