// SPDX-License-Identifier: MIT
#include "unicode.h"

namespace tamsel::review {
namespace {

constexpr char32_t replacement_character = 0xFFFD;

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

std::size_t utf8_length(char32_t code_point) {
  return code_point < 0x80 ? 1 : code_point < 0x800 ? 2 : code_point < 0x10000 ? 3 : 4;
}

void put_utf8(char32_t code_point, char* out) {
  switch (utf8_length(code_point)) {
    case 1:
      out[0] = static_cast<char>(code_point);
      break;
    case 2:
      out[0] = static_cast<char>(0xC0 | (code_point >> 6));
      out[1] = static_cast<char>(0x80 | (code_point & 0x3F));
      break;
    case 3:
      out[0] = static_cast<char>(0xE0 | (code_point >> 12));
      out[1] = static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
      out[2] = static_cast<char>(0x80 | (code_point & 0x3F));
      break;
    default:
      out[0] = static_cast<char>(0xF0 | (code_point >> 18));
      out[1] = static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
      out[2] = static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
      out[3] = static_cast<char>(0x80 | (code_point & 0x3F));
  }
}

}  // namespace

char32_t next_code_point(const char*& p, const char* end) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(p);
  const unsigned char lead = bytes[0];
  if (lead < 0x80) {
    ++p;
    return lead;
  }
  const std::size_t length = sequence_length(lead);
  char32_t code_point = lead & (0xFFu >> (length + 1));
  std::size_t taken = 1;
  for (; length != 0 && taken < length && p + taken < end; ++taken) {
    const unsigned char byte = bytes[taken];
    const bool fits = taken == 1 ? second_byte_fits(lead, byte) : byte >= 0x80 && byte <= 0xBF;
    if (!fits) break;
    code_point = (code_point << 6) | (byte & 0x3Fu);
  }
  p += taken;
  return length != 0 && taken == length ? code_point : replacement_character;
}

std::size_t utf16_from_utf8(std::string_view bytes, TamselChar16* wide, std::size_t capacity) {
  const char* p = bytes.data();
  const char* const end = p + bytes.size();
  std::size_t size = 0;
  while (p < end && *p != '\0') {
    if (static_cast<unsigned char>(*p) < 0x80) {
      if (size + 1 >= capacity) break;
      wide[size++] = static_cast<TamselChar16>(*p++);
      continue;
    }
    const char32_t code_point = next_code_point(p, end);
    if (code_point < 0x10000) {
      if (size + 1 >= capacity) break;
      wide[size++] = static_cast<TamselChar16>(code_point);
    } else {
      if (size + 2 >= capacity) break;
      wide[size++] = static_cast<TamselChar16>(0xD800 + ((code_point - 0x10000) >> 10));
      wide[size++] = static_cast<TamselChar16>(0xDC00 + ((code_point - 0x10000) & 0x3FF));
    }
  }
  wide[size] = 0;
  return size;
}

std::size_t utf8_from_utf16(const TamselChar16* units, char* bytes, std::size_t capacity,
                            std::size_t max_characters) {
  std::size_t size = 0;
  for (std::size_t characters = 0; *units != 0 && characters < max_characters; ++characters) {
    char32_t code_point = static_cast<char32_t>(*units++);
    if (code_point >= 0xD800 && code_point <= 0xDBFF && *units >= 0xDC00 && *units <= 0xDFFF) {
      code_point = 0x10000 + ((code_point - 0xD800) << 10) + (static_cast<char32_t>(*units++) - 0xDC00);
    } else if (code_point >= 0xD800 && code_point <= 0xDFFF) {
      code_point = replacement_character;
    }
    const std::size_t length = utf8_length(code_point);
    if (size + length >= capacity) break;
    put_utf8(code_point, bytes + size);
    size += length;
  }
  bytes[size] = '\0';
  return size;
}

}  // namespace tamsel::review
