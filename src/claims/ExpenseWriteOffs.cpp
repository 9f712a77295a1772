#include "claims/ExpenseWriteOffs.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "claims/BalanceLines.h"
#include "host/LoginContext.h"
#include "platform/com/Money.h"
#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "platform/xml/XmlDocument.h"
#include "request/ErrorReply.h"
#include "request/Messages.h"
#include "request/RequestFrame.h"
#include "request/Rights.h"
#include "request/RowVersion.h"
#include "request/SqlGateway.h"
#include "request/Values.h"
#include "vouchers/VoucherCard.h"
#include "vouchers/VoucherKinds.h"
#include "vouchers/VoucherRights.h"
#include "vouchers/VoucherSave.h"

namespace corvane {

namespace {

using namespace voucher;

constexpr const char* kClassName = "CExpense";
constexpr const char* kUnapprovedRight = "KX020302";
constexpr const char* kApprovedRight = "KX020305";

// A number that goes into an SQL text as it was sent: anything but a plain number is refused.
std::string requiredNumber(const std::string& text) {
  const std::string number = SqlNum(Variant(text));
  if (number == "null") raiseTypeMismatch();
  return number;
}

// --- the list -------------------------------------------------------------------------------

// Amounts as read; Null stays absent, and any arithmetic with it gives an empty value.
using Amount = std::optional<Currency>;

Amount amount(const db::Recordset& rs, const char* column) {
  const Variant value = rs.field(column).value();
  if (value.isNull()) return std::nullopt;
  return CCur(value);
}

Amount operator-(Amount a, Amount b) {
  if (!a || !b) return std::nullopt;
  return *a - *b;
}

Amount operator+(Amount a, Amount b) {
  if (!a || !b) return std::nullopt;
  return *a + *b;
}

std::string text(Amount value) { return value ? CStr(Variant(*value)) : std::string(); }

// Flags come back as the digits the save reads them as.
std::string flagText(const Variant& value) {
  if (value.isNull()) return {};
  return NullToBool(value) ? "1" : "0";
}

bool isNonZero(Amount value) { return value && *value != Currency(); }

bool claimWithinRights(FuncCall& call, const std::string& guid) {
  return VoucherRights(call.ologin, kExpenseClaimKind.headTable).containsGuid(call.CN, guid);
}

struct LoanInfoRequest {
  std::string loanId;  // the claimant; asks for the offer
  std::string claim;   // the claim's GUID
  std::string bill;
  std::string rate;
};

LoanInfoRequest readLoanInfoRequest(const XmlNode& func) {
  const XmlNode in = requiredChild(func, "in");
  LoanInfoRequest request{in.attribute("strLoanID"), in.attribute("GUID"), required(in, "strBill"),
                          required(in, "fltRate")};
  if (request.loanId.empty() && request.claim.empty()) raiseMessage("Z7.Corvane.0284");
  request.rate = requiredNumber(request.rate);
  return request;
}

constexpr const char* kSelectList =
    "SELECT Person.cPersonName AS strLoan, KX_LoanVouch.strLoanID, "
    "KX_LoanVouch.dtLoanDate,KX_LoanVouch.strVouchID,KX_LoanVouch_Sub.strBalanceID, "
    "SettleStyle.cSSName AS strBalance,KX_LoanVouch_Sub.dblMoney,KX_LoanVouch_Sub.dblPreMoney,"
    "KX_LoanVouch_Sub.strBillID,CAST(KX_LoanVouch_Sub.ts AS money) AS ts,KX_LoanVouch_Sub.GUID,"
    "KX_LoanVouch_Sub.blnSettle,KX_ExpenLoanInfo.GUID AS GUID1,CAST(KX_ExpenLoanInfo.ts AS money) AS ts1,"
    "KX_ExpenLoanInfo.Expenguid,KX_ExpenLoanInfo.blnUsed,KX_ExpenLoanInfo.dblJE,KX_LoanVouch_Sub.dblReturn ";

constexpr const char* kNameJoins =
    "LEFT OUTER JOIN SettleStyle ON KX_LoanVouch_Sub.strBalanceID = SettleStyle.cSSCode LEFT OUTER JOIN "
    "Person ON KX_LoanVouch.strLoanID = Person.cPersonCode ";

std::string currencyCondition(const LoanInfoRequest& request) {
  return " And strBill = " + db::quoteLiteral(request.bill) + " And fltRate =" + request.rate;
}

std::string offerSql(const LoginContext& ologin, const LoanInfoRequest& request) {
  return std::string(kSelectList) +
         "FROM KX_LoanVouch_Sub Left OUTER JOIN KX_ExpenLoanInfo ON KX_LoanVouch_Sub.GUID = "
         "KX_ExpenLoanInfo.LoanSubguid LEFT OUTER JOIN " +
         VoucherRights(ologin, kLoanKind.headTable).source() + " ON KX_LoanVouch.GUID = KX_LoanVouch_Sub.MGuid " +
         kNameJoins + "WHERE (ISNULL(KX_LoanVouch.strAuditorID, '') <> '') And KX_LoanVouch.strLoanID = " +
         db::quoteLiteral(request.loanId) + currencyCondition(request) +
         " And(isnull(Expenguid ,'{00000000-0000-0000-0000-000000000000}')=" + db::quoteLiteral(request.claim) +
         " Or KX_LoanVouch_Sub.blnSettle = 0) Order by dtLoanDate";
}

std::string writeOffsSql(const LoginContext& ologin, const LoanInfoRequest& request) {
  return std::string(kSelectList) +
         "FROM KX_ExpenLoanInfo INNER JOIN KX_LoanVouch_Sub ON KX_LoanVouch_Sub.GUID = KX_ExpenLoanInfo.LoanSubguid "
         "LEFT OUTER JOIN " +
         VoucherRights(ologin, kLoanKind.headTable).source() + " ON KX_LoanVouch.GUID = KX_LoanVouch_Sub.MGuid " +
         kNameJoins +
         "WHERE (ISNULL(KX_LoanVouch.strAuditorID, '') <> '') And Expenguid = " + db::quoteLiteral(request.claim) +
         currencyCondition(request) + " Order by dtLoanDate";
}

// What a row shows of the line's amounts. The offer shows the line as it stands; the claim's list
// shows it as it stood before this claim's applied write-off, and what is left after it.
struct LineAmounts {
  std::string blnUsed, GUID1, ts1, dblReturn, dblLeave, dblRetValue, dblRetLeave;
};

LineAmounts offerAmounts(const db::Recordset& rs) {
  const Amount money = amount(rs, "dblMoney");
  const Amount repaid = amount(rs, "dblReturn");
  const Amount open = money - repaid;
  return {flagText(rs.field("blnUsed").value()),
          "",
          "",
          text(repaid),
          isNonZero(amount(rs, "dblPreMoney")) ? "0" : text(open),
          "",
          text(open)};
}

LineAmounts writeOffAmounts(const db::Recordset& rs) {
  const Amount money = amount(rs, "dblMoney");
  const Amount repaid = amount(rs, "dblReturn");
  const Amount written = amount(rs, "dblJE");
  const Variant used = rs.field("blnUsed").value();
  const bool applied = !used.isNull();
  const std::string shownUse = applied ? flagText(used) : (written && *written == Currency() ? "1" : "0");
  const Amount before = applied ? repaid - written : repaid;
  const Amount leftBefore = applied ? (money - repaid) + written : money - repaid;
  const Amount leftAfter = applied ? money - repaid : (money - repaid) - written;
  return {shownUse,
          NullToStr(rs.field("GUID1").value()),
          NullToStr(rs.field("ts1").value()),
          text(before),
          isNonZero(amount(rs, "dblPreMoney")) ? "0" : text(leftBefore),
          text(written),
          text(leftAfter)};
}

std::string attribute(const char* name, const std::string& value) {
  return std::string(" ") + name + "='" + XmlEncode(value) + "'";
}

std::string column(const db::Recordset& rs, const char* name) {
  return attribute(name, NullToStr(rs.field(name).value()));
}

std::string loanRow(const db::Recordset& rs, const LineAmounts& shown) {
  return "<row" + column(rs, "strLoan") + column(rs, "strLoanID") + column(rs, "dtLoanDate") +
         column(rs, "strVouchID") + column(rs, "strBalanceID") + column(rs, "strBalance") + column(rs, "dblMoney") +
         column(rs, "dblPreMoney") + column(rs, "strBillID") + attribute("blnUsed", shown.blnUsed) +
         column(rs, "GUID") + attribute("blnSettle", flagText(rs.field("blnSettle").value())) +
         attribute("GUID1", shown.GUID1) + column(rs, "ts") + attribute("ts1", shown.ts1) + column(rs, "Expenguid") +
         attribute("dblReturn", shown.dblReturn) + attribute("dblLeave", shown.dblLeave) +
         attribute("dblRetValue", shown.dblRetValue) + attribute("dblRetLeave", shown.dblRetLeave) + "/>";
}

bool getLoanInfo(FuncCall& call) {
  LoanInfoRequest request = readLoanInfoRequest(call.oNode);
  const bool offer = !request.loanId.empty();
  // A claim outside the user's data rights is read as one that does not exist: the empty GUID,
  // which no write-off names.
  if (!request.claim.empty() && !claimWithinRights(call, request.claim)) request.claim.clear();
  db::Recordset rs = sql::open(call.CN, offer ? offerSql(call.ologin, request) : writeOffsSql(call.ologin, request));
  std::string rows = "<Rows>";
  for (; !rs.eof(); rs.moveNext()) rows += loanRow(rs, offer ? offerAmounts(rs) : writeOffAmounts(rs));
  loadReply(call.oXml, rows + "</Rows>");
  return true;
}

// --- the save -------------------------------------------------------------------------------

struct Claim {
  std::string guid;
  std::string literal;  // the GUID as an SQL literal
  bool approved = false;
};

// The claim with the row version `ts`, or the refusal that it changed meanwhile; a claim outside
// the user's data rights answers as one that does not exist.
Claim readClaim(FuncCall& call, const std::string& guid, const std::string& ts) {
  db::Connection& connection = call.CN;
  Claim claim{guid, db::quoteLiteral(guid)};
  const RowVersion version = requireRowVersion(ts, "Z7.Corvane.0286");
  const std::string where = " where guid=" + claim.literal + " and " + version.condition();
  if (sql::count(connection, "select Count(*)as iOld from KX_ExpenVouch" + where) != 1 ||
      !claimWithinRights(call, guid)) {
    raiseMessage("Z7.Corvane.0286");
  }
  const db::Recordset rs = sql::open(connection, "select strAuditorID,blnaudi from KX_ExpenVouch" + where);
  claim.approved = !rs.eof() && !NullToStr(rs.field("strAuditorID").value()).empty();
  return claim;
}

// " or(<guid column>=<guid> and Cast(<ts column> As Money)=<ts>)": a row version that is no number
// adds nothing, so that the row counts without being found.
std::string versionTerm(const std::string& table, const std::string& guid, const std::string& ts) {
  const std::optional<RowVersion> version = RowVersion::parse(ts);
  if (!version) return {};
  return " or(" + table + ".GUID=" + db::quoteLiteral(guid) + " and " + version->condition(table + ".ts") + ")";
}

// Every loan line and every write-off that a row names must still have the row version read;
// answers how many write-offs the rows name.
int checkRowVersions(db::Connection& connection, const std::vector<XmlNode>& rows) {
  std::string lines = "1=0";
  std::string writeOffs = "1=0";
  int lineCount = 0;
  int writeOffCount = 0;
  for (const XmlNode& row : rows) {
    if (!row.attribute("GUID").empty()) {
      lines += versionTerm("KX_LoanVouch_Sub", row.attribute("GUID"), row.attribute("ts"));
      ++lineCount;
    }
    if (!row.attribute("GUID1").empty()) {
      writeOffs += versionTerm("KX_ExpenLoanInfo", row.attribute("GUID1"), row.attribute("ts1"));
      ++writeOffCount;
    }
  }
  if (sql::count(connection, "select Count(*)as iOld from KX_LoanVouch_Sub where " + lines) != lineCount ||
      sql::count(connection, "select Count(*)as iOld from KX_ExpenLoanInfo where " + writeOffs) != writeOffCount) {
    raiseMessage("Z7.Corvane.0286");
  }
  return writeOffCount;
}

std::string parentOf(const std::string& lineLiteral) {
  return "(Select MGUID From KX_LoanVouch_Sub Where GUID = " + lineLiteral + ")";
}

// Takes one applied write-off back from its loan line and loan.
void undoLoanSettle(db::Connection& connection, const std::string& written, const std::string& line) {
  const std::string lineLiteral = db::quoteLiteral(line);
  const db::Recordset rs =
      sql::open(connection, "Select Isnull(dblMoney ,0) As dblMoney From KX_LoanVouch_Sub Where GUID = " + lineLiteral);
  if (rs.eof()) raiseMessage("Z7.Corvane.0285");
  if (MoneyOf(rs.field("dblMoney").value()) != Currency()) {
    sql::execute(connection, "Update KX_LoanVouch_Sub Set blnSettle = 0 ,dblReturn = dblReturn - " + written +
                                 " Where GUID = " + lineLiteral);
    sql::execute(connection, "Update KX_LoanVouch Set blnSettle = 0 ,dblReturn = dblReturn - " + written +
                                 " Where GUID = " + parentOf(lineLiteral));
  } else {
    sql::execute(connection, "Update KX_LoanVouch_Sub Set blnSettle = 0 ,dblReturn = 0 Where GUID = " + lineLiteral);
    sql::execute(connection, "Update KX_LoanVouch Set blnSettle = 0 Where GUID = " + parentOf(lineLiteral));
  }
}

// Takes back what the claim's earlier write-offs did to the loans; those recorded while the
// claim was not approved did nothing.
void undoAppliedWriteOffs(db::Connection& connection, const Claim& claim, int namedWriteOffs) {
  const std::string select = "Select dblJE,LoanSubguid From KX_ExpenLoanInfo Where Expenguid = " + claim.literal;
  const db::Recordset all = sql::open(connection, select);
  if (all.recordCount() < namedWriteOffs) raiseMessage("Z7.Corvane.0286");
  std::vector<std::pair<std::string, std::string>> applied;
  for (db::Recordset rs = sql::open(connection, select + " and blnused in (1,0)"); !rs.eof(); rs.moveNext()) {
    applied.emplace_back(SqlNum(rs.field("dblJE").value()), NullToStr(rs.field("LoanSubguid").value()));
  }
  for (const auto& [written, line] : applied) undoLoanSettle(connection, written, line);
}

struct WriteOff {
  std::string line;  // the loan line's GUID
  std::string mode;  // "1" used, "-1" partial repayment, else full write-off
  std::string amount;
};

// The row's write-off; nothing for a write-off of no amount (a line marked used needs none).
std::optional<WriteOff> readWriteOff(const XmlNode& row) {
  WriteOff writeOff{row.attribute("GUID"), required(row, "blnUsed"), required(row, "dblRetValue")};
  if (writeOff.mode.empty()) writeOff.mode = "0";
  requiredNumber(writeOff.mode);
  if (writeOff.amount.empty()) writeOff.amount = "0";
  if (writeOff.mode != "1" && MoneyOf(Variant(writeOff.amount)) == Currency()) return std::nullopt;
  return writeOff;
}

// Applied full or partial write-offs that other approved claims hold on the line.
bool writtenOffElsewhere(db::Connection& connection, const std::string& lineLiteral) {
  return sql::exists(connection,
                     "select * from KX_ExpenLoanInfo where isnull(blnused,-1)=0 and LoanSubguid=" + lineLiteral);
}

void insertWriteOff(db::Connection& connection, const Claim& claim, const WriteOff& writeOff) {
  const bool used = NullToNum(Variant(writeOff.mode)) == 1;
  const std::string written = used ? "0" : requiredNumber(writeOff.amount);
  const std::string flag = !claim.approved ? "Null" : (writeOff.mode == "1" ? "1" : "0");
  sql::execute(connection, "Insert Into KX_ExpenLoanInfo (LoanSubguid,Expenguid,dblJE,blnUsed) Values (" +
                               SqlStr(Variant(writeOff.line)) + "," + SqlStr(Variant(claim.guid)) + "," + written +
                               "," + flag + ")");
}

// An amount rounded to whole cents, half away from zero; anything but a number counts 0.
std::int64_t inCents(const Variant& value) {
  const std::optional<Currency> money = Currency::parse(SqlNum(value));
  const std::int64_t scaled = money ? money->scaled() : 0;
  return (scaled + (scaled < 0 ? -50 : 50)) / 100;
}

void repayPartly(db::Connection& connection, const std::string& lineLiteral, const std::string& repaid) {
  sql::execute(connection, "Update KX_LoanVouch_Sub Set dblReturn = Isnull(dblReturn,0) + " + repaid +
                               " Where GUID = " + lineLiteral);
  const db::Recordset rs =
      sql::open(connection, "select dblreturn,dblmoney from KX_LoanVouch_Sub  Where GUID = " + lineLiteral);
  if (!rs.eof() && inCents(rs.field("dblmoney").value()) < inCents(rs.field("dblreturn").value())) {
    raiseMessage("Z7.Corvane.0379");
  }
  sql::execute(connection,
               "Update KX_LoanVouch_Sub Set blnSettle = (case when dblReturn = dblmoney then 1 else 0 end)  "
               "Where GUID = " +
                   lineLiteral);
  sql::execute(connection, "Update KX_LoanVouch Set dblReturn = IsNull(dblReturn ,0) + " + repaid +
                               " Where GUID = " + parentOf(lineLiteral) + " ");
}

// Settles the loan line by the write-off's mode, then the loan when none of its lines is open.
// `elsewhere`: other approved claims wrote the line off in full or in part.
void applyWriteOff(db::Connection& connection, const WriteOff& writeOff, bool elsewhere) {
  const std::string lineLiteral = db::quoteLiteral(writeOff.line);
  if (writeOff.mode == "1") {
    if (elsewhere) raiseMessage("Z7.Corvane.0288");
    sql::execute(connection, "Update KX_LoanVouch_Sub Set blnSettle = 1,dblReturn = 0 Where GUID = " + lineLiteral);
  } else if (writeOff.mode == "-1") {
    repayPartly(connection, lineLiteral, requiredNumber(writeOff.amount));
  } else {
    if (elsewhere) raiseMessage("Z7.Corvane.0287");
    sql::execute(connection, "Update KX_LoanVouch_Sub Set blnSettle = 1,dblReturn = " +
                                 requiredNumber(writeOff.amount) + " Where GUID = " + lineLiteral);
  }
  const std::string loan = "(Select MGUID From KX_LoanVouch_sub Where GUID=" + lineLiteral + ")";
  sql::execute(connection, "if (Select Count(*) From KX_LoanVouch_Sub Where MGuid=" + loan + " And blnSettle=0) = 0" +
                               " update KX_LoanVouch set blnSettle=1 where Guid=" + loan +
                               "  else update KX_LoanVouch set blnSettle=0 where Guid=" + loan);
}

Currency sum(db::Connection& connection, const std::string& sql) {
  const db::Recordset rs = sql::open(connection, sql);
  const Variant value = rs.eof() ? Variant::null() : rs.field("A").value();
  return value.isNull() ? Currency() : CCur(value);
}

// The claim is settled when its amount (negated for an income claim) equals its write-offs less
// its receipts plus its payments; a claim that is not approved keeps no verifier.
void settleClaim(FuncCall& call, const Claim& claim) {
  const std::string balances = "Select Sum(isnull(dblMoney,0)) As A From KX_BalanceInfo Where intIOType = ";
  const Currency total =
      sum(call.CN, "Select Sum(isnull(dblJE,0)) AS A From KX_ExpenLoanInfo Where ExpenGUID = " + claim.literal) -
      sum(call.CN, balances + "1 And ExpenGUID = " + claim.literal) +
      sum(call.CN, balances + "2 And ExpenGUID = " + claim.literal);
  const std::string verifier = total == Currency() ? "Null" : db::quoteLiteral(call.ologin.UserName());
  sql::execute(call.CN, "Update KX_ExpenVouch Set strVerifier=" + verifier +
                            ",blnSettle = (Case When (case left(strtypecode,1) when 1 then -isnull(dblmoney,0) else "
                            "isnull(dblmoney,0) end) = " +
                            CStr(Variant(total)) + " Then 1 Else 0 End) Where GUID = " + claim.literal);
  sql::execute(call.CN, "Update KX_ExpenVouch Set strVerifier=Null Where isnull(strAuditorID,'')='' and GUID = " +
                            claim.literal);
}

std::vector<XmlNode> saveRows(const XmlNode& in) {
  const XmlNode container = in.firstChild();
  return container.isNull() ? std::vector<XmlNode>{} : container.children();
}

std::vector<XmlNode> namedRows(const std::vector<XmlNode>& rows) {
  std::vector<XmlNode> named;
  for (const XmlNode& row : rows) {
    if (row.name() == "row") named.push_back(row);
  }
  return named;
}

bool saveLoanInfo(FuncCall& call, std::string& right) {
  const XmlNode in = requiredChild(call.oNode, "in");
  const std::string guid = in.attribute("GUID");
  const std::string ts = required(in, "ts");
  const bool removeAll = required(in, "del") == "1";
  const Claim claim = readClaim(call, guid, ts);
  right = claim.approved ? kApprovedRight : kUnapprovedRight;
  if (!ApplyTask(&call.ologin, right, call.oXml)) return false;

  const std::vector<XmlNode> rows = saveRows(in);
  const std::vector<XmlNode> named = namedRows(rows);
  const int namedWriteOffs = named.empty() ? 0 : checkRowVersions(call.CN, named);
  if (claim.approved) undoAppliedWriteOffs(call.CN, claim, namedWriteOffs);
  sql::execute(call.CN, "Delete KX_ExpenLoanInfo Where Expenguid = " + claim.literal);
  if (!removeAll) {
    const VoucherRights loans(call.ologin, kLoanKind.headTable);
    for (const XmlNode& row : rows) {
      const std::optional<WriteOff> writeOff = readWriteOff(row);
      if (!writeOff) continue;
      // A line of a loan outside the user's data rights answers as one that does not exist.
      if (!loans.containsLine(call.CN, writeOff->line)) raiseMessage("Z7.Corvane.0286");
      // Asked before the insert, which adds this claim's own applied row.
      const bool elsewhere =
          claim.approved && writeOff->mode != "-1" && writtenOffElsewhere(call.CN, db::quoteLiteral(writeOff->line));
      insertWriteOff(call.CN, claim, *writeOff);
      if (claim.approved) applyWriteOff(call.CN, *writeOff, elsewhere);
    }
  }
  // Write-offs lower what the claim pays out: never below what went to the bank already. Lines
  // not sent yet may still be corrected; the net-bank payment refuses those beyond it.
  refuseOverpayment(call, claim.guid, "SaveExpenInfo", LinesCounted::AtTheBank);
  settleClaim(call, claim);
  handClaimVersionTo(call, claim.guid, "SaveExpenInfo");
  return GetLoanInfo(call);
}

}  // namespace

bool GetLoanInfo(FuncCall& call) {
  return answerAsMember(
      call.oXml, kClassName, "GetLoanInfo", [&] { return getLoanInfo(call); }, VoucherFailureText);
}

bool SaveLoanInfo(FuncCall& call) {
  std::string right;
  const bool answer = answerAsMember(
      call.oXml, kClassName, "SaveLoanInfo", [&] { return saveLoanInfo(call, right); }, VoucherFailureText);
  FreeTask(&call.ologin, right);
  return answer;
}

}  // namespace corvane
