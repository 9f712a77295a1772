#include "posting/LedgerVoiding.h"

#include <memory>
#include <optional>
#include <regex>

#include "host/Host.h"
#include "host/LoginContext.h"
#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "platform/xml/XmlDocument.h"
#include "posting/LedgerRights.h"
#include "posting/LedgerVoucherLock.h"
#include "request/ErrorReply.h"
#include "request/Messages.h"
#include "request/RequestTransaction.h"
#include "request/SqlGateway.h"

namespace corvane {

namespace {

// The net bank's code for this module's payment rows.
constexpr int kBankSource = 4;

// Ledger tasks that keep vouchers from being voided while they run, with their refusals.
struct LedgerTask {
  const char* code;
  const char* message;
};
constexpr LedgerTask kLedgerTasks[] = {
    {"GL0204", "Z7.Corvane.0306"}, {"GL0203", "Z7.Corvane.0307"}, {"GL1803", "Z7.Corvane.0308"},
    {"GL0208", "Z7.Corvane.0309"}, {"GL1512", "Z7.Corvane.0310"},
};

// The languages the ledger list may show its state texts in.
constexpr const char* kListLocales[] = {"zh-CN", "en-us"};

std::string textOf(const Variant& value) { return value.isNull() || value.isEmpty() ? std::string() : CStr(value); }

// A whole number given as text, written back as digits; nothing for any other text.
std::optional<std::string> wholeNumber(const std::string& text) {
  static const std::regex kWhole(R"(\s*-?[0-9]{1,9}\s*)");
  if (!std::regex_match(text, kWhole)) return std::nullopt;
  return std::to_string(std::stol(text));
}

std::string checkedNumber(const std::string& text) {
  const std::optional<std::string> number = wholeNumber(text);
  if (!number) raiseMessage("Z7.Corvane.0680");
  return *number;
}

// The ledger voucher a list row names, its numbers checked.
struct VoidedVoucher {
  std::string batch;    // coutno_id, as a literal
  std::string number;   // ino_id
  std::string signSeq;  // isignseq (the list names it strpztypeid), as given
  std::string strpzcode;
};

bool showsVoided(const XmlNode& row) {
  const std::optional<std::string> state = row.findAttribute("iflag");
  if (!state) return false;
  for (const char* locale : kListLocales)
    if (*state == GetResString("Z7.Corvane.Web.0744", locale)) return true;
  return *state == GetResString("Z7.Corvane.Web.0744");
}

VoidedVoucher readRow(const XmlNode& row) {
  if (showsVoided(row)) raiseMessage("Z7.Corvane.0300");
  const std::string batch = row.attribute("pzguid");
  if (batch.empty()) raiseMessage("Z7.Corvane.0300");
  std::string signSeq = row.attribute("isignseq");
  if (signSeq.empty()) signSeq = row.attribute("strpztypeid");
  if (!signSeq.empty()) signSeq = checkedNumber(signSeq);
  return VoidedVoucher{db::quoteLiteral(batch), checkedNumber(row.attribute("ino_id")), signSeq,
                       row.attribute("strpzcode")};
}

// The period of the voucher code "sign-period-number".
std::string periodOf(const std::string& strpzcode) {
  const std::size_t first = strpzcode.find('-');
  const std::size_t second = first == std::string::npos ? first : strpzcode.find('-', first + 1);
  if (second == std::string::npos) raiseMessage("Z7.Corvane.0680");
  return checkedNumber(strpzcode.substr(first + 1, second - first - 1));
}

std::string voucherCondition(const VoidedVoucher& voucher) {
  return "ino_id = " + voucher.number + " And coutno_id = " + voucher.batch;
}

std::string voucherWhere(const VoidedVoucher& voucher) { return " Where " + voucherCondition(voucher); }

// Before any guard speaks of its state: a ledger voucher outside the user's data rights answers as
// one that does not exist.
void refuseOutsideRights(const LoginContext& ologin, db::Connection& CN, const VoidedVoucher& voucher) {
  if (LedgerVoucherOutsideRights(ologin, CN, voucherCondition(voucher))) raiseMessage("Z7.Corvane.0300");
}

void refuseMarked(db::Connection& CN, const VoidedVoucher& voucher) {
  if (sql::count(CN, "select count(*) from sysobjects where type='U' and name='GL_LTDATA1'") == 0) return;
  if (voucher.signSeq.empty()) raiseMessage("Z7.Corvane.0680");
  if (sql::count(CN, "Select Count(*) As intMarked From GL_LTDATA1 Where ino_id = " + voucher.number +
                         " And iperiod = " + periodOf(voucher.strpzcode) + " And isignseq = " + voucher.signSeq) > 0)
    raiseMessage("Z7.Corvane.0303");
}

// The ledger's own state: over budget, checked, signed by the cashier, booked. Answers the voucher's type
// word; a voucher of which the ledger holds no row cannot be voided.
std::string checkLedgerState(db::Connection& CN, const VoidedVoucher& voucher) {
  if (sql::count(CN, "Select Count(*) From gl_accvouch Where iBG_overflag=2 and ino_id = " + voucher.number +
                         " And coutno_id = " + voucher.batch) > 0)
    raiseMessage("Z7.Corvane.0304");
  const db::Recordset rs = sql::openReadOnly(
      CN, "Select ccashier, ccheck, cbook, IsNull(ibook,0) As ibook, cSign From gl_accvouch" + voucherWhere(voucher));
  if (rs.eof()) raiseMessage("Z7.Corvane.0300");
  const auto blank = [&rs](const char* column) {
    return textOf(rs.field(column).value()).find_first_not_of(' ') == std::string::npos;
  };
  if (!blank("ccheck") || !blank("ccashier")) raiseMessage("Z7.Corvane.0305");
  if (!blank("cbook") || CLng(rs.field("ibook").value()) == 1) raiseMessage("Z7.Corvane.0690");
  return textOf(rs.field("cSign").value());
}

// Ledger tasks taken in the account, as the system database records them.
void refuseRunningLedgerTasks(const LoginContext& ologin, db::Connection& CN) {
  for (const LedgerTask& task : kLedgerTasks)
    if (sql::count(CN, "Select Count(*) As intNum From VqSystem..UA_Task Where cAuth_ID = '" + std::string(task.code) +
                           "' And cAcc_ID = " + db::quoteLiteral(ologin.AccountId())) > 0)
      raiseMessage(task.message);
}

void refuseReferred(db::Connection& CN, const VoidedVoucher& voucher) {
  if (sql::count(CN, "select count(*) from gl_accvouch Where isnull(ssxznum,'')<>'' And coutno_id = " + voucher.batch) >
      0)
    raiseMessage("Z7.Corvane.0311");
}

// Every loan line and claim receipt or payment row of the batch's source vouchers.
void forgetBankLinks(db::Connection& CN, const VoidedVoucher& voucher, BankPay& bank) {
  db::Recordset rs =
      sql::openReadOnly(CN,
                        "select kx_loanvouch_sub.guid from kx_loanvouch join kx_loanvouch_sub on "
                        "kx_loanvouch_sub.mguid=kx_loanvouch.guid where kx_loanvouch.pzguid = " +
                            voucher.batch +
                            " union select KX_BalanceInfo.guid from kx_expenvouch join KX_BalanceInfo on "
                            "KX_BalanceInfo.expenguid=kx_expenvouch.guid where kx_expenvouch.pzguid = " +
                            voucher.batch);
  for (; !rs.eof(); rs.moveNext()) {
    std::string errorText;
    if (!bank.DeletePZID(kBankSource, CN, textOf(rs.field(0).value()), errorText)) raiseBusiness(errorText);
  }
}

void voidVoucher(const LoginContext& ologin, db::Connection& CN, const VoidedVoucher& voucher,
                 const std::string& sign) {
  const std::unique_ptr<BankPay> bank = ologin.host().bankPay();
  RequestTransaction transaction(CN);
  forgetBankLinks(CN, voucher, *bank);
  std::string lockError;
  LockPZ(ologin, CN, ologin.SystemId(), sign, voucher.number, lockError);
  if (sql::execute(CN, "UPDATE gl_accvouch SET iflag = 1,ibg_overflag=null" + voucherWhere(voucher)) == 0)
    raiseMessage("Z7.Corvane.0300");
  const std::string unlink = " Set strMakerID = null, PZGUID = null Where PZGUID = " + voucher.batch;
  const long unlinked =
      sql::execute(CN, "Update KX_LoanVouch" + unlink) + sql::execute(CN, "Update KX_ExpenVouch" + unlink);
  if (unlinked == 0) raiseMessage("Z7.Corvane.0300");
  // The lock was written in this transaction: a void that cannot remove it rolls back rather than
  // leave the voucher locked for good.
  if (!UnLockPZ(CN, ologin.SystemId(), sign, voucher.number)) raiseMessage("Z7.Corvane.0002");
  transaction.commit();
}

}  // namespace

std::string CancelPZ(const LoginContext& ologin, db::Connection& CN, const XmlNode& row) {
  try {
    const VoidedVoucher voucher = readRow(row);
    refuseOutsideRights(ologin, CN, voucher);
    refuseMarked(CN, voucher);
    const std::string sign = checkLedgerState(CN, voucher);
    refuseRunningLedgerTasks(ologin, CN);
    refuseReferred(CN, voucher);
    voidVoucher(ologin, CN, voucher, sign);
    return "";
  } catch (const RuntimeError& error) {
    return error.description();
  }
}

bool CancelPZList(const LoginContext& ologin, db::Connection& CN, const XmlNode& funcNode, XmlDocument& oXml) {
  std::string refusals;
  const std::vector<XmlNode> rows = funcNode.selectNodes("in/rows/*");
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::string refusal = CancelPZ(ologin, CN, rows[i]);
    if (!refusal.empty()) refusals += GetResString("Z7.Corvane.0299", "", std::to_string(i + 1), refusal + "\n");
  }
  if (refusals.empty()) {
    loadReply(oXml, "<Return />");
    return true;
  }
  loadReply(oXml, ErrorReply("CLoan", "recordGet", errnum::kBusiness, refusals));
  return false;
}

}  // namespace corvane
