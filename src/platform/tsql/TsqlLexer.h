#pragma once
// Splits T-SQL text into tokens: names (plain, [bracketed] or "quoted"), string literals ('..'
// and N'..', with '' escapes), numbers, @variables and operators. Blanks, line ends and
// comments only separate tokens, so keywords glued to literals or parentheses read apart.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/AsciiText.h"

namespace corvane::db {

struct TsqlToken {
  enum class Kind { Name, QuotedName, String, Number, Variable, Symbol, End };
  Kind kind = Kind::End;
  std::string text;        // the name, the literal's value (unescaped), the number, the symbol
  std::size_t offset = 0;  // where the token starts in the text
  std::size_t end = 0;     // where it ends: the offset just after it

  bool isWord(std::string_view word) const;  // an unquoted name equal to word, ignoring case
  bool isSymbol(std::string_view symbol) const { return kind == Kind::Symbol && text == symbol; }
  std::string describe() const;  // the token as SQL Server's messages quote it
};

// Raises RuntimeError kDbStatement on an unclosed literal or name and on a character that
// T-SQL does not use. The last token is always End.
std::vector<TsqlToken> tokenizeTsql(std::string_view text);

}  // namespace corvane::db
