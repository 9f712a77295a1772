#pragma once
// Budget control: CheckBudCtrl approves one loan voucher or claim, or cancels its approval, under
// the budget of the login object's host, inside the caller's transaction; the requests "CheckBud"
// (does budget control apply to a voucher card) and "GetPort" (a budget item's dimensions) answer
// the client.
//
// The dispatcher takes no function right and runs no lock check; it holds one transaction for the
// whole request, rolled back when a func fails without `goon`.

#include <span>
#include <string>

#include "request/RequestFrame.h"

namespace corvane {

class LoginContext;
namespace db {
class Connection;
}

// The code of a dimension text "[code]name": the text between the first "[" and the first "]";
// everything before the "]" when there is no "["; "" when there is no "]", a "]" comes before
// the first "[", or the text is empty.
std::string GetCodeInBracket(const std::string& text);

// Whether the module option blnBudCtrl puts budget control on loan vouchers (true) or on claims
// (false): its value read as a Boolean ("true"/"false" in any letter case, a number: 0 false,
// any other true). A missing row raises 0150; any other value raises a type mismatch.
bool BudgetControlOnLoans(db::Connection& CN);

class CBudCtrl : public FramedClass<CBudCtrl> {
 public:
  static const FrameSettings kFrame;
  static const std::span<const FuncEntry<CBudCtrl>> kFuncs;

  // Request: the first child of `in` holds the voucher card ("KX01" loan voucher, "KX02"/"KX03"
  // claims). Answers "<Return />" when the budget system serves the module and the option
  // blnBudCtrl puts budget control on that card; else false with the error reply
  // "Corvane:CLoan:recordGet:9000" (0148 no card, 0149 component not usable, the component's
  // reason or 0366 module not opened, 0150 option missing, 0151 loan while control is on claims,
  // 0152 claim while control is on loans).
  bool CheckBud(FuncCall& call);

  // Request: the first child of `in` holds a budget item code. Answers "<Return Port1='code'
  // Port1Name='name' ... />" with a pair for each of the item's three dimensions that has a code
  // (values escaped), "<Return />" for an item without any (or an unknown item); false with the
  // error reply of CheckBud for 0153 (no item) or 0149 (component not usable or module not opened).
  bool GetPort(FuncCall& call);

  // Approves (`blnAudit`) or cancels the approval of the voucher `strGUID` of `strTable`
  // ("KX_LoanVouch" or "KX_ExpenVouch") whose row version the client read as `ts`, on `CN`
  // inside the caller's open transaction. The caller commits on true and rolls back on false.
  //
  // When the module option blnBudCtrl puts the voucher under budget control and it has a budget
  // item, the budget is charged (approving; not when it already took the amount) or released
  // (cancelling) and its verdict recorded on the head (intBudPass, intOverBud). Then, unless
  // `blnWorkFlow`, the approver is written (UserName) or cleared, loan lines get new row
  // versions, and `strBudRet` starts with "success" (followed by the budget's message, if any).
  //
  // True without "success": the budget refused (status 0, 1 or 3) and `strBudRet` is its
  // message; an approval's verdict is recorded on the head, a cancel leaves the head as it was.
  // False: `strBudRet` is the reason (0367/0368 missing or changed voucher, 0157 voucher refused
  // with control type 3, 0149 budget component not usable, 0150 option missing, or a run-time
  // error's description); whatever the call wrote must be rolled back. Never raises.
  bool CheckBudCtrl(LoginContext& ologin, db::Connection& CN, const std::string& strGUID, const std::string& ts,
                    const std::string& strTable, bool blnAudit, std::string& strBudRet, bool blnWorkFlow);
};

}  // namespace corvane
