// SPDX-License-Identifier: MIT
// Interactive mode: the banner, then a "> " prompt, until end of input, "quit" or "exit".
#include <cstdlib>

#include "host.h"
#include "host_io.h"

#ifdef TAMSEL_HAVE_EDITLINE
#include <clocale>
#include <cstring>

#include <editline/readline.h>
#include <langinfo.h>
#endif

namespace tamsel_host {
namespace {

constexpr char prompt[] = "> ";

// Reads one line without its line end; false at the end of input.
bool read_line(std::string& line) {
#ifdef TAMSEL_HAVE_EDITLINE
  char* text = readline(prompt);
  if (text == nullptr) return false;
  line = text;
  if (*text != '\0') add_history(text);
  std::free(text);
  return true;
#else
  return write_output(prompt) && read_terminal_line(line);
#endif
}

std::string_view trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool is_word(std::string_view text, std::string_view word) {
  if (text.size() != word.size()) return false;
  for (std::size_t index = 0; index < text.size(); ++index) {
    const char byte = text[index] >= 'A' && text[index] <= 'Z' ? static_cast<char>(text[index] - 'A' + 'a') : text[index];
    if (byte != word[index]) return false;
  }
  return true;
}

// Line editing needs to know that a character may take several bytes. Input is UTF-8 whatever
// the user's locale says, so only the character type is set, and numbers never see a locale.
void prepare_line_editing() {
#ifdef TAMSEL_HAVE_EDITLINE
  if (std::setlocale(LC_CTYPE, "") == nullptr || std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0) {
    std::setlocale(LC_CTYPE, "C.UTF-8");
  }
#endif
}

}  // namespace

int run_interactive() {
  prepare_line_editing();
  std::string out;
  WideText wide;
  answer_line({}, wide, out);  // the banner: the library's answer to nothing
  if (!write_output(out)) return exit_io_error;
  for (std::string line; read_line(line);) {
    const std::string_view request = trimmed(line);
    if (request.empty()) continue;  // pressing Enter asks for nothing
    if (is_word(request, "quit") || is_word(request, "exit")) return exit_answered;
    out.clear();
    answer_line(request, wide, out);
    if (!write_output(out)) return exit_io_error;
  }
  return write_output(line_end) ? exit_answered : exit_io_error;
}

}  // namespace tamsel_host
