// SPDX-License-Identifier: MIT
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

#include "host_io.h"

namespace tamsel_host {

void prepare_standard_streams() { std::signal(SIGPIPE, SIG_IGN); }

namespace {

// Kept at the failure itself: writing the message may change errno before it is read.
int failure_errno = 0;

bool failed(int error) {
  failure_errno = error;
  return false;
}

bool write_all(int descriptor, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t count = write(descriptor, bytes.data(), bytes.size());
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return failed(errno);
    if (count == 0) return failed(EIO);  // nothing taken and no reason given: never loop on it
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
    if (count >= 0) return static_cast<long>(count);
    if (errno != EINTR) {
      failure_errno = errno;
      return -1;
    }
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

std::string last_failure_reason() { return std::strerror(failure_errno); }

bool names_regular_file(const WideText& path) {
  std::string bytes;
  append_utf8(path.c_str(), bytes);
  struct stat status {};
  return stat(bytes.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

}  // namespace tamsel_host
