// SPDX-License-Identifier: MIT
// Comparing a typed keyword with a lower-case name, two words at a time. Users type keywords in
// either case; only ASCII letters are folded. Against a lower-case letter of the name, setting
// the typed byte's 0x20 bit matches exactly that letter in either case; any other byte of the
// name must match as it stands. The library and the review both compare keywords this way, so
// that they can never disagree on which formula a request names.
#ifndef TAMSEL_CATALOG_FOLDED_WORDS_H
#define TAMSEL_CATALOG_FOLDED_WORDS_H

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tamsel {

// The bit that folds the case of a byte of the name: 0x20 for a lower-case letter, else 0.
constexpr char letter_bit(char byte) { return byte >= 'a' && byte <= 'z' ? 0x20 : 0; }

// `typed`, `size` bytes, is the lower-case `name` in either case: a byte at a time, for short
// words that are not keywords (a sex, "inf"). Compared with its size, so a NUL ends nothing.
inline bool is_folded_word(const char* typed, std::size_t size, const char* name, std::size_t name_size) {
  if (size != name_size) return false;
  for (std::size_t index = 0; index < size; ++index) {
    if (static_cast<char>(typed[index] | letter_bit(name[index])) != name[index]) return false;
  }
  return true;
}

// One word of `typed` against the same bytes of the name and of its letter bits. Bytes are put
// into the words by memcpy on every side, so the comparison means the same in either byte order.
template <typename Word>
inline bool folded_word_is(const char* typed, const char* lower, const char* letter_bits) {
  Word text;
  Word bits;
  Word expected;
  std::memcpy(&text, typed, sizeof text);
  std::memcpy(&bits, letter_bits, sizeof bits);
  std::memcpy(&expected, lower, sizeof expected);
  return static_cast<Word>(text | bits) == expected;
}

template <typename Word>
inline bool folded_words_are(const char* typed, const char* lower, const char* letter_bits, std::size_t size) {
  const std::size_t last = size - sizeof(Word);
  return folded_word_is<Word>(typed, lower, letter_bits) &&
         folded_word_is<Word>(typed + last, lower + last, letter_bits + last);
}

// `typed` has the name's `size`, two to sixteen bytes. Two words of the widest size that fits are
// compared, the first and the last (they overlap when it is shorter than two), so that every
// byte read lies inside the keyword.
inline bool folded_keyword_is(const char* typed, const char* lower, const char* letter_bits, std::size_t size) {
  if (size >= sizeof(std::uint64_t)) return folded_words_are<std::uint64_t>(typed, lower, letter_bits, size);
  if (size >= sizeof(std::uint32_t)) return folded_words_are<std::uint32_t>(typed, lower, letter_bits, size);
  return folded_words_are<std::uint16_t>(typed, lower, letter_bits, size);
}

}  // namespace tamsel

#endif
