// SPDX-License-Identifier: MIT
#include "terminal_text.h"

#include "utf8_text.h"

namespace tamsel_host {
namespace {

constexpr char escape = '\x1B';
constexpr std::string_view replacement_utf8 = "\xEF\xBF\xBD";

bool is_line_break_at(std::string_view text, std::size_t index) {
  return text[index] == '\n' || (text[index] == '\r' && index + 1 < text.size() && text[index + 1] == '\n');
}

// ASCII that stands for itself.
bool is_plain_ascii(unsigned char byte) { return (byte >= 0x20 && byte < 0x7F) || byte == '\t'; }

}  // namespace

void append_visible(std::string_view text, bool keep_line_breaks, std::string& out) {
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p < end) {
    const auto byte = static_cast<unsigned char>(*p);
    if (is_plain_ascii(byte)) {
      out.push_back(*p++);
    } else if (byte < 0x80) {
      if (keep_line_breaks && is_line_break_at(text, static_cast<std::size_t>(p - text.data()))) {
        out.push_back(*p++);
        continue;
      }
      out.push_back('^');
      out.push_back(byte == 0x7F ? '?' : static_cast<char>(byte + 0x40));
      ++p;
    } else {
      const char* const start = p;
      const char32_t code_point = next_code_point(p, end);
      if (code_point == 0xFFFD || (code_point >= 0x80 && code_point <= 0x9F)) {
        out += replacement_utf8;
      } else {
        out.append(start, p);
      }
    }
  }
}

bool strip_escape_sequences(std::string& line) {
  std::size_t kept = 0;
  std::size_t index = 0;
  bool removed = false;
  const std::size_t size = line.size();
  const auto in = [&line](std::size_t at, int low, int high) {
    const auto byte = static_cast<unsigned char>(line[at]);
    return byte >= low && byte <= high;
  };
  while (index < size) {
    if (line[index] != escape) {
      line[kept++] = line[index++];
      continue;
    }
    removed = true;
    ++index;
    if (index == size || line[index] == escape) continue;  // a lone ESC, or one before another
    const char introducer = line[index++];
    if (introducer == '[') {
      while (index < size && in(index, 0x30, 0x3F)) ++index;  // parameters
      while (index < size && in(index, 0x20, 0x2F)) ++index;  // intermediates
      if (index < size && in(index, 0x40, 0x7E)) ++index;     // the final byte
    } else if (introducer == 'O') {
      if (index < size && in(index, 0x20, 0x7E)) ++index;
    }
  }
  line.resize(kept);
  return removed;
}

}  // namespace tamsel_host
