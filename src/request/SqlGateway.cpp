#include "request/SqlGateway.h"

#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "request/SqlText.h"
#include "request/Values.h"

namespace corvane::sql {

db::Recordset open(db::Connection& connection, const std::string& tsql, db::CursorType cursor) {
  db::Recordset rs;
  rs.open(FixSqlText(tsql), connection, cursor);
  return rs;
}

db::Recordset openReadOnly(db::Connection& connection, const std::string& tsql) {
  db::Recordset rs;
  rs.openReadOnly(FixSqlText(tsql), connection);
  return rs;
}

long execute(db::Connection& connection, const std::string& tsql) { return connection.execute(FixSqlText(tsql)); }

long count(db::Connection& connection, const std::string& tsql) {
  const db::Recordset rs = open(connection, tsql);
  if (!rs.isOpen() || rs.eof()) return 0;
  const Variant value = rs.field(0).value();
  return value.isNull() ? 0 : CLng(value);
}

std::string text(db::Connection& connection, const std::string& tsql) {
  const db::Recordset rs = open(connection, tsql);
  return !rs.isOpen() || rs.eof() ? std::string() : NullToStr(rs.field(0).value());
}

bool exists(db::Connection& connection, const std::string& tsql) {
  const db::Recordset rs = open(connection, tsql);
  return rs.isOpen() && !rs.eof();
}

}  // namespace corvane::sql
