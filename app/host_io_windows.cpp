// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

#include "host_io.h"
#include "utf8_text.h"

namespace tamsel_host {
namespace {

// Kept at the failure itself: writing the message may change the last error before it is read.
DWORD failure_code = 0;

bool failed() {
  failure_code = GetLastError();
  return false;
}

bool is_console(HANDLE handle) {
  DWORD mode = 0;
  return GetConsoleMode(handle, &mode) != 0;
}

bool write_all(HANDLE handle, std::string_view bytes) {
  if (is_console(handle)) {
    WideText wide;
    append_utf16(bytes, wide);
    for (std::size_t done = 0; done < wide.size();) {
      DWORD written = 0;
      const DWORD chunk = static_cast<DWORD>(wide.size() - done > 8192 ? 8192 : wide.size() - done);
      if (!WriteConsoleW(handle, wide.data() + done, chunk, &written, nullptr) || written == 0) return failed();
      done += written;
    }
    return true;
  }
  while (!bytes.empty()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(bytes.size() > 0x10000000 ? 0x10000000 : bytes.size());
    if (!WriteFile(handle, bytes.data(), chunk, &written, nullptr) || written == 0) return failed();
    bytes.remove_prefix(written);
  }
  return true;
}

}  // namespace

void prepare_standard_streams() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
}

bool input_is_terminal() { return is_console(GetStdHandle(STD_INPUT_HANDLE)); }
bool output_is_terminal() { return is_console(GetStdHandle(STD_OUTPUT_HANDLE)); }
bool error_is_terminal() { return is_console(GetStdHandle(STD_ERROR_HANDLE)); }

long read_input(char* buffer, std::size_t capacity) {
  DWORD count = 0;
  const DWORD wanted = capacity > 0x10000000 ? 0x10000000 : static_cast<DWORD>(capacity);
  if (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, wanted, &count, nullptr)) {
    return static_cast<long>(count);
  }
  // The writer closing its end of a pipe is the end of input, not an error.
  if (GetLastError() == ERROR_BROKEN_PIPE) return 0;
  failed();
  return -1;
}

bool write_output(std::string_view bytes) { return write_all(GetStdHandle(STD_OUTPUT_HANDLE), bytes); }

bool write_error(std::string_view bytes) { return write_all(GetStdHandle(STD_ERROR_HANDLE), bytes); }

std::string last_failure_reason() {
  // The system's message in English, whatever the user's language, as the rest of the output.
  char text[512];  // the longest system message is well under 512 bytes
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                      failure_code, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), text,
                                      sizeof text, nullptr);
  std::string reason(text, length);
  while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == '.')) reason.pop_back();
  if (reason.empty()) reason = "system error " + std::to_string(failure_code);
  return reason;
}

bool names_regular_file(const WideText& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool read_terminal_line(std::string& line) {
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  line.clear();
  // The console hands out UTF-16, whatever its code page; Ctrl+Z on its own ends the input.
  WideText units;
  bool ended = false;
  for (wchar_t unit = 0;;) {
    DWORD count = 0;
    if (!ReadConsoleW(input, &unit, 1, &count, nullptr) || count == 0) break;
    if ((ended = unit == L'\n')) break;
    if (unit != L'\r') units.push_back(unit);
  }
  append_utf8(units.c_str(), line);
  return line != "\x1A" && (ended || !line.empty());
}

}  // namespace tamsel_host
