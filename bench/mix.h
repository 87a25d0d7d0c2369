// SPDX-License-Identifier: MIT
// The requests of the benchmark's mix: all eighteen formulas as users type them, one of them
// with a capital keyword. Shared by the timing benchmark and the instruction count.
#ifndef TAMSEL_BENCH_MIX_H
#define TAMSEL_BENCH_MIX_H

namespace tamsel_bench {

constexpr const char* mix_requests[] = {
    "bmi 70 1.75", "bmr_harris M 80 180 30", "bmr_mifflin F 60 165 30", "bodyfat_navy M 90 40 180",
    "bodyfat_navy F 75 33 165 100", "whr 80 100", "ideal_devine M 180", "ideal_robinson F 165",
    "ideal_miller M 180", "bsa 70 175", "lbm F 60 165", "tdee 1800 1.55", "max_hr 30", "target_hr 30 0.7",
    "bai 100 1.75", "wthr 85 170", "bp_category 150 85", "map 120 80", "pulse_pressure 120 80",
    "BMI 82.5 1.8"};

}  // namespace tamsel_bench

#endif
