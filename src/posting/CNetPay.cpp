#include "posting/CNetPay.h"

#include <algorithm>
#include <array>
#include <memory>
#include <optional>

#include "host/BankPay.h"
#include "host/Host.h"
#include "host/LoginContext.h"
#include "platform/com/Money.h"
#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/db/RecordsetXml.h"
#include "platform/tsql/SqlLiteral.h"
#include "platform/xml/XmlDocument.h"
#include "request/ErrorReply.h"
#include "request/Messages.h"
#include "request/QueryBuilders.h"
#include "request/RequestTransaction.h"
#include "request/Rights.h"
#include "request/SqlGateway.h"
#include "request/TempTables.h"
#include "request/Values.h"
#include "vouchers/ClaimPayout.h"

namespace corvane {

namespace {

constexpr std::string_view kClassName = "CNetPay";
// The kind of payment the module hands to the net bank.
constexpr int kBankSource = 4;

// What differs between a loan line and a claim's receipt or payment row.
struct PaymentRowKind {
  const char* head;             // the voucher head table
  const char* line;             // the payment row table
  const char* headKey;          // the row's column holding its head's GUID
  const char* versionTable;     // whose row version must hold across the bank call
  const char* receiverAccount;  // the row's column holding the receiver's account
  const char* readCondition;    // what else the check read asks of the voucher
  const char* notFound;         // the message of a row that the check read does not find
  bool locksEachPayment;        // the module lock is asked again before each payment
  bool rereadsOnWithdrawal;     // the row version is checked again after a withdrawal
  bool limitedByClaim;          // the rows at the bank may not move more than the claim settles
};

constexpr PaymentRowKind kLoanLine{
    "KX_LoanVouch", "KX_LoanVouch_Sub", "MGuid", "KX_LoanVouch", "strBankAcc", "", "Z7.Corvane.0110", true, true,
    false};
// A claim's rows can be paid only once the claim is settled (it has a verifier).
constexpr PaymentRowKind kClaimRow{"KX_ExpenVouch",
                                   "KX_BalanceInfo",
                                   "ExpenGUID",
                                   "KX_BalanceInfo",
                                   "strRecAcc",
                                   " and isnull(KX_ExpenVouch.strverifier,'') <>''",
                                   "Z7.Corvane.0112",
                                   false,
                                   false,
                                   true};

// Operation type codes of loans begin with "3"; every other code is a claim's.
const PaymentRowKind& kindOf(const std::string& strtypecode) {
  return strtypecode.rfind('3', 0) == 0 ? kLoanLine : kClaimRow;
}

// The state of a payment row as the check read finds it.
struct PaymentRowState {
  std::string headGuid;
  Currency ts;  // the version that must hold across the bank call
  std::string strPayID;
  bool blnNetOK = false;
  std::string strAuditorID;
  std::string strMakerID;
};

// The voucher heads narrowed to the user's data rights, joined with their payment rows, and the
// condition that picks the row `guid`.
std::string rowSource(const LoginContext& ologin, const PaymentRowKind& kind, const std::string& guid) {
  return " From " + GetAuthSource(ologin, kind.head, true) + " Inner Join " + kind.line + " On " + kind.head +
         ".GUID=" + kind.line + "." + kind.headKey + " Where " + kind.line + ".GUID=" + db::quoteLiteral(guid);
}

// The check read: nothing when the row does not exist, lies outside the user's data rights or
// (for claims) belongs to a claim not yet settled.
std::optional<PaymentRowState> readPaymentRow(FuncCall& call, const PaymentRowKind& kind, const std::string& guid) {
  const db::Recordset rs = sql::open(
      call.CN, std::string("Select ") + kind.head + ".GUID As headGuid,Convert(money," + kind.versionTable +
                   ".ts) as ts," + kind.line + ".strPayID," + kind.line + ".blnNetOK," + kind.head + ".strAuditorID," +
                   kind.head + ".strMakerID" + rowSource(call.ologin, kind, guid) + kind.readCondition);
  if (rs.eof()) return std::nullopt;
  PaymentRowState state;
  state.headGuid = NullToStr(rs.field("headGuid").value());
  state.ts = MoneyOf(rs.field("ts").value());
  state.strPayID = NullToStr(rs.field("strPayID").value());
  state.blnNetOK = NullToBool(rs.field("blnNetOK").value());
  state.strAuditorID = NullToStr(rs.field("strAuditorID").value());
  state.strMakerID = NullToStr(rs.field("strMakerID").value());
  return state;
}

// The row version read before the bank call must still hold after it.
void checkUnchanged(FuncCall& call, const PaymentRowKind& kind, const std::string& guid, const PaymentRowState& before,
                    const std::string& messageId) {
  const std::optional<PaymentRowState> after = readPaymentRow(call, kind, guid);
  if (!after || after->ts != before.ts) raiseMessage(messageId);
}

// The bank-bill record of the payment row `guid`, selected into `table`. A row whose paying bank
// or currency is missing gives no record.
std::string billRecordSql(const PaymentRowKind& kind, const std::string& guid, const std::string& userName,
                          const std::string& table) {
  const std::string head = kind.head;
  const std::string line = kind.line;
  return "SELECT " + line + ".GUID AS iID," + line + ".strBillID AS cNoteNo," + head + ".dtLoanDate AS dVouchDate," +
         line + ".dblMoney AS iAmount_f," + head + ".strBill AS cExch_name,(CASE WHEN foreigncurrency.bcal = 1 THEN " +
         line + ".dblMoney * " + head + ".fltRate ELSE " + line + ".dblMoney / " + head + ".fltRate END) AS iAmount," +
         "bank.cBAccount AS cNatBankAccount," + line + "." + kind.receiverAccount + " AS cBankAccount," + head +
         ".strPersonID AS cOperator," + head + ".fltRate AS iExchRate," + head + ".strUsed AS cDigest," + line +
         ".strBalanceID AS cSSCode," + head + ".strDepartID AS cDeptCode," + head + ".strItemClassID AS cItem_Class," +
         head + ".strItemID AS cItemCode," + db::quoteLiteral(userName) + " AS cPerson Into " + table + " From " +
         head + " Inner Join " + line + " On " + head + ".GUID=" + line + "." + kind.headKey + " Inner Join bank On " +
         line + ".strPayBankID=bank.cBCode" + " Inner Join foreigncurrency On " + head +
         ".strBill=foreigncurrency.cexch_name" + " Where " + line + ".GUID=" + db::quoteLiteral(guid);
}

// The tempdb table through which one row's bill record is handed over: made anew for the row and
// dropped when the row's work ends, whether it succeeded or failed.
class BillTable {
 public:
  BillTable(db::Connection& connection, std::string name) : connection_(connection), name_(std::move(name)) {
    DropTmpTable(connection_, name_);
  }
  ~BillTable() { DropTmpTable(connection_, name_); }
  BillTable(const BillTable&) = delete;
  BillTable& operator=(const BillTable&) = delete;

