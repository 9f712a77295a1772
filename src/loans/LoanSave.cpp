#include "loans/LoanSave.h"

#include <functional>
#include <optional>
#include <string>

#include "loans/CLoan.h"
#include "loans/LoanLimits.h"
#include "loans/LoanStore.h"
#include "loans/LoanWriteOffs.h"
#include "platform/com/Money.h"
#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "request/ErrorReply.h"
#include "request/Messages.h"
#include "request/RequestFrame.h"
#include "request/Values.h"
#include "vouchers/VoucherCard.h"
#include "vouchers/VoucherKinds.h"
#include "vouchers/VoucherRights.h"

namespace corvane {

namespace {

bool answer(FuncCall& call, std::string_view procedure, const std::function<bool()>& work) {
  return answerAsMember(call.oXml, "CLoan", procedure, work, VoucherFailureText);
}

XmlNode requestRow(const FuncCall& call) {
  const XmlNode in = call.oNode.child("in");
  const XmlNode row = in ? in.firstChild() : XmlNode();
  if (!row) raiseObjectMissing();
  return row;
}

std::string warning(const char* id, const std::string& limit, const std::string& actual) {
  return "<row>" + XmlEncode(GetResString(id, "", limit, actual)) + "</row>";
}

// The warnings of the limits the voucher `row` would break, and whether one of them is hard.
std::string limitWarnings(FuncCall& call, const XmlNode& row, const PersonLoanLimits& limits) {
  const long days = voucherAgeInDays(call.ologin, row.attribute("dtDate"));
  const OpenLoans open = readOpenLoans(call.CN, call.ologin, row.attribute("strPersonCode"), row.attribute("GUID"));
  std::string rows;
  bool hard = false;
  const auto broken = [&](const LoanLimit& limit, const std::string& line) {
    rows += line;
    hard = hard || limit.controlType == "1";
  };
  if (limits.days.on) {
    const Currency limit = limitValue(limits.days);
    const Currency longest = loanAgeInDays(days, open);
    if (longest > limit) {
      broken(limits.days, warning("Z7.Corvane.0264", NullToStr(limits.days.value), CStr(Variant(longest))));
    }
  }
  if (limits.count.on && wholeNumber(open.count + 1) > limitValue(limits.count)) {
    broken(limits.count, warning("Z7.Corvane.0265", NullToStr(limits.count.value), std::to_string(open.count + 1)));
  }
  if (limits.amount.on) {
    const Currency owed = open.owed + MoneyOf(Variant(row.attribute("dblOldMoney")));
    const Currency limit = limitValue(limits.amount);
    if (owed > limit) broken(limits.amount, warning("Z7.Corvane.0267", TwoDecimals(limit), TwoDecimals(owed)));
  }
  return "<Rows CtrlType='" + std::string(hard ? "1" : "0") + "'>" + rows + "</Rows>";
}

}  // namespace

bool SaveLoanVoucher(CLoan& loan, FuncCall& call) {
  return saveLoanVoucherWith(
      call, VoucherSaveServices{[&](XmlNode headRow) { return loan.InitAudit(call.ologin, call.CN, headRow); }});
}

bool CheckLoanXY(FuncCall& call) {
  return answer(call, "CheckLoanXY", [&] {
    const XmlNode row = requestRow(call);
    RequirePersonWithinRights(call.ologin, call.CN, row.attribute("strPersonCode"));
    const std::optional<PersonLoanLimits> limits = readLoanLimits(call.CN, row.attribute("strPersonCode"));
    if (limits) loadReply(call.oXml, limitWarnings(call, row, *limits));
    return true;
  });
}

bool GetHXInfo(FuncCall& call) {
  return answer(call, "GetHXInfo", [&] {
    const XmlNode row = requestRow(call);
    if (!row.hasAttribute("GUID")) raiseMessage("Z7.Corvane.0263");
    // A loan outside the user's data rights shows as one that does not exist: no lines.
    const std::string guid = row.attribute("GUID");
    const bool visible = VoucherRights(call.ologin, kLoanKind.headTable).containsGuid(call.CN, guid);
    loadReply(call.oXml, visible ? writeOffRows(call.CN, guid) : "<Rows></Rows>");
    return true;
  });
}

bool CheckModify(FuncCall& call) {
  return answer(call, "CheckModify", [&] {
    const XmlNode in = call.oNode.child("in");
    if (!in) raiseObjectMissing();
    const std::string guid = in.text();
    const std::optional<std::string> flag = in.findAttribute("flag");
    if (!flag) raiseObjectMissing();
    if (guid.empty()) raiseMessage("Z7.Corvane.0268");
    // A loan outside the user's data rights answers as one that does not exist.
    const bool visible = VoucherRights(call.ologin, kLoanKind.headTable).containsGuid(call.CN, guid);
    if (*flag != "0") {
      if (visible) refuseWrittenOffVoucher(call.CN, guid);
    } else {
      if (!visible) raiseMessage("Z7.Corvane.0180");
      refuseSubmittedVoucher(call.CN, guid);
    }
    loadReply(call.oXml, "<Rows />");
    return true;
  });
}

}  // namespace corvane
