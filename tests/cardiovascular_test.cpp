// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdint>

#include "calc_request.h"
#include "formulas/cardiovascular.h"

namespace tamsel_test {
namespace {

INSTANTIATE_TEST_SUITE_P(
    HeartRates, RequestTable,
    testing::Values(
        Exchange{"max_hr 30", "Maximum Heart Rate: 190 bpm"},
        Exchange{"max_hr 30.9", "Maximum Heart Rate: 190 bpm"},
        Exchange{"max_hr 250", "Maximum Heart Rate: -30 bpm"},
        Exchange{"target_hr 30 0.7", "Target Heart Rate: 133 bpm"},
        // A percentage means the same as the fraction.
        Exchange{"target_hr 30 70", "Target Heart Rate: 133 bpm"},
        Exchange{"target_hr 30 1", "Target Heart Rate: 190 bpm"},
        Exchange{"target_hr 30 100", "Target Heart Rate: 190 bpm"},
        // Only an intensity of 1 or less is a fraction: just above it is a (tiny) percentage.
        Exchange{"target_hr 30 1.0000001", "Target Heart Rate: 2 bpm"},
        Exchange{"target_hr 30 1.05", "Target Heart Rate: 2 bpm"},
        Exchange{"target_hr 30 1.1", "Target Heart Rate: 2 bpm"},
        // 92.5 lies exactly halfway and rounds to even.
        Exchange{"target_hr 35 0.5", "Target Heart Rate: 92 bpm"}));

INSTANTIATE_TEST_SUITE_P(
    Pressures, RequestTable,
    testing::Values(
        Exchange{"map 120 80", "Mean Arterial Pressure: 93.3 mmHg"},
        Exchange{"pulse_pressure 120 80", "Pulse Pressure: 40 mmHg"},
        Exchange{"pulse_pressure 80 120", "Pulse Pressure: -40 mmHg"},
        Exchange{"map 80 120", "Mean Arterial Pressure: 106.7 mmHg"},
        Exchange{"bp_category 120.9 79.9", "Blood Pressure Category: 1"},
        Exchange{"bp_category high low", "Blood Pressure Category: 0"}));

struct Category {
  std::int32_t systolic;
  std::int32_t diastolic;
  std::int32_t category;
};

class BloodPressureCategory : public testing::TestWithParam<Category> {};

TEST_P(BloodPressureCategory, NeverFallsAsAPressureRises) {
  const Category c = GetParam();
  EXPECT_EQ(tamsel::blood_pressure_category(c.systolic, c.diastolic), c.category)
      << c.systolic << "/" << c.diastolic;
}

INSTANTIATE_TEST_SUITE_P(
    Thresholds, BloodPressureCategory,
    testing::Values(Category{115, 75, 0}, Category{125, 75, 1}, Category{120, 80, 2},
                    Category{130, 79, 2}, Category{135, 85, 2}, Category{150, 85, 3},
                    Category{200, 70, 4}, Category{150, 95, 3}, Category{185, 100, 4},
                    Category{185, 125, 4}, Category{139, 89, 2}, Category{140, 89, 3},
                    Category{139, 90, 3}, Category{179, 119, 3}, Category{180, 60, 4},
                    Category{110, 120, 4},
                    // Each limit of the two lower categories, from both sides.
                    Category{119, 79, 0}, Category{120, 79, 1}, Category{119, 80, 2}, Category{129, 79, 1},
                    Category{129, 80, 2}, Category{INT32_MIN, INT32_MIN, 0},
                    Category{INT32_MAX, INT32_MAX, 4}));

TEST(CardiovascularValues, DifferencesWrapIn32Bits) {
  // 220 - (-2147483647) wraps to -2147483429.
  EXPECT_EQ(tamsel::max_heart_rate(-2147483647), -2147483429.0);
  EXPECT_EQ(tamsel::pulse_pressure(INT32_MAX, -1), -2147483648.0);
  EXPECT_EQ(tamsel::pulse_pressure(INT32_MIN, 1), 2147483647.0);
}

TEST(CardiovascularValues, MeanArterialPressureMultipliesByAThird) {
  EXPECT_EQ(tamsel::mean_arterial_pressure(120, 80), 93.33333333333333);
  EXPECT_EQ(tamsel::target_heart_rate(30, 0.7), 133.0);
  EXPECT_EQ(tamsel::target_heart_rate(30, 70), 133.0);
}

}  // namespace
}  // namespace tamsel_test
