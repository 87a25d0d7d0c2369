// SPDX-License-Identifier: MIT
// The sex that selects a formula's coefficients.
#ifndef TAMSEL_FORMULAS_SEX_H
#define TAMSEL_FORMULAS_SEX_H

namespace tamsel {

enum class Sex { female, male };

}  // namespace tamsel

#endif
