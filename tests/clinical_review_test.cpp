// SPDX-License-Identifier: MIT
// The review as a clinician reads it: no false alarm on a realistic adult population, a word for
// every typing slip a sound rule can tell from a real measurement, children told when an
// equation or a classification is for adults, and low pressures not called normal.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "TamselReview.h"

namespace tamsel_test {
namespace {

TamselRecord record;

const TamselRecord& asked(const std::string& request) {
  tamsel_ask(request.data(), request.size(), &record);
  return record;
}

std::string number(double value) {
  char out[TAMSEL_NUMBER_BYTES];
  return std::string(out, tamsel_write_number(value, 0, out));
}

// Adults as national health surveys and clinics measure them: ages 18 to 100, BMI 13 to 70,
// girths that follow from height and BMI as they do in people, athletes with a narrow waist and
// a broad neck, and the tall and the short. Blood pressures from normal to stage 2.
class Population {
 public:
  explicit Population(std::uint32_t seed) : random_(seed) {}

  std::string next() {
    const bool male = pick(0, 1) == 1;
    double height = tenths(male ? 1580 : 1480, male ? 1960 : 1810);
    switch (pick(0, 9)) {
      case 0: height = tenths(male ? 1960 : 1810, male ? 2100 : 1950); break;  // the tall
      case 1: height = tenths(male ? 1500 : 1400, male ? 1580 : 1480); break;  // the short
      default: break;
    }
    // Mostly 18 to 40; the thin and the severely obese in the tails.
    double bmi = tenths(180, 400);
    if (pick(0, 9) == 0) bmi = tenths(130, 180);
    if (pick(0, 9) == 0) bmi = tenths(400, 700);
    const bool athlete = pick(0, 9) == 0;
    if (athlete) bmi = tenths(220, 320);
    const double weight = round1(bmi * height * height / 10000);
    double whtr = 0.30 + 0.0085 * bmi + tenths(-30, 30) / 1000;
    if (athlete) whtr = pick(400, 460) / 1000.0;
    const double waist = round1(whtr * height);
    const double hip = round1(waist * (male ? tenths(10, 12) : tenths(11, 13)));
    double neck = male ? 30 + 0.35 * bmi + tenths(-20, 20) / 10 : 25 + 0.3 * bmi + tenths(-15, 15) / 10;
    if (athlete) neck += 3;
    neck = round1(neck);
    const int age = pick(18, 100);
    const std::string sex = male ? "M" : "F";
    switch (pick(0, 17)) {
      case 0: return "bmi " + number(weight) + " " + number(height / 100);
      case 1: return "bmr_harris " + sex + " " + number(weight) + " " + number(height) + " " + std::to_string(age);
      case 2: return "bmr_mifflin " + sex + " " + number(weight) + " " + number(height) + " " + std::to_string(age);
      case 3:
        return "bodyfat_navy " + sex + " " + number(waist) + " " + number(neck) + " " + number(height) +
               (male ? "" : " " + number(hip));
      case 4: return "whr " + number(waist) + " " + number(hip);
      case 5: return "ideal_devine " + sex + " " + number(height);
      case 6: return "ideal_robinson " + sex + " " + number(height);
      case 7: return "ideal_miller " + sex + " " + number(height);
      case 8: return "bsa " + number(weight) + " " + number(height);
      case 9: return "lbm " + sex + " " + number(weight) + " " + number(height);
      case 10: return "tdee " + std::to_string(pick(1100, 2600)) + " " + number(tenths(12, 19));
      case 11: return "max_hr " + std::to_string(age);
      case 12: return "target_hr " + std::to_string(age) + " " + std::to_string(pick(50, 90));
      case 13: return "bai " + number(hip) + " " + number(height / 100);
      case 14: return "wthr " + number(waist) + " " + number(height);
      default: {
        const int diastolic = pick(60, 110);
        const int systolic = std::max(90, diastolic + pick(25, 80));
        const char* keyword[] = {"bp_category", "map", "pulse_pressure"};
        return std::string(keyword[pick(0, 2)]) + " " + std::to_string(systolic) + " " + std::to_string(diastolic);
      }
    }
  }

