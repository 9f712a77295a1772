#include "settings/StandReplies.h"

#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "request/ErrorReply.h"
#include "request/Messages.h"
#include "request/RowXml.h"
#include "request/SqlGateway.h"

namespace corvane::stand {

namespace {

constexpr std::string_view kClass = "CStand";

}  // namespace

XmlNode firstInput(const FuncCall& call) { return call.oNode.child("in").firstChild(); }

void loadRows(FuncCall& call, const std::string& tsql) {
  db::Recordset rs = sql::open(call.CN, tsql);
  loadReply(call.oXml, "<Rows>" + RsToRowXml(rs) + "</Rows>");
}

bool readMember(FuncCall& call, const std::function<bool(FuncCall&)>& body) {
  return answerAsMember(call.oXml, kClass, "recordGet", [&] { return body(call); });
}

bool editMember(FuncCall& call, const std::function<bool(FuncCall&)>& body,
                std::span<const ConstraintMessage> constraints) {
  return answerAsMember(
      call.oXml, kClass, "recordEdit", [&] { return body(call); }, namingConstraints(constraints));
}

void executeOne(FuncCall& call, const std::string& tsql, const char* failureMessage) {
  if (sql::execute(call.CN, tsql) != 1) raiseMessage(failureMessage);
}

}  // namespace corvane::stand
