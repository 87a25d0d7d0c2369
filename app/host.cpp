// SPDX-License-Identifier: MIT
#include "host.h"

#include "host_io.h"

#ifndef TAMSEL_HEALTH_VERSION
#define TAMSEL_HEALTH_VERSION "unknown"
#endif

namespace tamsel_host {
namespace {

bool starts_with(const TamselChar16* text, std::string_view prefix) {
  for (const char byte : prefix) {
    if (*text++ != static_cast<TamselChar16>(byte)) return false;
  }
  return true;
}

bool equals(const WideText& text, std::string_view ascii) {
  return text.size() == ascii.size() && starts_with(text.c_str(), ascii);
}

constexpr std::string_view help_text =
    "Usage: tamsel-health FORMULA [ARGUMENTS...]  answer one request\n"
    "       tamsel-health -                       answer each line of standard input\n"
    "       tamsel-health                         the same, or a prompt on a terminal\n"
    "       tamsel-health --version | --help\n"
    "\n"
    "At the \"> \" prompt, type requests until end of input, \"quit\" or \"exit\".\n"
    "Exit status: 0 for an answer, 2 for a wrong request (no formula, a usage line,\n"
    "an unknown formula), 1 when input or output fails.\n"
    "\n";

// The library's own words for its listing.
const TamselChar16 listing_request[] = {'h', 'e', 'l', 'p', 0};

int print(std::string_view text) { return write_output(text) ? exit_answered : exit_io_error; }

}  // namespace

bool is_wrong_request(const TamselChar16* answer) {
  return starts_with(answer, "Usage: ") || starts_with(answer, "Male requires") ||
         starts_with(answer, "Female requires") || starts_with(answer, "Unknown formula: ") ||
         starts_with(answer, "Tamsel Health Calculator - ");
}

void answer_line(std::string_view line, WideText& wide, std::string& out) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  wide.clear();
  append_utf16(line, wide);
  append_utf8(CalcHealth(wide.c_str()), out);
  out += line_end;
}

int run_host(const std::vector<WideText>& arguments) {
  if (arguments.empty()) return input_is_terminal() ? run_interactive() : run_batch();
  // Only the first argument can be an option, so that "-70" stays a value.
  const WideText& first = arguments.front();
  if (arguments.size() == 1 && equals(first, "-")) return run_batch();
  if (equals(first, "--version")) return print(std::string("tamsel-health " TAMSEL_HEALTH_VERSION) += line_end);
  if (equals(first, "--help")) {
    std::string text(help_text);
    append_utf8(CalcHealth(listing_request), text);
    return print(text += line_end);
  }
  WideText command_line;
  for (const WideText& argument : arguments) {
    if (!command_line.empty()) command_line += static_cast<TamselChar16>(' ');
    command_line += argument;
  }
  const TamselChar16* answer = CalcHealth(command_line.c_str());
  std::string text;
  append_utf8(answer, text);
  const int status = is_wrong_request(answer) ? exit_wrong_request : exit_answered;
  return write_output(text += line_end) ? status : exit_io_error;
}

}  // namespace tamsel_host
