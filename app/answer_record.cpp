// SPDX-License-Identifier: MIT
#include "answer_record.h"

#include "utf8_text.h"

namespace tamsel_host {
namespace {

constexpr std::string_view banner_first_line = "Tamsel Health Calculator - Command Line Medical Calculator";
constexpr std::string_view listing_first_line = "Available Medical Calculations:";
constexpr std::string_view replacement_utf8 = "\xEF\xBF\xBD";

bool starts_with(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// True when the first line of `text` is `line`, whatever ends it.
bool first_line_is(std::string_view text, std::string_view line) {
  if (!starts_with(text, line)) return false;
  const std::string_view rest = text.substr(line.size());
  return rest.empty() || rest[0] == '\n' || starts_with(rest, "\r\n");
}

bool is_digit(char byte) { return byte >= '0' && byte <= '9'; }

// The length of the number at the start of `text`: -?[0-9]+(\.[0-9]+)?, or 0 when there is none.
std::size_t number_length(std::string_view text) {
  std::size_t index = !text.empty() && text[0] == '-' ? 1 : 0;
  const std::size_t digits_start = index;
  while (index < text.size() && is_digit(text[index])) ++index;
  if (index == digits_start) return 0;
  if (index + 1 < text.size() && text[index] == '.' && is_digit(text[index + 1])) {
    ++index;
    while (index < text.size() && is_digit(text[index])) ++index;
  }
  return index;
}

// The record's text: the library's lines joined by "\n", whatever the platform parts them with.
std::string_view record_text(const AnswerRecord& record, std::string& scratch) {
  if (!is_multi_line(record.kind) || record.answer.find('\r') == std::string_view::npos) return record.answer;
  scratch.clear();
  for (std::size_t index = 0; index < record.answer.size(); ++index) {
    const char byte = record.answer[index];
    if (!(byte == '\r' && index + 1 < record.answer.size() && record.answer[index + 1] == '\n')) scratch += byte;
  }
  return scratch;
}

void append_hex_escape(unsigned value, std::string& out) {
  constexpr char hex[] = "0123456789abcdef";
  out += "\\u00";
  out += hex[(value >> 4) & 0xF];
  out += hex[value & 0xF];
}

// Printable ASCII that a JSON string holds as it is.
bool is_json_plain(unsigned char byte) { return byte >= 0x20 && byte < 0x7F && byte != '"' && byte != '\\'; }

void append_json_string(std::string_view text, std::string& out) {
  out += '"';
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p < end) {
    const char* const run = p;
    while (p < end && is_json_plain(static_cast<unsigned char>(*p))) ++p;
    out.append(run, p);
    if (p == end) break;
    const auto byte = static_cast<unsigned char>(*p);
    if (byte >= 0x80) {
      const char* const start = p;
      const char32_t code_point = next_code_point(p, end);
      if (code_point == 0xFFFD) {
        out += replacement_utf8;
      } else if (code_point <= 0x9F) {
        append_hex_escape(static_cast<unsigned>(code_point), out);  // C1 controls
      } else {
        out.append(start, p);
      }
      continue;
    }
    ++p;
    switch (byte) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default: append_hex_escape(byte, out);
    }
  }
  out += '"';
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

// A spreadsheet runs a cell that starts with one of these as a formula, which a request typed
// by anyone could then use to run commands or send data away. A leading ' makes it text.
bool could_run_as_formula(std::string_view field) {
  return !field.empty() && std::string_view("=+-@\t\r").find(field[0]) != std::string_view::npos;
}

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

void append_decimal(std::size_t value, std::string& out) {
  char digits[20];  // 2^64 - 1 has 20 digits
  std::size_t count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (count != 0) out += digits[--count];
}

ResultNumber record_number(const AnswerRecord& record) {
  return record.kind == AnswerKind::result ? read_result_number(record.answer) : ResultNumber{};
}

}  // namespace

std::string_view kind_name(AnswerKind kind) {
  switch (kind) {
    case AnswerKind::result: return "result";
    case AnswerKind::usage: return "usage";
    case AnswerKind::requirement: return "requirement";
    case AnswerKind::unknown: return "unknown";
    case AnswerKind::banner: return "banner";
    case AnswerKind::listing: return "listing";
  }
  return "result";
}

AnswerKind classify_answer(std::string_view answer) {
  // Most answers are results, which the first letter mostly tells at once. The echoed keyword
  // of an unknown formula may hold anything, so it is looked for first.
  switch (answer.empty() ? '\0' : answer[0]) {
    case 'U':
      if (starts_with(answer, "Unknown formula: ")) return AnswerKind::unknown;
      if (starts_with(answer, "Usage: ")) return AnswerKind::usage;
      break;
    case 'M':
    case 'F':
      if (starts_with(answer, "Male requires: ") || starts_with(answer, "Female requires: ")) {
        return AnswerKind::requirement;
      }
      break;
    case 'T':
      if (first_line_is(answer, banner_first_line)) return AnswerKind::banner;
      break;
    case 'A':
      if (first_line_is(answer, listing_first_line)) return AnswerKind::listing;
      break;
    default:
      break;
  }
  return AnswerKind::result;
}

bool is_wrong_request(AnswerKind kind) {
  return kind != AnswerKind::result && kind != AnswerKind::listing;
}

bool is_multi_line(AnswerKind kind) { return kind == AnswerKind::banner || kind == AnswerKind::listing; }

ResultNumber read_result_number(std::string_view result_line) {
  const std::size_t label_end = result_line.find(": ");
  if (label_end == std::string_view::npos) return {};
  std::string_view rest = result_line.substr(label_end + 2);
  ResultNumber number;
  std::size_t length = number_length(rest);
  if (length != 0) {
    number.digits = rest.substr(0, length);
  } else {
    for (const std::string_view word : {"-inf", "inf", "nan"}) {
      if (starts_with(rest, word)) {
        length = word.size();
        break;
      }
    }
  }
  rest.remove_prefix(length);
  if (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
  number.unit = rest;
  return number;
}

void append_json_record(const AnswerRecord& record, std::string& out) {
  std::string scratch;
  const ResultNumber number = record_number(record);
  out += "{\"line\":";
  append_decimal(record.line, out);
  out += ",\"request\":";
  append_json_string(record.request, out);
  out += ",\"kind\":\"";
  out += kind_name(record.kind);
  out += "\",\"text\":";
  append_json_string(record_text(record, scratch), out);
  out += ",\"value\":";
  if (number.digits.empty()) {
    out += "null";
  } else {
    out += number.digits;  // as printed: JSON's number syntax admits every form the library prints
  }
  out += ",\"unit\":";
  append_json_string(number.unit, out);
  out += ",\"warnings\":[";
  for (std::size_t index = 0; index < record.warnings.size(); ++index) {
    if (index != 0) out += ',';
    append_json_string(record.warnings[index], out);
  }
  out += "]}";
}

void append_csv_record(const AnswerRecord& record, std::string& out) {
  std::string scratch;
  const ResultNumber number = record_number(record);
  append_decimal(record.line, out);
  out += ',';
  append_csv_field(record.request, out);
  out += ',';
  out += kind_name(record.kind);
  out += ',';
  append_csv_field(record_text(record, scratch), out);
  out += ',';
  out += number.digits;
  out += ',';
  append_csv_field(number.unit, out);
  out += ',';
  std::string warnings;
  for (std::size_t index = 0; index < record.warnings.size(); ++index) {
    if (index != 0) warnings += "; ";
    warnings += record.warnings[index];
  }
  append_csv_field(warnings, out);
}

}  // namespace tamsel_host
