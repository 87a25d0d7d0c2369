// SPDX-License-Identifier: MIT
// Choosing what one command line answers: banner, result, usage line or unknown formula.
#ifndef TAMSEL_FRAME_DISPATCH_H
#define TAMSEL_FRAME_DISPATCH_H

#include "output_text.h"
#include "tokens.h"

namespace tamsel {

// Writes the answer to the token list into `out`, which the caller has emptied.
void dispatch(const TokenList& list, OutputText& out) noexcept;

}  // namespace tamsel

#endif
