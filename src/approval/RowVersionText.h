#pragma once
// A row version as the lists answer it (Cast(ts As money)): digits with an optional fraction.
// Any other text names no voucher and must never reach a query text.

#include <string_view>

namespace corvane {

inline bool isRowVersionText(std::string_view ts) {
  bool digits = false;
  bool point = false;
  for (const char c : ts) {
    if (c >= '0' && c <= '9') {
      digits = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digits;
}

}  // namespace corvane
