#include "loans/LoanLimits.h"

#include "host/LoginContext.h"
#include "platform/com/Money.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "request/SqlGateway.h"
#include "request/Values.h"

namespace corvane {

namespace {

LoanLimit limitOf(const db::Recordset& rs, const char* switchColumn, const char* valueColumn, const char* typeColumn) {
  return LoanLimit{NullToBool(rs.field(switchColumn).value()), rs.field(valueColumn).value(),
                   NullToStr(rs.field(typeColumn).value())};
}

}  // namespace

std::optional<PersonLoanLimits> readLoanLimits(db::Connection& connection, const std::string& personCode) {
  const db::Recordset rs =
      sql::open(connection,
                "SELECT blnDay, intDay, strDayCtrType, blnNumber, intNumber, strNumCtrType , blnMoney, "
                "intMoney, strMonCtrType FROM KX_PersonCtrl Where strPersonCode = " +
                    db::quoteLiteral(personCode));
  if (rs.eof()) return std::nullopt;
  return PersonLoanLimits{limitOf(rs, "blnDay", "intDay", "strDayCtrType"),
                          limitOf(rs, "blnNumber", "intNumber", "strNumCtrType"),
                          limitOf(rs, "blnMoney", "intMoney", "strMonCtrType")};
}

OpenLoans readOpenLoans(db::Connection& connection, const LoginContext& login, const std::string& personCode,
                        const std::string& excludedGuid) {
  std::string query = "SELECT MAX(DATEDIFF([day], dtLoanDate, " +
                      db::quoteLiteral(DateToStr(Variant(login.LoginDate()), "-")) +
                      ")) AS A1, COUNT(*) AS A2,isnull(sum(case isnull(iotherused,0) when -1 then "
                      "isnull(dblmoney,0)-isnull(dblreturn,0) else (case isnull(bcal,0) when 1 then "
                      "(isnull(dblmoney,0)-isnull(dblreturn,0))*isnull(fltrate,1) else "
                      "(isnull(dblmoney,0)-isnull(dblreturn,0))/isnull(fltrate,1) end) end),0)as A3 from kx_loanvouch "
                      "left join foreigncurrency on kx_loanvouch.strbill=foreigncurrency.cexch_name WHERE ";
  if (!excludedGuid.empty()) query += "(GUID <> " + db::quoteLiteral(excludedGuid) + ") And ";
  query += "(blnSettle = 0) And (strLoanID = " + db::quoteLiteral(personCode) + ")";
  const db::Recordset rs = sql::open(connection, query);
  return OpenLoans{rs.field("A1").value(), CLng(rs.field("A2").value()), MoneyOf(rs.field("A3").value())};
}

long voucherAgeInDays(const LoginContext& login, const std::string& voucherDate) {
  const DateTime date = CDate(Variant(voucherDate.substr(0, 10)));
  return CLng(Variant::dbl(login.LoginDate().serial() - date.serial()));
}

Currency limitValue(const LoanLimit& limit) { return CCur(limit.value); }

Currency loanAgeInDays(long ownDays, const OpenLoans& open) {
  const Currency own = wholeNumber(ownDays);
  if (open.oldestDays.isNull()) return own;
  const Currency oldest = CCur(open.oldestDays);
  return oldest > own ? oldest : own;
}

Currency wholeNumber(long value) { return Currency::fromScaled(static_cast<std::int64_t>(value) * 10000); }

}  // namespace corvane
