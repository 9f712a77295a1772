#pragma once
// The static type of a T-SQL expression, as far as the translator needs it: to tell text from
// numbers (`+`, mixed comparisons), exact from integer division, dates (one stored form) and
// the scale of decimals (their text).

#include <string>
#include <string_view>
#include <utility>

namespace corvane::db {

struct TsqlType {
  enum class Kind { Unknown, Integer, Bit, Decimal, Money, Float, Text, Date, Guid };
  Kind kind = Kind::Unknown;
  int precision = 0;  // Decimal
  int scale = 0;      // Decimal
  int length = 0;     // Text: declared length, 0 when not given
  // The type as a column would declare it ("varchar(10)", "money", "int") when a cast, convert
  // or function of a fixed type gives it; empty when the type is only inferred.
  std::string declaration{};

  bool isNumeric() const {
    return kind == Kind::Integer || kind == Kind::Bit || kind == Kind::Decimal || kind == Kind::Money ||
           kind == Kind::Float;
  }
  bool isText() const { return kind == Kind::Text || kind == Kind::Guid; }
  bool isExact() const { return kind == Kind::Integer || kind == Kind::Bit; }
  bool isKnown() const { return kind != Kind::Unknown; }

  static TsqlType of(Kind kind) { return TsqlType{kind}; }
  static TsqlType decimal(int precision, int scale) { return TsqlType{Kind::Decimal, precision, scale}; }
  static TsqlType text(int length = 0) { return TsqlType{Kind::Text, 0, 0, length}; }
  // The type of a function that always answers `declaration` ("int", "uniqueidentifier").
  static TsqlType declared(Kind kind, std::string declaration) {
    return TsqlType{kind, 0, 0, 0, std::move(declaration)};
  }
};

// Reads a column's declared type as SQLite keeps it ("nvarchar(20)", "varchar] (50",
// "decimal](18, 2", "money", "datetime", "INTEGER"); Unknown for anything else.
TsqlType parseDeclaredType(std::string_view declared);

// The type of a + b, a - b, a * b when both are numbers; Unknown otherwise.
TsqlType arithmeticType(const TsqlType& a, const TsqlType& b);

// The type of CASE or ISNULL results: the operand type of higher precedence.
TsqlType dominantType(const TsqlType& a, const TsqlType& b);

}  // namespace corvane::db
