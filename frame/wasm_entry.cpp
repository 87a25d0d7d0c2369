// SPDX-License-Identifier: MIT
// What a WebAssembly host needs besides CalcHealth. JavaScript cannot hand the module a pointer
// to its own strings, so the module lends it a fixed place in its memory for the command line.
#include "TamselCalculatorHealth.h"
#include "buffer_sizes.h"

namespace {

TamselChar16 input_text[tamsel::wasm_input_units];

}  // namespace

// The address of wasm_input_units code units where the host writes the command line (at most
// wasm_input_units - 1 of them, then a zero) before it calls CalcHealth with that address.
extern "C" TAMSEL_HEALTH_API TamselChar16* CalcHealthInput() { return input_text; }
