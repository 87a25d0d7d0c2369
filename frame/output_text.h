// SPDX-License-Identifier: MIT
// The narrow answer of one call, written line by line from printf-style formats.
#ifndef TAMSEL_FRAME_OUTPUT_TEXT_H
#define TAMSEL_FRAME_OUTPUT_TEXT_H

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "TamselCalculatorHealth.h"
#include "buffer_sizes.h"
#include "byte_copy.h"
#include "number_text.h"

namespace tamsel {

struct OutputText {
  char bytes[output_text_size];  // always zero-terminated
  std::size_t length;
  // Where the answer is widened to, when the writer may write a result line there itself;
  // null where only the narrow text is wanted.
  TamselChar16* wide = nullptr;
  // The answer is a result line already written, terminated, into `wide`; `bytes` is not.
  bool answered_wide = false;
  // Such a line's parts, for a host that builds strings of parts (JavaScript, the WebAssembly
  // build alone): its format's units (`wide_before` of them before the number, `wide_after`
  // after it) and the number's length. Only meant while `answered_wide`.
  const TamselChar16* wide_format = nullptr;
  std::size_t wide_before = 0;
  std::size_t wide_digits = 0;
  std::size_t wide_after = 0;
};

// The output of the last call of CalcHealth, valid until the next.
const OutputText& last_output() noexcept;

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

// A result line's format, split once when the program is compiled: the text before its one
// conversion ("%.Nf" or "%d") and the text after it, with every "%%" already made one "%".
// Writing such a line is then three copies and the number, not a scan of the format.
template <std::size_t size>
struct ResultFormat {
  char text[size];  // the text before the conversion, then the text after it
  TamselChar16 wide[size];  // the same, unit for unit; only meant when `ascii`
  std::size_t before;
  std::size_t after;
  char conversion;  // 'f' or 'd'
  int decimals;
  // ASCII is the same in every ANSI code page, so such a text widens unit for unit. A byte of
  // the upper half (the superscript two of "m\xB2") is left to the code page's conversion.
  bool ascii;
};

// Reached only by a format that is not of the shape above; being no constexpr function, it
// makes the constexpr variable that holds such a format fail to compile.
inline void malformed_result_format() noexcept {}

// Room for every result line's format (the longest, tdee's, is 51 bytes).
constexpr std::size_t max_result_format = 64;

constexpr ResultFormat<max_result_format> result_format(std::string_view format) noexcept {
  ResultFormat<max_result_format> split{};
  if (format.size() >= max_result_format) malformed_result_format();
  std::size_t length = 0;
  bool converted = false;
  const auto at = [&format](std::size_t index) { return index < format.size() ? format[index] : '\0'; };
  for (std::size_t index = 0; index < format.size(); ++index) {
    if (format[index] != '%') {
      split.text[length++] = format[index];
    } else if (at(index + 1) == '%') {
      split.text[length++] = '%';
      ++index;
    } else if (!converted && at(index + 1) == 'd') {
      split.before = length;
      split.conversion = 'd';
      converted = true;
      ++index;
    } else if (!converted && at(index + 1) == '.' && at(index + 2) >= '0' && at(index + 2) <= '0' + max_decimals &&
               at(index + 3) == 'f') {
      split.before = length;
      split.conversion = 'f';
      split.decimals = at(index + 2) - '0';
      converted = true;
      index += 3;
    } else {
      malformed_result_format();
    }
  }
  if (!converted) malformed_result_format();
  split.after = length - split.before;
  split.ascii = true;
  for (std::size_t index = 0; index < length; ++index) {
    const auto unit = static_cast<unsigned char>(split.text[index]);
    split.wide[index] = static_cast<TamselChar16>(unit);
    if (unit >= 0x80) split.ascii = false;
  }
  return split;
}

// Writes the line `format` makes of `value`, the same bytes as the write_line above with the
// unsplit format.
void write_result(OutputText& out, const char* text, std::size_t before, std::size_t after,
                  int decimals, double value) noexcept;
void write_result(OutputText& out, const char* text, std::size_t before, std::size_t after,
                  std::int32_t value) noexcept;

// The only line of an answer, straight into the wide answer: no narrow text, no widening.
// Always inline, so that a result line's sizes are constants where it is written and its
// copies come down to a few fixed moves.
[[gnu::always_inline]] inline void write_wide_result(OutputText& out, const TamselChar16* text,
                                                     std::size_t before, std::size_t after, int decimals,
                                                     double value) noexcept {
  TamselChar16* p = out.wide;
  copy_units(p, text, before);
  // The decimals are a constant here too: one writer made for them is called, clamped as
  // write_fixed clamps them.
  static_assert(max_decimals == 3, "a branch for each number of decimals");
  if (decimals <= 0) {
    p = write_fixed<0>(p + before, value);
  } else if (decimals == 1) {
    p = write_fixed<1>(p + before, value);
  } else if (decimals == 2) {
    p = write_fixed<2>(p + before, value);
  } else {
    p = write_fixed<max_decimals>(p + before, value);
  }
  copy_units(p, text + before, after);
  p[after] = 0;
  out.answered_wide = true;
#if defined(__wasm__)
  // Only JavaScript asks for a line's parts; elsewhere the stores would be the only cost.
  out.wide_format = text;
  out.wide_before = before;
  out.wide_digits = static_cast<std::size_t>(p - (out.wide + before));
  out.wide_after = after;
#endif
}

template <std::size_t size>
[[gnu::always_inline]] inline void write_line(OutputText& out, const ResultFormat<size>& format,
                                              double value) noexcept {
  static_assert(size + max_number_text < result_text_size, "a result line fits the wide answer");
  if (format.ascii && out.wide != nullptr && out.length == 0) {
    return write_wide_result(out, format.wide, format.before, format.after, format.decimals, value);
  }
  write_result(out, format.text, format.before, format.after, format.decimals, value);
}

template <std::size_t size>
void write_line(OutputText& out, const ResultFormat<size>& format, std::int32_t value) noexcept {
  write_result(out, format.text, format.before, format.after, value);
}

}  // namespace tamsel

#endif
