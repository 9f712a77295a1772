#include "loans/CLoan.h"

#include <array>
#include <cstdint>

#include "loans/LoanSave.h"
#include "platform/com/RuntimeError.h"
#include "request/Messages.h"
#include "request/RequestText.h"
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
    FuncEntry<CLoan>{"getVouchListID", &CLoan::GetVouchListID},
    FuncEntry<CLoan>{"getVouchByGUID", &CLoan::GetVouchByGUID},
    FuncEntry<CLoan>{"vchgetloanheaddata", &CLoan::GetVoucherHead},
    FuncEntry<CLoan>{"vchgetloanbodydata", &CLoan::GetVoucherBody},
    FuncEntry<CLoan>{"getOperList", &CLoan::GetOperList},
    FuncEntry<CLoan>{"vchmoduleget", &CLoan::VchModuleGet},
    FuncEntry<CLoan>{"vchnoformatget", &CLoan::VchNoFormatGet},
    FuncEntry<CLoan>{"delvouch", &CLoan::DelVouch, true, {}, true},
    FuncEntry<CLoan>{"savevouch", &CLoan::SaveVouch, true, {}, true},
    FuncEntry<CLoan>{"submitaudit", &CLoan::SubmitAudit, true, {}, true},
    FuncEntry<CLoan>{"GetHXInfo", &CLoan::GetHXInfo},
    FuncEntry<CLoan>{"CheckLoanXY", &CLoan::CheckLoanXY},
    FuncEntry<CLoan>{"CheckModify", &CLoan::CheckModify, false, {}, true},
};

// The dispatcher's error text: message 0159 for a busy or broken database, else the escaped
// description.
std::string dispatcherErrorText(std::int32_t number, const std::string& description) {
  return XmlEncode(VoucherFailureText(RuntimeError(number, description)));
}

}  // namespace

const FrameSettings CLoan::kFrame{
    .className = "CLoan",
    .handlerName = "myHandle",
    .rightScope = RightScope::PerRequest,
    .rightCode = "KX020101",
    .connectionTimeout = 60,
    .transaction = TransactionScope::FromFirstWritingFunc,
    .failReply = nullptr,
    .errorText = dispatcherErrorText,
};
const std::span<const FuncEntry<CLoan>> CLoan::kFuncs = kFuncTable;

void CLoan::myHandle(LoginContext* ologin, XmlDocument& oXml) {
  AutoID.clear();
  FramedClass<CLoan>::myHandle(ologin, oXml);
}

bool CLoan::GetVoucherHead(FuncCall& call) { return ReadVoucherHead(kLoanReads, call, AutoID, nullptr); }

bool CLoan::GetVoucherBody(FuncCall& call) { return ReadVoucherBody(kLoanReads, call, AutoID); }

bool CLoan::GetOperList(FuncCall& call) {
  return ReadOperList(kLoanReads, call, !AutoID.empty(), nullptr, strShowModel);
}

bool CLoan::VchModuleGet(FuncCall& call) {
  XmlNode id = call.oNode.selectSingleNode("in/id");
  if (!id) raiseObjectMissing();
  if (id.text().empty()) id.setText(strShowModel);
  return ServeTemplate(call);
}

bool CLoan::VchNoFormatGet(FuncCall& call) { return ServeNumberFormat(call); }

bool CLoan::GetVouchListID(FuncCall& call) {
  CurrentVoucher current{AutoID, strShowModel, nullptr};
  return NavigateVouchers(kLoanNavigation, call, current);
}

bool CLoan::GetVouchByGUID(FuncCall& call) {
  CurrentVoucher current{AutoID, strShowModel, nullptr};
  return LookUpVoucher(kLoanNavigation, call, current);
}

bool CLoan::DelVouch(FuncCall& call) { return DeleteVoucher(kLoanDeletion, call); }

bool CLoan::SubmitAudit(FuncCall& call) {
  return SubmitVoucher(kLoanSubmission, call, [this](LoginContext& login, db::Connection& CN, const XmlNode& row) {
    return InitAudit(login, CN, row);
  });
}

bool CLoan::InitAudit(LoginContext& m_objLogin, db::Connection& CN, const XmlNode& oNode) {
  return SubmitVoucherToFlow(m_objLogin, CN, oNode);
}

bool CLoan::SaveVouch(FuncCall& call) { return SaveLoanVoucher(*this, call); }
bool CLoan::CheckLoanXY(FuncCall& call) { return corvane::CheckLoanXY(call); }
bool CLoan::GetHXInfo(FuncCall& call) { return corvane::GetHXInfo(call); }
bool CLoan::CheckModify(FuncCall& call) { return corvane::CheckModify(call); }

}  // namespace corvane
