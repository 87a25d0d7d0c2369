// SPDX-License-Identifier: MIT
// The arguments of a request as the library read them, and warnings for those that are
// probably not what the user meant: a number read otherwise than it was typed ("1,75" reads as
// 1), a value no person has ("height_m 175"), a sex read by its first letter alone ("Mujer"
// reads as male). The answer itself never changes.
#ifndef TAMSEL_REVIEW_ARGUMENTS_H
#define TAMSEL_REVIEW_ARGUMENTS_H

#include <cstddef>
#include <string_view>

#include "warning_list.h"

namespace tamsel::review {

enum class ArgumentType { real, whole, sex };

struct PlausibleRange {
  double low;
  double high;
  std::string_view low_text;  // as the warnings print them
  std::string_view high_text;
  std::string_view reading;   // how a value in this range is taken, where there are two ranges
};

// What the review knows of an argument, by the name the library's usage lines give it.
struct ArgumentRule {
  std::string_view name;
  ArgumentType type;
  PlausibleRange ranges[2];
  std::size_t range_count;
  // A value outside the ranges that this factor brings into them was probably given in the
  // unit that `unit_hint` names.
  double unit_factor;
  std::string_view unit_hint;
};

// Every formula the review knows, by keyword, with its arguments in usage-line order. The
// names are exactly those of the library's usage lines ("M/F" is the sex).
constexpr std::size_t max_arguments = 5;  // bodyfat_navy's, the most a formula takes
enum class FormulaId {
  bmi, bmr_harris, bmr_mifflin, bodyfat_navy, whr, ideal_devine, ideal_robinson, ideal_miller, bsa,
  lbm, tdee, max_hr, target_hr, bai, wthr, bp_category, map, pulse_pressure
};
struct FormulaArguments {
  std::string_view keyword;
  std::size_t count;
  std::string_view names[max_arguments];
  FormulaId id;  // what the review's rules ask about, without comparing text
};
const FormulaArguments* find_formula(std::string_view keyword);  // either case; null if none
const FormulaArguments* formula_table(std::size_t& count);

const ArgumentRule* find_argument_rule(std::string_view usage_name);

// Where the result rules find an argument: its place in the formula's usage line.
namespace slot {
constexpr std::size_t navy_waist = 1, navy_neck = 2, navy_height = 3, navy_hip = 4;  // bodyfat_navy
constexpr std::size_t systolic = 0, diastolic = 1;  // bp_category, map, pulse_pressure
constexpr std::size_t lbm_weight = 1;               // lbm
constexpr std::size_t ideal_height = 1;             // ideal_devine, ideal_robinson, ideal_miller
}  // namespace slot

// One argument of the request, as the library read it. Its name is its rule's.
struct Argument {
  const ArgumentRule* rule;
  std::string_view token;
  double value;  // the number the library computed with (0 for a sex)
  bool male;     // for a sex: what the library took it for
  bool plain;    // plain digits with at most one point, so wholly a number
};

struct Arguments {
  const FormulaArguments* formula;  // null when the keyword is no formula
  std::size_t count;
  unsigned doubtful;  // a bit for each argument that may need a warning; the others need none
  Argument items[max_arguments];
};

// The number a result line prints, -?[0-9]+(\.[0-9]+)? at the start of `text`: returns its
// length, 0 when there is none, and sets `value` to it, correctly rounded.
std::size_t read_printed_number(std::string_view text, double& value);

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

// Splits `request` (UTF-8) as the library does and reads each argument of its formula. Only
// the tokens the formula takes are looked at, so the cost never grows with the request.
void read_arguments(const PaddedRequest& request, Arguments& out);
void read_arguments(std::string_view request, Arguments& out);

// Adds a warning for each argument that is probably not what the user meant.
void check_arguments(const Arguments& arguments, WarningList& warnings);

// Every rule with a range, one per line, for a program's help: "  height_m   0.3 to 2.75".
// Writes at most `capacity` bytes with the terminator; returns the size.
std::size_t write_range_table(std::string_view line_end, char* out, std::size_t capacity);

// The text of a number as the warnings print it: the shortest digits that read back as `value`
// for what users type (plain decimals), "inf", "-inf" or "nan".
std::size_t write_number(double value, char* out, std::size_t capacity);

}  // namespace tamsel::review

#endif
