// SPDX-License-Identifier: MIT
// Answering one request: the library's answer, what kind it is, the warnings about its
// arguments, and the answer written out as text or as a record.
#ifndef TAMSEL_APP_ANSWERER_H
#define TAMSEL_APP_ANSWERER_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "answer_record.h"
#include "argument_warnings.h"
#include "utf8_text.h"

namespace tamsel_host {

enum class OutputFormat { plain, json, csv };

struct HostOptions {
  OutputFormat format = OutputFormat::plain;
  bool strict = false;  // a request with a warning is a wrong request
};

struct Answer {
  std::size_t line = 0;      // input line number; 1 for a request from the arguments
  std::string_view request;  // as read: no final CR, no byte-order mark
  AnswerKind kind = AnswerKind::result;
  std::string text;          // the library's answer in UTF-8
  std::vector<std::string> warnings;
  bool wrong = false;        // a wrong request, or with --strict one with a warning
};

class Answerer {
 public:
  explicit Answerer(const HostOptions& options) : options_(options) {}

  // Answers one request. The answer stays valid until the next call; `request` must outlive it.
  const Answer& answer(std::string_view request, std::size_t line);

  // What comes before the first answer: the CSV header, else nothing.
  void begin(std::string& out) const;

  // Appends the answer, or its record, and a line end. For a terminal, control characters are
  // shown, never sent: no input can then drive the terminal.
  void write(const Answer& answer, bool terminal, std::string& out);

 private:
  HostOptions options_;
  Answer answer_;
  WideText wide_;
  std::string scratch_;
  ArgumentChecker checker_;
};

}  // namespace tamsel_host

#endif
