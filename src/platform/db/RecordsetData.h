#pragma once
// For the database layer only: the snapshot behind an open record set. A record set reads its
// whole result when it opens; navigation, filters and the XML persistence work on this copy.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/com/Variant.h"
#include "platform/db/Field.h"
#include "platform/db/Recordset.h"

namespace corvane::db {

struct RecordRow {
  std::vector<Variant> values;  // one per field
};

struct RecordsetData {
  RecordsetData() = default;
  // Fields point back at their snapshot, so it stays where it was made.
  RecordsetData(const RecordsetData&) = delete;
  RecordsetData& operator=(const RecordsetData&) = delete;

  std::vector<Field> fields;
  std::vector<RecordRow> rows;
  std::vector<std::size_t> visible;  // the rows that navigation sees, in order (filter applied)
  long position = 0;                 // index into `visible`; -1 is BOF, visible.size() is EOF
  CursorType cursorType = adOpenForwardOnly;
  std::string filter;

  long count() const { return static_cast<long>(visible.size()); }
  bool hasCurrentRecord() const { return position >= 0 && position < count(); }
  const RecordRow& currentRow() const { return rows[visible[static_cast<std::size_t>(position)]]; }
  void addField(FieldInfo info) { fields.emplace_back(*this, fields.size(), std::move(info)); }
  void addRow(std::vector<Variant> values) {
    rows.push_back(RecordRow{std::move(values)});
    visible.push_back(rows.size() - 1);
  }
};

// Raises 0x800A0BCD: the operation needs a current record and there is none.
[[noreturn]] void raiseNoCurrentRecord();

// The snapshot of an open record set; raises 0x800A0E78 when it is closed.
RecordsetData& recordsetData(Recordset& recordset);
const RecordsetData& recordsetData(const Recordset& recordset);
// Opens `recordset` on a snapshot built by the layer (read back from XML, for one).
void openRecordset(Recordset& recordset, std::unique_ptr<RecordsetData> data);

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
