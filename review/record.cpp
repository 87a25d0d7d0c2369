// SPDX-License-Identifier: MIT
// The record of one answer: the entry points of the review.
#include "numerics/strict_arithmetic.h"  // first: it governs how everything after it computes

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "TamselReview.h"
#include "arguments.h"
#include "core/bounded_text.h"
#include "core/review_rules.h"
#include "core/row.h"
#include "core/warning_text.h"
#include "frame/byte_copy.h"
#include "frame/number_text.h"
#include "json_text.h"
#include "unicode.h"

namespace tamsel::review {
namespace {

using core::BoundedText;

constexpr std::string_view banner_first_line = "Tamsel Health Calculator - Command Line Medical Calculator";
constexpr std::string_view listing_first_line = "Available Medical Calculations:";

// The library reads at most 1023 characters of a request, and a character is at most two
// UTF-16 units, so 2047 units and a terminator hand it all it reads.
constexpr std::size_t request_units = 2048;

// The library reads at most this many characters of a request.
constexpr std::size_t max_request_characters = 1023;

// The request as the review reads it: at most the characters the library reads, each at most
// 4 bytes in UTF-8 (the argument reader's limit), and a terminator.
constexpr std::size_t request_bytes = max_request_bytes + 1;
static_assert(max_request_bytes == 4 * max_request_characters, "the argument reader reads what the library reads");

// The library's answer buffer, whatever the answer's length: its header promises 2000 units.
constexpr std::size_t answer_units = 2000;

bool starts_with(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// True when the first line of `text` is `line`, whatever ends it.
bool first_line_is(std::string_view text, std::string_view line) {
  if (!starts_with(text, line)) return false;
  const std::string_view rest = text.substr(line.size());
  return rest.empty() || rest[0] == '\n' || starts_with(rest, "\r\n");
}

TamselAnswerKind classify(std::string_view answer) {
  // Most answers are results, which the first letter mostly tells at once. The echoed keyword
  // of an unknown formula may hold anything, so it is looked for first.
  switch (answer.empty() ? '\0' : answer[0]) {
    case 'U':
      if (starts_with(answer, "Unknown formula: ")) return TAMSEL_KIND_UNKNOWN;
      if (starts_with(answer, "Usage: ")) return TAMSEL_KIND_USAGE;
      break;
    case 'M':
    case 'F':
      if (starts_with(answer, "Male requires: ") || starts_with(answer, "Female requires: ")) {
        return TAMSEL_KIND_REQUIREMENT;
      }
      break;
    case 'T':
      if (first_line_is(answer, banner_first_line)) return TAMSEL_KIND_BANNER;
      break;
    case 'A':
      if (first_line_is(answer, listing_first_line)) return TAMSEL_KIND_LISTING;
      break;
    default:
      break;
  }
  return TAMSEL_KIND_RESULT;
}

// The units a result line can end in; anything else is no unit the review knows.
const char* known_unit(std::string_view unit) {
  // Views of literals: their sizes are known, and their data stay terminated for the record.
  static constexpr std::string_view units[] = {"kg", "%", "bpm", "m\xC2\xB2", "calories/day", "mmHg"};
  for (const std::string_view known : units) {
    if (unit == known) return known.data();
  }
  return "";
}

// Where the number of a result line such as "Lean Body Mass: 61.42 kg" starts: after the first
// ": ", or at the end when there is none.
std::size_t number_start(std::string_view line) {
  for (std::size_t at = 0; at + 1 < line.size(); ++at) {
    if (line[at] == ':' && line[at + 1] == ' ') return at + 2;
  }
  return line.size();
}

// The exact result that a number printed as `rest` stands for: the printed value, or the
// infinity or NaN the text names. False when the text holds no number.
bool printed_result(std::string_view rest, double printed, bool has_value, double& result) {
  if (has_value) {
    result = printed;
    return true;
  }
  if (starts_with(rest, "-inf")) {
    result = -std::numeric_limits<double>::infinity();
  } else if (starts_with(rest, "inf")) {
    result = std::numeric_limits<double>::infinity();
  } else if (starts_with(rest, "nan")) {
    result = std::numeric_limits<double>::quiet_NaN();
  } else {
    return false;
  }
  return true;
}

// The number and unit of a result line, read from its text.
core::Printed read_result(TamselRecord& record, double& result, bool& has_result) {
  const std::string_view line(record.text, record.text_size);
  const std::size_t start = number_start(line);
  std::string_view rest = line.substr(start);
  double value = 0.0;
  std::size_t length = read_printed_number(rest, value);
  constexpr double none = std::numeric_limits<double>::quiet_NaN();
  core::Printed printed{false, none, none};
  if (length != 0) {
    record.digits_offset = start;
    record.digits_size = length;
    printed = {true, value, none};  // the text may print other decimals than the formula's
  } else {
    for (const std::string_view word : {"-inf", "inf", "nan"}) {
      if (starts_with(rest, word)) {
        length = word.size();
        break;
      }
    }
  }
  has_result = printed_result(rest, printed.value, printed.has_value, result);
  rest.remove_prefix(length);
  if (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
  record.unit = known_unit(rest);
  return printed;
}

bool is_continuation(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

// Where to cut `text`, of which `kept` bytes fit and `next` is the first that does not, so that
// no character is split: before the last character when it goes on past the cut.
std::size_t cut_at_boundary(const char* text, std::size_t kept, char next) {
  if (!is_continuation(next)) return kept;
  std::size_t lead = kept;
  while (lead != 0 && is_continuation(text[lead - 1])) --lead;
  if (lead == 0) return kept;
  const auto byte = static_cast<unsigned char>(text[lead - 1]);
  const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
  return lead - 1 + length > kept ? lead - 1 : kept;  // stray continuation bytes are no character
}

// The record's text: the library's lines joined by "\n", whatever the platform parts them with.
// Only a caller's own over-long text is cut, on a character boundary.
void store_text(std::string_view answer, TamselRecord& record) {
  constexpr std::size_t room = TAMSEL_REVIEW_TEXT_BYTES - 1;
  char* const out = record.text;
  std::size_t size = 0;
  if (record.kind != TAMSEL_KIND_BANNER && record.kind != TAMSEL_KIND_LISTING) {
    size = answer.size() <= room ? answer.size() : room;
    if (size != 0) std::memcpy(out, answer.data(), size);  // an empty view may have no data
    if (size < answer.size()) size = cut_at_boundary(out, size, answer[size]);
  } else {
    for (std::size_t index = 0; index < answer.size(); ++index) {
      if (answer[index] == '\r' && index + 1 < answer.size() && answer[index + 1] == '\n') continue;
      if (size == room) {
        size = cut_at_boundary(out, size, answer[index]);
        break;
      }
      out[size++] = answer[index];
    }
  }
  out[size] = '\0';
  record.text_size = size;
}

void clear(TamselRecord& record) {
  record.kind = TAMSEL_KIND_RESULT;
  record.text_size = 0;
  record.text[0] = '\0';
  record.digits_offset = 0;
  record.digits_size = 0;
  record.value = std::numeric_limits<double>::quiet_NaN();
  record.has_value = 0;
  record.unit = "";
  record.warning_codes = 0;
  record.warning_count = 0;
  record.category = nullptr;
  record.category_source = nullptr;
  record.category_note = nullptr;
  record.category_id = TAMSEL_CATEGORY_NONE;
}

// Writes the sentence of each warning in `codes`. Rare, so kept out of line.
[[gnu::noinline]] void write_warnings(const Arguments& arguments, const core::Reading& reading, double result,
                                      TamselRecord& record) {
  core::WarningSubject subject{reading, result, {}, nullptr, 0};
  for (std::size_t place = 0; place < arguments.count; ++place) subject.tokens[place] = arguments.items[place].token;
  const TamselWarnings codes = record.warning_codes;
  for (unsigned bit = 0; bit < TAMSEL_WARNING_BITS && record.warning_count < TAMSEL_REVIEW_MAX_WARNINGS; ++bit) {
    if ((codes >> bit & 1u) == 0) continue;
    core::write_warning(bit, subject, record.warnings[record.warning_count++], TAMSEL_REVIEW_WARNING_BYTES);
  }
}

void set_category(unsigned id, TamselRecord& record) {
  record.category_id = id;
  if (id == TAMSEL_CATEGORY_NONE) return;
  record.category = catalog::categories[id].name.data();
  record.category_source = catalog::scheme_source(catalog::categories[id].scheme).source.data();
  record.category_note = catalog::categories[id].note.data();
}

// Whether the request gives every argument its formula takes, as a result's request does.
bool complete(const Arguments& arguments) {
  if (arguments.formula == nullptr) return false;
  const std::size_t women_only = arguments.formula->women_only;
  const bool hip_left_out = women_only != catalog::no_argument && arguments.male;
  return arguments.count == arguments.formula->argument_count - (hip_left_out ? 1 : 0);
}

// A usage or requirement line for a formula's request: what in its arguments read as something
// else, which may be why ("hombre" reads as female, so the Navy formula asks for a hip; "1, 75"
// is two tokens). A token without a digit is a word out of place, not a number.
void review_wrong_count(const PaddedRequest& request, TamselRecord& record) {
  Arguments arguments;
  read_arguments(request, arguments);
  if (arguments.formula == nullptr) return;
  TamselWarnings codes = arguments.text_warnings;
  for (std::size_t place = 0; place < arguments.count; ++place) {
    const Argument& argument = arguments.items[place];
    const bool has_digit = std::string_view(argument.token).find_first_of("0123456789") != std::string_view::npos;
    if (argument.type != ArgumentType::sex && !argument.wholly_read && has_digit) {
      codes |= TAMSEL_WARNING_READ_OTHERWISE(place);
    }
  }
  record.warning_codes = codes;
  if (codes != 0) write_warnings(arguments, arguments.row.reading, 0, record);
}

// Reviews an answer whose text the record holds, a result's number read from that text.
void review_text(const PaddedRequest& request, TamselRecord& record) {
  if (record.kind == TAMSEL_KIND_USAGE || record.kind == TAMSEL_KIND_REQUIREMENT) {
    return review_wrong_count(request, record);
  }
  if (record.kind != TAMSEL_KIND_RESULT) return;
  double result = 0;
  bool has_result = false;
  const core::Printed printed = read_result(record, result, has_result);
  record.value = printed.value;
  record.has_value = printed.has_value ? 1 : 0;
  Arguments arguments;
  read_arguments(request, arguments);
  if (!complete(arguments) || !has_result) return;
  const FormulaId id = catalog::id_of(*arguments.formula);
  const core::ReadRow& row = arguments.row;
  const TamselWarnings argument_bits =
      core::argument_warnings(id, row.reading, row.count, row.wholly_read) | arguments.text_warnings;
  record.warning_codes = argument_bits | core::result_warnings(id, row.reading, result, printed, argument_bits);
  if (record.warning_codes != 0) return write_warnings(arguments, row.reading, result, record);
  set_category(core::category_of(id, row.reading, printed), record);
}

// Reviews the library's result answer to a request whose arguments are read:
// its number is the core's, computed from the request's numbers as the library computed it.
void review_numbers(const Arguments& arguments, TamselRecord& record) {
  const catalog::Formula& entry = *arguments.formula;
  const core::ReadRow& row = arguments.row;
  const core::Evaluated evaluated = core::evaluate_any(row, arguments.text_warnings);
  record.value = evaluated.row.value;
  record.unit = entry.unit.data();
  if (!std::isnan(evaluated.row.value)) {
    record.has_value = 1;
    // The number lies between the label's ": " and the unit, which the table gives.
    const std::size_t suffix = entry.unit.empty() ? 0 : entry.unit == "%" ? 1 : 1 + entry.unit.size();
    record.digits_offset = entry.label.size() + 2;
    record.digits_size = record.text_size - record.digits_offset - suffix;
  }
  record.warning_codes = evaluated.row.warnings;
  if (evaluated.row.warnings != 0) return write_warnings(arguments, row.reading, evaluated.result, record);
  set_category(evaluated.row.category, record);
}

// The text the library writes for a result: its label, ": ", the number as printed and its unit.
void write_result_text(const catalog::Formula& entry, double result, TamselRecord& record) {
  char* p = record.text;
  copy_bytes(p, entry.label.data(), entry.label.size());
  p += entry.label.size();
  *p++ = ':';
  *p++ = ' ';
  char* const number = p;
  p = entry.decimals < 0 ? write_integer(p, static_cast<std::int32_t>(result)) : write_fixed(p, result, entry.decimals);
  if (!std::isnan(record.value)) {
    record.digits_offset = static_cast<std::size_t>(number - record.text);
    record.digits_size = static_cast<std::size_t>(p - number);
  }
  if (!entry.unit.empty()) {
    if (entry.unit != "%") *p++ = ' ';
    copy_bytes(p, entry.unit.data(), entry.unit.size());
    p += entry.unit.size();
  }
  *p = '\0';
  record.text_size = static_cast<std::size_t>(p - record.text);
}

// Answers a request that the library would compute, without asking it: the same reading of
// the same tokens, the same arithmetic and the same printing, from the numbers read once. Only
// a request that is plain ASCII and short of the library's 1023 bytes comes here, where the
// library's tokens are the review's own; false, with nothing written, for any other answer.
bool answer_from_numbers(const PaddedRequest& request, TamselRecord& record) {
  Arguments arguments;
  read_arguments(request, arguments);
  if (!complete(arguments) || arguments.followed) return false;
  const catalog::Formula& entry = *arguments.formula;
#ifdef _WIN32
  // The library widens its code page's upper half (the superscript two) with Windows' own code
  // page, which the review does not know.
  for (const char byte : entry.format) {
    if (static_cast<unsigned char>(byte) >= 0x80) return false;
  }
#endif
  const core::ReadRow& row = arguments.row;
  const core::Evaluated evaluated = core::evaluate_any(row, arguments.text_warnings);
  record.kind = TAMSEL_KIND_RESULT;
  record.value = evaluated.row.value;
  record.has_value = std::isnan(evaluated.row.value) ? 0 : 1;
  record.unit = entry.unit.data();
  write_result_text(entry, evaluated.result, record);
  record.warning_codes = evaluated.row.warnings;
  if (evaluated.row.warnings != 0) {
    write_warnings(arguments, row.reading, evaluated.result, record);
  } else {
    set_category(evaluated.row.category, record);
  }
  return true;
}

void review_result(const PaddedRequest& request, TamselRecord& record) {
  Arguments arguments;
  read_arguments(request, arguments);
  if (!complete(arguments)) return review_text(request, record);
  review_numbers(arguments, record);
}

// The banner or the listing, its lines joined by "\n". Apart from the asking, so that the
// copy's room is not on the stack of every answer.
[[gnu::noinline]] void store_lines(TamselRecord& record) {
  char copy[TAMSEL_REVIEW_TEXT_BYTES];
  for (std::size_t index = 0; index <= record.text_size; ++index) copy[index] = record.text[index];
  store_text(std::string_view(copy, record.text_size), record);
}

// Reviews the answer to a request that is only at hand in UTF-16.
[[gnu::noinline]] void review_wide_request(const TamselChar16* request, TamselRecord& record) {
  char narrow_request[request_bytes];
  const std::size_t size = utf8_from_utf16(request, narrow_request, sizeof narrow_request, max_request_characters);
  PaddedRequest padded;
  pad_request(std::string_view(narrow_request, size), padded);
  if (record.kind != TAMSEL_KIND_RESULT) return review_wrong_count(padded, record);
  review_result(padded, record);
}

// Asks the library for `request` and reviews its answer. `narrow`, when not null, is the
// request in UTF-8 exactly as converting `request` back would give it, already copied for the
// argument reader, which saves doing so.
void ask(const TamselChar16* request, const PaddedRequest* narrow, TamselRecord* record) {
  clear(*record);
  const TamselChar16* const answer = CalcHealth(request);
  // Only the banner and the listing span lines, and only Windows parts them with "\r\n".
  record->text_size =
      utf8_from_utf16(answer, record->text, TAMSEL_REVIEW_TEXT_BYTES, TAMSEL_REVIEW_TEXT_BYTES, answer_units);
  const TamselAnswerKind kind = classify(std::string_view(record->text, record->text_size));
  record->kind = kind;
  if (kind == TAMSEL_KIND_BANNER || kind == TAMSEL_KIND_LISTING) store_lines(*record);
  if (kind != TAMSEL_KIND_RESULT && kind != TAMSEL_KIND_USAGE && kind != TAMSEL_KIND_REQUIREMENT) return;
  if (narrow != nullptr) {
    if (kind != TAMSEL_KIND_RESULT) return review_wrong_count(*narrow, *record);
    return review_result(*narrow, *record);
  }
  review_wide_request(request, *record);
}

void put_json_string_or_null(const char* text, BoundedText& out) {
  if (text == nullptr) return out.put("null");
  put_json_string(text, out);
}

}  // namespace
}  // namespace tamsel::review

using namespace tamsel::review;

extern "C" int tamsel_is_wrong_request(TamselAnswerKind kind) {
  return kind != TAMSEL_KIND_RESULT && kind != TAMSEL_KIND_LISTING;
}

extern "C" void tamsel_review(const char* request, std::size_t request_size, const char* answer,
                              std::size_t answer_size, TamselRecord* record) {
  clear(*record);
  record->kind = classify(std::string_view(answer, answer_size));
  store_text(std::string_view(answer, answer_size), *record);
  PaddedRequest padded;
  pad_request(std::string_view(request, request_size), padded);
  review_text(padded, *record);
}

extern "C" void tamsel_ask16(const TamselChar16* request, TamselRecord* record) {
  static const TamselChar16 empty[] = {0};
  if (request == nullptr) request = empty;
  // A request of ASCII alone, short of the library's 1023 bytes, is answered from its numbers
  // as tamsel_ask answers it.
  std::size_t size = 0;
  char bytes[max_request_characters];
  while (size < max_request_characters && static_cast<std::uint32_t>(request[size]) - 1u < 0x7Fu) {
    bytes[size] = static_cast<char>(request[size]);
    ++size;
  }
  if (size < max_request_characters && request[size] == 0) {
    PaddedRequest padded;
    pad_request(std::string_view(bytes, size), padded);
    clear(*record);
    if (answer_from_numbers(padded, *record)) return;
    return ask(request, &padded, record);
  }
  ask(request, nullptr, record);
}

extern "C" void tamsel_ask(const char* request, std::size_t request_size, TamselRecord* record) {
  if (request == nullptr) request_size = 0;
  const std::string_view bytes(request == nullptr ? "" : request, request_size);
  PaddedRequest padded;
  pad_request(bytes.substr(0, max_request_characters), padded);
  // A request of ASCII alone, up to its end or a NUL, is the library's tokens as they are; one
  // shorter than the library's 1023 bytes is never cut. Such a result is answered from its
  // numbers, read once.
  const std::size_t ascii = ascii_prefix(padded);
  if ((ascii == bytes.size() || bytes[ascii] == '\0') && ascii < max_request_characters) {
    if (padded.end != padded.bytes + ascii) pad_request(bytes.substr(0, ascii), padded);  // a NUL came first
    clear(*record);
    if (answer_from_numbers(padded, *record)) return;
  }
  // Any other request goes to the library, whose answer is then reviewed.
  TamselChar16 wide[request_units];
  const std::size_t units = bytes.size() < request_units - 1 ? bytes.size() : request_units - 1;
  // A request of ASCII alone, up to its end, a NUL or what the units hold, widens byte by byte
  // and reads back from UTF-16 as the same bytes: the review reads those.
  const std::size_t widened = widen_ascii(bytes.data(), units, wide);
  if (widened == units || bytes[widened] == '\0') {
    wide[widened] = 0;
    const std::size_t size = widened < max_request_characters ? widened : max_request_characters;
    if (padded.end != padded.bytes + size) pad_request(bytes.substr(0, size), padded);  // a NUL came first
    ask(wide, &padded, record);
    return;
  }
  utf16_from_utf8(bytes, wide, request_units);
  ask(wide, nullptr, record);
}

extern "C" std::size_t tamsel_record_json(const TamselRecord* record, char* out, std::size_t capacity) {
  if (capacity == 0) return 0;
  BoundedText json(out, capacity);
  json.put("\"kind\":\"");
  json.put(tamsel_kind_name(record->kind));
  json.put("\",\"text\":");
  put_json_string(std::string_view(record->text, record->text_size), json);
  json.put(",\"value\":");
  // As printed: JSON's number syntax admits every form the library prints.
  json.put(record->digits_size != 0 ? std::string_view(tamsel_record_digits(record), record->digits_size) : "null");
  json.put(",\"unit\":");
  put_json_string(record->unit, json);
  json.put(",\"warnings\":[");
  for (std::size_t index = 0; index < record->warning_count; ++index) {
    if (index != 0) json.put(',');
    put_json_string(record->warnings[index], json);
  }
  json.put("],\"category\":");
  put_json_string_or_null(record->category, json);
  json.put(",\"category_source\":");
  put_json_string_or_null(record->category_source, json);
  json.put(",\"category_note\":");
  put_json_string_or_null(record->category_note, json);
  if (json.cut()) {
    out[0] = '\0';  // a cut record would be a wrong one
    return 0;
  }
  return json.size();
}
