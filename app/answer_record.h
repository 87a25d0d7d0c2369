// SPDX-License-Identifier: MIT
// What kind of answer the library gave, and the answer as a record for programs: a JSON Lines
// object or a CSV row. The Python and npm bindings classify answers the same way.
#ifndef TAMSEL_APP_ANSWER_RECORD_H
#define TAMSEL_APP_ANSWER_RECORD_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tamsel_host {

enum class AnswerKind { result, usage, requirement, unknown, banner, listing };

std::string_view kind_name(AnswerKind kind);

// Classifies an answer (UTF-8) by its first line.
AnswerKind classify_answer(std::string_view answer);

// The banner, a usage or requirement line and an unknown formula tell the user the request
// was wrong; a result and the listing are answers.
bool is_wrong_request(AnswerKind kind);

// The answers the library writes on several lines, whose line breaks are its own.
bool is_multi_line(AnswerKind kind);

// The number and unit of a result line such as "Lean Body Mass: 61.42 kg": the digits as
// printed ("61.42"; empty for inf, -inf and nan) and the unit ("kg"; "" for none).
struct ResultNumber {
  std::string_view digits;
  std::string_view unit;
};
ResultNumber read_result_number(std::string_view result_line);

struct AnswerRecord {
  std::size_t line;          // input line number; 1 for a request from the arguments
  std::string_view request;  // as read, without a final CR or a byte-order mark
  AnswerKind kind;
  std::string_view answer;   // as the library gave it, in UTF-8
  const std::vector<std::string>& warnings;
};

// One JSON object, without a line end. Every string is well-formed UTF-8 (an ill-formed
// sequence becomes U+FFFD) and carries no raw control character.
void append_json_record(const AnswerRecord& record, std::string& out);

constexpr std::string_view csv_header = "line,request,kind,text,value,unit,warnings";

// One RFC 4180 row, without a line end; warnings are joined by "; ".
void append_csv_record(const AnswerRecord& record, std::string& out);

}  // namespace tamsel_host

#endif
