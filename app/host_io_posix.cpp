// SPDX-License-Identifier: MIT
#include <cerrno>
#include <csignal>
#include <cstdio>

#include <unistd.h>

#include "host_io.h"

namespace tamsel_host {

void prepare_standard_streams() { std::signal(SIGPIPE, SIG_IGN); }

namespace {

bool write_all(int descriptor, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t count = write(descriptor, bytes.data(), bytes.size());
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(count));
  }
  return true;
}

}  // namespace

bool input_is_terminal() { return isatty(STDIN_FILENO) != 0; }
bool output_is_terminal() { return isatty(STDOUT_FILENO) != 0; }
bool error_is_terminal() { return isatty(STDERR_FILENO) != 0; }

long read_input(char* buffer, std::size_t capacity) {
  for (;;) {
    const ssize_t count = read(STDIN_FILENO, buffer, capacity);
    if (count >= 0 || errno != EINTR) return static_cast<long>(count);
  }
}

bool read_terminal_line(std::string& line) {
  line.clear();
  for (int c; (c = std::getchar()) != EOF;) {
    if (c == '\n') return true;
    line.push_back(static_cast<char>(c));
  }
  return !line.empty();
}

bool write_output(std::string_view bytes) { return write_all(STDOUT_FILENO, bytes); }

bool write_error(std::string_view bytes) { return write_all(STDERR_FILENO, bytes); }

}  // namespace tamsel_host
