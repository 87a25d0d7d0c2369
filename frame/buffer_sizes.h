// SPDX-License-Identifier: MIT
// Every fixed buffer of the library, with the worst case that bounds it.
#ifndef TAMSEL_FRAME_BUFFER_SIZES_H
#define TAMSEL_FRAME_BUFFER_SIZES_H

#include <cstddef>

namespace tamsel {

// The token buffer holds the first 1023 narrow bytes of the command line and a terminator.
constexpr std::size_t token_buffer_size = 1024;
constexpr std::size_t max_command_bytes = token_buffer_size - 1;

// The narrow conversion produces one byte more than the token buffer keeps, so that a cut
// through the middle of a token can be told from a cut on a delimiter. That byte lands on the
// terminator slot and is read before the terminator is stored.
constexpr std::size_t narrow_capacity = max_command_bytes + 1;

// The command line as a WebAssembly host hands it over, in a buffer of the module's own memory.
// The narrow conversion stops once it has narrow_capacity (1024) bytes, and a character is at
// most two code units (a surrogate pair), so it never reads past unit 2047. The first 2047
// units always make those 1024 bytes, but when unit 2046 begins a pair: its partner at unit
// 2047 is only looked at, and alone or paired it becomes the same replacement byte. So a host
// that copies at most 2047 units and then a terminator gets the answer to the whole text.
constexpr std::size_t wasm_input_units = 2 * narrow_capacity;

// The keyword and at most nine arguments.
constexpr std::size_t max_tokens = 10;

// Narrow answer. Worst cases: the formula listing is 1,362 bytes of text in 23 lines, plus 22
// separators of at most 2 bytes ("\r\n") = 1,406; the longest single line is
// "Unknown formula: " (17) + a 1023-byte keyword = 1,040; a result line with the largest double
// is under 400 (see max_number_text). Plus the terminator, all well under 2000.
constexpr std::size_t output_text_size = 2000;

// Wide answer: one code unit per narrow byte, plus the terminator.
constexpr std::size_t result_text_size = 2000;

// The most decimals any result format asks for ("%.3f").
constexpr int max_decimals = 3;

// The integer digits of the largest finite double, (2^53 - 1) x 2^971 = 1.797...e308.
constexpr std::size_t max_integer_digits = 309;

// One number written in fixed notation: a sign, the integer digits, the point and max_decimals
// decimals. "-inf" and "nan" are shorter.
constexpr std::size_t max_number_text = 1 + max_integer_digits + 1 + max_decimals;

}  // namespace tamsel

#endif
