#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "frame/buffer_sizes.h"
#include "frame/number_text.h"

namespace tamsel_test {
namespace {

struct RealReading {
  const char* text;
  double value;
};

void PrintTo(const RealReading& reading, std::ostream* os) { *os << '"' << reading.text << '"'; }

class RealArgument : public testing::TestWithParam<RealReading> {};

TEST_P(RealArgument, ReadsAsAtofDoesInTheCLocale) {
  const double value = tamsel::read_real(GetParam().text);
  EXPECT_EQ(value, GetParam().value) << '"' << GetParam().text << '"';
  EXPECT_EQ(std::signbit(value), std::signbit(GetParam().value)) << '"' << GetParam().text << '"';
}

constexpr double infinity = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Decimal, RealArgument,
    testing::Values(RealReading{"1.75", 1.75}, RealReading{"1.75m", 1.75}, RealReading{"abc", 0.0},
                    RealReading{"", 0.0}, RealReading{"+5", 5.0}, RealReading{"+-5", 0.0},
                    RealReading{"-+5", 0.0}, RealReading{"--5", 0.0}, RealReading{"-", 0.0},
                    RealReading{"-0", -0.0}, RealReading{".5", 0.5}, RealReading{"-.5", -0.5},
                    RealReading{"5.", 5.0}, RealReading{".", 0.0}, RealReading{"1e", 1.0},
                    RealReading{"1e+", 1.0}, RealReading{"1e-2", 0.01}, RealReading{"2E3", 2000.0},
                    RealReading{" \t\n\v\f\r7", 7.0}, RealReading{"0x10", 0.0},
                    RealReading{"1,5", 1.0}, RealReading{"007", 7.0}));

INSTANTIATE_TEST_SUITE_P(
    OutOfRange, RealArgument,
    testing::Values(RealReading{"1e400", infinity}, RealReading{"-1e400", -infinity},
                    RealReading{"1e-400", 0.0}, RealReading{"-1e-400", -0.0},
                    RealReading{"0.000001e-320", 0.0}, RealReading{"123456789e305", infinity},
                    RealReading{"1e99999999999999999999", infinity},
                    RealReading{"4e-320", 4e-320}, RealReading{"1e308", 1e308}));

INSTANTIATE_TEST_SUITE_P(
    Special, RealArgument,
    testing::Values(RealReading{"inf", infinity}, RealReading{"-INF", -infinity},
                    RealReading{"Infinity", infinity}, RealReading{"infinit", infinity},
                    RealReading{"in", 0.0}));

TEST(RealArgumentNaN, AcceptsEveryCaseAndAPayload) {
  for (const char* text : {"nan", "NaN", "-nan", "nan(123)", "nan(", "NANx"}) {
    EXPECT_TRUE(std::isnan(tamsel::read_real(text))) << text;
  }
}

struct IntegerReading {
  const char* text;
  std::int32_t value;
};

void PrintTo(const IntegerReading& reading, std::ostream* os) { *os << '"' << reading.text << '"'; }

class IntegerArgument : public testing::TestWithParam<IntegerReading> {};

TEST_P(IntegerArgument, ReadsAsAtoiAndSaturates) {
  EXPECT_EQ(tamsel::read_integer(GetParam().text), GetParam().value) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Integers, IntegerArgument,
    testing::Values(IntegerReading{"72", 72}, IntegerReading{"72.9", 72}, IntegerReading{"x", 0},
                    IntegerReading{"", 0}, IntegerReading{" \t-12", -12}, IntegerReading{"+8", 8},
                    IntegerReading{"+-8", 0}, IntegerReading{"1e3", 1},
                    IntegerReading{"2147483647", INT32_MAX},
                    IntegerReading{"2147483648", INT32_MAX},
                    IntegerReading{"-2147483648", INT32_MIN},
                    IntegerReading{"-2147483649", INT32_MIN},
                    IntegerReading{"99999999999999999999", INT32_MAX},
                    IntegerReading{"-99999999999999999999", INT32_MIN},
                    IntegerReading{"0000000000000000000042", 42}));

std::string fixed(double value, int decimals) {
  char text[tamsel::max_number_text];
  return std::string(text, tamsel::write_fixed(text, value, decimals));
}

TEST(FixedNumber, RoundsTheExactBinaryValue) {
  EXPECT_EQ(fixed(22.857142857142858, 2), "22.86");
  EXPECT_EQ(fixed(92.5, 0), "92");
  EXPECT_EQ(fixed(93.5, 0), "94");
  EXPECT_EQ(fixed(0.125, 2), "0.12");
  EXPECT_EQ(fixed(0.375, 2), "0.38");
  // 1.005 is stored a little below itself, so it rounds down.
  EXPECT_EQ(fixed(1.005, 2), "1.00");
  EXPECT_EQ(fixed(44.86500000000001, 2), "44.87");
  EXPECT_EQ(fixed(93.33333333333333, 1), "93.3");
  EXPECT_EQ(fixed(1780.0, 2), "1780.00");
}

TEST(FixedNumber, SpellsSpecialValuesLikeGlibc) {
  EXPECT_EQ(fixed(infinity, 2), "inf");
  EXPECT_EQ(fixed(-infinity, 0), "-inf");
  EXPECT_EQ(fixed(-0.0, 2), "-0.00");
  EXPECT_EQ(fixed(-0.001, 2), "-0.00");
  // NaN has no meaningful sign, and x86 and ARM make NaNs of opposite signs.
  EXPECT_EQ(fixed(std::numeric_limits<double>::quiet_NaN(), 2), "nan");
  EXPECT_EQ(fixed(-std::numeric_limits<double>::quiet_NaN(), 2), "nan");
}

TEST(FixedNumber, TheLargestDoubleFitsItsBuffer) {
  const std::string text = fixed(-std::numeric_limits<double>::max(), tamsel::max_decimals);
  EXPECT_EQ(text.size(), tamsel::max_number_text);
  EXPECT_EQ(text.substr(0, 6), "-17976");
  EXPECT_EQ(text.substr(text.size() - 4), ".000");
}

TEST(IntegerNumber, WritesTheFullRange) {
  char text[11];
  EXPECT_EQ(std::string(text, tamsel::write_integer(text, INT32_MIN)), "-2147483648");
  EXPECT_EQ(std::string(text, tamsel::write_integer(text, 0)), "0");
}

}  // namespace
}  // namespace tamsel_test
