#pragma once
// Budget control of a voucher's approval: CheckBudCtrl approves one loan voucher or claim, or
// cancels its approval, under the budget of the login object's host, inside the caller's
// transaction.

#include <string>

namespace corvane {

class LoginContext;
namespace db {
class Connection;
}

// The code of a dimension text "[code]name": the text between the first "[" and the first "]";
// everything before the "]" when there is no "["; "" when there is no "]", a "]" comes before
// the first "[", or the text is empty.
std::string GetCodeInBracket(const std::string& text);

class CBudCtrl {
 public:
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
  // with control type 3, 0149 budget component not usable, or a run-time error's description);
  // whatever the call wrote must be rolled back. Never raises.
  bool CheckBudCtrl(LoginContext& ologin, db::Connection& CN, const std::string& strGUID,
                    const std::string& ts, const std::string& strTable, bool blnAudit, std::string& strBudRet,
                    bool blnWorkFlow);
};

}  // namespace corvane
