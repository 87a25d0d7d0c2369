// SPDX-License-Identifier: MIT
#include "host.h"

#include <algorithm>

#include "arguments.h"
#include "host_io.h"
#include "terminal_text.h"

#ifndef TAMSEL_HEALTH_VERSION
#define TAMSEL_HEALTH_VERSION "unknown"
#endif

namespace tamsel_host {
namespace {

constexpr std::string_view program_name = "tamsel-health: ";

// The range table of the help: 12 rules of at most 80 bytes each.
constexpr std::size_t range_table_size = 1024;

bool equals(const WideText& text, std::string_view ascii) {
  return std::equal(text.begin(), text.end(), ascii.begin(), ascii.end(),
                    [](TamselChar16 unit, char byte) { return unit == static_cast<TamselChar16>(byte); });
}

// Every word that starts with "-" is an option, except "-" itself (standard input). No keyword
// starts with "-", so a word such as "--jsn" can only be a mistyped option.
bool looks_like_option(const WideText& word) { return word.size() > 1 && word[0] == '-'; }

// The program's options by name: after the request they are merely more arguments of it,
// which the user cannot have meant.
bool is_option_name(const WideText& word) {
  return equals(word, "--json") || equals(word, "--csv") || equals(word, "--strict") || equals(word, "--help") ||
         equals(word, "--version") || equals(word, "--columns");
}

std::string utf8_of(const WideText& word) {
  std::string text;
  append_utf8(word.c_str(), text);
  return text;
}

// The words as a shell user would retype them (no quoting: it is a hint, not a script).
std::string joined(std::vector<WideText>::const_iterator first, std::vector<WideText>::const_iterator last) {
  std::string text;
  for (; first != last; ++first) {
    if (!text.empty()) text += ' ';
    text += utf8_of(*first);
  }
  return text;
}

constexpr std::string_view help_modes =
    "Usage: tamsel-health [OPTIONS] [--] FORMULA [ARGUMENTS...]  answer one request\n"
    "       tamsel-health [OPTIONS] -      answer each line of standard input\n"
    "       tamsel-health [OPTIONS]        the same, or a prompt on a terminal\n"
    "       tamsel-health [--strict] --columns FORMULA [ARGUMENT=COLUMN...] < FILE.csv\n"
    "                                      the formula over each row of a CSV\n"
    "       tamsel-health --version | --help | -h\n"
    "\n"
    "Options come before the request; any other word there that starts with \"-\" is an error.\n"
    "  --json      one JSON object per answer (JSON Lines), also from a terminal\n"
    "  --csv       CSV with a header row, also from a terminal\n"
    "              fields: line, request, kind, text, value, unit, warnings, category,\n"
    "              category_source, category_note; a text cell that starts with =, +, -, @,\n"
    "              tab or carriage return gets a leading ' so that no spreadsheet runs it as a\n"
    "              formula\n"
    "  --strict    a request with a warning is a wrong request\n"
    "  --          the end of the options: the request follows, even if it starts with -\n"
    "  --columns   the formula over each row of a CSV with a header row, read from standard\n"
    "              input: each argument from the column it names (weight_kg=Weight), else from\n"
    "              the column named like it; weight_lb=, height_in= and the like give pounds or\n"
    "              inches. Each row comes back as it was, with FORMULA_value, FORMULA_unit,\n"
    "              FORMULA_category and FORMULA_warnings appended; an empty cell gives an\n"
    "              empty result\n"
    "  -h, --help  this help, then the formulas (\"tamsel-health help\" lists them alone)\n"
    "\n"
    "Blank input lines are skipped, and so is a UTF-8 byte-order mark at the start of a line.\n"
    "A batch with warnings ends with a summary line on standard error.\n"
    "At the \"> \" prompt, type requests until end of input, \"quit\" or \"exit\". The banner and\n"
    "the prompt go to standard output when it is a terminal, else to standard error.\n"
    "\n"
    "Warnings go to standard error as \"tamsel-health: warning: ...\"; the answer is unchanged.\n"
    "They flag an argument that is not wholly a number as the calculator reads it (\"1,75\"\n"
    "reads as 1, \"70kg\" as 70), a sex other than M, F, male or female (\"Mujer\" reads as\n"
    "male), and a value outside its plausible range:\n";

constexpr std::string_view help_statuses =
    "\n"
    "Exit status: 0 when every request was answered (a result or the listing); 2 when a\n"
    "request was wrong (no formula, a usage line, an unknown formula; with --strict, a\n"
    "warning) or an option was; 1 when input or output fails, whatever else happened. The\n"
    "prompt follows the same rule over its whole session. A wrong request's answer goes to\n"
    "standard error, except in batch mode, at the prompt and in records.\n"
    "\n";

// The library's own words for its listing.
const TamselChar16 listing_request[] = {'h', 'e', 'l', 'p', 0};

int print(std::string_view text) { return write_output(text) ? exit_answered : output_failed(); }


int print_help() {
  std::string text;
  append_lines(help_modes, text);
  char ranges[range_table_size];
  text.append(ranges, tamsel::review::write_range_table(line_end, ranges, sizeof ranges));
  append_lines(help_statuses, text);
  append_utf8(CalcHealth(listing_request), text);
  return print(text += line_end);
}

// Hints for a request that went wrong because of how the program was called. `options` are
// the words before the request, `words` the request's.
void hint_about_arguments(const std::vector<WideText>& options, const std::vector<WideText>& words,
                          const Answer& answer) {
  for (auto word = words.begin() + 1; word != words.end(); ++word) {
    if (!is_option_name(*word)) continue;
    std::vector<WideText> retyped;
    for (const WideText& option : options) {
      if (!equals(option, "--")) retyped.push_back(option);
    }
    retyped.push_back(*word);
    retyped.insert(retyped.end(), words.begin(), word);
    retyped.insert(retyped.end(), word + 1, words.end());
    report("options come first: \"" + utf8_of(*word) + "\" after the request is one of its arguments; try: "
           "tamsel-health " + joined(retyped.begin(), retyped.end()));
    return;
  }
  if (words.size() == 1 && answer.kind() == TAMSEL_KIND_UNKNOWN && names_regular_file(words.front())) {
    const std::string name = utf8_of(words.front());
    report("\"" + name + "\" is a file; to answer each of its lines: tamsel-health - < " + name);
  }
}

// One request from the arguments. A wrong request's answer goes to standard error, as Unix
// programs report errors; a record always goes to standard output, where a program reads it.
int answer_arguments(const std::vector<WideText>& option_words, const std::vector<WideText>& words,
                     const HostOptions& options) {
  WideText command_line;
  for (const WideText& word : words) {
    if (!command_line.empty()) command_line += static_cast<TamselChar16>(' ');
    command_line += word;
  }
  std::string request;
  append_utf8(command_line.c_str(), request);
  Answerer answerer(options);
  const Answer& answer = answerer.answer(request, 1);
  const bool to_error = answer.wrong && options.format == OutputFormat::plain;
  std::string out;
  answerer.begin(out);
  answerer.write(answer, to_error ? error_is_terminal() : output_is_terminal(), out);
  const bool written = to_error ? write_error(out) : write_output(out);
  // A failure to write standard error cannot be told there, but the status still says it.
  if (!written) return to_error ? exit_io_error : output_failed();
  report_warnings(answer, 0);
  hint_about_arguments(option_words, words, answer);
  return answer.wrong ? exit_wrong_request : exit_answered;
}

int unknown_option(std::vector<WideText>::const_iterator option, std::vector<WideText>::const_iterator end) {
  report("unknown option \"" + utf8_of(*option) + "\"; tamsel-health --help lists the options");
  report("a request that starts with \"-\" goes after \"--\": tamsel-health -- " + joined(option, end));
  return exit_wrong_request;
}

}  // namespace

void report(std::string_view message) {
  std::string text(program_name);
  if (error_is_terminal()) {
    append_visible(message, false, text);
  } else {
    text += message;
  }
  write_error(text += line_end);
}

int output_failed() {
  report("cannot write to standard output: " + last_failure_reason());
  return exit_io_error;
}

int input_failed() {
  report("cannot read standard input: " + last_failure_reason());
  return exit_io_error;
}

void report_warnings(const Answer& answer, std::size_t line) {
  for (std::size_t index = 0; index < answer.review->warning_count; ++index) {
    const std::string_view warning = answer.review->warnings[index];
    std::string message = "warning: ";
    if (line != 0) {
      message += "line ";
      message += std::to_string(line);
      message += ": ";
    }
    report(message += warning);
  }
}

int run_host(const std::vector<WideText>& arguments) {
  HostOptions options;
  bool csv = false;
  bool json = false;
  std::size_t first_word = 0;
  // Options come first; "--" or the first word that is not one ends them, so that "-70" after
  // a keyword stays a value.
  for (; first_word < arguments.size(); ++first_word) {
    const WideText& argument = arguments[first_word];
    if (equals(argument, "--")) {
      ++first_word;
      break;
    }
    if (equals(argument, "--version")) return print(std::string("tamsel-health " TAMSEL_HEALTH_VERSION) += line_end);
    if (equals(argument, "--help") || equals(argument, "-h")) return print_help();
    if (equals(argument, "--json")) {
      json = true;
    } else if (equals(argument, "--csv")) {
      csv = true;
    } else if (equals(argument, "--strict")) {
      options.strict = true;
    } else if (equals(argument, "--columns")) {
      if (json || csv) {
        report("--columns writes CSV of its own; --json and --csv do not apply");
        return exit_wrong_request;
      }
      std::vector<std::string> words;
      for (auto word = arguments.begin() + static_cast<std::ptrdiff_t>(first_word) + 1; word != arguments.end(); ++word) {
        words.push_back(utf8_of(*word));
      }
      return run_columns(words, options);
    } else if (looks_like_option(argument)) {
      return unknown_option(arguments.begin() + static_cast<std::ptrdiff_t>(first_word), arguments.end());
    } else {
      break;
    }
  }
  if (json && csv) {
    report("--json and --csv cannot be combined");
    return exit_wrong_request;
  }
  options.format = json ? OutputFormat::json : csv ? OutputFormat::csv : OutputFormat::plain;
  const std::vector<WideText> words(arguments.begin() + static_cast<std::ptrdiff_t>(first_word), arguments.end());
  if (words.size() == 1 && equals(words.front(), "-")) return run_batch(options);
  if (!words.empty()) {
    return answer_arguments({arguments.begin(), arguments.begin() + static_cast<std::ptrdiff_t>(first_word)}, words,
                            options);
  }
  // Records are for programs, so they never come with a prompt.
  if (options.format == OutputFormat::plain && input_is_terminal()) return run_interactive(options);
  return run_batch(options);
}

}  // namespace tamsel_host
