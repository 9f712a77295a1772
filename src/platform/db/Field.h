#pragma once
// A column of a record set: its name, the record-set library's type number, size and
// nullability, and the value it holds in the current record.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/com/Variant.h"
#include "platform/tsql/ColumnInfo.h"

namespace corvane::db {

// The type a T-SQL type name declares; nullopt for names this layer does not know (such
// columns are typed from their values, like expressions).
std::optional<DeclaredType> fieldTypeOf(std::string_view declaration);

// Whether values of the type have a fixed length (char, numbers, dates) or a long one (text).
bool isFixedLength(DataType type);
bool isLong(DataType type);
// Whether values of the type are texts (GUIDs included).
bool isText(DataType type);

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
