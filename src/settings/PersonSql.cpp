#include "settings/PersonSql.h"

#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/tsql/SqlLiteral.h"
#include "request/Messages.h"
#include "request/SqlGateway.h"
#include "request/Values.h"

namespace corvane {

XmlNode firstInput(const FuncCall& call) {
  const XmlNode first = call.oNode.child("in").firstChild();
  if (!first) raiseObjectMissing("The request has no input element.");
  return first;
}

std::string flagNumber(const std::string& text) {
  if (text.empty()) return "0";
  return CBool(Variant(text)) ? "1" : "0";
}

void checkPersonExists(db::Connection& connection, const std::string& personCode) {
  if (!sql::exists(connection, "select cpersonname from person where cpersoncode=" + SqlStr(Variant(personCode)))) {
    raiseMessage("Z7.Corvane.0072", personCode);
  }
}

void cleanUpPersonCtrl(db::Connection& connection, const std::string& personCode) {
  const std::string code = db::quoteLiteral(personCode);
  sql::execute(connection,
               "IF EXISTS(SELECT TOP 1 strPersonCode FROM KX_PersonCtrl where isnull(blnday,0)=0 and "
               "isnull(blnnumber,0)=0 and isnull(blnmoney,0)=0 and strgradeid is null and strpersoncode=" +
                   code + ") delete from KX_PersonCtrl where strpersoncode=" + code);
}

}  // namespace corvane
