// SPDX-License-Identifier: MIT
// Batch mode: one request per input line, answers in input order. Memory stays that of the
// longest line, however many lines there are.
#include <cstring>

#include "host.h"
#include "host_io.h"

namespace tamsel_host {
namespace {

constexpr std::size_t input_chunk = 64 * 1024;
// Answers collect until about this much is pending, then go out in one write.
constexpr std::size_t output_flush_size = 64 * 1024;

bool flush(std::string& out) {
  const bool written = write_output(out);
  out.clear();
  return written;
}

}  // namespace

int run_batch() {
  static char input[input_chunk];
  std::string partial_line;  // a line whose end has not been read yet
  std::string out;
  WideText wide;
  out.reserve(output_flush_size + 4096);
  for (;;) {
    // Everything answered so far goes out before a read that may wait, so that a program
    // talking to us line by line gets each answer.
    if (!flush(out)) return exit_io_error;
    const long count = read_input(input, sizeof input);
    if (count < 0) return exit_io_error;
    if (count == 0) break;
    const char* p = input;
    const char* const end = input + count;
    while (const void* found = std::memchr(p, '\n', static_cast<std::size_t>(end - p))) {
      const char* const newline = static_cast<const char*>(found);
      if (partial_line.empty()) {
        answer_line(std::string_view(p, static_cast<std::size_t>(newline - p)), wide, out);
      } else {
        partial_line.append(p, newline);
        answer_line(partial_line, wide, out);
        partial_line.clear();
      }
      p = newline + 1;
      if (out.size() >= output_flush_size && !flush(out)) return exit_io_error;
    }
    partial_line.append(p, end);
  }
  if (!partial_line.empty()) answer_line(partial_line, wide, out);
  return flush(out) ? exit_answered : exit_io_error;
}

}  // namespace tamsel_host
