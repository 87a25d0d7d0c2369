// SPDX-License-Identifier: MIT
// The answer as a record for programs: a JSON Lines object or a CSV row. The review decides
// what the record holds; the host adds where the request came from.
#ifndef TAMSEL_APP_ANSWER_RECORD_H
#define TAMSEL_APP_ANSWER_RECORD_H

#include <cstddef>
#include <string>
#include <string_view>

#include "TamselReview.h"

namespace tamsel_host {

struct AnswerRecord {
  std::size_t line;          // input line number; 1 for a request from the arguments
  std::string_view request;  // as read, without a final CR or a byte-order mark
  const TamselRecord& review;
};

// One JSON object, without a line end. Every string is well-formed UTF-8 (an ill-formed
// sequence becomes U+FFFD) and carries no raw control character.
void append_json_record(const AnswerRecord& record, std::string& out);

constexpr std::string_view csv_header =
    "line,request,kind,text,value,unit,warnings,category,category_source,category_note";

// One RFC 4180 row, without a line end; warnings are joined by "; ".
void append_csv_record(const AnswerRecord& record, std::string& out);

// One text cell of a CSV row: quoted where it must be, well-formed UTF-8, and with a leading '
// where a spreadsheet would run it as a formula.
void append_csv_field(std::string_view field, std::string& out);

}  // namespace tamsel_host

#endif
