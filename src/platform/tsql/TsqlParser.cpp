#include "platform/tsql/TsqlParser.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/com/DecimalText.h"
#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/SqlLiteral.h"
#include "platform/db/SqliteErrors.h"
#include "platform/tsql/SqlFunctions.h"
#include "platform/tsql/TsqlCatalog.h"
#include "platform/tsql/TsqlLexer.h"
#include "platform/tsql/TsqlType.h"

namespace corvane::db {

namespace {

using Kind = TsqlType::Kind;
using TokenKind = TsqlToken::Kind;

[[noreturn]] void raiseStatement(std::string text) { throw RuntimeError(errnum::kDbStatement, std::move(text)); }

[[noreturn]] void raiseUnsupported(const std::string& what) {
  raiseStatement(what + " is not supported by the SQL translator.");
}

// How deep statements, queries and expressions may nest: the parser descends by recursion, so
// deeper text is refused, as SQL Server refuses it, before it can exhaust the stack. (SQLite's
// own parser takes fewer than 100 nested parentheses and some 20 nested subqueries.)
constexpr int kMaxNesting = 64;

// The largest size a type may be given, as in `varchar(n)` and `decimal(p, s)`.
constexpr long kMaxTypeSize = 8000;

// Counts one level of nesting for as long as it lives; raises past kMaxNesting.
class NestingLevel {
 public:
  explicit NestingLevel(int& depth) : depth_(depth) {
    if (depth_ >= kMaxNesting) raiseStatement(std::string(kTooDeepText));
    ++depth_;
  }
  ~NestingLevel() { --depth_; }
  NestingLevel(const NestingLevel&) = delete;
  NestingLevel& operator=(const NestingLevel&) = delete;

 private:
  int& depth_;
};

// A whole number written in digits; nullopt when it exceeds a long.
std::optional<long> wholeNumber(const std::string& digits) {
  long value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return value;
}

// Words that end an expression or a list and so never read as an alias.
bool isReserved(const TsqlToken& token) {
  static constexpr std::array<std::string_view, 58> kWords = {
      "select", "from",   "where",   "group",   "order",    "having",  "union",     "except",  "intersect",
      "into",   "on",     "join",    "inner",   "left",     "right",   "full",      "cross",   "outer",
      "and",    "or",     "not",     "as",      "insert",   "update",  "delete",    "set",     "values",
      "if",     "else",   "begin",   "end",     "declare",  "when",    "then",      "case",    "is",
      "in",     "like",   "between", "null",  "exists",   "with",    "use",       "drop",    "create",
      "while",  "return", "by",      "top",     "distinct", "all",     "option",    "for",     "exec",
      "execute", "print", "collate", "escape"};
  if (token.kind != TokenKind::Name) return false;
  return std::any_of(kWords.begin(), kWords.end(), [&](std::string_view w) { return token.isWord(w); });
}

// Words at which a statement starts (a batch has no separators between its statements).
bool startsStatement(const TsqlToken& token) {
  static constexpr std::array<std::string_view, 14> kWords = {
      "select", "insert", "update", "delete", "if",   "else",  "declare",
      "set",    "begin",  "end",    "use",    "drop", "create", "while"};
  return std::any_of(kWords.begin(), kWords.end(), [&](std::string_view w) { return token.isWord(w); });
}

bool isNameToken(const TsqlToken& token) { return token.kind == TokenKind::Name || token.kind == TokenKind::QuotedName; }

// An identifier for the SQLite text: plain names stay as written, others are quoted.
std::string sqliteName(const std::string& name, bool quoted) {
  const bool plain = !name.empty() && (std::isalpha(static_cast<unsigned char>(name[0])) || name[0] == '_') &&
                     std::all_of(name.begin(), name.end(), [](char c) {
                       return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
                     });
  if (plain && !quoted && !sqlite3_keyword_check(name.c_str(), static_cast<int>(name.size()))) return name;
  return quoteSqliteName(name);
}

bool isDatabaseName(std::string_view name) {
  return equalsIgnoringCase(name, "tempdb") || equalsIgnoringCase(name, "vqsystem");
}

std::string trimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return std::string(text.substr(first, last - first + 1));
}

TsqlType numberLiteralType(std::string_view text) {
  if (text.find_first_of("eE") != std::string_view::npos) return TsqlType::of(Kind::Float);
  const auto point = text.find('.');
  if (point == std::string_view::npos) return TsqlType::of(Kind::Integer);
  const int scale = static_cast<int>(text.size() - point - 1);
  return TsqlType::decimal(std::max(static_cast<int>(text.size()) - 1, scale), scale);
}

// An expression translated: its SQLite text and what the translator knows about it.
struct Expr {
  enum class Form { Other, String, Number, Null, Column };
  std::string sql;
  TsqlType type;
  Form form = Form::Other;
  std::string value;  // String and Number: the literal; Column: the column's name

  bool isStringLiteral() const { return form == Form::String; }
};

Expr otherExpr(std::string sql, TsqlType type = {}) { return Expr{std::move(sql), type, Expr::Form::Other, {}}; }

struct Column {
  std::string name;
  TsqlType type;
  bool identity = false;
};

// A table, view or derived table of a FROM clause, known by its alias.
struct Source {
  std::string alias;
  std::string schema;  // tables and views: where to read the columns; empty for derived tables
  std::string table;
  bool loaded = false;
  std::vector<Column> columns;
};

struct Scope {
  Scope* outer = nullptr;
  std::vector<Source> sources;
};

struct QueryResult {
  std::string sql;
  std::vector<Column> columns;
  bool plain = false;  // one SELECT without TOP or ORDER BY: may stand unwrapped in a compound
};

// A table name read from multi-part T-SQL: `tempdb..x`, `VqSystem.dbo.x`, `dbo.x`, `x`.
struct TableName {
  std::string schema;
  std::string name;
  bool quoted = false;

  std::string sql() const {
    return (schema.empty() ? "" : sqliteName(schema, false) + ".") + sqliteName(name, quoted);
  }
};

// The parts of a dotted name as written; an empty part stands for `..`.
struct NameParts {
  std::vector<std::string> parts;
  std::vector<bool> quoted;
};

class Parser {
 public:
  Parser(sqlite3* db, std::string_view text, CatalogMemo* memo)
      : catalog_(db, memo), tokens_(tokenizeTsql(text)), closings_(matchParentheses(tokens_)) {}

  Program translate() {
    while (peek().kind != TokenKind::End) {
      if (acceptSymbol(";")) continue;
      parseStatement();
    }
    return Program(std::move(steps_), std::move(variables_), {}, catalog_.schemasRead());
  }

