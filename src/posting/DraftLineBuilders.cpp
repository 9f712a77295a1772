#include "posting/DraftLineBuilders.h"

#include <functional>

#include "platform/com/Money.h"
#include "platform/com/RuntimeError.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "posting/DraftLine.h"
#include "posting/DraftState.h"
#include "posting/LedgerAccounts.h"
#include "request/Messages.h"
#include "request/SqlGateway.h"
#include "request/Values.h"

namespace corvane {

namespace {

// Settlement rows and offsets convert to the local currency in cents; loan lines keep what a
// money column holds.
constexpr int kCents = 2;
constexpr int kMoneyDecimals = 4;

std::string headColumns(const std::string& head) {
  std::string columns;
  for (const char* column : {"strUsed", "strBill", "strTypeCode", "fltRate", "strDepartID", "strLoanID",
                             "strItemClassID", "strItemID", "dtLoanDate", "GUID", "strVouchID", "intBudPass"}) {
    columns += head + "." + column + ",";
  }
  return columns + "Person.cPersonName,Department.cDepName";
}

std::string nameJoins(const std::string& head) {
  return " Left Join Person On Person.cPersonCode = " + head +
         ".strLoanID Left Join Department On "
         "Department.cDepCode = " +
         head + ".strDepartID";
}

void requireDraftTable(const DraftState& state) {
  if (state.table.empty()) raiseMessage("Z7.Corvane.0371");
}

Variant value(const db::Recordset& rs, const char* column) { return rs.field(column).value(); }
std::string textOf(const db::Recordset& rs, const char* column) { return NullToStr(value(rs, column)); }

// The source voucher's values that every line of it carries.
DraftLine lineOfHead(const db::Recordset& rs) {
  DraftLine line;
  line.typeCode = textOf(rs, "strTypeCode");
  line.vouchGuid = textOf(rs, "GUID");
  line.digest = textOf(rs, "strUsed");
  line.currency = textOf(rs, "strBill");
  line.rate = value(rs, "fltRate");
  line.departmentId = textOf(rs, "strDepartID");
  line.departmentName = textOf(rs, "cDepName");
  line.personId = textOf(rs, "strLoanID");
  line.personName = textOf(rs, "cPersonName");
  line.itemId = textOf(rs, "strItemID");
  line.itemClass = textOf(rs, "strItemClassID");
  line.sourceNumber = textOf(rs, "strVouchID");
  line.budgetPassed = NullToNum(value(rs, "intBudPass")) != 0;
  return line;
}

// `amount` in the voucher's currency converted to the local currency by the voucher's rate:
// multiplied when the currency says so (bcal), divided otherwise. A voucher without a rate is
// refused rather than divided by zero.
Currency localAmount(const db::Recordset& rs, Currency amount, int decimals) {
  const Factor rate = Factor::of(value(rs, "fltRate"));
  if (rate.sign() == 0) raiseMessage("Z7.Corvane.0660", textOf(rs, "strVouchID"));
  return NullToBool(value(rs, "bcal")) ? rate.times(amount, decimals) : rate.divides(amount, decimals);
}

std::string billNumberOf(const db::Recordset& rs) { return textOf(rs, "strBillID"); }

// Runs `query` and hands each row to `write`; false when there was none.
bool forEachRow(db::Connection& CN, const std::string& query, const std::function<void(const db::Recordset&)>& write) {
  db::Recordset rs = sql::openReadOnly(CN, query);
  if (rs.eof()) return false;
  for (; !rs.eof(); rs.moveNext()) write(rs);
  return true;
}

std::string claimLinesSql(const std::string& guid) {
  return "Select " + headColumns("KX_ExpenVouch") +
         ",case when isnull(KX_ExpenVouch_Sub.dblMoney,0)<>0 then KX_ExpenVouch_Sub.dblMoney else "
         "KX_ExpenVouch.dblMoney end as dblMoney,case when isnull(KX_ExpenVouch_Sub.dblOldMoney,0)<>0 then "
         "KX_ExpenVouch_Sub.dblOldMoney else KX_ExpenVouch.dblOldMoney end as dblOldMoney,"
         "KX_ExpenVouch_Sub.strIOItem,KX_ExpenVouch_Sub.dblNumber,KX_ExpenVouch_Sub.intAppend From KX_ExpenVouch "
         "Left Join KX_ExpenVouch_Sub On KX_ExpenVouch_Sub.MGUID = KX_ExpenVouch.GUID" +
         nameJoins("KX_ExpenVouch") + " Where KX_ExpenVouch.GUID = " + db::quoteLiteral(guid) +
         " Order By KX_ExpenVouch_Sub.AutoID";
}

std::string settlementRowsSql(const std::string& guid) {
  return "Select " + headColumns("KX_ExpenVouch") +
         ",foreigncurrency.bcal,KX_BalanceInfo.intIOType,KX_BalanceInfo.strBalanceID,SettleStyle.cSSName,"
         "KX_BalanceInfo.strPayBankID,KX_BalanceInfo.dblMoney,KX_BalanceInfo.strBillID From KX_ExpenVouch "
         "Inner Join foreigncurrency On foreigncurrency.cexch_name=KX_ExpenVouch.strbill Inner Join KX_BalanceInfo "
         "On KX_BalanceInfo.ExpenGUID = KX_ExpenVouch.GUID Left Join SettleStyle On SettleStyle.cSSCode = "
         "KX_BalanceInfo.strBalanceID" +
         nameJoins("KX_ExpenVouch") + " Where KX_ExpenVouch.GUID = " + db::quoteLiteral(guid) +
         " Order By KX_BalanceInfo.AutoID";
}

std::string loanLinesSql(const std::string& head, const std::string& condition, const std::string& order,
                         const std::string& extraColumns, const std::string& extraJoin) {
  return "Select " + headColumns(head) +
         ",foreigncurrency.bcal,KX_LoanVouch_Sub.strBillID,KX_LoanVouch_Sub.strBalanceID,"
         "KX_LoanVouch_Sub.strPayBankID,SettleStyle.cSSName" +
         extraColumns +
         " From KX_LoanVouch Inner Join "
         "foreigncurrency On foreigncurrency.cexch_name=KX_LoanVouch.strbill Inner Join KX_LoanVouch_Sub On "
         "KX_LoanVouch_Sub.MGuid = KX_LoanVouch.GUID" +
         extraJoin +
         " Left Join SettleStyle On "
         "SettleStyle.cSSCode = KX_LoanVouch_Sub.strBalanceID" +
         nameJoins(head) + " Where " + condition + " Order By " + order;
}

// The source date of a voucher's lines: read once, from its first row.
struct SourceDate {
  Variant date = Variant::null();
  bool read = false;
  void take(const db::Recordset& rs) {
    if (read) return;
    date = value(rs, "dtLoanDate");
    read = true;
  }
};

void settleFrom(DraftLine& line, const db::Recordset& rs) {
  line.settleStyle = textOf(rs, "strBalanceID");
  line.settleName = textOf(rs, "cSSName");
}

struct ClaimBuild {
  db::Connection& CN;
  const LoginContext& ologin;
  DraftState& state;
  const std::string& guid;
  SourceDate sourceDate;
  std::string userDefined;

