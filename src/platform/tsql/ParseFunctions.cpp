#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "platform/com/AsciiText.h"
#include "platform/tsql/Parser.h"
#include "platform/tsql/SqlLiteral.h"

namespace corvane::db::parser {

std::vector<Expr> Parser::parseArguments(Scope& scope) {
  expectSymbol("(");
  std::vector<Expr> arguments;
  if (acceptSymbol(")")) return arguments;
  do {
    arguments.push_back(parseExpr(scope));
  } while (acceptSymbol(","));
  expectSymbol(")");
  return arguments;
}

void Parser::checkArgumentCount(const std::string& name, const std::vector<Expr>& arguments, std::size_t low,
                                std::size_t high) {
  if (arguments.size() < low || arguments.size() > high) {
    raiseStatement("The " + name + " function requires " + std::to_string(low) +
                   (high != low ? " to " + std::to_string(high) : "") + " argument(s).");
  }
}

Expr Parser::parseFunction(Scope& scope) {
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

Expr Parser::parseAggregate(Scope& scope, const std::string& name) {
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
Expr Parser::isNull(Expr value, Expr replacement) {
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

Expr Parser::parseDateDiff(Scope& scope) {
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

}  // namespace corvane::db::parser
