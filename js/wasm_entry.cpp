// SPDX-License-Identifier: MIT
// What a WebAssembly host needs besides CalcHealth. JavaScript cannot hand the module a pointer
// to its own strings, so the module lends it a fixed place in its memory for the command line.
// The module also carries the review of answers, which the shared library leaves out, so that
// JavaScript gets the very record the host program writes instead of classifying answers again.
#include <cstddef>
#include <cstdint>

#include "TamselCalculatorHealth.h"
#include "TamselReview.h"
#include "frame/buffer_sizes.h"
#include "frame/output_text.h"

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

// The answer as JavaScript joins it: words of the answer's address; the address of its format's
// units when it is one result line (0 otherwise), the units before the number, the number's,
// and those after it; and the answer's length in units. A format's parts never change, so
// JavaScript makes their strings once and joins only the number to them afterwards.
constexpr std::size_t answer_words = 6;
std::uint32_t answer_summary[answer_words];

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
extern "C" void abort() { __builtin_trap(); }

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
  summary[3] = address(tamsel_record_digits(&record));
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

// CalcHealth for JavaScript: answers the command line at `request` (the input buffer) and
// returns the address of the answer's summary above.
extern "C" TAMSEL_HEALTH_API const std::uint32_t* CalcHealthText(const TamselChar16* request) {
  const TamselChar16* const answer = CalcHealth(request);
  const tamsel::OutputText& out = tamsel::last_output();
  answer_summary[0] = address(answer);
  if (out.answered_wide) {
    answer_summary[1] = address(out.wide_format);
    answer_summary[2] = static_cast<std::uint32_t>(out.wide_before);
    answer_summary[3] = static_cast<std::uint32_t>(out.wide_digits);
    answer_summary[4] = static_cast<std::uint32_t>(out.wide_after);
    answer_summary[5] = static_cast<std::uint32_t>(out.wide_before + out.wide_digits + out.wide_after);
  } else {
    // Widened byte for byte through the code page: as many units as bytes, as many as it kept.
    answer_summary[1] = 0;
    const std::size_t kept = out.length < tamsel::output_text_size - 1 ? out.length : tamsel::output_text_size - 1;
    answer_summary[5] = static_cast<std::uint32_t>(kept);
  }
  return answer_summary;
}
