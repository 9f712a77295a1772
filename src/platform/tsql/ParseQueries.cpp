#include <algorithm>
#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/com/AsciiText.h"
#include "platform/tsql/Parser.h"
#include "platform/tsql/SqlFunctions.h"

namespace corvane::db::parser {

namespace {

// Words at which a statement starts (a batch has no separators between its statements).
bool startsStatement(const TsqlToken& token) {
  static constexpr std::array<std::string_view, 14> kWords = {"select", "insert",  "update", "delete", "if",
                                                              "else",   "declare", "set",    "begin",  "end",
                                                              "use",    "drop",    "create", "while"};
  return std::any_of(kWords.begin(), kWords.end(), [&](std::string_view w) { return token.isWord(w); });
}

}  // namespace

QueryResult Parser::parseQuery(Scope* outer) {
  const auto level = nest();
  std::vector<Member> members;
  std::vector<std::string> operators;
  members.push_back(parseMember(outer));
  for (;;) {
    std::string op;
    if (acceptWord("UNION")) {
      op = acceptWord("ALL") ? "UNION ALL" : "UNION";
    } else if (acceptWord("EXCEPT")) {
      op = "EXCEPT";
    } else if (acceptWord("INTERSECT")) {
      op = "INTERSECT";
    } else {
      break;
    }
    operators.push_back(op);
    members.push_back(parseMember(outer));
  }
  std::string order;
  if (peek().isWord("ORDER")) {
    Scope fallback{outer, {}};
    order = parseOrderBy(members.front().scope ? *members.front().scope : fallback);
    order += parseOffsetFetch(members.size() == 1 && !members.front().top.empty());
  }
  QueryResult result;
  result.columns = members.front().columns;
  // A compound's column has a known type only when every member agrees on it.
  for (const auto& member : members) {
    for (std::size_t i = 0; i < result.columns.size() && i < member.columns.size(); ++i) {
      TsqlType& type = result.columns[i].type;
      const TsqlType& other = member.columns[i].type;
      if (type.kind != other.kind || (type.kind == Kind::Decimal && type.scale != other.scale)) type = {};
      if (type.declaration != other.declaration) type.declaration.clear();
    }
  }
  if (members.size() == 1) {
    Member& only = members.front();
    result.sql = only.sql + order + (only.top.empty() ? "" : " LIMIT " + only.top);
    result.plain = order.empty() && only.top.empty();
    return result;
  }
  for (std::size_t i = 0; i < members.size(); ++i) {
    if (i > 0) result.sql += " " + operators[i - 1] + " ";
    const Member& member = members[i];
    result.sql += member.top.empty() ? member.sql : "SELECT * FROM (" + member.sql + " LIMIT " + member.top + ")";
  }
  result.sql += order;
  return result;
}

// After ORDER BY: OFFSET n ROW[S] [FETCH {FIRST|NEXT} m ROW[S] ONLY], as LIMIT m OFFSET n (no
// limit when FETCH is left out); empty when no OFFSET follows. TOP in the same query is refused.
std::string Parser::parseOffsetFetch(bool hasTop) {
  if (!acceptWord("OFFSET")) return {};
  if (hasTop) raiseStatement("A TOP can not be used in the same query or sub-query as a OFFSET.");
  const long offset = expectInteger();
  if (!acceptWord("ROWS")) expectWord("ROW");
  std::string limit = "-1";
  if (acceptWord("FETCH")) {
    if (!acceptWord("NEXT")) expectWord("FIRST");
    limit = std::to_string(expectInteger());
    if (!acceptWord("ROWS")) expectWord("ROW");
    expectWord("ONLY");
  }
  return " LIMIT " + limit + " OFFSET " + std::to_string(offset);
}

Parser::Member Parser::parseMember(Scope* outer) {
  if (!acceptSymbol("(")) return parseQuerySpec(outer);
  QueryResult inner = parseQuery(outer);
  expectSymbol(")");
  Member member;
  member.columns = std::move(inner.columns);
  member.sql = inner.plain ? std::move(inner.sql) : "SELECT * FROM (" + inner.sql + ")";
  return member;
}

Parser::Member Parser::parseQuerySpec(Scope* outer) {
  expectWord("SELECT");
  std::string head = "SELECT ";
  if (acceptWord("DISTINCT")) {
    head += "DISTINCT ";
  } else {
    acceptWord("ALL");
  }
  // Only the first SELECT of a statement may assign variables or make a table.
  const bool statementLevel = std::exchange(statementStart_, false);
  Member member;
  if (acceptWord("TOP")) member.top = parseTop();
  const std::size_t listStart = pos_;
  skipSelectList();
  const std::size_t listEnd = pos_;
  if (acceptWord("INTO")) {
    if (!statementLevel) raiseStatement("Incorrect syntax near the keyword 'into'.");
    into_ = parseTableName();
  }
  member.scope = std::make_unique<Scope>();
  member.scope->outer = outer;
  std::string from;
  if (acceptWord("FROM")) from = " FROM " + parseFrom(*member.scope);
  const std::size_t afterFrom = pos_;
  pos_ = listStart;
  const std::string list = parseSelectList(*member.scope, member.columns, statementLevel);
  if (pos_ != listEnd) failAt(peek());
  pos_ = afterFrom;
  std::string rest = parseWhere(*member.scope);
  if (acceptWord("GROUP")) {
    expectWord("BY");
    rest += " GROUP BY " + parseExprList(*member.scope);
  }
  if (acceptWord("HAVING")) rest += " HAVING " + parseExpr(*member.scope).sql;
  member.sql = head + list + from + rest;
  return member;
}

std::string Parser::parseTop() {
  const bool parenthesised = acceptSymbol("(");
  const long count = expectInteger();
  if (parenthesised) expectSymbol(")");
  if (peek().isWord("PERCENT")) raiseUnsupported("TOP ... PERCENT");
  if (peek().isWord("WITH")) raiseUnsupported("TOP ... WITH TIES");
  return std::to_string(count);
}

// Moves past the select list: to the first clause word outside parentheses and CASE.
void Parser::skipSelectList() {
  int depth = 0;
  int cases = 0;
  for (;;) {
    const TsqlToken& token = peek();
    if (token.kind == TokenKind::End) return;
    if (token.isSymbol("(")) {
      ++depth;
    } else if (token.isSymbol(")")) {
      if (depth == 0) return;
      --depth;
    } else if (depth == 0 && token.isWord("CASE")) {
      ++cases;
    } else if (depth == 0 && cases > 0 && token.isWord("END")) {
      --cases;
    } else if (depth == 0 && cases == 0 &&
               (token.isSymbol(";") || token.isWord("FROM") || token.isWord("INTO") || token.isWord("WHERE") ||
                token.isWord("GROUP") || token.isWord("HAVING") || token.isWord("ORDER") || token.isWord("UNION") ||
                token.isWord("EXCEPT") || token.isWord("INTERSECT") || startsStatement(token))) {
      return;
    }
    advance();
  }
}

std::string Parser::parseSelectList(Scope& scope, std::vector<Column>& columns, bool statementLevel) {
  std::vector<std::string> items;
  const bool assigning = peek().kind == TokenKind::Variable && peek(1).isSymbol("=");
  if (assigning && !statementLevel) raiseUnsupported("Assigning a variable inside a query");
  do {
    if (assigning) {
      items.push_back(parseAssignment(scope));
      continue;
    }
    if (acceptSymbol("*")) {
      items.push_back("*");
      for (auto& source : scope.sources) appendColumns(source, columns);
      continue;
    }
    if (qualifiedStarAhead()) {
      items.push_back(parseQualifiedStar(scope, columns));
      continue;
    }
    if (peek().kind == TokenKind::Variable && peek(1).isSymbol("=")) {
      raiseStatement(
          "A SELECT statement that assigns a value to a variable must not be combined with "
          "data-retrieval operations.");
    }
    std::optional<std::string> alias;
    if ((isNameToken(peek()) || peek().kind == TokenKind::String) && !isReserved(peek()) && peek(1).isSymbol("=")) {
      alias = advance().text;
      advance();
    }
    Expr value = parseExpr(scope);
    if (!alias) alias = parseAlias();
    columns.push_back({alias ? *alias : (value.form == Expr::Form::Column ? value.value : ""), value.type});
    items.push_back(value.sql + (alias ? " AS " + quoteSqliteName(*alias) : ""));
  } while (acceptSymbol(","));
  return join(items, ", ");
}

// @v = expression, in a SELECT that assigns variables.
std::string Parser::parseAssignment(Scope& scope) {
  const TsqlToken& name = advance();
  if (name.kind != TokenKind::Variable) {
    raiseStatement(
        "A SELECT statement that assigns a value to a variable must not be combined with "
        "data-retrieval operations.");
  }
  const std::size_t variable = requireVariable(name);
  expectSymbol("=");
  assignments_.push_back(variable);
  return coerceToColumn(parseExpr(scope), variableTypes_[variable]).sql;
}

// `T.*`, `dbo.T.*`, `tempdb..T.*`: a name, dots, then a star.
bool Parser::qualifiedStarAhead() const {
  std::size_t ahead = 0;
  if (!isNameToken(peek())) return false;
  while (isNameToken(peek(ahead)) || peek(ahead).isSymbol(".")) ++ahead;
  return ahead >= 2 && peek(ahead - 1).isSymbol(".") && peek(ahead).isSymbol("*");
}

std::string Parser::parseQualifiedStar(Scope& scope, std::vector<Column>& columns) {
  NameParts parts = parseNameParts();
  expectSymbol(".");
  expectSymbol("*");
  parts.parts.push_back("");
  parts.quoted.push_back(false);
  const auto [qualifier, sql] = columnReference(parts);
  for (auto& source : scope.sources) {
    if (!qualifier.empty() && equalsIgnoringCase(source.alias, qualifier.back())) appendColumns(source, columns);
  }
  return sql + "*";
}

std::optional<std::string> Parser::parseAlias() {
  if (acceptWord("AS")) {
    const TsqlToken& alias = advance();
    if (!isNameToken(alias) && alias.kind != TokenKind::String) failAt(alias);
    return alias.text;
  }
  if (peek().kind == TokenKind::QuotedName || peek().kind == TokenKind::String ||
      (peek().kind == TokenKind::Name && !isReserved(peek()))) {
    return advance().text;
  }
  return std::nullopt;
}

std::string Parser::parseOrderBy(Scope& scope) {
  expectWord("ORDER");
  expectWord("BY");
  std::vector<std::string> items;
  do {
    std::string item = parseExpr(scope).sql;
    if (acceptWord("ASC")) {
      item += " ASC";
    } else if (acceptWord("DESC")) {
      item += " DESC";
    }
    items.push_back(std::move(item));
  } while (acceptSymbol(","));
  return " ORDER BY " + join(items, ", ");
}

std::string Parser::parseExprList(Scope& scope) {
  std::vector<std::string> items;
  do {
    items.push_back(parseExpr(scope).sql);
  } while (acceptSymbol(","));
  return join(items, ", ");
}

std::string Parser::parseFrom(Scope& scope) {
  std::string sql = parseJoinedTable(scope);
  while (acceptSymbol(",")) sql += ", " + parseJoinedTable(scope);
  return sql;
}

std::string Parser::parseJoinedTable(Scope& scope) {
  std::string left = parseTablePrimary(scope);
  for (;;) {
    if (acceptWord("CROSS")) {
      expectWord("JOIN");
      left += " CROSS JOIN " + parseTablePrimary(scope);
      continue;
    }
    const auto type = acceptJoinType();
    if (!type) return left;
    const std::string right = parseJoinRight(scope);
    expectWord("ON");
    left += " " + *type + " " + right + " ON " + parseExpr(scope).sql;
  }
}

// The right side of a join: a table, and the joins written between it and the ON that closes
// the outer join (`A RIGHT JOIN B INNER JOIN C ON b=c ON a=b` nests B with C).
std::string Parser::parseJoinRight(Scope& scope) {
  const auto level = nest();
  std::string right = parseTablePrimary(scope);
  while (const auto type = acceptJoinType()) {
    const std::string inner = parseJoinRight(scope);
    expectWord("ON");
    right = "(" + right + " " + *type + " " + inner + " ON " + parseExpr(scope).sql + ")";
  }
  return right;
}

std::optional<std::string> Parser::acceptJoinType() {
  std::string type;
  if (acceptWord("INNER")) {
    type = "INNER JOIN";
  } else if (acceptWord("LEFT")) {
    acceptWord("OUTER");
    type = "LEFT JOIN";
  } else if (acceptWord("RIGHT")) {
    acceptWord("OUTER");
    type = "RIGHT JOIN";
  } else if (acceptWord("FULL")) {
    acceptWord("OUTER");
    type = "FULL JOIN";
  } else if (peek().isWord("JOIN")) {
    type = "JOIN";
  } else {
    return std::nullopt;
  }
  expectWord("JOIN");
  return type;
}

std::string Parser::parseTablePrimary(Scope& scope) {
  if (peek().isSymbol("(")) {
    const auto level = nest();
    return queryAhead() && queryInParentheses() ? parseDerivedTable(scope) : parseParenthesisedJoin(scope);
  }
  if (peek().kind == TokenKind::Variable) raiseUnsupported("A table variable");
  const TableName table = parseTableName();
  const auto alias = parseAlias();
  if (peek().isWord("WITH")) raiseUnsupported("A table hint");
  if (equalsIgnoringCase(table.name, "sysobjects"))
    return catalogTable(table.schema, alias.value_or(table.name), scope);
  scope.sources.push_back(tableSource(table, alias ? *alias : table.name));
  return table.sql() + (alias ? " AS " + quoteSqliteName(*alias) : "");
}

// `sysobjects` of a database: its tables ('U') and views ('V') from sqlite_master, with the
// ids tsql_object_id answers.
std::string Parser::catalogTable(const std::string& schema, const std::string& alias, Scope& scope) {
  const std::string database = schema.empty() ? "main" : toLowerAscii(schema);
  const std::string kind = "CASE type WHEN 'view' THEN 'V' ELSE 'U' END";
  Source source;
  source.alias = alias;
  source.loaded = true;
  source.columns = {{"name", TsqlType::text(128)},
                    {"id", TsqlType::of(Kind::Integer)},
                    {"xtype", TsqlType::text(2)},
                    {"type", TsqlType::text(2)}};
  scope.sources.push_back(std::move(source));
  const int index = catalogDatabaseIndex(database);
  if (index < 0) raiseStatement("Invalid object name '" + schema + "..sysobjects'.");
  return "(SELECT name COLLATE NOCASE AS name, rowid * " + std::to_string(kCatalogDatabases) + " + " +
         std::to_string(index) + " AS id, " + kind + " AS xtype, " + kind + " AS type FROM " +
         quoteSqliteName(database) +
         ".sqlite_master WHERE type IN ('table', 'view') AND name NOT LIKE 'sqlite!_%' ESCAPE '!') AS " +
         quoteSqliteName(alias);
}

std::string Parser::parseDerivedTable(Scope& scope) {
  expectSymbol("(");
  QueryResult query = parseQuery(scope.outer);
  expectSymbol(")");
  const auto alias = parseAlias();
  Source source;
  source.alias = alias.value_or("");
  source.loaded = true;
  source.columns = std::move(query.columns);
  scope.sources.push_back(std::move(source));
  return "(" + query.sql + ")" + (alias ? " AS " + quoteSqliteName(*alias) : "");
}

std::string Parser::parseParenthesisedJoin(Scope& scope) {
  expectSymbol("(");
  std::string inner = parseJoinedTable(scope);
  expectSymbol(")");
  return "(" + inner + ")";
}

Source Parser::tableSource(const TableName& table, std::string alias) const {
  Source source;
  source.alias = std::move(alias);
  source.schema = table.schema;
  source.table = table.name;
  return source;
}

void Parser::load(Source& source) {
  if (source.loaded) return;
  for (const auto& column : catalog_.columns(source.schema, source.table)) {
    source.columns.push_back({column.name, column.type, column.identity});
  }
  source.loaded = true;
}

void Parser::appendColumns(Source& source, std::vector<Column>& columns) {
  load(source);
  columns.insert(columns.end(), source.columns.begin(), source.columns.end());
}

}  // namespace corvane::db::parser
