#pragma once
// For the database layer only: the snapshot behind an open record set. A record set reads its
// whole result when it opens; navigation, paging, filters, edits and the XML persistence work on
// this copy, and edits are written back to the one base table the rows came from.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/com/Variant.h"
#include "platform/db/Field.h"
#include "platform/db/Recordset.h"

struct sqlite3;

namespace corvane::db {

enum class RowState {
  Unchanged,  // as read or last written
  Modified,   // fields set, not yet written
  Added,      // added, not yet inserted
  Deleted,    // deleted, not yet removed from the table
  Removed,    // gone from the table (or added and deleted before it was written)
};

struct RecordRow {
  std::vector<Variant> values;      // one per field
  std::vector<Variant> original;    // the values as last read or written, while Modified
  std::vector<bool> assigned;       // fields set since the last write (empty when none)
  RowState state = RowState::Unchanged;
  std::int64_t rowid = 0;           // when the target is found by rowid
};

// The table that edits are written to, and how a row of it is found again.
struct UpdateTarget {
  std::string schema;
  std::string table;
  std::vector<std::size_t> keyFields;  // the fields of its primary key or a unique index
  bool byRowid = false;                // no key among the fields: rows are found by rowid
  std::optional<std::size_t> rowidAliasField;  // the key field that is the table's rowid
};

struct RecordsetData {
  RecordsetData() = default;
  // Fields point back at their snapshot, so it stays where it was made.
  RecordsetData(const RecordsetData&) = delete;
  RecordsetData& operator=(const RecordsetData&) = delete;

  std::vector<Field> fields;
  std::vector<RecordRow> rows;
  std::vector<std::size_t> visible;  // the rows that navigation sees, in order (filter applied)
  long position = 0;  // index into `visible`; -1 is BOF, visible.size() is EOF
  bool onDeletedRecord = false;  // the current record was just deleted; a move leaves it
  long pageSize = 10;
  CursorType cursorType = adOpenForwardOnly;
  LockType lockType = adLockReadOnly;
  std::string filter;
  Connection* connection = nullptr;  // where edits are written; none for a set read from XML
  std::optional<UpdateTarget> target;

  long count() const { return static_cast<long>(visible.size()); }
  bool hasCurrentRecord() const { return !onDeletedRecord && position >= 0 && position < count(); }
  RecordRow& currentRow() { return rows[visible[static_cast<std::size_t>(position)]]; }
  const RecordRow& currentRow() const { return rows[visible[static_cast<std::size_t>(position)]]; }
  void addField(FieldInfo info) { fields.emplace_back(*this, fields.size(), std::move(info)); }
  void addRow(std::vector<Variant> values, std::int64_t rowid = 0) {
    rows.push_back(RecordRow{std::move(values), {}, {}, RowState::Unchanged, rowid});
    visible.push_back(rows.size() - 1);
  }
  // Sets a field of the current record (the value already of the field's type).
  void assign(std::size_t field, Variant value);
};

// Raises 0x800A0BCD: the operation needs a current record and there is none.
[[noreturn]] void raiseNoCurrentRecord();
// Raises 0x800A0CB3: the record set was opened read-only.
[[noreturn]] void raiseNotUpdatable();

// The snapshot of an open record set; raises 0x800A0E78 when it is closed.
RecordsetData& recordsetData(Recordset& recordset);
const RecordsetData& recordsetData(const Recordset& recordset);
// Opens `recordset` on a snapshot built by the layer (read back from XML, for one).
void openRecordset(Recordset& recordset, std::unique_ptr<RecordsetData> data);

// ---- Writing edits back (RecordsetUpdate.cpp) ----

// The one base table of `fields` with the key that finds its rows again; nullopt when the fields
// come from several tables or from none.
std::optional<UpdateTarget> findUpdateTarget(sqlite3* handle, const std::vector<FieldInfo>& fields);
// Writes a row's pending insert, update or delete to the target and marks it written. Raises
// 0x80040E38 when the row is no longer in the table, and the translator's errors for failures
// of the statement.
void writeRow(RecordsetData& data, RecordRow& row);
// Writes every pending row, all or none.
void writeAllRows(RecordsetData& data);

// ---- Filters (RecordsetFilter.cpp) ----

// One comparison of a filter text such as "a=0 and b<>'' and c='x' and d= null".
struct FilterCriterion {
  enum class Comparison { Equal, NotEqual, Less, LessOrEqual, Greater, GreaterOrEqual };
  std::size_t field = 0;
  Comparison comparison = Comparison::Equal;
  std::optional<std::string> literal;  // nullopt: null
};

// Reads a filter text: comparisons of a field with a number, an apostrophe-quoted text or null,
// joined by "and"; an empty text gives no criteria. Raises 0x800A0BB9 for text it cannot read
// and 0x800A0CC1 for an unknown field name.
std::vector<FilterCriterion> parseFilter(std::string_view text, const std::vector<Field>& fields);
// Whether `row` meets every criterion. Texts compare without regard to case or trailing blanks,
// numbers, dates and Booleans by value; null equals only a Null field.
bool passesFilter(const std::vector<FilterCriterion>& criteria, const RecordRow& row);

}  // namespace corvane::db
