#include "loans/CLoan.h"

#include <array>

#include "loans/VoucherReads.h"

namespace corvane {

namespace {

constexpr std::array kFuncTable = {
    FuncEntry<CLoan>{"vchgetloanheaddata", &CLoan::GetVoucherHead},
    FuncEntry<CLoan>{"vchgetloanbodydata", &CLoan::GetVoucherBody},
    FuncEntry<CLoan>{"getOperList", &CLoan::GetOperList},
};

}  // namespace

const FrameSettings CLoan::kFrame{
    .className = "CLoan",
    .handlerName = "myHandle",
    .rightScope = RightScope::PerRequest,
    .rightCode = "KX020101",
    .connectionTimeout = 60,
    .transaction = TransactionScope::FromFirstWritingFunc,
    .failReply = nullptr,
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

}  // namespace corvane
