// SPDX-License-Identifier: MIT
// The few things the host needs from the operating system, behind one small interface.
#ifndef TAMSEL_APP_HOST_IO_H
#define TAMSEL_APP_HOST_IO_H

#include <cstddef>
#include <string>
#include <string_view>

#include "utf8_text.h"

namespace tamsel_host {

// Makes standard input and output binary and turns a closed output pipe into a write error
// instead of a fatal signal.
void prepare_standard_streams();

bool input_is_terminal();
bool output_is_terminal();
bool error_is_terminal();

// Reads what standard input has ready, at most `capacity` bytes, waiting only when nothing is.
// Returns the count, 0 at the end of input and -1 on an error.
long read_input(char* buffer, std::size_t capacity);

// Reads one line typed at the terminal, in UTF-8 and without its line end; false at the end of
// input.
bool read_terminal_line(std::string& line);

// Write all of `bytes` to standard output or standard error; false on an error such as a
// closed pipe. On a Windows console the text goes out as UTF-16, so that any code page shows it
// right.
bool write_output(std::string_view bytes);
bool write_error(std::string_view bytes);

// The system's words for why the last read or write above failed, such as "Is a directory".
std::string last_failure_reason();

// True when `path` names an existing regular file.
bool names_regular_file(const WideText& path);

}  // namespace tamsel_host

#endif
