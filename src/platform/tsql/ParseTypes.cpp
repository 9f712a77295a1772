#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/com/AsciiText.h"
#include "platform/com/DecimalText.h"
#include "platform/com/Variant.h"
#include "platform/tsql/Parser.h"
#include "platform/tsql/SqlLiteral.h"

namespace corvane::db::parser {

namespace {

std::string trimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return std::string(text.substr(first, last - first + 1));
}

}  // namespace

std::string Parser::declaredTypeText(const TsqlType& type) {
  switch (type.kind) {
    case Kind::Integer: return " int";
    case Kind::Bit: return " bit";
    case Kind::Decimal: return " decimal(" + std::to_string(type.precision) + "," + std::to_string(type.scale) + ")";
    case Kind::Money: return " money";
    case Kind::Float: return " float";
    case Kind::Date: return " datetime";
    case Kind::Text:
    case Kind::Guid:
      return " nvarchar(" + (type.length > 0 ? std::to_string(type.length) : std::string("4000")) + ") COLLATE NOCASE";
    case Kind::Unknown: return "";
  }
  return "";
}

// A type as DECLARE and CREATE TABLE write it; answers the type and its text for SQLite.
TsqlType Parser::parseDeclaredTypeName(std::string* text) {
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

// A type as CAST and CONVERT write it: `int`, `decimal(18, 2)`, `[varchar] (10)`, `varchar(max)`.
TsqlType Parser::parseTypeName(std::string& written) {
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

Expr Parser::parseCast(Scope& scope) {
  expectSymbol("(");
  const Expr value = parseExpr(scope);
  expectWord("AS");
  std::string written;
  const TsqlType target = parseTypeName(written);
  expectSymbol(")");
  return convertTo(target, written, value, std::nullopt);
}

Expr Parser::parseConvert(Scope& scope) {
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

Expr Parser::convertTo(const TsqlType& target, const std::string& written, const Expr& value,
                       std::optional<long> style) {
  switch (target.kind) {
    case Kind::Integer: return otherExpr("tsql_int(" + value.sql + ")", target);
    case Kind::Decimal:
      return otherExpr("tsql_decimal(" + value.sql + ", " + std::to_string(target.precision) + ", " +
                           std::to_string(target.scale) + ")",
                       target);
    case Kind::Money: return otherExpr("tsql_money(" + value.sql + ")", target);
    case Kind::Float: return otherExpr("tsql_float(" + value.sql + ")", target);
    case Kind::Date: return otherExpr("tsql_datetime(" + value.sql + ")", target);
    case Kind::Text: return toText(target, value, style);
    default: raiseUnsupported("Conversion to " + written);
  }
}

// tsql_varchar(value, length, style, how, scale): `how` says how the source's value reads as
// text: 0 as stored, 1 as a date, 2 with `scale` decimals, 3 as a GUID, 4 as a whole number.
Expr Parser::toText(const TsqlType& target, const Expr& value, std::optional<long> style) {
  int how = 0;
  int scale = 0;
  switch (value.type.kind) {
    case Kind::Date: how = 1; break;
    case Kind::Decimal:
      how = 2;
      scale = value.type.scale;
      break;
    case Kind::Money:
      how = 2;
      scale = 2;
      break;
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
                       std::to_string(style.value_or(0)) + ", " + std::to_string(how) + ", " + std::to_string(scale) +
                       ")",
                   target);
}

// A text that meets a number becomes a number; a text literal is converted here when it
// reads as one ('' reads as 0), anything else converts when run (and fails there as SQL
// Server's conversion does).
Expr Parser::toNumber(const Expr& value, const TsqlType& type) {
  if (value.isStringLiteral()) {
    const std::string text = trimBlanks(value.value);
    if (text.empty()) return Expr{"0", TsqlType::of(Kind::Integer), Expr::Form::Number, "0"};
    if (isDecimalText(text)) return Expr{text, numberLiteralType(text), Expr::Form::Number, text};
  }
  return otherExpr("tsql_number(" + value.sql + ")", type);
}

// A text literal that meets a date becomes the stored form of that date.
Expr Parser::dateLiteral(const Expr& value) {
  const std::string text = trimBlanks(value.value);
  if (text.empty()) return otherExpr("'1900-01-01 00:00:00'", TsqlType::of(Kind::Date));
  if (const auto date = DateTime::parse(text)) {
    return otherExpr(quoteLiteral(date->toSqlString()), TsqlType::of(Kind::Date));
  }
  return otherExpr("tsql_datetime(" + value.sql + ")", TsqlType::of(Kind::Date));
}

// Makes two compared operands comparable the way SQL Server converts them.
void Parser::harmonize(Expr& left, Expr& right) {
  convertFor(left, right);
  convertFor(right, left);
}

void Parser::convertFor(const Expr& other, Expr& value) {
  if (other.type.kind == Kind::Date && value.isStringLiteral()) {
    value = dateLiteral(value);
  } else if (other.type.isNumeric() && value.type.isText()) {
    value = toNumber(value, other.type);
  }
}

// One operand against several (IN lists, simple CASE): a text operand that meets a number
// becomes a number once.
void Parser::harmonizeAll(Expr& operand, std::vector<Expr>& others) {
  for (const auto& other : others) {
    if (operand.type.isText() && other.type.isNumeric()) {
      operand = toNumber(operand, other.type);
      break;
    }
  }
  for (auto& other : others) convertFor(operand, other);
}

// A value written into a column takes the column's type, as SQL Server converts it.
Expr Parser::coerceToColumn(Expr value, const TsqlType& column) {
  if (value.form == Expr::Form::Null) return value;
  switch (column.kind) {
    case Kind::Date:
      if (value.type.kind == Kind::Date) return value;
      if (value.isStringLiteral()) return dateLiteral(value);
      return otherExpr("tsql_datetime(" + value.sql + ")", column);
    // Amounts are rounded to the column's scale, so arithmetic on them cannot leave binary
    // fractions behind; a column of the same type is copied as it is.
    case Kind::Decimal:
      if (value.form == Expr::Form::Column && value.type.kind == Kind::Decimal && value.type.scale <= column.scale &&
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
    case Kind::Float: return value.type.isText() ? toNumber(value, column) : value;
    case Kind::Text:
      if (value.form == Expr::Form::Number) {
        return Expr{quoteLiteral(value.value), column, Expr::Form::String, value.value};
      }
      return value;
    default: return value;
  }
}

}  // namespace corvane::db::parser
