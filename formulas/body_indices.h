// SPDX-License-Identifier: MIT
// Body indices and ratios that take two measurements and no sex.
#ifndef TAMSEL_FORMULAS_BODY_INDICES_H
#define TAMSEL_FORMULAS_BODY_INDICES_H

namespace tamsel {

double body_mass_index(double weight_kg, double height_m);
double waist_hip_ratio(double waist_cm, double hip_cm);
double waist_to_height_ratio(double waist_cm, double height_cm);
double body_adiposity_index(double hip_cm, double height_m);
// Mosteller's body surface area in square metres.
double body_surface_area(double weight_kg, double height_cm);

}  // namespace tamsel

#endif
