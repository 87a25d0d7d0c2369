// SPDX-License-Identifier: MIT
#include <vector>

#include "host.h"
#include "host_io.h"

#ifdef _WIN32
// The wide entry point gets the arguments as the user typed them, whatever the code page.
int wmain(int argc, wchar_t** argv) {
  tamsel_host::prepare_standard_streams();
  std::vector<tamsel_host::WideText> arguments(argv + 1, argv + argc);
  return tamsel_host::run_host(arguments);
}
#else
int main(int argc, char** argv) {
  tamsel_host::prepare_standard_streams();
  std::vector<tamsel_host::WideText> arguments(static_cast<std::size_t>(argc > 1 ? argc - 1 : 0));
  for (std::size_t index = 0; index < arguments.size(); ++index) {
    tamsel_host::append_utf16(argv[index + 1], arguments[index]);
  }
  return tamsel_host::run_host(arguments);
}
#endif
