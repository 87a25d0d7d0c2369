// SPDX-License-Identifier: MIT
// The line writer, including what no request reaches, and the short copies it makes.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "calc_request.h"
#include "frame/output_text.h"

namespace tamsel_test {
namespace {

// Emptied, over bytes that are not zero, so that a missing terminator shows.
tamsel::OutputText& emptied(tamsel::OutputText& out) {
  std::memset(out.bytes, '#', sizeof out.bytes);
  tamsel::clear(out);
  return out;
}

std::string text_of(const tamsel::OutputText& out) {
  EXPECT_EQ(out.bytes[out.length], '\0');
  return std::string(out.bytes, out.length);
}

// A format in storage of exactly its size, so that a read past its end is out of bounds.
std::unique_ptr<char[]> exact_copy(const std::string& format) {
  auto copy = std::make_unique<char[]>(format.size() + 1);
  format.copy(copy.get(), format.size());
  copy[format.size()] = '\0';
  return copy;
}

TEST(LineWriter, ConversionsItDoesNotKnowAreCopiedAsTheyStand) {
  struct {
    const char* format;
    const char* line;
  } const cases[] = {
      {"100%", "100%"},   {"%", "%"},           {"50%%", "50%"},    {"%.", "%."},
      {"%.2", "%.2"},     {"%.4f", "%.4f"},     {"%x %d", "%x %d"}, {"%.2f%", "1.50%"},
      {"a%%b%%", "a%b%"}, {"%.9f", "%.9f"},     {"%.2g", "%.2g"},   {"%./f", "%./f"},
  };
  for (const auto& c : cases) {
    tamsel::OutputText out;
    tamsel::write_line(emptied(out), exact_copy(c.format).get(), 1.5);
    EXPECT_EQ(text_of(out), c.line) << c.format;
  }
  tamsel::OutputText out;
  EXPECT_EQ(text_of(emptied(out)), "");
  tamsel::write_line(out, "%s and %d", std::int32_t{7});  // %d takes only an integer, %s only a text
  EXPECT_EQ(text_of(out), "%s and 7");
}

TEST(LineWriter, SeparatesEveryLineFromTheNext) {
  tamsel::OutputText out;
  tamsel::write_line(emptied(out), "a");
  EXPECT_EQ(text_of(out), "a");
  tamsel::write_line(out, "b");
  tamsel::write_line(out, "%d", std::int32_t{-12});
  EXPECT_EQ(text_of(out), joined_lines({"a", "b", "-12"}));
}

TEST(LineWriter, CutsALineLongerThanTheBufferAtItsEnd) {
  const std::string long_text(3000, 'x');
  tamsel::OutputText out;
  tamsel::write_line(emptied(out), "%s", long_text.c_str());
  EXPECT_EQ(out.length, sizeof out.bytes - 1);
  EXPECT_EQ(text_of(out), long_text.substr(0, sizeof out.bytes - 1));
  tamsel::write_line(out, "more");
  EXPECT_EQ(out.length, sizeof out.bytes - 1);

  // A line that starts just before the end keeps what fits, the separator first.
  tamsel::write_line(emptied(out), "%s", long_text.substr(0, sizeof out.bytes - 6).c_str());
  tamsel::write_line(out, "0123456789");
  const std::string expected = long_text.substr(0, sizeof out.bytes - 6) + answer_line_separator + "0123456789";
  EXPECT_EQ(text_of(out), expected.substr(0, sizeof out.bytes - 1));
}

// Pieces of every length that the short-copy helper treats differently (1-3, 4-7, 8-15, 16-32
// and more bytes). The digits of a "%.0f" result end at the end of the writer's scratch
// buffer, so under AddressSanitizer a copy that reads one byte too many is caught.
INSTANTIATE_TEST_SUITE_P(
    ShortCopies, RequestTable,
    testing::Values(Exchange{"pulse_pressure 5 0", "Pulse Pressure: 5 mmHg"},
                    Exchange{"pulse_pressure 12 0", "Pulse Pressure: 12 mmHg"},
                    Exchange{"pulse_pressure 123 0", "Pulse Pressure: 123 mmHg"},
                    Exchange{"pulse_pressure 1234 0", "Pulse Pressure: 1234 mmHg"},
                    Exchange{"pulse_pressure 0 -1234567", "Pulse Pressure: 1234567 mmHg"},
                    Exchange{"pulse_pressure 12345678 0", "Pulse Pressure: 12345678 mmHg"},
                    Exchange{"pulse_pressure 0 1234567890", "Pulse Pressure: -1234567890 mmHg"},
                    Exchange{"target_hr 0 5e13", "Target Heart Rate: 110000000000000 bpm"},
                    Exchange{"target_hr 0 5e14", "Target Heart Rate: 1100000000000000 bpm"},
                    Exchange{"map 120 80", "Mean Arterial Pressure: 93.3 mmHg"},
                    Exchange{"bmi 1000000 1", "BMI: 1000000.00"},
                    Exchange{"whr 1 3", "Waist-Hip Ratio: 0.333"},
                    Exchange{"whr -1.7976931348623157e308 1",
                             "Waist-Hip Ratio: -17976931348623157081452742373170435679807056752584499659891747680315726"
                             "07800285387605895586327668781715404589535143824642343213268894641827684675467035375169"
                             "86049910576551282076245490090389328944075868508455133942304583236903222948165808559332"
                             "123348274797826204144723168738177180919299881250404026184124858368.000"}));

TEST(KeywordEcho, KeywordsOfEveryLength) {
  const std::string letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  for (std::size_t length = 1; length <= letters.size(); ++length) {
    const std::string keyword = letters.substr(letters.size() - length);
    EXPECT_EQ(ask(keyword), "Unknown formula: " + keyword);
  }
}

// A format split when compiled must write exactly what the general writer makes of it, after
// other lines and when the buffer fills up.
template <std::size_t size, typename Value>
void expect_same_line(const char (&format)[size], Value value, std::size_t filled) {
  const auto split = tamsel::result_format(format);
  tamsel::OutputText general;
  tamsel::OutputText fast;
  emptied(general);
  emptied(fast);
  const std::string filler(filled, 'x');
  if (filled > 0) {
    tamsel::write_line(general, filler.c_str());
    tamsel::write_line(fast, filler.c_str());
  }
  tamsel::write_line(general, format, value);
  tamsel::write_line(fast, split, value);
  EXPECT_EQ(text_of(fast), text_of(general)) << format << " after " << filled << " bytes";
}

TEST(ResultFormat, WritesWhatTheGeneralWriterWrites) {
  for (const std::size_t filled : {std::size_t{0}, std::size_t{5}, sizeof(tamsel::OutputText::bytes) - 12,
                                   sizeof(tamsel::OutputText::bytes) - 1}) {
    for (const double value : {22.857142857142858, -0.0, -3.0005, 0.0005, 1e300, HUGE_VAL, -HUGE_VAL, double{NAN}}) {
      expect_same_line("BMI: %.2f", value, filled);
      expect_same_line("Maximum Heart Rate: %.0f bpm", value, filled);
      expect_same_line("Body Surface Area: %.3f m\xB2", value, filled);
      expect_same_line("Body Fat Percentage (Navy Method): %.2f%%", value, filled);
      expect_same_line("%%%.1f%% of 100%%", value, filled);
    }
    for (const std::int32_t value : {0, 3, -2147483647 - 1, 2147483647}) {
      expect_same_line("Blood Pressure Category: %d", value, filled);
      expect_same_line("%d%%", value, filled);
    }
  }
}

// A lone result line of ASCII is written straight into the wide answer. It must be the general
// writer's line widened unit for unit, for every shape of number.
template <std::size_t size>
void expect_same_wide_line(const char (&format)[size], double value) {
  static constexpr std::size_t wide_size = 400;
  const auto split = tamsel::result_format(format);
  ASSERT_TRUE(split.ascii) << format;
  tamsel::OutputText general;
  tamsel::write_line(emptied(general), format, value);
  TamselChar16 wide[wide_size];
  std::fill(std::begin(wide), std::end(wide), TamselChar16{'#'});
  tamsel::OutputText fast;
  emptied(fast).wide = wide;
  tamsel::write_line(fast, split, value);
  ASSERT_TRUE(fast.answered_wide) << format;
  std::u16string widened;
  for (const char byte : text_of(general)) widened.push_back(static_cast<char16_t>(byte));
  std::u16string written;
  for (const TamselChar16* unit = wide; *unit != 0 && written.size() < wide_size; ++unit) {
    written.push_back(static_cast<char16_t>(*unit));
  }
  EXPECT_TRUE(written == widened) << format << " of " << value << ": " << text_of(general);
}

TEST(ResultFormat, WritesTheWideLineTheNarrowOneWidensTo) {
  for (const double value : {22.857142857142858, 0.0, -0.0, -3.0005, 0.0005, 0.5, 1.5, 2.5, 9.995, 99.5,
                             4294967295.5, 4294967296.0, 9007199254740991.0, 9007199254740992.0, 1e300,
                             4.9e-324, HUGE_VAL, -HUGE_VAL, double{NAN}, -double{NAN}}) {
    expect_same_wide_line("BMI: %.2f", value);
    expect_same_wide_line("Maximum Heart Rate: %.0f bpm", value);
    expect_same_wide_line("Waist-Hip Ratio: %.3f", value);
    expect_same_wide_line("Mean Arterial Pressure: %.1f mmHg", value);
    expect_same_wide_line("Body Fat Percentage (Navy Method): %.2f%%", value);
  }
  // Past the first line, and for a byte of the code page's upper half, the narrow text is kept.
  TamselChar16 wide[tamsel::result_text_size] = {};
  tamsel::OutputText out;
  emptied(out).wide = wide;
  tamsel::write_line(out, tamsel::result_format("Body Surface Area: %.3f m\xB2"), 1.845);
  EXPECT_FALSE(out.answered_wide);
  EXPECT_EQ(text_of(out), "Body Surface Area: 1.845 m\xB2");
  tamsel::write_line(out, tamsel::result_format("BMI: %.2f"), 22.86);
  EXPECT_FALSE(out.answered_wide);
  EXPECT_EQ(wide[0], 0);
}

}  // namespace
}  // namespace tamsel_test
