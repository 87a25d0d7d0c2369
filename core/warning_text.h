// SPDX-License-Identifier: MIT
// The sentence of each warning, made from its code and the row's numbers only when asked: a
// column of a million rows carries bits, not text.
#ifndef TAMSEL_CORE_WARNING_TEXT_H
#define TAMSEL_CORE_WARNING_TEXT_H

#include <cstddef>
#include <string_view>

#include "TamselCore.h"
#include "bounded_text.h"
#include "evaluation.h"

namespace tamsel::core {

// What a warning speaks of: the numbers as read, and each argument as it was given. A text
// request gives its tokens; a typed row gives its numbers, which are then shown as the shortest
// text that stands for them (positionally for a whole number).
struct WarningSubject {
  const Reading& reading;
  double result;                                // the exact result
  std::string_view tokens[max_arguments];       // as typed; empty for a typed row
  const double* given;                          // a typed row's numbers, or null
  unsigned imperial;                            // a bit for each given in pounds or inches
};

// Writes the sentence of warning `bit` into `out` (`capacity` bytes with the terminator, cut on
// a character boundary) and returns its size.
std::size_t write_warning(unsigned bit, const WarningSubject& subject, char* out, std::size_t capacity);

// An argument's plausible ranges, "0.3 to 1 or 30 to 100", as its warnings and the help give
// them; with each range's reading ("(metres)") where it has one.
void put_ranges(const catalog::ArgumentKind& kind, BoundedText& out, bool with_readings = false);

}  // namespace tamsel::core

#endif
