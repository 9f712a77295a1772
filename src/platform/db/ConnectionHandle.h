#pragma once
// For the database layer only: the SQLite handle behind a connection. Business code goes through
// Connection and Recordset.

#include <sqlite3.h>

#include "platform/db/Connection.h"

namespace corvane::db {

// The handle of an open connection; raises 0x800A0E78 when it is closed.
sqlite3* sqliteHandle(Connection& connection);

// The statements the connection keeps prepared.
StatementCache& statementCache(Connection& connection);

// The columns the connection's translations have read.
CatalogMemo& catalogMemo(Connection& connection);

// The count of the connection's living client-query guards (see ClientQueryGuard).
int& clientQueryGuards(Connection& connection);

// Outside a transaction, one read transaction of its own for a query: its translation's schema
// versions and its rows are then read under one lock of each file, instead of every reading
// taking and dropping it. Ended (`end`) before a program that may write runs, since a read
// transaction that starts writing fails when another connection wrote in between; rolled back
// when left by an exception. Does nothing inside a transaction, or while the connection's
// statements are not kept (a client's query, read under its own authorizer).
class QueryReadScope {
 public:
  explicit QueryReadScope(Connection& connection);
  ~QueryReadScope();
  QueryReadScope(const QueryReadScope&) = delete;
  QueryReadScope& operator=(const QueryReadScope&) = delete;

  void end();

 private:
  sqlite3* handle_;
  StatementCache* statements_;
  bool open_;
};

}  // namespace corvane::db
