// SPDX-License-Identifier: MIT
// Answering one request: the library's answer with its review (kind, warnings, category), and
// the answer written out as text or as a record.
#ifndef TAMSEL_APP_ANSWERER_H
#define TAMSEL_APP_ANSWERER_H

#include <cstddef>
#include <string>
#include <string_view>

#include "TamselReview.h"
#include "answer_record.h"

namespace tamsel_host {

enum class OutputFormat { plain, json, csv };

struct HostOptions {
  OutputFormat format = OutputFormat::plain;
  bool strict = false;  // a request with a warning is a wrong request
};

struct Answer {
  std::size_t line = 0;      // input line number; 1 for a request from the arguments
  std::string_view request;  // as read: no final CR, no byte-order mark
  const TamselRecord* review = nullptr;
  bool wrong = false;        // a wrong request, or with --strict one with a warning

  TamselAnswerKind kind() const { return review->kind; }
  std::string_view text() const { return {review->text, review->text_size}; }
  bool has_warnings() const { return review->warning_count != 0; }
};

class Answerer {
 public:
  explicit Answerer(const HostOptions& options) : options_(options) {}

  // Answers one request. The answer stays valid until the next call; `request` must outlive it.
  const Answer& answer(std::string_view request, std::size_t line);

  // What comes before the first answer: the CSV header, else nothing.
  void begin(std::string& out) const;

  // Appends the answer, or its record, and a line end. For a terminal, control characters are
  // shown, never sent: no input can then drive the terminal; and a person there also sees the
  // category of a result, on a line of its own, while a pipe gets the library's text alone.
  void write(const Answer& answer, bool terminal, std::string& out);

 private:
  HostOptions options_;
  Answer answer_;
  TamselRecord review_;
  std::string scratch_;
};

}  // namespace tamsel_host

#endif
