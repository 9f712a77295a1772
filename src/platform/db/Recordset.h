#pragma once
// A record set: the rows of a query, read whole when it opens (a client-side snapshot), with the
// record-set library's navigation, paging and fields.
//
// A record set opened with a lock other than adLockReadOnly can be edited: records added, fields
// set, the current record deleted. With adLockOptimistic or adLockPessimistic each record is
// written when update() is called or when the set moves off it (or adds another); with
// adLockBatchOptimistic every change waits for updateBatch(). Edits go to the one table the
// fields come from, whose rows are found by its primary key or a unique index among the fields,
// else by rowid. The connection must outlive the record set's edits.
//
// Errors: any use of a closed record set raises 0x800A0E78; a field name or ordinal that does
// not exist raises 0x800A0CC1; reading a value or moving past BOF or EOF raises 0x800A0BCD; a
// position, page or page size out of range raises 0x800A0BB9; editing a read-only set raises
// 0x800A0CB3; writing rows that come from several tables or none raises 0x80004005; a row that
// is no longer in its table raises 0x80040E38.

#include <memory>
#include <string>
#include <string_view>

#include "platform/db/Field.h"

namespace corvane::db {

class Connection;
struct RecordsetData;

enum CursorType : int {
  adOpenForwardOnly = 0,
  adOpenKeyset = 1,
  adOpenDynamic = 2,
  adOpenStatic = 3,
};

enum LockType : int {
  adLockReadOnly = 1,
  adLockPessimistic = 2,
  adLockOptimistic = 3,
  adLockBatchOptimistic = 4,
};

// What absolutePosition and absolutePage answer when there is no current record.
enum PositionEnum : long {
  adPosUnknown = -1,  // the record set is empty
  adPosBOF = -2,
  adPosEOF = -3,
};

class Recordset {
 public:
  Recordset();
  ~Recordset();
  Recordset(Recordset&&) noexcept;
  Recordset& operator=(Recordset&&) noexcept;

  // Runs `tsql` and keeps its first result; the set is then at its first record (at BOF and EOF
  // when empty). A text that returns no rows leaves the record set closed. Every cursor type
  // gives the same snapshot, so all of them count their records and move both ways.
  void open(const std::string& tsql, Connection& connection,
            CursorType cursorType = adOpenForwardOnly, LockType lockType = adLockReadOnly);
  // As open, for a query text that a client sends: it runs only when it translates to a single
  // statement that reads, as SQLite judges the prepared statement; anything else raises
  // RuntimeError 5 before it runs, so no client text can change data. It runs no longer than
  // the connection's command timeout (then 0x80040E31), and a text that reads a secret, such as
  // the users' stored passwords, raises 0x80040E09 before it runs.
  void openReadOnly(const std::string& tsql, Connection& connection, CursorType cursorType = adOpenStatic);

  bool isOpen() const { return data_ != nullptr; }
  void close();
  CursorType cursorType() const;
  LockType lockType() const;

  bool eof() const;
  bool bof() const;
  // moveFirst and moveLast on an empty set leave it at BOF and EOF.
  void moveFirst();
  void moveNext();
  void movePrevious();
  void moveLast();

  long recordCount() const;
  // 1-based; adPosBOF, adPosEOF or adPosUnknown when there is no current record.
  long absolutePosition() const;
  void setAbsolutePosition(long position);
  long pageSize() const;  // 10 unless set
  void setPageSize(long size);
  long pageCount() const;  // 0 for an empty set
  long absolutePage() const;  // the current record's page, or an adPos value
  void setAbsolutePage(long page);  // moves to the page's first record

  int fieldCount() const;
  const Field& field(int index) const;
  Field& field(int index);
  // The first field of that name, ignoring case.
  const Field& field(std::string_view name) const;
  Field& field(std::string_view name);
  bool hasField(std::string_view name) const;

  // Appends an empty record (its fields Null; unset fields take the table's defaults when it
  // is inserted) and makes it the current record.
  void addNew();
  // Writes the current record's changes now (batch mode: keeps them for updateBatch).
  void update();
  // Deletes the current record; it stays current, without values, until the set moves.
  void deleteRecord();
  // Writes every pending change, all or none.
  void updateBatch();

  // Shows only the records that meet the criteria ("iid=1", "a=0 and b<>'' and d= null"); an
  // empty text shows all. The set is then at its first record. Saving and counting see the
  // filtered records only.
  void setFilter(std::string_view criteria);
  const std::string& filter() const;

 private:
  friend RecordsetData& recordsetData(Recordset& recordset);
  friend const RecordsetData& recordsetData(const Recordset& recordset);
  friend void openRecordset(Recordset& recordset, std::unique_ptr<RecordsetData> data);

  RecordsetData& data();
  const RecordsetData& data() const;
  int findField(std::string_view name) const;  // -1 when there is none
  // Before a move or an added record: writes the current record's changes in immediate mode
  // and leaves a deleted record.
  void leaveCurrentRecord();

  std::unique_ptr<RecordsetData> data_;
};

}  // namespace corvane::db
