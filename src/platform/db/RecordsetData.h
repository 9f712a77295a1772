#pragma once
// For the database layer only: the snapshot behind an open record set. A record set reads its
// whole result when it opens; navigation, paging and the XML persistence work on this copy.

#include <memory>
#include <vector>

#include "platform/com/Variant.h"
#include "platform/db/Field.h"
#include "platform/db/Recordset.h"

namespace corvane::db {

struct RecordsetData {
  RecordsetData() = default;
  // Fields point back at their snapshot, so it stays where it was made.
  RecordsetData(const RecordsetData&) = delete;
  RecordsetData& operator=(const RecordsetData&) = delete;

  std::vector<Field> fields;
  std::vector<std::vector<Variant>> rows;  // one value per field
  long position = 0;  // 0-based; -1 is BOF, rows.size() is EOF
  long pageSize = 10;
  CursorType cursorType = adOpenForwardOnly;
  LockType lockType = adLockReadOnly;

  long count() const { return static_cast<long>(rows.size()); }
  bool hasCurrentRecord() const { return position >= 0 && position < count(); }
  void addField(FieldInfo info) { fields.emplace_back(*this, fields.size(), std::move(info)); }
};

// Raises 0x800A0BCD: the operation needs a current record and there is none.
[[noreturn]] void raiseNoCurrentRecord();

// The snapshot of an open record set; raises 0x800A0E78 when it is closed.
RecordsetData& recordsetData(Recordset& recordset);
const RecordsetData& recordsetData(const Recordset& recordset);
// Opens `recordset` on a snapshot built by the layer (read back from XML, for one).
void openRecordset(Recordset& recordset, std::unique_ptr<RecordsetData> data);

}  // namespace corvane::db
