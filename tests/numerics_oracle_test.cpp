// SPDX-License-Identifier: MIT
// The library's log10 and x^1.5 against GNU MPFR, the oracle: every answer must be the very
// double that mpfr_log10 and mpfr_pow give with MPFR_RNDN, over arguments spread across every
// binade (subnormals included), the values people type (0.5 to 300), the exact cases and
// their neighbours, and cases lying extremely close to a midpoint between two doubles. Each
// path is also checked on its own: the fast path's estimate must stay within its error bound,
// and the slow paths, which handle few arguments in normal use, must be right on all of them.
//
//   numerics_oracle_test [--count N]
// checks N arguments of each kind (default 1,000,000 in all) and the hard cases of
// numerics/near_midpoints.inc, whose recorded answers every other build is tested with.
#include <mpfr.h>

#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "numerics/binary64.h"
#include "numerics/correctly_rounded.h"
#include "numerics/paths.h"
#include "tools/mpfr_oracle.h"

namespace {

using tamsel::numerics::bits_of;
using tamsel::numerics::double_of;

using tamsel_oracle::correctly_rounded;
using tamsel_oracle::Function;
using tamsel_oracle::Random;

bool same(double a, double b) { return (std::isnan(a) && std::isnan(b)) || bits_of(a) == bits_of(b); }

struct Tally {
  const char* name;
  long checked = 0;
  long wrong = 0;
};

void report_wrong(Tally& tally, const char* what, double x, double got, double want) {
  if (++tally.wrong <= 10) {
    std::printf("  WRONG %s %s(%a = %.17g): got %a, MPFR %a\n", tally.name, what, x, x, got, want);
  }
}

void check(Function function, Tally& tally, double x) {
  const double want = correctly_rounded(function, x);
  const double got = function == Function::log10 ? tamsel::numerics::log10(x) : tamsel::numerics::pow_three_halves(x);
  ++tally.checked;
  if (!same(got, want)) report_wrong(tally, function == Function::log10 ? "log10" : "pow1.5", x, got, want);
}

// |(hi + lo) - f(x)| / |f(x)|, measured at 200 bits.
double estimate_error(Function function, double x, const tamsel::numerics::DoubleDouble& estimate) {
  mpfr_t exact, approximation;
  mpfr_inits2(200, exact, approximation, static_cast<mpfr_ptr>(nullptr));
  tamsel_oracle::evaluate(function, x, exact);
  mpfr_set_d(approximation, estimate.hi, MPFR_RNDN);
  mpfr_add_d(approximation, approximation, estimate.lo, MPFR_RNDN);
  mpfr_sub(approximation, approximation, exact, MPFR_RNDN);
  mpfr_div(approximation, approximation, exact, MPFR_RNDN);
  const double error = std::fabs(mpfr_get_d(approximation, MPFR_RNDN));
  mpfr_clears(exact, approximation, static_cast<mpfr_ptr>(nullptr));
  return error;
}

// The slow paths on their own, and the fast path's estimate against its bound wherever the
// function would use it.
void check_paths(Function function, Tally& tally, double x, double& worst_estimate_error) {
  const bool is_log = function == Function::log10;
  if (!(x > 0) || std::isinf(x) || (is_log && x == 1)) return;
  const double want = correctly_rounded(function, x);
  const double got = is_log ? tamsel::numerics::paths::log10_slow(x) : tamsel::numerics::paths::pow_three_halves_exact(x);
  ++tally.checked;
  if (!same(got, want)) report_wrong(tally, is_log ? "slow path of log10" : "exact path of pow1.5", x, got, want);
  // x^1.5's estimate is scaled from u^1.5 for this test, and lo's scaling rounds at 2^-1074:
  // under 2^-106 of a result from 2^-968 up. The function itself tests the unscaled estimate.
  if (!is_log && !(want >= 0x1p-968 && want <= std::numeric_limits<double>::max())) return;
  const tamsel::numerics::DoubleDouble estimate =
      is_log ? tamsel::numerics::paths::log10_estimate(x) : tamsel::numerics::paths::pow_three_halves_estimate(x);
  if (!std::isfinite(estimate.hi)) return;  // x^1.5 just under 2^1024 may round past it
  const double error = estimate_error(function, x, estimate);
  if (error > worst_estimate_error) worst_estimate_error = error;
  const double bound = is_log ? tamsel::numerics::paths::log10_estimate_error
                              : tamsel::numerics::paths::pow_three_halves_estimate_error;
  if (error > bound) {
    ++tally.wrong;
    std::printf("  FAST PATH BOUND EXCEEDED %s(%a): relative error %a\n", is_log ? "log10" : "pow1.5", x, error);
  }
}

// A double with a random mantissa in the binade of 2^exponent; subnormal below -1022.
double in_binade(Random& random, int exponent) {
  const std::uint64_t mantissa = random.next() & tamsel::numerics::mantissa_mask;
  if (exponent < -1022) {
    const int bits = exponent + 1074;  // the subnormal's leading bit position
    return double_of((std::uint64_t{1} << bits) | (mantissa >> (52 - bits)));
  }
  return double_of((static_cast<std::uint64_t>(exponent + 1023) << 52) | mantissa);
}

double next_up(double x) { return double_of(bits_of(x) + 1); }
double next_down(double x) { return double_of(bits_of(x) - 1); }

// Powers of ten and their neighbours for log10; squares m^2, whose x^1.5 = m^3 is exact or
// an exact midpoint, and their neighbours, in every binade an even power of two reaches.
std::vector<double> exact_cases(Function function, Random& random) {
  std::vector<double> cases;
  const auto with_neighbours = [&cases](double x, int count) {
    cases.push_back(x);
    double up = x, down = x;
    for (int step = 0; step < count; ++step) {
      cases.push_back(up = next_up(up));
      if (down > 0) cases.push_back(down = next_down(down));
    }
  };
  if (function == Function::log10) {
    double power = 1;
    for (int k = 0; k <= 22; ++k, power *= 10) with_neighbours(power, 100);
    return cases;
  }
  with_neighbours(2.25, 8);
  with_neighbours(4.0, 8);
  // Arguments whose x^1.5 lies next to a power of two, where the doubles below are twice as
  // dense as those above.
  for (int k = -1070; k <= 1023; ++k) with_neighbours(std::exp2(2.0 * k / 3), 3);
  with_neighbours(68718952449.0, 100);  // 262143^2: its x^1.5 is a midpoint
  for (int round = 0; round < 20000; ++round) {
    // m below 2^26.5, so that m^2 is exact; odd m^3 of 54 bits or more makes a midpoint or
    // a near one.
    const double m = static_cast<double>(random.next() % 94906265u + 1u);
    const int shift = 2 * static_cast<int>(random.next() % 1300) - 1400;  // even: keeps x^1.5 exact
    const double x = std::ldexp(m * m, shift);
    if (x > 0 && std::isfinite(x)) with_neighbours(x, 2);
  }
  return cases;
}

std::vector<double> special_cases() {
  const double infinity = std::numeric_limits<double>::infinity();
  return {0.0, -0.0, 1.0, -1.0, -0x1p-1074, infinity, -infinity, std::numeric_limits<double>::quiet_NaN(),
          0x1p-1074, 0x1p-1022, next_down(0x1p-1022), std::numeric_limits<double>::max(), 0x1p+682, 0x1p+683,
          // around (2^1024)^(2/3), where x^1.5 overflows, and where it turns subnormal
          next_down(0x1.965fea53d6e3cp+682), 0x1.965fea53d6e3cp+682, next_up(0x1.965fea53d6e3cp+682),
          0x1p-716, 0x1p-717, 0x1p-682, 0x1p-681};
}

// The hardest cases found by tools/find_hard_cases.cpp, with the answers it recorded.
struct HardCase {
  Function function;
  double x;
  double recorded;
  double distance;
};

const HardCase hard_cases[] = {
#include "numerics/near_midpoints.inc"
};

}  // namespace

