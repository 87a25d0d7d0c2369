// SPDX-License-Identifier: MIT
#include "output_text.h"

#include <algorithm>
#include <cstring>

#include "byte_copy.h"
#include "number_text.h"

namespace tamsel {
namespace {

// The one argument a line may carry; `kind` says which member is meant.
struct FormatArgument {
  enum Kind { none, real, integer, text } kind;
  double real_value;
  std::int32_t integer_value;
  const char* text_value;
};

void append(OutputText& out, const char* bytes, std::size_t count) {
  const std::size_t room = sizeof out.bytes - 1 - out.length;
  count = std::min(count, room);
  copy_bytes(out.bytes + out.length, bytes, count);
  out.length += count;
}

// Appends the conversion that starts at `conversion`, just after its %, and returns the first
// byte after it. A conversion that does not match the argument is copied as it stands.
const char* append_conversion(OutputText& out, const char* conversion, const FormatArgument& argument) {
  char number[max_number_text];
  if (*conversion == '%') {
    append(out, "%", 1);
    return conversion + 1;
  }
  if (*conversion == 's' && argument.kind == FormatArgument::text) {
    append(out, argument.text_value, std::strlen(argument.text_value));
    return conversion + 1;
  }
  if (*conversion == 'd' && argument.kind == FormatArgument::integer) {
    append(out, number, static_cast<std::size_t>(write_integer(number, argument.integer_value) - number));
    return conversion + 1;
  }
  // Each byte is looked at only once the one before it has matched: a format may end in "%".
  if (conversion[0] == '.' && conversion[1] >= '0' && conversion[1] <= '0' + max_decimals &&
      conversion[2] == 'f' && argument.kind == FormatArgument::real) {
    const char* end = write_fixed(number, argument.real_value, conversion[1] - '0');
    append(out, number, static_cast<std::size_t>(end - number));
    return conversion + 3;
  }
  append(out, "%", 1);
  return conversion;
}

void write_formatted(OutputText& out, const char* format, const FormatArgument& argument) {
  if (out.length > 0) append(out, line_separator, sizeof line_separator - 1);
  for (const char* p = format; *p != '\0';) {
    const char* percent = std::strchr(p, '%');
    if (percent == nullptr) {
      append(out, p, std::strlen(p));
      break;
    }
    append(out, p, static_cast<std::size_t>(percent - p));
    p = append_conversion(out, percent + 1, argument);
  }
  out.bytes[out.length] = '\0';
}

}  // namespace

void clear(OutputText& out) noexcept {
  out.length = 0;
  out.bytes[0] = '\0';
  out.answered_wide = false;
}

void write_line(OutputText& out, const char* format) noexcept {
  write_formatted(out, format, {FormatArgument::none, 0.0, 0, nullptr});
}

void write_line(OutputText& out, const char* format, double value) noexcept {
  write_formatted(out, format, {FormatArgument::real, value, 0, nullptr});
}

void write_line(OutputText& out, const char* format, std::int32_t value) noexcept {
  write_formatted(out, format, {FormatArgument::integer, 0.0, value, nullptr});
}

void write_line(OutputText& out, const char* format, const char* text) noexcept {
  write_formatted(out, format, {FormatArgument::text, 0.0, 0, text});
}

void write_result(OutputText& out, const char* text, std::size_t before, std::size_t after,
                  int decimals, double value) noexcept {
  // Nearly always the room left holds the longest such line: then the number is written in
  // place and nothing needs cutting.
  constexpr std::size_t separator_length = sizeof line_separator - 1;
  if (sizeof out.bytes - 1 - out.length >= separator_length + before + max_number_text + after) {
    char* p = out.bytes + out.length;
    if (out.length > 0) {
      copy_bytes(p, line_separator, separator_length);
      p += separator_length;
    }
    copy_bytes(p, text, before);
    p = write_fixed(p + before, value, decimals);
    copy_bytes(p, text + before, after);
    p += after;
    *p = '\0';
    out.length = static_cast<std::size_t>(p - out.bytes);
    return;
  }
  char number[max_number_text];
  const char* const end = write_fixed(number, value, decimals);
  if (out.length > 0) append(out, line_separator, sizeof line_separator - 1);
  append(out, text, before);
  append(out, number, static_cast<std::size_t>(end - number));
  append(out, text + before, after);
  out.bytes[out.length] = '\0';
}

void write_result(OutputText& out, const char* text, std::size_t before, std::size_t after,
                  std::int32_t value) noexcept {
  char number[max_number_text];
  const char* const end = write_integer(number, value);
  if (out.length > 0) append(out, line_separator, sizeof line_separator - 1);
  append(out, text, before);
  append(out, number, static_cast<std::size_t>(end - number));
  append(out, text + before, after);
  out.bytes[out.length] = '\0';
}

}  // namespace tamsel