 private:
  // ---- tokens

  const TsqlToken& peek(std::size_t ahead = 0) const {
    return tokens_[std::min(pos_ + ahead, tokens_.size() - 1)];
  }
  const TsqlToken& advance() {
    const TsqlToken& token = tokens_[pos_];
    if (pos_ + 1 < tokens_.size()) ++pos_;
    return token;
  }
  bool acceptWord(std::string_view word) {
    if (!peek().isWord(word)) return false;
    advance();
    return true;
  }
  bool acceptSymbol(std::string_view symbol) {
    if (!peek().isSymbol(symbol)) return false;
    advance();
    return true;
  }
  [[noreturn]] void failAt(const TsqlToken& token) const {
    raiseStatement("Incorrect syntax near " + token.describe() + ".");
  }
  void expectWord(std::string_view word) {
    if (!acceptWord(word)) failAt(peek());
  }
  void expectSymbol(std::string_view symbol) {
    if (!acceptSymbol(symbol)) failAt(peek());
  }
  const TsqlToken& expectName() {
    if (!isNameToken(peek()) || isReserved(peek())) failAt(peek());
    return advance();
  }
  const TsqlToken& expectDigits() {
    const TsqlToken& token = peek();
    if (token.kind != TokenKind::Number || token.text.find_first_not_of("0123456789") != std::string::npos) {
      failAt(token);
    }
    return advance();
  }
  long expectInteger() {
    const auto value = wholeNumber(expectDigits().text);
    if (!value) raiseStatement("Arithmetic overflow error converting expression to data type bigint.");
    return *value;
  }
  // A size in a type's parentheses: `varchar(n)`, `decimal(p, s)`.
  long expectTypeSize(const std::string& type) {
    const std::string& digits = expectDigits().text;
    const auto value = wholeNumber(digits);
    if (!value || *value > kMaxTypeSize) {
      raiseStatement("The size (" + digits + ") given to the type '" + type +
                     "' exceeds the maximum allowed for any data type (" + std::to_string(kMaxTypeSize) + ").");
    }
    return *value;
  }

  NestingLevel nest() { return NestingLevel(depth_); }

  // A parenthesised query starts here: `(` then any further `(` then SELECT.
  bool queryAhead() const {
    std::size_t ahead = 0;
    while (peek(ahead).isSymbol("(")) ++ahead;
    return ahead > 0 && peek(ahead).isWord("SELECT");
  }

  // Whether the `(` here opens a query, not an expression, an IN list or a join: when its
  // content is a SELECT, or a parenthesised query that a set operator, ORDER BY or the closing
  // parenthesis follows. Decided from the tokens alone, so that nothing is parsed twice.
  bool queryInParentheses() const {
    for (std::size_t open = pos_;; ++open) {
      const TsqlToken& first = tokens_[std::min(open + 1, tokens_.size() - 1)];
      if (first.isWord("SELECT")) return true;
      if (!first.isSymbol("(")) return false;
      const std::size_t close = closings_[open + 1];
      if (close == kUnclosed) return true;  // unbalanced: reading it as a query reports where
      const TsqlToken& after = tokens_[close + 1];  // the last token is End, never `)`
      if (after.isWord("UNION") || after.isWord("EXCEPT") || after.isWord("INTERSECT") || after.isWord("ORDER")) {
        return true;
      }
      if (!after.isSymbol(")")) return false;
    }
  }

  static constexpr std::size_t kUnclosed = static_cast<std::size_t>(-1);

  // For each `(` token the index of the `)` that closes it, kUnclosed for other tokens.
  static std::vector<std::size_t> matchParentheses(const std::vector<TsqlToken>& tokens) {
    std::vector<std::size_t> closings(tokens.size(), kUnclosed);
    std::vector<std::size_t> open;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
      if (tokens[i].isSymbol("(")) {
        open.push_back(i);
      } else if (tokens[i].isSymbol(")") && !open.empty()) {
        closings[open.back()] = i;
        open.pop_back();
      }
    }
    return closings;
  }

  // ---- statements

  void addExecute(std::string sql, bool countsChanges) {
    ProgramStep step;
    step.sql = std::move(sql);
    step.countsChanges = countsChanges;
    steps_.push_back(std::move(step));
  }

  std::size_t addStep(ProgramStep::Kind kind, std::string sql) {
    ProgramStep step;
    step.kind = kind;
    step.sql = std::move(sql);
    steps_.push_back(std::move(step));
    return steps_.size() - 1;
  }

  void parseStatement() {
    const auto level = nest();
    const TsqlToken& token = peek();
    if (token.isWord("SELECT") || token.isSymbol("(")) {
      parseSelectStatement();
    } else if (token.isWord("INSERT")) {
      addExecute(parseInsert(), true);
    } else if (token.isWord("UPDATE")) {
      addExecute(parseUpdate(), true);
    } else if (token.isWord("DELETE")) {
      addExecute(parseDelete(), true);
    } else if (token.isWord("USE")) {
      parseUse();
    } else if (token.isWord("IF")) {
      parseIf();
    } else if (token.isWord("BEGIN")) {
      parseBlock();
    } else if (token.isWord("DECLARE")) {
      parseDeclare();
    } else if (token.isWord("SET")) {
      parseSet();
    } else if (token.isWord("CREATE")) {
      parseCreateTable();
    } else if (token.isWord("DROP")) {
      parseDropTable();
    } else if (token.kind == TokenKind::Name && !token.isWord("ELSE") && !token.isWord("END")) {
      raiseUnsupported("'" + token.text + "'");
    } else {
      failAt(token);
    }
  }

