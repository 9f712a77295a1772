#include "approval/VoucherWithdrawal.h"

#include <exception>
#include <optional>

#include "approval/AuditErrors.h"
#include "approval/FlowTexts.h"
#include "host/Host.h"
#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "request/ErrorReply.h"
#include "request/HeldRight.h"
#include "request/Messages.h"
#include "request/QueryBuilders.h"
#include "request/RequestText.h"
#include "request/RequestTransaction.h"
#include "request/Rights.h"
#include "request/RowVersion.h"
#include "request/SqlGateway.h"
#include "request/Values.h"
#include "vouchers/VoucherKinds.h"

namespace corvane {

namespace {

constexpr const char* kScope = "11";

std::string_view rightOf(const VoucherKind& kind) {
  return kind.headTable == kLoanKind.headTable ? "KX020101" : "KX020301";
}

// Refuses a voucher that is missing, outside the user's data rights or changed since the client
// read it, or that is not a submitted, unapproved voucher the budget has not taken.
void requireSubmitted(FuncCall& call, const VoucherKind& kind, const std::string& guid, const std::string& ts) {
  const std::optional<RowVersion> version = RowVersion::parse(ts);
  if (!version) raiseMessage("Z7.Corvane.0385");
  const db::Recordset head =
      sql::open(call.CN, "Select blnAudi,strAuditorID,intBudPass,intOverBud  From " +
                             GetAuthSource(call.ologin, std::string(kind.headTable), true) +
                             " Where GUID = " + db::quoteLiteral(guid) + "  And " + version->condition());
  if (head.eof()) raiseMessage("Z7.Corvane.0385");
  if (!NullToBool(head.field("blnAudi").value())) raiseMessage("Z7.Corvane.0178");
  if (!NullToStr(head.field("strAuditorID").value()).empty()) raiseMessage("Z7.Corvane.0179");
  if (NullToNum(head.field("intBudPass").value()) == 1) raiseMessage("Z7.Corvane.0374");
}

void removeFromFlow(FuncCall& call, const VoucherKind& kind, const std::string& guid) {
  const auto flow = call.host().approvalFlow();
  flow->SetLogin(call.ologin);
  const std::string billType(kind.flowBillType);
  if (!flow->IsInFlow(call.CN, billType, guid, kScope)) return;
  if (flow->RemoveFromFlow(call.CN, billType, guid, kScope)) return;
  raiseRefusal(FlowReason(*flow), "Z7.Corvane.0396");
}

void resetToSaved(FuncCall& call, const VoucherKind& kind, const std::string& guid) {
  const long affected =
      sql::execute(call.CN, "Update " + std::string(kind.headTable) +
                                " Set blnAudi = 0,intOverBud=-1,strOverPerson=Null,strOverDate=Null,strOverDesc=Null "
                                "Where blnAudi = 1 And Isnull(strAuditorID,'') = '' And GUID = " +
                                db::quoteLiteral(guid));
  if (affected != 1) raiseMessage("Z7.Corvane.0178");
}

std::string rowVersionOf(FuncCall& call, const VoucherKind& kind, const std::string& guid) {
  const db::Recordset rs = sql::open(call.CN, "Select Cast(ts as money) as ts From " + std::string(kind.headTable) +
                                                  " Where GUID = " + db::quoteLiteral(guid));
  if (rs.eof()) raiseMessage("Z7.Corvane.0180");
  return NullToStr(rs.field(0).value());
}

bool withdraw(FuncCall& call) {
  const std::string guid = RequiredText(call.oNode, "in/GUID");
  const std::string ts = RequiredText(call.oNode, "in/ts");
  const VoucherKind* kind = FindVoucherKindOfCard(RequiredText(call.oNode, "in/type"));
  if (kind == nullptr) raiseMessage("Z7.Corvane.0177");
  const HeldRight held(call.ologin, rightOf(*kind));
  if (!ApplyTask(&call.ologin, rightOf(*kind), call.oXml)) return false;
  requireSubmitted(call, *kind, guid, ts);
  RequestTransaction transaction(call.CN);
  removeFromFlow(call, *kind, guid);
  resetToSaved(call, *kind, guid);
  const std::string newTs = rowVersionOf(call, *kind, guid);
  transaction.commit();
  loadReply(call.oXml, "<RetValue ts='" + XmlEncode(newTs) + "' />");
  return true;
}

}  // namespace

bool WithdrawVoucher(FuncCall& call) {
  try {
    return withdraw(call);
  } catch (const RuntimeError& error) {
    loadReply(call.oXml, AuditErrorReply("DelAudit", error.number(), error.description()));
  } catch (const std::exception& error) {
    loadReply(call.oXml, AuditErrorReply("DelAudit", errnum::kDbUnspecified, error.what()));
  }
  return false;
}

}  // namespace corvane
