// SPDX-License-Identifier: MIT
// Body fat and lean mass, the body-composition formulas that depend on sex.
#ifndef TAMSEL_FORMULAS_BODY_FAT_H
#define TAMSEL_FORMULAS_BODY_FAT_H

#include "sex.h"

namespace tamsel {

// U.S. Navy circumference method, in per cent. The hip counts for women only.
double navy_body_fat_percent(Sex sex, double waist_cm, double neck_cm, double height_cm,
                             double hip_cm);

// Boer's lean body mass in kilograms.
double lean_body_mass(Sex sex, double weight_kg, double height_cm);

}  // namespace tamsel

#endif
