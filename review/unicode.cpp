// SPDX-License-Identifier: MIT
#include "unicode.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Eight bytes or four units move as one word where the byte order is known to be little-endian
// (every target we build); elsewhere, one at a time.
#if defined(__BYTE_ORDER__) && defined(__ORDER_LITTLE_ENDIAN__)
constexpr bool words_little_endian = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;
#elif defined(_MSC_VER)
constexpr bool words_little_endian = true;
#else
constexpr bool words_little_endian = false;
#endif
static_assert(sizeof(TamselChar16) == 2, "UTF-16 code units are two bytes");

constexpr std::uint64_t byte_ones = 0x0101010101010101u;
constexpr std::uint64_t byte_highs = 0x8080808080808080u;
constexpr std::uint64_t unit_ones = 0x0001000100010001u;
constexpr std::uint64_t unit_highs = 0x8000800080008000u;
constexpr std::uint64_t unit_not_ascii = 0xFF80FF80FF80FF80u;

// True when each of the word's eight bytes is 0x01 to 0x7F: no high bit, and no zero byte (a
// zero byte is the only one whose high bit borrowing sets without its own).
bool bytes_are_ascii(std::uint64_t word) {
  return (word & byte_highs) == 0 && ((word - byte_ones) & ~word & byte_highs) == 0;
}

// The same for four code units.
bool units_are_ascii(std::uint64_t word) {
  return (word & unit_not_ascii) == 0 && ((word - unit_ones) & ~word & unit_highs) == 0;
}

// Four bytes, each in the low byte of a 16-bit lane, in their order.
std::uint64_t spread_bytes(std::uint32_t four) {
  std::uint64_t word = four;
  word = (word | (word << 16)) & 0x0000FFFF0000FFFFu;
  return (word | (word << 8)) & 0x00FF00FF00FF00FFu;
}

// The low bytes of four 16-bit lanes, in their order.
std::uint32_t gather_bytes(std::uint64_t word) {
  word = (word | (word >> 8)) & 0x0000FFFF0000FFFFu;
  return static_cast<std::uint32_t>(word | (word >> 16));
}

#if defined(__SSE2__)
// Where SSE2 is there (every x86-64), sixteen bytes or eight units go at a time. Every compiler
// that defines __SSE2__ also has the builtin used here.

// The lanes before the first clear bit of `mask`.
unsigned leading_ones(unsigned mask) { return static_cast<unsigned>(__builtin_ctz(~mask)); }

// The bytes of `block` that are 0x01 to 0x7F, a bit each: as signed bytes, those above zero.
unsigned ascii_bytes(__m128i block) {
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpgt_epi8(block, _mm_setzero_si128())));
}

// Widens the sixteen bytes at `bytes` into `wide`, whatever they are, and returns ascii_bytes
// of them: the caller keeps only the leading ASCII.
unsigned widen_sixteen(const char* bytes, TamselChar16* wide) {
  const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
  const __m128i zero = _mm_setzero_si128();
  _mm_storeu_si128(reinterpret_cast<__m128i*>(wide), _mm_unpacklo_epi8(block, zero));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(wide + 8), _mm_unpackhi_epi8(block, zero));
  return ascii_bytes(block);
}

// The same for eight bytes: their eight bits, the rest clear.
unsigned widen_eight(const char* bytes, TamselChar16* wide) {
  const __m128i block = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(bytes));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(wide), _mm_unpacklo_epi8(block, _mm_setzero_si128()));
  return ascii_bytes(block);
}

// widen_ascii for eight bytes or more. The last block may overlap the one before: it rewrites
// units already known to be ASCII with the same values, and nothing past `size` is read.
std::size_t widen_ascii_blocks(const char* bytes, std::size_t size, TamselChar16* wide) {
  const bool wide_blocks = size >= 16;
  const std::size_t step = wide_blocks ? 16 : 8;
  const unsigned full = wide_blocks ? 0xFFFFu : 0xFFu;
  const auto widen_block = [&](std::size_t at) {
    return wide_blocks ? widen_sixteen(bytes + at, wide + at) : widen_eight(bytes + at, wide + at);
  };
  std::size_t done = 0;
  for (; done + step <= size; done += step) {
    const unsigned ascii = widen_block(done);
    if (ascii != full) return done + leading_ones(ascii);
  }
  if (done == size) return size;
  const std::size_t start = size - step;
  const unsigned ascii = widen_block(start);
  // The bits from `done` on. Those past the block are clear, so the count stops at `size`.
  return done + leading_ones(ascii >> (done - start));
}

