// SPDX-License-Identifier: MIT
// Reading arguments and writing numbers without the C locale, so that a host's regional
// settings never change an answer.
#ifndef TAMSEL_FRAME_NUMBER_TEXT_H
#define TAMSEL_FRAME_NUMBER_TEXT_H

#include <cstdint>

#include "TamselCalculatorHealth.h"

namespace tamsel {

// Reads a decimal number as atof does in the C locale: white space, one sign, the longest
// valid prefix ("inf", "infinity", "nan" and "nan(...)" included, hexadecimal not), 0.0 when
// there is none, and +-infinity or 0 when the number is out of range.
double read_real(const char* text) noexcept;

// Reads an integer as atoi does: white space, one sign, decimal digits. Saturates at the
// 32-bit limits instead of overflowing.
std::int32_t read_integer(const char* text) noexcept;

// Writes `value` in fixed notation with `decimals` digits after the point (0 to max_decimals;
// others are clamped), exactly rounded from the binary value (ties to even), as glibc's printf
// does, with the library's own code on every platform. Infinities are "inf" and "-inf"; every
// NaN is "nan", because processors disagree on the sign of the NaNs they make.
// `out` must hold max_number_text bytes. Returns the end of what was written.
char* write_fixed(char* out, double value, int decimals) noexcept;
// The same text, widened unit for unit into the host's text.
TamselChar16* write_fixed(TamselChar16* out, double value, int decimals) noexcept;

// The wide text with the decimals fixed when compiling, as a result line's format fixes them;
// written for 0 to max_decimals decimals.
template <int decimals>
TamselChar16* write_fixed(TamselChar16* out, double value) noexcept;
extern template TamselChar16* write_fixed<0>(TamselChar16* out, double value) noexcept;
extern template TamselChar16* write_fixed<1>(TamselChar16* out, double value) noexcept;
extern template TamselChar16* write_fixed<2>(TamselChar16* out, double value) noexcept;
extern template TamselChar16* write_fixed<3>(TamselChar16* out, double value) noexcept;

// Writes a 32-bit integer in decimal; `out` must hold 11 bytes. Returns the end.
char* write_integer(char* out, std::int32_t value) noexcept;

}  // namespace tamsel

#endif
