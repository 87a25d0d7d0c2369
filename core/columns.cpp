// SPDX-License-Identifier: MIT
// A formula over columns: each row read from its columns in place, evaluated and reviewed as one
// row is, and its outputs stored. A loop is made for each formula, with its arithmetic and rules
// inline; no row allocates or writes text.
#include "../numerics/strict_arithmetic.h"  // first: it governs how everything after it computes

#include <cstring>

#include "TamselCore.h"
#include "row.h"

namespace tamsel::core {
namespace {

// A column's value in a row, read wherever it lies: a strided view need not be aligned.
inline double double_at(const TamselColumn& column, std::size_t row) {
  double value;
  std::memcpy(&value, static_cast<const char*>(column.data) + static_cast<std::ptrdiff_t>(row) * column.stride,
              sizeof value);
  return value;
}

inline bool missing_at(const TamselColumn& column, std::size_t row) {
  return column.missing != nullptr && column.missing[static_cast<std::ptrdiff_t>(row) * column.missing_stride] != 0;
}

template <FormulaId id>
std::ptrdiff_t evaluate_columns_of(std::size_t rows, const TamselColumn* columns, unsigned options, double* values,
                                   unsigned char* kinds, unsigned char* categories, TamselWarnings* warnings) {
  constexpr std::size_t count = catalog::formula(id).argument_count;
  std::ptrdiff_t warned = 0;
  for (std::size_t row = 0; row < rows; ++row) {
    double given[max_arguments] = {};
    unsigned missing = 0;
    for (std::size_t place = 0; place < count; ++place) {
      const TamselColumn& column = columns[place];
      if (column.data == nullptr || missing_at(column, row)) {
        missing |= 1u << place;
      } else if (catalog::argument_of(id, place).type == ArgumentType::sex) {
        given[place] = static_cast<const unsigned char*>(column.data)[static_cast<std::ptrdiff_t>(row) * column.stride];
      } else {
        given[place] = double_at(column, row);
      }
    }
    const TamselRow result = evaluate_row(id, given, missing, options);
    if (values != nullptr) values[row] = result.value;
    if (kinds != nullptr) kinds[row] = static_cast<unsigned char>(result.kind);
    if (categories != nullptr) categories[row] = static_cast<unsigned char>(result.category);
    if (warnings != nullptr) warnings[row] = result.warnings;
    warned += result.warnings != 0 ? 1 : 0;
  }
  return warned;
}

}  // namespace
}  // namespace tamsel::core

extern "C" std::ptrdiff_t tamsel_evaluate_columns(int formula, std::size_t rows, const TamselColumn* columns,
                                                  unsigned options, double* values, unsigned char* kinds,
                                                  unsigned char* categories, TamselWarnings* warnings) {
  using namespace tamsel::core;
  if (!is_formula(formula)) return -1;
  return with_formula(static_cast<FormulaId>(formula), [&](auto id) {
    return evaluate_columns_of<decltype(id)::value>(rows, columns, options, values, kinds, categories, warnings);
  });
}
