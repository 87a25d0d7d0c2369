// SPDX-License-Identifier: MIT
// The calculator on numbers over a column of a million rows, each value exactly rounded and
// reviewed (warnings and category), against the plain loop a user would write for the same
// formula, which does neither.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "TamselCore.h"

namespace {

constexpr std::size_t rows = 1000000;

struct People {
  std::vector<double> weight, height_m, height_cm, waist, neck, hip;
  std::vector<unsigned char> sex;
  std::vector<double> systolic, diastolic;
};

// Adults as a clinic measures them, to one decimal.
const People people = [] {
  People p;
  std::mt19937_64 random(7);
  const auto uniform = [&random](double low, double high) {
    return std::round(std::uniform_real_distribution<double>(low, high)(random) * 10) / 10;
  };
  for (std::size_t row = 0; row < rows; ++row) {
    const double height = uniform(150, 200);
    p.weight.push_back(uniform(45, 140));
    p.height_cm.push_back(height);
    p.height_m.push_back(height / 100);
    p.sex.push_back(static_cast<unsigned char>(row % 2));
    p.waist.push_back(uniform(65, 120));
    p.neck.push_back(uniform(30, 45));
    p.hip.push_back(uniform(85, 130));
    p.systolic.push_back(std::round(uniform(95, 185)));
    p.diastolic.push_back(std::round(uniform(55, 115)));
  }
  return p;
}();

struct Outputs {
  std::vector<double> values = std::vector<double>(rows);
  std::vector<unsigned char> kinds = std::vector<unsigned char>(rows);
  std::vector<unsigned char> categories = std::vector<unsigned char>(rows);
  std::vector<TamselWarnings> warnings = std::vector<TamselWarnings>(rows);
};

TamselColumn column(const std::vector<double>& values) { return {values.data(), sizeof(double), nullptr, 0}; }

void evaluate(benchmark::State& state, int formula, const std::vector<TamselColumn>& columns) {
  Outputs out;
  for (auto _ : state) {
    benchmark::DoNotOptimize(tamsel_evaluate_columns(formula, rows, columns.data(), TAMSEL_NAN_IS_MISSING,
                                                     out.values.data(), out.kinds.data(), out.categories.data(),
                                                     out.warnings.data()));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * rows));
}

void column_bmi(benchmark::State& state) {
  evaluate(state, TAMSEL_FORMULA_BMI, {column(people.weight), column(people.height_m)});
}

void column_bodyfat_navy(benchmark::State& state) {
  evaluate(state, TAMSEL_FORMULA_BODYFAT_NAVY,
           {{people.sex.data(), 1, nullptr, 0}, column(people.waist), column(people.neck), column(people.height_cm),
            column(people.hip)});
}

void column_bp_category(benchmark::State& state) {
  evaluate(state, TAMSEL_FORMULA_BP_CATEGORY, {column(people.systolic), column(people.diastolic)});
}

// What a user writes instead: the formula alone, neither rounded nor reviewed.
void plain_bmi(benchmark::State& state) {
  std::vector<double> values(rows);
  for (auto _ : state) {
    const double* w = people.weight.data();
    const double* h = people.height_m.data();
    for (std::size_t row = 0; row < rows; ++row) values[row] = w[row] / (h[row] * h[row]);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * rows));
}

void plain_bodyfat_navy(benchmark::State& state) {
  std::vector<double> values(rows);
  for (auto _ : state) {
    for (std::size_t row = 0; row < rows; ++row) {
      const double height = std::log10(people.height_cm[row]);
      if (people.sex[row] == TAMSEL_SEX_MALE) {
        const double girth = std::log10(people.waist[row] - people.neck[row]);
        values[row] = 495 / (1.0324 - 0.19077 * girth + 0.15456 * height) - 450;
      } else {
        const double girth = std::log10(people.waist[row] + people.hip[row] - people.neck[row]);
        values[row] = 495 / (1.29579 - 0.35004 * girth + 0.221 * height) - 450;
      }
    }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * rows));
}

void plain_bp_category(benchmark::State& state) {
  std::vector<double> values(rows);
  for (auto _ : state) {
    for (std::size_t row = 0; row < rows; ++row) {
      const double s = people.systolic[row], d = people.diastolic[row];
      values[row] = s < 120 && d < 80 ? 0 : s < 130 && d < 80 ? 1 : s < 140 && d < 90 ? 2 : s >= 180 || d >= 120 ? 4 : 3;
    }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * rows));
}

}  // namespace

BENCHMARK(column_bmi)->Unit(benchmark::kMillisecond);
BENCHMARK(plain_bmi)->Unit(benchmark::kMillisecond);
BENCHMARK(column_bodyfat_navy)->Unit(benchmark::kMillisecond);
BENCHMARK(plain_bodyfat_navy)->Unit(benchmark::kMillisecond);
BENCHMARK(column_bp_category)->Unit(benchmark::kMillisecond);
BENCHMARK(plain_bp_category)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
