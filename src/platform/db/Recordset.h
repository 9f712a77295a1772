#pragma once
// A record set: the rows of a query, read whole when it opens (a client-side snapshot), with the
// record-set library's navigation, filter and fields. The snapshot is only read: changes to the
// account are made by statements, never through a record set.
//
// Errors: any use of a closed record set raises 0x800A0E78; a field name or ordinal that does
// not exist raises 0x800A0CC1; reading a value or moving past BOF or EOF raises 0x800A0BCD.

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

class Recordset {
 public:
  Recordset();
  ~Recordset();
  Recordset(Recordset&&) noexcept;
  Recordset& operator=(Recordset&&) noexcept;

  // Runs `tsql` and keeps its first result; the set is then at its first record (at BOF and EOF
  // when empty). A text that returns no rows leaves the record set closed. Every cursor type
  // gives the same snapshot, so all of them count their records and move both ways; every lock
  // type gives the same read-only snapshot.
  void open(const std::string& tsql, Connection& connection, CursorType cursorType = adOpenForwardOnly,
            LockType lockType = adLockReadOnly);
  // As open, for a query text that a client sends: it runs only when it translates to a single
  // statement that reads, as SQLite judges the prepared statement; anything else raises
  // RuntimeError 5 before it runs, so no client text can change data. It runs no longer than
  // the connection's command timeout (then 0x80040E31), and a text that reads a secret, such as
  // the users' stored passwords, raises 0x80040E09 before it runs.
  void openReadOnly(const std::string& tsql, Connection& connection, CursorType cursorType = adOpenStatic);

  bool isOpen() const { return data_ != nullptr; }
  void close();
  CursorType cursorType() const;

  bool eof() const;
  bool bof() const;
  // moveFirst and moveLast on an empty set leave it at BOF and EOF.
  void moveFirst();
  void moveNext();
  void movePrevious();
  void moveLast();

  long recordCount() const;

  int fieldCount() const;
  const Field& field(int index) const;
  // The first field of that name, ignoring case.
  const Field& field(std::string_view name) const;
  bool hasField(std::string_view name) const;

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

  std::unique_ptr<RecordsetData> data_;
};

}  // namespace corvane::db
