#pragma once
// Text placed into an SQL statement as a literal: between apostrophes, every apostrophe in it
// doubled, so that no value can end the literal early.

#include <string>
#include <string_view>

namespace corvane::db {

inline std::string quoteLiteral(std::string_view text) {
  std::string literal = "'";
  for (const char c : text) {
    literal += c;
    if (c == '\'') literal += '\'';
  }
  literal += '\'';
  return literal;
}

}  // namespace corvane::db
