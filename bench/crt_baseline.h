// SPDX-License-Identifier: MIT
// The classic C runtime way to answer a command line, as a yardstick for CalcHealth.
#ifndef TAMSEL_BENCH_CRT_BASELINE_H
#define TAMSEL_BENCH_CRT_BASELINE_H

#include "TamselCalculatorHealth.h"

// Narrow conversion loop, strtok_r, strtod/strtol and snprintf into fixed buffers, then a widening
// loop: the same kind of work as CalcHealth, with the same formulas.
const TamselChar16* crt_calc_health(const TamselChar16* command_line);

#endif
