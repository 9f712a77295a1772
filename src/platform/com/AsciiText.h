#pragma once
// Case-insensitive comparison of names (tables, columns, keys, locales): ASCII letters fold,
// everything else compares as it is. The blanks that separate words in SQL and in values. And
// the character classes of the C locale, tested directly rather than through the library.

#include <algorithm>
#include <string>
#include <string_view>

namespace corvane {

inline bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }
inline bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

inline char toLowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

inline std::string toLowerAscii(std::string_view text) {
  std::string lowered(text);
  for (char& c : lowered) c = toLowerAscii(c);
  return lowered;
}

inline bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return toLowerAscii(x) == toLowerAscii(y); });
}

// A space, tab or line end.
inline bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace corvane