int main(int argc, char** argv) {
  long count = 1000000;
  for (int index = 1; index + 1 < argc; index += 2) {
    if (std::strcmp(argv[index], "--count") == 0) count = std::atol(argv[index + 1]);
  }
  mpfr_set_emin(-1073);  // the double format, for mpfr_subnormalize
  mpfr_set_emax(1024);

  bool all_right = true;
  for (const Function function : {Function::log10, Function::pow_three_halves}) {
    const bool is_log = function == Function::log10;
    Random random{is_log ? 20261208u : 8122026u};
    Tally binades{"every binade"}, typed{"0.5 to 300"}, exact{"exact and neighbours"},
        hard{"near midpoints"}, special{"special values"}, paths{"each path"};
    double worst_estimate_error = 0;
    // Every binade in turn, subnormals included, then typed values, half of the count each.
    for (long index = 0; index < count / 2; ++index) {
      check(function, binades, in_binade(random, static_cast<int>(index % 2098) - 1074));
    }
    for (long index = 0; index < count / 2; ++index) check(function, typed, random.uniform(0.5, 300));
    for (const double x : exact_cases(function, random)) {
      check(function, exact, x);
      check_paths(function, paths, x, worst_estimate_error);
    }
    for (const HardCase& hard_case : hard_cases) {
      if (hard_case.function != function) continue;
      check(function, hard, hard_case.x);
      check_paths(function, paths, hard_case.x, worst_estimate_error);
      if (!same(hard_case.recorded, correctly_rounded(function, hard_case.x))) report_wrong(hard, "recorded answer of", hard_case.x, hard_case.recorded, correctly_rounded(function, hard_case.x));
    }
    for (const double x : special_cases()) check(function, special, x);
    // Each path alone on a sample of every kind.
    for (long index = 0; index < count / 20; ++index) {
      check_paths(function, paths, in_binade(random, static_cast<int>(random.next() % 2098) - 1074), worst_estimate_error);
      check_paths(function, paths, random.uniform(0.5, 300), worst_estimate_error);
    }
    std::printf("%s:\n", is_log ? "log10" : "x^1.5");
    for (const Tally* tally : {&binades, &typed, &exact, &hard, &special, &paths}) {
      std::printf("  %-22s %10ld checked, %ld wrong\n", tally->name, tally->checked, tally->wrong);
      all_right = all_right && tally->wrong == 0;
    }
    std::printf("  fast path: worst relative error %.3g = 2^%.2f, bound 2^%.0f\n", worst_estimate_error,
                std::log2(worst_estimate_error),
                std::log2(is_log ? tamsel::numerics::paths::log10_estimate_error
                                 : tamsel::numerics::paths::pow_three_halves_estimate_error));
  }
  mpfr_free_cache();
  std::printf(all_right ? "every answer is MPFR's\n" : "SOME ANSWERS DIFFER FROM MPFR'S\n");
  return all_right ? 0 : 1;
}
