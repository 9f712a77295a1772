#include "support/QueryText.h"

#include "platform/com/Variant.h"
#include "platform/db/Recordset.h"

namespace corvane {

std::string QueryRowsText(db::Connection& connection, const std::string& query) {
  db::Recordset rs;
  rs.openReadOnly(query, connection);
  std::string text;
  for (; !rs.eof(); rs.moveNext()) {
    for (int i = 0; i < rs.fieldCount(); ++i) {
      const Variant& v = rs.field(i).value();
      text += (i == 0 ? "" : "|") + (v.isNull() ? std::string("-") : CStr(v));
    }
    text += ";";
  }
  return text;
}

std::string QueryScalar(db::Connection& connection, const std::string& query) {
  db::Recordset rs;
  rs.open(query, connection);
  return rs.eof() || rs.field(0).value().isNull() ? std::string() : CStr(rs.field(0).value());
}

}  // namespace corvane
