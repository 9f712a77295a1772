#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/tsql/Parser.h"
#include "platform/tsql/SqlLiteral.h"

namespace corvane::db::parser {

TsqlType numberLiteralType(std::string_view text) {
  if (text.find_first_of("eE") != std::string_view::npos) return TsqlType::of(Kind::Float);
  const auto point = text.find('.');
  if (point == std::string_view::npos) return TsqlType::of(Kind::Integer);
  const int scale = static_cast<int>(text.size() - point - 1);
  return TsqlType::decimal(std::max(static_cast<int>(text.size()) - 1, scale), scale);
}

Expr Parser::parseExpr(Scope& scope) {
  const auto level = nest();
  Expr left = parseAnd(scope);
  while (acceptWord("OR")) left = otherExpr(left.sql + " OR " + parseAnd(scope).sql);
  return left;
}

Expr Parser::parseAnd(Scope& scope) {
  Expr left = parseNot(scope);
  while (acceptWord("AND")) left = otherExpr(left.sql + " AND " + parseNot(scope).sql);
  return left;
}

Expr Parser::parseNot(Scope& scope) {
  if (acceptWord("NOT")) {
    const auto level = nest();
    return otherExpr("NOT " + parseNot(scope).sql);
  }
  return parsePredicate(scope);
}

Expr Parser::parsePredicate(Scope& scope) {
  if (acceptWord("EXISTS")) {
    expectSymbol("(");
    const QueryResult query = parseQuery(&scope);
    expectSymbol(")");
    return otherExpr("EXISTS (" + query.sql + ")");
  }
  const std::size_t leftStart = pos_;
  Expr left = parseAdditive(scope);
  const std::size_t leftEnd = pos_;
  static constexpr std::array<std::string_view, 7> kComparisons = {"=", "<>", "!=", "<", ">", "<=", ">="};
  for (const auto op : kComparisons) {
    if (acceptSymbol(op)) {
      Expr right = parseAdditive(scope);
      harmonize(left, right);
      return otherExpr(left.sql + " " + std::string(op) + " " + right.sql);
    }
  }
  if (peek().isSymbol("!<") || peek().isSymbol("!>")) raiseUnsupported("The operator '" + peek().text + "'");
  const bool negated =
      (peek(1).isWord("BETWEEN") || peek(1).isWord("IN") || peek(1).isWord("LIKE")) && acceptWord("NOT");
  const std::string not_ = negated ? "NOT " : "";
  if (acceptWord("BETWEEN")) {
    Expr low = parseAdditive(scope);
    expectWord("AND");
    Expr high = parseAdditive(scope);
    harmonize(left, low);
    harmonize(left, high);
    return otherExpr(left.sql + " " + not_ + "BETWEEN " + low.sql + " AND " + high.sql);
  }
  if (acceptWord("IN")) {
    const bool repeatable = left.form == Expr::Form::Column || isNullOfColumnAt(leftStart, leftEnd);
    return parseIn(scope, left, not_, repeatable && !negated);
  }
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

// Whether the tokens from `start` to `end` read ISNULL(column, literal): an operand that can be
// read again for each value it is compared with, at no cost and with the same answer.
bool Parser::isNullOfColumnAt(std::size_t start, std::size_t end) const {
  if (!tokens_[start].isWord("ISNULL") || !tokens_[start + 1].isSymbol("(") || closings_[start + 1] + 1 != end) {
    return false;
  }
  std::size_t at = start + 2;
  while (isNameToken(tokens_[at]) && tokens_[at + 1].isSymbol(".")) at += 2;
  if (!isNameToken(tokens_[at]) || !tokens_[at + 1].isSymbol(",")) return false;
  const TokenKind replacement = tokens_[at + 2].kind;
  return (replacement == TokenKind::String || replacement == TokenKind::Number) && at + 4 == end;
}

// The number of `SELECT literal` members of the UNION in the parentheses here, when that is all
// they hold; 0 otherwise.
std::size_t Parser::literalUnionAhead() const {
  const std::size_t close = closings_[pos_];
  if (close == kUnclosed) return 0;
  std::size_t members = 0;
  for (std::size_t at = pos_ + 1; at < close; at += 2) {
    if (members > 0) {
      if (!tokens_[at].isWord("UNION")) return 0;
      if (tokens_[at + 1].isWord("ALL")) ++at;
      ++at;
    }
    if (!tokens_[at].isWord("SELECT") || tokens_[at + 1].kind != TokenKind::String) return 0;
    ++members;
  }
  return members;
}

// SQLite compares `x IN (a, b, c)` with a list of three values or more, and any `x IN (SELECT
// ...)`, through a temporary b-tree it builds for each run of the statement. A short list of
// literals, and a union of selected texts, compared with a column (or ISNULL of one) is written
// as `x = a OR x = b ...` instead: the same answer (NULL where no value matches and x or a value
// is NULL, as SQLite compares an IN list value by value with the operand's affinity and
// collation), without the b-tree. SQLite still reads an indexed column's ORs as one IN lookup.
// NOT IN is kept as written.
Expr Parser::parseIn(Scope& scope, Expr& left, const std::string& not_, bool repeatable) {
  constexpr std::size_t kMostComparisons = 8;
  if (queryAhead() && queryInParentheses()) {
    const std::size_t members = literalUnionAhead();
    if (repeatable && members > 0 && members <= kMostComparisons) return anyEqual(left, parseLiteralUnion(scope));
    expectSymbol("(");
    const std::string sql = parseQuery(&scope).sql;
    expectSymbol(")");
    return otherExpr(left.sql + " " + not_ + "IN (" + sql + ")");
  }
  expectSymbol("(");
  std::vector<Expr> items;
  do {
    items.push_back(parseExpr(scope));
  } while (acceptSymbol(","));
  expectSymbol(")");
  const bool literals = std::ranges::all_of(items, [](const Expr& item) {
    return item.form == Expr::Form::String || item.form == Expr::Form::Number || item.form == Expr::Form::Null;
  });
  harmonizeAll(left, items);
  if (repeatable && literals && items.size() >= 3 && items.size() <= kMostComparisons) return anyEqual(left, items);
  return otherExpr(left.sql + " " + not_ + "IN (" + joinSql(items) + ")");
}

// The literals of a union that literalUnionAhead counted.
std::vector<Expr> Parser::parseLiteralUnion(Scope& scope) {
  std::vector<Expr> values;
  expectSymbol("(");
  do {
    acceptWord("ALL");  // after UNION
    expectWord("SELECT");
    values.push_back(parsePrimary(scope));
  } while (acceptWord("UNION"));
  expectSymbol(")");
  return values;
}

Expr Parser::anyEqual(const Expr& left, const std::vector<Expr>& values) {
  std::string sql;
  for (const Expr& value : values) sql += (sql.empty() ? "(" : " OR ") + left.sql + " = " + value.sql;
  return otherExpr(sql + ")");
}

Expr Parser::parseAdditive(Scope& scope) {
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

void Parser::rejectDateArithmetic(const Expr& left, const Expr& right) {
  if (left.type.kind == Kind::Date || right.type.kind == Kind::Date) raiseUnsupported("Arithmetic on dates");
}

// `+` adds numbers and joins texts; when the translator cannot tell, tsql_add decides per
// value the way SQL Server's type precedence does.
Expr Parser::plus(Expr left, Expr right) {
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

Expr Parser::parseMultiplicative(Scope& scope) {
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
Expr Parser::divide(const Expr& left, const Expr& right) {
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

Expr Parser::parseUnary(Scope& scope) {
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

Expr Parser::parsePrimary(Scope& scope) {
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
    case TokenKind::End: failAt(token);
    case TokenKind::Name:
      if (token.isWord("NULL")) {
        advance();
        return Expr{"NULL", {}, Expr::Form::Null, {}};
      }
      if (token.isWord("CASE")) return parseCase(scope);
      if (peek(1).isSymbol("(")) return parseFunction(scope);
      if (isReserved(token)) failAt(token);
      return parseColumn(scope);
    case TokenKind::QuotedName: return parseColumn(scope);
  }
  failAt(token);
}

Expr Parser::parseParenthesised(Scope& scope) {
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

Expr Parser::parseColumn(Scope& scope) {
  const NameParts name = parseNameParts();
  const auto [qualifier, sql] = columnReference(name);
  return Expr{sql, resolveColumn(scope, qualifier, name.parts.back()), Expr::Form::Column, name.parts.back()};
}

Expr Parser::parseCase(Scope& scope) {
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

}  // namespace corvane::db::parser
