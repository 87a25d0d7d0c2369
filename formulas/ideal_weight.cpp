// SPDX-License-Identifier: MIT
#include "../numerics/strict_arithmetic.h"  // first: it governs how everything after it computes

#include "ideal_weight.h"

namespace tamsel {
namespace {

// All three formulas are a base weight at five feet plus a weight per inch above it. There is
// no lower limit: a height under five feet gives less than the base.
double weight_over_five_feet(double height_cm, double kg_per_inch, double base_kg) {
  constexpr double inches_per_cm = 0.39370078740157477;  // 1 / 2.54, multiplied
  const double inches = height_cm * inches_per_cm;
  const double excess = inches - 60.0;
  return excess * kg_per_inch + base_kg;
}

}  // namespace

double ideal_weight_devine(Sex sex, double height_cm) {
  return sex == Sex::male ? weight_over_five_feet(height_cm, 2.3, 50.0)
                          : weight_over_five_feet(height_cm, 2.3, 45.5);
}

double ideal_weight_robinson(Sex sex, double height_cm) {
  return sex == Sex::male ? weight_over_five_feet(height_cm, 1.9, 52.0)
                          : weight_over_five_feet(height_cm, 1.7, 49.0);
}

double ideal_weight_miller(Sex sex, double height_cm) {
  return sex == Sex::male ? weight_over_five_feet(height_cm, 1.41, 56.2)
                          : weight_over_five_feet(height_cm, 1.36, 53.1);
}

}  // namespace tamsel
