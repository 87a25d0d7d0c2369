// SPDX-License-Identifier: MIT
// Which formula a typed keyword names, in either case, compared as the library compares it.
// One look at a slot made of a few of the keyword's bytes instead of eighteen comparisons: the
// review looks up every request's keyword.
#ifndef TAMSEL_CATALOG_KEYWORD_LOOKUP_H
#define TAMSEL_CATALOG_KEYWORD_LOOKUP_H

#include <cstddef>
#include <string_view>

#include "folded_words.h"
#include "formula_table.h"

namespace tamsel::catalog {
namespace keyword_slots {

// Every keyword has a second byte, so the slot below can always look at it.
constexpr std::size_t shortest_keyword = 2;

constexpr std::size_t longest_keyword() {
  std::size_t longest = 0;
  for (const Formula& entry : formulas) longest = entry.keyword.size() > longest ? entry.keyword.size() : longest;
  return longest;
}

// A keyword's slot, from its length, its second and its last byte (lowercase).
constexpr std::size_t slot_count = 64;
constexpr std::size_t slot_of(std::size_t size, char second, char last) {
  return (size + static_cast<unsigned char>(second) * 2u + static_cast<unsigned char>(last) * 7u) % slot_count;
}

// Each keyword with its letter bits, padded with zeros to 16 bytes, for the folded comparison.
constexpr std::size_t keyword_room = 16;
static_assert(longest_keyword() <= keyword_room, "a keyword fits its padded copy");

struct Slots {
  unsigned char formula[slot_count];  // formula_count for an empty slot
  bool distinct;                      // no two keywords share a slot
  char lower[formula_count][keyword_room];
  char letters[formula_count][keyword_room];
};

constexpr Slots make_slots() {
  Slots slots{};
  slots.distinct = true;
  for (unsigned char& formula : slots.formula) formula = static_cast<unsigned char>(formula_count);
  for (std::size_t id = 0; id < formula_count; ++id) {
    const std::string_view keyword = formulas[id].keyword;
    if (keyword.size() < shortest_keyword) slots.distinct = false;
    unsigned char& formula = slots.formula[slot_of(keyword.size(), keyword[1], keyword.back())];
    if (formula != formula_count) slots.distinct = false;
    formula = static_cast<unsigned char>(id);
    for (std::size_t index = 0; index < keyword.size(); ++index) {
      slots.lower[id][index] = keyword[index];
      slots.letters[id][index] = letter_bit(keyword[index]);
    }
  }
  return slots;
}

inline constexpr Slots slots = make_slots();
static_assert(slots.distinct, "two keywords share a slot: change slot_of's factors");

constexpr char lower_ascii(char byte) { return byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte - 'A' + 'a') : byte; }

}  // namespace keyword_slots

// The formula `keyword` names, in either case, or null.
inline const Formula* find_formula(std::string_view keyword) {
  using namespace keyword_slots;
  const std::size_t size = keyword.size();
  if (size < shortest_keyword || size > longest_keyword()) return nullptr;
  const std::size_t id = slots.formula[slot_of(size, lower_ascii(keyword[1]), lower_ascii(keyword[size - 1]))];
  if (id == formula_count) return nullptr;
  if (formulas[id].keyword.size() != size ||
      !folded_keyword_is(keyword.data(), slots.lower[id], slots.letters[id], size)) {
    return nullptr;
  }
  return &formulas[id];
}

}  // namespace tamsel::catalog

#endif
