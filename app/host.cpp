// SPDX-License-Identifier: MIT
#include "host.h"

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
  if (text.size() != ascii.size()) return false;
  for (std::size_t index = 0; index < ascii.size(); ++index) {
    if (text[index] != static_cast<TamselChar16>(ascii[index])) return false;
  }
  return true;
}

constexpr std::string_view help_modes =
    "Usage: tamsel-health [OPTIONS] [--] FORMULA [ARGUMENTS...]  answer one request\n"
    "       tamsel-health [OPTIONS] -      answer each line of standard input\n"
    "       tamsel-health [OPTIONS]        the same, or a prompt on a terminal\n"
    "       tamsel-health --version | --help\n"
    "\n"
    "Options:\n"
    "  --json    one JSON object per answer (JSON Lines), also from a terminal\n"
    "  --csv     CSV with a header row, also from a terminal\n"
    "            fields: line, request, kind, text, value, unit, warnings, category,\n"
    "            category_source\n"
    "  --strict  a request with a warning is a wrong request\n"
    "  --        the end of the options: the request follows, even if it starts with -\n"
    "\n"
    "Blank input lines are skipped, and so is a UTF-8 byte-order mark at the start.\n"
    "At the \"> \" prompt, type requests until end of input, \"quit\" or \"exit\".\n"
    "\n"
    "Warnings go to standard error as \"tamsel-health: warning: ...\"; the answer is unchanged.\n"
    "They flag an argument that is not wholly a number as the calculator reads it (\"1,75\"\n"
    "reads as 1, \"70kg\" as 70), a sex other than M, F, male or female (\"Mujer\" reads as\n"
    "male), and a value outside its plausible range:\n";

constexpr std::string_view help_statuses =
    "\n"
    "Exit status: 0 when every request was answered (a result or the listing); 2 when a\n"
    "request was wrong (no formula, a usage line, an unknown formula; with --strict, a\n"
    "warning); 1 when input or output fails, whatever else happened. A wrong request's answer\n"
    "goes to standard error, except in batch mode and in records.\n"
    "\n";

// The library's own words for its listing.
const TamselChar16 listing_request[] = {'h', 'e', 'l', 'p', 0};

int print(std::string_view text) { return write_output(text) ? exit_answered : exit_io_error; }

// Lines of the help text end as the platform's text files do.
void append_lines(std::string_view text, std::string& out) {
  for (const char byte : text) {
    if (byte == '\n') {
      out += line_end;
    } else {
      out += byte;
    }
  }
}

int print_help() {
  std::string text;
  append_lines(help_modes, text);
  char ranges[range_table_size];
  text.append(ranges, tamsel::review::write_range_table(line_end, ranges, sizeof ranges));
  append_lines(help_statuses, text);
  append_utf8(CalcHealth(listing_request), text);
  return print(text += line_end);
}

// One request from the arguments. A wrong request's answer goes to standard error, as Unix
// programs report errors; a record always goes to standard output, where a program reads it.
int answer_arguments(const std::vector<WideText>& words, const HostOptions& options) {
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
  report_warnings(answer, 0);
  if (!written) return exit_io_error;
  return answer.wrong ? exit_wrong_request : exit_answered;
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
  // Options come first; "--" or the first word that is not one ends them, so that "-70" stays
  // a value and an unknown "--foo" is a request the library answers.
  for (; first_word < arguments.size(); ++first_word) {
    const WideText& argument = arguments[first_word];
    if (equals(argument, "--")) {
      ++first_word;
      break;
    }
    if (equals(argument, "--version")) return print(std::string("tamsel-health " TAMSEL_HEALTH_VERSION) += line_end);
    if (equals(argument, "--help")) return print_help();
    if (equals(argument, "--json")) {
      json = true;
    } else if (equals(argument, "--csv")) {
      csv = true;
    } else if (equals(argument, "--strict")) {
      options.strict = true;
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
  if (!words.empty()) return answer_arguments(words, options);
  // Records are for programs, so they never come with a prompt.
  if (options.format == OutputFormat::plain && input_is_terminal()) return run_interactive(options);
  return run_batch(options);
}

}  // namespace tamsel_host
