// SPDX-License-Identifier: MIT
// The warnings of one record, each written into its own fixed slot of the record.
#ifndef TAMSEL_REVIEW_WARNING_LIST_H
#define TAMSEL_REVIEW_WARNING_LIST_H

#include "TamselReview.h"
#include "bounded_text.h"

namespace tamsel::review {

class WarningList {
 public:
  explicit WarningList(TamselRecord& record) : record_(record) { record_.warning_count = 0; }

  // A new warning to write; beyond the last slot, the last is written over, which the
  // worst case (9 arguments, 3 results) never reaches.
  BoundedText add() {
    std::size_t slot = record_.warning_count;
    if (slot == TAMSEL_REVIEW_MAX_WARNINGS) {
      slot = TAMSEL_REVIEW_MAX_WARNINGS - 1;
    } else {
      ++record_.warning_count;
    }
    record_.warnings[slot] = record_.warning_storage[slot];
    return BoundedText(record_.warning_storage[slot], TAMSEL_REVIEW_WARNING_BYTES);
  }
  std::size_t count() const { return record_.warning_count; }

 private:
  TamselRecord& record_;
};

}  // namespace tamsel::review

#endif
