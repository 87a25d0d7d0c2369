// SPDX-License-Identifier: MIT
#include "utf8_text.h"

#include "unicode.h"

#include <cstdint>

namespace tamsel_host {
namespace {

constexpr char32_t replacement_character = 0xFFFD;

void append_code_point(char32_t code_point, WideText& wide) {
  if (code_point < 0x10000) {
    wide.push_back(static_cast<TamselChar16>(code_point));
    return;
  }
  code_point -= 0x10000;
  wide.push_back(static_cast<TamselChar16>(0xD800 + (code_point >> 10)));
  wide.push_back(static_cast<TamselChar16>(0xDC00 + (code_point & 0x3FF)));
}

}  // namespace

void append_code_point_utf8(char32_t code_point, std::string& bytes) {
  if (code_point < 0x80) {
    bytes.push_back(static_cast<char>(code_point));
  } else if (code_point < 0x800) {
    bytes.push_back(static_cast<char>(0xC0 | (code_point >> 6)));
    bytes.push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  } else if (code_point < 0x10000) {
    bytes.push_back(static_cast<char>(0xE0 | (code_point >> 12)));
    bytes.push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
    bytes.push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  } else {
    bytes.push_back(static_cast<char>(0xF0 | (code_point >> 18)));
    bytes.push_back(static_cast<char>(0x80 | ((code_point >> 12) & 0x3F)));
    bytes.push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
    bytes.push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  }
}

// The review decodes requests for the library; the host decodes them the same way.
char32_t next_code_point(const char*& p, const char* end) { return tamsel::review::next_code_point(p, end); }

// Requests and answers are nearly all ASCII, which goes across in runs.
void append_utf16(std::string_view bytes, WideText& wide) {
  const char* p = bytes.data();
  const char* const end = p + bytes.size();
  while (p < end) {
    const char* run = p;
    while (p < end && static_cast<unsigned char>(*p) < 0x80) ++p;
    if (p != run) {
      const std::size_t start = wide.size();
      wide.resize(start + static_cast<std::size_t>(p - run));
      for (TamselChar16* unit = &wide[start]; run != p; ++run) *unit++ = static_cast<TamselChar16>(*run);
    }
    if (p < end) append_code_point(next_code_point(p, end), wide);
  }
}

void append_utf8(const TamselChar16* units, std::string& bytes) {
  for (const TamselChar16* p = units; *p != 0; ++p) {
    const TamselChar16* run = p;
    while (*p != 0 && *p < 0x80) ++p;
    if (p != run) {
      const std::size_t start = bytes.size();
      bytes.resize(start + static_cast<std::size_t>(p - run));
      for (char* byte = &bytes[start]; run != p; ++run) *byte++ = static_cast<char>(*run);
    }
    if (*p == 0) break;
    char32_t unit = static_cast<char32_t>(*p);
    if (unit >= 0xD800 && unit <= 0xDBFF && p[1] >= 0xDC00 && p[1] <= 0xDFFF) {
      unit = 0x10000 + ((unit - 0xD800) << 10) + (static_cast<char32_t>(p[1]) - 0xDC00);
      ++p;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      unit = replacement_character;
    }
    append_code_point_utf8(unit, bytes);
  }
}

}  // namespace tamsel_host
