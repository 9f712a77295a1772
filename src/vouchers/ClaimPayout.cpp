#include "vouchers/ClaimPayout.h"

#include "platform/com/Money.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "request/Messages.h"
#include "request/RequestFrame.h"
#include "request/SqlGateway.h"
#include "request/Values.h"
#include "vouchers/VoucherKinds.h"

namespace corvane {

void RefuseClaimOverpayment(FuncCall& call, const std::string& claim, LinesCounted counted,
                            const std::string& sending) {
  const std::string guid = db::quoteLiteral(claim);
  const db::Recordset head = sql::open(
      call.CN, "Select strTypeCode,dblMoney,(Select Sum(isnull(dblJE,0)) From KX_ExpenLoanInfo Where Expenguid = " +
                   guid + ") As dblJE From KX_ExpenVouch Where GUID = " + guid);
  if (head.eof()) return;
  const bool income = &ClaimKind(NullToStr(head.field("strTypeCode").value())) == &kIncomeClaimKind;
  Currency limit = MoneyOf(head.field("dblMoney").value());
  if (!income) limit = limit - MoneyOf(head.field("dblJE").value());

  Currency moved;
  const std::string atBank =
      "Case When isnull(strPayID,'')<>'' Or GUID = " + db::quoteLiteral(sending) + " Then 1 Else 0 End As atBank";
  for (db::Recordset line =
           sql::open(call.CN, "Select intIOType,dblMoney," + atBank + " From KX_BalanceInfo Where ExpenGUID = " + guid);
       !line.eof(); line.moveNext()) {
    const Currency money = MoneyOf(line.field("dblMoney").value());
    // An expense claim's receipts come back from the claimant: they add to what it pays out.
    if (!income && NullToNum(line.field("intIOType").value()) == 1) {
      limit = limit + money;
    } else if (counted == LinesCounted::All || NullToNum(line.field("atBank").value()) == 1) {
      moved = moved + money;
    }
  }
  // Nothing moved is never too much: a claim whose write-offs pass its amount waits for receipts.
  if (moved > Currency() && moved > limit) {
    raiseMessage("Z7.Corvane.0653", GroupedTwoDecimals(moved), GroupedTwoDecimals(limit));
  }
}

}  // namespace corvane
