#include "settings/TreeRequests.h"

#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Recordset.h"
#include "request/ErrorReply.h"
#include "request/Messages.h"
#include "request/SqlText.h"

namespace corvane {

XmlNode requestRow(const FuncCall& call) {
  return call.oNode.child("in").firstChild();
}

std::string requiredAttribute(XmlNode row, std::string_view name) {
  const std::optional<std::string> value = row.findAttribute(name);
  if (!value) raiseObjectMissing();
  return *value;
}

long countOf(const std::string& tsql, db::Connection& connection) {
  db::Recordset rs;
  rs.open(FixSqlText(tsql), connection, db::adOpenStatic, db::adLockReadOnly);
  return CLng(rs.field(0).value());
}

bool findsRow(const std::string& tsql, db::Connection& connection) {
  db::Recordset rs;
  rs.open(FixSqlText(tsql), connection);
  return !rs.eof();
}

}  // namespace corvane
