// SPDX-License-Identifier: MIT
// Conversion between the host's UTF-16 text and the library's narrow (ANSI code page) text.
// Windows uses its own code page 0 conversion; elsewhere a built-in Windows-1252 table stands in.
#ifndef TAMSEL_FRAME_TEXT_CONVERSION_H
#define TAMSEL_FRAME_TEXT_CONVERSION_H

#include <cstddef>

#include "TamselCalculatorHealth.h"
#include "buffer_sizes.h"

namespace tamsel {

// Converts the zero-terminated `wide` text and stores at most `capacity` bytes of its narrow
// form in `narrow`, without a terminator. Stops as soon as `capacity` bytes are made, so the
// cost never depends on how long `wide` is. Returns the number of bytes stored; a conversion
// that fails stores none.
std::size_t narrow_from_wide(const TamselChar16* wide, char* narrow, std::size_t capacity) noexcept;

// Converts `length` narrow bytes to wide text in `wide`, which holds `capacity` code units,
// and terminates it. A conversion that fails leaves the empty text.
void wide_from_narrow(const char* narrow, std::size_t length, TamselChar16* wide,
                      std::size_t capacity) noexcept;

// wide_from_narrow for the library's own answer: both buffers are whole blocks of
// widening_block, so the conversion may go past `length` to the end of a block and be done a
// block at a time. What lies past `length` is stale; the terminator ends the answer before it.
constexpr std::size_t widening_block = 16;
static_assert(output_text_size % widening_block == 0 && result_text_size >= output_text_size,
              "the answer is widened in whole blocks");
void widen_answer(const char (&narrow)[output_text_size], std::size_t length,
                  TamselChar16 (&wide)[result_text_size]) noexcept;

}  // namespace tamsel

#endif
