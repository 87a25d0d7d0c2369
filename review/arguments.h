// SPDX-License-Identifier: MIT
// A text request's arguments as the library reads them, with what only the text tells: whether
// the library read all of a token ("1,75" reads as 1, "70kg" as 70) and whether a sex is one of
// the words the review takes ("Mujer" reads as male by its first letter). The numbers go to the
// review's rules on numbers, which every typed call shares.
#ifndef TAMSEL_REVIEW_ARGUMENTS_H
#define TAMSEL_REVIEW_ARGUMENTS_H

#include <cstddef>
#include <string_view>

#include "catalog/formula_table.h"
#include "core/TamselCore.h"
#include "core/row.h"

namespace tamsel::review {

using catalog::ArgumentType;
using catalog::FormulaId;

// The formula a keyword names, in either case, or null.
const catalog::Formula* find_formula(std::string_view keyword);

// A token of the request: a view with no constructor, so that making a request's arguments
// costs nothing until they are read.
struct Token {
  const char* start;
  std::size_t length;
  Token& operator=(std::string_view text) {
    start = text.data();
    length = text.size();
    return *this;
  }
  operator std::string_view() const { return {start, length}; }
  const char* data() const { return start; }
  std::size_t size() const { return length; }
  bool operator==(std::string_view text) const { return std::string_view(*this) == text; }
};

// One argument of the request, as the library read it.
struct Argument {
  Token token;
  double value;       // the number the library computed with; for the sex 1 (male) or 0
  ArgumentType type;
  bool plain;         // plain digits with at most one point, read in the same pass as found
  bool wholly_read;   // the library read all of it; for the sex, a word the review takes
};

struct Arguments {
  const catalog::Formula* formula;  // null when the keyword is no formula
  std::size_t count;                // the formula's arguments the request gives
  bool male;
  bool followed;                    // more tokens follow the formula's arguments
  Argument items[catalog::max_arguments];
  // The numbers for the rules on numbers, filled in while reading: the values as the library
  // reads them, which were read whole, and the warnings only the text gives.
  core::ReadRow row;
  TamselWarnings text_warnings;
};

// The library reads at most 1023 characters; in UTF-8 that is at most 4 x 1023 bytes, so no
// argument of a result lies further into the request.
constexpr std::size_t max_request_bytes = 4 * 1023;

// The request as the argument reader takes it: copied, then a zero byte and zero padding, so
// that the end needs no test where a zero byte stops a scan anyway, and sixteen bytes can be
// looked at from any place before the end. Made before the library is asked where it can be:
// a block loaded from a copy just written waits for the copy's stores.
constexpr std::size_t request_padding = 16;
struct PaddedRequest {
  char bytes[max_request_bytes + 1 + request_padding];
  const char* end;
  const char* request;  // the caller's request, where the tokens are shown
};

// Copies the first max_request_bytes of `request`, which must outlive `padded`.
void pad_request(std::string_view request, PaddedRequest& padded);

// How many bytes of the copy, from its start, are 0x01 to 0x7F.
std::size_t ascii_prefix(const PaddedRequest& request);

// Finds the keyword of `request`, leaving `p` just past it: the formula it names, or null.
const catalog::Formula* read_keyword(const PaddedRequest& request, const char*& p);

// Reads the argument that starts at `p` after any delimiters, as the library reads one of
// `type`, and leaves `p` just past it. False, with an empty token, where the request ends.
template <ArgumentType type>
bool read_argument(const char*& p, const PaddedRequest& request, Argument& argument);
extern template bool read_argument<ArgumentType::real>(const char*&, const PaddedRequest&, Argument&);
extern template bool read_argument<ArgumentType::whole>(const char*&, const PaddedRequest&, Argument&);
extern template bool read_argument<ArgumentType::sex>(const char*&, const PaddedRequest&, Argument&);

// Splits `request` (UTF-8) as the library does and reads each argument of its formula. Only
// the tokens the formula takes are looked at, so the cost never grows with the request.
void read_arguments(const PaddedRequest& request, Arguments& out);
void read_arguments(std::string_view request, Arguments& out);

// The number a result line prints, -?[0-9]+(\.[0-9]+)? at the start of `text`: returns its
// length, 0 when there is none, and sets `value` to it, correctly rounded.
std::size_t read_printed_number(std::string_view text, double& value);

// Every argument kind with a range, one per line, for a program's help: "  height_m   0.3 to 2.75".
// Writes at most `capacity` bytes with the terminator; returns the size.
std::size_t write_range_table(std::string_view line_end, char* out, std::size_t capacity);

}  // namespace tamsel::review

#endif
