// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "calc_request.h"
#include "formulas/ideal_weight.h"

namespace tamsel_test {
namespace {

using tamsel::Sex;

INSTANTIATE_TEST_SUITE_P(
    IdealWeight, RequestTable,
    testing::Values(
        Exchange{"ideal_devine M 180", "Ideal Weight (Devine): 74.99 kg"},
        Exchange{"ideal_devine F 165", "Ideal Weight (Devine): 56.91 kg"},
        Exchange{"ideal_robinson M 180", "Ideal Weight (Robinson): 72.65 kg"},
        Exchange{"ideal_robinson F 165", "Ideal Weight (Robinson): 57.43 kg"},
        Exchange{"ideal_miller M 180", "Ideal Weight (Miller): 71.52 kg"},
        Exchange{"ideal_miller F 165", "Ideal Weight (Miller): 59.85 kg"},
        Exchange{"ideal_miller f 165", "Ideal Weight (Miller): 59.85 kg"},
        Exchange{"ideal_miller X 165", "Ideal Weight (Miller): 59.85 kg"},
        Exchange{"ideal_devine M 152.4", "Ideal Weight (Devine): 50.00 kg"},
        // No lower limit: five feet is no floor, and no height at all gives a negative weight.
        Exchange{"ideal_devine M 0", "Ideal Weight (Devine): -88.00 kg"},
        Exchange{"ideal_devine m tall", "Ideal Weight (Devine): -88.00 kg"}));

TEST(IdealWeightValues, MultiplyByTheReciprocalOfAnInch) {
  EXPECT_EQ(tamsel::ideal_weight_devine(Sex::male, 180), 74.99212598425194);
  // 152.4 cm is exactly 60 inches in double precision, so the base comes out whole.
  EXPECT_EQ(tamsel::ideal_weight_devine(Sex::male, 152.4), 50.0);
  EXPECT_EQ(tamsel::ideal_weight_robinson(Sex::female, 152.4), 49.0);
  EXPECT_EQ(tamsel::ideal_weight_miller(Sex::male, 152.4), 56.2);
}

}  // namespace
}  // namespace tamsel_test
