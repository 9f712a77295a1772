#include "platform/tsql/SqliteErrors.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/com/AsciiText.h"
#include "platform/com/RuntimeError.h"
#include "platform/tsql/ErrorTexts.h"
#include "platform/tsql/SqliteStatement.h"
#include "platform/tsql/TsqlCatalog.h"
#include "platform/tsql/TsqlLexer.h"

namespace corvane::db {

namespace {

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// The words of the statement kind for SQL Server's "... INSERT fails." texts.
std::string statementVerb(std::string_view sql) {
  const std::string word = leadingWord(sql);
  if (word == "update") return "UPDATE";
  if (word == "delete") return "DELETE";
  return "INSERT";
}

// ---- what the schema says about a table's keys

struct TableDefinition {
  std::string schema;
  std::string sql;
};

// Finds the table among main and the attached databases.
std::optional<TableDefinition> findTable(sqlite3* db, const std::string& table) {
  const StatementPtr databases = prepare(db, "PRAGMA database_list");
  if (!databases) return std::nullopt;
  while (sqlite3_step(databases.get()) == SQLITE_ROW) {
    const std::string schema = columnText(databases.get(), 1);
    const StatementPtr query = prepare(db, "SELECT sql FROM " + quoteSqliteName(schema) +
                                               ".sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE");
    if (!query) continue;
    sqlite3_bind_text(query.get(), 1, table.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(query.get()) == SQLITE_ROW) return TableDefinition{schema, columnText(query.get(), 0)};
  }
  return std::nullopt;
}

struct NamedKey {
  std::string name;
  bool primary = false;
  std::vector<std::string> columns;  // lower case, sorted
};

std::vector<std::string> sortedLower(std::vector<std::string> names) {
  for (auto& name : names) name = toLowerAscii(name);
  std::sort(names.begin(), names.end());
  return names;
}

// Reads `CONSTRAINT name PRIMARY KEY (a, b)` and `CONSTRAINT name UNIQUE (a)` from a CREATE
// TABLE text, as table constraints or as constraints of one column.
std::vector<NamedKey> namedKeys(const std::string& createSql) {
  std::vector<NamedKey> keys;
  std::vector<TsqlToken> tokens;
  try {
    tokens = tokenizeTsql(createSql);
  } catch (const RuntimeError&) {
    return keys;
  }
  int depth = 0;
  std::string currentColumn;
  bool atDefinitionStart = false;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    const TsqlToken& token = tokens[i];
    if (token.isSymbol("(")) {
      ++depth;
      atDefinitionStart = depth == 1;
      continue;
    }
    if (token.isSymbol(")")) {
      --depth;
      continue;
    }
    if (depth == 1 && token.isSymbol(",")) {
      atDefinitionStart = true;
      continue;
    }
    if (depth == 1 && atDefinitionStart) {
      atDefinitionStart = false;
      if (!token.isWord("CONSTRAINT") && !token.isWord("PRIMARY") && !token.isWord("UNIQUE") &&
          !token.isWord("CHECK") && !token.isWord("FOREIGN")) {
        currentColumn = token.text;
        continue;
      }
      currentColumn.clear();
    }
    if (depth != 1 || !token.isWord("CONSTRAINT") || i + 2 >= tokens.size()) continue;
    NamedKey key;
    key.name = tokens[i + 1].text;
    std::size_t j = i + 2;
    if (tokens[j].isWord("PRIMARY")) {
      key.primary = true;
      j += 2;  // PRIMARY KEY
    } else if (tokens[j].isWord("UNIQUE")) {
      ++j;
    } else {
      continue;
    }
    while (j < tokens.size() && (tokens[j].isWord("CLUSTERED") || tokens[j].isWord("NONCLUSTERED"))) ++j;
    if (j < tokens.size() && tokens[j].isSymbol("(")) {
      for (++j; j < tokens.size() && !tokens[j].isSymbol(")"); ++j) {
        if (tokens[j].kind == TsqlToken::Kind::Name || tokens[j].kind == TsqlToken::Kind::QuotedName) {
          if (!tokens[j].isWord("ASC") && !tokens[j].isWord("DESC")) key.columns.push_back(tokens[j].text);
        }
      }
    } else if (!currentColumn.empty()) {
      key.columns.push_back(currentColumn);
    }
    key.columns = sortedLower(key.columns);
    keys.push_back(std::move(key));
  }
  return keys;
}

std::vector<std::string> indexColumns(sqlite3* db, const std::string& schema, const std::string& index) {
  std::vector<std::string> columns;
  const StatementPtr info =
      prepare(db, "PRAGMA " + quoteSqliteName(schema) + ".index_info(" + quoteSqliteName(index) + ")");
  while (info && sqlite3_step(info.get()) == SQLITE_ROW) columns.push_back(columnText(info.get(), 2));
  return sortedLower(columns);
}

std::optional<std::string> keyName(const std::vector<NamedKey>& keys, bool primary,
                                   const std::vector<std::string>& columns) {
  for (const auto& key : keys) {
    if (key.primary == primary && (primary || key.columns == columns)) return key.name;
  }
  return std::nullopt;
}

std::string primaryKeyText(const std::string& name, const std::string& table) {
  return "Violation of PRIMARY KEY constraint '" + name + "'. Cannot insert duplicate key in object 'dbo." + table +
         "'.";
}

// "UNIQUE constraint failed: T.a, T.b" in SQL Server's words, with the index or constraint
// over exactly those columns.
std::string duplicateKeyText(sqlite3* db, int extended, const std::string& message) {
  const std::string list = message.substr(message.find(':') + 2);
  std::vector<std::string> columns;
  std::string table;
  for (std::size_t start = 0; start < list.size();) {
    auto end = list.find(", ", start);
    if (end == std::string::npos) end = list.size();
    const std::string item = list.substr(start, end - start);
    const auto dot = item.rfind('.');
    table = item.substr(0, dot);
    columns.push_back(item.substr(dot + 1));
    start = end + 2;
  }
  columns = sortedLower(columns);
  const auto definition = findTable(db, table);
  if (!definition) return "Cannot insert duplicate key in object 'dbo." + table + "'.";
  const std::vector<NamedKey> keys = namedKeys(definition->sql);
  if (extended == SQLITE_CONSTRAINT_PRIMARYKEY) {
    return primaryKeyText(keyName(keys, true, columns).value_or("PK_" + table), table);
  }
  const StatementPtr indexes =
      prepare(db, "PRAGMA " + quoteSqliteName(definition->schema) + ".index_list(" + quoteSqliteName(table) + ")");
  while (indexes && sqlite3_step(indexes.get()) == SQLITE_ROW) {
    const std::string index = columnText(indexes.get(), 1);
    const std::string origin = columnText(indexes.get(), 3);
    if (sqlite3_column_int(indexes.get(), 2) == 0 || indexColumns(db, definition->schema, index) != columns) continue;
    if (origin == "pk") return primaryKeyText(keyName(keys, true, columns).value_or(index), table);
    if (origin == "u") {
      return "Violation of UNIQUE KEY constraint '" + keyName(keys, false, columns).value_or(index) +
             "'. Cannot insert duplicate key in object 'dbo." + table + "'.";
    }
    return "Cannot insert duplicate key row in object 'dbo." + table + "' with unique index '" + index + "'.";
  }
  return "Cannot insert duplicate key in object 'dbo." + table + "'.";
}

std::string constraintText(sqlite3* db, int extended, const std::string& message, std::string_view sql) {
  const auto afterColon = [&] { return message.substr(std::min(message.find(':') + 2, message.size())); };
  switch (extended) {
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_PRIMARYKEY: return duplicateKeyText(db, extended, message);
    case SQLITE_CONSTRAINT_NOTNULL: {
      const std::string item = afterColon();
      const auto dot = item.rfind('.');
      return "Cannot insert the value NULL into column '" + item.substr(dot + 1) + "', table '" + item.substr(0, dot) +
             "'; column does not allow nulls. " + statementVerb(sql) + " fails.";
    }
    case SQLITE_CONSTRAINT_CHECK:
      return "The " + statementVerb(sql) + " statement conflicted with the CHECK constraint \"" + afterColon() + "\".";
    case SQLITE_CONSTRAINT_FOREIGNKEY:
      return "The " + statementVerb(sql) + " statement conflicted with a FOREIGN KEY constraint.";
    default: return message;  // the schema's triggers raise SQL Server's texts themselves
  }
}

// SQLite's texts for statement errors, said as SQL Server says them.
std::optional<std::string> statementText(const std::string& message) {
  struct Rewrite {
    std::string_view prefix;
    std::string_view before;
    std::string_view after;
  };
  static constexpr std::array<Rewrite, 5> kRewrites = {{
      {"no such column: ", "Invalid column name '", "'."},
      {"no such function: ", "'", "' is not a recognized built-in function name."},
      {"ambiguous column name: ", "Ambiguous column name '", "'."},
      {"no such table: ", "Invalid object name '", "'."},
      {"table ", "There is already an object named '", "' in the database."},
  }};
  for (const auto& rewrite : kRewrites) {
    if (!startsWith(message, rewrite.prefix)) continue;
    std::string name = message.substr(rewrite.prefix.size());
    if (rewrite.prefix == "table ") {
      const auto end = name.find(" already exists");
      if (end == std::string::npos) continue;
      name.resize(end);
    }
    return std::string(rewrite.before) + name + std::string(rewrite.after);
  }
  if (startsWith(message, "near \"")) {
    const auto end = message.find("\": syntax error");
    if (end != std::string::npos) return "Incorrect syntax near '" + message.substr(6, end - 6) + "'.";
  }
  if (message == "incomplete input") return "Incorrect syntax near the end of the statement.";
  if (message == "parser stack overflow" || startsWith(message, "Expression tree is too large")) {
    return std::string(kTooDeepText);
  }
  return std::nullopt;
}

}  // namespace

