#pragma once
// The claim save ("savevouch"): head checks, state guards of a stored claim, numbering of a new
// one, head and lines with each line's item and expense standard checked, the total, submit on
// save and the hand-over of the saved claim to the request's "getVouchListID" func. Lines over a
// prompting standard do not stop the save: their findings come back as a warning reply.

#include "vouchers/VoucherSavePipeline.h"

namespace corvane {

class CExpense;
struct FuncCall;

// True when the claim was stored (the reply then holds the warning reply, the last drawn number
// or nothing); false with the save's error reply, or the numbering's own, in `call.oXml`. A
// saved claim becomes the current claim of `claim` (AutoID, strCardNum).
bool saveExpenseVoucherWith(CExpense& claim, FuncCall& call, const VoucherSaveServices& services);

// "savevouch" with the host's approval flow and the shared voucher submission.
bool SaveExpenseVoucher(CExpense& claim, FuncCall& call);

}  // namespace corvane
