// SPDX-License-Identifier: MIT
// Columns mode: one formula over the rows of a CSV file, its arguments taken from the columns
// the caller names. Each row goes out as it came in, with the value, unit, category and warnings
// appended. The cells go to the calculator as numbers, so a row gets exactly what the request
// written from its cells gets; a cell that is not wholly a number is not guessed at.
#include <string>
#include <utility>
#include <vector>

#include "TamselCore.h"
#include "arguments.h"
#include "host.h"
#include "host_io.h"

namespace tamsel_host {
namespace {

constexpr std::size_t input_chunk = 64 * 1024;
constexpr std::size_t output_flush_size = 64 * 1024;
constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";
constexpr std::size_t no_column = static_cast<std::size_t>(-1);

// One CSV record: its bytes as they came (without the line end), for writing back unchanged,
// and its cells with the quoting undone.
struct Record {
  std::string raw;
  std::string text;  // the cells one after another
  std::vector<std::pair<std::size_t, std::size_t>> cells;  // offset and size in text
  std::size_t line = 0;                                    // where it starts in the input

  std::string_view cell(std::size_t index) const {
    return index < cells.size() ? std::string_view(text).substr(cells[index].first, cells[index].second)
                                : std::string_view();
  }
};

// Reads RFC 4180 records from standard input: quoted cells may hold commas, quotes ("") and line
// ends; CRLF and LF both end a record. Lenient where the RFC is silent: a quote inside an
// unquoted cell, or text after a closing quote, is kept as text.
class CsvReader {
 public:
  // False at the end of input; `failed` says whether reading failed.
  bool next(Record& record) {
    record.raw.clear();
    record.text.clear();
    record.cells.clear();
    record.line = line_;
    if (!fill()) return false;
    if (line_ == 1 && at_start_) {
      at_start_ = false;
      skip_byte_order_mark();
    }
    std::size_t cell_start = 0;
    bool quoted = false;
    for (;;) {
      if (!fill()) break;
      const char byte = buffer_[position_++];
      if (quoted) {
        if (byte == '"') {
          if (fill() && buffer_[position_] == '"') {
            ++position_;
            record.raw += "\"\"";
            record.text += '"';
            continue;
          }
          quoted = false;
          record.raw += '"';
          continue;
        }
        if (byte == '\n') ++line_;
        record.raw += byte;
        record.text += byte;
        continue;
      }
      if (byte == '"' && record.text.size() == cell_start) {
        quoted = true;
        record.raw += '"';
      } else if (byte == ',') {
        record.raw += ',';
        record.cells.emplace_back(cell_start, record.text.size() - cell_start);
        cell_start = record.text.size();
      } else if (byte == '\n') {
        ++line_;
        if (!record.raw.empty() && record.raw.back() == '\r') record.raw.pop_back();
        if (record.text.size() > cell_start && record.text.back() == '\r') record.text.pop_back();
        record.cells.emplace_back(cell_start, record.text.size() - cell_start);
        return true;
      } else {
        record.raw += byte;
        record.text += byte;
      }
    }
    // The last record need not end its line.
    if (failed_) return false;
    record.cells.emplace_back(cell_start, record.text.size() - cell_start);
    return true;
  }

  bool failed() const { return failed_; }

 private:
  // Whether a byte is ready, reading more when none is.
  bool fill() {
    if (position_ < size_) return true;
    if (ended_) return false;
    const long count = read_input(buffer_, sizeof buffer_);
    if (count <= 0) {
      failed_ = count < 0;
      ended_ = true;
      return false;
    }
    position_ = 0;
    size_ = static_cast<std::size_t>(count);
    return true;
  }

  void skip_byte_order_mark() {
    for (const char mark : byte_order_mark) {
      if (!fill() || buffer_[position_] != mark) return;
      ++position_;
    }
  }

