// SPDX-License-Identifier: MIT
// Prints a digest of the library's arithmetic: the correctly rounded log10 and x^1.5 of a
// million arguments and the answers to every formula over a grid of realistic requests. The
// build test compiles it with the project's flags and with those a packager might use; any
// difference in a last bit changes the digest.
#include "numerics/strict_arithmetic.h"  // the digest itself must not change with the flags

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "TamselCalculatorHealth.h"
#include "numerics/correctly_rounded.h"

namespace {

std::uint64_t digest = 14695981039346656037ull;  // FNV-1a

void mix(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  for (std::size_t index = 0; index < size; ++index) digest = (digest ^ bytes[index]) * 1099511628211ull;
}

void mix_double(double value) { mix(&value, sizeof value); }

void mix_answer(const std::string& request) {
  std::u16string wide(request.begin(), request.end());
  const TamselChar16* answer = CalcHealth(reinterpret_cast<const TamselChar16*>(wide.c_str()));
  std::size_t length = 0;
  while (answer[length] != 0) ++length;
  mix(answer, length * sizeof *answer);
}

}  // namespace

int main() {
  std::uint64_t state = 0x9E3779B97F4A7C15ull;
  for (int index = 0; index < 1000000; ++index) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    const double x = 0.5 + 299.5 * static_cast<double>(state >> 11) * 0x1p-53;
    mix_double(tamsel::numerics::log10(x));
    mix_double(tamsel::numerics::pow_three_halves(x));
  }
  for (int height = 1400; height <= 2100; height += 7) {
    const std::string h = std::to_string(height / 10) + "." + std::to_string(height % 10);
    for (int girth = 600; girth <= 1400; girth += 13) {
      const std::string g = std::to_string(girth / 10) + "." + std::to_string(girth % 10);
      mix_answer("bodyfat_navy M " + g + " 38.5 " + h);
      mix_answer("bodyfat_navy F " + g + " 33.5 " + h + " 101.3");
      mix_answer("bai " + g + " 1." + std::to_string(height % 1000));
      mix_answer("bmi " + g + " 1." + std::to_string(height % 1000));
      mix_answer("bsa " + g + " " + h);
      mix_answer("bmr_harris F " + g + " " + h + " 41");
      mix_answer("lbm M " + g + " " + h);
      mix_answer("ideal_miller F " + h);
      mix_answer("map " + std::to_string(girth / 5) + " " + std::to_string(height / 25));
    }
  }
  std::printf("%016llx\n", static_cast<unsigned long long>(digest));
  return 0;
}
