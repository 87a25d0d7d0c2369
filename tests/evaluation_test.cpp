// SPDX-License-Identifier: MIT
// The calculator on numbers against the calculator on text: for every formula, a row of numbers
// evaluated alone and in columns must give exactly what the request that writes those numbers
// gets from the library and its review: the value's bits, the kind, the category, the warnings'
// codes and their sentences. Rows are realistic values, the edges of every range and class,
// halfway cases of the printed decimals, signed zeros, subnormals, infinities, NaN, huge values,
// and whole numbers with fractions or beyond 32 bits.
//   evaluation_test [--rows N] [gtest options]   (N rows per formula; 1,000,000 by default)
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "TamselReview.h"

namespace tamsel_test {
namespace {

long rows_per_formula = 1000000;

constexpr double infinity = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

bool same_bits(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// A row of one formula: its numbers in usage-line order, the sex as a code.
struct Row {
  int formula;
  double arguments[TAMSEL_MAX_ARGUMENTS];
};

// Makes rows of every kind the core must agree on.
class RowMaker {
 public:
  explicit RowMaker(std::uint64_t seed) : random_(seed) {}

  Row next(int formula) {
    const TamselFormulaInfo& info = *tamsel_formula_info(formula);
    Row row{formula, {}};
    for (std::size_t place = 0; place < info.argument_count; ++place) {
      const TamselArgumentInfo& argument = info.arguments[place];
      switch (argument.type) {
        case TAMSEL_ARGUMENT_SEX: row.arguments[place] = pick(0, 1); break;
        case TAMSEL_ARGUMENT_WHOLE: row.arguments[place] = whole(argument); break;
        case TAMSEL_ARGUMENT_REAL: row.arguments[place] = real(argument); break;
      }
    }
    if (pick(0, 9) == 0) near_an_edge(formula, row);
    return row;
  }

 private:
  int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  double uniform(double low, double high) { return std::uniform_real_distribution<double>(low, high)(random_); }
  double any_bits() {
    const std::uint64_t bits = random_();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }
  // A value as a person types it: up to three decimals, the double nearest that decimal.
  double typed(double low, double high) {
    static const double scales[] = {1, 10, 100, 1000};
    const double scale = scales[pick(0, 3)];
    return std::round(uniform(low, high) * scale) / scale;
  }

  double special() {
    static const double values[] = {0.0,     -0.0,    5e-324,  -5e-324, 2.2250738585072014e-308, 1e-300,
                                    1e300,   -1e300,  1.7976931348623157e308, infinity, -infinity, nan,
                                    0.5,     -0.5,    1e-7,    123456789012345678.0, 9007199254740993.0};
    return values[pick(0, sizeof values / sizeof values[0] - 1)];
  }

  double real(const TamselArgumentInfo& argument) {
    const std::size_t span = static_cast<std::size_t>(pick(0, static_cast<int>(argument.range_count) - 1));
    const double low = argument.low[span];
    const double high = argument.high[span];
    switch (pick(0, 19)) {
      case 0: return special();
      case 1: return any_bits();
      case 2: return uniform(-2 * high, 4 * high);  // seventeen digits, anywhere
      case 3: {  // an edge of the range, or its neighbour outside
        const double edge = pick(0, 1) == 0 ? low : high;
        return pick(0, 1) == 0 ? edge : std::nextafter(edge, pick(0, 1) == 0 ? -infinity : infinity);
      }
      case 4: {  // another unit, or a slipped digit
        static const double slips[] = {100, 0.01, 2.54, 1 / 2.54, 0.45359237, 10, 0.1};
        return typed(low, high) * slips[pick(0, sizeof slips / sizeof slips[0] - 1)];
      }
      default: return typed(low, high);
    }
  }

  double whole(const TamselArgumentInfo& argument) {
    const double low = argument.low[0];
    const double high = argument.high[0];
    switch (pick(0, 19)) {
      case 0: return special();
      case 1: {  // beyond 32 bits, and at its edges
        static const double values[] = {2147483647.0, 2147483648.0, 2147483647.5, -2147483648.0, -2147483648.5,
                                        -2147483649.0, 3e9,         -3e9,         1e10,          -1e10,
                                        1e20,         -1e20,        4294967296.0, 1e300};
        return values[pick(0, sizeof values / sizeof values[0] - 1)];
      }
      case 2: return std::round(uniform(low, high)) + uniform(-0.999, 0.999);  // a fraction
      case 3: return pick(0, 1) == 0 ? low - 1 : high + 1;
      case 4: return -std::round(uniform(0, high));
      default: return std::round(uniform(low, high));
    }
  }

  // Results on the edges of the published classes, and halfway between two printed decimals.
  void near_an_edge(int formula, Row& row) {
    const double step = pick(-3, 3) * 0.001;
    switch (formula) {
      case TAMSEL_FORMULA_BMI: {
        static const double edges[] = {16, 17, 18.5, 25, 30, 35, 40};
        const double height = typed(1.4, 2.0);
        row.arguments[1] = height;
        row.arguments[0] = (edges[pick(0, 6)] + step) * height * height;
        break;
      }
      case TAMSEL_FORMULA_WTHR: {
        static const double edges[] = {0.4, 0.5, 0.6};
        row.arguments[1] = typed(140, 200);
        row.arguments[0] = (edges[pick(0, 2)] + step) * row.arguments[1];
        break;
      }
      case TAMSEL_FORMULA_BP_CATEGORY:
      case TAMSEL_FORMULA_MAP:
      case TAMSEL_FORMULA_PULSE_PRESSURE: {
        static const double systolic[] = {119, 120, 129, 130, 139, 140, 179, 180, 181};
        static const double diastolic[] = {79, 80, 89, 90, 119, 120, 121};
        row.arguments[0] = systolic[pick(0, 8)];
        row.arguments[1] = diastolic[pick(0, 6)];
        break;
      }
      case TAMSEL_FORMULA_TARGET_HR:  // x.5 beats: a tie, rounded to even
        row.arguments[0] = pick(20, 80);
        row.arguments[1] = 0.5;
        break;
      case TAMSEL_FORMULA_WHR:  // eighths and sixteenths: exact ties at three decimals
        row.arguments[0] = pick(1, 15);
        row.arguments[1] = pick(0, 1) == 0 ? 8 : 16;
        break;
      default:
        break;
    }
  }

  std::mt19937_64 random_;
};

// The request a person would type for the row: each number as the shortest text that reads
// back as it, a whole number without an exponent (the library reads it as atoi does).
std::string request_of(const Row& row) {
  const TamselFormulaInfo& info = *tamsel_formula_info(row.formula);
  std::string request = info.keyword;
  const bool male = info.argument_count > 0 && info.arguments[0].type == TAMSEL_ARGUMENT_SEX &&
                    row.arguments[0] == TAMSEL_SEX_MALE;
  for (std::size_t place = 0; place < info.argument_count; ++place) {
    const TamselArgumentInfo& argument = info.arguments[place];
    if (argument.women_only != 0 && male) break;
    request += ' ';
    const double value = row.arguments[place];
    if (argument.type == TAMSEL_ARGUMENT_SEX) {
      request += value == TAMSEL_SEX_MALE ? "M" : "F";
      continue;
    }
    if (std::isnan(value)) {
      request += "nan";
      continue;
    }
    char text[TAMSEL_NUMBER_BYTES];
    const std::to_chars_result written =
        argument.type == TAMSEL_ARGUMENT_WHOLE ? std::to_chars(text, text + sizeof text, value, std::chars_format::fixed)
                                               : std::to_chars(text, text + sizeof text, value);
    request.append(text, written.ptr);
  }
  return request;
}

std::string warning_of(const Row& row, unsigned bit) {
  char text[TAMSEL_WARNING_BYTES];
  const std::size_t size = tamsel_warning_text(row.formula, row.arguments, 0, bit, text, sizeof text);
  return std::string(text, size);
}

// Compares the core's row with the text path's record; returns false after the first
// difference, which it reports.
bool agrees(const Row& row, const TamselRow& evaluated, const std::string& request, const TamselRecord& record) {
  const auto where = [&] { return ::testing::Message() << request; };
  EXPECT_EQ(record.kind, TAMSEL_KIND_RESULT) << where();
  EXPECT_EQ(evaluated.kind, TAMSEL_KIND_RESULT) << where();
  EXPECT_TRUE(same_bits(evaluated.value, record.value)) << where() << ": " << evaluated.value << " " << record.value;
  EXPECT_EQ(evaluated.category, record.category_id) << where();
  EXPECT_EQ(evaluated.warnings, record.warning_codes) << where();
  std::size_t index = 0;
  for (unsigned bit = 0; bit < TAMSEL_WARNING_BITS; ++bit) {
    if ((evaluated.warnings >> bit & 1u) == 0) continue;
    if (index < record.warning_count) {
      EXPECT_EQ(warning_of(row, bit), record.warnings[index]) << where();
    }
    ++index;
  }
  EXPECT_EQ(index, record.warning_count) << where();
  return !::testing::Test::HasFailure();
}

// Rows go through the column call in batches, each argument read from a row of a wider table
// (a strided view) and the sex from bytes.
constexpr std::size_t batch_rows = 1024;
constexpr std::size_t table_width = TAMSEL_MAX_ARGUMENTS + 1;

class Batch {
 public:
  void add(const Row& row, const TamselRow& evaluated) {
    for (std::size_t place = 0; place < TAMSEL_MAX_ARGUMENTS; ++place) table_[size_ * table_width + place] = row.arguments[place];
    sexes_[size_] = row.arguments[0] == TAMSEL_SEX_MALE ? TAMSEL_SEX_MALE : TAMSEL_SEX_FEMALE;
    rows_[size_] = evaluated;
    requests_[size_] = row;
    ++size_;
  }
  bool full() const { return size_ == batch_rows; }

  // Evaluates the batch as columns and compares each row with its one-row result.
  void check(int formula) {
    if (size_ == 0) return;
    const TamselFormulaInfo& info = *tamsel_formula_info(formula);
    TamselColumn columns[TAMSEL_MAX_ARGUMENTS] = {};
    for (std::size_t place = 0; place < info.argument_count; ++place) {
      if (info.arguments[place].type == TAMSEL_ARGUMENT_SEX) {
        columns[place] = {sexes_, 1, nullptr, 0};
      } else {
        columns[place] = {table_ + place, static_cast<std::ptrdiff_t>(table_width * sizeof(double)), nullptr, 0};
      }
    }
    std::ptrdiff_t warned_rows = 0;
    for (std::size_t row = 0; row < size_; ++row) warned_rows += rows_[row].warnings != 0 ? 1 : 0;
    EXPECT_EQ(tamsel_evaluate_columns(formula, size_, columns, 0, values_, kinds_, categories_, warnings_), warned_rows);
    for (std::size_t row = 0; row < size_; ++row) {
      const TamselRow& expected = rows_[row];
      const bool same = same_bits(values_[row], expected.value) && kinds_[row] == expected.kind &&
                        categories_[row] == expected.category && warnings_[row] == expected.warnings;
      EXPECT_TRUE(same) << request_of(requests_[row]);
      if (!same) break;
    }
    size_ = 0;
  }

 private:
  double table_[batch_rows * table_width] = {};
  unsigned char sexes_[batch_rows] = {};
  TamselRow rows_[batch_rows] = {};
  Row requests_[batch_rows] = {};
  double values_[batch_rows] = {};
  unsigned char kinds_[batch_rows] = {};
  unsigned char categories_[batch_rows] = {};
  TamselWarnings warnings_[batch_rows] = {};
  std::size_t size_ = 0;
};

TamselRecord record;
Batch batch;

class EveryFormula : public testing::TestWithParam<int> {};

TEST_P(EveryFormula, NumbersAloneAndInColumnsGetWhatTheirRequestGets) {
  const int formula = GetParam();
  RowMaker maker(20261210u + static_cast<std::uint64_t>(formula));
  for (long index = 0; index < rows_per_formula; ++index) {
    const Row row = maker.next(formula);
    TamselRow evaluated;
    ASSERT_EQ(tamsel_evaluate(formula, row.arguments, 0, 0, &evaluated), 0);
    const std::string request = request_of(row);
    tamsel_ask(request.data(), request.size(), &record);
    if (!agrees(row, evaluated, request, record)) return;
    batch.add(row, evaluated);
    if (batch.full()) batch.check(formula);
  }
  batch.check(formula);
}

INSTANTIATE_TEST_SUITE_P(Core, EveryFormula, testing::Range(0, TAMSEL_FORMULA_COUNT),
                         [](const testing::TestParamInfo<int>& formula) {
                           return std::string(tamsel_formula_info(formula.param)->keyword);
                         });

// A missing value gives a missing row, never a result computed from a stand-in.
TEST(Missing, AnyMissingArgumentMakesTheRowMissing) {
  struct Case {
    int formula;
    std::vector<double> arguments;
    unsigned missing;
    unsigned options;
    TamselAnswerKind kind;
  };
  for (const Case& c : std::vector<Case>{
           {TAMSEL_FORMULA_BMI, {70, 1.75}, 0, 0, TAMSEL_KIND_RESULT},
           {TAMSEL_FORMULA_BMI, {70, 1.75}, 2, 0, TAMSEL_KIND_MISSING},
           {TAMSEL_FORMULA_BMI, {nan, 1.75}, 0, TAMSEL_NAN_IS_MISSING, TAMSEL_KIND_MISSING},
           {TAMSEL_FORMULA_BMI, {nan, 1.75}, 0, 0, TAMSEL_KIND_RESULT},  // a number, as "nan" is
           {TAMSEL_FORMULA_LBM, {TAMSEL_SEX_MISSING, 60, 165}, 0, 0, TAMSEL_KIND_MISSING},
           {TAMSEL_FORMULA_LBM, {0.5, 60, 165}, 0, 0, TAMSEL_KIND_MISSING},  // no sex code
           {TAMSEL_FORMULA_BODYFAT_NAVY, {TAMSEL_SEX_MALE, 90, 40, 180, nan}, 16, TAMSEL_NAN_IS_MISSING,
            TAMSEL_KIND_RESULT},  // a man gives no hip
           {TAMSEL_FORMULA_BODYFAT_NAVY, {TAMSEL_SEX_FEMALE, 75, 33, 165, nan}, 0, TAMSEL_NAN_IS_MISSING,
            TAMSEL_KIND_MISSING},
           {TAMSEL_FORMULA_MAX_HR, {nan}, 0, TAMSEL_NAN_IS_MISSING, TAMSEL_KIND_MISSING},
       }) {
    TamselRow row;
    ASSERT_EQ(tamsel_evaluate(c.formula, c.arguments.data(), c.missing, c.options, &row), 0);
    EXPECT_EQ(row.kind, c.kind) << c.formula << " " << c.missing;
    if (c.kind == TAMSEL_KIND_MISSING) {
      EXPECT_TRUE(std::isnan(row.value));
      EXPECT_EQ(row.warnings, 0u);
      EXPECT_EQ(row.category, 0u);
    }
  }
  TamselRow row;
  EXPECT_EQ(tamsel_evaluate(TAMSEL_FORMULA_COUNT, nullptr, 0, 0, &row), -1);
  EXPECT_EQ(tamsel_evaluate(-1, nullptr, 0, 0, &row), -1);
}

TEST(Missing, ColumnsMarkMissingValuesByMaskNullColumnOrNaN) {
  const double weights[] = {70, 80, nan, 90};
  const double heights[] = {1.75};  // one value for every row
  const unsigned char absent[] = {0, 1, 0, 0};
  const TamselColumn columns[] = {{weights, sizeof(double), absent, 1}, {heights, 0, nullptr, 0}};
  double values[4];
  unsigned char kinds[4];
  EXPECT_EQ(tamsel_evaluate_columns(TAMSEL_FORMULA_BMI, 4, columns, TAMSEL_NAN_IS_MISSING, values, kinds, nullptr,
                                    nullptr),
            0);
  EXPECT_EQ(values[0], 22.86);
  EXPECT_EQ(kinds[1], TAMSEL_KIND_MISSING);
  EXPECT_EQ(kinds[2], TAMSEL_KIND_MISSING);
  EXPECT_EQ(values[3], 29.39);
  // A null column is missing in every row; a man's hip is never read.
  const double zero[] = {0};
  const unsigned char men[] = {TAMSEL_SEX_MALE, TAMSEL_SEX_FEMALE};
  const double waist[] = {90, 75}, neck[] = {40, 33}, height[] = {180, 165};
  const TamselColumn navy[] = {{men, 1, nullptr, 0}, {waist, 8, nullptr, 0}, {neck, 8, nullptr, 0},
                               {height, 8, nullptr, 0}, {nullptr, 0, nullptr, 0}};
  EXPECT_EQ(tamsel_evaluate_columns(TAMSEL_FORMULA_BODYFAT_NAVY, 2, navy, 0, values, kinds, nullptr, nullptr), 0);
  EXPECT_EQ(values[0], 18.37);
  EXPECT_EQ(kinds[1], TAMSEL_KIND_MISSING);
  static_cast<void>(zero);
}

// The table as data: what the bindings build their functions and forms from.
TEST(FormulaTable, DescribesEveryFormulaAsTheLibraryAnswers) {
  for (int formula = 0; formula < TAMSEL_FORMULA_COUNT; ++formula) {
    const TamselFormulaInfo& info = *tamsel_formula_info(formula);
    EXPECT_EQ(tamsel_find_formula(info.keyword, std::strlen(info.keyword)), formula);
    std::string usage = std::string("Usage: ") + info.keyword;
    for (std::size_t place = 0; place < info.argument_count; ++place) {
      const TamselArgumentInfo& argument = info.arguments[place];
      usage += std::string(" [") + argument.usage_name + (argument.women_only != 0 ? " (F only)]" : "]");
      EXPECT_EQ(argument.type == TAMSEL_ARGUMENT_SEX, std::string(argument.name) == "sex") << info.keyword;
      EXPECT_EQ(argument.range_count == 0, argument.type == TAMSEL_ARGUMENT_SEX) << info.keyword;
    }
    EXPECT_STREQ(info.usage, usage.c_str());
    // The library answers a keyword alone with that usage line.
    TamselRecord asked;
    tamsel_ask(info.keyword, std::strlen(info.keyword), &asked);
    EXPECT_EQ(std::string(asked.text, asked.text_size), info.usage);
    // Its categories are its scheme's, each with the scheme's source.
    for (unsigned id = info.first_category; id < info.first_category + info.category_count; ++id) {
      EXPECT_NE(tamsel_category_name(id), nullptr);
      EXPECT_STREQ(tamsel_category_source(id), info.scheme_source);
    }
    EXPECT_EQ(info.scheme == nullptr, info.category_count == 0) << info.keyword;
  }
  EXPECT_EQ(tamsel_find_formula("BMI", 3), TAMSEL_FORMULA_BMI);
  EXPECT_EQ(tamsel_find_formula("bmix", 4), -1);
  EXPECT_EQ(tamsel_formula_info(TAMSEL_FORMULA_COUNT), nullptr);
  EXPECT_EQ(tamsel_category_name(0), nullptr);
  EXPECT_EQ(tamsel_category_name(tamsel_category_limit()), nullptr);
}

// The words every binding takes for a sex are those the review takes without a warning: the
// bindings ask the core, and the review's text path must agree with it.
TEST(FormulaTable, SexWordsAreTheReviewsOwn) {
  struct Case {
    std::string word;
    int code;
  };
  const Case cases[] = {
      {"M", TAMSEL_SEX_MALE},   {"m", TAMSEL_SEX_MALE},      {"male", TAMSEL_SEX_MALE},
      {"MaLe", TAMSEL_SEX_MALE}, {"F", TAMSEL_SEX_FEMALE},    {"female", TAMSEL_SEX_FEMALE},
      {"FEMALE", TAMSEL_SEX_FEMALE}, {"x", -1},               {"hombre", -1},
      {"males", -1},            {"mal", -1},                 {"femal", -1},
      {"-", -1},                {"\r", -1},                  {std::string("m\0", 2), -1},
      {"\xcd", -1},             {"\xc6" "emale", -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(tamsel_sex_code(c.word.data(), c.word.size()), c.code) << c.word;
    if (c.word.find_first_of(std::string(" \t\r\0", 4)) != std::string::npos) continue;
    TamselRecord asked;
    const std::string request = "bodyfat_navy " + c.word + " 90 40 180";
    tamsel_ask(request.data(), request.size(), &asked);
    EXPECT_EQ((asked.warning_codes & TAMSEL_WARNING_SEX_WORD(0)) == 0, c.code >= 0) << request;
  }
  EXPECT_EQ(tamsel_sex_code(nullptr, 0), -1);
}

// Pounds and inches, said by name, are turned metric with one multiplication by the exact
// definition; the row is then the metric row, alone and in columns. Arguments without an
// imperial unit ignore the option.
TEST(Imperial, RowsInPoundsAndInchesAreTheMetricRows) {
  RowMaker maker(1959u);  // the year the inch became exactly 2.54 cm
  std::vector<double> given[TAMSEL_MAX_ARGUMENTS];
  std::vector<unsigned char> sexes;
  for (int formula = 0; formula < TAMSEL_FORMULA_COUNT; ++formula) {
    const TamselFormulaInfo& info = *tamsel_formula_info(formula);
    const long count = rows_per_formula / 100 + 1000;
    for (auto& column : given) column.assign(static_cast<std::size_t>(count), 0.0);
    sexes.assign(static_cast<std::size_t>(count), 0);
    std::vector<TamselRow> expected(static_cast<std::size_t>(count));
    for (long index = 0; index < count; ++index) {
      Row row = maker.next(formula);
      double metric[TAMSEL_MAX_ARGUMENTS];
      for (std::size_t place = 0; place < info.argument_count; ++place) {
        const TamselArgumentInfo& argument = info.arguments[place];
        // A metric value's imperial twin: the row in pounds and inches turns back into it.
        if (argument.imperial_factor != 0) row.arguments[place] /= argument.imperial_factor;
        metric[place] = argument.imperial_factor != 0 ? row.arguments[place] * argument.imperial_factor
                                                      : row.arguments[place];
        given[place][static_cast<std::size_t>(index)] = row.arguments[place];
      }
      sexes[static_cast<std::size_t>(index)] = row.arguments[0] == TAMSEL_SEX_MALE ? TAMSEL_SEX_MALE : TAMSEL_SEX_FEMALE;
      TamselRow imperial;
      ASSERT_EQ(tamsel_evaluate(formula, row.arguments, 0, TAMSEL_IMPERIAL_ALL, &imperial), 0);
      ASSERT_EQ(tamsel_evaluate(formula, metric, 0, 0, &expected[static_cast<std::size_t>(index)]), 0);
      const TamselRow& want = expected[static_cast<std::size_t>(index)];
      ASSERT_TRUE(same_bits(imperial.value, want.value) && imperial.kind == want.kind &&
                  imperial.category == want.category && imperial.warnings == want.warnings)
          << info.keyword << " " << request_of(row);
    }
    TamselColumn columns[TAMSEL_MAX_ARGUMENTS] = {};
    for (std::size_t place = 0; place < info.argument_count; ++place) {
      columns[place] = info.arguments[place].type == TAMSEL_ARGUMENT_SEX
                           ? TamselColumn{sexes.data(), 1, nullptr, 0}
                           : TamselColumn{given[place].data(), sizeof(double), nullptr, 0};
    }
    std::vector<double> values(static_cast<std::size_t>(count));
    std::vector<TamselWarnings> warnings(static_cast<std::size_t>(count));
    tamsel_evaluate_columns(formula, static_cast<std::size_t>(count), columns, TAMSEL_IMPERIAL_ALL, values.data(),
                            nullptr, nullptr, warnings.data());
    for (std::size_t index = 0; index < values.size(); ++index) {
      ASSERT_TRUE(same_bits(values[index], expected[index].value) && warnings[index] == expected[index].warnings)
          << info.keyword << " row " << index;
    }
  }
}

TEST(Imperial, NamesTheUnitItWasGivenInAndTurnsWithTheExactDefinitions) {
  const TamselArgumentInfo& weight = tamsel_formula_info(TAMSEL_FORMULA_BMI)->arguments[0];
  EXPECT_STREQ(weight.imperial_name, "weight_lb");
  EXPECT_EQ(weight.imperial_factor, 0.45359237);
  EXPECT_EQ(tamsel_formula_info(TAMSEL_FORMULA_BMI)->arguments[1].imperial_factor, 0.0254);
  EXPECT_EQ(tamsel_formula_info(TAMSEL_FORMULA_BSA)->arguments[1].imperial_factor, 2.54);
  EXPECT_EQ(tamsel_formula_info(TAMSEL_FORMULA_MAX_HR)->arguments[0].imperial_name, nullptr);
  // 154.3 lb and 69 in are 69.98... kg and 1.7526 m.
  const double pounds_inches[] = {154.3, 69};
  TamselRow row;
  tamsel_evaluate(TAMSEL_FORMULA_BMI, pounds_inches, 0, TAMSEL_IMPERIAL_ALL, &row);
  EXPECT_EQ(row.value, 22.79);
  // Only the argument named imperial is turned.
  const double pounds_metres[] = {154.3, 1.7526};
  tamsel_evaluate(TAMSEL_FORMULA_BMI, pounds_metres, 0, TAMSEL_IMPERIAL(0), &row);
  EXPECT_EQ(row.value, 22.79);
  // A warning speaks of the value in the unit it was given in, and guesses no other unit.
  const double heavy[] = {1600, 69};
  tamsel_evaluate(TAMSEL_FORMULA_BMI, heavy, 0, TAMSEL_IMPERIAL_ALL, &row);
  char text[TAMSEL_WARNING_BYTES];
  tamsel_warning_text(TAMSEL_FORMULA_BMI, heavy, TAMSEL_IMPERIAL_ALL, 0, text, sizeof text);
  EXPECT_STREQ(text, "weight_lb 1600 (725.7 kg) is outside 2 to 400 kg");
}

// One writer of numbers for every surface: the shortest text that reads back, with or without
// an exponent, exactly as C++'s to_chars writes it.
TEST(Numbers, ShortestTextIsToCharsText) {
  std::mt19937_64 random(42);
  const long count = rows_per_formula / 10;
  for (long index = 0; index < count; ++index) {
    double value;
    const std::uint64_t bits = random();
    if (index % 3 == 0) {
      std::memcpy(&value, &bits, sizeof value);
    } else if (index % 3 == 1) {
      value = std::ldexp(static_cast<double>(bits >> 11), static_cast<int>(random() % 120) - 100);
    } else {
      value = static_cast<double>(bits % 1000000) / std::pow(10.0, static_cast<double>(random() % 6));
    }
    if (std::isnan(value)) continue;
    for (const int positional : {0, 1}) {
      char ours[TAMSEL_NUMBER_BYTES];
      char theirs[TAMSEL_NUMBER_BYTES];
      const std::size_t size = tamsel_write_number(value, positional, ours);
      const std::to_chars_result written =
          positional != 0 ? std::to_chars(theirs, theirs + sizeof theirs, value, std::chars_format::fixed)
                          : std::to_chars(theirs, theirs + sizeof theirs, value);
      ASSERT_EQ(std::string(ours, size), std::string(theirs, written.ptr)) << positional;
      ASSERT_EQ(ours[size], '\0');
    }
  }
  char text[TAMSEL_NUMBER_BYTES];
  EXPECT_STREQ((tamsel_write_number(-nan, 0, text), text), "nan");
  EXPECT_STREQ((tamsel_write_number(1e20, 0, text), text), "1e+20");
  EXPECT_STREQ((tamsel_write_number(1e20, 1, text), text), "100000000000000000000");
  EXPECT_STREQ((tamsel_write_number(-0.0, 1, text), text), "-0");
}

}  // namespace
}  // namespace tamsel_test

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  for (int index = 1; index + 1 < argc; ++index) {
    if (std::strcmp(argv[index], "--rows") == 0) tamsel_test::rows_per_formula = std::atol(argv[index + 1]);
  }
  return RUN_ALL_TESTS();
}
