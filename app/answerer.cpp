// SPDX-License-Identifier: MIT
#include "answerer.h"

#include "host.h"
#include "terminal_text.h"

namespace tamsel_host {
namespace {

bool is_multi_line(TamselAnswerKind kind) { return kind == TAMSEL_KIND_BANNER || kind == TAMSEL_KIND_LISTING; }

// Ends a line: a lone byte is pushed, which costs less than appending a text of one byte.
void end_line(std::string& out) {
  if constexpr (line_end.size() == 1) {
    out.push_back(line_end[0]);
  } else {
    out += line_end;
  }
}

}  // namespace

void append_lines(std::string_view text, std::string& out) {
  // Where lines end in "\n" already, the text goes as it is.
  if constexpr (line_end == "\n") {
    out.append(text);
    return;
  }
  for (std::size_t start = 0;;) {
    const std::size_t newline = text.find('\n', start);
    out.append(text.substr(start, newline - start));
    if (newline == std::string_view::npos) return;
    out += line_end;
    start = newline + 1;
  }
}

const Answer& Answerer::answer(std::string_view request, std::size_t line) {
  tamsel_ask(request.data(), request.size(), &review_);
  answer_.line = line;
  answer_.request = request;
  answer_.review = &review_;
  answer_.wrong = tamsel_is_wrong_request(review_.kind) != 0 || (options_.strict && review_.warning_count != 0);
  return answer_;
}

void Answerer::begin(std::string& out) const {
  if (options_.format != OutputFormat::csv) return;
  out += csv_header;
  out += line_end;
}

void Answerer::write(const Answer& answer, bool terminal, std::string& out) {
  const TamselRecord& review = *answer.review;
  switch (options_.format) {
    case OutputFormat::plain:
      if (terminal) {
        scratch_.clear();
        append_lines(answer.text(), scratch_);
        append_visible(scratch_, is_multi_line(review.kind), out);
        if (review.category != nullptr) {
          out += line_end;
          out += "  category: ";
          out += review.category;
          out += " (";
          out += review.category_source;
          out += ')';
          out += line_end;
          out += "  note: ";
          out += review.category_note;
        }
      } else {
        append_lines(answer.text(), out);
      }
      break;
    case OutputFormat::json:
      // JSON escapes every control character, so a record is safe on a terminal as it is.
      append_json_record({answer.line, answer.request, review}, out);
      break;
    case OutputFormat::csv:
      scratch_.clear();
      append_csv_record({answer.line, answer.request, review}, scratch_);
      if (terminal) {
        append_visible(scratch_, true, out);
      } else {
        out += scratch_;
      }
      break;
  }
  end_line(out);
}

}  // namespace tamsel_host
