#include <algorithm>
#include <cctype>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/com/AsciiText.h"
#include "platform/tsql/Parser.h"

namespace corvane::db::parser {

namespace {

bool isDatabaseName(std::string_view name) {
  return equalsIgnoringCase(name, "tempdb") || equalsIgnoringCase(name, "vqsystem");
}

}  // namespace

// An identifier for the SQLite text: plain names stay as written, others are quoted.
std::string sqliteName(const std::string& name, bool quoted) {
  const bool plain = !name.empty() && (std::isalpha(static_cast<unsigned char>(name[0])) || name[0] == '_') &&
                     std::all_of(name.begin(), name.end(),
                                 [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
  if (plain && !quoted && !sqlite3_keyword_check(name.c_str(), static_cast<int>(name.size()))) return name;
  return quoteSqliteName(name);
}

NameParts Parser::parseNameParts() {
  NameParts name;
  const TsqlToken& first = peek();
  if (!isNameToken(first) || (first.kind == TokenKind::Name && isReserved(first))) failAt(first);
  advance();
  name.parts.push_back(first.text);
  name.quoted.push_back(first.kind == TokenKind::QuotedName);
  while (peek().isSymbol(".")) {
    if (isNameToken(peek(1))) {
      advance();
      const TsqlToken& part = advance();
      name.parts.push_back(part.text);
      name.quoted.push_back(part.kind == TokenKind::QuotedName);
    } else if (peek(1).isSymbol(".")) {
      advance();
      name.parts.push_back("");
      name.quoted.push_back(false);
    } else {
      break;
    }
  }
  return name;
}

TableName Parser::parseTableName() {
  const std::size_t start = pos_;
  NameParts name = parseNameParts();
  auto& parts = name.parts;
  if (parts.size() == 3) {  // database.schema.table
    checkSchema(parts[1], start);
    parts.erase(parts.begin() + 1);
    name.quoted.erase(name.quoted.begin() + 1);
  }
  if (parts.size() == 2 && !isDatabaseName(parts[0])) {  // schema.table
    checkSchema(parts[0], start);
    parts.erase(parts.begin());
    name.quoted.erase(name.quoted.begin());
  }
  if (parts.size() > 2 || parts.back().empty()) failAt(tokens_[start]);
  TableName table;
  table.name = parts.back();
  table.quoted = name.quoted.back();
  if (parts.size() == 2) table.schema = parts[0];
  return table;
}

void Parser::checkSchema(const std::string& schema, std::size_t start) const {
  if (!schema.empty() && !equalsIgnoringCase(schema, "dbo")) {
    raiseStatement("Invalid object name '" + tokens_[start].text + "': schema '" + schema + "' is unknown.");
  }
}

// A column reference: the qualifier parts that name the table (database first) and the SQLite
// text; `dbo.T.c` reads as `T.c`, `tempdb..T.c` as `tempdb.T.c`.
std::pair<std::vector<std::string>, std::string> Parser::columnReference(const NameParts& name) const {
  std::vector<std::string> parts = name.parts;
  std::vector<bool> quoted = name.quoted;
  if (parts.size() == 4 || (parts.size() == 3 && !isDatabaseName(parts[0]))) {
    const std::size_t schemaIndex = parts.size() - 3;
    checkSchema(parts[schemaIndex], pos_);
    parts.erase(parts.begin() + static_cast<long>(schemaIndex));
    quoted.erase(quoted.begin() + static_cast<long>(schemaIndex));
  }
  if (parts.size() > 3) raiseStatement("The multi-part identifier '" + join(name.parts, ".") + "' could not be bound.");
  std::string sql;
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) sql += sqliteName(parts[i], quoted[i]) + ".";
  if (!parts.back().empty()) sql += sqliteName(parts.back(), quoted.back());
  parts.pop_back();
  return {parts, sql};
}

TsqlType Parser::resolveColumn(Scope& scope, const std::vector<std::string>& qualifier, const std::string& name) {
  for (Scope* s = &scope; s; s = s->outer) {
    for (auto& source : s->sources) {
      if (!qualifier.empty() && !equalsIgnoringCase(source.alias, qualifier.back())) continue;
      load(source);
      for (const auto& column : source.columns) {
        if (equalsIgnoringCase(column.name, name)) return column.type;
      }
      if (!qualifier.empty()) return {};
    }
  }
  return {};
}

TsqlType Parser::columnType(const std::vector<TsqlColumn>& columns, const std::string& name) {
  for (const auto& column : columns) {
    if (equalsIgnoringCase(column.name, name)) return column.type;
  }
  return {};
}

}  // namespace corvane::db::parser
