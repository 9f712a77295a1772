#pragma once
// For the T-SQL parser's own files only: the parser and what its parts share. One cursor reads
// the tokens (here and in TsqlParser.cpp, with the statement dispatch); each kind of text has
// its file: statements (ParseStatements.cpp), queries with their FROM and joins
// (ParseQueries.cpp), names of tables and columns (ParseNames.cpp), expressions
// (ParseExpressions.cpp), built-in functions (ParseFunctions.cpp), and types with CAST, CONVERT
// and the conversions SQL Server makes implicitly (ParseTypes.cpp).

#include <sqlite3.h>

#include <algorithm>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/tsql/Program.h"
#include "platform/tsql/TsqlCatalog.h"
#include "platform/tsql/TsqlLexer.h"
#include "platform/tsql/TsqlType.h"

namespace corvane::db::parser {

using Kind = TsqlType::Kind;
using TokenKind = TsqlToken::Kind;

[[noreturn]] void raiseStatement(std::string text);
[[noreturn]] void raiseUnsupported(const std::string& what);

// Counts one level of nesting for as long as it lives; raises past kMaxNesting.
class NestingLevel {
 public:
  explicit NestingLevel(int& depth);
  ~NestingLevel() { --depth_; }
  NestingLevel(const NestingLevel&) = delete;
  NestingLevel& operator=(const NestingLevel&) = delete;

 private:
  int& depth_;
};

bool isReserved(const TsqlToken& token);

inline bool isNameToken(const TsqlToken& token) {
  return token.kind == TokenKind::Name || token.kind == TokenKind::QuotedName;
}

std::string sqliteName(const std::string& name, bool quoted);

TsqlType numberLiteralType(std::string_view text);

// An expression translated: its SQLite text and what the translator knows about it.
struct Expr {
  enum class Form { Other, String, Number, Null, Column };
  std::string sql;
  TsqlType type;
  Form form = Form::Other;
  std::string value;  // String and Number: the literal; Column: the column's name

  bool isStringLiteral() const { return form == Form::String; }
};

inline Expr otherExpr(std::string sql, TsqlType type = {}) { return Expr{std::move(sql), type, Expr::Form::Other, {}}; }

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

  std::string sql() const { return (schema.empty() ? "" : sqliteName(schema, false) + ".") + sqliteName(name, quoted); }
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

  Program translate();

 private:
  // ---- the token cursor
  const TsqlToken& peek(std::size_t ahead = 0) const { return tokens_[std::min(pos_ + ahead, tokens_.size() - 1)]; }
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
  NestingLevel nest() { return NestingLevel(depth_); }

  static constexpr std::size_t kUnclosed = static_cast<std::size_t>(-1);

  // ---- the cursor's longer reads and the statement dispatch (TsqlParser.cpp)
  long expectInteger();
  long expectTypeSize(const std::string& type);
  bool queryAhead() const;
  bool queryInParentheses() const;
  static std::vector<std::size_t> matchParentheses(const std::vector<TsqlToken>& tokens);
  void addExecute(std::string sql, bool countsChanges);
  std::size_t addStep(ProgramStep::Kind kind, std::string sql);
  void parseStatement();
  static std::string join(const std::vector<std::string>& items, std::string_view separator);
  static std::string joinSql(const std::vector<Expr>& items);

  // ---- statements (ParseStatements.cpp)
  void parseSelectStatement();
  void addSelectInto(const TableName& table, const QueryResult& query);
  void parseIf();
  void parseBody();
  void parseBlock();
  void parseDeclare();
  std::optional<std::size_t> findVariable(const std::string& name) const;
  std::size_t requireVariable(const TsqlToken& token) const;
  void parseSet();
  void parseCreateTable();
  std::string parseColumnDefinition(std::vector<TsqlColumn>& columns);
  std::string parseKeyConstraint(const std::optional<std::string>& column);
  void parseDropTable();
  void parseUse();
  std::string parseInsert();
  static std::string insertQuery(const std::string& insert, const QueryResult& query,
                                 const std::vector<TsqlType>& targets);
  std::string parseValueRow(const std::vector<TsqlType>& targets);
  std::string parseUpdate();
  std::string parseDelete();
  std::string parseWhere(Scope& scope);

  // ---- queries: SELECT, its clauses, FROM and joins (ParseQueries.cpp)
  struct Member {
    std::string sql;
    std::string top;  // the member's TOP n, applied as LIMIT
    std::unique_ptr<Scope> scope;
    std::vector<Column> columns;
  };

