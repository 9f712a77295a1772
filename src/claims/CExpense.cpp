#include "claims/CExpense.h"

#include <array>
#include <cstdint>

#include "platform/com/RuntimeError.h"
#include "request/Values.h"
#include "vouchers/Templates.h"
#include "vouchers/VoucherCard.h"
#include "vouchers/VoucherDeletion.h"
#include "vouchers/VoucherNavigation.h"
#include "vouchers/VoucherNumbers.h"
#include "vouchers/VoucherReads.h"
#include "vouchers/VoucherSubmission.h"

namespace corvane {

namespace {

constexpr std::array kFuncTable = {
    FuncEntry<CExpense>{"getVouchListID", &CExpense::GetVouchListID},
    FuncEntry<CExpense>{"getVouchByGUID", &CExpense::GetVouchByGUID},
    FuncEntry<CExpense>{"vchgetloanheaddata", &CExpense::GetVoucherHead},
    FuncEntry<CExpense>{"vchgetloanbodydata", &CExpense::GetVoucherBody},
    FuncEntry<CExpense>{"getOperList", &CExpense::GetOperList},
    FuncEntry<CExpense>{"vchmoduleget", &CExpense::VchModuleGet},
    FuncEntry<CExpense>{"vchnoformatget", &CExpense::VchNoFormatGet},
    FuncEntry<CExpense>{"delvouch", &CExpense::DelVouch, true, {}, true},
    FuncEntry<CExpense>{"savevouch", &CExpense::SaveVouch, true, {}, true},
    FuncEntry<CExpense>{"submitaudit", &CExpense::SubmitAudit, true, {}, true},
    FuncEntry<CExpense>{"GetStand", &CExpense::GetStand},
    FuncEntry<CExpense>{"GetLoanInfo", &CExpense::GetLoanInfo},
    FuncEntry<CExpense>{"SaveLoanInfo", &CExpense::SaveLoanInfo, true},
    FuncEntry<CExpense>{"GetExpenInfo", &CExpense::GetExpenInfo},
    FuncEntry<CExpense>{"SaveExpenInfo", &CExpense::SaveExpenInfo, true, {}, true},
};

// The dispatcher's error text: message 0159 for a busy or broken database, else the escaped
// description.
std::string dispatcherErrorText(std::int32_t number, const std::string& description) {
  return XmlEncode(VoucherFailureText(RuntimeError(number, description)));
}

XmlNode requiredChild(const XmlNode& func, std::string_view path) {
  XmlNode node = func.selectSingleNode(path);
  if (!node) raiseObjectMissing();
  return node;
}

}  // namespace

const FrameSettings CExpense::kFrame{
    .className = "CExpense",
    .handlerName = "myHandle",
    .rightScope = RightScope::PerRequest,
    .rightCode = "KX020301",
    .connectionTimeout = 60,
    .transaction = TransactionScope::FromFirstWritingFunc,
    .failReply = nullptr,
    .errorText = dispatcherErrorText,
};
const std::span<const FuncEntry<CExpense>> CExpense::kFuncs = kFuncTable;

void CExpense::myHandle(LoginContext* ologin, XmlDocument& oXml) {
  AutoID.clear();
  FramedClass<CExpense>::myHandle(ologin, oXml);
}

bool CExpense::GetVoucherHead(FuncCall& call) { return ReadVoucherHead(kClaimReads, call, AutoID, &strCardNum); }

bool CExpense::GetVoucherBody(FuncCall& call) { return ReadVoucherBody(kClaimReads, call, AutoID); }

bool CExpense::GetOperList(FuncCall& call) {
  return ReadOperList(kClaimReads, call, !AutoID.empty(), &strCardNum, strShowModel);
}

bool CExpense::VchModuleGet(FuncCall& call) {
  XmlNode id = requiredChild(call.oNode, "in/id");
  XmlNode type = requiredChild(call.oNode, "in/type");
  if (id.text().empty()) id.setText(strShowModel);
  if (!AutoID.empty() || type.text().empty()) type.setText(strCardNum);
  return ServeTemplate(call);
}

bool CExpense::VchNoFormatGet(FuncCall& call) {
  if (!strCardNum.empty()) requiredChild(call.oNode, "in/type").setText(strCardNum);
  return ServeNumberFormat(call);
}

bool CExpense::GetVouchListID(FuncCall& call) {
  CurrentVoucher current{AutoID, strShowModel, &strCardNum};
  return NavigateVouchers(kClaimNavigation, call, current);
}

bool CExpense::GetVouchByGUID(FuncCall& call) {
  CurrentVoucher current{AutoID, strShowModel, &strCardNum};
  return LookUpVoucher(kClaimNavigation, call, current);
}

bool CExpense::DelVouch(FuncCall& call) {
  CurrentVoucher current{AutoID, strShowModel, &strCardNum};
  return DeleteVoucher(kClaimDeletion, call, &current);
}

bool CExpense::SubmitAudit(FuncCall& call) {
  return SubmitVoucher(kClaimSubmission, call, [this](LoginContext& login, db::Connection& CN, const XmlNode& row) {
    return InitAudit(login, CN, row);
  });
}

bool CExpense::InitAudit(LoginContext& m_objLogin, db::Connection& CN, const XmlNode& oNode) {
  return SubmitVoucherToFlow(m_objLogin, CN, oNode);
}

}  // namespace corvane
