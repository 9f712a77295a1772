#pragma once
// The loan save on the shared voucher save pipeline: besides the common steps, the borrower's
// hard loan limits, the state guards of a stored loan, the opening-balance flag, and the lines by
// settlement style with the head's total and whether every line is a bill. The approval flow and
// the submission are handed in, so that the save can be run against any flow component.

#include "vouchers/VoucherSavePipeline.h"

namespace corvane {

struct FuncCall;

// The "savevouch" member: true when the voucher was stored; false after a failure, with the
// save's error reply (or the numbering's own reply) in `call.oXml`.
bool saveLoanVoucherWith(FuncCall& call, const VoucherSaveServices& services);

}  // namespace corvane