  QueryResult parseQuery(Scope* outer);
  std::string parseOffsetFetch(bool hasTop);
  Member parseMember(Scope* outer);
  Member parseQuerySpec(Scope* outer);
  std::string parseTop();
  void skipSelectList();
  std::string parseSelectList(Scope& scope, std::vector<Column>& columns, bool statementLevel);
  std::string parseAssignment(Scope& scope);
  bool qualifiedStarAhead() const;
  std::string parseQualifiedStar(Scope& scope, std::vector<Column>& columns);
  std::optional<std::string> parseAlias();
  std::string parseOrderBy(Scope& scope);
  std::string parseExprList(Scope& scope);
  std::string parseFrom(Scope& scope);
  std::string parseJoinedTable(Scope& scope);
  std::string parseJoinRight(Scope& scope);
  std::optional<std::string> acceptJoinType();
  std::string parseTablePrimary(Scope& scope);
  static std::string catalogTable(const std::string& schema, const std::string& alias, Scope& scope);
  std::string parseDerivedTable(Scope& scope);
  std::string parseParenthesisedJoin(Scope& scope);
  Source tableSource(const TableName& table, std::string alias) const;
  void load(Source& source);
  void appendColumns(Source& source, std::vector<Column>& columns);

  // ---- names of tables and columns (ParseNames.cpp)
  NameParts parseNameParts();
  TableName parseTableName();
  void checkSchema(const std::string& schema, std::size_t start) const;
  std::pair<std::vector<std::string>, std::string> columnReference(const NameParts& name) const;
  TsqlType resolveColumn(Scope& scope, const std::vector<std::string>& qualifier, const std::string& name);
  static TsqlType columnType(const std::vector<TsqlColumn>& columns, const std::string& name);

  // ---- expressions (ParseExpressions.cpp)
  Expr parseExpr(Scope& scope);
  Expr parseAnd(Scope& scope);
  Expr parseNot(Scope& scope);
  Expr parsePredicate(Scope& scope);
  bool isNullOfColumnAt(std::size_t start, std::size_t end) const;
  std::size_t literalUnionAhead() const;
  Expr parseIn(Scope& scope, Expr& left, const std::string& not_, bool repeatable);
  std::vector<Expr> parseLiteralUnion(Scope& scope);
  static Expr anyEqual(const Expr& left, const std::vector<Expr>& values);
  Expr parseAdditive(Scope& scope);
  static void rejectDateArithmetic(const Expr& left, const Expr& right);
  static Expr plus(Expr left, Expr right);
  Expr parseMultiplicative(Scope& scope);
  static Expr divide(const Expr& left, const Expr& right);
  Expr parseUnary(Scope& scope);
  Expr parsePrimary(Scope& scope);
  Expr parseParenthesised(Scope& scope);
  Expr parseColumn(Scope& scope);
  Expr parseCase(Scope& scope);

  // ---- built-in functions (ParseFunctions.cpp)
  std::vector<Expr> parseArguments(Scope& scope);
  static void checkArgumentCount(const std::string& name, const std::vector<Expr>& arguments, std::size_t low,
                                 std::size_t high);
  Expr parseFunction(Scope& scope);
  Expr parseAggregate(Scope& scope, const std::string& name);
  static Expr isNull(Expr value, Expr replacement);
  Expr parseDateDiff(Scope& scope);

  // ---- types, CAST and CONVERT, and the conversions SQL Server makes implicitly (ParseTypes.cpp)
  static std::string declaredTypeText(const TsqlType& type);
  TsqlType parseDeclaredTypeName(std::string* text = nullptr);
  TsqlType parseTypeName(std::string& written);
  Expr parseCast(Scope& scope);
  Expr parseConvert(Scope& scope);
  static Expr convertTo(const TsqlType& target, const std::string& written, const Expr& value,
                        std::optional<long> style);
  static Expr toText(const TsqlType& target, const Expr& value, std::optional<long> style);
  static Expr toNumber(const Expr& value, const TsqlType& type);
  static Expr dateLiteral(const Expr& value);
  static void harmonize(Expr& left, Expr& right);
  static void convertFor(const Expr& other, Expr& value);
  static void harmonizeAll(Expr& operand, std::vector<Expr>& others);
  static Expr coerceToColumn(Expr value, const TsqlType& column);

  TsqlCatalog catalog_;
  std::vector<TsqlToken> tokens_;
  std::vector<std::size_t> closings_;
  std::size_t pos_ = 0;
  int depth_ = 0;  // nesting levels open
  std::vector<ProgramStep> steps_;
  std::vector<ProgramVariable> variables_;
  std::vector<TsqlType> variableTypes_;
  bool statementStart_ = false;           // the next SELECT starts a statement
  std::vector<std::size_t> assignments_;  // SELECT @v = ...: the variables, in column order
  std::optional<TableName> into_;         // SELECT ... INTO t
};

}  // namespace corvane::db::parser
