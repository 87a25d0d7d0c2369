// SPDX-License-Identifier: MIT
// Reading an argument as the library reads it, to tell the user when that is not what they
// typed. The library itself never says: a token that is not a number reads as 0.
#ifndef TAMSEL_APP_NUMBER_READING_H
#define TAMSEL_APP_NUMBER_READING_H

#include <cstdint>
#include <string>
#include <string_view>

namespace tamsel_host {

struct NumberReading {
  double value;  // what the library computes with
  bool whole;    // the token is a number from end to end: nothing of it is ignored
};

// A number of digits with at most one point, read a byte at a time as a token is scanned:
// nearly every argument there is. Up to 15 digits make an integer below 2^53, and dividing it
// by an exact power of ten rounds once, correctly, as a full reading would.
class PlainNumber {
 public:
  void take(char byte) {
    if (byte >= '0' && byte <= '9') {
      mantissa_ = mantissa_ * 10 + static_cast<std::uint64_t>(byte - '0');
      ++digits_;
      decimals_ += point_ ? 1 : 0;
    } else if (byte == '.' && !point_) {
      point_ = true;
    } else {
      plain_ = false;
    }
  }
  bool plain() const { return plain_ && digits_ != 0 && digits_ <= max_digits; }
  bool has_point() const { return point_; }
  double value() const { return static_cast<double>(mantissa_) / powers_of_ten[decimals_]; }

 private:
  static constexpr int max_digits = 15;
  static constexpr double powers_of_ten[max_digits + 1] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                           1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  std::uint64_t mantissa_ = 0;
  int digits_ = 0;
  int decimals_ = 0;
  bool point_ = false;
  bool plain_ = true;
};

// As atof in the C locale, which the library follows: white space, one sign, the longest valid
// decimal prefix ("inf", "infinity" and "nan" included, hexadecimal not), 0 when there is none,
// and infinity or 0 out of range.
NumberReading read_real_token(std::string_view token);

// As atoi, which the library follows for ages and pressures: white space, one sign, decimal
// digits, saturating at the 32-bit limits.
NumberReading read_integer_token(std::string_view token);

// The shortest text that reads back as `value` ("1.75", "175", "inf", "nan").
void append_shortest(double value, std::string& out);

}  // namespace tamsel_host

#endif
