#include "approval/LoanCheques.h"

#include <exception>

#include "host/LoginContext.h"
#include "platform/com/Money.h"
#include "platform/com/RuntimeError.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "request/Messages.h"
#include "request/SqlGateway.h"
#include "request/Values.h"
#include "vouchers/Cheques.h"
#include "vouchers/OPSubjectLookup.h"

namespace corvane {

namespace {

std::string chequeLinesSql(const std::string& loanGuid) {
  return "Select kx_loanvouch_sub.strBillID, kx_loanvouch_sub.strBalanceID, kx_loanvouch_sub.strPayBankID, "
         "kx_loanvouch_sub.dblPreMoney, kx_loanvouch.strTypeCode, kx_loanvouch.strVouchID, "
         "kx_loanvouch.strbill, "
         "kx_loanvouch.strUsed, department.cDepName, person.cPersonName "
         "From kx_loanvouch_sub Inner Join kx_loanvouch On kx_loanvouch_sub.MGuid = kx_loanvouch.GUID "
         "Left Join settlestyle On kx_loanvouch_sub.strBalanceID = settlestyle.csscode "
         "Left Join department On kx_loanvouch.strDepartID = department.cDepCode "
         "Left Join person On kx_loanvouch.strLoanID = person.cPersonCode "
         "where kx_loanvouch_sub.MGuid = " +
         db::quoteLiteral(loanGuid) +
         " and IsNull(kx_loanvouch_sub.dblpremoney, 0) <> 0 and isnull(settlestyle.bssflag,0)=1 "
         "Order By kx_loanvouch_sub.AutoID";
}

std::string text(const db::Recordset& rs, const char* name) { return NullToStr(rs.field(name).value()); }

// The message of one line, "" when its cheque was registered.
std::string registerLine(LoginContext& ologin, db::Connection& CN, const db::Recordset& line) {
  const std::string voucher = text(line, "strVouchID");
  const std::string chequeNumber = text(line, "strBillID");
  if (chequeNumber.empty()) return GetResString("Z7.Corvane.0182", "", voucher);
  const std::string account = GetPzSetSubject(CN, text(line, "strTypeCode"), text(line, "strBalanceID"),
                                              text(line, "strPayBankID"), text(line, "strbill"));
  if (account.empty()) return GetResString("Z7.Corvane.0183", "", voucher);
  const Currency amount = Rounded(MoneyOf(line.field("dblPreMoney").value()), 2);
  std::string notice;
  RegisterCheque(ologin, true, account, chequeNumber, text(line, "strBalanceID"), amount, ologin.LoginDate(),
                 text(line, "strUsed"), text(line, "cDepName"), text(line, "cPersonName"), "", notice);
  return notice.empty() ? std::string() : GetResString("Z7.Corvane.0181", "", voucher, notice);
}

}  // namespace

std::string RegisterLoanCheques(LoginContext& ologin, db::Connection& CN, const std::string& loanGuid) {
  try {
    db::Recordset lines = sql::openReadOnly(CN, chequeLinesSql(loanGuid));
    std::string messages;
    for (; !lines.eof(); lines.moveNext()) messages += registerLine(ologin, CN, lines);
    return messages;
  } catch (const RuntimeError& error) {
    if (error.description().empty()) return GetResString("Z7.Corvane.0184", "", std::to_string(error.number()));
    return GetResString("Z7.Corvane.0365", "", error.description());
  } catch (const std::exception& error) {
    return GetResString("Z7.Corvane.0365", "", error.what());
  }
}

}  // namespace corvane
