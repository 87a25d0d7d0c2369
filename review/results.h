// SPDX-License-Identifier: MIT
// Checks of a result against what a living person can measure, and the published category of
// the printed value. docs/formulas.md gives the source of every rule and class.
#ifndef TAMSEL_REVIEW_RESULTS_H
#define TAMSEL_REVIEW_RESULTS_H

#include "arguments.h"
#include "warning_list.h"

namespace tamsel::review {

struct PrintedResult {
  bool has_value;      // false for inf, -inf and nan
  double value;        // the printed number
  std::string_view text;  // the number and unit as printed, such as "-1.95 kg" or "nan%"
};

// Adds the warnings about the result of a formula whose arguments were `arguments`.
void check_result(const Arguments& arguments, const PrintedResult& result, WarningList& warnings);

struct Category {
  const char* name;
  const char* source;
};

// The class of the printed value, or {null, null} for a formula without a published one.
Category categorize(const Arguments& arguments, const PrintedResult& result);

}  // namespace tamsel::review

#endif
