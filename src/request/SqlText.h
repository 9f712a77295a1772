#pragma once
// Textual rewriting of every SQL text (and the connection string) before it reaches the
// database. No SQL is parsed: the rewriting works with splits and replacements.

#include <string>

namespace corvane {

// Makes every string literal a national literal: an apostrophe that opens a literal after text
// not ending in "N" gets an N before it ('a' -> N'a'; N'a' and 'it''s' keep one N). A text that
// begins with a literal gets no N for it. Under the request locale "en-us" (any case) the
// result then passes through BracketAliases.
std::string FixSqlText(const std::string& s);

// Puts the alias after every " as " (any case) in square brackets, up to the first ",",
// "from", "into" or "union" after it, unless the alias part holds a parenthesis
// (Cast(ts As money) stays). Blanks inside the new brackets are squeezed out; an alias that
// was bracketed already, or a literal used as alias, comes out single. Text inside string
// literals is never changed.
std::string BracketAliases(const std::string& s);

// True when `s` holds neither "(" nor ")".
bool HasNoParen(const std::string& s);

}  // namespace corvane
