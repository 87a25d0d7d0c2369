// SPDX-License-Identifier: MIT
// The narrow answer of one call, written line by line from printf-style formats.
#ifndef TAMSEL_FRAME_OUTPUT_TEXT_H
#define TAMSEL_FRAME_OUTPUT_TEXT_H

#include <cstddef>
#include <cstdint>

#include "buffer_sizes.h"

namespace tamsel {

struct OutputText {
  char bytes[output_text_size];  // always zero-terminated
  std::size_t length;
};

// Bytes between the lines of a multi-line answer; none follows the last line.
#ifdef _WIN32
constexpr const char line_separator[] = "\r\n";
#else
constexpr const char line_separator[] = "\n";
#endif

void clear(OutputText& out) noexcept;

// Each call appends one line. The formats understand "%%", "%d", "%s" and "%.Nf"; a fixed text
// is a format without arguments, so its "%%" prints as one percent sign. A line that would not
// fit is cut at the end of the buffer.
void write_line(OutputText& out, const char* format) noexcept;
void write_line(OutputText& out, const char* format, double value) noexcept;
void write_line(OutputText& out, const char* format, std::int32_t value) noexcept;
void write_line(OutputText& out, const char* format, const char* text) noexcept;

}  // namespace tamsel

#endif
