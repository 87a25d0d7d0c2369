// SPDX-License-Identifier: MIT
// Warnings for arguments that are probably not what the user meant: a number the library reads
// otherwise than it was typed ("1,75" reads as 1), a value no person has ("height_m 175"), a sex
// it reads by its first letter alone ("Mujer" reads as male). The answer itself never changes.
#ifndef TAMSEL_APP_ARGUMENT_WARNINGS_H
#define TAMSEL_APP_ARGUMENT_WARNINGS_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tamsel_host {

enum class ArgumentType { real, whole, sex };

struct PlausibleRange {
  double low;
  double high;
  std::string_view reading;  // how a value in this range is taken, when there are two ranges
};

// What the host knows of an argument, by the name the library's usage lines give it.
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

// The rule for a name in a usage line ("M/F" is the sex; "hip_cm (F only)" is hip_cm); null
// for a name the host does not know.
const ArgumentRule* find_argument_rule(std::string_view usage_name);

// The argument names of a usage line such as "Usage: bmi [weight_kg] [height_m]".
std::vector<std::string> argument_names(std::string_view usage_line);

// Appends a warning when `token`, the argument called `name` (ruled by `rule`, which may be
// null), is probably not what the user meant.
void check_argument(std::string_view name, const ArgumentRule* rule, std::string_view token,
                    std::vector<std::string>& warnings);

// Every rule with a range, one per line, for --help: "  height_m   0.3 to 2.75".
void append_range_table(std::string_view line_end, std::string& out);

// Checks the arguments of requests whose answer was a result. It learns the names of a
// keyword's arguments from the library's usage line, asking once per keyword, so it may call
// CalcHealth: only call it once the answer has been copied. A batch checks every line, so the
// common case (plain numbers in range) is decided while the line is scanned once.
class ArgumentChecker {
 public:
  void check(std::string_view request, std::vector<std::string>& warnings);

 private:
  struct Argument {
    std::string name;
    const ArgumentRule* rule;
  };
  struct Formula {
    std::string keyword;  // in lower case, as the library matches keywords in either case
    std::vector<Argument> arguments;
  };
  const Formula& formula(std::string_view keyword);

  // Only results are checked, so there are at most as many keywords as formulas (18). The
  // slots, found by a hash of the keyword, hold an index into formulas_ plus one, or 0.
  static constexpr std::size_t slot_count = 64;
  static constexpr std::size_t max_formulas = slot_count / 2;
  std::vector<Formula> formulas_;
  unsigned char slots_[slot_count] = {};
  Formula unlisted_;  // what a keyword beyond max_formulas is checked with
};

}  // namespace tamsel_host

#endif
