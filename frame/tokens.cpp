// SPDX-License-Identifier: MIT
#include "tokens.h"

#include <cstdint>

namespace tamsel {
namespace {

// What each byte is to the tokeniser: one table load instead of three comparisons a byte.
enum ByteClass : unsigned char { token_byte, delimiter_byte, end_byte };

struct ByteClasses {
  ByteClass of[256];
};

constexpr ByteClasses make_byte_classes() {
  ByteClasses classes{};
  for (unsigned byte = 1; byte < 256; ++byte) {
    classes.of[byte] = is_delimiter(static_cast<char>(byte)) ? delimiter_byte : token_byte;
  }
  classes.of[0] = end_byte;
  return classes;
}

constexpr ByteClasses byte_classes = make_byte_classes();

ByteClass class_of(const char* p) { return byte_classes.of[static_cast<unsigned char>(*p)]; }

// wchar_t on Windows, char16_t elsewhere; compared as a plain number.
std::uint32_t unit_at(const TamselChar16* line, std::size_t index) {
  return static_cast<std::uint32_t>(line[index]);
}

bool is_delimiter_unit(std::uint32_t unit) { return unit == ' ' || unit == '\t'; }

// Printable ASCII other than the space, 0x21 to 0x7F: the bytes of nearly every token, told by
// one subtraction and one comparison. A control character in a token is left to the general path.
bool is_printable_unit(std::uint32_t unit) { return unit - 0x21u <= 0x7Fu - 0x21u; }

bool ends_token(std::uint32_t unit) { return unit == 0 || is_delimiter_unit(unit); }

// How many token units the unrolled loop of copy_token takes a round. A unit is only read
// once the one before it has been seen to be no terminator, so no round reads past the line.
constexpr std::size_t units_per_round = 4;

// Narrows the printable units from `index` on into `buffer` and returns the index of the first
// other unit, which is left in `unit` (on entry, the unit at `index`). Stops at
// max_command_bytes, where the caller gives up. Every unit but the first of a round is tested
// right after its load, and one bound check serves the round.
std::size_t copy_token(const TamselChar16* line, char* buffer, std::size_t index, std::uint32_t& unit) {
  while (index + units_per_round < max_command_bytes) {
    if (!is_printable_unit(unit)) return index;
    buffer[index] = static_cast<char>(unit);
    unit = unit_at(line, index + 1);
    if (!is_printable_unit(unit)) return index + 1;
    buffer[index + 1] = static_cast<char>(unit);
    unit = unit_at(line, index + 2);
    if (!is_printable_unit(unit)) return index + 2;
    buffer[index + 2] = static_cast<char>(unit);
    unit = unit_at(line, index + 3);
    if (!is_printable_unit(unit)) return index + 3;
    buffer[index + 3] = static_cast<char>(unit);
    index += units_per_round;
    unit = unit_at(line, index);
  }
  // The last units before the bound, one at a time.
  while (is_printable_unit(unit) && index < max_command_bytes) {
    buffer[index] = static_cast<char>(unit);
    unit = unit_at(line, ++index);
  }
  return index;
}

// Steps over the delimiters from `index` on, leaving the first other unit in `unit`. Returns
// max_command_bytes when the delimiters reach it: such a line is the general path's.
std::size_t skip_delimiters(const TamselChar16* line, std::size_t index, std::uint32_t& unit) {
  while (is_delimiter_unit(unit)) {
    if (++index >= max_command_bytes) return max_command_bytes;
    unit = unit_at(line, index);
  }
  return index;
}

}  // namespace

void split_tokens(char* text, TokenList& list) noexcept {
  list.count = 0;
  list.argument_cut = false;
  list.keyword_cut = false;
  char* p = text;
  while (list.count < max_tokens) {
    while (class_of(p) == delimiter_byte) ++p;
    if (*p == '\0') return;
    char* const start = p;
    while (class_of(p) == token_byte) ++p;
    list.tokens[list.count] = start;
    list.lengths[list.count] = static_cast<std::size_t>(p - start);
    ++list.count;
    if (*p == '\0') return;
    *p++ = '\0';
  }
}

bool split_plain_line(const TamselChar16* line, char* buffer, TokenList& list) noexcept {
  std::size_t count = 0;
  std::uint32_t unit = unit_at(line, 0);
  // Delimiters need not be stored: only the tokens are read, each up to its terminator.
  std::size_t index = skip_delimiters(line, 0, unit);
  if (index >= max_command_bytes) return false;
  while (unit != 0) {
    const std::size_t start = index;
    index = copy_token(line, buffer, index, unit);
    // The bound keeps every store inside the buffer and every cut to the general path. A unit
    // that is neither printable nor a delimiter nor the end also sends the line there, and so
    // does a token that would start with one (it ends at once, on that unit).
    if (index >= max_command_bytes || !ends_token(unit)) return false;
    buffer[index] = '\0';
    list.tokens[count] = buffer + start;
    list.lengths[count] = index - start;
    if (++count == max_tokens || unit == 0) break;
    index = skip_delimiters(line, index, unit);
    if (index >= max_command_bytes) return false;
  }
  list.count = count;
  list.argument_cut = false;
  list.keyword_cut = false;
  return true;
}

}  // namespace tamsel
