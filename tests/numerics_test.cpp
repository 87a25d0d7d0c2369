// SPDX-License-Identifier: MIT
// The library's log10 and x^1.5 on arguments whose answers are known without an oracle, so
// that every build checks them (Windows, ARM and WebAssembly included): special values,
// exact results, exact ties, and the hardest cases found with MPFR, recorded with MPFR's
// answers in numerics/near_midpoints.inc, and MPFR's log10 of the integers to 10,000 and of
// realistic arguments in numerics/log10_answers.inc.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>
#include <ostream>

#include "numerics/binary64.h"
#include "numerics/correctly_rounded.h"
#include "numerics/paths.h"
#include "numerics/wide_integer.h"

namespace tamsel_test {
namespace {

using tamsel::numerics::bits_of;

enum class Function { log10, pow_three_halves };

double evaluate(Function function, double x) {
  return function == Function::log10 ? tamsel::numerics::log10(x) : tamsel::numerics::pow_three_halves(x);
}

struct Case {
  Function function;
  double x;
  double expected;
  double distance;  // log2 of the exact value's distance from a midpoint, in gaps; 0 if not hard
};

void PrintTo(const Case& c, std::ostream* os) {
  char text[80];
  std::snprintf(text, sizeof text, "%s(%a)", c.function == Function::log10 ? "log10" : "pow1.5", c.x);
  *os << text;
}

// Bit for bit: the sign of a zero counts, and every NaN is alike.
::testing::AssertionResult same_double(double got, double expected) {
  if ((std::isnan(got) && std::isnan(expected)) || bits_of(got) == bits_of(expected)) {
    return ::testing::AssertionSuccess();
  }
  char text[96];
  std::snprintf(text, sizeof text, "got %a, expected %a", got, expected);
  return ::testing::AssertionFailure() << text;
}

class KnownAnswer : public testing::TestWithParam<Case> {};

TEST_P(KnownAnswer, IsTheNearestDouble) {
  EXPECT_TRUE(same_double(evaluate(GetParam().function, GetParam().x), GetParam().expected));
}

// The slow paths answer few calls of their own accord, so each is asked for every known answer.
TEST_P(KnownAnswer, IsWhatTheSlowPathGivesToo) {
  const Case& c = GetParam();
  if (!(c.x > 0) || std::isinf(c.x) || (c.function == Function::log10 && c.x == 1)) GTEST_SKIP() << "no slow path";
  const double slow = c.function == Function::log10 ? tamsel::numerics::paths::log10_slow(c.x)
                                                    : tamsel::numerics::paths::pow_three_halves_exact(c.x);
  EXPECT_TRUE(same_double(slow, c.expected));
}

constexpr double infinity = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    SpecialValues, KnownAnswer,
    testing::Values(Case{Function::log10, 0.0, -infinity, 0}, Case{Function::log10, -0.0, -infinity, 0},
                    Case{Function::log10, -1.0, nan, 0}, Case{Function::log10, -0x1p-1074, nan, 0},
                    Case{Function::log10, -infinity, nan, 0}, Case{Function::log10, infinity, infinity, 0},
                    Case{Function::log10, nan, nan, 0}, Case{Function::log10, 1.0, 0.0, 0},
                    Case{Function::log10, 0x1p-1074, -0x1.434e6420f4374p+8, 0},
                    Case{Function::log10, std::numeric_limits<double>::max(), 0x1.34413509f79ffp+8, 0},
                    Case{Function::pow_three_halves, 0.0, 0.0, 0},
                    Case{Function::pow_three_halves, -0.0, 0.0, 0},
                    Case{Function::pow_three_halves, -infinity, infinity, 0},
                    Case{Function::pow_three_halves, -1.0, nan, 0},
                    Case{Function::pow_three_halves, -0x1p-1074, nan, 0},
                    Case{Function::pow_three_halves, infinity, infinity, 0},
                    Case{Function::pow_three_halves, nan, nan, 0},
                    Case{Function::pow_three_halves, std::numeric_limits<double>::max(), infinity, 0},
                    // Around the overflow threshold (2^1024)^(2/3) and into subnormal results.
                    Case{Function::pow_three_halves, 0x1.965fea53d6e3cp+682, 0x1.fffffffffffffp+1023, 0},
                    Case{Function::pow_three_halves, 0x1.965fea53d6e3dp+682, infinity, 0},
                    Case{Function::pow_three_halves, 0x1p-716, 0x1p-1074, 0},
                    Case{Function::pow_three_halves, 0x1p-718, 0.0, 0},
                    Case{Function::pow_three_halves, 0x1p-1074, 0.0, 0},
                    Case{Function::pow_three_halves, 0x1p-682, 0x1p-1023, 0},
                    Case{Function::pow_three_halves, 0x1.8p-690, 0x0.000eb26a8f06ep-1022, 0}));

INSTANTIATE_TEST_SUITE_P(
    ExactResults, KnownAnswer,
    testing::Values(Case{Function::pow_three_halves, 2.25, 3.375, 0}, Case{Function::pow_three_halves, 4.0, 8.0, 0},
                    Case{Function::pow_three_halves, 1.0, 1.0, 0}, Case{Function::pow_three_halves, 0.25, 0.125, 0},
                    Case{Function::pow_three_halves, 0x1p-100, 0x1p-150, 0},
                    Case{Function::pow_three_halves, 0x1p+600, 0x1p+900, 0},
                    // 262143^2: x^1.5 = 18014192351838207 lies halfway between two doubles.
                    Case{Function::pow_three_halves, 68718952449.0, 18014192351838208.0, 0}));

const Case hard_cases[] = {
#include "numerics/near_midpoints.inc"
};

INSTANTIATE_TEST_SUITE_P(NearMidpoints, KnownAnswer, testing::ValuesIn(hard_cases));

// MPFR's answers for every integer up to 10,000 and for the arguments typical requests make,
// recorded by tools/make_log10_answers.cpp. One loop each, reporting only the misses, since
// there are thousands.
constexpr double log10_of_integers[] = {
#define TAMSEL_LOG10_INTEGERS
#include "numerics/log10_answers.inc"
#undef TAMSEL_LOG10_INTEGERS
};

struct Answer {
  double x;
  double log10_x;
};

constexpr Answer log10_of_realistic[] = {
#define TAMSEL_LOG10_REALISTIC
#include "numerics/log10_answers.inc"
#undef TAMSEL_LOG10_REALISTIC
};

TEST(Log10Answers, EveryIntegerUpTo10000) {
  int misses = 0;
  for (std::size_t index = 0; index < std::size(log10_of_integers); ++index) {
    const double n = static_cast<double>(index + 1);
    const double expected = log10_of_integers[index];
    if (bits_of(tamsel::numerics::log10(n)) != bits_of(expected) && ++misses <= 10) {
      ADD_FAILURE() << "log10(" << n << ") = " << std::hexfloat << tamsel::numerics::log10(n)
                    << ", expected " << expected;
    }
  }
  EXPECT_EQ(std::size(log10_of_integers), 10000u);
  EXPECT_EQ(misses, 0);
}

TEST(Log10Answers, RealisticArguments) {
  int misses = 0;
  for (const Answer& answer : log10_of_realistic) {
    if (bits_of(tamsel::numerics::log10(answer.x)) != bits_of(answer.log10_x) && ++misses <= 10) {
      ADD_FAILURE() << "log10(" << std::hexfloat << answer.x << ") = " << tamsel::numerics::log10(answer.x)
                    << ", expected " << answer.log10_x;
    }
  }
  EXPECT_GT(std::size(log10_of_realistic), 2000u);
  EXPECT_EQ(misses, 0);
}

// The rounding test: a fast result is kept only when no value within the error bound of hi + lo
// rounds elsewhere. Below a power of two the neighbour is half as far.
TEST(RoundingTest, KeepsOnlyResultsClearOfEveryMidpoint) {
  using tamsel::numerics::rounds_to_hi;
  constexpr double half_gap_of_1_5 = 0x1p-53;  // the doubles near 1.5 are 2^-52 apart
  EXPECT_TRUE(rounds_to_hi(1.5, 0.0, 0x1p-60));
  EXPECT_TRUE(rounds_to_hi(1.5, 0.9 * half_gap_of_1_5, 0.05 * half_gap_of_1_5));
  EXPECT_FALSE(rounds_to_hi(1.5, 0.9 * half_gap_of_1_5, 0.2 * half_gap_of_1_5));
  EXPECT_TRUE(rounds_to_hi(1.5, -0.9 * half_gap_of_1_5, 0.05 * half_gap_of_1_5));
  EXPECT_FALSE(rounds_to_hi(1.5, -0.9 * half_gap_of_1_5, 0.2 * half_gap_of_1_5));
  EXPECT_FALSE(rounds_to_hi(1.5, half_gap_of_1_5, 0x1p-100)) << "exactly a midpoint";
  EXPECT_FALSE(rounds_to_hi(-1.5, -0.9 * half_gap_of_1_5, 0.2 * half_gap_of_1_5));
  // Negative results, such as the logarithms below 1, keep the fast path just as often.
  EXPECT_TRUE(rounds_to_hi(-1.5, -0.9 * half_gap_of_1_5, 0.05 * half_gap_of_1_5));
  EXPECT_TRUE(rounds_to_hi(-1.5, 0.9 * half_gap_of_1_5, 0.05 * half_gap_of_1_5));
  // 2: above it the gap is 2^-51, below it 2^-52.
  EXPECT_TRUE(rounds_to_hi(2.0, 0x1.8p-53, 0x1p-60));
  EXPECT_FALSE(rounds_to_hi(2.0, -0x1.8p-54, 0x1p-55)) << "the midpoint below 2 is 2^-54 away";
  EXPECT_TRUE(rounds_to_hi(2.0, -0x1.8p-55, 0x1p-60));
  EXPECT_FALSE(rounds_to_hi(-2.0, 0x1.8p-54, 0x1p-55)) << "below -2 in magnitude likewise";
  EXPECT_TRUE(rounds_to_hi(-2.0, -0x1.8p-53, 0x1p-60));
}

// x^1.5's exact path decides by comparing x^3 with a midpoint's square; a tie is equality in
// every word, the lowest included.
TEST(WideInteger, ComparesDownToTheLowestWord) {
  using tamsel::numerics::compare;
  using tamsel::numerics::shift_left;
  using tamsel::numerics::wide_from;
  EXPECT_EQ(compare(wide_from(5), wide_from(6)), -1);
  EXPECT_EQ(compare(wide_from(6), wide_from(5)), 1);
  EXPECT_EQ(compare(wide_from(6), wide_from(6)), 0);
  const tamsel::numerics::WideInteger high = shift_left(wide_from(3), 200);
  tamsel::numerics::WideInteger high_and_one = high;
  high_and_one.word[0] = 1;
  EXPECT_EQ(compare(high, high_and_one), -1);
  EXPECT_EQ(compare(high_and_one, high), 1);
}

TEST(Log10, IsExactAtEveryPowerOfTenADoubleHolds) {
  double power = 1;
  for (int k = 0; k <= 22; ++k, power *= 10) {
    EXPECT_TRUE(same_double(tamsel::numerics::log10(power), k)) << "10^" << k;
  }
}

// m^3 for odd m, exactly, against the doubles around it: every m^3 that lies halfway between
// two doubles must go to the one with an even last bit, and every other to the nearer one.
TEST(PowThreeHalves, RoundsExactCubesAndTiesLikeTheirIntegers) {
  int ties = 0;
  for (std::uint64_t m = 3; m < 2642245; m += 2 + 2 * (m % 7)) {
    const std::uint64_t cube = m * m * m;  // below 2^64
    int bits = 64;
    while ((cube >> (bits - 1)) == 0) --bits;
    const std::uint64_t gap = bits > 53 ? std::uint64_t{1} << (bits - 53) : 1;
    const std::uint64_t below = cube - cube % gap;
    const std::uint64_t rest = cube % gap;
    std::uint64_t nearest = rest * 2 < gap ? below : below + gap;
    if (rest * 2 == gap) {
      ++ties;
      nearest = ((below / gap) & 1) == 0 ? below : below + gap;
    }
    const double x = static_cast<double>(m * m);
    ASSERT_TRUE(same_double(tamsel::numerics::pow_three_halves(x), static_cast<double>(nearest))) << "m = " << m;
  }
  EXPECT_GT(ties, 100);
}

}  // namespace
}  // namespace tamsel_test
