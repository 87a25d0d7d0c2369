// SPDX-License-Identifier: MIT
// Reviews the mix in rotation, for bench/instructions to count under callgrind: tamsel_ask as
// the program and the bindings call it, and tamsel_record_json as --json and Python write it.
// Every record is kept alive across the calls, as a host keeps its one record.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "TamselReview.h"
#include "mix.h"

// Called through pointers the optimiser cannot see through, so that a build optimised across
// files at link time keeps each function whole, under its own name, for callgrind to find.
void (*volatile ask)(const char*, std::size_t, TamselRecord*) = tamsel_ask;
std::size_t (*volatile record_json)(const TamselRecord*, char*, std::size_t) = tamsel_record_json;

int main(int argc, char** argv) {
  const long rounds = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 1000;
  static TamselRecord record;
  static char json[TAMSEL_REVIEW_JSON_BYTES];
  // Summing a byte of every record keeps the calls from being optimised away.
  unsigned long checksum = 0;
  unsigned long calls = 0;
  for (long round = 0; round < rounds; ++round) {
    for (const char* request : tamsel_bench::mix_requests) {
      ask(request, std::strlen(request), &record);
      checksum += static_cast<unsigned char>(record.text[0]) + record.warning_count;
      checksum += record_json(&record, json, sizeof json);
      ++calls;
    }
  }
  std::printf("%lu calls, checksum %lu\n", calls, checksum);
  return 0;
}