 private:
  int pick(int low, int high) { return low + static_cast<int>(random_() % static_cast<std::uint32_t>(high - low + 1)); }
  double tenths(int low, int high) { return pick(low, high) / 10.0; }
  static double round1(double value) { return std::round(value * 10) / 10; }
  std::mt19937 random_;
};

// The warnings that say a formula fails for a real body (its own limits), not that a request is
// wrong: all that a realistic population may give.
bool is_formula_limit(unsigned bit) {
  return bit == TAMSEL_WARNING_BODY_FAT_BELOW_ESSENTIAL || bit == TAMSEL_WARNING_BODY_FAT_ABOVE_WHOLE ||
         bit == TAMSEL_WARNING_LEAN_MASS_ABOVE_WEIGHT || bit == TAMSEL_WARNING_ADIPOSITY_ABOVE_LIVING ||
         bit == TAMSEL_WARNING_HEIGHT_UNDER_FORMULA;
}

TEST(Population, RealAdultsGetNoWarningButTheirFormulasOwnLimits) {
  Population population(20261210);
  std::map<std::string, int> limits;
  int false_alarms = 0;
  constexpr int requests = 100000;
  for (int index = 0; index < requests; ++index) {
    const std::string request = population.next();
    const TamselRecord& r = asked(request);
    ASSERT_EQ(r.kind, TAMSEL_KIND_RESULT) << request;
    for (unsigned bit = 0; bit < TAMSEL_WARNING_BITS; ++bit) {
      if ((r.warning_codes >> bit & 1u) == 0) continue;
      if (is_formula_limit(bit)) {
        ++limits[tamsel_warning_name(bit)];
      } else if (++false_alarms <= 10) {
        ADD_FAILURE() << request << ": " << r.warnings[0];
      }
    }
  }
  EXPECT_EQ(false_alarms, 0);
  // The formulas' own failures, for the record.
  for (const auto& [name, count] : limits) std::printf("  %s: %d of %d requests\n", name.c_str(), count, requests);
}

// Slips a tired user makes. Each one that a sound rule can tell from a real measurement must
// warn; the others stay silent, and the comment says why no rule can tell them apart.
struct Slip {
  const char* request;
  bool warns;
  const char* why;  // for a silent one: why a real body could have these numbers
};

const Slip slips[] = {
    // Pounds and inches, feet, grams.
    {"bmi 154 69", true, ""},
    {"bsa 154 69", true, ""},
    {"lbm F 132 65", true, ""},
    {"bmr_mifflin M 154 69 30", true, ""},
    {"bmr_harris F 130 64 40", true, ""},
    {"bsa 70 69", true, ""},
    {"lbm M 80 70", true, ""},
    {"bmr_harris M 80 70 30", true, ""},
    {"bmi 154 5.75", true, ""},
    {"bsa 70 5.9", true, ""},
    {"ideal_miller M 5.9", true, ""},
    {"ideal_miller M 69", true, ""},
    {"ideal_devine F 64", true, ""},
    {"bmi 70000 1.75", true, ""},
    {"bmi 154 1.75", false, "154 kg at 1.75 m is a BMI of 50.3, which many living adults have"},
    {"wthr 34 69", false, "a ratio: both girths in inches give the same answer"},
    {"whr 32 40", false, "a ratio: both girths in inches give the same answer"},
    {"bodyfat_navy M 35 15 70", false, "all in inches: a small child's girths and height, in a body's proportions"},
    {"bodyfat_navy F 30 13 65 40", true, ""},
    {"bodyfat_navy M 90 40 71", true, ""},
    {"bai 39 1.75", true, ""},
    // Metres and centimetres crossed.
    {"bmi 70 175", true, ""},
    {"bsa 70 1.75", true, ""},
    {"bai 100 175", true, ""},
    {"ideal_robinson F 1.65", true, ""},
    {"wthr 0.85 170", true, ""},
    {"bodyfat_navy M 0.9 0.4 180", true, ""},
    // Swapped arguments.
    {"wthr 170 85", true, ""},
    {"whr 100 60", true, ""},
    {"bp_category 80 120", true, ""},
    {"map 70 110", true, ""},
    {"bai 1.75 100", true, ""},
    {"bsa 175 70", true, ""},
    {"whr 60 100", false, "a waist of 60 and a hip of 100 is an ordinary body"},
    // Slipped, doubled and dropped digits.
    {"bmi 7 1.75", true, ""},
    {"bmi 700 1.75", true, ""},
    {"bmi 70 17.5", true, ""},
    {"bmi 11 1.75", true, ""},
    {"bsa 15.4 175", true, ""},
    {"bsa 7 175", true, ""},
    {"bsa 70 17", true, ""},
    {"bsa 70 1750", true, ""},
    {"lbm F 6 165", true, ""},
    {"lbm M 8 180", true, ""},
    {"lbm M 800 180", true, ""},
    {"bmr_mifflin F 60 16.5 30", true, ""},
    {"bmr_mifflin F 60 165 3", true, ""},
    {"bmr_harris M 80 180 300", true, ""},
    {"max_hr 3", true, ""},
    {"target_hr 30 7", true, ""},
    {"target_hr 30 0.07", true, ""},
    {"target_hr 3 0.7", true, ""},
    {"tdee 180 1.55", true, ""},
    {"tdee 18000 1.5", true, ""},
    {"tdee 1800 15.5", true, ""},
    {"tdee 1800 0.155", true, ""},
    {"bp_category 12 80", true, ""},
    {"bp_category 120 8", true, ""},
    {"bp_category 1500 90", true, ""},
    {"bp_category 150 15", true, ""},
    {"pulse_pressure 120 118", true, ""},
    {"map 120 800", true, ""},
    {"wthr 85 17", true, ""},
    {"wthr 8.5 170", true, ""},
    {"whr 80 10", true, ""},
    {"bai 100 1.07", true, ""},
    {"bai 1.00 1.75", true, ""},
    {"bai 100 17.5", true, ""},
    {"bodyfat_navy M 90 40 18", true, ""},
    {"bodyfat_navy M 90 4 180", true, ""},
    {"bodyfat_navy M 9 40 180", true, ""},
    {"bodyfat_navy M 90 140 180", true, ""},
    {"bodyfat_navy F 75 33 165 10", true, ""},
    {"bodyfat_navy F 75 33 165 1000", true, ""},
    {"ideal_robinson F 1650", true, ""},
    {"bmi 70 1.57", false, "1.57 m is as real a height as 1.75 m"},
    {"bmi 45 1.75", false, "45 kg at 1.75 m is thin, but a living body"},
    {"bp_category 120 88", false, "120/88 is as real a reading as 120/80"},
    {"bmr_mifflin F 60 165 53", false, "53 is as real an age as 35"},
    // Words: foreign sex words, commas for points, a fraction in a whole number.
    {"lbm Mujer 60 165", true, ""},
    {"bodyfat_navy hombre 90 40 180", true, ""},
    {"ideal_devine Homme 180", true, ""},
    {"ideal_devine mujer 165", true, ""},
    {"bmi 70 1,75", true, ""},
    {"bmi 70,5 1.75", true, ""},
    {"max_hr 30.5", true, ""},
};

TEST(Slips, EverySlipASoundRuleCanTellWarns) {
  int silent = 0;
  for (const Slip& slip : slips) {
    const TamselRecord& r = asked(slip.request);
    EXPECT_EQ(r.warning_count != 0, slip.warns) << slip.request << (r.warning_count != 0 ? ": " : "")
                                                 << (r.warning_count != 0 ? r.warnings[0] : "");
    // A slip that warns is never classed.
    if (slip.warns) {
      EXPECT_EQ(r.category, nullptr) << slip.request;
    }
    if (!slip.warns) ++silent;
  }
  EXPECT_GE(sizeof slips / sizeof slips[0], 60u);
  std::printf("  %zu slips, %d of them silent\n", sizeof slips / sizeof slips[0], silent);
}

// The words of the hints: every unit that fits, and the cause of a formula's failure.
TEST(Slips, HintsNameEveryUnitThatFits) {
  struct Case {
    const char* request;
    const char* warning;
  };
  for (const Case& c : std::vector<Case>{
           {"bmi 70 69", "height_m 69 is outside 0.3 to 2.75; centimetres or inches?"},
           {"bmi 70 175", "height_m 175 is outside 0.3 to 2.75; centimetres?"},
           {"bmi 70 5.75", "height_m 5.75 is outside 0.3 to 2.75; feet?"},
           {"bsa 70 1.75", "height_cm 1.75 is outside 30 to 275; metres?"},
           {"bsa 500 175", "weight_kg 500 is outside 2 to 400; pounds?"},
           {"bsa 154 69", "weight 154 kg and height 69 cm make a BMI of 323.5, outside the 7 to 120 of living bodies; pounds and inches?"},
           {"bsa 15.4 175", "weight 15.4 kg and height 175 cm make a BMI of 5.0, outside the 7 to 120 of living bodies; a slipped digit in the weight?"},
           {"wthr 170 85",
            "waist 170 cm is 2.00 times the height of 85 cm, outside the 0.25 to 1.4 of living bodies; swapped?"},
           {"ideal_miller M 69", "height 69 cm is under the 5 feet (152.4 cm) the Miller formula was made for; height in inches?"},
           {"bodyfat_navy hombre 90 40 180", "sex \"hombre\" is not M, F, male or female; it reads as female"},
       }) {
    const TamselRecord& r = asked(c.request);
    ASSERT_GE(r.warning_count, 1u) << c.request;
    EXPECT_STREQ(r.warnings[0], c.warning) << c.request;
  }
}

// A child's request: an equation from adults warns, naming its source's ages; a classification
// for adults says so in the note every surface shows beside it.
TEST(Children, AreToldWhatIsForAdults) {
  for (const char* request : {"bmi 25 1.30", "bmi 12 0.9", "wthr 55 130", "bodyfat_navy M 55 26 130", "bp_category 100 60",
                              "bmr_mifflin M 30 135 10", "bmr_harris F 20 115 6", "max_hr 8", "target_hr 12 0.7"}) {
    const TamselRecord& r = asked(request);
    const bool noted = r.category_id != TAMSEL_CATEGORY_NONE &&
                       std::strstr(tamsel_category_note(r.category_id), "adults") != nullptr;
    EXPECT_TRUE(r.warning_count != 0 || noted) << request;
  }
  for (int age = 1; age < 18; ++age) {
    const std::string request = "max_hr " + std::to_string(age);
    const TamselRecord& r = asked(request);
    ASSERT_EQ(r.warning_count, 1u) << request;
    EXPECT_EQ(std::string(r.warnings[0]), "age " + std::to_string(age) +
                                              " is a child's: the 220 - age rule comes from adults aged 18 to 81 and "
                                              "was not made for children");
  }
  EXPECT_STREQ(asked("bmr_mifflin M 30 135 10").warnings[0],
               "age 10 is a child's: the Mifflin-St Jeor equation comes from adults aged 19 to 78 and was not made for "
               "children");
  EXPECT_EQ(asked("bmr_mifflin M 70 175 18").warning_count, 0u);  // an adult
}

// Below 90/60 the guideline has no class: "Normal" would be wrong.
TEST(Pressures, LowPressuresWarnAndGetNoCategory) {
  for (const char* request : {"bp_category 60 35", "bp_category 70 40", "bp_category 50 30", "bp_category 85 70",
                              "bp_category 110 55", "bp_category 89 59"}) {
    const TamselRecord& r = asked(request);
    EXPECT_EQ(r.category, nullptr) << request;
    ASSERT_EQ(r.warning_count, 1u) << request;
    EXPECT_NE(std::strstr(r.warnings[0], "under 90/60"), nullptr) << r.warnings[0];
  }
  EXPECT_STREQ(asked("bp_category 90 60").category, "Normal");
  // The crisis category says where this calculator puts it.
  const TamselRecord& crisis = asked("bp_category 180 100");
  EXPECT_STREQ(crisis.category, "Hypertensive crisis");
  EXPECT_NE(std::strstr(tamsel_category_note(crisis.category_id), "180 or more, or diastolic 120 or more"), nullptr);
}

// The calculator's own outputs for real people are plausible inputs of the formula that takes them.
TEST(Population, AnEnergyExpenditureFromTheCalculatorsOwnRatesDoesNotWarn) {
  const TamselRecord& rate = asked("bmr_mifflin F 34.7 119.1 90");
  ASSERT_EQ(rate.warning_count, 0u) << rate.warnings[0];
  const std::string request = "tdee " + std::string(tamsel_record_digits(&rate), rate.digits_size) + " 1.4";
  EXPECT_EQ(asked(request).warning_count, 0u) << request;
}

}  // namespace
}  // namespace tamsel_test
