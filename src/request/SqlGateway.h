#pragma once
// The one way from business code to the database. Every SQL text passes FixSqlText here on its
// way to the connection (national literals; bracketed aliases under "en-us"), so no caller has to
// remember it.

#include <string>

#include "platform/db/Recordset.h"

namespace corvane::db {
class Connection;
}

namespace corvane::sql {

// The rows of `tsql`, at the first (a text that returns no rows gives a closed record set).
db::Recordset open(db::Connection& connection, const std::string& tsql, db::CursorType cursor = db::adOpenForwardOnly);
// As open, for a text that must only read: anything that would write raises before it runs, and
// it runs no longer than the connection's command timeout.
db::Recordset openReadOnly(db::Connection& connection, const std::string& tsql);
// Runs `tsql`; the number of rows it changed.
long execute(db::Connection& connection, const std::string& tsql);
// The whole number in the first column of the first row (a count, a sum); 0 when there is no row
// or the value is Null.
long count(db::Connection& connection, const std::string& tsql);
// The first column of the first row as text; "" when there is no row or the value is Null.
std::string text(db::Connection& connection, const std::string& tsql);
// Whether `tsql` returns a row.
bool exists(db::Connection& connection, const std::string& tsql);

}  // namespace corvane::sql
