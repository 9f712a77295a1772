#pragma once
// What a column is, as the record-set library describes it: its type number, the size and
// precision its declaration gives, and the base table it comes from. The record sets' fields
// carry it (Field), and a connection's kept statements remember it for their result columns
// (StatementCache).

#include <string>

namespace corvane::db {

// The record-set library's type numbers.
enum DataType : int {
  adEmpty = 0,
  adSmallInt = 2,
  adInteger = 3,
  adSingle = 4,
  adDouble = 5,
  adCurrency = 6,
  adBoolean = 11,
  adTinyInt = 16,
  adUnsignedTinyInt = 17,
  adBigInt = 20,
  adGUID = 72,
  adBinary = 128,
  adChar = 129,
  adWChar = 130,
  adNumeric = 131,
  adDBTimeStamp = 135,
  adVarChar = 200,
  adLongVarChar = 201,
  adVarWChar = 202,
  adLongVarWChar = 203,
  adVarBinary = 204,
  adLongVarBinary = 205,
};

// What a declared column type ("nvarchar(50)", "[decimal](18, 2)", "money") stands for.
struct DeclaredType {
  DataType type = adEmpty;
  long definedSize = 0;  // characters for texts, bytes otherwise
  int precision = 255;   // digits of numeric types; 255 where it does not apply
  int numericScale = 0;  // decimals of numeric types
  bool operator==(const DeclaredType&) const = default;
};

// A column's description. Base-table columns name their table and column; expressions do not.
struct FieldInfo {
  std::string name;
  DeclaredType declared;
  bool nullable = true;
  std::string baseSchema;  // main, vqsystem or tempdb
  std::string baseTable;
  std::string baseColumn;
};

}  // namespace corvane::db
