// SPDX-License-Identifier: MIT
#include "../numerics/strict_arithmetic.h"  // first: it governs how everything after it computes

#include "metabolic_rates.h"

#include "int32_arithmetic.h"

namespace tamsel {

double bmr_harris_benedict(Sex sex, double weight_kg, double height_cm, std::int32_t age_years) {
  const double age = static_cast<double>(age_years);
  if (sex == Sex::male) {
    double s = weight_kg * 13.397 + height_cm * 4.799;
    s = s + 88.362;
    return s - age * 5.677;
  }
  double s = weight_kg * 9.247 + height_cm * 3.098;
  s = s + 447.593;
  return s - age * 4.33;
}

double bmr_mifflin_st_jeor(Sex sex, double weight_kg, double height_cm, std::int32_t age_years) {
  double s = weight_kg * 10.0 + height_cm * 6.25;
  s = s - static_cast<double>(wrapping_multiply(5, age_years));
  return sex == Sex::male ? s + 5.0 : s - 161.0;
}

double total_daily_energy_expenditure(double bmr, double activity_factor) {
  return bmr * activity_factor;
}

}  // namespace tamsel
