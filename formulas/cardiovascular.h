// SPDX-License-Identifier: MIT
// Heart rates and blood-pressure values. Ages and pressures are whole numbers.
#ifndef TAMSEL_FORMULAS_CARDIOVASCULAR_H
#define TAMSEL_FORMULAS_CARDIOVASCULAR_H

#include <cstdint>

namespace tamsel {

double max_heart_rate(std::int32_t age_years);
// An intensity above 1 is a percentage (70), one of 1 or less a fraction (0.7).
double target_heart_rate(std::int32_t age_years, double intensity);
// 0 normal, 1 elevated, 2 high stage 1, 3 high stage 2, 4 hypertensive crisis.
std::int32_t blood_pressure_category(std::int32_t systolic, std::int32_t diastolic);
double mean_arterial_pressure(std::int32_t systolic, std::int32_t diastolic);
double pulse_pressure(std::int32_t systolic, std::int32_t diastolic);

}  // namespace tamsel

#endif
