// SPDX-License-Identifier: MIT
// Basal metabolic rates and daily energy expenditure, in kilocalories per day.
#ifndef TAMSEL_FORMULAS_METABOLIC_RATES_H
#define TAMSEL_FORMULAS_METABOLIC_RATES_H

#include <cstdint>

#include "sex.h"

namespace tamsel {

// The revised Harris-Benedict equation (Roza and Shizgal).
double bmr_harris_benedict(Sex sex, double weight_kg, double height_cm, std::int32_t age_years);
double bmr_mifflin_st_jeor(Sex sex, double weight_kg, double height_cm, std::int32_t age_years);
// The activity factor is used as given; there is no table of activity levels.
double total_daily_energy_expenditure(double bmr, double activity_factor);

}  // namespace tamsel

#endif
