// SPDX-License-Identifier: MIT
// A fixed-size integer of 256 bits in 32-bit words, least significant first: the exact
// arithmetic behind the slow paths of the logarithm and the power. Words of 32 bits keep
// every partial product in 64 bits, which every target has (32-bit ARM has no 128-bit type).
#ifndef TAMSEL_NUMERICS_WIDE_INTEGER_H
#define TAMSEL_NUMERICS_WIDE_INTEGER_H

#include <cstddef>
#include <cstdint>

namespace tamsel::numerics {

// 256 bits: the largest value held is x^3 for the power, under 2^162 before it is aligned
// with the square it is compared with, and a product of two 225-bit fixed-point magnitudes
// is taken into a double-width result.
constexpr std::size_t wide_words = 8;

struct WideInteger {
  std::uint32_t word[wide_words];
};

inline WideInteger wide_from(std::uint64_t value) {
  WideInteger result{};
  result.word[0] = static_cast<std::uint32_t>(value);
  result.word[1] = static_cast<std::uint32_t>(value >> 32);
  return result;
}

// a * factor, modulo 2^256.
inline WideInteger multiply(const WideInteger& a, std::uint32_t factor) {
  WideInteger result{};
  std::uint64_t carry = 0;
  for (std::size_t index = 0; index < wide_words; ++index) {
    carry += std::uint64_t{a.word[index]} * factor;
    result.word[index] = static_cast<std::uint32_t>(carry);
    carry >>= 32;
  }
  return result;
}

// a * factor for a 64-bit factor, modulo 2^256.
inline WideInteger multiply(const WideInteger& a, std::uint64_t factor) {
  const WideInteger low = multiply(a, static_cast<std::uint32_t>(factor));
  const WideInteger high = multiply(a, static_cast<std::uint32_t>(factor >> 32));
  WideInteger result{};
  std::uint64_t carry = 0;
  for (std::size_t index = 0; index < wide_words; ++index) {
    carry += std::uint64_t{low.word[index]} + (index > 0 ? high.word[index - 1] : 0u);
    result.word[index] = static_cast<std::uint32_t>(carry);
    carry >>= 32;
  }
  return result;
}

// a * 2^bits, modulo 2^256.
inline WideInteger shift_left(const WideInteger& a, unsigned bits) {
  WideInteger result{};
  const std::size_t words = bits / 32;
  const unsigned rest = bits % 32;
  for (std::size_t index = wide_words; index-- > words;) {
    std::uint64_t value = std::uint64_t{a.word[index - words]} << rest;
    if (rest != 0 && index > words) value |= a.word[index - words - 1] >> (32 - rest);
    result.word[index] = static_cast<std::uint32_t>(value);
  }
  return result;
}

// Position of the highest set bit plus one: 0 for zero.
inline unsigned bit_length(const WideInteger& a) {
  for (std::size_t index = wide_words; index-- > 0;) {
    if (a.word[index] == 0) continue;
    unsigned bits = 32;
    while ((a.word[index] >> (bits - 1)) == 0) --bits;
    return static_cast<unsigned>(32 * index) + bits;
  }
  return 0;
}

// -1, 0 or 1 as a is less than, equal to or greater than b.
inline int compare(const WideInteger& a, const WideInteger& b) {
  for (std::size_t index = wide_words; index-- > 0;) {
    if (a.word[index] != b.word[index]) return a.word[index] < b.word[index] ? -1 : 1;
  }
  return 0;
}

}  // namespace tamsel::numerics

#endif
