// SPDX-License-Identifier: MIT
#include "answer_record.h"

#include "json_text.h"
#include "utf8_text.h"

namespace tamsel_host {
namespace {

constexpr std::string_view replacement_utf8 = "\xEF\xBF\xBD";

// The host's records grow without bound (a request may be very long), so the shared JSON
// writer writes into a string here.
struct StringSink {
  std::string& text;
  void put(char byte) { text += byte; }
  void put(std::string_view part) { text.append(part.data(), part.size()); }
};

void append_json_string(std::string_view text, std::string& out) {
  StringSink sink{out};
  tamsel::review::put_json_string(text, sink);
}

// Text in a record is well-formed UTF-8 in every format.
void append_well_formed(std::string_view text, std::string& out) {
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p < end) {
    if (static_cast<unsigned char>(*p) < 0x80) {
      out += *p++;
      continue;
    }
    const char* const start = p;
    if (next_code_point(p, end) == 0xFFFD) {
      out += replacement_utf8;
    } else {
      out.append(start, p);
    }
  }
}

void append_decimal(std::size_t value, std::string& out) {
  char digits[20];  // 2^64 - 1 has 20 digits
  std::size_t count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (count != 0) out += digits[--count];
}

std::string_view text_of(const TamselRecord& review) { return {review.text, review.text_size}; }

std::string_view digits_of(const TamselRecord& review) { return {tamsel_record_digits(&review), review.digits_size}; }

// A spreadsheet runs a cell that starts with one of these as a formula, which a request typed
// by anyone could then use to run commands or send data away. A leading ' makes it text.
bool could_run_as_formula(std::string_view field) {
  return !field.empty() && std::string_view("=+-@\t\r").find(field[0]) != std::string_view::npos;
}

}  // namespace

// Every text cell: the number cell is written apart, and a number such as -0.00 stays one.
void append_csv_field(std::string_view field, std::string& out) {
  const bool guarded = could_run_as_formula(field);
  if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
    if (guarded) out += '\'';
    return append_well_formed(field, out);
  }
  out += '"';
  if (guarded) out += '\'';
  for (std::size_t start = 0;;) {
    const std::size_t quote = field.find('"', start);
    append_well_formed(field.substr(start, quote - start), out);
    if (quote == std::string_view::npos) break;
    out += "\"\"";
    start = quote + 1;
  }
  out += '"';
}

void append_json_record(const AnswerRecord& record, std::string& out) {
  static char members[TAMSEL_REVIEW_JSON_BYTES];
  out += "{\"line\":";
  append_decimal(record.line, out);
  out += ",\"request\":";
  append_json_string(record.request, out);
  out += ',';
  out.append(members, tamsel_record_json(&record.review, members, sizeof members));
  out += '}';
}

void append_csv_record(const AnswerRecord& record, std::string& out) {
  const TamselRecord& review = record.review;
  append_decimal(record.line, out);
  out += ',';
  append_csv_field(record.request, out);
  out += ',';
  out += tamsel_kind_name(review.kind);
  out += ',';
  append_csv_field(text_of(review), out);
  out += ',';
  out += digits_of(review);
  out += ',';
  append_csv_field(review.unit, out);
  out += ',';
  std::string warnings;
  for (std::size_t index = 0; index < review.warning_count; ++index) {
    if (index != 0) warnings += "; ";
    warnings += review.warnings[index];
  }
  append_csv_field(warnings, out);
  out += ',';
  append_csv_field(review.category != nullptr ? review.category : "", out);
  out += ',';
  append_csv_field(review.category_source != nullptr ? review.category_source : "", out);
  out += ',';
  append_csv_field(review.category_note != nullptr ? review.category_note : "", out);
}

}  // namespace tamsel_host
