// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cmath>

#include "calc_request.h"
#include "formulas/body_indices.h"

namespace tamsel_test {
namespace {

INSTANTIATE_TEST_SUITE_P(
    BodyIndices, RequestTable,
    testing::Values(
        Exchange{"bmi 70 1.75", "BMI: 22.86"},
        Exchange{"whr 80 100", "Waist-Hip Ratio: 0.800"},
        Exchange{"wthr 85 170", "Waist-to-Height Ratio: 0.500"},
        Exchange{"bai 100 1.75", "Body Adiposity Index: 25.20%"},
        Exchange{"bsa 70 175", "Body Surface Area: 1.845 m²"},
        // Text that is no number reads as 0, and the arithmetic goes on.
        Exchange{"bmi abc 1.75", "BMI: 0.00"},
        Exchange{"bmi 70 1.75m", "BMI: 22.86"},
        // Division by zero and roots of negatives print as IEEE values.
        Exchange{"bmi 70 0", "BMI: inf"},
        Exchange{"bmi -70 0", "BMI: -inf"},
        Exchange{"bmi 0 0", "BMI: nan"},
        Exchange{"bai 100 0", "Body Adiposity Index: inf%"},
        Exchange{"bai 100 -1", "Body Adiposity Index: nan%"},
        Exchange{"bsa -70 175", "Body Surface Area: nan m²"},
        // Exact halves at the last decimal round to even, as the binary value says.
        Exchange{"bmi 2 4", "BMI: 0.12"},
        Exchange{"whr -0 5", "Waist-Hip Ratio: -0.000"}));

TEST(BodyIndexValues, AreComputedInTheOrderWritten) {
  EXPECT_EQ(tamsel::body_mass_index(70.0, 1.75), 22.857142857142858);
  EXPECT_EQ(tamsel::waist_hip_ratio(80.0, 100.0), 0.8);
  EXPECT_EQ(tamsel::waist_to_height_ratio(85.0, 170.0), 0.5);
  EXPECT_EQ(tamsel::body_adiposity_index(100.0, 1.75), 25.195939772483108);
  EXPECT_EQ(tamsel::body_surface_area(70.0, 175.0), 1.8446619684315546);
}

TEST(BodyIndexValues, SurfaceAreaMultipliesByTheReciprocalOf3600) {
  // Multiplying by the rounded reciprocal and dividing by 3600 differ in the last bit here.
  const double weight = 1.0;
  const double height = 3.0;
  EXPECT_EQ(tamsel::body_surface_area(weight, height), std::sqrt((weight * height) * 0.0002777777777777778));
  EXPECT_NE(tamsel::body_surface_area(weight, height), std::sqrt((weight * height) / 3600.0));
}

}  // namespace
}  // namespace tamsel_test
