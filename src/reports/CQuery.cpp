#include "reports/CQuery.h"

#include <array>
#include <functional>
#include <string>

#include "platform/com/RuntimeError.h"
#include "reports/ListQueries.h"
#include "reports/PagedList.h"
#include "request/ErrorReply.h"
#include "request/Messages.h"

namespace corvane {

namespace {

constexpr std::string_view kClassName = "CQuery";

std::string queryFailReply(std::string_view funcName) {
  return "<error><id>Corvane:CQuery:myHandle:" + std::string(funcName) + "</id><text>" +
         GetResString("Z7.Corvane.0002") + "</text></error>";
}

// Serves one page of the list that `build` makes; a run-time error becomes the member's error
// reply, with the list's failure text when the error has none.
bool answerList(FuncCall& call, std::string_view member, const char* failureMessageId,
                const std::function<PagedQuery()>& build) {
  return answerAsMember(
      call.oXml, kClassName, member,
      [&] {
        const PageRequest page = ReadPageRequest(call.oNode);
        AnswerPage(call.CN, page, build(), "Corvane:CQuery:" + std::string(member), call.oXml);
        return true;
      },
      [&](const RuntimeError& error) {
        return error.description().empty() ? GetResString(failureMessageId) : error.description();
      });
}

constexpr std::array kFuncTable = {
    FuncEntry<CQuery>{"listloandata", &CQuery::ListLoanData, false, "KX0301"},
    FuncEntry<CQuery>{"listrepaydata", &CQuery::ListRepayData, false, "KX0302"},
    FuncEntry<CQuery>{"listpzdata", &CQuery::ListPZData, false, "KX0303"},
    FuncEntry<CQuery>{"listnetpaydata", &CQuery::ListNetpayData},
    FuncEntry<CQuery>{"listmakepzdata", &CQuery::ListMakePZData},
};

}  // namespace

const FrameSettings CQuery::kFrame{.className = "CQuery",
                                   .rightScope = RightScope::PerFunc,
                                   .rightCode = {},
                                   .connectionTimeout = 60,
                                   .transaction = TransactionScope::None,
                                   .failReply = queryFailReply,
                                   .numberInErrorId = false};
const std::span<const FuncEntry<CQuery>> CQuery::kFuncs{kFuncTable};

bool CQuery::ListLoanData(FuncCall& call) {
  return answerList(call, "ListLoanData", "Z7.Corvane.0324",
                    [&] { return ApprovalListQuery(VoucherKind::Loan, call.ologin, call.CN, call.oNode); });
}

bool CQuery::ListRepayData(FuncCall& call) {
  return answerList(call, "ListRepayData", "Z7.Corvane.0325",
                    [&] { return ApprovalListQuery(VoucherKind::Claim, call.ologin, call.CN, call.oNode); });
}

bool CQuery::ListPZData(FuncCall& call) {
  return answerList(call, "ListPZData", "Z7.Corvane.0326", [&] { return LedgerListQuery(call.ologin, call.oNode); });
}

bool CQuery::ListNetpayData(FuncCall& call) {
  return answerList(call, "ListNetpayData", "Z7.Corvane.0327",
                    [&] { return PayableLineListQuery(call.ologin, call.CN, call.oNode); });
}

bool CQuery::ListMakePZData(FuncCall& call) {
  return answerList(call, "ListMakePZData", "Z7.Corvane.0328",
                    [&] { return PostableVoucherListQuery(call.ologin, call.CN, call.oNode); });
}

}  // namespace corvane
