// SPDX-License-Identifier: MIT
// What a WebAssembly host needs besides CalcHealth. JavaScript cannot hand the module a pointer
// to its own strings, so the module lends it a fixed place in its memory for the command line.
// The module also carries the review of answers, which the shared library leaves out, so that
// JavaScript gets the very record the host program writes instead of classifying answers again.
#include "TamselCalculatorHealth.h"
#include "buffer_sizes.h"
#include "TamselReview.h"

namespace {

TamselChar16 input_text[tamsel::wasm_input_units];

// Static, like every buffer of the library: the memory never grows and no call allocates.
TamselRecord record;
char record_json[TAMSEL_REVIEW_JSON_BYTES];

}  // namespace

// libc++ calls abort() for a range error that it cannot throw (exceptions are off), and the
// standalone runtime's abort asks the host to end the process through WASI's proc_exit, an
// import that a browser does not have. No range error is ever raised (every substring the
// review takes lies inside its text); were one raised, the module traps instead, which reaches
// JavaScript as a RuntimeError, and it still needs nothing from its host.
extern "C" [[noreturn]] void abort() { __builtin_trap(); }

// The address of wasm_input_units code units where the host writes the command line (at most
// wasm_input_units - 1 of them, then a zero) before it calls CalcHealth with that address.
extern "C" TAMSEL_HEALTH_API TamselChar16* CalcHealthInput() { return input_text; }

// Answers and reviews the command line at `request` (the input buffer, filled as for
// CalcHealth) and returns the record's JSON members, zero-terminated UTF-8, which stay valid
// until the next call.
extern "C" TAMSEL_HEALTH_API const char* CalcHealthRecord(const TamselChar16* request) {
  tamsel_ask16(request, &record);
  tamsel_record_json(&record, record_json);
  return record_json;
}
