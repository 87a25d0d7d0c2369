#include "tokens.h"

namespace tamsel {

TokenList split_tokens(char* text) noexcept {
  TokenList list{};
  char* p = text;
  while (list.count < max_tokens) {
    while (is_delimiter(*p)) ++p;
    if (*p == '\0') break;
    list.tokens[list.count++] = p;
    while (*p != '\0' && !is_delimiter(*p)) ++p;
    if (*p == '\0') break;
    *p++ = '\0';
  }
  return list;
}

}  // namespace tamsel
