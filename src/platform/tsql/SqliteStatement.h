#pragma once
// A prepared SQLite statement that finalizes itself, for the layer's own catalog look-ups.

#include <sqlite3.h>

#include <cctype>
#include <memory>
#include <string>
#include <string_view>

namespace corvane::db {

struct StatementCloser {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using StatementPtr = std::unique_ptr<sqlite3_stmt, StatementCloser>;

// The prepared statement, or null when `sql` does not prepare.
inline StatementPtr prepare(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    sqlite3_finalize(statement);
    return nullptr;
  }
  return StatementPtr(statement);
}

// The first word of a statement's text in lower case ("insert", "create"); empty for none.
inline std::string leadingWord(std::string_view sql) {
  const auto start = sql.find_first_not_of(" \t\r\n");
  if (start == std::string_view::npos) return {};
  std::string word;
  for (auto at = start; at < sql.size() && std::isalpha(static_cast<unsigned char>(sql[at])); ++at) {
    word += static_cast<char>(std::tolower(static_cast<unsigned char>(sql[at])));
  }
  return word;
}

// The text of a column of the current row; empty for Null.
inline std::string columnText(sqlite3_stmt* statement, int column) {
  const auto* text = sqlite3_column_text(statement, column);
  return text ? reinterpret_cast<const char*>(text) : "";
}

}  // namespace corvane::db
