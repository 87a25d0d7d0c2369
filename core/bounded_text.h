// SPDX-License-Identifier: MIT
// Writing text into a fixed buffer that can never overflow: what does not fit is dropped, and
// a cut never splits a UTF-8 character, so every text the review makes stays well-formed.
#ifndef TAMSEL_CORE_BOUNDED_TEXT_H
#define TAMSEL_CORE_BOUNDED_TEXT_H

#include <cstddef>
#include <cstring>
#include <string_view>

namespace tamsel::core {

class BoundedText {
 public:
  // `capacity` counts the terminator, which is always written.
  BoundedText(char* data, std::size_t capacity) : data_(data), capacity_(capacity) { data_[0] = '\0'; }

  void put(char byte) {
    if (size_ + 1 < capacity_) {
      data_[size_++] = byte;
    } else {
      cut_ = true;
    }
    data_[size_] = '\0';
  }
  void put(std::string_view text) {
    std::size_t room = capacity_ - 1 - size_;
    std::size_t count = text.size() <= room ? text.size() : utf8_cut(text, room);
    if (count != text.size()) cut_ = true;
    if (count != 0) std::memcpy(data_ + size_, text.data(), count);  // an empty view may have no data
    size_ += count;
    data_[size_] = '\0';
  }
  std::size_t size() const { return size_; }
  // Whether anything put was dropped.
  bool cut() const { return cut_; }
  const char* data() const { return data_; }

  // The longest prefix of `text` of at most `limit` bytes that ends on a character boundary.
  static std::size_t utf8_cut(std::string_view text, std::size_t limit) {
    if (limit >= text.size()) return text.size();
    while (limit != 0 && (static_cast<unsigned char>(text[limit]) & 0xC0) == 0x80) --limit;
    return limit;
  }

 private:
  char* data_;
  std::size_t capacity_;
  std::size_t size_ = 0;
  bool cut_ = false;
};

}  // namespace tamsel::core

#endif
