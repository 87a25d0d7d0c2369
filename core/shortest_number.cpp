// SPDX-License-Identifier: MIT
// A double's exact decimal digits come from integer arithmetic (it is an integer times a power
// of two, so times 5^k over 10^k), and so do those of the two midpoints to its neighbours: a
// decimal strictly between them reads back as the double (on a midpoint itself, when the
// double's last bit is even, as reading rounds ties to even). Then the fewest leading digits,
// rounded down or up, that lie there; where both do, the nearer wins, and on a tie the even
// one, as to_chars chooses. Slow beside a dedicated algorithm, and only ever asked for the few
// numbers a warning or a request shows.
#include "../numerics/strict_arithmetic.h"  // first: it governs how everything after it computes

#include "shortest_number.h"

#include <cstdint>
#include <cstring>

#include "../numerics/binary64.h"

namespace tamsel::core {
namespace {

constexpr std::uint32_t limb_base = 1000000000;  // nine decimal digits a limb
constexpr int limb_digits = 9;

// The values written exactly are below 2^55 x 5^1076 (about 10^769: a midpoint beside the
// smallest subnormals) or below 2^1025 (10^309): at most 769 digits, in 86 limbs.
constexpr std::size_t max_exact_digits = 769;
constexpr std::size_t max_limbs = (max_exact_digits + limb_digits - 1) / limb_digits;

// A double's 17 significant digits always read back as it.
constexpr std::size_t max_significant = 17;

struct Limbs {
  std::uint32_t limb[max_limbs];  // least significant first
  std::size_t count;
};

// Multiplies by `factor`, which times a limb plus a carry stays within 64 bits.
void multiply(Limbs& number, std::uint64_t factor) {
  std::uint64_t carry = 0;
  for (std::size_t index = 0; index < number.count; ++index) {
    const std::uint64_t product = number.limb[index] * factor + carry;
    number.limb[index] = static_cast<std::uint32_t>(product % limb_base);
    carry = product / limb_base;
  }
  while (carry != 0 && number.count < max_limbs) {
    number.limb[number.count++] = static_cast<std::uint32_t>(carry % limb_base);
    carry /= limb_base;
  }
}

// Decimal digits of the number, most significant first, without leading zeros; returns how many.
std::size_t digits_of(const Limbs& number, char* out) {
  std::size_t size = 0;
  bool leading = true;
  for (std::size_t index = number.count; index-- > 0;) {
    char limb[limb_digits];
    std::uint32_t rest = number.limb[index];
    for (int digit = limb_digits - 1; digit >= 0; --digit, rest /= 10) limb[digit] = static_cast<char>('0' + rest % 10);
    for (const char digit : limb) {
      if (leading && digit == '0') continue;
      leading = false;
      out[size++] = digit;
    }
  }
  return size;
}

// Digits with the power of ten of the last one: the number digits x 10^exponent.
struct Decimal {
  char digits[max_exact_digits];
  std::size_t size;
  int exponent;
};

// The exact decimal value of mantissa x 2^exponent.
void exact_decimal(std::uint64_t mantissa, int exponent, Decimal& out) {
  Limbs number{{static_cast<std::uint32_t>(mantissa % limb_base),
                static_cast<std::uint32_t>(mantissa / limb_base % limb_base),
                static_cast<std::uint32_t>(mantissa / limb_base / limb_base)},
               3};
  out.exponent = 0;
  if (exponent >= 0) {
    constexpr int doublings = 29;  // a limb below 2^30 shifted by 29 stays within 64 bits
    for (int left = exponent; left > 0; left -= doublings) multiply(number, std::uint64_t{1} << (left < doublings ? left : doublings));
  } else {
    // m x 2^-k = m x 5^k / 10^k.
    constexpr int fives = 13;  // 5^13 < 2^31
    constexpr std::uint64_t five_power = 1220703125;
    int left = -exponent;
    for (; left >= fives; left -= fives) multiply(number, five_power);
    std::uint64_t rest = 1;
    for (; left > 0; --left) rest *= 5;
    multiply(number, rest);
    out.exponent = exponent;
  }
  out.size = digits_of(number, out.digits);
  while (out.size > 1 && out.digits[out.size - 1] == '0') {
    --out.size;
    ++out.exponent;
  }
}

// A finite, positive double, and the midpoints to its neighbours, exactly.
struct Neighbourhood {
  Decimal value;
  Decimal below;  // the midpoint to the next double down
  Decimal above;  // the midpoint to the next double up
  bool even;      // the double's last bit is 0: a midpoint reads as it
};

void neighbourhood(double value, Neighbourhood& out) {
  const std::uint64_t bits = numerics::bits_of(value);
  const auto biased = static_cast<int>((bits >> numerics::mantissa_bits) & 0x7FF);
  std::uint64_t mantissa = bits & numerics::mantissa_mask;
  int exponent = -1074;
  if (biased != 0) {
    mantissa |= std::uint64_t{1} << numerics::mantissa_bits;
    exponent = biased - 1075;
  }
  exact_decimal(mantissa, exponent, out.value);
  exact_decimal(2 * mantissa + 1, exponent - 1, out.above);
  // Just above a power of two the doubles below are twice as dense.
  const bool closer_below = mantissa == std::uint64_t{1} << numerics::mantissa_bits && biased > 1;
  if (closer_below) {
    exact_decimal(4 * mantissa - 1, exponent - 2, out.below);
  } else {
    exact_decimal(2 * mantissa - 1, exponent - 1, out.below);
  }
  out.even = (mantissa & 1) == 0;
}

// At most 17 digits and their exponent.
struct Candidate {
  char digits[max_significant + 1];
  std::size_t size;
  int exponent;
};

// The power of ten of a number's first digit.
int lead_of(const char* digits, std::size_t size, int exponent) {
  static_cast<void>(digits);
  return exponent + static_cast<int>(size) - 1;
}

// The digit of `digits` x 10^exponent at 10^position.
char digit_at(const char* digits, std::size_t size, int exponent, int position) {
  const int index = lead_of(digits, size, exponent) - position;
  return index >= 0 && static_cast<std::size_t>(index) < size ? digits[index] : '0';
}

// Compares two positive decimals without trailing zeros: -1, 0 or 1.
int compare(const char* a, std::size_t a_size, int a_exponent, const Decimal& b) {
  const int a_lead = lead_of(a, a_size, a_exponent);
  const int b_lead = lead_of(b.digits, b.size, b.exponent);
  if (a_lead != b_lead) return a_lead < b_lead ? -1 : 1;
  const int last = a_exponent < b.exponent ? a_exponent : b.exponent;
  for (int position = a_lead; position >= last; --position) {
    const char x = digit_at(a, a_size, a_exponent, position);
    const char y = digit_at(b.digits, b.size, b.exponent, position);
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

// Whether the library's correctly rounded reader takes the candidate back to the double.
bool reads_back(const Candidate& candidate, const Neighbourhood& around) {
  const int below = compare(candidate.digits, candidate.size, candidate.exponent, around.below);
  const int above = compare(candidate.digits, candidate.size, candidate.exponent, around.above);
  if (around.even) return below >= 0 && above <= 0;
  return below > 0 && above < 0;
}

// The first `size` digits of `exact`, rounded down, or up when `up`.
Candidate leading(const Decimal& exact, std::size_t size, bool up) {
  Candidate candidate;
  std::memcpy(candidate.digits, exact.digits, size);
  candidate.size = size;
  candidate.exponent = exact.exponent + static_cast<int>(exact.size - size);
  if (up) {
    std::size_t at = size;
    while (at > 0 && candidate.digits[at - 1] == '9') candidate.digits[--at] = '0';
    if (at == 0) {  // 99...9 became 100...0: one digit, a power of ten higher
      candidate.digits[0] = '1';
      candidate.size = 1;
      candidate.exponent += static_cast<int>(size);
    } else {
      ++candidate.digits[at - 1];
    }
  }
  while (candidate.size > 1 && candidate.digits[candidate.size - 1] == '0') {
    --candidate.size;
    ++candidate.exponent;
  }
  return candidate;
}

// Whether the digits of `exact` after the first `size` are more than half a unit of the last
// kept digit, exactly half, or less: 1, 0 or -1.
int compare_rest_with_half(const Decimal& exact, std::size_t size) {
  const char first = exact.digits[size];
  if (first != '5') return first > '5' ? 1 : -1;
  return exact.size > size + 1 ? 1 : 0;  // no trailing zeros are kept, so any further digit is not 0
}

Candidate shortest_digits(const Neighbourhood& around) {
  const Decimal& exact = around.value;
  for (std::size_t size = 1;; ++size) {
    if (size >= exact.size) return leading(exact, exact.size, false);
    const Candidate down = leading(exact, size, false);
    const Candidate up = leading(exact, size, true);
    const bool down_reads = reads_back(down, around);
    const bool up_reads = reads_back(up, around);
    if (down_reads && up_reads) {
      const int rest = compare_rest_with_half(exact, size);
      if (rest != 0) return rest > 0 ? up : down;
      return (exact.digits[size - 1] - '0') % 2 == 0 ? down : up;
    }
    if (down_reads) return down;
    if (up_reads) return up;
  }
}

std::size_t put_exponent(int exponent, char* out) {
  std::size_t size = 0;
  out[size++] = 'e';
  out[size++] = exponent < 0 ? '-' : '+';
  const int magnitude = exponent < 0 ? -exponent : exponent;
  if (magnitude >= 100) out[size++] = static_cast<char>('0' + magnitude / 100);
  out[size++] = static_cast<char>('0' + magnitude / 10 % 10);
  out[size++] = static_cast<char>('0' + magnitude % 10);
  return size;
}

std::size_t positional_size(const Candidate& number) {
  const int point = static_cast<int>(number.size) + number.exponent;  // digits before the point
  if (number.exponent >= 0) return number.size + static_cast<std::size_t>(number.exponent);
  if (point > 0) return number.size + 1;
  return 2 + static_cast<std::size_t>(-point) + number.size;
}

std::size_t write_positional(const Candidate& number, char* out) {
  const int point = static_cast<int>(number.size) + number.exponent;
  std::size_t size = 0;
  if (number.exponent >= 0) {
    std::memcpy(out, number.digits, number.size);
    size = number.size;
    for (int zero = 0; zero < number.exponent; ++zero) out[size++] = '0';
  } else if (point > 0) {
    const auto whole = static_cast<std::size_t>(point);
    std::memcpy(out, number.digits, whole);
    out[whole] = '.';
    std::memcpy(out + whole + 1, number.digits + whole, number.size - whole);
    size = number.size + 1;
  } else {
    out[size++] = '0';
    out[size++] = '.';
    for (int zero = 0; zero < -point; ++zero) out[size++] = '0';
    std::memcpy(out + size, number.digits, number.size);
    size += number.size;
  }
  return size;
}

std::size_t write_scientific(const Candidate& number, char* out) {
  std::size_t size = 0;
  out[size++] = number.digits[0];
  if (number.size > 1) {
    out[size++] = '.';
    std::memcpy(out + size, number.digits + 1, number.size - 1);
    size += number.size - 1;
  }
  return size + put_exponent(number.exponent + static_cast<int>(number.size) - 1, out + size);
}

std::size_t scientific_size(const Candidate& number) {
  const int exponent = number.exponent + static_cast<int>(number.size) - 1;
  const int magnitude = exponent < 0 ? -exponent : exponent;
  return number.size + (number.size > 1 ? 1 : 0) + (magnitude >= 100 ? 5 : 4);
}

// A whole number's own digits, however many.
std::size_t write_exact_integer(const Decimal& exact, char* out) {
  std::memcpy(out, exact.digits, exact.size);
  std::size_t size = exact.size;
  for (int zero = 0; zero < exact.exponent; ++zero) out[size++] = '0';
  return size;
}

}  // namespace

std::size_t write_shortest(double value, NumberStyle style, char* out) noexcept {
  const std::uint64_t bits = numerics::bits_of(value);
  std::size_t size = 0;
  if (value != value) {
    std::memcpy(out, "nan", 3);
    return 3;
  }
  if ((bits >> 63) != 0) {
    out[size++] = '-';
    value = -value;
  }
  if (value == 0) {
    out[size++] = '0';
    return size;
  }
  if (value > 1.7976931348623157e308) {
    std::memcpy(out + size, "inf", 3);
    return size + 3;
  }
  Neighbourhood around;
  neighbourhood(value, around);
  const Decimal& exact = around.value;
  const Candidate number = shortest_digits(around);
  // Where the shortest digits end before the point, the value is a whole number, and its own
  // digits are as short positionally and exact: to_chars writes those.
  Candidate whole;
  const Candidate* positional = &number;
  if (number.exponent > 0 && exact.size <= max_significant) {
    whole = leading(exact, exact.size, false);
    positional = &whole;
  }
  const std::size_t positional_length =
      number.exponent > 0 ? exact.size + static_cast<std::size_t>(exact.exponent) : positional_size(number);
  if (style == NumberStyle::shortest && scientific_size(number) < positional_length) {
    return size + write_scientific(number, out + size);
  }
  if (number.exponent > 0 && exact.size > max_significant) return size + write_exact_integer(exact, out + size);
  return size + write_positional(*positional, out + size);
}

}  // namespace tamsel::core