  char buffer_[input_chunk];
  std::size_t position_ = 0;
  std::size_t size_ = 0;
  std::size_t line_ = 1;
  bool at_start_ = true;
  bool ended_ = false;
  bool failed_ = false;
};

// Where each argument of the formula comes from.
struct ColumnPlan {
  int formula = -1;
  const TamselFormulaInfo* info = nullptr;
  std::string wanted[TAMSEL_MAX_ARGUMENTS];    // the column the caller named, or empty
  bool named_imperial[TAMSEL_MAX_ARGUMENTS] = {};
  std::size_t column[TAMSEL_MAX_ARGUMENTS] = {};  // in the header, or no_column
  unsigned options = TAMSEL_NAN_IS_MISSING;
};

bool equals_text(std::string_view a, const char* b) { return b != nullptr && a == b; }

std::string argument_names(const TamselFormulaInfo& info) {
  std::string names;
  for (std::size_t place = 0; place < info.argument_count; ++place) {
    const TamselArgumentInfo& argument = info.arguments[place];
    names += names.empty() ? "" : ", ";
    names += argument.name;
    if (argument.imperial_name != nullptr) names += std::string(" or ") + argument.imperial_name;
  }
  return names;
}

// Reads "FORMULA [ARGUMENT=COLUMN]..."; false, having said why, when it cannot be followed.
bool read_plan(const std::vector<std::string>& words, ColumnPlan& plan) {
  if (words.empty()) {
    report("--columns needs a formula: tamsel-health --columns bmi weight_kg=Weight height_m=Height < patients.csv");
    return false;
  }
  plan.formula = tamsel_find_formula(words[0].data(), words[0].size());
  if (plan.formula < 0) {
    report("\"" + words[0] + "\" is no formula; tamsel-health help lists them");
    return false;
  }
  plan.info = tamsel_formula_info(plan.formula);
  for (std::size_t index = 1; index < words.size(); ++index) {
    const std::string& word = words[index];
    const std::size_t equals = word.find('=');
    if (equals == std::string::npos) {
      report("\"" + word + "\" names no column: write ARGUMENT=COLUMN; the CSV comes on standard input (< " + word +
             ")");
      return false;
    }
    const std::string_view name = std::string_view(word).substr(0, equals);
    bool found = false;
    for (std::size_t place = 0; place < plan.info->argument_count && !found; ++place) {
      const TamselArgumentInfo& argument = plan.info->arguments[place];
      const bool imperial = equals_text(name, argument.imperial_name);
      if (!imperial && !equals_text(name, argument.name)) continue;
      found = true;
      plan.wanted[place] = word.substr(equals + 1);
      plan.named_imperial[place] = imperial;
    }
    if (!found) {
      report("\"" + std::string(name) + "\" is not an argument of " + words[0] + "; its arguments are " +
             argument_names(*plan.info));
      return false;
    }
  }
  return true;
}

std::size_t find_column(const Record& header, std::string_view name) {
  for (std::size_t index = 0; index < header.cells.size(); ++index) {
    if (header.cell(index) == name) return index;
  }
  return no_column;
}

// Finds each argument's column in the header: the one named for it, else the one that bears
// its name (its imperial name says the column is in pounds or inches). Only a women-only
// argument may lack one; then women's rows have no result.
bool place_columns(const Record& header, ColumnPlan& plan) {
  for (std::size_t place = 0; place < plan.info->argument_count; ++place) {
    const TamselArgumentInfo& argument = plan.info->arguments[place];
    std::size_t column = no_column;
    bool imperial = plan.named_imperial[place];
    if (!plan.wanted[place].empty()) {
      column = find_column(header, plan.wanted[place]);
      if (column == no_column) {
        report("the CSV has no column \"" + plan.wanted[place] + "\"");
        return false;
      }
    } else {
      column = find_column(header, argument.name);
      const std::size_t in_imperial =
          argument.imperial_name != nullptr ? find_column(header, argument.imperial_name) : no_column;
      if (column != no_column && in_imperial != no_column) {
        report(std::string("the CSV has both ") + argument.name + " and " + argument.imperial_name +
               "; name the one to use: " + argument.name + "=COLUMN");
        return false;
      }
      if (column == no_column && in_imperial != no_column) {
        column = in_imperial;
        imperial = true;
      }
    }
    if (column == no_column && argument.women_only == 0) {
      report(std::string("the CSV has no column for ") + argument.name + "; name it: " + argument.name +
             "=COLUMN");
      return false;
    }
    if (column == no_column) {
      report(std::string("no column for ") + argument.name + ", so the rows of women have no result");
    }
    plan.column[place] = column;
    if (imperial) plan.options |= TAMSEL_IMPERIAL(place);
  }
  return true;
}

bool is_blank(std::string_view text) { return text.find_first_not_of(" \t") == std::string_view::npos; }

// A cell that is wholly one number as the calculator reads one; blanks around it are allowed.
bool read_number_cell(std::string_view cell, double& value) {
  if (cell.size() > tamsel::review::max_request_bytes) return false;
  tamsel::review::PaddedRequest padded;
  tamsel::review::pad_request(cell, padded);
  const char* p = padded.bytes;
  tamsel::review::Argument argument{};
  if (!tamsel::review::read_argument<tamsel::catalog::ArgumentType::real>(p, padded, argument)) return false;
  value = argument.value;
  return argument.wholly_read && is_blank(std::string_view(p, static_cast<std::size_t>(padded.end - p)));
}

// M, F, male or female in any case, blanks around it allowed (a blank cell is missing, and not
// read here); anything else is no sex this program will guess.
bool read_sex_cell(std::string_view cell, double& code) {
  const std::size_t first = cell.find_first_not_of(" \t");
  const std::size_t last = cell.find_last_not_of(" \t");
  const int sex = tamsel_sex_code(cell.data() + first, last + 1 - first);
  if (sex < 0) return false;
  code = sex;
  return true;
}

class ColumnsRun {
 public:
  explicit ColumnsRun(const ColumnPlan& plan) : plan_(plan) {
    out_.reserve(output_flush_size + 4096);
  }