void raiseSqliteError(sqlite3* db, int rc, std::string_view sql) {
  const std::string message = sqlite3_errmsg(db);
  switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_INTERRUPT: throw RuntimeError(errnum::kDbTimeout, std::string(kTimeoutText));
    case SQLITE_AUTH: throw RuntimeError(errnum::kDbPermissionDenied, std::string(kPermissionText));
    case SQLITE_READONLY: throw RuntimeError(errnum::kDbStatement, std::string(kReadOnlyText));
    case SQLITE_FULL: throw RuntimeError(errnum::kDbStatement, std::string(kDiskFullText));
    case SQLITE_CANTOPEN: throw RuntimeError(errnum::kDbUnspecified, std::string(kCannotOpenText));
    case SQLITE_CONSTRAINT:
      throw RuntimeError(errnum::kDbConstraint, constraintText(db, sqlite3_extended_errcode(db), message, sql));
    case SQLITE_MISMATCH: throw RuntimeError(errnum::kDbConversion, message);
    default: break;
  }
  switch (sqlite3_extended_errcode(db)) {
    case kOverflowResult: throw RuntimeError(errnum::kDbOverflow, message);
    case kConversionResult: throw RuntimeError(errnum::kDbConversion, message);
    default: break;
  }
  if (const auto text = statementText(message)) {
    throw RuntimeError(startsWith(message, "no such table") ? errnum::kDbNotFound : errnum::kDbStatement, *text);
  }
  if (message == "integer overflow") {
    throw RuntimeError(errnum::kDbOverflow, "Arithmetic overflow error converting expression to data type bigint.");
  }
  throw RuntimeError(errnum::kDbStatement, message);
}

}  // namespace corvane::db
