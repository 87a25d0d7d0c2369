// SPDX-License-Identifier: MIT
// Interactive mode: the banner, then a "> " prompt, until end of input, "quit" or "exit".
#include <cstdlib>

#include "host.h"
#include "host_io.h"
#include "terminal_text.h"

#ifdef TAMSEL_HAVE_EDITLINE
#include <clocale>
#include <cstring>

#include <editline/readline.h>
#include <langinfo.h>
#endif

namespace tamsel_host {
namespace {

constexpr char prompt[] = "> ";

#if !defined(TAMSEL_HAVE_EDITLINE) && !defined(_WIN32)
// Said once per session, the first time a key's escape sequence is dropped.
constexpr std::string_view no_line_editing_hint =
    "this build has no line editing, so arrow and editing keys are ignored; build it with "
    "libedit (the libedit-dev package) installed to have them";
#endif

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
  if (!write_output(prompt) || !read_terminal_line(line)) return false;
  // Without line editing, the terminal hands over what a key sends, such as ESC [ A for Up.
  // The sequence is no part of the request, and echoed back it would drive the terminal.
  if (strip_escape_sequences(line)) {
#ifndef _WIN32
    static bool hinted = false;
    if (!hinted) report(no_line_editing_hint);
    hinted = true;
#endif
  }
  return true;
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

int run_interactive(const HostOptions& options) {
  prepare_line_editing();
  Answerer answerer(options);
  const bool terminal = output_is_terminal();
  std::string out;
  answerer.write(answerer.answer({}, 0), terminal, out);  // the banner: the library's answer to nothing
  if (!write_output(out)) return exit_io_error;
  for (std::string line; read_line(line);) {
    const std::string_view request = trimmed(line);
    if (request.empty()) continue;  // pressing Enter asks for nothing
    if (is_word(request, "quit") || is_word(request, "exit")) return exit_answered;
    out.clear();
    const Answer& answer = answerer.answer(request, 0);
    answerer.write(answer, terminal, out);
    if (!write_output(out)) return exit_io_error;
    report_warnings(answer, 0);
  }
  return write_output(line_end) ? exit_answered : exit_io_error;
}

}  // namespace tamsel_host
