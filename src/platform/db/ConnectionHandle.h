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

}  // namespace corvane::db