// Narrows sixteen units into `bytes`, whatever they are, and returns them packed. Packing
// saturates: a unit above 0xFF becomes 0xFF and one that is negative as a signed lane becomes 0,
// neither of them ASCII.
__m128i narrow_sixteen(const TamselChar16* units, char* bytes) {
  const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units));
  const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + 8));
  const __m128i packed = _mm_packus_epi16(low, high);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes), packed);
  return packed;
}

#endif

// Narrows the leading units 0x01 to 0x7F, at most `limit` of them, into `bytes`, one byte a
// unit, and returns how many there were. Up to `word_limit` they go a block or a word at a time.
std::size_t narrow_ascii(const TamselChar16* units, char* bytes, std::size_t word_limit, std::size_t limit) {
  std::size_t size = 0;
#if defined(__SSE2__)
  for (; size + 16 <= word_limit; size += 16) {
    const unsigned ascii = ascii_bytes(narrow_sixteen(units + size, bytes + size));
    if (ascii != 0xFFFFu) return size + leading_ones(ascii);
  }
#endif
  if (words_little_endian) {
    for (; size + 4 <= word_limit; size += 4) {
      std::uint64_t word;
      std::memcpy(&word, units + size, sizeof word);
      if (!units_are_ascii(word)) break;
      const std::uint32_t four = gather_bytes(word);
      std::memcpy(bytes + size, &four, sizeof four);
    }
  }
  while (size < limit && static_cast<unsigned>(units[size]) - 1u < 0x7Fu) {
    bytes[size] = static_cast<char>(units[size]);
    ++size;
  }
  return size;
}

std::size_t narrow(const TamselChar16* units, char* bytes, std::size_t capacity, std::size_t max_characters,
                   std::size_t readable) {
  // ASCII, which nearly every answer is, one byte per unit.
  const std::size_t ascii_limit = max_characters < capacity - 1 ? max_characters : capacity - 1;
  const std::size_t word_limit = readable < ascii_limit ? readable : ascii_limit;
  std::size_t size = narrow_ascii(units, bytes, word_limit, ascii_limit);
  units += size;
  for (std::size_t characters = size; *units != 0 && characters < max_characters; ++characters) {
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

}  // namespace

std::size_t widen_ascii(const char* bytes, std::size_t size, TamselChar16* wide) {
#if defined(__SSE2__)
  if (size >= 8) return widen_ascii_blocks(bytes, size, wide);
#endif
  std::size_t done = 0;
  if (words_little_endian) {
    for (; done + 8 <= size; done += 8) {
      std::uint64_t word;
      std::memcpy(&word, bytes + done, sizeof word);
      if (!bytes_are_ascii(word)) break;
      const std::uint64_t low = spread_bytes(static_cast<std::uint32_t>(word));
      const std::uint64_t high = spread_bytes(static_cast<std::uint32_t>(word >> 32));
      std::memcpy(wide + done, &low, sizeof low);
      std::memcpy(wide + done + 4, &high, sizeof high);
    }
  }
  while (done < size && static_cast<unsigned>(static_cast<unsigned char>(bytes[done])) - 1u < 0x7Fu) {
    wide[done] = static_cast<TamselChar16>(bytes[done]);
    ++done;
  }
  return done;
}

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
  // ASCII, which nearly every request is, one unit per byte.
  const std::size_t ascii_limit = bytes.size() < capacity - 1 ? bytes.size() : capacity - 1;
  std::size_t size = widen_ascii(p, ascii_limit, wide);
  p += size;
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
                            std::size_t max_characters, std::size_t readable) {
  return narrow(units, bytes, capacity, max_characters, readable);
}

}  // namespace tamsel::review
