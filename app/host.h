// SPDX-License-Identifier: MIT
// The tamsel-health program: one request from its arguments, many from standard input, or a
// prompt on a terminal.
#ifndef TAMSEL_APP_HOST_H
#define TAMSEL_APP_HOST_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "answerer.h"
#include "utf8_text.h"

namespace tamsel_host {

// Exit statuses.
constexpr int exit_answered = 0;
constexpr int exit_io_error = 1;
constexpr int exit_wrong_request = 2;

// Lines the host prints end the way the platform's text files do.
#ifdef _WIN32
constexpr std::string_view line_end = "\r\n";
#else
constexpr std::string_view line_end = "\n";
#endif

// Appends `text`, its "\n" line breaks written as the platform's text files end lines: the
// record joins lines with "\n" whatever the platform.
void append_lines(std::string_view text, std::string& out);

// Runs the program on its arguments (without the program name) and returns the exit status.
int run_host(const std::vector<WideText>& arguments);

int run_batch(const HostOptions& options);
// One formula over a CSV on standard input: `words` are the formula and ARGUMENT=COLUMN pairs.
int run_columns(const std::vector<std::string>& words, const HostOptions& options);
int run_interactive(const HostOptions& options);

// Writes "tamsel-health: warning: " and each warning to standard error, with the input line
// number when `line` is not 0. A failure to write there is not reported: there is nowhere to.
void report_warnings(const Answer& answer, std::size_t line);

// Say on standard error that reading standard input or writing standard output failed, and
// why; both return exit_io_error.
int input_failed();
int output_failed();

// Writes "tamsel-health: " and `message` to standard error.
void report(std::string_view message);

}  // namespace tamsel_host

#endif
