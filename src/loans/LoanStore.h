#pragma once
// The loan save: request checks, the borrower's hard loan limits, state guards, numbering, head
// and lines, totals, submit on save and the hand-over to the request's "getVouchListID" func.
// The approval flow and the submission are handed in, so that the save can be run against any
// flow component.

#include <functional>
#include <memory>

#include "platform/xml/XmlDocument.h"

namespace corvane {

class ApprovalFlowServer;
struct FuncCall;

struct LoanSaveServices {
  std::function<std::unique_ptr<ApprovalFlowServer>()> createFlow;
  // Submits the stored voucher named by the head row; false ends the save without a reply.
  std::function<bool(XmlNode headRow)> submit;
};

// The "savevouch" member: true when the voucher was stored; false after a failure, with the
// save's error reply (or the numbering's own reply) in `call.oXml`.
bool saveLoanVoucherWith(FuncCall& call, const LoanSaveServices& services);

}  // namespace corvane