  // Fills the table with `selectInto` and saves its records into `bill` in the record-set XML
  // persistence format; false when the table holds no record.
  bool read(const std::string& selectInto, XmlDocument& bill) {
    sql::execute(connection_, selectInto);
    db::Recordset rs = sql::open(connection_, "Select * From " + name_);
    const bool any = !rs.eof();
    db::saveAsXml(rs, bill);
    rs.close();
    return any;
  }

 private:
  db::Connection& connection_;
  std::string name_;
};

// What one func works with.
struct PaymentWork {
  FuncCall& call;
  BankPay& bank;
  const std::string& table;
};

void pay(PaymentWork& work, const PaymentRowKind& kind, const std::string& guid, const PaymentRowState& state) {
  FuncCall& call = work.call;
  if (kind.locksEachPayment) CheckSysLock(call.ologin);
  if (!state.strPayID.empty() || state.blnNetOK) raiseMessage("Z7.Corvane.0111");
  // Only approved vouchers are paid, and only before they are posted.
  if (state.strAuditorID.empty()) raiseMessage("Z7.Corvane.0650");
  if (!state.strMakerID.empty()) raiseMessage("Z7.Corvane.0651");
  if (kind.limitedByClaim) RefuseClaimOverpayment(call, state.headGuid, LinesCounted::AtTheBank, guid);
  XmlDocument bill;
  {
    BillTable billTable(call.CN, work.table);
    const std::string userName = call.ologin.UserName();
    if (!billTable.read(billRecordSql(kind, guid, userName, work.table), bill)) {
      raiseMessage("Z7.Corvane.0652");
    }
  }
  std::string errorText;
  if (!work.bank.ImportBill(kBankSource, call.CN, bill, errorText)) raiseBusiness(errorText);
  checkUnchanged(call, kind, guid, state, "Z7.Corvane.0112");
  const long marked = sql::execute(call.CN, std::string("Update ") + kind.line +
                                                " Set strPayID = " + db::quoteLiteral(call.ologin.UserName()) +
                                                " Where guid = " + db::quoteLiteral(guid));
  if (marked != 1) raiseMessage("Z7.Corvane.0112");
}

void withdraw(PaymentWork& work, const PaymentRowKind& kind, const std::string& guid, const PaymentRowState& state) {
  FuncCall& call = work.call;
  if (state.strPayID.empty()) raiseMessage("Z7.Corvane.0113");
  if (state.blnNetOK) raiseMessage("Z7.Corvane.0114");
  std::string errorText;
  if (!work.bank.DeleteBill(kBankSource, call.CN, guid, errorText)) raiseBusiness(errorText);
  if (kind.rereadsOnWithdrawal) checkUnchanged(call, kind, guid, state, "Z7.Corvane.0117");
  sql::execute(call.CN, std::string("Update ") + kind.line +
                            " Set strPayID = NULL,blnNetOK=0 Where GUID = " + db::quoteLiteral(guid));
}

void serveRow(PaymentWork& work, const XmlNode& row, bool blnPay) {
  RequestTransaction transaction(work.call.CN);
  const PaymentRowKind& kind = kindOf(row.attribute("strtypecode"));
  const std::string guid = row.attribute("guid");
  const std::optional<PaymentRowState> state = readPaymentRow(work.call, kind, guid);
  if (!state) raiseMessage(kind.notFound);
  if (blnPay) {
    pay(work, kind, guid, *state);
  } else {
    withdraw(work, kind, guid, *state);
  }
  transaction.commit();
}

std::string describeFailure(const RuntimeError& error) {
  return error.description().empty() ? GetResString("Z7.Corvane.0115") : error.description();
}

constexpr std::array kFuncTable{
    FuncEntry<CNetPay>{"netpay", &CNetPay::netpay, false, "KX020501", true},
    FuncEntry<CNetPay>{"netunpay", &CNetPay::netunpay, false, "KX020502", true},
};

}  // namespace

const FrameSettings CNetPay::kFrame{.className = kClassName,
                                    .rightScope = RightScope::PerFunc,
                                    .rightCode = {},
                                    .connectionTimeout = 60,
                                    .transaction = TransactionScope::OwnedByMembers};
const std::span<const FuncEntry<CNetPay>> CNetPay::kFuncs{kFuncTable};

bool CNetPay::netpay(FuncCall& call) { return KXtoNB(call, true); }

bool CNetPay::netunpay(FuncCall& call) { return KXtoNB(call, false); }

std::string CNetPay::GetRndName(db::Connection& CN) {
  db::Recordset rs = sql::open(CN, "Select newid() As rnd");
  std::string rnd = CStr(rs.field("Rnd").value());
  rs.close();
  // The GUID without its braces and hyphens.
  rnd = rnd.size() < 2 ? std::string() : rnd.substr(1, rnd.size() - 2);
  rnd.erase(std::remove(rnd.begin(), rnd.end(), '-'), rnd.end());
  return ("T" + rnd).substr(0, 20);
}

bool CNetPay::KXtoNB(FuncCall& call, bool blnPay) {
  // Failures before the rows are served reach the dispatcher.
  const std::unique_ptr<BankPay> bank = call.host().bankPay();
  if (!bank) throw RuntimeError(errnum::kClassNotRegistered, "The net-bank component cannot be created.");
  const std::string table = "tempdb.." + GetRndName(call.CN);
  return answerAsMember(
      call.oXml, kClassName, "KXtoNB",
      [&] {
        const XmlNode in = call.oNode.child("in");
        if (!in) raiseObjectMissing();
        PaymentWork work{call, *bank, table};
        for (const XmlNode& row : in.children()) serveRow(work, row, blnPay);
        // Each row drops its own bill table; this drop after the rows, whose payments are
        // committed already, must not turn their success into a failure.
        DropTmpTable(call.CN, table);
        return true;
      },
      describeFailure);
}

}  // namespace corvane
