// SPDX-License-Identifier: MIT
#include "../numerics/strict_arithmetic.h"  // first: it governs how everything after it computes

#include "warning_text.h"

#include "../frame/buffer_sizes.h"
#include "../frame/number_text.h"
#include "bounded_text.h"
#include "review_rules.h"
#include "shortest_number.h"

namespace tamsel::core {
namespace {

// A quoted token is cut to this many bytes, so that a sentence always fits.
constexpr std::size_t max_quoted_token = 40;

void put_number(double value, BoundedText& out) {
  char text[max_shortest_text];
  out.put(std::string_view(text, write_shortest(value, NumberStyle::shortest, text)));
}

void put_quoted(std::string_view token, BoundedText& out) {
  out.put('"');
  if (token.size() <= max_quoted_token) {
    out.put(token);
  } else {
    out.put(token.substr(0, BoundedText::utf8_cut(token, max_quoted_token)));
    out.put("\xE2\x80\xA6");  // an ellipsis: the rest was left out
  }
  out.put('"');
}

void put_ranges(const catalog::ArgumentKind& kind, BoundedText& out) {
  for (std::size_t index = 0; index < kind.range_count; ++index) {
    if (index != 0) out.put(" and ");
    out.put(kind.ranges[index].low_text);
    out.put(" to ");
    out.put(kind.ranges[index].high_text);
  }
}

// The argument as it was given: its token, or the text of its number.
struct GivenText {
  char text[max_positional_text];
  std::string_view view;
};

void given_text(const WarningSubject& subject, std::size_t place, GivenText& out) {
  if (subject.given == nullptr) {
    out.view = subject.tokens[place];
    return;
  }
  const bool whole = catalog::argument_of(subject.reading.formula, place).type == ArgumentType::whole;
  const std::size_t size =
      write_shortest(subject.given[place], whole ? NumberStyle::positional : NumberStyle::shortest, out.text);
  out.view = std::string_view(out.text, size);
}

void argument_sentence(unsigned bit, const WarningSubject& subject, BoundedText& out) {
  const std::size_t place = bit / 3;
  const catalog::ArgumentKind& kind = catalog::argument_of(subject.reading.formula, place);
  const double value = subject.reading.values[place];
  GivenText given;
  given_text(subject, place, given);
  const std::string_view token = given.view;
  if (bit % 3 == 2) {  // a sex word
    out.put("sex ");
    put_quoted(token, out);
    out.put(" is not M, F, male or female; it reads as ");
    out.put(subject.reading.male ? "male" : "female");
    return;
  }
  const bool in_range = within(kind, value);
  const bool wholly_read = bit % 3 == 0;
  out.put(kind.name);
  out.put(' ');
  if (wholly_read) {
    out.put(token);
    out.put(" is outside ");
  } else {
    put_quoted(token, out);
    out.put(" reads as ");
    put_number(value, out);
    if (!in_range) out.put(", outside ");
  }
  if (!in_range) {
    put_ranges(kind, out);
    if (kind.unit_factor != 0 && within(kind, value * kind.unit_factor)) {
      out.put("; ");
      out.put(kind.unit_hint);
    }
  }
  if (wholly_read) return;
  if (kind.type == ArgumentType::whole && token.find_first_of(".,") != std::string_view::npos) {
    out.put("; it takes whole numbers");
  } else if (token.find(',') != std::string_view::npos) {
    out.put("; the decimal point is '.'");
  }
}

// What the answer prints after its label: "-1.95 kg", "nan%", "inf".
void put_result(const WarningSubject& subject, BoundedText& out) {
  const catalog::Formula& entry = catalog::formula(subject.reading.formula);
  char number[max_number_text];
  const char* const end = entry.decimals < 0 ? write_integer(number, static_cast<std::int32_t>(subject.result))
                                             : write_fixed(number, subject.result, entry.decimals);
  out.put(std::string_view(number, static_cast<std::size_t>(end - number)));
  if (entry.unit.empty()) return;
  if (entry.unit != "%") out.put(' ');
  out.put(entry.unit);
}

void result_sentence(unsigned bit, const WarningSubject& subject, BoundedText& out) {
  const double* v = subject.reading.values;
  switch (bit) {
    case TAMSEL_WARNING_NAVY_GIRTH_NOT_ABOVE_NECK:
      out.put("waist ");
      put_number(v[1], out);
      if (subject.reading.male) {
        out.put(" is");
      } else {
        out.put(" and hip ");
        put_number(v[4], out);
        out.put(" together are");
      }
      out.put(" not above neck ");
      put_number(v[2], out);
      out.put(", so the Navy formula has no answer");
      return;
    case TAMSEL_WARNING_NAVY_HEIGHT_NOT_ABOVE_ZERO:
      out.put("height ");
      put_number(v[3], out);
      out.put(" is not above 0, so the Navy formula has no answer");
      return;
    case TAMSEL_WARNING_SYSTOLIC_BELOW_DIASTOLIC:
    case TAMSEL_WARNING_SYSTOLIC_EQUALS_DIASTOLIC:
      out.put("systolic ");
      put_number(v[0], out);
      out.put(bit == TAMSEL_WARNING_SYSTOLIC_BELOW_DIASTOLIC ? " is below diastolic " : " equals diastolic ");
      put_number(v[1], out);
      out.put(bit == TAMSEL_WARNING_SYSTOLIC_BELOW_DIASTOLIC ? "; swapped?" : ", which no heartbeat gives");
      return;
    case TAMSEL_WARNING_RESULT_NOT_A_NUMBER:
    case TAMSEL_WARNING_RESULT_INFINITE:
    case TAMSEL_WARNING_RESULT_NEGATIVE:
      out.put("the result ");
      put_result(subject, out);
      if (bit == TAMSEL_WARNING_RESULT_NOT_A_NUMBER) {
        out.put(" is not a number: an argument is zero, negative or missing?");
      } else if (bit == TAMSEL_WARNING_RESULT_INFINITE) {
        out.put(" is infinite: an argument is zero?");
      } else {
        out.put(" is below zero, which no person measures");
        // Below 5 feet the ideal-weight lines run on to nothing; a height typed in inches lands there.
        const FormulaId id = subject.reading.formula;
        const bool ideal = id == FormulaId::ideal_devine || id == FormulaId::ideal_robinson || id == FormulaId::ideal_miller;
        if (ideal && v[1] * 2.54 >= 137 && v[1] * 2.54 <= 229) out.put("; height in inches?");
      }
      return;
    case TAMSEL_WARNING_BODY_FAT_BELOW_ESSENTIAL:
      out.put("body fat ");
      put_result(subject, out);
      out.put(" is below the essential fat of a living ");
      out.put(subject.reading.male ? "man (2%)" : "woman (10%)");
      return;
    case TAMSEL_WARNING_BODY_FAT_ABOVE_LIVING:
      out.put("body fat ");
      put_result(subject, out);
      out.put(" is above 70%, more than a living body holds; a girth mistyped?");
      return;
    case TAMSEL_WARNING_LEAN_MASS_ABOVE_WEIGHT:
      out.put("lean body mass ");
      put_result(subject, out);
      out.put(" is more than the body weight of ");
      put_number(v[1], out);
      out.put(" kg");
      return;
    default:
      return;
  }
}

}  // namespace

std::size_t write_warning(unsigned bit, const WarningSubject& subject, char* out, std::size_t capacity) {
  BoundedText text(out, capacity);
  if (bit < 3 * max_arguments) {
    argument_sentence(bit, subject, text);
  } else {
    result_sentence(bit, subject, text);
  }
  return text.size();
}

}  // namespace tamsel::core
