// SPDX-License-Identifier: MIT
// Whatever a host passes must get a sound answer: limits, every code unit, a foreign locale.
#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <vector>

#include "calc_request.h"
#include "frame/text_conversion.h"

namespace tamsel_test {
namespace {

struct CutCase {
  std::string request;
  std::string answer;
};

std::string padded(const std::string& head, std::size_t length, const std::string& tail) {
  return head + std::string(length - head.size() - tail.size(), ' ') + tail;
}

// Lines of 1,023, 1,024 and 1,025 bytes, with the 1023-byte cut on a delimiter, inside an
// argument and inside the keyword.
std::vector<CutCase> cut_cases() {
  const std::string usage = "Usage: bmi [weight_kg] [height_m]";
  const std::string keyword(1023, 'k');
  return {
      {padded("bmi 70", 1023, "1.75"), "BMI: 22.86"},          // nothing cut
      {padded("bmi 70", 1024, "1.75 "), "BMI: 22.86"},         // cut on a delimiter
      {padded("bmi 70", 1025, "1.75 9"), "BMI: 22.86"},        // a whole token after the cut goes
      {padded("bmi 70", 1024, "1.75"), usage},                 // cut inside the height
      {padded("bmi 70", 1025, "1.75"), usage},
      {padded("bmi 70 1.75", 1024, "99"), usage},              // cut inside one argument too many
      {padded("max_hr", 1024, "300"), "Usage: max_hr [age]"},  // cut inside the only argument
      {keyword, "Unknown formula: " + keyword},                // a keyword of exactly 1023 bytes
      {keyword + "k", "Unknown formula: " + keyword},          // cut inside the keyword
      {keyword + "kk 1", "Unknown formula: " + keyword},
      {keyword + " 1", "Unknown formula: " + keyword},
      // What the cut leaves of a keyword may spell another one; it still matches nothing.
      {std::string(1020, ' ') + "bmix 70 1.75", "Unknown formula: bmi"},
      {std::string(1019, ' ') + "helpx", "Unknown formula: help"},
      {std::string(1017, '\t') + "max_hr0\t30", "Unknown formula: max_hr"},
      {std::string(1018, ' ') + "\t \t-hx", "Unknown formula: -h"},
      // A keyword that ends with the 1023rd byte, or just before it, is whole.
      {std::string(1020, ' ') + "bmi", usage},
      {std::string(1020, '\t') + "bmi\t70 1.75", usage},
      {std::string(1019, ' ') + "help", ask("help")},
  };
}

TEST(CommandLineLimit, CutsAt1023BytesWithoutComputingFromAPartialNumber) {
  for (const CutCase& cut : cut_cases()) {
    EXPECT_EQ(ask(cut.request), cut.answer) << cut.request.size() << " bytes";
  }
}

// Every code unit alone is a keyword of one character: it matches nothing, and the answer
// echoes its narrow form, unless that form is a delimiter and the line holds no token at all.
TEST(EveryCodeUnit, IsAnsweredAsAnUnknownFormula) {
  const std::string banner = ask("");
  int failures = 0;
  for (unsigned unit = 1; unit <= 0xFFFF && failures < 10; ++unit) {
    const TamselChar16 request[2] = {static_cast<TamselChar16>(unit), 0};
    char narrow[4];
    const std::size_t length = tamsel::narrow_from_wide(request, narrow, 3);
    std::string expected = banner;
    if (!(length == 1 && (narrow[0] == ' ' || narrow[0] == '\t'))) {
      TamselChar16 echo[4];
      tamsel::wide_from_narrow(narrow, length, echo, 4);
      expected = "Unknown formula: " + utf8_text(echo);
    }
    const std::string answer = utf8_text(CalcHealth(request));
    if (answer != expected) {
      ADD_FAILURE() << "U+" << std::hex << unit << ": " << answer;
      ++failures;
    }
  }
}

TEST(EveryCodeUnit, OutsideTheCodePageBecomesAQuestionMark) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows maps some characters to look-alikes instead";
#else
  for (unsigned unit : {0x0080u, 0x0100u, 0x2000u, 0x4E2Du, 0xD800u, 0xDFFFu, 0xFFFDu, 0xFFFFu}) {
    const TamselChar16 request[2] = {static_cast<TamselChar16>(unit), 0};
    EXPECT_EQ(utf8_text(CalcHealth(request)), "Unknown formula: ?") << std::hex << unit;
  }
#endif
}

// A host with a comma as its decimal point must get the same answers.
class CommaDecimalLocale : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "nl_NL.UTF-8", "ru_RU.UTF-8",
                             "German_Germany.1252", "de-DE"}) {
      if (std::setlocale(LC_ALL, name) != nullptr && *std::localeconv()->decimal_point == ',') {
        return;
      }
    }
    std::setlocale(LC_ALL, "C");
    GTEST_SKIP() << "no comma-decimal locale on this machine: generate one with "
                    "'localedef -i de_DE -f UTF-8 de_DE.UTF-8' to run this test";
  }
  void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

TEST_F(CommaDecimalLocale, ChangesNoAnswer) {
  char text[16];
  std::snprintf(text, sizeof text, "%.2f", 1.5);
  ASSERT_STREQ(text, "1,50") << "the locale is in force for the C library";
  EXPECT_EQ(ask("bmi 70 1.75"), "BMI: 22.86");
  EXPECT_EQ(ask("bmi 70 1,75"), "BMI: 70.00");
  EXPECT_EQ(ask("map 120 80"), "Mean Arterial Pressure: 93.3 mmHg");
  EXPECT_EQ(ask("bsa 70 175"), "Body Surface Area: 1.845 m\u00B2");
  EXPECT_EQ(ask("tdee 1800 1.55"), "Total Daily Energy Expenditure: 2790.00 calories/day");
}

}  // namespace
}  // namespace tamsel_test
