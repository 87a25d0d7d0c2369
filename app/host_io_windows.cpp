// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

#include "host_io.h"
#include "utf8_text.h"

namespace tamsel_host {
namespace {

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
      if (!WriteConsoleW(handle, wide.data() + done, chunk, &written, nullptr) || written == 0) return false;
      done += written;
    }
    return true;
  }
  while (!bytes.empty()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(bytes.size() > 0x10000000 ? 0x10000000 : bytes.size());
    if (!WriteFile(handle, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
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
  return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
}

bool write_output(std::string_view bytes) { return write_all(GetStdHandle(STD_OUTPUT_HANDLE), bytes); }

bool write_error(std::string_view bytes) { return write_all(GetStdHandle(STD_ERROR_HANDLE), bytes); }

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
