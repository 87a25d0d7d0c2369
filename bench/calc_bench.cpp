// SPDX-License-Identifier: MIT
// The cost of one CalcHealth call, by kind of request, and against the C runtime way.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "TamselCalculatorHealth.h"
#include "crt_baseline.h"
#include "mix.h"

namespace {

using WideText = std::basic_string<TamselChar16>;

WideText wide(const std::string& text) { return WideText(text.begin(), text.end()); }

std::vector<WideText> requests(std::initializer_list<const char*> texts) {
  std::vector<WideText> list;
  for (const char* text : texts) list.push_back(wide(text));
  return list;
}

const std::vector<WideText> mix = [] {
  std::vector<WideText> list;
  for (const char* text : tamsel_bench::mix_requests) list.push_back(wide(text));
  return list;
}();

const std::vector<WideText> body_indices = requests({"bmi 70 1.75", "whr 80 100", "wthr 85 170", "bai 100 1.75", "bsa 70 175"});
const std::vector<WideText> body_fat = requests({"bodyfat_navy M 90 40 180", "bodyfat_navy F 75 33 165 100", "lbm M 80 180", "lbm F 60 165"});
const std::vector<WideText> metabolic = requests({"bmr_harris M 80 180 30", "bmr_mifflin F 60 165 30", "tdee 1800 1.55"});
const std::vector<WideText> ideal_weight = requests({"ideal_devine M 180", "ideal_robinson F 165", "ideal_miller M 180"});
const std::vector<WideText> cardiovascular = requests({"max_hr 30", "target_hr 30 70", "bp_category 150 85", "map 120 80", "pulse_pressure 120 80"});

void answer_in_rotation(benchmark::State& state, const TamselChar16* (*calc)(const TamselChar16*),
                        const std::vector<WideText>& list) {
  std::size_t next = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(calc(list[next].c_str()));
    if (++next == list.size()) next = 0;
  }
  state.SetItemsProcessed(state.iterations());
}

void calc_health(benchmark::State& state, const std::vector<WideText>* list) {
  answer_in_rotation(state, CalcHealth, *list);
}

void crt_baseline(benchmark::State& state, const std::vector<WideText>* list) {
  answer_in_rotation(state, crt_calc_health, *list);
}

void answer_one(benchmark::State& state, const std::string& request) {
  const WideText line = wide(request);
  for (auto _ : state) benchmark::DoNotOptimize(CalcHealth(line.c_str()));
  state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK_CAPTURE(calc_health, mix, &mix);
BENCHMARK_CAPTURE(crt_baseline, mix, &mix);
BENCHMARK_CAPTURE(calc_health, body_indices, &body_indices);
BENCHMARK_CAPTURE(calc_health, body_fat, &body_fat);
BENCHMARK_CAPTURE(calc_health, metabolic, &metabolic);
BENCHMARK_CAPTURE(calc_health, ideal_weight, &ideal_weight);
BENCHMARK_CAPTURE(calc_health, cardiovascular, &cardiovascular);
BENCHMARK_CAPTURE(answer_one, banner, std::string());
BENCHMARK_CAPTURE(answer_one, listing, std::string("help"));
BENCHMARK_CAPTURE(answer_one, usage_line, std::string("bmi 70"));
BENCHMARK_CAPTURE(answer_one, unknown_keyword, std::string("calories 2000"));
BENCHMARK_CAPTURE(answer_one, request_of_1023_bytes, "bmi 70" + std::string(1013, ' ') + "1.75");

BENCHMARK_MAIN();
