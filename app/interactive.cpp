// SPDX-License-Identifier: MIT
// Interactive mode: the banner, then a "> " prompt, until end of input, "quit" or "exit".
// The banner and the prompts are for the person at the terminal: with standard output sent
// to a file they go to standard error, and only the answers go to the file.
#include <cstdlib>

#include "host.h"
#include "host_io.h"
#include "terminal_text.h"

#ifdef TAMSEL_HAVE_EDITLINE
#include <clocale>
#include <cstdio>
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

// Where the banner and the prompts go: standard output while a person reads it.
bool prompts_to_error() { return !output_is_terminal() && error_is_terminal(); }

bool write_for_person(std::string_view text) { return prompts_to_error() ? write_error(text) : write_output(text); }

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
  if (!write_for_person(prompt) || !read_terminal_line(line)) return false;
  // Without line editing, the terminal hands over what a key sends, such as ESC [ A for Up.
  // The sequence is no part of the request, and echoed back it would drive the terminal. What
  // the screen shows is then not the request, so the request as read is shown every time.
  if (strip_escape_sequences(line)) {
#ifndef _WIN32
    static bool hinted = false;
    if (!hinted) report(no_line_editing_hint);
    hinted = true;
#endif
    report("read as: " + line);
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
  // Read at the first call to readline(), so set before it.
  if (prompts_to_error()) rl_outstream = stderr;
#endif
}

}  // namespace

// The exit status follows the batch's rule over the whole session, so that a script feeding a
// terminal, or a person checking $?, learns whether anything went wrong.
int run_interactive(const HostOptions& options) {
  prepare_line_editing();
  Answerer answerer(options);
  const bool terminal = output_is_terminal();
  bool any_wrong = false;
  std::string out;
  answerer.write(answerer.answer({}, 0), terminal || prompts_to_error(), out);  // the banner: the answer to nothing
  if (!write_for_person(out) && !prompts_to_error()) return output_failed();
  for (std::string line; read_line(line);) {
    const std::string_view request = trimmed(line);
    if (request.empty()) continue;  // pressing Enter asks for nothing
    if (is_word(request, "quit") || is_word(request, "exit")) return any_wrong ? exit_wrong_request : exit_answered;
    out.clear();
    const Answer& answer = answerer.answer(request, 0);
    any_wrong = any_wrong || answer.wrong;
    answerer.write(answer, terminal, out);
    if (!write_output(out)) return output_failed();
    report_warnings(answer, 0);
  }
  // Ends the prompt's line. A terminal that is gone cannot be told; standard output can.
  if (!write_for_person(line_end) && !prompts_to_error()) return output_failed();
  return any_wrong ? exit_wrong_request : exit_answered;
}

}  // namespace tamsel_host
