// SPDX-License-Identifier: MIT
// Batch mode: one request per input line, answers in input order, every one on standard
// output so that answer n stays the answer to request n. Memory stays that of the longest
// line, however many lines there are.
#include <cstring>

#include "host.h"
#include "host_io.h"

namespace tamsel_host {
namespace {

constexpr std::size_t input_chunk = 64 * 1024;
// Answers collect until about this much is pending, then go out in one write.
constexpr std::size_t output_flush_size = 64 * 1024;

constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";

bool flush(std::string& out) {
  const bool written = write_output(out);
  out.clear();
  return written;
}

// Only the library's delimiters: a line of them asks for nothing, as at the prompt.
bool is_blank(std::string_view line) {
  for (const char byte : line) {
    if (byte != ' ' && byte != '\t') return false;
  }
  return true;
}

class Batch {
 public:
  explicit Batch(const HostOptions& options) : answerer_(options), terminal_(output_is_terminal()) {
    out_.reserve(output_flush_size + 4096);
    answerer_.begin(out_);
  }

  // Answers one input line; false when writing fails.
  bool answer_line(std::string_view line) {
    ++line_number_;
    // Files joined with cat carry each one's mark at the start of a line, not only the first.
    if (line.substr(0, byte_order_mark.size()) == byte_order_mark) line.remove_prefix(byte_order_mark.size());
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (is_blank(line)) return true;
    const Answer& answer = answerer_.answer(line, line_number_);
    ++requests_;
    if (answer.wrong) ++wrong_;
    answerer_.write(answer, terminal_, out_);
    if (answer.has_warnings()) {
      ++warned_;
      // The answers before go out first, so that a shared screen or file keeps the order.
      if (!flush(out_)) return false;
      report_warnings(answer, line_number_);
    }
    return out_.size() < output_flush_size || flush(out_);
  }

  bool flush_output() { return flush(out_); }
  bool any_wrong() const { return wrong_ != 0; }

  // Warnings scroll past by the thousand in a large batch; one line at the end says how many.
  void summarize() const {
    if (warned_ == 0) return;
    report(std::to_string(requests_) + (requests_ == 1 ? " request, " : " requests, ") + std::to_string(wrong_) +
           " wrong, " + std::to_string(warned_) + " with warnings");
  }

 private:
  Answerer answerer_;
  bool terminal_;
  std::string out_;
  std::size_t line_number_ = 0;
  std::size_t requests_ = 0;
  std::size_t wrong_ = 0;
  std::size_t warned_ = 0;
};

}  // namespace

int run_batch(const HostOptions& options) {
  static char input[input_chunk];
  Batch batch(options);
  std::string partial_line;  // a line whose end has not been read yet
  for (;;) {
    // Everything answered so far goes out before a read that may wait, so that a program
    // talking to us line by line gets each answer.
    if (!batch.flush_output()) return output_failed();
    const long count = read_input(input, sizeof input);
    if (count < 0) return input_failed();
    if (count == 0) break;
    const char* p = input;
    const char* const end = input + count;
    while (const void* found = std::memchr(p, '\n', static_cast<std::size_t>(end - p))) {
      const char* const newline = static_cast<const char*>(found);
      bool written = false;
      if (partial_line.empty()) {
        written = batch.answer_line(std::string_view(p, static_cast<std::size_t>(newline - p)));
      } else {
        partial_line.append(p, newline);
        written = batch.answer_line(partial_line);
        partial_line.clear();
      }
      if (!written) return output_failed();
      p = newline + 1;
    }
    partial_line.append(p, end);
  }
  if (!partial_line.empty() && !batch.answer_line(partial_line)) return output_failed();
  if (!batch.flush_output()) return output_failed();
  batch.summarize();
  return batch.any_wrong() ? exit_wrong_request : exit_answered;
}

}  // namespace tamsel_host
