// SPDX-License-Identifier: MIT
// Windows converts with its own ANSI code page (code page 0, no flags), as the library always
// has there. Only a bounded prefix of the command line is converted, into fixed storage.
#include <windows.h>

#include <cstring>

#include "buffer_sizes.h"
#include "text_conversion.h"

namespace tamsel {
namespace {

// The most bytes one UTF-16 unit can become in any ANSI code page: 2 in a double-byte code
// page, 3 where the system uses UTF-8 as its ANSI code page.
constexpr std::size_t max_bytes_per_unit = 3;

// Units converted at most. A surrogate pair may give a single byte for its two units, so
// filling the capacity can take two units a byte, and one more keeps a pair at the edge whole.
constexpr std::size_t max_units = 2 * narrow_capacity + 1;

bool is_high_surrogate(wchar_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

}  // namespace

std::size_t narrow_from_wide(const TamselChar16* wide, char* narrow, std::size_t capacity) noexcept {
  if (capacity > narrow_capacity) capacity = narrow_capacity;
  std::size_t units = 0;
  while (units < 2 * capacity && wide[units] != 0) ++units;
  const bool whole = wide[units] == 0;
  if (!whole && units > 0 && is_high_surrogate(wide[units - 1])) ++units;
  char converted[max_units * max_bytes_per_unit + 1];
  // The whole string goes with its terminator; a prefix of a longer one goes without.
  const int count = WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(units + (whole ? 1 : 0)),
                                        converted, static_cast<int>(sizeof converted), nullptr,
                                        nullptr);
  if (count <= 0) return 0;
  std::size_t length = static_cast<std::size_t>(count) - (whole ? 1 : 0);
  if (length > capacity) length = capacity;
  std::memcpy(narrow, converted, length);
  return length;
}

void wide_from_narrow(const char* narrow, std::size_t length, TamselChar16* wide,
                      std::size_t capacity) noexcept {
  if (capacity == 0) return;
  wide[0] = 0;
  if (length >= capacity) length = capacity - 1;
  const int count = MultiByteToWideChar(CP_ACP, 0, narrow, static_cast<int>(length), wide,
                                        static_cast<int>(capacity - 1));
  wide[count > 0 ? count : 0] = 0;
}

// The code page's own conversion has no block form.
void widen_answer(const char (&narrow)[output_text_size], std::size_t length,
                  TamselChar16 (&wide)[result_text_size]) noexcept {
  wide_from_narrow(narrow, length, wide, result_text_size);
}

}  // namespace tamsel
