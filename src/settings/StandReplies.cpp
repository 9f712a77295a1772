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
  try {
    return body(call);
  } catch (const RuntimeError& error) {
    loadReply(call.oXml, ErrorReply(kClass, "recordGet", error.number(), error.description()));
    return false;
  }
}

bool editMember(FuncCall& call, const std::function<bool(FuncCall&)>& body,
                std::span<const ConstraintMessage> constraints) {
  try {
    return body(call);
  } catch (const RuntimeError& error) {
    loadReply(call.oXml, ErrorReply(kClass, "recordEdit", error.number(),
                                    constraintText(error.description(), constraints)));
    return false;
  }
}

void executeOne(FuncCall& call, const std::string& tsql, const char* failureMessage) {
  if (sql::execute(call.CN, tsql) != 1) raiseMessage(failureMessage);
}

}  // namespace corvane::stand
