// SPDX-License-Identifier: MIT
#include "../numerics/strict_arithmetic.h"  // first: it governs how everything after it computes

#include "evaluation.h"
#include "row.h"

#include "../frame/buffer_sizes.h"
#include "../frame/number_text.h"

#include <limits>

namespace tamsel::core {

// Past 2^53 the printed digits are no exact double, so the text is read back as the library's
// reader reads it: rare (a result of nine thousand billion and more), so by the long way.
Printed printed_large(double result, int decimals) {
  char text[max_number_text + 1];
  *write_fixed(text, result, decimals) = '\0';
  const double units = result < 0 ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
  return {true, read_real(text), units};
}

Evaluated evaluate_any(const ReadRow& row, TamselWarnings text_warnings) { return evaluate_read(row, text_warnings); }

}  // namespace tamsel::core
