#pragma once
// The receipt and payment lines of a claim: listing and saving them. A save that makes the lines
// match the claim's amount settles the claim and, while it is approved, verifies it. A claim, or a
// line of one, outside the user's data rights answers as one that does not exist.

#include <string>
#include <string_view>

#include "vouchers/ClaimPayout.h"

namespace corvane {

struct FuncCall;

// "GetExpenInfo": the lines of the claim named by the func's `GUID` (else by its `in`'s), as
// "<Rows><row .../></Rows>" in entry order, the kind shown as its message text.
bool GetExpenInfo(FuncCall& call);

// "SaveExpenInfo": inserts, updates and deletes the rows under `in`'s first child (attribute `P`
// 1, 2, 3; 0 unchanged), each checked against its row version; then refuses a posted claim, one
// changed since it was read, and lines that pay out more than the claim settles (ClaimPayout.h),
// settles and verifies the claim when its lines match its amount, hands the claim's new row
// version to a "SaveLoanInfo" func of the same request, and answers the refreshed list.
bool SaveExpenInfo(FuncCall& call);

// Writes the claim's current row version into the `ts` of the `in` of the request's first func
// named `partner`, so that a later save of the same claim in the request passes its version
// check. That `in` must carry a `ts` already; a request without such a func is left alone.
void handClaimVersionTo(FuncCall& call, const std::string& claim, std::string_view partner);

// Refuses the claim's lines when the counted ones move more than the claim settles
// (RefuseClaimOverpayment), once its lines and write-offs are final for the request: a `partner`
// save of the same claim later in the request checks in its place. After a partner save earlier
// in the request every line counts; otherwise `alone` says which.
void refuseOverpayment(FuncCall& call, const std::string& claim, std::string_view partner, LinesCounted alone);

}  // namespace corvane
