// SPDX-License-Identifier: MIT
// Copying the few bytes of a piece of an answer. A call into the C library costs more than the
// copy itself at these sizes, and the compiler turns plain byte loops back into such calls, so
// short copies are made of fixed-size moves that overlap instead.
#ifndef TAMSEL_FRAME_BYTE_COPY_H
#define TAMSEL_FRAME_BYTE_COPY_H

#include <cstddef>
#include <cstring>

namespace tamsel {

inline void copy_bytes(char* destination, const char* source, std::size_t count) {
  if (count > 32) {
    std::memcpy(destination, source, count);
  } else if (count >= 16) {
    std::memcpy(destination, source, 16);
    std::memcpy(destination + count - 16, source + count - 16, 16);
  } else if (count >= 8) {
    std::memcpy(destination, source, 8);
    std::memcpy(destination + count - 8, source + count - 8, 8);
  } else if (count >= 4) {
    std::memcpy(destination, source, 4);
    std::memcpy(destination + count - 4, source + count - 4, 4);
  } else if (count > 0) {
    destination[0] = source[0];
    destination[count / 2] = source[count / 2];
    destination[count - 1] = source[count - 1];
  }
}

// The same for wide text, whose units are copied as their bytes.
template <typename Unit>
void copy_units(Unit* destination, const Unit* source, std::size_t count) {
  copy_bytes(reinterpret_cast<char*>(destination), reinterpret_cast<const char*>(source), count * sizeof(Unit));
}

}  // namespace tamsel

#endif