  // Writes `line` with the claim's source date and user-defined text.
  void write(DraftLine& line) {
    line.sourceDate = sourceDate.date;
    line.userDefined = userDefined;
    InsertDraftLine(CN, ologin, state, line);
  }
};

// Writes a settlement-side `line` of the claim with the settlement and bill number of row `rs`.
void writeSettledLine(ClaimBuild& build, DraftLine& line, const db::Recordset& rs) {
  settleFrom(line, rs);
  line.billNumber = billNumberOf(rs);
  build.write(line);
}

// Item lines of a claim: `normalDebit` false for income claims, true for expense claims; the
// quantity goes to the side used, as `quantity` writes it.
bool writeClaimItemLines(ClaimBuild& build, bool normalDebit, std::string (*quantity)(const Variant&)) {
  return forEachRow(build.CN, claimLinesSql(build.guid), [&](const db::Recordset& rs) {
    build.sourceDate.take(rs);
    const LedgerAccount account =
        GetIOSubject(build.CN, textOf(rs, "strTypeCode"), textOf(rs, "strIOItem"), textOf(rs, "strBill"));
    DraftLine line = lineOfHead(rs);
    line.accountCode = account.code;
    line.accountName = account.name;
    PutAmounts(line, normalDebit, account.mayChangeSide, MoneyOf(value(rs, "dblOldMoney")),
               MoneyOf(value(rs, "dblMoney")));
    const std::string number = quantity(value(rs, "dblNumber"));
    line.debitQuantity = line.debit ? number : "0";
    line.creditQuantity = line.debit ? "0" : number;
    line.documents = NumStr(value(rs, "intAppend"));
    build.write(line);
  });
}

// Receipt and payment rows of a claim: receipts (intIOType "1") on the debit side; payments on
// the debit side of income claims and the credit side of expense claims.
bool writeSettlementLines(ClaimBuild& build, bool paymentsOnDebit) {
  return forEachRow(build.CN, settlementRowsSql(build.guid), [&](const db::Recordset& rs) {
    build.sourceDate.take(rs);
    const std::string kind = textOf(rs, "intIOType");
    const LedgerAccount account =
        GetOPSubject(build.CN, kind, textOf(rs, "strBalanceID"), textOf(rs, "strPayBankID"), textOf(rs, "strBill"));
    DraftLine line = lineOfHead(rs);
    line.accountCode = account.code;
    line.accountName = account.name;
    const Currency money = MoneyOf(value(rs, "dblMoney"));
    PutAmounts(line, kind == "1" || paymentsOnDebit, false, localAmount(rs, money, kCents), money);
    writeSettledLine(build, line, rs);
  });
}

// The loan amounts an expense claim wrote off: a credit on the loan's account (its item-side
// account, or for a line paid in advance its payment-side account, which may change sides).
bool writeOffsetLines(ClaimBuild& build) {
  const std::string sql = loanLinesSql(
      "KX_LoanVouch", "KX_ExpenLoanInfo.Expenguid = " + db::quoteLiteral(build.guid), "KX_LoanVouch_Sub.AutoID",
      ",CASE when isnull(KX_LoanVouch_Sub.dblpreMoney,0)=0 then 1 else 0 end as iop,"
      "KX_ExpenLoanInfo.dblJE",
      " Inner Join KX_ExpenLoanInfo On KX_LoanVouch_Sub.GUID = KX_ExpenLoanInfo.LoanSubguid");
  return forEachRow(build.CN, sql, [&](const db::Recordset& rs) {
    build.sourceDate.take(rs);
    const std::string typeCode = textOf(rs, "strTypeCode");
    const bool prepaid = NullToNum(value(rs, "iop")) == 0;
    LedgerAccount account = prepaid ? GetOPSubject(build.CN, typeCode.substr(0, 1), textOf(rs, "strBalanceID"),
                                                   textOf(rs, "strPayBankID"), textOf(rs, "strBill"))
                                    : GetIOSubject(build.CN, typeCode, "", textOf(rs, "strBill"));
    if (prepaid) account.mayChangeSide = true;
    DraftLine line = lineOfHead(rs);
    line.vouchGuid = build.guid;
    line.accountCode = account.code;
    line.accountName = account.name;
    const Currency money = MoneyOf(value(rs, "dblJE"));
    PutAmounts(line, false, account.mayChangeSide, localAmount(rs, money, kCents), money);
    writeSettledLine(build, line, rs);
  });
}

std::string quantityNumber(const Variant& v) { return NumStr(v); }
std::string quantityOrNull(const Variant& v) { return SqlNum(v); }

}  // namespace

void MakeExpensePZRows(db::Connection& CN, const LoginContext& ologin, DraftState& state, const std::string& guid) {
  requireDraftTable(state);
  ClaimBuild build{CN, ologin, state, guid, {}, GetCDefineValues("kx_expenvouch", guid, CN)};
  if (!writeClaimItemLines(build, false, &quantityNumber)) raiseMessage("Z7.Corvane.0257");
  if (!writeSettlementLines(build, true)) raiseMessage("Z7.Corvane.0297");
}

void MakeExpenseOffsetPZRows(db::Connection& CN, const LoginContext& ologin, DraftState& state,
                             const std::string& guid) {
  requireDraftTable(state);
  ClaimBuild build{CN, ologin, state, guid, {}, GetCDefineValues("kx_expenvouch", guid, CN)};
  const bool items = writeClaimItemLines(build, true, &quantityOrNull);
  const bool settlements = writeSettlementLines(build, false);
  const bool offsets = writeOffsetLines(build);
  if (!items && !settlements && !offsets) raiseMessage("Z7.Corvane.0257");
}

void MakeLoanPZRows(db::Connection& CN, const LoginContext& ologin, DraftState& state, const std::string& guid) {
  requireDraftTable(state);
  const std::string userDefined = GetCDefineValues("kx_loanvouch", guid, CN);
  const std::string paymentKind = GetResString("Z7.Corvane.0186");
  SourceDate sourceDate;
  const std::string sql = loanLinesSql("KX_LoanVouch", "KX_LoanVouch.GUID = " + db::quoteLiteral(guid),
                                       "KX_LoanVouch_Sub.AutoID", ",KX_LoanVouch_Sub.dblMoney", "");
  const bool any = forEachRow(CN, sql, [&](const db::Recordset& rs) {
    sourceDate.take(rs);
    const Currency money = MoneyOf(value(rs, "dblMoney"));
    const Currency local = localAmount(rs, money, kMoneyDecimals);
    DraftLine item = lineOfHead(rs);
    const LedgerAccount loanAccount = GetIOSubject(CN, item.typeCode, "", item.currency);
    item.accountCode = loanAccount.code;
    item.accountName = loanAccount.name;
    PutAmounts(item, true, loanAccount.mayChangeSide, local, money);
    item.sourceDate = sourceDate.date;
    item.userDefined = userDefined;
    InsertDraftLine(CN, ologin, state, item);

    DraftLine payment = lineOfHead(rs);
    const LedgerAccount paymentAccount =
        GetOPSubject(CN, paymentKind, textOf(rs, "strBalanceID"), textOf(rs, "strPayBankID"), payment.currency);
    payment.accountCode = paymentAccount.code;
    payment.accountName = paymentAccount.name;
    PutAmounts(payment, false, false, local, money);
    settleFrom(payment, rs);
    payment.budgetPassed = false;
    payment.sourceDate = sourceDate.date;
    payment.userDefined = userDefined;
    InsertDraftLine(CN, ologin, state, payment);
  });
  if (!any) raiseMessage("Z7.Corvane.0257");
}

}  // namespace corvane
