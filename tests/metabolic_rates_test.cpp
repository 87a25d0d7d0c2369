// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdint>

#include "calc_request.h"
#include "formulas/metabolic_rates.h"

namespace tamsel_test {
namespace {

using tamsel::Sex;

INSTANTIATE_TEST_SUITE_P(
    MetabolicRates, RequestTable,
    testing::Values(
        Exchange{"bmr_harris M 80 180 30", "BMR (Harris-Benedict): 1853.63 calories/day"},
        Exchange{"bmr_harris F 60 165 30", "BMR (Harris-Benedict): 1383.68 calories/day"},
        Exchange{"bmr_harris f 60 165 30", "BMR (Harris-Benedict): 1383.68 calories/day"},
        Exchange{"bmr_harris x 60 165 30", "BMR (Harris-Benedict): 1383.68 calories/day"},
        Exchange{"bmr_harris m 80 180 30.9", "BMR (Harris-Benedict): 1853.63 calories/day"},
        Exchange{"bmr_mifflin M 80 180 30", "BMR (Mifflin-St Jeor): 1780.00 calories/day"},
        Exchange{"bmr_mifflin F 60 165 30", "BMR (Mifflin-St Jeor): 1320.25 calories/day"},
        Exchange{"bmr_mifflin M 80 180 30.9", "BMR (Mifflin-St Jeor): 1780.00 calories/day"},
        Exchange{"tdee 1800 1.55", "Total Daily Energy Expenditure: 2790.00 calories/day"},
        Exchange{"tdee 1800 x", "Total Daily Energy Expenditure: 0.00 calories/day"}));

TEST(MetabolicValues, FollowTheRevisedCoefficients) {
  EXPECT_EQ(tamsel::bmr_harris_benedict(Sex::male, 80, 180, 30), 1853.632);
  EXPECT_EQ(tamsel::bmr_harris_benedict(Sex::female, 60, 165, 30), 1383.6829999999998);
  EXPECT_EQ(tamsel::bmr_mifflin_st_jeor(Sex::male, 80, 180, 30), 1780.0);
  EXPECT_EQ(tamsel::bmr_mifflin_st_jeor(Sex::female, 60, 165, 30), 1320.25);
  EXPECT_EQ(tamsel::total_daily_energy_expenditure(1800, 1.55), 2790.0);
}

TEST(MetabolicValues, FiveTimesTheAgeWrapsIn32Bits) {
  // 5 * 429496730 is 2147483650, which wraps to -2147483646.
  EXPECT_EQ(tamsel::bmr_mifflin_st_jeor(Sex::male, 0, 0, 429496730), 2147483646.0 + 5.0);
  EXPECT_EQ(tamsel::bmr_mifflin_st_jeor(Sex::female, 0, 0, INT32_MIN), -161.0 - (-2147483648.0));
}

}  // namespace
}  // namespace tamsel_test
