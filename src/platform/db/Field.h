#pragma once
// A column of a record set: its name, the record-set library's type number, size and
// nullability, and the value it holds in the current record.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/com/Variant.h"

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

// The type a T-SQL type name declares; nullopt for names this layer does not know (such
// columns are typed from their values, like expressions).
std::optional<DeclaredType> fieldTypeOf(std::string_view declaration);

// Whether values of the type have a fixed length (char, numbers, dates) or a long one (text).
bool isFixedLength(DataType type);
bool isLong(DataType type);
// Whether values of the type are texts (GUIDs included).
bool isText(DataType type);

// A column's description. Base-table columns name their table and column; expressions do not.
struct FieldInfo {
  std::string name;
  DeclaredType declared;
  bool nullable = true;
  std::string baseSchema;  // main, vqsystem or tempdb
  std::string baseTable;
  std::string baseColumn;
};

struct RecordsetData;

class Field {
 public:
  Field(const RecordsetData& recordset, std::size_t index, FieldInfo info)
      : recordset_(&recordset), index_(index), info_(std::move(info)) {}

  const std::string& name() const { return info_.name; }
  DataType type() const { return info_.declared.type; }
  long definedSize() const { return info_.declared.definedSize; }
  int precision() const { return info_.declared.precision; }
  int numericScale() const { return info_.declared.numericScale; }
  bool isNullable() const { return info_.nullable; }
  const FieldInfo& info() const { return info_; }

  // The value in the current record; raises 0x800A0BCD at BOF or EOF.
  const Variant& value() const;

 private:
  const RecordsetData* recordset_;
  std::size_t index_;
  FieldInfo info_;
};

}  // namespace corvane::db
