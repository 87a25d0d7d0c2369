// SPDX-License-Identifier: MIT
// The help text: every formula with its arguments and full name, by group.
#ifndef TAMSEL_FRAME_LISTING_H
#define TAMSEL_FRAME_LISTING_H

#include "output_text.h"

namespace tamsel {

void write_listing(OutputText& out) noexcept;

}  // namespace tamsel

#endif
