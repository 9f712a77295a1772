#include "vouchers/VoucherDeletion.h"

#include <memory>
#include <optional>
#include <string>

#include "host/ApprovalFlow.h"
#include "host/Host.h"
#include "platform/com/Money.h"
#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
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

const VoucherKind& kindOfCard(const std::string& card) {
  const VoucherKind* kind = FindVoucherKindOfCard(card);
  if (!kind) raiseMessage("Z7.Corvane.0177");
  return *kind;
}

// A stored state flag as a number; Null and anything that is no number count 0.
long flagNumber(const Variant& value) { return IsNumeric(value) ? CLng(value) : 0; }

void loanStateGuards(const db::Recordset& head) {
  const bool openingBalance = NullToBool(head.field("blnBegin").value());
  if (openingBalance) {
    if (MoneyOf(head.field("dblreturn").value()) != Currency()) raiseMessage("Z7.Corvane.0203");
  } else if (NullToBool(head.field("blnaudi").value())) {
    raiseMessage("Z7.Corvane.0271");
  }
  const long budgetPassed = flagNumber(head.field("intBudPass").value());
  if (budgetPassed == 1) raiseMessage("Z7.Corvane.0206");
  if (NullToStr(head.field("intOverBud").value()) == "1" && budgetPassed == 0) {
    raiseMessage("Z7.Corvane.0207");
  }
}

void loanDependentGuards(db::Connection& CN, const std::string_view guid) {
  if (sql::exists(CN,
                  "Select Top 1 * From KX_ExpenLoanInfo Where LoanSubguid In (Select GUID From "
                  "KX_LoanVouch_Sub Where MGUID = " +
                      db::quoteLiteral(guid) + ")")) {
    raiseMessage("Z7.Corvane.0208");
  }
}

void claimStateGuards(const db::Recordset& head) {
  if (NullToBool(head.field("blnaudi").value())) raiseMessage("Z7.Corvane.0271");
  if (flagNumber(head.field("intBudPass").value()) == 1) raiseMessage("Z7.Corvane.0206");
}

// Receipt and payment lines first, then loan write-offs: either keeps the claim.
void claimDependentGuards(db::Connection& CN, const std::string_view guid) {
  for (const std::string_view table : {"KX_BalanceInfo", "KX_ExpenLoanInfo"}) {
    if (sql::exists(CN, "select top 1 * from " + std::string(table) + " where ExpenGUID=" + db::quoteLiteral(guid))) {
      raiseMessage("Z7.Corvane.0272");
    }
  }
}

// A claim kept by rows that name it: the message of the constraint, else the description.
std::string claimFailureText(const RuntimeError& error) {
  const std::string& description = error.description();
  if (description.find("FK_KX_ExpenLoanInfo_KX_ExpenVouch") != std::string::npos) {
    return GetResString("Z7.Corvane.0273");
  }
  if (description.find("FK_KX_BalanceInfo_KX_ExpenVouch") != std::string::npos) {
    return GetResString("Z7.Corvane.0274");
  }
  return description;
}

// The voucher after the deleted one among those of the head table within the user's rights
// becomes current, whatever its state; without one there is none, on the income-claim card.
void moveToNextVoucher(const VoucherRights& rights, db::Connection& CN, const std::string& deletedId,
                       CurrentVoucher& current) {
  const db::Recordset rs = sql::open(CN, "Select Top 1 AutoID,strTypeCode From " + rights.source() +
                                             " Where AutoID > " + deletedId + " Order By AutoID");
  if (rs.eof()) {
    current.AutoID.clear();
    *current.strCardNum = "KX02";
    return;
  }
  current.AutoID = CStr(rs.field(0).value());
  *current.strCardNum = CardNumber(NullToStr(rs.field(1).value()));
}

void leaveFlow(Host& host, db::Connection& CN, const VoucherKind& kind, const std::string& guid) {
  const std::unique_ptr<ApprovalFlowServer> flow = host.approvalFlow();
  const std::string billType(kind.flowBillType);
  if (!flow->IsInFlow(CN, billType, guid, "11")) return;
  if (flow->RemoveFromFlow(CN, billType, guid, "11")) return;
  std::string reason;
  flow->LastErrorText(reason);
  raiseBusiness(reason);
}

bool deleteVoucher(const DeletionKind& kind, FuncCall& call, CurrentVoucher* next) {
  const std::string requestedId = RequiredText(call.oNode, "in/strAutoID");
  const std::string ts = RequiredText(call.oNode, "in/ts");
  const std::optional<std::string> autoId = WholeNumber(requestedId);
  if (!autoId) raiseMessage("Z7.Corvane.0201");
  const VoucherKind& voucherKind = kindOfCard(RequiredText(call.oNode, "in/type"));
  const std::string head(voucherKind.headTable);
  const RowVersion version = voucher::requireRowVersion(ts, "Z7.Corvane.0370");

  const db::Recordset row =
      sql::open(call.CN, "Select * From " + head + " Where AutoID = " + *autoId + " And " + version.condition());
  const VoucherRights rights(call.ologin, head);
  if (row.eof() || !rights.containsId(call.CN, *autoId)) {
    raiseMessage("Z7.Corvane.0370");
  }
  kind.stateGuards(row);
  const std::string guid = NullToStr(row.field("GUID").value());

  leaveFlow(call.host(), call.CN, voucherKind, guid);
  kind.dependentGuards(call.CN, guid);
  sql::execute(call.CN, "Delete " + std::string(voucherKind.lineTable) + " Where MGUID = " + db::quoteLiteral(guid));
  if (sql::execute(call.CN, "Delete " + head + " Where GUID = " + db::quoteLiteral(guid)) != 1) {
    raiseMessage("Z7.Corvane.0209");
  }
  if (next) moveToNextVoucher(rights, call.CN, *autoId, *next);
  return true;
}

}  // namespace

const DeletionKind kLoanDeletion{"CLoan", "DelVouch", loanStateGuards, loanDependentGuards, VoucherFailureText};

const DeletionKind kClaimDeletion{"CLoan", "recordGet", claimStateGuards, claimDependentGuards, claimFailureText};

bool DeleteVoucher(const DeletionKind& kind, FuncCall& call, CurrentVoucher* next) {
  return answerAsMember(
      call.oXml, kind.className, kind.member, [&] { return deleteVoucher(kind, call, next); }, kind.failureText);
}

}  // namespace corvane
