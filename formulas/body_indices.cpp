// SPDX-License-Identifier: MIT
// Every operation is written in the order the published formula is evaluated: the last bit of
// the result, and so sometimes the printed rounding, depends on it.
#include "../numerics/strict_arithmetic.h"  // first: it governs how everything after it computes

#include "body_indices.h"

#include "../numerics/correctly_rounded.h"

namespace tamsel {

double body_mass_index(double weight_kg, double height_m) {
  return weight_kg / (height_m * height_m);
}

double waist_hip_ratio(double waist_cm, double hip_cm) { return waist_cm / hip_cm; }

double waist_to_height_ratio(double waist_cm, double height_cm) { return waist_cm / height_cm; }

double body_adiposity_index(double hip_cm, double height_m) {
  return hip_cm / numerics::pow_three_halves(height_m) - 18.0;
}

double body_surface_area(double weight_kg, double height_cm) {
  constexpr double one_3600th = 0.0002777777777777778;  // multiplied, not divided by 3600
  return numerics::square_root((weight_kg * height_cm) * one_3600th);
}

}  // namespace tamsel
