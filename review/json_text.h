// SPDX-License-Identifier: MIT
// The bytes a JSON string holds as they are, found eight at a time: records are nearly all
// such bytes, so they go out in whole runs.
#ifndef TAMSEL_REVIEW_JSON_TEXT_H
#define TAMSEL_REVIEW_JSON_TEXT_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "unicode.h"

namespace tamsel::review {

// Printable ASCII but the quote and the backslash.
inline bool is_json_plain(unsigned char byte) { return byte >= 0x20 && byte < 0x7F && byte != '"' && byte != '\\'; }

// Whether any byte of `word` is not plain: below 0x20, above 0x7E, a quote or a backslash.
// Each test is exact for whether some byte matches (the borrows and carries that cross bytes
// only arise next to a byte that does), whatever the byte order.
inline bool has_special_byte(std::uint64_t word) {
  constexpr std::uint64_t ones = 0x0101010101010101u;
  constexpr std::uint64_t highs = 0x8080808080808080u;
  const std::uint64_t quotes = word ^ (ones * '"');
  const std::uint64_t backslashes = word ^ (ones * '\\');
  const std::uint64_t below_space = (word - ones * 0x20) & ~word;
  const std::uint64_t above_tilde = (word + ones * (0x7F - 0x7E)) | word;
  const std::uint64_t quote = (quotes - ones) & ~quotes;
  const std::uint64_t backslash = (backslashes - ones) & ~backslashes;
  return ((below_space | above_tilde | quote | backslash) & highs) != 0;
}

// The length of the run of plain bytes at the start of [p, end).
inline std::size_t json_plain_run(const char* p, const char* end) {
  const char* q = p;
  std::uint64_t word;
  while (end - q >= 8) {
    std::memcpy(&word, q, sizeof word);
    if (has_special_byte(word)) break;
    q += 8;
  }
  while (q < end && is_json_plain(static_cast<unsigned char>(*q))) ++q;
  return static_cast<std::size_t>(q - p);
}

// Writes `text` as a JSON string to `out`, anything with put(char) and put(std::string_view):
// printable ASCII as it is, the rest escaped or, when well-formed, as UTF-8. Runs of plain
// bytes, nearly all of every record, go out in one copy. The review's records and the host's
// request field share it, so both escape alike.
template <class Sink>
void put_json_string(std::string_view text, Sink& out) {
  const auto put_escape = [&out](unsigned value) {
    constexpr std::string_view hex = "0123456789abcdef";
    out.put(std::string_view("\\u00"));
    out.put(hex[(value >> 4) & 0xF]);
    out.put(hex[value & 0xF]);
  };
  out.put('"');
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p < end) {
    const std::size_t run = json_plain_run(p, end);
    if (run != 0) out.put(std::string_view(p, run));
    p += run;
    if (p == end) break;
    const auto byte = static_cast<unsigned char>(*p);
    if (byte >= 0x80) {
      const char* const start = p;
      const char32_t code_point = next_code_point(p, end);
      if (code_point == 0xFFFD) {
        out.put(std::string_view("\xEF\xBF\xBD"));
      } else if (code_point <= 0x9F) {
        put_escape(static_cast<unsigned>(code_point));  // C1 controls
      } else {
        out.put(std::string_view(start, static_cast<std::size_t>(p - start)));
      }
      continue;
    }
    ++p;
    switch (byte) {
      case '"': out.put(std::string_view("\\\"")); break;
      case '\\': out.put(std::string_view("\\\\")); break;
      case '\n': out.put(std::string_view("\\n")); break;
      case '\r': out.put(std::string_view("\\r")); break;
      case '\t': out.put(std::string_view("\\t")); break;
      default: put_escape(byte);
    }
  }
  out.put('"');
}

}  // namespace tamsel::review

#endif
