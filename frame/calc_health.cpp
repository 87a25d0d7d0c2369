// SPDX-License-Identifier: MIT
// The library's only export: wide command line in, wide answer out.
#include "TamselCalculatorHealth.h"
#include "buffer_sizes.h"
#include "dispatch.h"
#include "output_text.h"
#include "text_conversion.h"
#include "tokens.h"

namespace {

// Library-wide, as the host contract says: calls never overlap, and the answer lives until the
// next call. Nothing else survives a call.
char token_buffer[tamsel::token_buffer_size];
tamsel::OutputText output_text;
TamselChar16 result_text[tamsel::result_text_size];

// Fills the token buffer with the first 1023 narrow bytes of the command line. Returns true
// when the command line went on past them without a delimiter, so that the last byte kept is
// the middle of a token.
bool load_token_buffer(const TamselChar16* command_line) {
  using tamsel::max_command_bytes;
  std::size_t length = 0;
  if (command_line != nullptr) {
    length = tamsel::narrow_from_wide(command_line, token_buffer, tamsel::narrow_capacity);
  }
  const bool cut_inside_token = length > max_command_bytes &&
                                !tamsel::is_delimiter(token_buffer[max_command_bytes]) &&
                                !tamsel::is_delimiter(token_buffer[max_command_bytes - 1]);
  token_buffer[length > max_command_bytes ? max_command_bytes : length] = '\0';
  return cut_inside_token;
}

// An argument that lost its end to the cut would compute from part of a number (1.75 read as
// 1), so it is dropped, and the request gets its usage line. A cut keyword stays but matches
// nothing, even when what is left spells one ("bmix" cut to "bmi"): the unknown-formula line
// shows it as it arrived.
void mark_cut_token(tamsel::TokenList& list) {
  if (list.count == 0) return;
  const std::size_t last = list.count - 1;
  if (list.tokens[last] + list.lengths[last] != token_buffer + tamsel::max_command_bytes) return;
  if (last == 0) {
    list.keyword_cut = true;
    return;
  }
  --list.count;
  list.argument_cut = true;
}

}  // namespace

const tamsel::OutputText& tamsel::last_output() noexcept { return output_text; }

extern "C" TAMSEL_HEALTH_API const TamselChar16* CalcHealth(const TamselChar16* command_line) {
  tamsel::TokenList list;
  if (command_line == nullptr || !tamsel::split_plain_line(command_line, token_buffer, list)) {
    const bool cut_inside_token = load_token_buffer(command_line);
    tamsel::split_tokens(token_buffer, list);
    if (cut_inside_token) mark_cut_token(list);
  }

  tamsel::clear(output_text);
  output_text.wide = result_text;
  tamsel::dispatch(list, output_text);

  if (!output_text.answered_wide) tamsel::widen_answer(output_text.bytes, output_text.length, result_text);
  return result_text;
}
