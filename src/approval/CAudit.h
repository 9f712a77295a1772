#pragma once
// Approval of loan vouchers and claims: "CheckAudit" approves a list of vouchers, or cancels their
// approval, under budget control, one transaction per voucher. Vouchers under an approval flow
// are not approved there but answered back, for the client to drive them through their flow with
// "AuditVouch". "DelAudit" withdraws a submitted voucher; "GetAuditInfo" and "GetAudiState" show
// where a voucher stands in its flow and what it went through.
//
// The dispatcher takes no function right and opens no transaction; "CheckAudit" runs the module
// lock check first. The members take the rights of each voucher's kind around it.

#include <span>

#include "request/RequestFrame.h"

namespace corvane {

class CAudit : public FramedClass<CAudit> {
 public:
  static const FrameSettings kFrame;
  static const std::span<const FuncEntry<CAudit>> kFuncs;

  // Request: the first child of `in` carries `flag` ("1" approve, else cancel) and one child per
  // voucher with `guid`, `ts`, `strType` ("KX01", "KX02", "KX03") and `strVouchID`.
  // Answers true with "<Error>" and one `err` per voucher refused or carrying a budget or cheque
  // message (message 0165: row number, voucher number, text) when there is one; else "<Rows>" with
  // the vouchers under a flow; else nothing. Each voucher approved directly is committed on its
  // own. A refused right answers false with the refusal; an unknown kind, a claim that cannot be
  // cancelled (0162) or a run-time error answers false with its error reply; vouchers served
  // before stay committed.
  bool CheckAudit(FuncCall& call);

  // Approves (or takes back) one flow step of each voucher of `//strGUID/Rows`; see FlowApproval.
  bool AuditVouch(FuncCall& call);
  // Withdraws a submitted voucher; see WithdrawVoucher.
  bool DelAudit(FuncCall& call);
  // The flow's information text of a voucher; see AnswerFlowInfo.
  bool GetAuditInfo(FuncCall& call);
  // The flow's history of a voucher with its print text; see AnswerFlowHistory.
  bool GetAudiState(FuncCall& call);
};

}  // namespace corvane
