// SPDX-License-Identifier: MIT
// Between the UTF-8 that people and bindings speak and the UTF-16 of the library, in fixed
// buffers. Every maximal ill-formed UTF-8 subsequence and every lone surrogate becomes one
// U+FFFD, as Unicode recommends, so no input can make a conversion fail.
#ifndef TAMSEL_REVIEW_UNICODE_H
#define TAMSEL_REVIEW_UNICODE_H

#include <cstddef>
#include <string_view>

#include "TamselCalculatorHealth.h"

namespace tamsel::review {

// Decodes the character at `p` and moves `p` past it; `p` must be before `end`.
char32_t next_code_point(const char*& p, const char* end);

// Converts `bytes` up to a NUL into `wide`, which holds `capacity` units, and terminates it.
// Stops before a character that would not fit. Returns the units written.
std::size_t utf16_from_utf8(std::string_view bytes, TamselChar16* wide, std::size_t capacity);

// Converts zero-terminated `units` into `bytes`, which holds `capacity` bytes, and terminates
// it; at most `max_characters` characters. Stops before a character that would not fit.
// `readable`, when it is not 0, is how many units from `units` on may be read whatever the
// terminator (the library's answer buffer holds 2000), so that ASCII goes a word at a time.
// Returns the bytes written.
std::size_t utf8_from_utf16(const TamselChar16* units, char* bytes, std::size_t capacity,
                            std::size_t max_characters, std::size_t readable = 0);

// Widens the leading bytes 0x01 to 0x7F of the `size` bytes at `bytes` into `wide`, one unit a
// byte, and returns how many there were. Nothing is read past `size`.
std::size_t widen_ascii(const char* bytes, std::size_t size, TamselChar16* wide);

}  // namespace tamsel::review

#endif