  // A SELECT that returns rows, assigns variables (SELECT @v = ...) or makes a table (SELECT
  // ... INTO t).
  void parseSelectStatement() {
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
  void addSelectInto(const TableName& table, const QueryResult& query) {
    std::vector<std::string> definitions;
    std::vector<TsqlColumn> columns;
    for (const auto& column : query.columns) {
      if (column.name.empty()) {
        raiseStatement("An object or column name is missing or empty. For SELECT INTO statements, verify each "
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

  static std::string declaredTypeText(const TsqlType& type) {
    switch (type.kind) {
      case Kind::Integer: return " int";
      case Kind::Bit: return " bit";
      case Kind::Decimal: return " decimal(" + std::to_string(type.precision) + "," + std::to_string(type.scale) + ")";
      case Kind::Money: return " money";
      case Kind::Float: return " float";
      case Kind::Date: return " datetime";
      case Kind::Text:
      case Kind::Guid:
        return " nvarchar(" + (type.length > 0 ? std::to_string(type.length) : std::string("4000")) +
               ") COLLATE NOCASE";
      case Kind::Unknown: return "";
    }
    return "";
  }

  // IF condition statement [ELSE statement]
  void parseIf() {
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

  void parseBody() {
    while (acceptSymbol(";")) {
    }
    if (peek().kind == TokenKind::End || peek().isWord("ELSE") || peek().isWord("END")) failAt(peek());
    parseStatement();
  }

  void parseBlock() {
    expectWord("BEGIN");
    if (peek().isWord("TRAN") || peek().isWord("TRANSACTION")) raiseUnsupported("BEGIN TRANSACTION in SQL text");
    while (!acceptWord("END")) {
      if (peek().kind == TokenKind::End) failAt(peek());
      if (acceptSymbol(";")) continue;
      parseStatement();
    }
  }

  void parseDeclare() {
    expectWord("DECLARE");
    do {
      const TsqlToken& name = advance();
      if (name.kind != TokenKind::Variable) failAt(name);
      acceptWord("AS");
      if (peek().isWord("TABLE") || peek().isWord("CURSOR")) raiseUnsupported("DECLARE ... " + peek().text);
      const TsqlType type = parseDeclaredTypeName();
      if (peek().isSymbol("=")) raiseUnsupported("A DECLARE with an initial value");
      if (findVariable(name.text)) {
        raiseStatement("The variable name '" + name.text + "' has already been declared. Variable names must be "
                       "unique within a query batch or stored procedure.");
      }
      variables_.push_back({name.text});
      variableTypes_.push_back(type);
    } while (acceptSymbol(","));
  }

  // A type as DECLARE and CREATE TABLE write it; answers the type and its text for SQLite.
  TsqlType parseDeclaredTypeName(std::string* text = nullptr) {
    const TsqlToken& name = advance();
    if (!isNameToken(name)) failAt(name);
    std::string declared = toLowerAscii(name.text);
    if (acceptSymbol("(")) {
      if (acceptWord("MAX")) {
        declared += "(max)";
      } else {
        declared += "(" + std::to_string(expectTypeSize(name.text));
        if (acceptSymbol(",")) declared += "," + std::to_string(expectTypeSize(name.text));
        declared += ")";
      }
      expectSymbol(")");
    }
    const TsqlType type = parseDeclaredType(declared);
    if (!type.isKnown()) raiseStatement("Column, parameter, or variable: cannot find data type " + name.text + ".");
    if (text) *text = declared;
    return type;
  }

  std::optional<std::size_t> findVariable(const std::string& name) const {
    for (std::size_t i = 0; i < variables_.size(); ++i) {
      if (equalsIgnoringCase(variables_[i].name, name)) return i;
    }
    return std::nullopt;
  }

  std::size_t requireVariable(const TsqlToken& token) const {
    const auto index = findVariable(token.text);
    if (!index) raiseStatement("Must declare the scalar variable \"" + token.text + "\".");
    return *index;
  }

  // SET @v = expression
  void parseSet() {
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
  void parseCreateTable() {
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

  std::string parseColumnDefinition(std::vector<TsqlColumn>& columns) {
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
  std::string parseKeyConstraint(const std::optional<std::string>& column) {
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

  void parseDropTable() {
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
  void parseUse() {
    expectWord("USE");
    const TsqlToken& name = advance();
    if (!isNameToken(name) || !equalsIgnoringCase(name.text, "vqsystem")) {
      raiseUnsupported("USE " + name.text);
    }
  }

  std::string parseInsert() {
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
  static std::string insertQuery(const std::string& insert, const QueryResult& query,
                                 const std::vector<TsqlType>& targets) {
    if (query.columns.size() != targets.size()) return insert + " " + query.sql;
    std::vector<std::string> names;
    std::vector<std::string> values;
    bool converts = false;
    for (std::size_t i = 0; i < targets.size(); ++i) {
      names.push_back("c" + std::to_string(i + 1));
      const Expr value = coerceToColumn(Expr{names.back(), query.columns[i].type, Expr::Form::Column, names.back()},
                                        targets[i]);
      converts = converts || value.sql != names.back();
      values.push_back(value.sql);
    }
    if (!converts) return insert + " " + query.sql;
    return "WITH source (" + join(names, ", ") + ") AS (" + query.sql + ") " + insert + " SELECT " +
           join(values, ", ") + " FROM source";
  }

  std::string parseValueRow(const std::vector<TsqlType>& targets) {
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

  std::string parseUpdate() {
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

  std::string parseDelete() {
    expectWord("DELETE");
    if (peek().isWord("TOP")) raiseUnsupported("DELETE TOP");
    acceptWord("FROM");
    const TableName table = parseTableName();
    if (peek().isWord("FROM")) raiseUnsupported("DELETE ... FROM");
    Scope scope;
    scope.sources.push_back(tableSource(table, table.name));
    return "DELETE FROM " + table.sql() + parseWhere(scope);
  }

  std::string parseWhere(Scope& scope) {
    if (!acceptWord("WHERE")) return {};
    return " WHERE " + parseExpr(scope).sql;
  }

  // ---- queries

  struct Member {
    std::string sql;
    std::string top;  // the member's TOP n, applied as LIMIT
    std::unique_ptr<Scope> scope;
    std::vector<Column> columns;
  };

  QueryResult parseQuery(Scope* outer) {
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
  std::string parseOffsetFetch(bool hasTop) {
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

  Member parseMember(Scope* outer) {
    if (!acceptSymbol("(")) return parseQuerySpec(outer);
    QueryResult inner = parseQuery(outer);
    expectSymbol(")");
    Member member;
    member.columns = std::move(inner.columns);
    member.sql = inner.plain ? std::move(inner.sql) : "SELECT * FROM (" + inner.sql + ")";
    return member;
  }

  Member parseQuerySpec(Scope* outer) {
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

  std::string parseTop() {
    const bool parenthesised = acceptSymbol("(");
    const long count = expectInteger();
    if (parenthesised) expectSymbol(")");
    if (peek().isWord("PERCENT")) raiseUnsupported("TOP ... PERCENT");
    if (peek().isWord("WITH")) raiseUnsupported("TOP ... WITH TIES");
    return std::to_string(count);
  }

  // Moves past the select list: to the first clause word outside parentheses and CASE.
  void skipSelectList() {
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
                  token.isWord("GROUP") || token.isWord("HAVING") || token.isWord("ORDER") ||
                  token.isWord("UNION") || token.isWord("EXCEPT") || token.isWord("INTERSECT") ||
                  startsStatement(token))) {
        return;
      }
      advance();
    }
  }

  std::string parseSelectList(Scope& scope, std::vector<Column>& columns, bool statementLevel) {
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
        raiseStatement("A SELECT statement that assigns a value to a variable must not be combined with "
                       "data-retrieval operations.");
      }
      std::optional<std::string> alias;
      if ((isNameToken(peek()) || peek().kind == TokenKind::String) && !isReserved(peek()) &&
          peek(1).isSymbol("=")) {
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
  std::string parseAssignment(Scope& scope) {
    const TsqlToken& name = advance();
    if (name.kind != TokenKind::Variable) {
      raiseStatement("A SELECT statement that assigns a value to a variable must not be combined with "
                     "data-retrieval operations.");
    }
    const std::size_t variable = requireVariable(name);
    expectSymbol("=");
    assignments_.push_back(variable);
    return coerceToColumn(parseExpr(scope), variableTypes_[variable]).sql;
  }

  // `T.*`, `dbo.T.*`, `tempdb..T.*`: a name, dots, then a star.
  bool qualifiedStarAhead() const {
    std::size_t ahead = 0;
    if (!isNameToken(peek())) return false;
    while (isNameToken(peek(ahead)) || peek(ahead).isSymbol(".")) ++ahead;
    return ahead >= 2 && peek(ahead - 1).isSymbol(".") && peek(ahead).isSymbol("*");
  }

  std::string parseQualifiedStar(Scope& scope, std::vector<Column>& columns) {
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

  std::optional<std::string> parseAlias() {
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

  std::string parseOrderBy(Scope& scope) {
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

  std::string parseExprList(Scope& scope) {
    std::vector<std::string> items;
    do {
      items.push_back(parseExpr(scope).sql);
    } while (acceptSymbol(","));
    return join(items, ", ");
  }

  // ---- FROM

  std::string parseFrom(Scope& scope) {
    std::string sql = parseJoinedTable(scope);
    while (acceptSymbol(",")) sql += ", " + parseJoinedTable(scope);
    return sql;
  }

  std::string parseJoinedTable(Scope& scope) {
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
  std::string parseJoinRight(Scope& scope) {
    const auto level = nest();
    std::string right = parseTablePrimary(scope);
    while (const auto type = acceptJoinType()) {
      const std::string inner = parseJoinRight(scope);
      expectWord("ON");
      right = "(" + right + " " + *type + " " + inner + " ON " + parseExpr(scope).sql + ")";
    }
    return right;
  }

  std::optional<std::string> acceptJoinType() {
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

  std::string parseTablePrimary(Scope& scope) {
    if (peek().isSymbol("(")) {
      const auto level = nest();
      return queryAhead() && queryInParentheses() ? parseDerivedTable(scope) : parseParenthesisedJoin(scope);
    }
    if (peek().kind == TokenKind::Variable) raiseUnsupported("A table variable");
    const TableName table = parseTableName();
    const auto alias = parseAlias();
    if (peek().isWord("WITH")) raiseUnsupported("A table hint");
    if (equalsIgnoringCase(table.name, "sysobjects")) return catalogTable(table.schema, alias.value_or(table.name), scope);
    scope.sources.push_back(tableSource(table, alias ? *alias : table.name));
    return table.sql() + (alias ? " AS " + quoteSqliteName(*alias) : "");
  }

  // `sysobjects` of a database: its tables ('U') and views ('V') from sqlite_master, with the
  // ids tsql_object_id answers.
  static std::string catalogTable(const std::string& schema, const std::string& alias, Scope& scope) {
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
           std::to_string(index) + " AS id, " +
           kind + " AS xtype, " + kind + " AS type FROM " + quoteSqliteName(database) +
           ".sqlite_master WHERE type IN ('table', 'view') AND name NOT LIKE 'sqlite!_%' ESCAPE '!') AS " +
           quoteSqliteName(alias);
  }

  std::string parseDerivedTable(Scope& scope) {
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

  std::string parseParenthesisedJoin(Scope& scope) {
    expectSymbol("(");
    std::string inner = parseJoinedTable(scope);
    expectSymbol(")");
    return "(" + inner + ")";
  }

  Source tableSource(const TableName& table, std::string alias) const {
    Source source;
    source.alias = std::move(alias);
    source.schema = table.schema;
    source.table = table.name;
    return source;
  }

  void load(Source& source) {
    if (source.loaded) return;
    for (const auto& column : catalog_.columns(source.schema, source.table)) {
      source.columns.push_back({column.name, column.type, column.identity});
    }
    source.loaded = true;
  }

  void appendColumns(Source& source, std::vector<Column>& columns) {
    load(source);
    columns.insert(columns.end(), source.columns.begin(), source.columns.end());
  }

  // ---- names

  NameParts parseNameParts() {
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

  TableName parseTableName() {
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

  void checkSchema(const std::string& schema, std::size_t start) const {
    if (!schema.empty() && !equalsIgnoringCase(schema, "dbo")) {
      raiseStatement("Invalid object name '" + tokens_[start].text + "': schema '" + schema + "' is unknown.");
    }
  }

  // A column reference: the qualifier parts that name the table (database first) and the SQLite
  // text; `dbo.T.c` reads as `T.c`, `tempdb..T.c` as `tempdb.T.c`.
  std::pair<std::vector<std::string>, std::string> columnReference(const NameParts& name) const {
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

  TsqlType resolveColumn(Scope& scope, const std::vector<std::string>& qualifier, const std::string& name) {
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

  static TsqlType columnType(const std::vector<TsqlColumn>& columns, const std::string& name) {
    for (const auto& column : columns) {
      if (equalsIgnoringCase(column.name, name)) return column.type;
    }
    return {};
  }

  // ---- expressions

  Expr parseExpr(Scope& scope) {
    const auto level = nest();
    Expr left = parseAnd(scope);
    while (acceptWord("OR")) left = otherExpr(left.sql + " OR " + parseAnd(scope).sql);
    return left;
  }

  Expr parseAnd(Scope& scope) {
    Expr left = parseNot(scope);
    while (acceptWord("AND")) left = otherExpr(left.sql + " AND " + parseNot(scope).sql);
    return left;
  }

  Expr parseNot(Scope& scope) {
    if (acceptWord("NOT")) {
      const auto level = nest();
      return otherExpr("NOT " + parseNot(scope).sql);
    }
    return parsePredicate(scope);
  }

  Expr parsePredicate(Scope& scope) {
    if (acceptWord("EXISTS")) {
      expectSymbol("(");
      const QueryResult query = parseQuery(&scope);
      expectSymbol(")");
      return otherExpr("EXISTS (" + query.sql + ")");
    }
    Expr left = parseAdditive(scope);
    static constexpr std::array<std::string_view, 7> kComparisons = {"=", "<>", "!=", "<", ">", "<=", ">="};
    for (const auto op : kComparisons) {
      if (acceptSymbol(op)) {
        Expr right = parseAdditive(scope);
        harmonize(left, right);
        return otherExpr(left.sql + " " + std::string(op) + " " + right.sql);
      }
    }
    if (peek().isSymbol("!<") || peek().isSymbol("!>")) raiseUnsupported("The operator '" + peek().text + "'");
    const bool negated = (peek(1).isWord("BETWEEN") || peek(1).isWord("IN") || peek(1).isWord("LIKE")) &&
                         acceptWord("NOT");
    const std::string not_ = negated ? "NOT " : "";
    if (acceptWord("BETWEEN")) {
      Expr low = parseAdditive(scope);
      expectWord("AND");
      Expr high = parseAdditive(scope);
      harmonize(left, low);
      harmonize(left, high);
      return otherExpr(left.sql + " " + not_ + "BETWEEN " + low.sql + " AND " + high.sql);
    }
    if (acceptWord("IN")) return parseIn(scope, left, not_);
    if (acceptWord("LIKE")) {
      const Expr pattern = parseAdditive(scope);
      if (pattern.isStringLiteral() && pattern.value.find('[') != std::string::npos) {
        raiseUnsupported("A LIKE pattern with a [ ] character class");
      }
      std::string sql = left.sql + " " + not_ + "LIKE " + pattern.sql;
      if (acceptWord("ESCAPE")) sql += " ESCAPE " + parseAdditive(scope).sql;
      return otherExpr(sql);
    }
    if (negated) failAt(peek());
    if (acceptWord("IS")) {
      const bool isNot = acceptWord("NOT");
      expectWord("NULL");
      return otherExpr(left.sql + (isNot ? " IS NOT NULL" : " IS NULL"));
    }
    return left;
  }

  Expr parseIn(Scope& scope, Expr& left, const std::string& not_) {
    auto asQuery = [&] {
      expectSymbol("(");
      const std::string sql = parseQuery(&scope).sql;
      expectSymbol(")");
      return "(" + sql + ")";
    };
    auto asList = [&] { return "(" + parseInList(scope, left) + ")"; };
    const std::string values = queryAhead() && queryInParentheses() ? asQuery() : asList();
    return otherExpr(left.sql + " " + not_ + "IN " + values);
  }

  std::string parseInList(Scope& scope, Expr& left) {
    expectSymbol("(");
    std::vector<Expr> items;
    do {
      items.push_back(parseExpr(scope));
    } while (acceptSymbol(","));
    expectSymbol(")");
    harmonizeAll(left, items);
    std::vector<std::string> sql;
    for (const auto& item : items) sql.push_back(item.sql);
    return join(sql, ", ");
  }

  Expr parseAdditive(Scope& scope) {
    Expr left = parseMultiplicative(scope);
    for (;;) {
      if (acceptSymbol("+")) {
        left = plus(std::move(left), parseMultiplicative(scope));
      } else if (acceptSymbol("-")) {
        const Expr right = parseMultiplicative(scope);
        rejectDateArithmetic(left, right);
        left = otherExpr(left.sql + " - " + right.sql, arithmeticType(left.type, right.type));
      } else if (peek().isSymbol("&") || peek().isSymbol("|")) {
        const std::string op = advance().text;
        left = otherExpr("(" + left.sql + " " + op + " " + parseMultiplicative(scope).sql + ")",
                         TsqlType::of(Kind::Integer));
      } else if (peek().isSymbol("^")) {
        raiseUnsupported("The operator '^'");
      } else {
        return left;
      }
    }
  }

  static void rejectDateArithmetic(const Expr& left, const Expr& right) {
    if (left.type.kind == Kind::Date || right.type.kind == Kind::Date) raiseUnsupported("Arithmetic on dates");
  }

  // `+` adds numbers and joins texts; when the translator cannot tell, tsql_add decides per
  // value the way SQL Server's type precedence does.
  static Expr plus(Expr left, Expr right) {
    if (left.type.isText() && right.type.isText()) {
      return otherExpr("(" + left.sql + " || " + right.sql + ")", TsqlType::text());
    }
    rejectDateArithmetic(left, right);
    if (left.type.isNumeric() && right.type.isNumeric()) {
      return otherExpr(left.sql + " + " + right.sql, arithmeticType(left.type, right.type));
    }
    const TsqlType type = left.type.isNumeric() ? left.type : right.type.isNumeric() ? right.type : TsqlType{};
    return otherExpr("tsql_add(" + left.sql + ", " + right.sql + ")", type);
  }

  Expr parseMultiplicative(Scope& scope) {
    Expr left = parseUnary(scope);
    for (;;) {
      if (acceptSymbol("*")) {
        const Expr right = parseUnary(scope);
        rejectDateArithmetic(left, right);
        left = otherExpr(left.sql + " * " + right.sql, arithmeticType(left.type, right.type));
      } else if (acceptSymbol("/")) {
        const Expr right = parseUnary(scope);
        rejectDateArithmetic(left, right);
        left = divide(left, right);
      } else if (acceptSymbol("%")) {
        const Expr right = parseUnary(scope);
        rejectDateArithmetic(left, right);
        left = otherExpr("tsql_modulo(" + left.sql + ", " + right.sql + ")", arithmeticType(left.type, right.type));
      } else {
        return left;
      }
    }
  }

  // Integer operands divide as integers; a decimal, money or float operand makes the division
  // exact, even where SQLite stored the decimal value 100.0 as the integer 100.
  static Expr divide(const Expr& left, const Expr& right) {
    auto inexact = [](const TsqlType& t) {
      return t.kind == Kind::Decimal || t.kind == Kind::Money || t.kind == Kind::Float;
    };
    const bool exact = inexact(left.type) || inexact(right.type);
    TsqlType type;
    if (left.type.kind == Kind::Float || right.type.kind == Kind::Float) {
      type = TsqlType::of(Kind::Float);
    } else if (exact) {
      type = TsqlType::decimal(38, 6);
    } else if (left.type.isExact() && right.type.isExact()) {
      type = TsqlType::of(Kind::Integer);
    }
    return otherExpr("tsql_divide(" + left.sql + ", " + right.sql + ", " + (exact ? "1" : "0") + ")", type);
  }

  Expr parseUnary(Scope& scope) {
    if (!peek().isSymbol("-") && !peek().isSymbol("+") && !peek().isSymbol("~")) return parsePrimary(scope);
    const auto level = nest();
    if (acceptSymbol("-")) {
      Expr operand = parseUnary(scope);
      if (operand.form == Expr::Form::Number) {
        operand.value = "-" + operand.value;
        operand.sql = operand.value;
        return operand;
      }
      return otherExpr("-" + operand.sql, operand.type);
    }
    if (acceptSymbol("+")) return parseUnary(scope);
    expectSymbol("~");
    return otherExpr("~" + parseUnary(scope).sql, TsqlType::of(Kind::Integer));
  }

  Expr parsePrimary(Scope& scope) {
    const TsqlToken& token = peek();
    switch (token.kind) {
      case TokenKind::String: {
        advance();
        Expr e{quoteLiteral(token.text), TsqlType::text(static_cast<int>(token.text.size())), Expr::Form::String,
               token.text};
        return e;
      }
      case TokenKind::Number:
        advance();
        return Expr{token.text, numberLiteralType(token.text), Expr::Form::Number, token.text};
      case TokenKind::Variable: {
        const std::size_t variable = requireVariable(token);
        advance();
        return otherExpr("?" + std::to_string(variable + 1), variableTypes_[variable]);
      }
      case TokenKind::Symbol:
        if (token.isSymbol("(")) return parseParenthesised(scope);
        failAt(token);
      case TokenKind::End:
        failAt(token);
      case TokenKind::Name:
        if (token.isWord("NULL")) {
          advance();
          return Expr{"NULL", {}, Expr::Form::Null, {}};
        }
        if (token.isWord("CASE")) return parseCase(scope);
        if (peek(1).isSymbol("(")) return parseFunction(scope);
        if (isReserved(token)) failAt(token);
        return parseColumn(scope);
      case TokenKind::QuotedName:
        return parseColumn(scope);
    }
    failAt(token);
  }

  Expr parseParenthesised(Scope& scope) {
    auto asQuery = [&] {
      expectSymbol("(");
      const QueryResult query = parseQuery(&scope);
      expectSymbol(")");
      return otherExpr("(" + query.sql + ")", query.columns.empty() ? TsqlType{} : query.columns.front().type);
    };
    auto asExpression = [&] {
      expectSymbol("(");
      Expr inner = parseExpr(scope);
      expectSymbol(")");
      inner.sql = "(" + inner.sql + ")";
      return inner;
    };
    return queryAhead() && queryInParentheses() ? asQuery() : asExpression();
  }

  Expr parseColumn(Scope& scope) {
    const NameParts name = parseNameParts();
    const auto [qualifier, sql] = columnReference(name);
    return Expr{sql, resolveColumn(scope, qualifier, name.parts.back()), Expr::Form::Column, name.parts.back()};
  }

  Expr parseCase(Scope& scope) {
    expectWord("CASE");
    std::optional<Expr> operand;
    if (!peek().isWord("WHEN")) operand = parseExpr(scope);
    std::vector<Expr> conditions;
    std::vector<Expr> results;
    while (acceptWord("WHEN")) {
      conditions.push_back(parseExpr(scope));
      expectWord("THEN");
      results.push_back(parseExpr(scope));
    }
    if (conditions.empty()) failAt(peek());
    if (acceptWord("ELSE")) results.push_back(parseExpr(scope));
    expectWord("END");
    if (operand) harmonizeAll(*operand, conditions);
    TsqlType type;
    for (const auto& result : results) {
      if (result.form != Expr::Form::Null) type = dominantType(type, result.type);
    }
    for (const auto& result : results) {
      if (result.form != Expr::Form::Null && result.type.declaration != type.declaration) type.declaration.clear();
    }
    if (type.isNumeric()) {
      for (auto& result : results) {
        if (result.isStringLiteral()) result = toNumber(result, type);
      }
    }
    std::string sql = "CASE";
    if (operand) sql += " " + operand->sql;
    for (std::size_t i = 0; i < conditions.size(); ++i) {
      sql += " WHEN " + conditions[i].sql + " THEN " + results[i].sql;
    }
    if (results.size() > conditions.size()) sql += " ELSE " + results.back().sql;
    return otherExpr(sql + " END", type);
  }

  // ---- functions

  std::vector<Expr> parseArguments(Scope& scope) {
    expectSymbol("(");
    std::vector<Expr> arguments;
    if (acceptSymbol(")")) return arguments;
    do {
      arguments.push_back(parseExpr(scope));
    } while (acceptSymbol(","));
    expectSymbol(")");
    return arguments;
  }

  static void checkArgumentCount(const std::string& name, const std::vector<Expr>& arguments, std::size_t low,
                                 std::size_t high) {
    if (arguments.size() < low || arguments.size() > high) {
      raiseStatement("The " + name + " function requires " + std::to_string(low) +
                     (high != low ? " to " + std::to_string(high) : "") + " argument(s).");
    }
  }

  Expr parseFunction(Scope& scope) {
    const std::string written = advance().text;
    const std::string name = toLowerAscii(written);
    if (name == "cast") return parseCast(scope);
    if (name == "convert") return parseConvert(scope);
    if (name == "datediff") return parseDateDiff(scope);
    if (name == "count" || name == "sum" || name == "avg" || name == "min" || name == "max") {
      return parseAggregate(scope, name);
    }
    std::vector<Expr> args = parseArguments(scope);
    if (name == "isnull") {
      checkArgumentCount(written, args, 2, 2);
      return isNull(std::move(args[0]), std::move(args[1]));
    }
    if (name == "left") {
      checkArgumentCount(written, args, 2, 2);
      return otherExpr("substr(" + args[0].sql + ", 1, " + args[1].sql + ")", TsqlType::text());
    }
    if (name == "substring") {
      checkArgumentCount(written, args, 3, 3);
      return otherExpr("substr(" + joinSql(args) + ")", TsqlType::text());
    }
    if (name == "len") {
      checkArgumentCount(written, args, 1, 1);
      return otherExpr("len(" + args[0].sql + ")", TsqlType::declared(Kind::Integer, "int"));
    }
    if (name == "newid") {
      checkArgumentCount(written, args, 0, 0);
      return otherExpr("newid()", TsqlType::declared(Kind::Guid, "uniqueidentifier"));
    }
    if (name == "ltrim" || name == "rtrim" || name == "lower" || name == "upper") {
      checkArgumentCount(written, args, 1, 1);
      return otherExpr(name + "(" + args[0].sql + ")", TsqlType::text());
    }
    if (name == "replace") {
      checkArgumentCount(written, args, 3, 3);
      return otherExpr("replace(" + joinSql(args) + ")", TsqlType::text());
    }
    if (name == "abs" || name == "round") {
      checkArgumentCount(written, args, name == "abs" ? 1 : 2, name == "abs" ? 1 : 2);
      return otherExpr(name + "(" + joinSql(args) + ")", args[0].type);
    }
    if (name == "object_id") {
      checkArgumentCount(written, args, 1, 1);
      return otherExpr("tsql_object_id(" + args[0].sql + ")", TsqlType::declared(Kind::Integer, "int"));
    }
    if (name == "objectproperty") {
      checkArgumentCount(written, args, 2, 2);
      if (!args[1].isStringLiteral() || !equalsIgnoringCase(args[1].value, "IsUserTable")) {
        raiseUnsupported("OBJECTPROPERTY other than IsUserTable");
      }
      return otherExpr("tsql_is_user_table(" + args[0].sql + ")", TsqlType::declared(Kind::Integer, "int"));
    }
    if (name == "coalesce" || name == "nullif") {
      checkArgumentCount(written, args, 2, name == "nullif" ? 2 : 64);
      TsqlType type = args[0].type;
      for (const auto& arg : args) {
        if (arg.form != Expr::Form::Null && arg.type.declaration != type.declaration) type.declaration.clear();
      }
      return otherExpr(name + "(" + joinSql(args) + ")", type);
    }
    raiseStatement("'" + written + "' is not a recognized built-in function name.");
  }

  Expr parseAggregate(Scope& scope, const std::string& name) {
    expectSymbol("(");
    std::string prefix;
    if (acceptWord("DISTINCT")) {
      prefix = "DISTINCT ";
    } else {
      acceptWord("ALL");
    }
    if (name == "count" && prefix.empty() && acceptSymbol("*")) {
      expectSymbol(")");
      return otherExpr("count(*)", TsqlType::declared(Kind::Integer, "int"));
    }
    const Expr argument = parseExpr(scope);
    expectSymbol(")");
    TsqlType type = argument.type;
    if (name == "count") {
      type = TsqlType::declared(Kind::Integer, "int");
    } else if (name == "sum" && type.kind == Kind::Decimal) {
      type = TsqlType::decimal(38, type.scale);
    } else if (name == "sum" && type.kind == Kind::Bit) {
      type = TsqlType::of(Kind::Integer);
    }
    return otherExpr(name + "(" + prefix + argument.sql + ")", type);
  }

  // ISNULL answers the type of its first argument; a literal replacement is converted to it.
  static Expr isNull(Expr value, Expr replacement) {
    if (value.type.isNumeric() && replacement.isStringLiteral()) {
      replacement = toNumber(replacement, value.type);
    } else if (value.type.kind == Kind::Date && replacement.isStringLiteral()) {
      replacement = dateLiteral(replacement);
    } else if (value.type.isText() && replacement.form == Expr::Form::Number) {
      replacement = Expr{quoteLiteral(replacement.value), TsqlType::text(), Expr::Form::String, replacement.value};
    }
    const TsqlType type = value.type.isKnown() ? value.type : replacement.type;
    return otherExpr("ifnull(" + value.sql + ", " + replacement.sql + ")", type);
  }

  Expr parseDateDiff(Scope& scope) {
    expectSymbol("(");
    const TsqlToken& unit = advance();
    if (!isNameToken(unit)) failAt(unit);
    const std::string unitName = toLowerAscii(unit.text);
    if (unitName != "day" && unitName != "dd" && unitName != "d") raiseUnsupported("DATEDIFF by " + unit.text);
    expectSymbol(",");
    const Expr from = parseExpr(scope);
    expectSymbol(",");
    const Expr to = parseExpr(scope);
    expectSymbol(")");
    return otherExpr("tsql_datediff(" + from.sql + ", " + to.sql + ")", TsqlType::declared(Kind::Integer, "int"));
  }

  // A type as CAST and CONVERT write it: `int`, `decimal(18, 2)`, `[varchar] (10)`, `varchar(max)`.
  TsqlType parseTypeName(std::string& written) {
    const TsqlToken& name = advance();
    if (!isNameToken(name)) failAt(name);
    written = toLowerAscii(name.text);
    std::string declared = written;
    std::string declaration = written;
    const bool sized = peek().isSymbol("(");
    if (acceptSymbol("(")) {
      if (acceptWord("MAX")) {
        declared += "(0)";
        declaration += "(max)";
      } else {
        declared += "(" + std::to_string(expectTypeSize(name.text));
        if (acceptSymbol(",")) declared += "," + std::to_string(expectTypeSize(name.text));
        declared += ")";
        declaration = declared;
      }
      expectSymbol(")");
    }
    TsqlType type = parseDeclaredType(declared);
    if (type.kind == Kind::Text && !sized) {  // CAST and CONVERT default
      type.length = 30;
      declaration += "(30)";
    }
    type.declaration = std::move(declaration);
    if (!type.isKnown() || written == "char" || written == "nchar" || written == "bit" || type.kind == Kind::Guid) {
      raiseUnsupported("Conversion to " + name.text);
    }
    return type;
  }

  Expr parseCast(Scope& scope) {
    expectSymbol("(");
    const Expr value = parseExpr(scope);
    expectWord("AS");
    std::string written;
    const TsqlType target = parseTypeName(written);
    expectSymbol(")");
    return convertTo(target, written, value, std::nullopt);
  }

  Expr parseConvert(Scope& scope) {
    expectSymbol("(");
    std::string written;
    const TsqlType target = parseTypeName(written);
    expectSymbol(",");
    const Expr value = parseExpr(scope);
    std::optional<long> style;
    if (acceptSymbol(",")) style = expectInteger();
    expectSymbol(")");
    return convertTo(target, written, value, style);
  }

  static Expr convertTo(const TsqlType& target, const std::string& written, const Expr& value,
                        std::optional<long> style) {
    switch (target.kind) {
      case Kind::Integer:
        return otherExpr("tsql_int(" + value.sql + ")", target);
      case Kind::Decimal:
        return otherExpr("tsql_decimal(" + value.sql + ", " + std::to_string(target.precision) + ", " +
                             std::to_string(target.scale) + ")",
                         target);
      case Kind::Money:
        return otherExpr("tsql_money(" + value.sql + ")", target);
      case Kind::Float:
        return otherExpr("tsql_float(" + value.sql + ")", target);
      case Kind::Date:
        return otherExpr("tsql_datetime(" + value.sql + ")", target);
      case Kind::Text:
        return toText(target, value, style);
      default:
        raiseUnsupported("Conversion to " + written);
    }
  }

  // tsql_varchar(value, length, style, how, scale): `how` says how the source's value reads as
  // text: 0 as stored, 1 as a date, 2 with `scale` decimals, 3 as a GUID, 4 as a whole number.
  static Expr toText(const TsqlType& target, const Expr& value, std::optional<long> style) {
    int how = 0;
    int scale = 0;
    switch (value.type.kind) {
      case Kind::Date: how = 1; break;
      case Kind::Decimal: how = 2; scale = value.type.scale; break;
      case Kind::Money: how = 2; scale = 2; break;
      case Kind::Guid: how = 3; break;
      case Kind::Integer:
      case Kind::Bit: how = 4; break;
      case Kind::Unknown: how = style ? 1 : 0; break;
      default: break;
    }
    if (style && *style != 0 && *style != 100 && *style != 120 && how == 1) {
      raiseUnsupported("CONVERT style " + std::to_string(*style));
    }
    const int length = target.length;  // 0: varchar(max)
    return otherExpr("tsql_varchar(" + value.sql + ", " + std::to_string(length) + ", " +
                         std::to_string(style.value_or(0)) + ", " + std::to_string(how) + ", " +
                         std::to_string(scale) + ")",
                     target);
  }

  // ---- conversions SQL Server makes implicitly

  // A text that meets a number becomes a number; a text literal is converted here when it
  // reads as one ('' reads as 0), anything else converts when run (and fails there as SQL
  // Server's conversion does).
  static Expr toNumber(const Expr& value, const TsqlType& type) {
    if (value.isStringLiteral()) {
      const std::string text = trimBlanks(value.value);
      if (text.empty()) return Expr{"0", TsqlType::of(Kind::Integer), Expr::Form::Number, "0"};
      if (isDecimalText(text)) return Expr{text, numberLiteralType(text), Expr::Form::Number, text};
    }
    return otherExpr("tsql_number(" + value.sql + ")", type);
  }

  // A text literal that meets a date becomes the stored form of that date.
  static Expr dateLiteral(const Expr& value) {
    const std::string text = trimBlanks(value.value);
    if (text.empty()) return otherExpr("'1900-01-01 00:00:00'", TsqlType::of(Kind::Date));
    if (const auto date = DateTime::parse(text)) {
      return otherExpr(quoteLiteral(date->toSqlString()), TsqlType::of(Kind::Date));
    }
    return otherExpr("tsql_datetime(" + value.sql + ")", TsqlType::of(Kind::Date));
  }

  // Makes two compared operands comparable the way SQL Server converts them.
  static void harmonize(Expr& left, Expr& right) {
    convertFor(left, right);
    convertFor(right, left);
  }

  static void convertFor(const Expr& other, Expr& value) {
    if (other.type.kind == Kind::Date && value.isStringLiteral()) {
      value = dateLiteral(value);
    } else if (other.type.isNumeric() && value.type.isText()) {
      value = toNumber(value, other.type);
    }
  }

  // One operand against several (IN lists, simple CASE): a text operand that meets a number
  // becomes a number once.
  static void harmonizeAll(Expr& operand, std::vector<Expr>& others) {
    for (const auto& other : others) {
      if (operand.type.isText() && other.type.isNumeric()) {
        operand = toNumber(operand, other.type);
        break;
      }
    }
    for (auto& other : others) convertFor(operand, other);
  }

  // A value written into a column takes the column's type, as SQL Server converts it.
  static Expr coerceToColumn(Expr value, const TsqlType& column) {
    if (value.form == Expr::Form::Null) return value;
    switch (column.kind) {
      case Kind::Date:
        if (value.type.kind == Kind::Date) return value;
        if (value.isStringLiteral()) return dateLiteral(value);
        return otherExpr("tsql_datetime(" + value.sql + ")", column);
      // Amounts are rounded to the column's scale, so arithmetic on them cannot leave binary
      // fractions behind; a column of the same type is copied as it is.
      case Kind::Decimal:
        if (value.form == Expr::Form::Column && value.type.kind == Kind::Decimal &&
            value.type.scale <= column.scale &&
            value.type.precision - value.type.scale <= column.precision - column.scale) {
          return value;
        }
        return otherExpr("tsql_decimal(" + value.sql + ", " + std::to_string(column.precision) + ", " +
                             std::to_string(column.scale) + ")",
                         column);
      case Kind::Money:
        if (value.form == Expr::Form::Column && value.type.kind == Kind::Money) return value;
        return otherExpr("tsql_money(" + value.sql + ")", column);
      case Kind::Integer:
      case Kind::Bit:
      case Kind::Float:
        return value.type.isText() ? toNumber(value, column) : value;
      case Kind::Text:
        if (value.form == Expr::Form::Number) {
          return Expr{quoteLiteral(value.value), column, Expr::Form::String, value.value};
        }
        return value;
      default:
        return value;
    }
  }

  // ---- helpers

  static std::string join(const std::vector<std::string>& items, std::string_view separator) {
    std::string out;
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (i > 0) out += separator;
      out += items[i];
    }
    return out;
  }

  static std::string joinSql(const std::vector<Expr>& items) {
    std::vector<std::string> sql;
    for (const auto& item : items) sql.push_back(item.sql);
    return join(sql, ", ");
  }

  TsqlCatalog catalog_;
  std::vector<TsqlToken> tokens_;
  std::vector<std::size_t> closings_;
  std::size_t pos_ = 0;
  int depth_ = 0;  // nesting levels open
  std::vector<ProgramStep> steps_;
  std::vector<ProgramVariable> variables_;
  std::vector<TsqlType> variableTypes_;
  bool statementStart_ = false;             // the next SELECT starts a statement
  std::vector<std::size_t> assignments_;    // SELECT @v = ...: the variables, in column order
  std::optional<TableName> into_;           // SELECT ... INTO t
};

}  // namespace

Program translateTsql(sqlite3* db, std::string_view tsql, CatalogMemo* memo) {
  return Parser(db, tsql, memo).translate();
}

}  // namespace corvane::db
