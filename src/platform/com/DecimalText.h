#pragma once
// A plain decimal number written as text: an optional sign, digits, an optional point with more
// digits; nothing else (no blanks, exponent or thousands separators).

#include <cctype>
#include <string_view>

namespace corvane {

inline bool isDecimalText(std::string_view text) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  bool digits = false;
  const auto skipDigits = [&] {
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
      ++i;
      digits = true;
    }
  };
  skipDigits();
  if (i < text.size() && text[i] == '.') {
    ++i;
    skipDigits();
  }
  return digits && i == text.size();
}

}  // namespace corvane
