// SPDX-License-Identifier: MIT
#include "tokens.h"

namespace tamsel {
namespace {

// What each byte is to the tokeniser: one table load instead of three comparisons a byte.
enum ByteClass : unsigned char { token_byte, delimiter_byte, end_byte };

struct ByteClasses {
  ByteClass of[256];
};

constexpr ByteClasses make_byte_classes() {
  ByteClasses classes{};
  for (unsigned byte = 1; byte < 256; ++byte) {
    classes.of[byte] = is_delimiter(static_cast<char>(byte)) ? delimiter_byte : token_byte;
  }
  classes.of[0] = end_byte;
  return classes;
}

constexpr ByteClasses byte_classes = make_byte_classes();

ByteClass class_of(const char* p) { return byte_classes.of[static_cast<unsigned char>(*p)]; }

}  // namespace

void split_tokens(char* text, TokenList& list) noexcept {
  list.count = 0;
  list.argument_cut = false;
  list.keyword_cut = false;
  char* p = text;
  while (list.count < max_tokens) {
    while (class_of(p) == delimiter_byte) ++p;
    if (*p == '\0') return;
    char* const start = p;
    while (class_of(p) == token_byte) ++p;
    list.tokens[list.count] = start;
    list.lengths[list.count] = static_cast<std::size_t>(p - start);
    ++list.count;
    if (*p == '\0') return;
    *p++ = '\0';
  }
}

}  // namespace tamsel
