// SPDX-License-Identifier: MIT
// Reading the decimal numbers that the plain path leaves: exponents, long digit strings,
// infinities and NaN, correctly rounded without the C library.
#ifndef TAMSEL_FRAME_GENERAL_DECIMAL_H
#define TAMSEL_FRAME_GENERAL_DECIMAL_H

namespace tamsel {

// Reads the number at `p`, which follows the sign (if any) of an argument, as atof reads it in
// the C locale: digits with one optional point and an optional exponent, "inf", "infinity" and
// "nan" in any case, no hexadecimal ("0x10" is 0); text with no number is +0, whatever the
// sign; out of range gives infinity or zero. `negative` is the sign already read.
double read_general_decimal(const char* p, bool negative);

}  // namespace tamsel

#endif
