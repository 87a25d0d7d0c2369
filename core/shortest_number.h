// SPDX-License-Identifier: MIT
// The shortest text that reads back as the same double: how the review shows a number it was
// given as a number, and how a binding writes one into a request. One writer for every surface,
// so that a typed call and the request it stands for show their numbers alike.
#ifndef TAMSEL_CORE_SHORTEST_NUMBER_H
#define TAMSEL_CORE_SHORTEST_NUMBER_H

#include <cstddef>

namespace tamsel::core {

enum class NumberStyle {
  // The shortest digits, written positionally or with an exponent, whichever is shorter
  // (positionally on a tie): "70", "1.75", "1e+20", "5e-324", as C++'s to_chars writes them.
  shortest,
  // The same digits, always positionally ("100000000000000000000"): how a whole number must be
  // written for the library, which reads it as atoi does and would take "1e+20" for 1.
  positional,
};

// Worst cases. Shortest: a sign, 17 digits, a point and "e-308": 24 bytes. Positional: the
// shortest digits of a double are at most 17, its first at 10^308 down to 10^-324, so at most
// 309 digits before the point, or "0.", 323 zeros and 17 digits after it: a sign and 342.
constexpr std::size_t max_shortest_text = 24;
constexpr std::size_t max_positional_text = 343;

// Writes `value` in `style` without a terminator and returns the size. Infinities are "inf" and
// "-inf", every NaN "nan", as the library prints them; negative zero is "-0". `out` holds the
// style's maximum.
std::size_t write_shortest(double value, NumberStyle style, char* out) noexcept;

}  // namespace tamsel::core

#endif
