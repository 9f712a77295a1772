#pragma once
// The guard in front of every query text that a client sends or narrows (reference lookups,
// free selects, code checks): only one statement that reads may run.

#include <string_view>

namespace corvane {

// True when `tsql` is a single SELECT: its first keyword, after blanks, comments and opening
// parentheses, is SELECT; no ";" is followed by more than blanks and comments; the word INTO
// (SELECT ... INTO makes a table) appears nowhere outside literals, quoted names and comments;
// every literal, quoted name and comment is closed. Conservative: a text it cannot vouch for is
// refused.
bool IsReadOnlyQuery(std::string_view tsql);

// Raises RuntimeError 5 ("Only a single SELECT statement may be run here.") unless
// IsReadOnlyQuery(tsql).
void RequireReadOnlyQuery(std::string_view tsql);

}  // namespace corvane
