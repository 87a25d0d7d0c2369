// SPDX-License-Identifier: MIT
// The host speaks UTF-8 to people and UTF-16 to the library.
#ifndef TAMSEL_APP_UTF8_TEXT_H
#define TAMSEL_APP_UTF8_TEXT_H

#include <string>
#include <string_view>

#include "TamselCalculatorHealth.h"

namespace tamsel_host {

using WideText = std::basic_string<TamselChar16>;

// Appends the UTF-16 form of `bytes`. Every maximal ill-formed subsequence becomes one U+FFFD,
// as Unicode recommends, so no input can make the conversion fail.
void append_utf16(std::string_view bytes, WideText& wide);

// Decodes the character that starts at `p` and moves `p` past it. A maximal ill-formed
// subsequence is taken whole and decodes as U+FFFD. `p` must be before `end`.
char32_t next_code_point(const char*& p, const char* end);

// Appends the UTF-8 form of one code point.
void append_code_point_utf8(char32_t code_point, std::string& bytes);

// Appends the UTF-8 form of the zero-terminated `units`; a lone surrogate becomes U+FFFD.
void append_utf8(const TamselChar16* units, std::string& bytes);

}  // namespace tamsel_host

#endif
