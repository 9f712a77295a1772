#include "claims/CExpense.h"

#include <array>

#include "loans/VoucherReads.h"

namespace corvane {

namespace {

constexpr std::array kFuncTable = {
    FuncEntry<CExpense>{"vchgetloanheaddata", &CExpense::GetVoucherHead},
    FuncEntry<CExpense>{"vchgetloanbodydata", &CExpense::GetVoucherBody},
    FuncEntry<CExpense>{"getOperList", &CExpense::GetOperList},
};

}  // namespace

const FrameSettings CExpense::kFrame{
    .className = "CExpense",
    .handlerName = "myHandle",
    .rightScope = RightScope::PerRequest,
    .rightCode = "KX020301",
    .connectionTimeout = 60,
    .transaction = TransactionScope::FromFirstWritingFunc,
    .failReply = nullptr,
};
const std::span<const FuncEntry<CExpense>> CExpense::kFuncs = kFuncTable;

void CExpense::myHandle(LoginContext* ologin, XmlDocument& oXml) {
  AutoID.clear();
  FramedClass<CExpense>::myHandle(ologin, oXml);
}

bool CExpense::GetVoucherHead(FuncCall& call) {
  return ReadVoucherHead(kClaimReads, call, AutoID, &strCardNum);
}

bool CExpense::GetVoucherBody(FuncCall& call) { return ReadVoucherBody(kClaimReads, call, AutoID); }

bool CExpense::GetOperList(FuncCall& call) {
  return ReadOperList(kClaimReads, call, !AutoID.empty(), &strCardNum, strShowModel);
}

}  // namespace corvane
