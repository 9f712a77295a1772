#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/com/AsciiText.h"
#include "platform/tsql/Parser.h"

namespace corvane::db::parser {

// A SELECT that returns rows, assigns variables (SELECT @v = ...) or makes a table (SELECT
// ... INTO t).
void Parser::parseSelectStatement() {
  statementStart_ = true;
  assignments_.clear();
  into_.reset();
  QueryResult query = parseQuery(nullptr);
  statementStart_ = false;
  if (!assignments_.empty()) {
    const std::size_t step = addStep(ProgramStep::Kind::Assign, std::move(query.sql));
    steps_[step].targets = assignments_;
  } else if (into_) {
    addSelectInto(*into_, query);
  } else {
    addExecute(std::move(query.sql), false);
    for (const auto& column : query.columns) steps_.back().columns.push_back({column.name, column.type.declaration});
  }
}

// SELECT ... INTO t makes t with the columns and types of the select list, then fills it.
void Parser::addSelectInto(const TableName& table, const QueryResult& query) {
  std::vector<std::string> definitions;
  std::vector<TsqlColumn> columns;
  for (const auto& column : query.columns) {
    if (column.name.empty()) {
      raiseStatement(
          "An object or column name is missing or empty. For SELECT INTO statements, verify each "
          "column has a name.");
    }
    definitions.push_back(quoteSqliteName(column.name) + declaredTypeText(column.type));
    columns.push_back({column.name, column.type, false});
  }
  if (definitions.empty()) {
    addExecute("CREATE TABLE " + table.sql() + " AS " + query.sql, false);
    return;
  }
  addExecute("CREATE TABLE " + table.sql() + " (" + join(definitions, ", ") + ")", false);
  addExecute("INSERT INTO " + table.sql() + " " + query.sql, true);
  catalog_.define(table.schema, table.name, std::move(columns));
}

// IF condition statement [ELSE statement]
void Parser::parseIf() {
  expectWord("IF");
  Scope scope;
  const Expr condition = parseExpr(scope);
  const std::size_t test =
      addStep(ProgramStep::Kind::JumpUnless, "SELECT CASE WHEN " + condition.sql + " THEN 1 ELSE 0 END");
  parseBody();
  if (acceptWord("ELSE")) {
    const std::size_t skip = addStep(ProgramStep::Kind::Jump, {});
    steps_[test].jump = steps_.size();
    parseBody();
    steps_[skip].jump = steps_.size();
  } else {
    steps_[test].jump = steps_.size();
  }
}

void Parser::parseBody() {
  while (acceptSymbol(";")) {
  }
  if (peek().kind == TokenKind::End || peek().isWord("ELSE") || peek().isWord("END")) failAt(peek());
  parseStatement();
}

void Parser::parseBlock() {
  expectWord("BEGIN");
  if (peek().isWord("TRAN") || peek().isWord("TRANSACTION")) raiseUnsupported("BEGIN TRANSACTION in SQL text");
  while (!acceptWord("END")) {
    if (peek().kind == TokenKind::End) failAt(peek());
    if (acceptSymbol(";")) continue;
    parseStatement();
  }
}

void Parser::parseDeclare() {
  expectWord("DECLARE");
  do {
    const TsqlToken& name = advance();
    if (name.kind != TokenKind::Variable) failAt(name);
    acceptWord("AS");
    if (peek().isWord("TABLE") || peek().isWord("CURSOR")) raiseUnsupported("DECLARE ... " + peek().text);
    const TsqlType type = parseDeclaredTypeName();
    if (peek().isSymbol("=")) raiseUnsupported("A DECLARE with an initial value");
    if (findVariable(name.text)) {
      raiseStatement("The variable name '" + name.text +
                     "' has already been declared. Variable names must be "
                     "unique within a query batch or stored procedure.");
    }
    variables_.push_back({name.text});
    variableTypes_.push_back(type);
  } while (acceptSymbol(","));
}

std::optional<std::size_t> Parser::findVariable(const std::string& name) const {
  for (std::size_t i = 0; i < variables_.size(); ++i) {
    if (equalsIgnoringCase(variables_[i].name, name)) return i;
  }
  return std::nullopt;
}

std::size_t Parser::requireVariable(const TsqlToken& token) const {
  const auto index = findVariable(token.text);
  if (!index) raiseStatement("Must declare the scalar variable \"" + token.text + "\".");
  return *index;
}

// SET @v = expression
void Parser::parseSet() {
  expectWord("SET");
  const TsqlToken& name = peek();
  if (name.kind != TokenKind::Variable) raiseUnsupported("SET " + name.text);
  advance();
  const std::size_t variable = requireVariable(name);
  expectSymbol("=");
  Scope scope;
  const Expr value = coerceToColumn(parseExpr(scope), variableTypes_[variable]);
  const std::size_t step = addStep(ProgramStep::Kind::Assign, "SELECT " + value.sql);
  steps_[step].targets = {variable};
}

// CREATE TABLE as temp tables are written: `[col] [type] (n)`, IDENTITY (1, 1), COLLATE,
// DEFAULT, named keys, a trailing comma and ON [PRIMARY].
void Parser::parseCreateTable() {
  expectWord("CREATE");
  if (!acceptWord("TABLE")) raiseUnsupported("CREATE " + peek().text);
  const TableName table = parseTableName();
  expectSymbol("(");
  std::vector<std::string> definitions;
  std::vector<TsqlColumn> columns;
  while (!peek().isSymbol(")")) {
    if (peek().isWord("CONSTRAINT") || peek().isWord("PRIMARY") || peek().isWord("UNIQUE")) {
      definitions.push_back(parseKeyConstraint(std::nullopt));
    } else {
      definitions.push_back(parseColumnDefinition(columns));
    }
    if (!acceptSymbol(",")) break;
  }
  expectSymbol(")");
  if (acceptWord("ON")) {
    const TsqlToken& fileGroup = advance();
    if (!isNameToken(fileGroup)) failAt(fileGroup);
  }
  addExecute("CREATE TABLE " + table.sql() + " (" + join(definitions, ", ") + ")", false);
  catalog_.define(table.schema, table.name, std::move(columns));
}

std::string Parser::parseColumnDefinition(std::vector<TsqlColumn>& columns) {
  const TsqlToken& name = advance();
  if (!isNameToken(name)) failAt(name);
  std::string typeText;
  const TsqlType type = parseDeclaredTypeName(&typeText);
  bool identity = false;
  bool notNull = false;
  std::string collation;
  std::string rest;
  for (;;) {
    if (acceptWord("IDENTITY")) {
      if (acceptSymbol("(")) {
        const long seed = expectInteger();
        expectSymbol(",");
        const long increment = expectInteger();
        expectSymbol(")");
        if (seed != 1 || increment != 1) raiseUnsupported("IDENTITY other than (1, 1)");
      }
      identity = true;
    } else if (acceptWord("COLLATE")) {
      const TsqlToken& collationName = advance();
      if (!isNameToken(collationName)) failAt(collationName);
      collation = collationName.text;
    } else if (acceptWord("NULL")) {
    } else if (acceptWord("NOT")) {
      expectWord("NULL");
      notNull = true;
    } else if (acceptWord("DEFAULT")) {
      Scope scope;
      rest += " DEFAULT (" + coerceToColumn(parseUnary(scope), type).sql + ")";
    } else if (peek().isWord("CONSTRAINT") || peek().isWord("PRIMARY") || peek().isWord("UNIQUE")) {
      rest += " " + parseKeyConstraint(name.text);
    } else {
      break;
    }
  }
  columns.push_back({name.text, identity ? TsqlType::of(Kind::Integer) : type, identity});
  const std::string column = quoteSqliteName(name.text);
  if (identity) return column + " INTEGER PRIMARY KEY AUTOINCREMENT";
  if (collation.empty() && type.isText()) collation = "NOCASE";  // text compares ignoring case
  return column + " " + typeText + (collation.empty() ? "" : " COLLATE " + sqliteName(collation, false)) +
         (notNull ? " NOT NULL" : "") + rest;
}

// [CONSTRAINT name] PRIMARY KEY|UNIQUE [CLUSTERED|NONCLUSTERED] [(columns)]
std::string Parser::parseKeyConstraint(const std::optional<std::string>& column) {
  std::string sql;
  if (acceptWord("CONSTRAINT")) sql = "CONSTRAINT " + quoteSqliteName(expectName().text) + " ";
  if (acceptWord("PRIMARY")) {
    expectWord("KEY");
    sql += "PRIMARY KEY";
  } else if (acceptWord("UNIQUE")) {
    sql += "UNIQUE";
  } else {
    raiseUnsupported("The constraint '" + peek().text + "'");
  }
  if (!acceptWord("CLUSTERED")) acceptWord("NONCLUSTERED");
  if (!acceptSymbol("(")) {
    if (!column) failAt(peek());
    return sql;
  }
  std::vector<std::string> names;
  do {
    const TsqlToken& name = expectName();
    names.push_back(sqliteName(name.text, name.kind == TokenKind::QuotedName));
    if (!acceptWord("ASC")) acceptWord("DESC");
  } while (acceptSymbol(","));
  expectSymbol(")");
  return sql + " (" + join(names, ", ") + ")";
}

void Parser::parseDropTable() {
  expectWord("DROP");
  if (!acceptWord("TABLE")) raiseUnsupported("DROP " + peek().text);
  std::string ifExists;
  if (acceptWord("IF")) {
    expectWord("EXISTS");
    ifExists = "IF EXISTS ";
  }
  do {
    addExecute("DROP TABLE " + ifExists + parseTableName().sql(), false);
  } while (acceptSymbol(","));
}

// The tables of the system database are reachable unqualified, so switching to it changes
// nothing.
void Parser::parseUse() {
  expectWord("USE");
  const TsqlToken& name = advance();
  if (!isNameToken(name) || !equalsIgnoringCase(name.text, "vqsystem")) {
    raiseUnsupported("USE " + name.text);
  }
}

std::string Parser::parseInsert() {
  expectWord("INSERT");
  acceptWord("INTO");
  const TableName table = parseTableName();
  const auto& tableColumns = catalog_.columns(table.schema, table.name);
  std::string sql = "INSERT INTO " + table.sql();
  std::vector<TsqlType> targets;
  if (peek().isSymbol("(") && !queryAhead()) {
    advance();
    std::vector<std::string> names;
    do {
      const TsqlToken& name = expectName();
      names.push_back(sqliteName(name.text, name.kind == TokenKind::QuotedName));
      targets.push_back(columnType(tableColumns, name.text));
    } while (acceptSymbol(","));
    expectSymbol(")");
    sql += " (" + join(names, ", ") + ")";
  } else {
    // Without a column list the identity column is left out, as SQL Server numbers it itself.
    std::vector<std::string> names;
    for (const auto& column : tableColumns) {
      if (column.identity) continue;
      names.push_back(quoteSqliteName(column.name));
      targets.push_back(column.type);
    }
    if (names.size() < tableColumns.size()) sql += " (" + join(names, ", ") + ")";
  }
  if (acceptWord("VALUES")) {
    std::vector<std::string> rows;
    do {
      rows.push_back("(" + parseValueRow(targets) + ")");
    } while (acceptSymbol(","));
    return sql + " VALUES " + join(rows, ", ");
  }
  if (acceptWord("DEFAULT")) {
    expectWord("VALUES");
    return sql + " DEFAULT VALUES";
  }
  if (!peek().isWord("SELECT") && !peek().isSymbol("(")) failAt(peek());
  return insertQuery(sql, parseQuery(nullptr), targets);
}

// INSERT ... SELECT: the selected values are converted to the columns' types on the way in,
// as SQL Server converts them.
std::string Parser::insertQuery(const std::string& insert, const QueryResult& query,
                                const std::vector<TsqlType>& targets) {
  if (query.columns.size() != targets.size()) return insert + " " + query.sql;
  std::vector<std::string> names;
  std::vector<std::string> values;
  bool converts = false;
  for (std::size_t i = 0; i < targets.size(); ++i) {
    names.push_back("c" + std::to_string(i + 1));
    const Expr value =
        coerceToColumn(Expr{names.back(), query.columns[i].type, Expr::Form::Column, names.back()}, targets[i]);
    converts = converts || value.sql != names.back();
    values.push_back(value.sql);
  }
  if (!converts) return insert + " " + query.sql;
  return "WITH source (" + join(names, ", ") + ") AS (" + query.sql + ") " + insert + " SELECT " + join(values, ", ") +
         " FROM source";
}

std::string Parser::parseValueRow(const std::vector<TsqlType>& targets) {
  expectSymbol("(");
  Scope scope;
  std::vector<std::string> values;
  do {
    Expr value = parseExpr(scope);
    if (values.size() < targets.size()) value = coerceToColumn(std::move(value), targets[values.size()]);
    values.push_back(value.sql);
  } while (acceptSymbol(","));
  expectSymbol(")");
  return join(values, ", ");
}

std::string Parser::parseUpdate() {
  expectWord("UPDATE");
  if (peek().isWord("TOP")) raiseUnsupported("UPDATE TOP");
  const TableName table = parseTableName();
  Scope scope;
  scope.sources.push_back(tableSource(table, table.name));
  expectWord("SET");
  std::vector<std::string> assignments;
  do {
    if (peek().kind == TokenKind::Variable) raiseUnsupported("Assigning a variable in UPDATE");
    const NameParts target = parseNameParts();
    const std::string& column = target.parts.back();
    expectSymbol("=");
    Expr value = coerceToColumn(parseExpr(scope), resolveColumn(scope, {}, column));
    assignments.push_back(sqliteName(column, target.quoted.back()) + " = " + value.sql);
  } while (acceptSymbol(","));
  if (peek().isWord("FROM")) raiseUnsupported("UPDATE ... FROM");
  return "UPDATE " + table.sql() + " SET " + join(assignments, ", ") + parseWhere(scope);
}

std::string Parser::parseDelete() {
  expectWord("DELETE");
  if (peek().isWord("TOP")) raiseUnsupported("DELETE TOP");
  acceptWord("FROM");
  const TableName table = parseTableName();
  if (peek().isWord("FROM")) raiseUnsupported("DELETE ... FROM");
  Scope scope;
  scope.sources.push_back(tableSource(table, table.name));
  return "DELETE FROM " + table.sql() + parseWhere(scope);
}

std::string Parser::parseWhere(Scope& scope) {
  if (!acceptWord("WHERE")) return {};
  return " WHERE " + parseExpr(scope).sql;
}

}  // namespace corvane::db::parser
