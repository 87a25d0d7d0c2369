// SPDX-License-Identifier: MIT
// Text on its way to or from a terminal, where some bytes are commands rather than characters.
#ifndef TAMSEL_APP_TERMINAL_TEXT_H
#define TAMSEL_APP_TERMINAL_TEXT_H

#include <string>
#include <string_view>

namespace tamsel_host {

// Appends `text` so that a terminal shows it and obeys none of it: a C0 control other than tab
// becomes caret notation (ESC is "^["), DEL becomes "^?", a C1 control and ill-formed UTF-8
// become U+FFFD. With `keep_line_breaks`, "\n" and "\r\n" stay: they part the lines of the
// banner and of the listing.
void append_visible(std::string_view text, bool keep_line_breaks, std::string& out);

// Removes from a line typed at a terminal without line editing every escape sequence that a
// key sent, whole or cut short: CSI (ESC [ parameters intermediates final), SS3 (ESC O and one
// character) and every other ESC with the character after it. Returns true when it removed any.
bool strip_escape_sequences(std::string& line);

}  // namespace tamsel_host

#endif
