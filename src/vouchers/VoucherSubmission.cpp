#include "vouchers/VoucherSubmission.h"

#include <memory>
#include <vector>

#include "host/ApprovalFlow.h"
#include "host/Host.h"
#include "host/LoginContext.h"
#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/db/RecordsetXml.h"
#include "platform/tsql/SqlLiteral.h"
#include "request/ErrorReply.h"
#include "request/Messages.h"
#include "request/RequestFrame.h"
#include "request/RequestText.h"
#include "request/RowVersion.h"
#include "request/SqlGateway.h"
#include "request/Values.h"
#include "vouchers/VoucherCard.h"
#include "vouchers/VoucherKinds.h"
#include "vouchers/VoucherRights.h"
#include "vouchers/VoucherSave.h"

namespace corvane {

namespace {

const VoucherKind& voucherKind(const std::string& strTypeCode) {
  const VoucherKind* kind = FindVoucherKind(strTypeCode);
  if (!kind) raiseMessage("Z7.Corvane.0177");
  return *kind;
}

std::string requiredAttribute(const XmlNode& row, std::string_view name) {
  const std::optional<std::string> value = row.findAttribute(name);
  if (!value) raiseObjectMissing();
  return *value;
}

[[noreturn]] void refusedBy(const ApprovalFlowServer& flow) {
  std::string reason;
  flow.LastErrorText(reason);
  raiseBusiness(reason);
}

std::string rowVersionAfter(const SubmissionKind& kind, const std::string& guid, db::Connection& CN) {
  const db::Recordset rs = sql::open(CN, "Select Cast(ts as money) as ts From " + std::string(kind.headTable) +
                                             " Where GUID = " + db::quoteLiteral(guid));
  if (rs.eof()) raiseMessage("Z7.Corvane.0180");
  return NullToStr(rs.field(0).value());
}

bool submit(const SubmissionKind& kind, FuncCall& call,
            const std::function<bool(LoginContext&, db::Connection&, const XmlNode&)>& initAudit) {
  if (!call.oNode.child("in")) {
    raiseObjectMissing();
  }
  const std::string guid = OptionalText(call.oNode, "in/GUID");
  if (guid.empty()) raiseMessage("Z7.Corvane.0261");
  const std::string ts = RequiredText(call.oNode, "in/ts");
  const RowVersion version = voucher::requireRowVersion(ts, "Z7.Corvane.0262");

  const db::Recordset rs =
      sql::open(call.CN, std::string(kind.guardSelect) + db::quoteLiteral(guid) + " And " + version.condition());
  if (rs.eof() || !VoucherRights(call.ologin, kind.headTable).containsGuid(call.CN, guid)) {
    raiseMessage("Z7.Corvane.0262");
  }
  db::saveAsXml(rs, call.oXml);
  const XmlNode headRow = call.oXml.selectSingleNode("//rs:data/z:row");
  const bool submitted = initAudit(call.ologin, call.CN, headRow);
  if (submitted) {
    loadReply(call.oXml, "<RetValue ts='" + XmlEncode(rowVersionAfter(kind, guid, call.CN)) + "' />");
  }
  return submitted;
}

}  // namespace

std::string ApprovalStartDocument(const std::string& dblOldMoney, const std::string& strTypeCode,
                                  const std::string& strDepartID, const std::string& strVouchID) {
  const VoucherKind& kind = voucherKind(strTypeCode);
  const std::string amount = XmlEncode(dblOldMoney);
  const std::string billType(kind.flowBillType);
  const std::string name(kind.flowName);
  return "<?xml version='1.0' encoding='utf-8'?><EAdata>"
         "<eccontrain 金额='" +
         amount +
         "' 数量='0'/>"
         "<eapcontrain 数量='0' 金额='" +
         amount +
         "'/>"
         "<eaovalue>"
         "<item eaoid='" +
         billType + "'   eaot='" + name + "_部门' eaov='" + XmlEncode(strDepartID) +
         "'/>"
         "<item eaoid='" +
         billType + "'  eaot='" + name + "_业务类型' eaov='" + XmlEncode(strTypeCode) +
         "'/>"
         "</eaovalue>"
         "<cauth_id id='" +
         std::string(kind.flowRight) + "'/><cVoucherCode code='" + XmlEncode(strVouchID) + "'/></EAdata>";
}

bool SubmitVoucherToFlow(LoginContext& login, db::Connection& CN, const XmlNode& headRow) {
  const std::string guid = requiredAttribute(headRow, "GUID");
  const std::string strTypeCode = requiredAttribute(headRow, "strTypeCode");
  const std::string strDepartID = requiredAttribute(headRow, "strDepartID");
  const std::string strVouchID = requiredAttribute(headRow, "strVouchID");
  const std::string dblOldMoney = requiredAttribute(headRow, "dblOldMoney");
  const VoucherKind& kind = voucherKind(strTypeCode);
  const std::string billType(kind.flowBillType);

  const std::unique_ptr<ApprovalFlowServer> flow = login.host().approvalFlow();
  flow->SetLogin(login);
  std::vector<std::string> flowGuids;
  std::vector<std::string> flowStates;
  if (!flow->QueryFlow(CN, billType, flowGuids, flowStates)) refusedBy(*flow);
  const std::string document = ApprovalStartDocument(dblOldMoney, strTypeCode, strDepartID, strVouchID);
  if (!flow->SubmitToFlow(CN, billType, guid, strVouchID, document)) refusedBy(*flow);
  if (sql::execute(CN, "Update " + std::string(kind.headTable) +
                           " Set blnAudi = 1 Where GUID = " + db::quoteLiteral(guid)) != 1) {
    raiseMessage("Z7.Corvane.0260");
  }
  return true;
}

const SubmissionKind kLoanSubmission{
    "CLoan", "GetVouchByGUID",
    "Select strVouchID,GUID,AutoID ,dblOldMoney,strTypeCode,strDepartID,'1' As blnModify From "
    "KX_LoanVouch Where blnAudi = 0 And GUID = ",
    "KX_LoanVouch"};

const SubmissionKind kClaimSubmission{
    "CExpense", "SubmitAudit",
    "Select strVouchID,GUID,AutoID ,blnSettle,dblOldMoney,strTypeCode,strDepartID,'1' As blnModify "
    "From KX_ExpenVouch Where blnAudi = 0 And GUID = ",
    "KX_ExpenVouch"};

bool SubmitVoucher(const SubmissionKind& kind, FuncCall& call,
                   const std::function<bool(LoginContext&, db::Connection&, const XmlNode&)>& initAudit) {
  return answerAsMember(
      call.oXml, kind.className, kind.member, [&] { return submit(kind, call, initAudit); }, VoucherFailureText);
}

}  // namespace corvane
