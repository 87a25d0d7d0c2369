// SPDX-License-Identifier: MIT
// Ideal body weight in kilograms from the height over five feet.
#ifndef TAMSEL_FORMULAS_IDEAL_WEIGHT_H
#define TAMSEL_FORMULAS_IDEAL_WEIGHT_H

#include "sex.h"

namespace tamsel {

double ideal_weight_devine(Sex sex, double height_cm);
double ideal_weight_robinson(Sex sex, double height_cm);
double ideal_weight_miller(Sex sex, double height_cm);

}  // namespace tamsel

#endif
