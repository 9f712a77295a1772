#include "posting/DraftSql.h"

#include "host/LoginContext.h"
#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "platform/xml/XmlDocument.h"
#include "request/Messages.h"
#include "request/SqlGateway.h"

namespace corvane {

bool FieldExists(const db::Recordset& rs, std::string_view name) { return rs.hasField(name); }

int GetPeriodOfDate(const LoginContext& ologin, db::Connection& CN, const DateTime& date) {
  const std::optional<Currency> year = Currency::parse(ologin.LoginYear());
  if (!year) raiseMessage("Z7.Corvane.0323");
  const DateTime day{date.year, date.month, date.day};
  const db::Recordset rs =
      sql::openReadOnly(CN, "select iID from vqsystem..ua_period where (" + db::quoteLiteral(day.toSqlString()) +
                                " between dbegin and dend) and iYear=" + std::to_string(year->scaled() / 10000) +
                                " and cacc_id=" + db::quoteLiteral(ologin.AccountId()) + " and bisdelete=0");
  if (rs.eof()) raiseMessage("Z7.Corvane.0323");
  return CLng(rs.field(0).value());
}

std::string NodeSqlValue(const XmlNode& node) {
  if (!node) return " null";
  return db::quoteLiteral(node.text());
}

}  // namespace corvane
