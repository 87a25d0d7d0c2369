// SPDX-License-Identifier: MIT
#include "answerer.h"

#include "TamselCalculatorHealth.h"
#include "host.h"
#include "terminal_text.h"

namespace tamsel_host {

const Answer& Answerer::answer(std::string_view request, std::size_t line) {
  wide_.clear();
  append_utf16(request, wide_);
  answer_.line = line;
  answer_.request = request;
  answer_.text.clear();
  append_utf8(CalcHealth(wide_.c_str()), answer_.text);
  answer_.kind = classify_answer(answer_.text);
  answer_.warnings.clear();
  // Only a result was computed from the arguments; any other answer says what was wrong.
  if (answer_.kind == AnswerKind::result) checker_.check(request, answer_.warnings);
  answer_.wrong = is_wrong_request(answer_.kind) || (options_.strict && !answer_.warnings.empty());
  return answer_;
}

void Answerer::begin(std::string& out) const {
  if (options_.format != OutputFormat::csv) return;
  out += csv_header;
  out += line_end;
}

void Answerer::write(const Answer& answer, bool terminal, std::string& out) {
  switch (options_.format) {
    case OutputFormat::plain:
      if (terminal) {
        append_visible(answer.text, is_multi_line(answer.kind), out);
      } else {
        out += answer.text;
      }
      break;
    case OutputFormat::json:
      // JSON escapes every control character, so a record is safe on a terminal as it is.
      append_json_record({answer.line, answer.request, answer.kind, answer.text, answer.warnings}, out);
      break;
    case OutputFormat::csv:
      scratch_.clear();
      append_csv_record({answer.line, answer.request, answer.kind, answer.text, answer.warnings}, scratch_);
      if (terminal) {
        append_visible(scratch_, true, out);
      } else {
        out += scratch_;
      }
      break;
  }
  out += line_end;
}

}  // namespace tamsel_host
