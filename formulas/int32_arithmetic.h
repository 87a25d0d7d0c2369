// SPDX-License-Identifier: MIT
// The few steps done on whole numbers (220 - age, 5 x age, systolic - diastolic) wrap around
// in 32 bits as two's-complement hardware does. Signed overflow is undefined in C++, so the
// work is done in unsigned arithmetic and mapped back.
#ifndef TAMSEL_FORMULAS_INT32_ARITHMETIC_H
#define TAMSEL_FORMULAS_INT32_ARITHMETIC_H

#include <cstdint>

namespace tamsel {

constexpr std::int32_t int32_from_bits(std::uint32_t bits) {
  return bits <= 0x7FFFFFFFu ? static_cast<std::int32_t>(bits)
                             : -static_cast<std::int32_t>(~bits) - 1;
}

constexpr std::int32_t wrapping_subtract(std::int32_t a, std::int32_t b) {
  return int32_from_bits(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

constexpr std::int32_t wrapping_multiply(std::int32_t a, std::int32_t b) {
  return int32_from_bits(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}

}  // namespace tamsel

#endif
