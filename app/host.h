// SPDX-License-Identifier: MIT
// The tamsel-health program: one request from its arguments, many from standard input, or a
// prompt on a terminal.
#ifndef TAMSEL_APP_HOST_H
#define TAMSEL_APP_HOST_H

#include <string>
#include <string_view>
#include <vector>

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

// Runs the program on its arguments (without the program name) and returns the exit status.
int run_host(const std::vector<WideText>& arguments);

// True for the answers that tell the user the request was wrong: the banner, a usage or
// requirement line, an unknown formula.
bool is_wrong_request(const TamselChar16* answer);

// Answers one UTF-8 line and appends the answer, in UTF-8, and a line end to `out`. A final CR
// is not part of the line. `wide` is scratch space, reused from line to line.
void answer_line(std::string_view line, WideText& wide, std::string& out);

int run_batch();
int run_interactive();

}  // namespace tamsel_host

#endif
