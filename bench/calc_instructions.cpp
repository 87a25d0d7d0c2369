// SPDX-License-Identifier: MIT
// Calls CalcHealth on the mix in rotation, for bench/instructions to count under callgrind.
// Instruction counts do not depend on what else the machine is doing, so this figure can be
// compared across runs where timings cannot.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "TamselCalculatorHealth.h"
#include "mix.h"

int main(int argc, char** argv) {
  const long rounds = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 1000;
  std::vector<std::basic_string<TamselChar16>> requests;
  for (const char* text : tamsel_bench::mix_requests) {
    const std::string narrow(text);
    requests.emplace_back(narrow.begin(), narrow.end());
  }
  // Summing a unit of every answer keeps the calls from being optimised away.
  unsigned long checksum = 0;
  for (long round = 0; round < rounds; ++round) {
    for (const auto& request : requests) checksum += CalcHealth(request.c_str())[0];
  }
  std::printf("%lu calls, checksum %lu\n", static_cast<unsigned long>(rounds) * requests.size(), checksum);
  return 0;
}
