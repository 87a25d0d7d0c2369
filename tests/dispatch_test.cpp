// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "calc_request.h"

namespace tamsel_test {
namespace {

INSTANTIATE_TEST_SUITE_P(
    UsageLineOfEveryKeyword, RequestTable,
    testing::Values(
        Exchange{"bmi 70", "Usage: bmi [weight_kg] [height_m]"},
        Exchange{"bmi 70 1.75 0", "Usage: bmi [weight_kg] [height_m]"},
        Exchange{"bmr_harris M 80 180", "Usage: bmr_harris [M/F] [weight_kg] [height_cm] [age]"},
        Exchange{"bmr_mifflin M 80 180 30 1", "Usage: bmr_mifflin [M/F] [weight_kg] [height_cm] [age]"},
        Exchange{"bodyfat_navy M 90 40",
                 "Usage: bodyfat_navy [M/F] [waist_cm] [neck_cm] [height_cm] [hip_cm (F only)]"},
        Exchange{"whr", "Usage: whr [waist_cm] [hip_cm]"},
        Exchange{"ideal_devine M", "Usage: ideal_devine [M/F] [height_cm]"},
        Exchange{"ideal_robinson 180", "Usage: ideal_robinson [M/F] [height_cm]"},
        Exchange{"ideal_miller M 180 1", "Usage: ideal_miller [M/F] [height_cm]"},
        Exchange{"bsa 70", "Usage: bsa [weight_kg] [height_cm]"},
        Exchange{"lbm M 80", "Usage: lbm [M/F] [weight_kg] [height_cm]"},
        Exchange{"tdee 1800", "Usage: tdee [bmr] [activity_factor]"},
        Exchange{"max_hr", "Usage: max_hr [age]"},
        Exchange{"max_hr 30 1", "Usage: max_hr [age]"},
        Exchange{"target_hr 30", "Usage: target_hr [age] [intensity_percent]"},
        Exchange{"bai 100", "Usage: bai [hip_cm] [height_m]"},
        Exchange{"wthr 85", "Usage: wthr [waist_cm] [height_cm]"},
        Exchange{"bp_category 120", "Usage: bp_category [systolic] [diastolic]"},
        Exchange{"map 120", "Usage: map [systolic] [diastolic]"},
        Exchange{"pulse_pressure 120 80 1", "Usage: pulse_pressure [systolic] [diastolic]"}));

INSTANTIATE_TEST_SUITE_P(
    BodyFatCountBySex, RequestTable,
    testing::Values(Exchange{"bodyfat_navy M 90 40 180 95", "Male requires: waist, neck, height"},
                    Exchange{"bodyfat_navy m 90 40 180 95 1", "Male requires: waist, neck, height"},
                    Exchange{"bodyfat_navy F 80 35 165", "Female requires: waist, neck, height, hip"},
                    Exchange{"bodyfat_navy x 80 35 165 100 1", "Female requires: waist, neck, height, hip"}));

INSTANTIATE_TEST_SUITE_P(
    KeywordMatching, RequestTable,
    testing::Values(Exchange{"BMI 70 1.75", "BMI: 22.86"}, Exchange{"Max_HR 30", "Maximum Heart Rate: 190 bpm"},
                    Exchange{"foo 1 2", "Unknown formula: foo"},
                    Exchange{"FOO", "Unknown formula: FOO"},
                    Exchange{"bmi2 70 1.75", "Unknown formula: bmi2"},
                    Exchange{"bm 70 1.75", "Unknown formula: bm"},
                    Exchange{"bmx 70 1.75", "Unknown formula: bmx"},
                    Exchange{"hela", "Unknown formula: hela"},
                    // Only letters fold: a byte one case bit away from '_' or '?' is another byte.
                    Exchange{"max\x7Fhr 30", "Unknown formula: max\x7Fhr"},
                    Exchange{"/\x1F", "Unknown formula: /\x1F"},
                    // The keyword goes into the line as text, never as a format.
                    Exchange{"%s%d%.2f%%", "Unknown formula: %s%d%.2f%%"},
                    Exchange{"program.exe", "Unknown formula: program.exe"}));

// The keyword of `request` with its letters in upper case where `upper` says, by position.
std::string keyword_case(const std::string& request, bool (*upper)(std::size_t)) {
  std::string text = request;
  for (std::size_t index = 0; index < text.size() && text[index] != ' '; ++index) {
    const char byte = text[index];
    if (upper(index) && byte >= 'a' && byte <= 'z') text[index] = static_cast<char>(byte - 'a' + 'A');
  }
  return text;
}

// Each letter of every keyword is folded: in capitals, and in two mixed cases that together
// put every position in capitals once.
TEST(KeywordCase, EveryKeywordAnswersInUpperAndMixedCase) {
  for (const char* request :
       {"bmi 70 1.75", "bmr_harris M 80 180 30", "bmr_mifflin F 60 165 30", "bodyfat_navy M 90 40 180",
        "whr 80 100", "ideal_devine M 180", "ideal_robinson F 165", "ideal_miller M 180", "bsa 70 175",
        "lbm M 80 180", "tdee 1800 1.55", "max_hr 30", "target_hr 30 0.7", "bai 100 1.75", "wthr 85 170",
        "bp_category 150 95", "map 120 80", "pulse_pressure 120 80", "help", "-h", "--help"}) {
    const std::string answer = ask(request);
    ASSERT_EQ(answer.rfind("Unknown formula", 0), std::string::npos) << request;
    for (const auto upper : {+[](std::size_t) { return true; }, +[](std::size_t index) { return index % 2 == 0; },
                             +[](std::size_t index) { return index % 2 == 1; }}) {
      const std::string variant = keyword_case(request, upper);
      EXPECT_EQ(ask(variant), answer) << variant;
    }
  }
}

// Keywords are compared a word at a time: a byte changed anywhere in any keyword, to another
// letter or, for the other bytes, to the byte one case bit away, makes it match nothing.
TEST(KeywordCase, EveryByteOfEveryKeywordCounts) {
  for (const std::string keyword :
       {"bmi", "bmr_harris", "bmr_mifflin", "bodyfat_navy", "whr", "ideal_devine", "ideal_robinson",
        "ideal_miller", "bsa", "lbm", "tdee", "max_hr", "target_hr", "bai", "wthr", "bp_category", "map",
        "pulse_pressure", "help", "-h", "--help", "/?"}) {
    for (std::size_t index = 0; index < keyword.size(); ++index) {
      std::string variant = keyword;
      const char byte = keyword[index];
      const bool letter = byte >= 'a' && byte <= 'z';
      variant[index] = letter ? (byte == 'z' ? 'y' : static_cast<char>(byte + 1)) : static_cast<char>(byte ^ 0x20);
      EXPECT_EQ(ask(variant + " 1 2"), "Unknown formula: " + variant) << keyword << " " << index;
    }
  }
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  const std::string separator = answer_line_separator;
  for (std::size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + separator.size()) {
    lines.push_back(text.substr(start, end - start));
  }
  lines.push_back(text.substr(start));
  return lines;
}

TEST(Listing, AnswersEveryHelpWordWhateverFollows) {
  const std::string listing = ask("help");
  for (const char* request : {"HELP", "-h", "-H", "--help", "/?", "help bmi 70", "--Help 1 2 3 4 5 6 7 8 9 10"}) {
    EXPECT_EQ(ask(request), listing) << request;
  }
  EXPECT_EQ(ask("help2"), "Unknown formula: help2");
}

TEST(Listing, Has23LinesOf1362Bytes) {
  const std::vector<std::string> lines = lines_of(ask("help"));
  ASSERT_EQ(lines.size(), 23u);
  std::size_t bytes = 0;
  for (const std::string& line : lines) bytes += line.size();
  EXPECT_EQ(bytes, 1362u);
  EXPECT_EQ(lines.front(), "Available Medical Calculations:");
  EXPECT_EQ(lines[3], "  bodyfat_navy [M/F] [waist] [neck] [height] [hip] - Body Fat % (Navy Method)");
  EXPECT_EQ(lines[19], "  target_hr [age] [intensity_decimal]           - Target Heart Rate");
  EXPECT_EQ(lines.back(), "  pulse_pressure [systolic] [diastolic]         - Pulse Pressure");
}

TEST(Listing, LinesUpItsDashes) {
  const std::vector<std::string> lines = lines_of(ask("help"));
  for (std::size_t index = 0; index < lines.size(); ++index) {
    const std::string& line = lines[index];
    const bool heading = line.compare(0, 2, "  ") != 0;
    EXPECT_EQ(heading, index == 0 || index == 1 || index == 9 || index == 13 || index == 17) << line;
    if (heading) continue;
    const std::size_t column = line.find(" - ") + 2;  // 1-based column of the dash
    const std::size_t expected = index == 3 ? 52 : index == 10 ? 50 : index == 11 ? 51 : 49;
    EXPECT_EQ(column, expected) << line;
  }
}

TEST(Listing, NamesEveryKeyword) {
  const std::string listing = ask("help");
  for (const char* keyword : {"bmi", "bmr_harris", "bmr_mifflin", "bodyfat_navy", "whr", "ideal_devine",
                              "ideal_robinson", "ideal_miller", "bsa", "lbm", "tdee", "max_hr",
                              "target_hr", "bai", "wthr", "bp_category", "map", "pulse_pressure"}) {
    EXPECT_NE(listing.find(std::string("  ") + keyword + " ["), std::string::npos) << keyword;
  }
}

TEST(Banner, IsThreeLinesInOrder) {
  const std::vector<std::string> lines = lines_of(ask(""));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "Tamsel Health Calculator - Command Line Medical Calculator");
  EXPECT_EQ(lines[1], "Usage: program.exe [formula] [parameters...]");
  EXPECT_EQ(lines[2], "Use 'help' or '-h' to see all available formulas");
}

}  // namespace
}  // namespace tamsel_test
