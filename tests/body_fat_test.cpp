// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "calc_request.h"
#include "formulas/body_fat.h"

namespace tamsel_test {
namespace {

using tamsel::Sex;

INSTANTIATE_TEST_SUITE_P(
    BodyFatAndLeanMass, RequestTable,
    testing::Values(
        Exchange{"bodyfat_navy M 90 40 180", "Body Fat Percentage (Navy Method): 18.37%"},
        Exchange{"bodyfat_navy m 90 40 180", "Body Fat Percentage (Navy Method): 18.37%"},
        Exchange{"bodyfat_navy F 75 33 165 100", "Body Fat Percentage (Navy Method): 29.43%"},
        Exchange{"bodyfat_navy Female 75 33 165 100", "Body Fat Percentage (Navy Method): 29.43%"},
        Exchange{"bodyfat_navy x 80 35 165 100", "Body Fat Percentage (Navy Method): 30.91%"},
        // A neck as wide as the waist, or no height, drives the result to exactly -450.
        Exchange{"bodyfat_navy M 40 40 180", "Body Fat Percentage (Navy Method): -450.00%"},
        Exchange{"bodyfat_navy M 90 40 0", "Body Fat Percentage (Navy Method): -450.00%"},
        Exchange{"bodyfat_navy F 50 150 165 100", "Body Fat Percentage (Navy Method): -450.00%"},
        Exchange{"bodyfat_navy M 40 40 0", "Body Fat Percentage (Navy Method): nan%"},
        Exchange{"bodyfat_navy M 40 50 180", "Body Fat Percentage (Navy Method): nan%"},
        Exchange{"lbm M 80 180", "Lean Body Mass: 61.42 kg"},
        Exchange{"lbm F 60 165", "Lean Body Mass: 44.87 kg"},
        Exchange{"lbm Woman 60 165", "Lean Body Mass: 44.87 kg"}));

TEST(BodyFatValues, MatchThePublishedExamplesToTheLastBit) {
  EXPECT_EQ(tamsel::navy_body_fat_percent(Sex::male, 90, 40, 180, 0), 18.367495150229843);
  EXPECT_EQ(tamsel::navy_body_fat_percent(Sex::female, 75, 33, 165, 100), 29.434237565156366);
  EXPECT_EQ(tamsel::navy_body_fat_percent(Sex::female, 80, 35, 165, 100), 30.914637304782957);
  EXPECT_EQ(tamsel::lean_body_mass(Sex::male, 80, 180), 61.42);
  // Rounding of each product before the sum makes this 44.86500000000001, printed 44.87.
  EXPECT_EQ(tamsel::lean_body_mass(Sex::female, 60, 165), 44.86500000000001);
}

TEST(BodyFatValues, MenIgnoreTheHip) {
  EXPECT_EQ(tamsel::navy_body_fat_percent(Sex::male, 90, 40, 180, 0),
            tamsel::navy_body_fat_percent(Sex::male, 90, 40, 180, 120));
}

}  // namespace
}  // namespace tamsel_test
