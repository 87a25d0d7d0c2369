// SPDX-License-Identifier: MIT
// The host's own functions: reading arguments as the library does, classifying answers,
// warnings, and text bound for a terminal.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "app/answer_record.h"
#include "app/argument_warnings.h"
#include "app/number_reading.h"
#include "app/terminal_text.h"
#include "calc_request.h"
#include "frame/number_text.h"

namespace tamsel_test {
namespace {

using tamsel_host::AnswerKind;

bool same_reading(double host, double library) {
  if (std::isnan(host) || std::isnan(library)) return std::isnan(host) && std::isnan(library);
  return std::memcmp(&host, &library, sizeof host) == 0;  // -0.0 is not 0.0
}

// A warning that names a wrong value is worse than none: the host must read every argument
// exactly as the library does, bit for bit, whole or not.
TEST(NumberReading, AgreesWithTheLibrary) {
  const std::vector<std::string> tokens = {
      "70", "1.75", "1,75", "70kg", "175cm", ".5", "5.", ".", "-", "+", "-0", "-0.0", "+1.5", "+-1", "-+1",
      "--1", "1e5", "1E-3", "1e", "1e+", "2.5e2x", "1e400", "-1e400", "1e-400", "4.9e-324", "2.4e-324",
      "1.7976931348623157e308", "1.7976931348623159e308", "inf", "-Infinity", "INFINITYx", "nan", "-nan",
      "nan(1)", "nanx", "0x10", "0X1p3", "abc", "\v7", "\f-7.5", "00001.5000", "123456789012345",
      "1234567890123456", "9007199254740993", "0.1000000000000000055511151231257827",
      "123456789012345678901234567890", "0.000000000000000000000000000001", "2147483647", "2147483648",
      "-2147483648", "-2147483649", "99999999999", "30.9", "-30.9", "1 2", "7\x1b[2J", "\xc3\xa9", "12\xff"};
  for (const std::string& token : tokens) {
    const tamsel_host::NumberReading real = tamsel_host::read_real_token(token);
    EXPECT_TRUE(same_reading(real.value, tamsel::read_real(token.c_str()))) << '"' << token << "\" " << real.value;
    const tamsel_host::NumberReading whole = tamsel_host::read_integer_token(token);
    EXPECT_EQ(whole.value, static_cast<double>(tamsel::read_integer(token.c_str()))) << '"' << token << '"';
  }
}

TEST(NumberReading, TellsWhetherTheWholeTokenIsTheNumber) {
  struct Case {
    const char* token;
    bool whole_real;
    bool whole_integer;
  };
  for (const Case& c : std::vector<Case>{{"70", true, true},      {"1.75", true, false},  {"1,75", false, false},
                                         {"70kg", false, false},  {"1e5", true, false},   {"inf", true, false},
                                         {"nan", true, false},    {"-0", true, true},     {"+30", true, true},
                                         {"+-1", false, false},   {"0x10", false, false}, {"abc", false, false},
                                         {"-", false, false},     {".", false, false},    {"1e400", true, false},
                                         {"99999999999", true, true}}) {
    EXPECT_EQ(tamsel_host::read_real_token(c.token).whole, c.whole_real) << c.token;
    EXPECT_EQ(tamsel_host::read_integer_token(c.token).whole, c.whole_integer) << c.token;
  }
}

TEST(AnswerRecord, ClassifiesByTheFirstLine) {
  struct Case {
    const char* answer;
    AnswerKind kind;
    const char* digits;
    const char* unit;
  };
  for (const Case& c : std::vector<Case>{
           {"BMI: 22.86", AnswerKind::result, "22.86", ""},
           {"Body Fat Percentage (Navy Method): 18.37%", AnswerKind::result, "18.37", "%"},
           {"Body Surface Area: 1.845 m\xc2\xb2", AnswerKind::result, "1.845", "m\xc2\xb2"},
           {"Blood Pressure Category: 3", AnswerKind::result, "3", ""},
           {"Target Heart Rate: -13300 bpm", AnswerKind::result, "-13300", "bpm"},
           {"BMI: inf", AnswerKind::result, "", ""},
           {"BMI: -inf", AnswerKind::result, "", ""},
           {"Lean Body Mass: nan kg", AnswerKind::result, "", "kg"},
           {"Lean Body Mass: -0.00 kg", AnswerKind::result, "-0.00", "kg"},
           {"BMR (Harris-Benedict): 1853.63 calories/day", AnswerKind::result, "1853.63", "calories/day"},
           {"Mean Arterial Pressure: 93.3 mmHg", AnswerKind::result, "93.3", "mmHg"},
           {"Usage: bmi [weight_kg] [height_m]", AnswerKind::usage, "", ""},
           {"Male requires: waist, neck, height", AnswerKind::requirement, "", ""},
           {"Female requires: waist, neck, height, hip", AnswerKind::requirement, "", ""},
           {"Unknown formula: Usage: x", AnswerKind::unknown, "", ""},
           {"Unknown formula: a\nb", AnswerKind::unknown, "", ""},
           {"Tamsel Health Calculator - Command Line Medical Calculator\r\nUsage: program.exe", AnswerKind::banner, "", ""},
           {"Available Medical Calculations:\nBody Composition:", AnswerKind::listing, "", ""},
           {"Available Medical Calculations: x", AnswerKind::result, "", "x"}}) {
    const AnswerKind kind = tamsel_host::classify_answer(c.answer);
    EXPECT_EQ(tamsel_host::kind_name(kind), tamsel_host::kind_name(c.kind)) << c.answer;
    if (kind != AnswerKind::result) continue;
    const tamsel_host::ResultNumber number = tamsel_host::read_result_number(c.answer);
    EXPECT_EQ(number.digits, c.digits) << c.answer;
    EXPECT_EQ(number.unit, c.unit) << c.answer;
  }
}

TEST(AnswerRecord, JsonAndCsvEscapeWhatTheyMust) {
  const std::vector<std::string> warnings = {"a \"quoted\" one", "two"};
  const std::string request = "say \"hi\",\\ \x01\x7f\xc2\x85\xff";
  const std::string listing = "Available Medical Calculations:\r\nBody Composition:";
  std::string json;
  tamsel_host::append_json_record({7, request, AnswerKind::listing, listing, warnings}, json);
  EXPECT_EQ(json,
            "{\"line\":7,\"request\":\"say \\\"hi\\\",\\\\ \\u0001\\u007f\\u0085\xef\xbf\xbd\",\"kind\":\"listing\","
            "\"text\":\"Available Medical Calculations:\\nBody Composition:\",\"value\":null,\"unit\":\"\","
            "\"warnings\":[\"a \\\"quoted\\\" one\",\"two\"]}");
  std::string csv;
  tamsel_host::append_csv_record({7, request, AnswerKind::listing, listing, warnings}, csv);
  EXPECT_EQ(csv,
            "7,\"say \"\"hi\"\",\\ \x01\x7f\xc2\x85\xef\xbf\xbd\",listing,"
            "\"Available Medical Calculations:\nBody Composition:\",,,\"a \"\"quoted\"\" one; two\"");
}

TEST(ArgumentWarnings, EveryArgumentOfEveryUsageLineHasARule) {
  // The library names the arguments; a name the host has no rule for would go unchecked.
  for (const char* keyword : {"bmi", "bmr_harris", "bmr_mifflin", "bodyfat_navy", "whr", "ideal_devine",
                              "ideal_robinson", "ideal_miller", "bsa", "lbm", "tdee", "max_hr", "target_hr", "bai",
                              "wthr", "bp_category", "map", "pulse_pressure"}) {
    const std::vector<std::string> names = tamsel_host::argument_names(ask(std::string_view(keyword)));
    EXPECT_FALSE(names.empty()) << keyword;
    for (const std::string& name : names) {
      EXPECT_NE(tamsel_host::find_argument_rule(name), nullptr) << keyword << " " << name;
    }
  }
  EXPECT_EQ(tamsel_host::argument_names("Usage: bodyfat_navy [M/F] [waist_cm] [neck_cm] [height_cm] [hip_cm (F only)]"),
            (std::vector<std::string>{"M/F", "waist_cm", "neck_cm", "height_cm", "hip_cm"}));
  EXPECT_TRUE(tamsel_host::argument_names("BMI: 22.86").empty());
}

TEST(ArgumentWarnings, RangesIncludeTheirBounds) {
  struct Case {
    const char* name;
    const char* token;
    bool warned;
  };
  for (const Case& c : std::vector<Case>{{"height_m", "0.3", false},       {"height_m", "2.75", false},
                                         {"height_m", "0.29999", true},    {"height_m", "2.7500001", true},
                                         {"height_m", "nan", true},        {"height_m", "-inf", true},
                                         {"intensity_percent", "1", false}, {"intensity_percent", "1.01", true},
                                         {"intensity_percent", "30", false}, {"intensity_percent", "100", false},
                                         {"intensity_percent", "0.29", true}, {"age", "120", false},
                                         {"age", "120.5", true},          {"age", "0", true},
                                         {"M/F", "male", false},          {"M/F", "FEMALE", false},
                                         {"M/F", "Man", true},            {"M/F", "mf", true},
                                         {"unnamed", "7", false},         {"unnamed", "7x", true}}) {
    std::vector<std::string> warnings;
    tamsel_host::check_argument(c.name, tamsel_host::find_argument_rule(c.name), c.token, warnings);
    EXPECT_EQ(!warnings.empty(), c.warned) << c.name << " " << c.token;
  }
}

TEST(ArgumentWarnings, TheCheckerKeepsKeywordsApartInEitherCase) {
  tamsel_host::ArgumentChecker checker;
  std::vector<std::string> warnings;
  // Every keyword in both cases, twice: the learned names must not mix keywords up.
  for (int round = 0; round < 2; ++round) {
    for (const char* request : {"bmi 70 175", "BMI 70 175", "bsa 70 1.75", "Bsa 70 1.75", "max_hr 30.5",
                                "lbm Mujer 60 165", "target_hr 30 20", "bp_category 12 8"}) {
      checker.check(request, warnings);
    }
  }
  const std::vector<std::string> once = {
      "height_m 175 is outside 0.3 to 2.75; centimetres?",
      "height_m 175 is outside 0.3 to 2.75; centimetres?",
      "height_cm 1.75 is outside 30 to 275; metres?",
      "height_cm 1.75 is outside 30 to 275; metres?",
      "age \"30.5\" reads as 30; it takes whole numbers",
      "sex \"Mujer\" is not M, F, male or female; it reads as male",
      "intensity_percent 20 is outside 0.3 to 1 and 30 to 100",
      "systolic 12 is outside 50 to 300",
      "diastolic 8 is outside 20 to 200"};
  std::vector<std::string> twice = once;
  twice.insert(twice.end(), once.begin(), once.end());
  EXPECT_EQ(warnings, twice);
}

TEST(TerminalText, ShowsControlCharactersInsteadOfSendingThem) {
  struct Case {
    const char* text;
    bool keep_line_breaks;
    const char* shown;
  };
  for (const Case& c : std::vector<Case>{
           {"Unknown formula: \x1b]0;pwned\x07", false, "Unknown formula: ^[]0;pwned^G"},
           {"a\tb", false, "a\tb"},
           {"a\nb\r\nc", false, "a^Jb^M^Jc"},
           {"a\nb\r\nc\rd", true, "a\nb\r\nc^Md"},
           {"\x7f\x01", false, "^?^A"},
           {"\xc2\x9b" "31m \xc2\x85", false, "\xef\xbf\xbd" "31m \xef\xbf\xbd"},  // C1 controls
           {"caf\xc3\xa9 m\xc2\xb2 \xe2\x82\xac", false, "caf\xc3\xa9 m\xc2\xb2 \xe2\x82\xac"},
           {"\xff\x9b\xe2\x82", false, "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd"}}) {
    std::string shown;
    tamsel_host::append_visible(c.text, c.keep_line_breaks, shown);
    EXPECT_EQ(shown, c.shown) << c.text;
  }
}

TEST(TerminalText, DropsTheEscapeSequencesThatKeysSend) {
  struct Case {
    const char* typed;
    const char* kept;
    bool removed;
  };
  for (const Case& c : std::vector<Case>{{"bmi 70 1.75", "bmi 70 1.75", false},
                                         {"\x1b[A", "", true},                    // Up
                                         {"max_hr 30\x1b[D\x1b[C", "max_hr 30", true},
                                         {"\x1b[1;5Cbmi", "bmi", true},           // Ctrl+Right
                                         {"\x1b[15~map", "map", true},            // F5
                                         {"\x1bOPmap\x1bOH", "map", true},         // F1, Home
                                         {"\x1b\x1b[Amap", "map", true},          // Alt+Up
                                         {"\x1bxmap", "map", true},               // Alt+x
                                         {"\x1b]0;t\x07", "0;t\x07", true},       // no key sends OSC
                                         {"map\x1b[1;5", "map", true},            // cut short
                                         {"map\x1b", "map", true},
                                         {"map\x1bO", "map", true},
                                         {"caf\xc3\xa9\x1b[C", "caf\xc3\xa9", true}}) {
    std::string line = c.typed;
    EXPECT_EQ(tamsel_host::strip_escape_sequences(line), c.removed) << c.typed;
    EXPECT_EQ(line, c.kept) << c.typed;
  }
}

}  // namespace
}  // namespace tamsel_test
