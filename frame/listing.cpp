// SPDX-License-Identifier: MIT
#include "listing.h"

#include "../catalog/formula_text.h"

namespace tamsel {

// Format strings with no arguments, made from the formula table: "%%" prints one percent sign.
void write_listing(OutputText& out) noexcept {
  for (const catalog::Line& line : catalog::listing.lines) write_line(out, line.c_str());
}

}  // namespace tamsel
