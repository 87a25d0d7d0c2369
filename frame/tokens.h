// SPDX-License-Identifier: MIT
// Splitting the narrow command line into the keyword and its arguments.
#ifndef TAMSEL_FRAME_TOKENS_H
#define TAMSEL_FRAME_TOKENS_H

#include <cstddef>

#include "TamselCalculatorHealth.h"
#include "buffer_sizes.h"

namespace tamsel {

struct TokenList {
  // tokens[0] is the keyword. Slots from `count` on are never set and never read.
  const char* tokens[max_tokens];
  std::size_t lengths[max_tokens];
  std::size_t count;
  // An argument lost its end to the cut of a long command line and was dropped: the request
  // must not be computed, whatever the count.
  bool argument_cut;
  // The keyword lost its end to the cut: what is left is not the word the user typed, so it
  // must match nothing, whatever it spells.
  bool keyword_cut;
};

// Only space and horizontal tab separate tokens; CR, LF and every other byte belong to them.
constexpr bool is_delimiter(char byte) { return byte == ' ' || byte == '\t'; }

// Splits `text` in place as strtok does: leading and repeated delimiters make no empty tokens,
// and a zero is written over the delimiter that ends each token. Only the first max_tokens
// tokens are kept; the rest of the text is left alone.
void split_tokens(char* text, TokenList& list) noexcept;

// Nearly every command line is plain ASCII and far shorter than the token buffer. Such a line's
// bytes are its code units in every code page, so it is narrowed into `buffer` (which holds
// token_buffer_size bytes) and split in one pass, with the tokens split_tokens would find.
// Returns false, with `list` unspecified, when the line holds any other unit or reaches
// max_command_bytes: the general conversion and the cut rules then take it.
bool split_plain_line(const TamselChar16* line, char* buffer, TokenList& list) noexcept;

}  // namespace tamsel

#endif
