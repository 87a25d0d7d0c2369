// SPDX-License-Identifier: MIT
// Searches for a byte in short text. Where SSE2 is there (every x86-64), sixteen bytes are
// looked at a time while sixteen remain, so nothing past `end` is read; every compiler that
// defines __SSE2__ also has the builtin used here.
#ifndef TAMSEL_REVIEW_BYTE_SEARCH_H
#define TAMSEL_REVIEW_BYTE_SEARCH_H

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tamsel::review {

inline bool is_delimiter(char byte) { return byte == ' ' || byte == '\t'; }

// The first space or tab from `p` on, or `end`: the library's delimiters.
inline const char* find_delimiter(const char* p, const char* end) {
#if defined(__SSE2__)
  const __m128i spaces = _mm_set1_epi8(' ');
  const __m128i tabs = _mm_set1_epi8('\t');
  for (; end - p >= 16; p += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const auto found = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, spaces), _mm_cmpeq_epi8(block, tabs))));
    if (found != 0) return p + __builtin_ctz(found);
  }
#endif
  while (p != end && !is_delimiter(*p)) ++p;
  return p;
}

// The first `byte` from `p` on, or `end`.
inline const char* find_byte(const char* p, const char* end, char byte) {
#if defined(__SSE2__)
  const __m128i wanted = _mm_set1_epi8(byte);
  for (; end - p >= 16; p += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const auto found = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, wanted)));
    if (found != 0) return p + __builtin_ctz(found);
  }
#endif
  while (p != end && *p != byte) ++p;
  return p;
}

}  // namespace tamsel::review

#endif
