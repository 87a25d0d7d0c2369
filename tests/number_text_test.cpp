// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cmath>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
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
                    RealReading{"1,5", 1.0}, RealReading{"007", 7.0}, RealReading{"1:5", 1.0},
                    RealReading{"2.5:1", 2.5}, RealReading{"/5", 0.0}));

INSTANTIATE_TEST_SUITE_P(
    OutOfRange, RealArgument,
    testing::Values(RealReading{"1e400", infinity}, RealReading{"-1e400", -infinity},
                    RealReading{"1e-400", 0.0}, RealReading{"-1e-400", -0.0},
                    RealReading{"0.000001e-320", 0.0}, RealReading{"123456789e305", infinity},
                    RealReading{"1e99999999999999999999", infinity},
                    RealReading{"4e-320", 4e-320}, RealReading{"1e308", 1e308}));

// Plain decimals with 12 to 19 decimals divide by the exact powers of ten beyond 10^11.
INSTANTIATE_TEST_SUITE_P(
    ManyDecimals, RealArgument,
    testing::Values(RealReading{".000000000007", 7e-12}, RealReading{".0000000000007", 7e-13},
                    RealReading{".00000000000007", 7e-14}, RealReading{".000000000000007", 7e-15},
                    RealReading{".0000000000000007", 7e-16}, RealReading{".00000000000000007", 7e-17},
                    RealReading{".000000000000000007", 7e-18}, RealReading{".0000000000000000007", 7e-19},
                    RealReading{"0.123456789012", 0.123456789012},
                    RealReading{"1.23456789012345678", 1.23456789012345678}));

INSTANTIATE_TEST_SUITE_P(
    Special, RealArgument,
    testing::Values(RealReading{"inf", infinity}, RealReading{"-INF", -infinity},
                    RealReading{"Infinity", infinity}, RealReading{"infinit", infinity},
                    RealReading{"in", 0.0}));

// Numbers out of range only because of how many digits they have: the decimal exponent that
// decides between infinity and zero counts the digits as well as the exponent.
TEST(RealArgumentOutOfRange, CountsTheDigits) {
  const std::string ones(310, '1');
  const struct {
    std::string text;
    double value;
  } cases[] = {
      {ones, infinity},
      {"-" + ones, -infinity},
      {"0." + ones + "e310", infinity},
      {"1" + std::string(409, '0') + "e-100", infinity},
      {"0." + std::string(20, '0') + "1e330", infinity},
      {"10e-400", 0.0},
      {"-10e-400", -0.0},
      {"0." + std::string(330, '0') + "1", 0.0},
      {"0." + std::string(300, '0') + "1e-30", 0.0},
      {"0." + std::string(400, '0') + "1e70", 0.0},  // the zeros after the point count
      {"1" + std::string(400, '0') + "." + std::string(500, '0'), infinity},  // but not after the first digit
      {"0." + std::string(690, '0') + "1e1000", infinity},  // every digit of the exponent counts
      {"1E400", infinity},
      {"-1E-400", -0.0},
      {"1e+400", infinity},
  };
  for (const auto& reading : cases) {
    const double value = tamsel::read_real(reading.text.c_str());
    EXPECT_EQ(value, reading.value) << reading.text;
    EXPECT_EQ(std::signbit(value), std::signbit(reading.value)) << reading.text;
  }
}

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
                    IntegerReading{"0000000000000000000042", 42}, IntegerReading{"7:3", 7},
                    IntegerReading{"/3", 0},
                    // Up to nine leading digits are read without the limit: either side of that.
                    IntegerReading{"12345678x", 12345678}, IntegerReading{"123456789", 123456789},
                    IntegerReading{"1234567890", 1234567890}, IntegerReading{"4294967299", INT32_MAX},
                    IntegerReading{"000000001", 1}, IntegerReading{"0000000012.5", 12}));

std::string fixed(double value, int decimals) {
  char text[tamsel::max_number_text];
  return std::string(text, tamsel::write_fixed(text, value, decimals));
}

// The writers of result lines, whose decimals are fixed when compiling; their ASCII units
// narrowed back one for one.
std::string fixed_for_result(double value, int decimals) {
  TamselChar16 text[tamsel::max_number_text];
  TamselChar16* end = text;
  switch (decimals) {
    case 0: end = tamsel::write_fixed<0>(text, value); break;
    case 1: end = tamsel::write_fixed<1>(text, value); break;
    case 2: end = tamsel::write_fixed<2>(text, value); break;
    default: end = tamsel::write_fixed<3>(text, value); break;
  }
  std::string narrow;
  for (const TamselChar16* unit = text; unit != end; ++unit) narrow += static_cast<char>(*unit);
  return narrow;
}

// The standard library's conversions, as references: to_chars and from_chars where it has them
// for double, else the C library's, exact both ways in Emscripten's musl (and the test runs in
// the C locale).
std::string reference_fixed(double value, int decimals) {
  char text[tamsel::max_number_text + 1];
#if defined(__cpp_lib_to_chars)
  const char* end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals).ptr;
  return std::string(text, static_cast<std::size_t>(end - text));
