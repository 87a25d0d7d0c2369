// SPDX-License-Identifier: MIT
#include "../numerics/strict_arithmetic.h"  // first: it governs how everything after it computes

#include "body_fat.h"

#include "../numerics/correctly_rounded.h"

namespace tamsel {

double navy_body_fat_percent(Sex sex, double waist_cm, double neck_cm, double height_cm,
                             double hip_cm) {
  if (sex == Sex::male) {
    const double a = numerics::log10(waist_cm - neck_cm);
    const double b = numerics::log10(height_cm);
    const double density = (b * 0.15456) + (1.0324 - a * 0.19077);
    return 495.0 / density - 450.0;
  }
  const double a = numerics::log10((waist_cm + hip_cm) - neck_cm);
  const double b = numerics::log10(height_cm);
  const double density = (b * 0.221) + (1.29579 - a * 0.35004);
  return 495.0 / density - 450.0;
}

double lean_body_mass(Sex sex, double weight_kg, double height_cm) {
  if (sex == Sex::male) return (height_cm * 0.267 + weight_kg * 0.407) - 19.2;
  return (weight_kg * 0.252 + height_cm * 0.473) - 48.3;
}

}  // namespace tamsel
