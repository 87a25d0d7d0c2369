// SPDX-License-Identifier: MIT
// Windows-1252 as Windows converts it with no flags, for platforms without a code page 0.
#include <cstdint>
#include <cstring>

#include "text_conversion.h"

namespace tamsel {
namespace {

// The characters of bytes 0x80 to 0x9F. The five bytes that the code page leaves undefined
// map to the C1 control of the same value, as Windows maps them.
constexpr char16_t high_control_range[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

constexpr char replacement = '?';

char16_t wide_of_byte(unsigned char byte) {
  return byte >= 0x80 && byte < 0xA0 ? high_control_range[byte - 0x80] : char16_t{byte};
}

char byte_of_code_point(std::uint32_t code_point) {
  if (code_point < 0x80 || (code_point >= 0xA0 && code_point <= 0xFF)) {
    return static_cast<char>(static_cast<unsigned char>(code_point));
  }
  for (unsigned index = 0; index < 32; ++index) {
    if (high_control_range[index] == code_point) return static_cast<char>(0x80 + index);
  }
  return replacement;
}

bool is_high_surrogate(std::uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool is_low_surrogate(std::uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

bool is_plain_ascii(std::uint32_t unit) { return unit - 1 < 0x7F; }  // and not the terminator

}  // namespace

std::size_t narrow_from_wide(const TamselChar16* wide, char* narrow, std::size_t capacity) noexcept {
  std::size_t length = 0;
  const TamselChar16* p = wide;
  // Two ASCII units a step while both fit: the second is read only once the first has shown
  // that the text goes on.
  while (length + 2 <= capacity && is_plain_ascii(static_cast<std::uint32_t>(p[0])) &&
         is_plain_ascii(static_cast<std::uint32_t>(p[1]))) {
    narrow[length] = static_cast<char>(p[0]);
    narrow[length + 1] = static_cast<char>(p[1]);
    length += 2;
    p += 2;
  }
  while (length < capacity) {
    const auto unit = static_cast<std::uint32_t>(*p++);
    if (unit == 0) break;
    // A surrogate pair is one character outside the code page: one replacement, not two.
    if (is_high_surrogate(unit) && is_low_surrogate(static_cast<std::uint32_t>(*p))) ++p;
    narrow[length++] = byte_of_code_point(unit);
  }
  return length;
}

void wide_from_narrow(const char* narrow, std::size_t length, TamselChar16* wide,
                      std::size_t capacity) noexcept {
  if (capacity == 0) return;
  if (length >= capacity) length = capacity - 1;
  // Most bytes are their own code point, which the compiler widens many at a time; the bytes
  // 0x80 to 0x9F, rare in answers, are mended afterwards when any byte has its top bit set.
  unsigned char all_bytes = 0;
  for (std::size_t index = 0; index < length; ++index) {
    const auto byte = static_cast<unsigned char>(narrow[index]);
    all_bytes = static_cast<unsigned char>(all_bytes | byte);
    wide[index] = static_cast<TamselChar16>(byte);
  }
  if ((all_bytes & 0x80) != 0) {
    for (std::size_t index = 0; index < length; ++index) {
      wide[index] = static_cast<TamselChar16>(wide_of_byte(static_cast<unsigned char>(narrow[index])));
    }
  }
  wide[length] = 0;
}

void widen_answer(const char (&narrow)[output_text_size], std::size_t length,
                  TamselChar16 (&wide)[result_text_size]) noexcept {
  if (length >= output_text_size) length = output_text_size - 1;
  // Blocks of a fixed size, copied out first so that no store into `wide` can be taken to
  // change them: compilers widen such a block in a few vector instructions. The top bits are
  // gathered eight bytes at a time. A stale byte past `length` with its top bit set costs the
  // mending pass, never a wrong unit.
  std::uint64_t all_bytes = 0;
  for (std::size_t start = 0; start < length; start += widening_block) {
    unsigned char block[widening_block];
    std::memcpy(block, narrow + start, sizeof block);
    std::uint64_t words[widening_block / 8];
    std::memcpy(words, block, sizeof words);
    for (const std::uint64_t word : words) all_bytes |= word;
    for (std::size_t offset = 0; offset < widening_block; ++offset) {
      wide[start + offset] = static_cast<TamselChar16>(block[offset]);
    }
  }
  if ((all_bytes & 0x8080808080808080u) != 0) {
    for (std::size_t index = 0; index < length; ++index) {
      wide[index] = static_cast<TamselChar16>(wide_of_byte(static_cast<unsigned char>(narrow[index])));
    }
  }
  wide[length] = 0;
}

}  // namespace tamsel
