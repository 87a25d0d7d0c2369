// SPDX-License-Identifier: MIT
// The review of answers: how it reads arguments, which answers warn and why, the category of
// every result at each edge of its class, and the record as JSON.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "TamselReview.h"
#include "arguments.h"
#include "calc_request.h"
#include "frame/number_text.h"

namespace tamsel_test {
namespace {

TamselRecord record;  // 8 KB: kept out of the test's stack frame

const TamselRecord& asked(std::string_view request) {
  tamsel_ask(request.data(), request.size(), &record);
  return record;
}

const TamselRecord& reviewed(std::string_view request, std::string_view answer) {
  tamsel_review(request.data(), request.size(), answer.data(), answer.size(), &record);
  return record;
}

std::vector<std::string> warnings_of(const TamselRecord& r) { return {r.warnings, r.warnings + r.warning_count}; }

std::string category_of(const TamselRecord& r) { return r.category != nullptr ? r.category : "(none)"; }

bool same_bits(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
  return std::memcmp(&a, &b, sizeof a) == 0;  // -0.0 is not 0.0
}

TEST(ReviewArguments, TheTableNamesWhatTheUsageLinesName) {
  // A name the review did not know would go unchecked; a wrong order would check the wrong token.
  using tamsel::catalog::formulas;
  for (const tamsel::catalog::Formula& formula : formulas) {
    std::string expected = "Usage: " + std::string(formula.keyword);
    for (std::size_t place = 0; place < formula.argument_count; ++place) {
      expected += " [" + std::string(tamsel::catalog::argument_kind(formula.arguments[place]).name) + "]";
    }
    if (formula.keyword == "bodyfat_navy") expected.insert(expected.size() - 1, " (F only)");
    EXPECT_EQ(ask(std::string_view(formula.keyword)), expected);
  }
}

// The lookup goes by a slot made of a few bytes: every keyword must still be found in any case,
// and a word that shares its slot but not its text must not be.
TEST(ReviewArguments, FindsEveryKeywordInAnyCaseAndNothingElse) {
  using tamsel::catalog::formulas;
  for (std::size_t index = 0; index < tamsel::catalog::formula_count; ++index) {
    const std::string keyword(formulas[index].keyword);
    std::string upper = keyword, mixed = keyword;
    for (std::size_t at = 0; at < keyword.size(); ++at) {
      if (keyword[at] >= 'a' && keyword[at] <= 'z') {
        upper[at] = static_cast<char>(keyword[at] - 'a' + 'A');
        if (at % 2 == 0) mixed[at] = upper[at];
      }
    }
    // A word of more than sixteen bytes, which the search for its end reads in two blocks.
    std::string word = keyword;
    while (word.size() <= 16) word += keyword;
    tamsel::review::Arguments longer;
    tamsel::review::read_arguments(word + " 1 2 3 4 5 6 7 8 9 10 11 12", longer);
    EXPECT_EQ(longer.formula, nullptr) << word;
    for (const std::string& found : {keyword, upper, mixed}) {
      EXPECT_EQ(tamsel::review::find_formula(found), &formulas[index]) << found;
      // Ended by a space or a tab, with many bytes after it or none.
      tamsel::review::Arguments request;
      for (const std::string& rest : {std::string(), std::string(" 1"), std::string("\t1 2 3 4 5 6 7 8 9 10")}) {
        tamsel::review::read_arguments(found + rest, request);
        EXPECT_EQ(request.formula, &formulas[index]) << found + rest;
      }
    }
    // Each byte is compared, the last word's as well as the first's.
    for (std::size_t at = 0; at < keyword.size(); ++at) {
      std::string changed = keyword;
      changed[at] = '-';
      EXPECT_EQ(tamsel::review::find_formula(changed), nullptr) << changed;
    }
    // Same length, second and last byte: the same slot, so only the whole text tells them apart.
    std::string first_changed = keyword;
    first_changed[0] = first_changed[0] == 'x' ? 'y' : 'x';
    std::string middle_changed = keyword;
    if (keyword.size() > 3) middle_changed[2] = '-';
    std::string underscore_folded = keyword;
    for (char& byte : underscore_folded) byte = byte == '_' ? '\x7F' : byte;  // '_' with the case bit set
    for (const std::string& missed : {first_changed, keyword + "s", keyword.substr(1), keyword.substr(0, keyword.size() - 1),
                                      std::string(" ") + keyword}) {
      EXPECT_EQ(tamsel::review::find_formula(missed), nullptr) << missed;
    }
    if (keyword.size() > 3) {
      EXPECT_EQ(tamsel::review::find_formula(middle_changed), nullptr) << middle_changed;
    }
    if (underscore_folded != keyword) {
      EXPECT_EQ(tamsel::review::find_formula(underscore_folded), nullptr) << keyword;
    }
  }
  EXPECT_EQ(tamsel::review::find_formula(""), nullptr);
  EXPECT_EQ(tamsel::review::find_formula("b"), nullptr);
  EXPECT_EQ(tamsel::review::find_formula(std::string(64, 'b')), nullptr);
}

// A warning that names a wrong value is worse than none: the review must read every argument
// exactly as the library does, bit for bit.
TEST(ReviewArguments, ReadEveryTokenAsTheLibraryDoes) {
  for (const std::string token :
       {"70", "1.75", "1,75", "70kg", "175cm", ".5", "5.", ".", "-", "+", "-0", "-0.0", "+1.5", "+-1", "1e5", "1E-3", "1e",
        "1e+", "2.5e2x", "1e400", "-1e400", "1e-400", "4.9e-324", "1.7976931348623159e308", "inf", "-Infinity",
        "INFINITYx", "nan", "-nan", "nan(1)", "nanx", "0x10", "abc", "\v7", "00001.5000", "123456789012345",
        "1234567890123456", "9007199254740993", "0.1000000000000000055511151231257827", "2147483648", "-2147483649",
        "99999999999", "30.9", "1:75", "7\x1b[2J", "\xc3\xa9", "12\xff"}) {
    tamsel::review::Arguments real;
    tamsel::review::read_arguments("bmi " + token + " 1.75", real);
    ASSERT_EQ(real.count, 2u) << token;
    EXPECT_TRUE(same_bits(real.items[0].value, tamsel::read_real(token.c_str()))) << token;
    tamsel::review::Arguments whole;
    tamsel::review::read_arguments("max_hr " + token, whole);
    EXPECT_EQ(whole.items[0].value, static_cast<double>(tamsel::read_integer(token.c_str()))) << token;
  }
}

// An argument is plain, and needs no second look, only when it is wholly digits with at most one
// point, and short enough to be read exactly; a whole number also takes no point.
TEST(ReviewArguments, OnlyWhollyPlainDigitsArePlain) {
  struct Case {
    const char* token;
    bool real_plain;
    bool whole_plain;
  };
  for (const Case& c : std::vector<Case>{{"70", true, true},
                                         {"1.75", true, false},
                                         {".5", true, false},
                                         {"5.", true, false},
                                         {".", false, false},
                                         {"1.2.3", false, false},
                                         {"1,75", false, false},
                                         {"70kg", false, false},
                                         {"-70", false, false},
                                         {"+70", false, false},
                                         {"1e5", false, false},
                                         {"123456789", true, true},
                                         {"1234567890", true, false},
                                         {"123456789012345", true, false},
                                         {"1234567890123456", false, false},
                                         {"12345678901234.5", true, false},
                                         {"12345678901234567890123", false, false},
                                         {"00000000000000000001", false, false}}) {
    for (const char* separator : {" ", "\t", "  \t"}) {
      const std::string request = std::string("bmi") + separator + c.token + separator + "1.75";  // the tokens view it
      tamsel::review::Arguments real;
      tamsel::review::read_arguments(request, real);
      ASSERT_EQ(real.count, 2u) << c.token;
      EXPECT_EQ(real.items[0].token, c.token);
      EXPECT_EQ(real.items[0].plain, c.real_plain) << c.token;
      EXPECT_TRUE(same_bits(real.items[0].value, tamsel::read_real(c.token))) << c.token;
      EXPECT_EQ(real.items[1].token, "1.75");
      tamsel::review::Arguments whole;
      tamsel::review::read_arguments(std::string("max_hr") + separator + c.token, whole);
      ASSERT_EQ(whole.count, 1u) << c.token;
      EXPECT_EQ(whole.items[0].plain, c.whole_plain) << c.token;
      EXPECT_EQ(whole.items[0].value, static_cast<double>(tamsel::read_integer(c.token))) << c.token;
    }
  }
}

// The reader looks at sixteen bytes at a time where it can: every token must read the same
// wherever it falls against those blocks, and a zero byte inside a request is a token byte.
TEST(ReviewArguments, ReadTheSameWhereverTheTokensFall) {
  struct Case {
    std::vector<std::string> tokens;
    std::size_t doubtful;  // how many arguments the library does not read whole
  };
  for (const Case& c : std::vector<Case>{{{"bodyfat_navy", "F", "75", "33", "165", "100"}, 0},
                                         {{"lbm", "male", "60", "165"}, 0},
                                         {{"LBM", "Mujer", "60.123456789012", "1,65"}, 2},
                                         {{"bmi", "70kg", "1.75"}, 1},
                                         {{"max_hr", "30"}, 0},
                                         {{"max_hr", "30.5"}, 1},
                                         {{"bmi", std::string("70\0x", 4), "1.75"}, 1},
                                         // Searches for a token's end that start 15, 16 and 17
                                         // bytes before it, from the first byte no digit.
                                         {{"bmi", "7" + std::string(15, 'x'), "1.75"}, 1},
                                         {{"bmi", "7" + std::string(16, 'x'), "1.75"}, 1},
                                         {{"bmi", "7" + std::string(17, 'x'), "1.75"}, 1},
                                         {{"lbm", "Mujer" + std::string(11, 'r'), "60", "165"}, 1},
                                         {{"lbm", "Mujer" + std::string(12, 'r'), "60", "165"}, 1}}) {
    for (std::size_t lead = 0; lead < 34; ++lead) {
      for (const std::string& gap : {std::string(" "), std::string("\t"), std::string(17, ' ')}) {
        std::string request(lead, lead % 2 == 0 ? ' ' : '\t');
        for (const std::string& token : c.tokens) request += token + gap;
        if (lead % 3 == 0) request.pop_back();  // ended by the last token, or by blanks
        tamsel::review::Arguments read;
        tamsel::review::read_arguments(request, read);
        ASSERT_NE(read.formula, nullptr) << lead;
        ASSERT_EQ(read.count, c.tokens.size() - 1) << lead;
        std::size_t doubtful = 0;
        for (std::size_t index = 0; index < read.count; ++index) {
          const std::string& token = c.tokens[index + 1];
          const tamsel::review::Argument& argument = read.items[index];
          EXPECT_EQ(argument.token, token) << lead;
          // A view of the caller's request, not of a copy.
          EXPECT_GE(argument.token.data(), request.data());
          EXPECT_LE(argument.token.data() + argument.token.size(), request.data() + request.size());
          if (argument.type == tamsel::review::ArgumentType::real) {
            EXPECT_TRUE(same_bits(argument.value, tamsel::read_real(token.c_str()))) << token << " " << lead;
          }
          if (!argument.wholly_read) ++doubtful;
        }
        EXPECT_EQ(doubtful, c.doubtful) << request;
      }
    }
  }
  // The reader keeps the first 4092 bytes, however long the request: a token cut there ends
  // there, whatever followed it.
  const std::string head = "bmi 70";
  const std::string request = head + std::string(4092 - head.size() - 2, ' ') + "1.75 tail";
  tamsel::review::Arguments read;
  tamsel::review::read_arguments(request, read);
  ASSERT_EQ(read.count, 2u);
  EXPECT_EQ(read.items[1].token, "1.");
  EXPECT_EQ(read.items[1].value, 1.0);
}

TEST(ReviewArguments, WarnWhenATokenIsNotWhollyAPlausibleNumber) {
  struct Case {
    const char* request;
    std::vector<std::string> warnings;
  };
  for (const Case& c : std::vector<Case>{
           {"bmi 70 1,75", {"height_m \"1,75\" reads as 1; the decimal point is '.'"}},
           {"bmi 70kg 1.75", {"weight_kg \"70kg\" reads as 70"}},
           {"max_hr 30.9", {"age \"30.9\" reads as 30; it takes whole numbers"}},
           {"max_hr abc", {"age \"abc\" reads as 0, outside 1 to 120"}},
           {"bmi 70 175", {"height_m 175 is outside 0.3 to 2.75; centimetres?"}},
           {"bsa 70 1.75", {"height_cm 1.75 is outside 30 to 275; metres?"}},
           {"bmi 70 175cm", {"height_m \"175cm\" reads as 175, outside 0.3 to 2.75; centimetres?"}},
           {"target_hr 30 20", {"intensity_percent 20 is outside 0.3 to 1 or 30 to 100"}},
           {"bp_category 12 8", {"systolic 12 is outside 50 to 300", "diastolic 8 is outside 20 to 200"}},
           {"lbm Mujer 60 165", {"sex \"Mujer\" is not M, F, male or female; it reads as male"}},
           {"  \tBSA\t70  1.75 ", {"height_cm 1.75 is outside 30 to 275; metres?"}},  // leading blanks, any case
           {"bmi 6.5e1 +1.70", {}},
           {"bmi 2 0.3", {}},  // the bounds belong to the range
           {"bmi 70 2.75", {}},
           {"bmi 70 2.7500001", {"height_m 2.7500001 is outside 0.3 to 2.75"}},
           {"max_hr \f30", {}},  // atoi steps over a form feed and reads the whole token
           {"bmi 70 nan", {"height_m nan is outside 0.3 to 2.75"}},
           {"target_hr 30 1", {}},
           {"target_hr 30 100", {}},
           {"target_hr 30 1.01", {"intensity_percent 1.01 is outside 0.3 to 1 or 30 to 100"}},
           {"ideal_devine FEMALE 165", {}},
           {"ideal_devine male 180", {}},
           {"ideal_devine Man 180", {"sex \"Man\" is not M, F, male or female; it reads as male"}},
           {"bmi 70 1.75000000000000000000000000000000000000000000x",
            {"height_m \"1.75000000000000000000000000000000000000\xE2\x80\xA6\" reads as 1.75"}}}) {
    EXPECT_EQ(warnings_of(asked(c.request)), c.warnings) << c.request;
  }
}

// Each impossible answer says what is wrong in the user's words, and a result it rules out
// gets no category.
TEST(ReviewResults, WarnAboutAnswersNoPersonHas) {
  struct Case {
    const char* request;
    std::string warning;
  };
  for (const Case& c : std::vector<Case>{
           {"bodyfat_navy M 30 40 180", "waist 30 is not above neck 40, so the Navy formula has no answer"},
           {"bodyfat_navy M 40 40 180", "waist 40 is not above neck 40, so the Navy formula has no answer"},
           {"bodyfat_navy F 30 70 165 35", "waist 30 and hip 35 together are not above neck 70, so the Navy formula has no answer"},
           {"ideal_devine F 100",
            "height 100 cm is under the 5 feet (152.4 cm) the Devine formula was made for: below it, the formula runs on "
            "past its data"},
           {"ideal_devine M 70", "height 70 cm is under the 5 feet (152.4 cm) the Devine formula was made for; height in inches?"},
           {"lbm F 2 275",
            "weight 2 kg and height 275 cm make a BMI of 0.3, outside the 7 to 120 of living bodies; a slipped digit in the "
            "height?"},
           {"lbm F 35 175",
            "lean body mass 43.30 kg is more than the body weight of 35 kg: the Boer formula does not hold for a body this "
            "light for its height; check the weight"},
           {"bmr_mifflin F 10 100 120", "the result -36.00 calories/day is below zero, which no person measures; check the arguments"},
           {"bai 30 2.75", "hip 30 cm is 0.11 times the height of 275 cm, outside the 0.35 to 1.6 of living bodies; check both"},
           {"pulse_pressure 80 120", "systolic 80 is below diastolic 120; swapped?"},
           {"map 80 120", "systolic 80 is below diastolic 120; swapped?"},
           {"bp_category 80 120", "systolic 80 is below diastolic 120; swapped?"},
           {"map 90 90", "systolic 90 and diastolic 90 are 0 mmHg apart, closer than any heartbeat gives (10 or more); a digit mistyped?"},
           {"bodyfat_navy M 75 42 195",
            "body fat 1.37% is below the essential fat of a living man (2%): the Navy equation underestimates very lean, "
            "muscular builds; check the waist and the neck"},
           {"bodyfat_navy F 62 36 185 82",
            "body fat 6.20% is below the essential fat of a living woman (10%): the Navy equation underestimates very lean, "
            "muscular builds; check the waist and the neck"},
           {"bodyfat_navy F 200 30 100 200", "hip 200 cm is 2.00 times the height of 100 cm, outside the 0.35 to 1.6 of living bodies; swapped?"},
           {"whr 80 0", "hip_cm 0 is outside 30 to 250"}}) {
    const TamselRecord& r = asked(c.request);
    ASSERT_GE(r.warning_count, 1u) << c.request;
    EXPECT_EQ(std::string(r.warnings[r.warning_count - 1]), c.warning) << c.request;
    EXPECT_EQ(r.category, nullptr) << c.request;
  }
}

TEST(ReviewResults, ANumberThatIsNoNumberWarnsWhenNoArgumentExplainsIt) {
  EXPECT_EQ(warnings_of(reviewed("whr 80 100", "Waist-Hip Ratio: inf")),
            std::vector<std::string>{"the result inf is infinite: an argument is zero?"});
  EXPECT_EQ(warnings_of(reviewed("whr 80 100", "Waist-Hip Ratio: nan")),
            std::vector<std::string>{"the result nan is not a number: an argument is zero, negative or missing?"});
  EXPECT_EQ(warnings_of(reviewed("whr 80 0", "Waist-Hip Ratio: inf")),
            std::vector<std::string>{"hip_cm 0 is outside 30 to 250"});
  // Lean mass may equal the weight (no fat at all is still a body); only more is impossible.
  EXPECT_TRUE(warnings_of(reviewed("lbm M 60 165", "Lean Body Mass: 60.00 kg")).empty());
  EXPECT_EQ(warnings_of(reviewed("lbm M 60 165", "Lean Body Mass: 60.01 kg")).size(), 1u);
}

TEST(ReviewCategories, EveryClassEdgeGoesByThePrintedValue) {
  struct Case {
    const char* request;
    const char* answer;
    const char* category;
  };
  for (const Case& c : std::vector<Case>{
           {"bmi 70 1.75", "BMI: 15.99", "Severe thinness"},
           {"bmi 70 1.75", "BMI: 16.00", "Moderate thinness"},
           {"bmi 70 1.75", "BMI: 16.99", "Moderate thinness"},
           {"bmi 70 1.75", "BMI: 17.00", "Mild thinness"},
           {"bmi 70 1.75", "BMI: 18.49", "Mild thinness"},
           {"bmi 70 1.75", "BMI: 18.50", "Normal range"},
           {"bmi 70 1.75", "BMI: 24.99", "Normal range"},
           {"bmi 70 1.75", "BMI: 25.00", "Pre-obese (overweight)"},
           {"bmi 70 1.75", "BMI: 29.99", "Pre-obese (overweight)"},
           {"bmi 70 1.75", "BMI: 30.00", "Obese class I"},
           {"bmi 70 1.75", "BMI: 34.99", "Obese class I"},
           {"bmi 70 1.75", "BMI: 35.00", "Obese class II"},
           {"bmi 70 1.75", "BMI: 39.99", "Obese class II"},
           {"bmi 70 1.75", "BMI: 40.00", "Obese class III"},
           {"bp_category 115 75", "Blood Pressure Category: 0", "Normal"},
           {"bp_category 115 75", "Blood Pressure Category: 1", "Elevated"},
           {"bp_category 115 75", "Blood Pressure Category: 2", "Hypertension, stage 1"},
           {"bp_category 115 75", "Blood Pressure Category: 3", "Hypertension, stage 2"},
           {"bp_category 115 75", "Blood Pressure Category: 4", "Hypertensive crisis"},
           {"wthr 85 170", "Waist-to-Height Ratio: 0.399", "(none)"},
           {"wthr 85 170", "Waist-to-Height Ratio: 0.400", "Healthy central adiposity"},
           {"wthr 85 170", "Waist-to-Height Ratio: 0.499", "Healthy central adiposity"},
           {"wthr 85 170", "Waist-to-Height Ratio: 0.500", "Increased central adiposity"},
           {"wthr 85 170", "Waist-to-Height Ratio: 0.599", "Increased central adiposity"},
           {"wthr 85 170", "Waist-to-Height Ratio: 0.600", "High central adiposity"},
           {"bodyfat_navy M 90 40 180", "Body Fat Percentage (Navy Method): 5.99%", "Essential fat"},
           {"bodyfat_navy M 90 40 180", "Body Fat Percentage (Navy Method): 6.00%", "Athletes"},
           {"bodyfat_navy m 90 40 180", "Body Fat Percentage (Navy Method): 6.00%", "Athletes"},  // male, as read
           {"bodyfat_navy M 90 40 180", "Body Fat Percentage (Navy Method): 13.99%", "Athletes"},
           {"bodyfat_navy M 90 40 180", "Body Fat Percentage (Navy Method): 14.00%", "Fitness"},
           {"bodyfat_navy M 90 40 180", "Body Fat Percentage (Navy Method): 17.99%", "Fitness"},
           {"bodyfat_navy M 90 40 180", "Body Fat Percentage (Navy Method): 18.00%", "Average"},
           {"bodyfat_navy M 90 40 180", "Body Fat Percentage (Navy Method): 24.99%", "Average"},
           {"bodyfat_navy M 90 40 180", "Body Fat Percentage (Navy Method): 25.00%", "Obese"},
           {"bodyfat_navy F 75 33 165 100", "Body Fat Percentage (Navy Method): 13.99%", "Essential fat"},
           {"bodyfat_navy F 75 33 165 100", "Body Fat Percentage (Navy Method): 14.00%", "Athletes"},
           {"bodyfat_navy F 75 33 165 100", "Body Fat Percentage (Navy Method): 20.99%", "Athletes"},
           {"bodyfat_navy F 75 33 165 100", "Body Fat Percentage (Navy Method): 21.00%", "Fitness"},
           {"bodyfat_navy F 75 33 165 100", "Body Fat Percentage (Navy Method): 24.99%", "Fitness"},
           {"bodyfat_navy F 75 33 165 100", "Body Fat Percentage (Navy Method): 25.00%", "Average"},
           {"bodyfat_navy F 75 33 165 100", "Body Fat Percentage (Navy Method): 31.99%", "Average"},
           {"bodyfat_navy F 75 33 165 100", "Body Fat Percentage (Navy Method): 32.00%", "Obese"},
           {"bsa 70 175", "Body Surface Area: 1.845 m\xC2\xB2", "(none)"},
           {"bmi 70 1.75", "Usage: bmi [weight_kg] [height_m]", "(none)"}}) {
    const TamselRecord& r = reviewed(c.request, c.answer);
    EXPECT_EQ(category_of(r), c.category) << c.answer;
    EXPECT_EQ(r.category_source == nullptr, r.category == nullptr) << c.answer;
  }
  // Through the library: the value printed and its class agree.
  EXPECT_EQ(category_of(asked("bmi 70 1.75")), "Normal range");
  EXPECT_EQ(category_of(asked("bp_category 150 85")), "Hypertension, stage 2");
  EXPECT_EQ(category_of(asked("bmi 70 175")), "(none)");  // a warning leaves the class unnamed
}

TEST(ReviewRecord, ClassifiesAndReadsTheNumberAsPrinted) {
  struct Case {
    const char* answer;
    TamselAnswerKind kind;
    const char* digits;
    const char* unit;
  };
  for (const Case& c : std::vector<Case>{
           {"BMI: 22.86", TAMSEL_KIND_RESULT, "22.86", ""},
           {"Body Fat Percentage (Navy Method): 18.37%", TAMSEL_KIND_RESULT, "18.37", "%"},
           {"Body Surface Area: 1.845 m\xc2\xb2", TAMSEL_KIND_RESULT, "1.845", "m\xc2\xb2"},
           {"Target Heart Rate: -13300 bpm", TAMSEL_KIND_RESULT, "-13300", "bpm"},
           {"BMI: -inf", TAMSEL_KIND_RESULT, "", ""},
           {"Lean Body Mass: nan kg", TAMSEL_KIND_RESULT, "", "kg"},
           {"Lean Body Mass: -0.00 kg", TAMSEL_KIND_RESULT, "-0.00", "kg"},
           {"Mean Arterial Pressure: 93.3 mmHg", TAMSEL_KIND_RESULT, "93.3", "mmHg"},
           {"BMI: 0.1", TAMSEL_KIND_RESULT, "0.1", ""},
           {"BMI: 999999999999.999", TAMSEL_KIND_RESULT, "999999999999.999", ""},  // 15 digits
           {"BMI: 1234567890123456789012.345 kg", TAMSEL_KIND_RESULT, "1234567890123456789012.345", "kg"},
           {"BMI: 7. kg", TAMSEL_KIND_RESULT, "7", ""},
           {"Usage: bmi [weight_kg] [height_m]", TAMSEL_KIND_USAGE, "", ""},
           {"Male requires: waist, neck, height", TAMSEL_KIND_REQUIREMENT, "", ""},
           {"Female requires: waist, neck, height, hip", TAMSEL_KIND_REQUIREMENT, "", ""},
           {"Unknown formula: Usage: x", TAMSEL_KIND_UNKNOWN, "", ""},
           {"Tamsel Health Calculator - Command Line Medical Calculator\r\nUsage: program.exe", TAMSEL_KIND_BANNER, "", ""},
           {"Available Medical Calculations:\nBody Composition:", TAMSEL_KIND_LISTING, "", ""},
           {"Available Medical Calculations: x", TAMSEL_KIND_RESULT, "", ""}}) {
    const TamselRecord& r = reviewed("", c.answer);
    EXPECT_EQ(std::string(tamsel_kind_name(r.kind)), tamsel_kind_name(c.kind)) << c.answer;
    EXPECT_EQ(std::string(tamsel_record_digits(&r), r.digits_size), c.digits) << c.answer;
    EXPECT_EQ(std::string(r.unit), c.unit) << c.answer;
    EXPECT_EQ(r.has_value != 0, *c.digits != '\0') << c.answer;
    // The value is the printed number read correctly rounded, however many digits it has.
    if (r.has_value != 0) {
      EXPECT_TRUE(same_bits(r.value, tamsel::read_real(c.digits))) << c.answer;
    }
  }
  EXPECT_TRUE(same_bits(reviewed("", "Lean Body Mass: -0.00 kg").value, -0.0));
  // The number follows the first ": ", not the first colon; a colon last of all is no label.
  for (const char* answer : {"Ratio 1:2: 0.50", "A:B:C: 0.50", "Q::: 0.50"}) {
    EXPECT_EQ(std::string(tamsel_record_digits(&reviewed("", answer)), reviewed("", answer).digits_size), "0.50") << answer;
  }
  EXPECT_EQ(reviewed("", "BMI:").has_value, 0);
  EXPECT_EQ(reviewed("", "BMI:22.86").has_value, 0);
  // The banner's lines are joined by "\n" whatever the platform parts them with.
  EXPECT_EQ(std::string(reviewed("", "Tamsel Health Calculator - Command Line Medical Calculator\r\nx").text),
            "Tamsel Health Calculator - Command Line Medical Calculator\nx");
}

TEST(ReviewRecord, JsonEscapesWhatItMust) {
  static char json[TAMSEL_REVIEW_JSON_BYTES];
  const TamselRecord& r = asked("say\x01\xc2\x85\xff \"hi\"");
  const std::size_t size = tamsel_record_json(&r, json, sizeof json);
  EXPECT_EQ(std::string(json, size),
            "\"kind\":\"unknown\",\"text\":\"Unknown formula: say\\u0001??\",\"value\":null,\"unit\":\"\","
            "\"warnings\":[],\"category\":null,\"category_source\":null,\"category_note\":null");
  tamsel_record_json(&asked("bp_category 115 75"), json, sizeof json);
  EXPECT_NE(std::string(json).find("\"value\":0,\"unit\":\"\",\"warnings\":[],\"category\":\"Normal\""), std::string::npos);
}

// JSON text goes out eight bytes at a time where it can: every byte that needs escaping must
// be caught wherever it falls in a word, and the bytes at the edges of the range kept as they are.
TEST(ReviewRecord, JsonEscapesEveryByteWhereverItFalls) {
  static char json[TAMSEL_REVIEW_JSON_BYTES];
  const struct {
    std::string byte;
    std::string escaped;
  } cases[] = {
      {"\"", "\\\""}, {"\\", "\\\\"}, {"\n", "\\n"},     {"\t", "\\t"},
      {"\x01", "\\u0001"}, {"\x1f", "\\u001f"}, {"\x7f", "\\u007f"}, {" ", " "},
      {"~", "~"}, {"!", "!"}, {"#", "#"}, {"[", "["}, {"]", "]"}, {"\xc3\xa9", "\xc3\xa9"},
      {"\xc2\x85", "\\u0085"}, {"\xff", "\xef\xbf\xbd"},
  };
  for (const auto& c : cases) {
    for (std::size_t position = 0; position < 20; ++position) {
      const std::string filler = "abcdefghijklmnopqrst";
      const std::string text = filler.substr(0, position) + c.byte + filler.substr(position);
      const std::string answer = "Unknown formula: " + text;
      tamsel_review("", 0, answer.data(), answer.size(), &record);
      const std::string expected = "\"text\":\"Unknown formula: " + filler.substr(0, position) + c.escaped +
                                   filler.substr(position) + "\",";
      const std::string written(json, tamsel_record_json(&record, json, sizeof json));
      EXPECT_NE(written.find(expected), std::string::npos) << written;
    }
  }
}

TEST(ReviewRecord, LongRequestsStayWithinTheRecord) {
  // A keyword of 1023 characters of three UTF-8 bytes each is the longest text there is.
  std::string keyword;
  for (int index = 0; index < 1500; ++index) keyword += "\xe2\x82\xac";  // the euro sign
  const TamselRecord& r = asked(keyword);
  EXPECT_EQ(r.kind, TAMSEL_KIND_UNKNOWN);
  EXPECT_EQ(r.text_size, 17u + 3 * 1023);
  std::string arguments = "bmi 70";
  for (int index = 0; index < 100000; ++index) arguments += " 1";
  EXPECT_EQ(asked(arguments).kind, TAMSEL_KIND_USAGE);
  // About the 2,048 units the widened request is given.
  for (std::size_t size = 2045; size <= 2050; ++size) {
    const TamselRecord& spaced = asked("bmi 70 1.75" + std::string(size - 11, ' '));
    EXPECT_EQ(spaced.kind, TAMSEL_KIND_RESULT) << size;
    EXPECT_EQ(spaced.warning_count, 0u) << size;
  }
}

// A request asked in UTF-8 gives the record the same request in UTF-16 gives, whichever way
// the review comes back to the request's UTF-8.
TEST(ReviewRecord, Utf8AndUtf16RequestsGiveTheSameRecord) {
  static char json8[TAMSEL_REVIEW_JSON_BYTES];
  static char json16[TAMSEL_REVIEW_JSON_BYTES];
  // Longer than the 1023 characters the library reads.
  std::string long_request = "bmi 70" + std::string(1013, ' ') + "1.75xyz";
  std::u16string long_request16 = u"bmi 70" + std::u16string(1013, u' ') + u"1.75xyz";
  const struct {
    std::string utf8;
    std::u16string utf16;
  } cases[] = {
      {"bmi 70 1.75", u"bmi 70 1.75"},
      {"lbm\tMujer 60 165", u"lbm\tMujer 60 165"},
      {std::string("bmi 70\0 1.75", 12), u"bmi 70"},
      {std::string("bmi 70 1.75\0x", 13), u"bmi 70 1.75"},  // the library's request ends at the NUL
      {"bmi 70 1,75", u"bmi 70 1,75"},
      {"bmi 70 1.75\xe2\x82\xac", u"bmi 70 1.75\u20ac"},
      {"lbm \xc3\x89 60 165", u"lbm \u00c9 60 165"},
      {"bmi 70 \xff" "1.75", u"bmi 70 \ufffd1.75"},
      {long_request, long_request16},
  };
  for (const auto& c : cases) {
    tamsel_ask(c.utf8.data(), c.utf8.size(), &record);
    const std::string from_utf8(json8, tamsel_record_json(&record, json8, sizeof json8));
    tamsel_ask16(reinterpret_cast<const TamselChar16*>(c.utf16.c_str()), &record);
    const std::string from_utf16(json16, tamsel_record_json(&record, json16, sizeof json16));
    EXPECT_EQ(from_utf8, from_utf16) << c.utf8.substr(0, 40);
  }
  // The warning reads the argument as typed, so the path taken shows in the record.
  EXPECT_EQ(warnings_of(asked("lbm \xc3\x89 60 165")).size(), 1u);
}

// A caller's own answer may be longer than any the library gives: its text is cut to the
// record's storage, never inside a character, so that it stays well-formed UTF-8.
TEST(ReviewRecord, AnOverLongTextIsCutOnACharacterBoundary) {
  const std::size_t room = TAMSEL_REVIEW_TEXT_BYTES - 1;
  const std::string euro = "\xe2\x82\xac";
  const std::string unknown = "Unknown formula: ";
  const std::string banner = "Tamsel Health Calculator - Command Line Medical Calculator\r\n";
  const struct {
    std::string answer;
    std::size_t size;
  } cases[] = {
      {unknown + std::string(room - unknown.size(), 'a') + euro, room},      // ends where it fits
      {unknown + std::string(room - unknown.size() - 1, 'a') + euro, room - 1},  // one byte in
      {unknown + std::string(room - unknown.size() - 2, 'a') + euro, room - 2},  // two bytes in
      {unknown + std::string(room - unknown.size() - 3, 'a') + euro + "b", room},  // fits whole
      {unknown + std::string(room - unknown.size() - 1, 'a') + "\x80\x80", room},  // stray bytes
      {banner + std::string(room - banner.size(), 'a') + euro, room - 1},  // the CR dropped
  };
  for (const auto& c : cases) {
    tamsel_review("", 0, c.answer.data(), c.answer.size(), &record);
    EXPECT_EQ(record.text_size, c.size) << c.answer.size();
    EXPECT_EQ(std::strlen(record.text), c.size);
  }
}

}  // namespace
}  // namespace tamsel_test
