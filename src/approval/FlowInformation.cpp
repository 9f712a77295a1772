#include "approval/FlowInformation.h"

#include "approval/AuditGuards.h"
#include "approval/AuditKinds.h"
#include "approval/FlowTexts.h"
#include "host/Host.h"
#include "platform/com/RuntimeError.h"
#include "platform/db/Field.h"
#include "platform/db/Recordset.h"
#include "request/ErrorReply.h"
#include "request/Messages.h"
#include "request/PubCommon.h"
#include "request/Values.h"

namespace corvane {

namespace {

constexpr const char* kScope = "11";

bool answered(FuncCall& call, const std::function<bool()>& work) {
  return answerAsMember(call.oXml, "CLoan", "recordGet", work);
}

bool visible(FuncCall& call, const AuditKind& kind, const std::string& guid) {
  return ReadAuditHead(call.ologin, call.CN, kind, guid, nullptr).has_value();
}

// "<row name='value' ... />" LF of the current history record, values escaped.
std::string rowLine(const db::Recordset& history) {
  std::string line = "<row ";
  for (int i = 0; i < history.fieldCount(); ++i) {
    const db::Field& field = history.field(i);
    line += field.name() + "='" + XmlEncode(NullToStr(field.value())) + "' ";
  }
  return line + "/>\n";
}

// The print line of the current history record, unescaped.
std::string printLine(const db::Recordset& history) {
  const auto text = [&history](const char* column) { return NullToStr(history.field(column).value()); };
  std::string line = GetResString("Z7.Corvane.0381") + text("cUser_Name") + " ";
  if (!history.field("EAA_Name").value().isNull()) {
    line += GetResString("Z7.Corvane.0382") + text("EAA_Name") + " ";
  }
  return line + GetResString("Z7.Corvane.0383") + text("remark") + " " + GetResString("Z7.Corvane.0384") +
         text("EA_time") + "\r\n";
}

}  // namespace

bool AnswerFlowInfo(FuncCall& call) {
  return answered(call, [&] {
    const XmlNode element = pub::firstInputElement(call.oNode);
    const std::string guid = element.attribute("guid");
    const AuditKind* kind = auditKindOf(element.attribute("strType"));
    if (kind == nullptr) raiseMessage("Z7.Corvane.0161");
    // A voucher the user may not see is asked for as no voucher at all.
    const std::string asked = visible(call, *kind, guid) ? guid : std::string();
    const auto flow = call.host().approvalFlow();
    flow->SetLogin(call.ologin);
    std::string info;
    if (!flow->GetFlowInfo(call.CN, std::string(kind->flowBillType), asked, "", kScope, true, info)) {
      raiseBusiness(ReplaceVoucherGuid(FlowReason(*flow), guid, ""));
    }
    loadReply(call.oXml, "<data>\n" + info + "\n</data>");
    return true;
  });
}

bool AnswerFlowHistory(FuncCall& call) {
  return answered(call, [&] {
    const XmlNode element = pub::firstInputElement(call.oNode);
    const std::string guid = element.attribute("GUID");
    const std::string strType = element.attribute("strType");
    const AuditKind* kind = strType.empty() ? nullptr : auditKindOfDigit(strType.front());
    if (kind == nullptr) raiseMessage("Z7.Corvane.0161");
    if (!visible(call, *kind, guid)) return true;
    const auto flow = call.host().approvalFlow();
    flow->SetLogin(call.ologin);
    const std::string billType(kind->flowBillType);
    if (!flow->IsInFlow(call.CN, billType, guid, kScope)) return true;
    bool all = true;
    db::Recordset history;
    std::string text;
    if (!flow->GetHistory(call.CN, billType, guid, kScope, all, history, text)) return true;
    std::string rows;
    std::string print;
    for (; !history.eof(); history.moveNext()) {
      rows += rowLine(history);
      print += printLine(history);
    }
    if (rows.empty()) return true;
    loadReply(call.oXml,
              "<Rows>\n" + rows + text + "\n<EASPrintData>" + XmlEncode(print) + "</EASPrintData>\r\n</Rows>");
    return true;
  });
}

}  // namespace corvane
