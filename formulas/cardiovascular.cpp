// SPDX-License-Identifier: MIT
#include "../numerics/strict_arithmetic.h"  // first: it governs how everything after it computes

#include "cardiovascular.h"

#include "int32_arithmetic.h"

namespace tamsel {

double max_heart_rate(std::int32_t age_years) {
  return static_cast<double>(wrapping_subtract(220, age_years));
}

double target_heart_rate(std::int32_t age_years, double intensity) {
  // Users type 70 as often as 0.7; 70 times the maximum would be far above any heart rate.
  const double fraction = intensity > 1.0 ? intensity / 100.0 : intensity;
  return max_heart_rate(age_years) * fraction;
}

std::int32_t blood_pressure_category(std::int32_t systolic, std::int32_t diastolic) {
  if (systolic < 120 && diastolic < 80) return 0;
  if (systolic < 130 && diastolic < 80) return 1;
  // Either value alone is enough to reach a higher category, so both must stay under the
  // limits of stage 1, and either may reach those of a crisis.
  if (systolic < 140 && diastolic < 90) return 2;
  if (systolic >= 180 || diastolic >= 120) return 4;
  return 3;
}

double mean_arterial_pressure(std::int32_t systolic, std::int32_t diastolic) {
  constexpr double one_third = 0.3333333333333333;  // multiplied, not divided by 3
  return static_cast<double>(wrapping_subtract(systolic, diastolic)) * one_third +
         static_cast<double>(diastolic);
}

double pulse_pressure(std::int32_t systolic, std::int32_t diastolic) {
  return static_cast<double>(wrapping_subtract(systolic, diastolic));
}

}  // namespace tamsel
