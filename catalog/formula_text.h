// SPDX-License-Identifier: MIT
// The library's fixed texts that the formula table determines, made from it when compiling:
// each formula's usage line and the formula listing. They are printf formats without
// arguments, as the library writes them, so a percent sign is doubled.
#ifndef TAMSEL_CATALOG_FORMULA_TEXT_H
#define TAMSEL_CATALOG_FORMULA_TEXT_H

#include <cstddef>
#include <string_view>

#include "formula_table.h"

namespace tamsel::catalog {

// A zero-terminated text of at most capacity - 1 bytes, built when compiling. What does not fit
// makes the constant that holds it fail to compile.
template <std::size_t capacity>
struct FixedText {
  char bytes[capacity] = {};
  std::size_t size = 0;

  constexpr void put(char byte) {
    if (size + 1 >= capacity) overflow();
    bytes[size++] = byte;
    bytes[size] = '\0';
  }
  constexpr void put(std::string_view text) {
    for (const char byte : text) put(byte);
  }
  // As a format: "%" is written "%%".
  constexpr void put_literal(std::string_view text) {
    for (const char byte : text) {
      if (byte == '%') put('%');
      put(byte);
    }
  }
  constexpr std::string_view view() const { return {bytes, size}; }
  constexpr const char* c_str() const { return bytes; }

 private:
  // Not constexpr: reached only when a text outgrows its room, which then fails to compile.
  static void overflow() {}
};

// The longest usage line is bodyfat_navy's, 77 bytes; the longest listing line 80.
constexpr std::size_t max_line = 96;
using Line = FixedText<max_line>;

// "Usage: bmi [weight_kg] [height_m]"; the argument only women give says so.
constexpr Line make_usage_line(const Formula& entry) {
  Line line;
  line.put("Usage: ");
  line.put(entry.keyword);
  for (std::size_t place = 0; place < entry.argument_count; ++place) {
    line.put(" [");
    line.put(argument_kind(entry.arguments[place]).name);
    if (place == entry.women_only) line.put(" (F only)");
    line.put(']');
  }
  return line;
}

// "  bmi [weight_kg] [height_m]" and its name: the dash stands in the 49th column, or one space
// after the arguments where they reach past it.
constexpr Line make_listing_line(const Formula& entry) {
  constexpr std::size_t dash_column = 48;  // zero-based: the 49th character
  Line line;
  line.put("  ");
  line.put(entry.keyword);
  line.put(' ');
  if (!entry.listing_arguments.empty()) {
    line.put(entry.listing_arguments);
  } else {
    for (std::size_t place = 0; place < entry.argument_count; ++place) {
      if (place != 0) line.put(' ');
      line.put('[');
      line.put(argument_kind(entry.arguments[place]).name);
      line.put(']');
    }
  }
  while (line.size + 1 < dash_column) line.put(' ');
  line.put(" - ");
  line.put_literal(entry.title);
  return line;
}

struct UsageLines {
  Line of[formula_count];
};

constexpr UsageLines make_usage_lines() {
  UsageLines lines;
  for (std::size_t id = 0; id < formula_count; ++id) lines.of[id] = make_usage_line(formulas[id]);
  return lines;
}

inline constexpr UsageLines usage_lines = make_usage_lines();

constexpr const char* usage_line(FormulaId id) { return usage_lines.of[static_cast<std::size_t>(id)].c_str(); }

// A title line, a heading per group, and a line per formula.
constexpr std::size_t listing_line_count = 1 + group_count + formula_count;

struct Listing {
  Line lines[listing_line_count];
};

constexpr Listing make_listing() {
  Listing listing;
  std::size_t at = 0;
  listing.lines[at++].put("Available Medical Calculations:");
  for (std::size_t group = 0; group < group_count; ++group) {
    listing.lines[at].put_literal(group_names[group]);
    listing.lines[at++].put(':');
    for (const FormulaId id : listing_order) {
      if (static_cast<std::size_t>(formula(id).group) == group) listing.lines[at++] = make_listing_line(formula(id));
    }
  }
  return listing;
}

inline constexpr Listing listing = make_listing();

}  // namespace tamsel::catalog

#endif
