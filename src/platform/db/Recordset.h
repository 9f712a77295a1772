#pragma once
// A record set: the rows of a query, read whole when it opens (a client-side snapshot), with the
// record-set library's navigation, paging and fields.
//
// Errors: any use of a closed record set raises 0x800A0E78; a field name or ordinal that does
// not exist raises 0x800A0CC1; reading a value or moving past BOF or EOF raises 0x800A0BCD; a
// position, page or page size out of range raises 0x800A0BB9.

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
  // The first field of that name, ignoring case.
  const Field& field(std::string_view name) const;
  bool hasField(std::string_view name) const;

 private:
  friend RecordsetData& recordsetData(Recordset& recordset);
  friend const RecordsetData& recordsetData(const Recordset& recordset);
  friend void openRecordset(Recordset& recordset, std::unique_ptr<RecordsetData> data);

  RecordsetData& data();
  const RecordsetData& data() const;
  int findField(std::string_view name) const;  // -1 when there is none

  std::unique_ptr<RecordsetData> data_;
};

}  // namespace corvane::db
