#include "platform/tsql/TsqlType.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string>
#include <utility>

namespace corvane::db {

namespace {

using Kind = TsqlType::Kind;

// Lower-cased type name and the numbers in its parentheses.
struct TypeWords {
  std::string name;
  int first = 0;
  int second = 0;
  bool hasFirst = false;
};

TypeWords splitDeclared(std::string_view declared) {
  TypeWords words;
  std::size_t i = 0;
  auto skip = [&] {
    while (i < declared.size() && (std::isspace(static_cast<unsigned char>(declared[i])) || declared[i] == '[' ||
                                   declared[i] == ']' || declared[i] == '"')) {
      ++i;
    }
  };
  skip();
  while (i < declared.size() && (std::isalnum(static_cast<unsigned char>(declared[i])) || declared[i] == '_')) {
    words.name += static_cast<char>(std::tolower(static_cast<unsigned char>(declared[i++])));
  }
  skip();
  if (i < declared.size() && declared[i] == '(') {
    ++i;
    auto readNumber = [&](int& out) {
      skip();
      const auto [end, ec] = std::from_chars(declared.data() + i, declared.data() + declared.size(), out);
      if (ec != std::errc()) return false;
      i = static_cast<std::size_t>(end - declared.data());
      skip();
      return true;
    };
    words.hasFirst = readNumber(words.first);
    if (words.hasFirst && i < declared.size() && declared[i] == ',') {
      ++i;
      readNumber(words.second);
    }
  }
  return words;
}

int rank(Kind kind) {
  switch (kind) {
    case Kind::Date: return 7;
    case Kind::Float: return 6;
    case Kind::Decimal: return 5;
    case Kind::Money: return 4;
    case Kind::Integer: return 3;
    case Kind::Bit: return 2;
    case Kind::Guid: return 1;
    case Kind::Text: return 0;
    case Kind::Unknown: return -1;
  }
  return -1;
}

}  // namespace

TsqlType parseDeclaredType(std::string_view declared) {
  const TypeWords words = splitDeclared(declared);
  const std::string& n = words.name;
  if (n == "int" || n == "integer" || n == "smallint" || n == "tinyint" || n == "bigint")
    return TsqlType::of(Kind::Integer);
  if (n == "bit") return TsqlType::of(Kind::Bit);
  if (n == "decimal" || n == "numeric") {
    return TsqlType::decimal(words.hasFirst ? words.first : 18, words.hasFirst ? words.second : 0);
  }
  if (n == "money" || n == "smallmoney") return TsqlType::of(Kind::Money);
  if (n == "float" || n == "real" || n == "double") return TsqlType::of(Kind::Float);
  if (n == "char" || n == "varchar" || n == "nchar" || n == "nvarchar" || n == "text" || n == "ntext") {
    return TsqlType::text(words.hasFirst ? words.first : 0);
  }
  if (n == "datetime" || n == "smalldatetime" || n == "date") return TsqlType::of(Kind::Date);
  if (n == "uniqueidentifier") return TsqlType::of(Kind::Guid);
  return {};
}

TsqlType arithmeticType(const TsqlType& a, const TsqlType& b) {
  if (!a.isNumeric() || !b.isNumeric()) return {};
  if (a.kind == Kind::Float || b.kind == Kind::Float) return TsqlType::of(Kind::Float);
  if (a.kind == Kind::Decimal || b.kind == Kind::Decimal) {
    return TsqlType::decimal(38,
                             std::max(a.kind == Kind::Decimal ? a.scale : 0, b.kind == Kind::Decimal ? b.scale : 0));
  }
  if (a.kind == Kind::Money || b.kind == Kind::Money) return TsqlType::of(Kind::Money);
  return TsqlType::of(Kind::Integer);
}

TsqlType dominantType(const TsqlType& a, const TsqlType& b) { return rank(b.kind) > rank(a.kind) ? b : a; }

}  // namespace corvane::db