  void header(const Record& record) {
    out_ += record.raw;
    const std::string prefix = std::string(",") + plan_.info->keyword;
    for (const char* suffix : {"_value", "_unit", "_category", "_warnings"}) out_ += prefix + suffix;
    out_ += line_end;
  }

  // Computes one row and writes it; false when writing fails.
  bool row(const Record& record) {
    ++rows_;
    double arguments[TAMSEL_MAX_ARGUMENTS] = {};
    unsigned missing = 0;
    warnings_.clear();
    bool male = false;
    for (std::size_t place = 0; place < plan_.info->argument_count; ++place) {
      const TamselArgumentInfo& argument = plan_.info->arguments[place];
      if (argument.women_only != 0 && male) continue;  // a man's hip is never read
      const std::string_view cell =
          plan_.column[place] == no_column ? std::string_view() : record.cell(plan_.column[place]);
      if (is_blank(cell)) {
        missing |= 1u << place;
        continue;
      }
      const bool read = argument.type == TAMSEL_ARGUMENT_SEX ? read_sex_cell(cell, arguments[place])
                                                             : read_number_cell(cell, arguments[place]);
      if (!read) {
        missing |= 1u << place;
        add_warning(unreadable(argument, place, cell));
      }
      if (argument.type == TAMSEL_ARGUMENT_SEX) male = read && arguments[place] == TAMSEL_SEX_MALE;
    }
    TamselRow result;
    tamsel_evaluate(plan_.formula, arguments, missing, plan_.options, &result);
    out_ += record.raw;
    out_ += ',';
    if (result.kind == TAMSEL_KIND_MISSING) {
      ++missing_rows_;
      out_ += ",,";
    } else {
      char digits[TAMSEL_NUMBER_BYTES];
      out_.append(digits, tamsel_result_digits(plan_.formula, arguments, missing, plan_.options, digits));
      out_ += ',';
      append_csv_field(plan_.info->unit, out_);
      out_ += ',';
      if (result.category != TAMSEL_CATEGORY_NONE) append_csv_field(tamsel_category_name(result.category), out_);
      for (unsigned bit = 0; bit < TAMSEL_WARNING_BITS; ++bit) {
        if ((result.warnings >> bit & 1u) == 0) continue;
        char sentence[TAMSEL_WARNING_BYTES];
        const std::size_t size =
            tamsel_warning_text(plan_.formula, arguments, plan_.options, bit, sentence, sizeof sentence);
        add_warning(std::string(sentence, size));
      }
    }
    out_ += ',';
    std::string joined;
    for (const std::string& warning : warnings_) {
      if (!joined.empty()) joined += "; ";
      joined += warning;
    }
    append_csv_field(joined, out_);
    out_ += line_end;
    if (warnings_.empty()) return out_.size() < output_flush_size || flush();
    ++warned_rows_;
    // The rows before go out first, so that a shared screen or file keeps the order.
    if (!flush()) return false;
    for (const std::string& warning : warnings_) {
      report("warning: line " + std::to_string(record.line) + ": " + warning);
    }
    return true;
  }

