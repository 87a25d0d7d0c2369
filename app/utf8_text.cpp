// SPDX-License-Identifier: MIT
#include "utf8_text.h"

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

// The range a second byte must fall in, by lead byte; later bytes are always 0x80-0xBF. This
// excludes overlong forms, surrogates and code points above U+10FFFF.
bool second_byte_fits(unsigned char lead, unsigned char byte) {
  if (lead == 0xE0) return byte >= 0xA0 && byte <= 0xBF;
  if (lead == 0xED) return byte >= 0x80 && byte <= 0x9F;
  if (lead == 0xF0) return byte >= 0x90 && byte <= 0xBF;
  if (lead == 0xF4) return byte >= 0x80 && byte <= 0x8F;
  return byte >= 0x80 && byte <= 0xBF;
}

std::size_t sequence_length(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;  // a continuation byte or a byte that never starts a character
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

char32_t next_code_point(const char*& p, const char* end) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(p);
  const unsigned char lead = bytes[0];
  if (lead < 0x80) {
    ++p;
    return lead;
  }
  const std::size_t length = sequence_length(lead);
  char32_t code_point = lead & (0xFF >> (length + 1));
  std::size_t taken = 1;
  for (; length != 0 && taken < length && p + taken < end; ++taken) {
    const unsigned char byte = bytes[taken];
    const bool fits = taken == 1 ? second_byte_fits(lead, byte) : byte >= 0x80 && byte <= 0xBF;
    if (!fits) break;
    code_point = (code_point << 6) | (byte & 0x3F);
  }
  p += taken;
  return length != 0 && taken == length ? code_point : replacement_character;
}

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
