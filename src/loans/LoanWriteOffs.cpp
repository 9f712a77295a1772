#include "loans/LoanWriteOffs.h"

#include "platform/com/Money.h"
#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "request/Messages.h"
#include "request/SqlGateway.h"
#include "request/Values.h"

namespace corvane {

namespace {

std::string value(const db::Recordset& rs, const char* column) {
  return XmlEncode(NullToStr(rs.field(column).value()));
}

Currency amount(const db::Recordset& rs, const char* column) { return MoneyOf(rs.field(column).value()); }

// What is left on the line: nothing on a line without an amount, else its amount less the repaid.
std::string amountLeft(const db::Recordset& rs) {
  const Currency money = amount(rs, "dblMoney");
  return (money == Currency() ? money : money - amount(rs, "dblReturn")).toString();
}

std::string lineRow(const db::Recordset& rs) {
  return "<row strBalance='" + value(rs, "strBalance") + "' dblMoney='" + value(rs, "dblMoney") + "' dblPreMoney='" +
         value(rs, "dblPreMoney") + "' dblReturn='" + value(rs, "dblReturn") + "' dblLeave='" + amountLeft(rs) +
         "' dblJE='' dtLoanDate='' strAuditorID='' cPersonName='' strVouchID='' blnUsed='' />";
}

std::string writeOffRow(const db::Recordset& rs) {
  return "<row strBalance='' dblMoney='' dblPreMoney='' dblReturn='' dblLeave='' dblJE='" + value(rs, "dblJE") +
         "' dtLoanDate='" + value(rs, "dtLoanDate") + "' strAuditorID='" + value(rs, "strAuditorID") +
         "' cPersonName='" + value(rs, "cPersonName") + "' strVouchID='" + value(rs, "strVouchID") + "' blnUsed='" +
         value(rs, "blnUsed") + "' />";
}

}  // namespace

std::string writeOffRows(db::Connection& connection, const std::string& guid) {
  db::Recordset rs =
      sql::open(connection,
                "Select strBalance,dblMoney,dblPreMoney,dblReturn,dblLeave,dblJE,dtLoanDate,strAuditorID,cPersonName,"
                "strVouchID,blnUsed From (SELECT KX_LoanVouch_Sub.AutoID,SettleStyle.cSSName AS "
                "strBalance,dbo.KX_LoanVouch_Sub.dblMoney, dbo.KX_LoanVouch_Sub.dblPreMoney, "
                "dbo.KX_LoanVouch_Sub.dblReturn, 0 AS dblLeave, dbo.vwKXExpenInfo.dblJE, dbo.vwKXExpenInfo.dtLoanDate, "
                "dbo.vwKXExpenInfo.strAuditorID, dbo.vwKXExpenInfo.cPersonName, dbo.vwKXExpenInfo.strVouchID, "
                "dbo.vwKXExpenInfo.blnUsed, dbo.KX_LoanVouch_Sub.MGuid, dbo.KX_LoanVouch_Sub.GUID FROM "
                "dbo.KX_LoanVouch_Sub LEFT OUTER JOIN dbo.vwKXExpenInfo ON dbo.KX_LoanVouch_Sub.GUID = "
                "dbo.vwKXExpenInfo.LoanSubguid and vwKXExpenInfo.blnUsed in (1,0) LEFT OUTER JOIN dbo.SettleStyle ON "
                "dbo.KX_LoanVouch_Sub.strBalanceID = dbo.SettleStyle.cSSCode) a Where MGUID = " +
                    db::quoteLiteral(guid) + " ORDER BY AutoID ");
  std::string rows = "<Rows>";
  for (; !rs.eof(); rs.moveNext()) {
    rows += lineRow(rs);
    if (!rs.field("dblJE").value().isNull()) rows += writeOffRow(rs);
  }
  return rows + "</Rows>";
}

void refuseWrittenOffVoucher(db::Connection& connection, const std::string& guid) {
  if (sql::exists(connection,
                  "Select Top 1 * From KX_ExpenLoanInfo Where LoanSubguid In (Select GUID From "
                  "KX_LoanVouch_Sub Where MGUID = " +
                      db::quoteLiteral(guid) + ")"))
    raiseMessage("Z7.Corvane.0270");
}

void refuseSubmittedVoucher(db::Connection& connection, const std::string& guid) {
  const db::Recordset rs = sql::open(connection, "Select * From KX_LoanVouch Where GUID = " + db::quoteLiteral(guid));
  if (rs.eof()) raiseMessage("Z7.Corvane.0180");
  const Variant submitted = rs.field("blnAudi").value();
  if (!submitted.isNull() && CBool(submitted)) raiseMessage("Z7.Corvane.0269");
}

}  // namespace corvane