  bool flush() {
    const bool written = write_output(out_);
    out_.clear();
    return written;
  }

  void summarize() const {
    if (warned_rows_ == 0 && missing_rows_ == 0) return;
    report(std::to_string(rows_) + (rows_ == 1 ? " row, " : " rows, ") + std::to_string(missing_rows_) +
           " without a result, " + std::to_string(warned_rows_) + " with warnings");
  }

  bool any_warned() const { return warned_rows_ != 0; }

 private:
  std::string unreadable(const TamselArgumentInfo& argument, std::size_t place, std::string_view cell) const {
    const bool imperial = (plan_.options & TAMSEL_IMPERIAL(place)) != 0;
    std::string sentence = imperial ? argument.imperial_name : argument.name;
    sentence += " \"";
    sentence += cell;
    if (argument.type == TAMSEL_ARGUMENT_SEX) return sentence + "\" is not M, F, male or female, so the row has no result";
    sentence += "\" is not a number, so the row has no result";
    if (cell.find(',') != std::string_view::npos) sentence += "; the decimal point is '.'";
    return sentence;
  }

  void add_warning(std::string sentence) { warnings_.push_back(std::move(sentence)); }

  const ColumnPlan& plan_;
  std::string out_;
  std::vector<std::string> warnings_;
  std::size_t rows_ = 0;
  std::size_t missing_rows_ = 0;
  std::size_t warned_rows_ = 0;
};

}  // namespace

int run_columns(const std::vector<std::string>& words, const HostOptions& options) {
  ColumnPlan plan;
  if (!read_plan(words, plan)) return exit_wrong_request;
  static CsvReader reader;  // its buffer is too large for the stack of every platform
  Record record;
  bool have_header = false;
  while (!have_header) {
    if (!reader.next(record)) {
      if (reader.failed()) return input_failed();
      report("the CSV has no header row naming its columns");
      return exit_wrong_request;
    }
    have_header = !record.raw.empty();
  }
  if (!place_columns(record, plan)) return exit_wrong_request;
  ColumnsRun run(plan);
  run.header(record);
  while (reader.next(record)) {
    if (record.raw.empty()) continue;  // a blank line is no row
    if (!run.row(record)) return output_failed();
  }
  if (reader.failed()) {
    run.flush();
    return input_failed();
  }
  if (!run.flush()) return output_failed();
  run.summarize();
  return options.strict && run.any_warned() ? exit_wrong_request : exit_answered;
}

}  // namespace tamsel_host
