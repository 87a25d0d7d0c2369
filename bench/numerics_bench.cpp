// SPDX-License-Identifier: MIT
// The library's log10 and x^1.5 against the C runtime's log10 and pow, per call: on the
// values people type, where the fast path answers, over every binade, and on the slow paths.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "numerics/correctly_rounded.h"
#include "numerics/paths.h"

namespace {

std::vector<double> arguments(bool every_binade) {
  std::vector<double> values;
  std::uint64_t state = 12345;
  for (int index = 0; index < 4096; ++index) {
    state = state * 6364136223846793005u + 1442695040888963407u;
    if (every_binade) {
      std::uint64_t bits = (state >> 1) & 0x7FEFFFFFFFFFFFFFu;  // positive and finite
      double value;
      std::memcpy(&value, &bits, sizeof value);
      values.push_back(value);
    } else {
      values.push_back(0.5 + 299.5 * static_cast<double>(state >> 11) * 0x1p-53);
    }
  }
  return values;
}

const std::vector<double> typed = arguments(false);
const std::vector<double> any_binade = arguments(true);

// Both sides are called through a pointer, so that neither is inlined into the loop.
void numerics(benchmark::State& state, double (*function)(double), const std::vector<double>* values) {
  std::size_t next = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(function((*values)[next]));
    next = (next + 1) & 4095;
  }
  state.SetItemsProcessed(state.iterations());
}

double crt_log10(double x) { return std::log10(x); }
double crt_pow_three_halves(double x) { return std::pow(x, 1.5); }

}  // namespace

BENCHMARK_CAPTURE(numerics, log10_typed, tamsel::numerics::log10, &typed);
BENCHMARK_CAPTURE(numerics, crt_log10_typed, crt_log10, &typed);
BENCHMARK_CAPTURE(numerics, log10_any_binade, tamsel::numerics::log10, &any_binade);
BENCHMARK_CAPTURE(numerics, crt_log10_any_binade, crt_log10, &any_binade);
BENCHMARK_CAPTURE(numerics, log10_slow_path, tamsel::numerics::paths::log10_slow, &typed);
BENCHMARK_CAPTURE(numerics, pow_three_halves_typed, tamsel::numerics::pow_three_halves, &typed);
BENCHMARK_CAPTURE(numerics, crt_pow_typed, crt_pow_three_halves, &typed);
BENCHMARK_CAPTURE(numerics, pow_three_halves_any_binade, tamsel::numerics::pow_three_halves, &any_binade);
BENCHMARK_CAPTURE(numerics, crt_pow_any_binade, crt_pow_three_halves, &any_binade);
BENCHMARK_CAPTURE(numerics, pow_three_halves_exact_path, tamsel::numerics::paths::pow_three_halves_exact, &typed);
