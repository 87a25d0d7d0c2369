// SPDX-License-Identifier: MIT
// Requests whose printed answer changes when the compiler fuses a multiply and an add into one
// rounding, as GCC does by default on processors with FMA such as AArch64. The test computes
// the fused forms itself, to show that each request would catch a build that contracts.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "calc_request.h"
#include "frame/buffer_sizes.h"
#include "frame/number_text.h"

namespace tamsel_test {
namespace {

struct OrderSensitive {
  const char* request;
  const char* answer;  // every product and sum rounded on its own, in the order written
  std::string number;  // the number in the answer
  int decimals;
  std::vector<double> fused;  // the same formula with one multiply-add fused
};

std::string fixed(double value, int decimals) {
  char text[tamsel::max_number_text];
  return std::string(text, tamsel::write_fixed(text, value, decimals));
}

std::vector<OrderSensitive> cases() {
  using std::fma;
  const double harris_male = fma(42.0, 13.397, 151.0 * 4.799) + 88.362;
  const double harris_female = fma(42.0, 9.247, 156.0 * 3.098) + 447.593;
  return {
      {"lbm F 60 165", "Lean Body Mass: 44.87 kg", "44.87", 2,
       {fma(165.0, 0.473, 60.0 * 0.252) - 48.3}},
      {"lbm M 30 155", "Lean Body Mass: 34.40 kg", "34.40", 2,
       {fma(155.0, 0.267, 30.0 * 0.407) - 19.2}},
      {"bmr_harris M 42 151 20", "BMR (Harris-Benedict): 1262.14 calories/day", "1262.14", 2,
       {harris_male - 20.0 * 5.677, fma(-20.0, 5.677, harris_male)}},
      {"bmr_harris F 42 156 20", "BMR (Harris-Benedict): 1232.66 calories/day", "1232.66", 2,
       {harris_female - 20.0 * 4.33, fma(-20.0, 4.33, harris_female)}},
      {"bmr_mifflin M 40.1 153.3 30", "BMR (Mifflin-St Jeor): 1214.12 calories/day", "1214.12", 2,
       {fma(40.1, 10.0, 153.3 * 6.25) - 150.0 + 5.0}},
  };
}

TEST(EvaluationOrder, NoMultiplyAddIsFused) {
  for (const OrderSensitive& sensitive : cases()) {
    EXPECT_EQ(ask(sensitive.request), sensitive.answer);
    ASSERT_NE(std::string(sensitive.answer).find(sensitive.number), std::string::npos);
    bool fusing_shows = false;
    for (const double value : sensitive.fused) {
      fusing_shows |= fixed(value, sensitive.decimals) != sensitive.number;
    }
    // Without this the request would not tell a contracting build from a sound one.
    EXPECT_TRUE(fusing_shows) << sensitive.request;
  }
}

}  // namespace
}  // namespace tamsel_test