#else
  const int length = std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return std::string(text, static_cast<std::size_t>(length));
#endif
}

double reference_reading(const std::string& text) {
#if defined(__cpp_lib_to_chars)
  double value = 0.0;
  // Out of range, from_chars gives no value; strtod gives the infinity or zero that atof does.
  if (std::from_chars(text.data(), text.data() + text.size(), value).ec == std::errc::result_out_of_range) {
    return std::strtod(text.c_str(), nullptr);
  }
  return value;
#else
  return std::strtod(text.c_str(), nullptr);
#endif
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

// The fast writer splits results under 10^8 into four digit pairs, counts their digits with one
// comparison per power of ten, and takes larger ones two digits a step, up to 2^53.
TEST(FixedNumber, AroundEveryLimitOfTheFastWriter) {
  EXPECT_EQ(fixed(1000000.0, 2), "1000000.00");  // 10^8 once scaled: bmi 1000000 1
  EXPECT_EQ(fixed(999999.99, 2), "999999.99");
  EXPECT_EQ(fixed(100000000.0, 0), "100000000");
  EXPECT_EQ(fixed(99999999.0, 0), "99999999");
  EXPECT_EQ(fixed(9007199254740991.0, 3), "9007199254740991.000");
  EXPECT_EQ(fixed(4503599627370496.0, 0), "4503599627370496");  // 2^52: no bits below the point
  EXPECT_EQ(fixed(0.0625, 3), "0.062");
  EXPECT_EQ(fixed(0x1p-11, 3), "0.000");
  for (int decimals = 0; decimals <= tamsel::max_decimals; ++decimals) {
    for (double power = 1.0; power < 1e17; power *= 10.0) {
      const double value = power / std::pow(10.0, decimals);
      for (const double near : {std::nextafter(value, 0.0), value, std::nextafter(value, 1e300), value - 1.0,
                                value + 1.0, -value}) {
        ASSERT_EQ(fixed(near, decimals), reference_fixed(near, decimals)) << std::hexfloat << near << " " << decimals;
        ASSERT_EQ(fixed_for_result(near, decimals), reference_fixed(near, decimals)) << std::hexfloat << near;
      }
    }
  }
}

TEST(FixedNumber, TheLargestDoubleFitsItsBuffer) {
  const std::string text = fixed(-std::numeric_limits<double>::max(), tamsel::max_decimals);
  EXPECT_EQ(text.size(), tamsel::max_number_text);
  EXPECT_EQ(text.substr(0, 6), "-17976");
  EXPECT_EQ(text.substr(text.size() - 4), ".000");
}

// The fast paths for plain numbers must agree with the general conversions everywhere.
TEST(FixedNumber, AgreesWithTheStandardLibraryOnMillionsOfValues) {
  std::mt19937_64 random(20261208);
  std::uniform_real_distribution<double> everyday(-5000.0, 5000.0);
  std::uniform_int_distribution<std::uint64_t> any_bits;
  std::uniform_int_distribution<int> eighths(-80000, 80000);
  const auto check = [](double value) {
    for (int decimals = 0; decimals <= tamsel::max_decimals; ++decimals) {
      const std::string reference = reference_fixed(value, decimals);
      ASSERT_EQ(fixed(value, decimals), reference) << std::hexfloat << value;
      ASSERT_EQ(fixed_for_result(value, decimals), reference) << std::hexfloat << value << " " << decimals;
    }
  };
  for (int round = 0; round < 100000; ++round) {
    check(everyday(random));
    check(eighths(random) / 8.0);      // exact halves and quarters at every decimal
    check(eighths(random) / 2000.0);   // ties and near-ties at the third decimal
    double value;
    const std::uint64_t bits = any_bits(random);
    std::memcpy(&value, &bits, sizeof value);
    if (!std::isnan(value)) check(value);
  }
  for (const double edge : {9007199254740991.0, 9007199254740992.0, 9007199254740993.0, 4503599627370495.5,
                            0x1p-1074, -0x1p-1022, 0.0005, 0.0015, 2.5, 0.5, -0.5, 1e-300}) {
    check(edge);
  }
}

// Every power of two from 2^53 up, with random mantissas around it: the big-integer writing
// of large magnitudes, at every binary exponent it can meet.
TEST(FixedNumber, WritesEveryLargeMagnitudeExactly) {
  std::mt19937_64 random(53);
  std::uniform_int_distribution<std::uint64_t> mantissa_bits(0, (std::uint64_t{1} << 52) - 1);
  for (std::uint64_t biased_exponent = 1075; biased_exponent < 0x7FF; ++biased_exponent) {
    for (int round = 0; round < 200; ++round) {
      std::uint64_t mantissa = mantissa_bits(random);
      if (round == 0) mantissa = 0;
      if (round == 1) mantissa = (std::uint64_t{1} << 52) - 1;
      const std::uint64_t bits = biased_exponent << 52 | mantissa | (round % 2 == 0 ? 0 : std::uint64_t{1} << 63);
      double value;
      std::memcpy(&value, &bits, sizeof value);
      const int decimals = round % (tamsel::max_decimals + 1);
      ASSERT_EQ(fixed(value, decimals), reference_fixed(value, decimals)) << std::hexfloat << value;
    }
  }
}

TEST(RealArgument, AgreesWithTheStandardLibraryOnMillionsOfDecimals) {
  std::mt19937_64 random(8122026);
  std::uniform_int_distribution<int> digit(0, 9);
  std::uniform_int_distribution<int> length(1, 24);
  for (int round = 0; round < 300000; ++round) {
    std::string text;
    const int integer_digits = length(random) - 1;
    const int fraction_digits = length(random) % 12;
    for (int index = 0; index < integer_digits; ++index) text += static_cast<char>('0' + digit(random));
    if (fraction_digits > 0 || integer_digits == 0) text += '.';
    for (int index = 0; index < fraction_digits || text == "."; ++index) text += static_cast<char>('0' + digit(random));
    ASSERT_EQ(tamsel::read_real(text.c_str()), reference_reading(text)) << text;
  }
}

// Halfway cases that only digits far past the 17th decide, where reading must be exact: half the
// smallest subnormal (2^-1075) goes to 0 and anything above it to the smallest subnormal, even
// a digit past the 800 that are read in full; halfway between the largest double and 2^1024 goes
// to infinity, anything below it to the largest double.
TEST(RealArgument, SettlesHalfwayCasesByEveryDigit) {
  const std::string half_smallest =  // its digits, from 2.47... x 10^-324
      "2470328229206232720882843964341106861825299013071623822127928412503377536351043759326499"
      "1818081799618989828234772285886546332835517796989819938739800539093906315035659515570226"
      "3922908583924491051844359318028499365361525003193704576782492193656236698636584807570015"
      "8576926990370631192827955855133292783433840935197801553124659726357957462276646527282722"
      "0056374006485499977096599470454020828166226237857393450736339007967761930577506740176324"
      "6736009689513405355374585166611342237666786041621596804619144672918403005300575308490487"
      "6539171138659164623952491262365388187963623937328042389101867234849766823508986338858792"
      "5628302755995657524455507255189313690836254779186948667994968324049705821028513185451396"
      "213837722826145437693412532098591327667236328125";
  const std::string halfway_to_overflow =
      "1797693134862315807937289714053034150799341327100378269361737789804449682927647509466490"
      "1797758720709633028641669288791094655554785194040263065748867150582068190890200070838367"
      "6273854845817711531764475730270069855571366959622842914819860834936475292719074168444365"
      "510704342711559699508093042880177904174497792";
  const auto read = [](const std::string& text) { return tamsel::read_real(text.c_str()); };
  const std::string point = half_smallest.substr(0, 1) + "." + half_smallest.substr(1);
  EXPECT_EQ(read(point + "e-324"), 0.0);
  EXPECT_EQ(read(point + "1e-324"), 0x1p-1074);
  EXPECT_EQ(read(point + std::string(100, '0') + "1e-324"), 0x1p-1074);
  EXPECT_EQ(read(point + std::string(100, '0') + "e-324"), 0.0) << "zeros past the 800 digits change nothing";
  EXPECT_EQ(read(halfway_to_overflow), std::numeric_limits<double>::infinity());
  EXPECT_EQ(read(halfway_to_overflow.substr(0, 300) + std::string(9, '0')), std::numeric_limits<double>::max());
  EXPECT_EQ(read("9007199254740993"), 9007199254740992.0);
  EXPECT_EQ(read("9007199254740995"), 9007199254740996.0);
  EXPECT_EQ(read("9007199254740993.000000000000000000000000001"), 9007199254740994.0);
  EXPECT_EQ(read("900719925474099.3e1"), 9007199254740992.0);
}

// Numbers of every length and exponent, out to 900 digits and past both ends of the range,
// against the standard library's reading.
TEST(RealArgument, AgreesWithTheStandardLibraryOnLongNumbersAndExponents) {
  std::mt19937_64 random(20261208);
  std::uniform_int_distribution<int> digit(0, 9);
  std::uniform_int_distribution<int> exponent(-360, 330);
  for (int round = 0; round < 40000; ++round) {
    const int length = round % 50 == 0 ? 1 + static_cast<int>(random() % 900) : 1 + static_cast<int>(random() % 40);
    const int point = static_cast<int>(random() % static_cast<unsigned>(length + 1));
    std::string text;
    for (int index = 0; index < length; ++index) {
      if (index == point) text += '.';
      text += static_cast<char>('0' + digit(random));
    }
    text += "e" + std::to_string(exponent(random) - point);
    ASSERT_EQ(tamsel::read_real(text.c_str()), reference_reading(text)) << text;
  }
}

TEST(IntegerNumber, WritesTheFullRange) {
  char text[11];
  EXPECT_EQ(std::string(text, tamsel::write_integer(text, INT32_MIN)), "-2147483648");
  EXPECT_EQ(std::string(text, tamsel::write_integer(text, 0)), "0");
}

}  // namespace
}  // namespace tamsel_test
