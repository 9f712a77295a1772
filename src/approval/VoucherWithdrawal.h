#pragma once
// "DelAudit": a submitted loan voucher or claim is taken back out of approval: its flow is removed
// and it returns to saved (blnAudi 0, no over-budget verdict), so that it can be edited again.

#include "request/RequestFrame.h"

namespace corvane {

// Request: `in/GUID`, `in/ts` (the row version as the client read it) and `in/type`, the voucher's
// card ("KX01" loan voucher, "KX02" income claim, "KX03" expense claim), whose right (KX020101
// loans, KX020301 claims) is taken around the withdrawal. Answers "<RetValue ts='<new ts>' />"
// and true. A refused right answers false with the refusal. Any failure answers false with
// "Corvane:CAudit:DelAudit:<number>" (0177 unknown card; 0385 no such voucher, outside the user's
// data rights, or changed; 0178 not submitted; 0179 approved; 0374 the budget took it; the flow's
// reason, or 0396, when it does not let the voucher go; 0159 for the retry errors) and leaves the
// voucher and its flow as they were.
bool WithdrawVoucher(FuncCall& call);

}  // namespace corvane
