// SPDX-License-Identifier: MIT
// What a WebAssembly host needs besides CalcHealth. JavaScript cannot hand the module a pointer
// to its own strings, so the module lends it a fixed place in its memory for the command line.
// The module also carries the review of answers, which the shared library leaves out, so that
// JavaScript gets the very record the host program writes instead of classifying answers again.
#include <cstddef>
#include <cstdint>

#include "TamselCalculatorHealth.h"
#include "buffer_sizes.h"
#include "TamselReview.h"

namespace {

TamselChar16 input_text[tamsel::wasm_input_units];

// Static, like every buffer of the library: the memory never grows and no call allocates.
TamselRecord record;

// The record as JavaScript reads it: addresses and sizes in 32-bit words, so that it needs no
// JSON to be written, decoded and parsed on every call. Words: the kind; the text's address
// and size; the digits' address and size; the unit's address; the category's and its
// source's addresses (0 for none); the warning count; then each warning's address.
constexpr std::size_t summary_fixed_words = 9;
constexpr std::size_t summary_words = summary_fixed_words + TAMSEL_REVIEW_MAX_WARNINGS;
std::uint32_t summary[summary_words];

// A wasm32 address fits 32 bits.
std::uint32_t address(const void* pointer) {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(pointer));
}

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
// CalcHealth) and returns the address of the record's summary; the record's text, digits and
// warnings are UTF-8, the rest static text, all zero-terminated, valid until the next call.
extern "C" TAMSEL_HEALTH_API const std::uint32_t* CalcHealthRecord(const TamselChar16* request) {
  tamsel_ask16(request, &record);
  summary[0] = static_cast<std::uint32_t>(record.kind);
  summary[1] = address(record.text);
  summary[2] = static_cast<std::uint32_t>(record.text_size);
  summary[3] = address(record.digits);
  summary[4] = static_cast<std::uint32_t>(record.digits_size);
  summary[5] = address(record.unit);
  summary[6] = address(record.category);
  summary[7] = address(record.category_source);
  summary[8] = static_cast<std::uint32_t>(record.warning_count);
  for (std::size_t index = 0; index < record.warning_count; ++index) {
    summary[summary_fixed_words + index] = address(record.warnings[index]);
  }
  return summary;
}
