#include "claims/BalanceLines.h"

#include <string>

#include "host/LoginContext.h"
#include "platform/com/AsciiText.h"
#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "platform/xml/XmlDocument.h"
#include "request/ErrorReply.h"
#include "request/Messages.h"
#include "request/RequestFrame.h"
#include "request/RowVersion.h"
#include "request/RowXml.h"
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

// A text attribute as an SQL literal; a missing one is Null.
std::string textOrNull(const XmlNode& row, std::string_view name) {
  return row.hasAttribute(name) ? SqlStr(Variant(row.attribute(name))) : "Null";
}

std::string numberOrNull(const XmlNode& row, std::string_view name) {
  return row.hasAttribute(name) ? SqlNum(Variant(row.attribute(name))) : "Null";
}

// 1 receipt when the text is the receipt's display text, 2 payment for any other.
std::string lineKind(const XmlNode& row) {
  const std::string shown = row.attribute("intIOType");
  if (shown.empty()) raiseMessage("Z7.Corvane.0291");
  return shown == GetResString("Z7.Corvane.0185") ? "1" : "2";
}

// "And Cast(ts As money) = <ts>" of a row; a text that is no row version matches no line.
std::string versionCondition(const XmlNode& row) {
  return " And " + requireRowVersion(required(row, "ts"), "Z7.Corvane.0112").condition();
}

std::string insertStatement(const XmlNode& row, const std::string& kind, const std::string& claim) {
  const std::string balance = SqlStr(Variant(required(row, "strBalanceID")));
  return "Insert Into KX_BalanceInfo (ExpenGUID,intIOType,strBalanceID,dblMoney,strBillID,strPayBankID,"
         "strPayment,strRecBank,strRecAcc) Values (" +
         db::quoteLiteral(claim) + "," + kind + "," + balance + "," + numberOrNull(row, "dblMoney") + "," +
         textOrNull(row, "strBillID") + "," + textOrNull(row, "strPayBankID") + "," + textOrNull(row, "strPayment") +
         "," + textOrNull(row, "strBankName") + "," + textOrNull(row, "strBankAcc") + ")";
}

// " And ExpenGUID In (...)": a line of a claim outside the user's data rights matches nothing, as
// a line that does not exist.
std::string withinRights(const VoucherRights& claims) {
  return " And ExpenGUID In (Select GUID From " + claims.source() + ")";
}

std::string updateStatement(const XmlNode& row, const std::string& kind, const std::string& claim,
                            const VoucherRights& claims) {
  const std::string balance = SqlStr(Variant(required(row, "strBalanceID")));
  const std::string money = SqlNum(Variant(required(row, "dblMoney")));
  const std::string line = SqlStr(Variant(required(row, "GUID")));
  return "Update KX_BalanceInfo Set ExpenGUID = " + db::quoteLiteral(claim) + ",intIOType = " + kind +
         ",strBalanceID = " + balance + ",dblMoney = " + money + ",strBillID = " + textOrNull(row, "strBillID") +
         ",strPayBankID = " + textOrNull(row, "strPayBankID") + ",strPayment = " + textOrNull(row, "strPayment") +
         ",strRecBank = " + textOrNull(row, "strBankName") + ",strRecAcc = " + textOrNull(row, "strBankAcc") +
         " Where GUID = " + line + versionCondition(row) + withinRights(claims);
}

// A line sent to the net bank stays; others go when their row version still holds.
std::string deleteStatement(db::Connection& connection, const XmlNode& row, const VoucherRights& claims) {
  const std::string line = SqlStr(Variant(required(row, "GUID")));
  const std::string version = versionCondition(row);
  if (sql::exists(connection, "select top 1 * from KX_BalanceInfo where Guid=" + line + " and isnull(strPayID,'')<>''" +
                                  withinRights(claims))) {
    raiseMessage("Z7.Corvane.0380");
  }
  return "Delete KX_BalanceInfo Where GUID = " + line + version + withinRights(claims);
}

// The statement of one row; empty for an unchanged row.
std::string rowStatement(db::Connection& connection, const XmlNode& row, const std::string& claim,
                         const VoucherRights& claims) {
  const std::string kind = lineKind(row);
  const std::string action = required(row, "P");
  if (action == "1") return insertStatement(row, kind, claim);
  if (action == "2") return updateStatement(row, kind, claim, claims);
  if (action == "3") return deleteStatement(connection, row, claims);
  if (action == "0") return {};
  raiseMessage("Z7.Corvane.0292");
}

void saveRows(db::Connection& connection, const XmlNode& in, const std::string& claim, const VoucherRights& claims) {
  const XmlNode container = in.firstChild();
  if (container.isNull()) return;
  for (const XmlNode& row : container.children()) {
    const std::string statement = rowStatement(connection, row, claim, claims);
    if (statement.empty()) continue;
    if (sql::execute(connection, statement) != 1) raiseMessage("Z7.Corvane.0112");
  }
}

void refusePostedClaim(db::Connection& connection, const std::string& claim) {
  const db::Recordset rs =
      sql::open(connection, "Select top 1 isnull(strMakerID,'') as strMakerID from KX_ExpenVouch where guid=" +
                                db::quoteLiteral(claim));
  if (!rs.eof() && !NullToStr(rs.field("strMakerID").value()).empty()) raiseMessage("Z7.Corvane.0376");
}

// The claim's kind, when the claim still has the row version the client read.
std::string claimKind(db::Connection& connection, const std::string& claim, const std::string& ts) {
  const RowVersion version = requireRowVersion(ts, "Z7.Corvane.0293");
  const db::Recordset rs =
      sql::open(connection, "Select strTypeCode ,dblMoney From KX_ExpenVouch Where GUID = " + db::quoteLiteral(claim) +
                                " and " + version.condition());
  if (rs.eof()) raiseMessage("Z7.Corvane.0293");
  return NullToStr(rs.field("strTypeCode").value()).substr(0, 1);
}

// Settles and verifies the claim when its lines match its amount: an income claim's amount equals
// all its lines, an expense claim's its payments less its receipts. Only ever sets the flag.
void settleWhenMatched(FuncCall& call, const std::string& claim, const std::string& kind) {
  const std::string guid = db::quoteLiteral(claim);
  const std::string set = "Update KX_ExpenVouch Set strVerifier=" + db::quoteLiteral(call.ologin.UserName()) +
                          ",blnSettle = 1 Where Left(strTypeCode,1) = ";
  if (kind == "1") {
    sql::execute(call.CN, set + "'1' And GUID = " + guid +
                              " And isnull(dblMoney,0) = (Select isnull(Sum(isnull(dblMoney,0)),0) From "
                              "KX_BalanceInfo Where ExpenGUID = " +
                              guid + ")");
  } else {
    sql::execute(call.CN, set + "'2' And GUID = " + guid +
                              " And dblMoney = ((Select isnull(Sum(isnull(dblMoney,0)),0) From KX_BalanceInfo "
                              "Where intIOtype = 2 and ExpenGUID = " +
                              guid +
                              ")-(Select isnull(Sum(isnull(dblMoney,0)),0) From KX_BalanceInfo Where intIOtype = 1 "
                              "And ExpenGUID = " +
                              guid + "))");
  }
  sql::execute(call.CN,
               "Update KX_ExpenVouch Set strVerifier=Null Where isnull(strAuditorID,'')='' and GUID = " + guid);
}

bool saveExpenInfo(FuncCall& call) {
  const XmlNode in = requiredChild(call.oNode, "in");
  if (in.attribute("GUID").empty()) raiseMessage("Z7.Corvane.0290");
  const std::string claim = in.attribute("GUID");
  const std::string ts = required(in, "ts");
  // A claim outside the user's data rights answers as one that does not exist.
  const VoucherRights claims(call.ologin, kExpenseClaimKind.headTable);
  if (!claims.containsGuid(call.CN, claim)) raiseMessage("Z7.Corvane.0293");
  saveRows(call.CN, in, claim, claims);
  refusePostedClaim(call.CN, claim);
  const std::string kind = claimKind(call.CN, claim, ts);
  refuseOverpayment(call, claim, "SaveLoanInfo", LinesCounted::All);
  settleWhenMatched(call, claim, kind);
  handClaimVersionTo(call, claim, "SaveLoanInfo");
  return GetExpenInfo(call);
}

std::string listSql(const std::string& claim) {
  return "SELECT KX_BalanceInfo.GUID, (Case When KX_BalanceInfo.intIOType = 1 Then " +
         db::quoteLiteral(GetResString("Z7.Corvane.0185")) + " Else " +
         db::quoteLiteral(GetResString("Z7.Corvane.0186")) +
         " End ) As intIOType, KX_BalanceInfo.strBalanceID,bank.cBName As strPayBankName,bank.cBAccount As "
         "strPayBankAcc ,KX_BalanceInfo.dblMoney, KX_BalanceInfo.strBillID, KX_BalanceInfo.strPayBankID, "
         "KX_BalanceInfo.strPayment, KX_BalanceInfo.strRecBank AS strBankName, KX_BalanceInfo.strRecAcc AS "
         "strBankAcc, Cast(KX_BalanceInfo.ts As money) As ts, KX_BalanceInfo.strPayID, SettleStyle.cSSName AS "
         "strBalance FROM KX_BalanceInfo LEFT OUTER JOIN SettleStyle ON KX_BalanceInfo.strBalanceID = "
         "SettleStyle.cSSCode Left Outer Join Bank On Bank.cBCode = KX_BalanceInfo.strPayBankID Where "
         "KX_BalanceInfo.ExpenGUID = " +
         db::quoteLiteral(claim) + " Order By KX_BalanceInfo.AutoID";
}

bool getExpenInfo(FuncCall& call) {
  const XmlNode& func = call.oNode;
  const std::string claim = func.hasAttribute("GUID") ? func.attribute("GUID") : GetAttrValue(func, "GUID", "in");
  if (claim.empty()) raiseMessage("Z7.Corvane.0289");
  // A claim outside the user's data rights shows as one that does not exist: no lines.
  if (!VoucherRights(call.ologin, kExpenseClaimKind.headTable).containsGuid(call.CN, claim)) {
    loadReply(call.oXml, "<Rows></Rows>");
    return true;
  }
  db::Recordset rs = sql::open(call.CN, listSql(claim));
  loadReply(call.oXml, "<Rows>" + RsToRowXml(rs) + "</Rows>");
  return true;
}

// Whether the request holds a func `name` of the claim `claim` along `axis` ("preceding" or
// "following") from this func.
bool claimFuncAlong(const FuncCall& call, const char* axis, std::string_view name, const std::string& claim) {
  const std::string funcs = std::string(axis) + "::func[@name='" + std::string(name) + "']";
  for (const XmlNode& func : call.oNode.selectNodes(funcs)) {
    if (equalsIgnoringCase(GetAttrValue(func, "GUID", "in"), claim)) return true;
  }
  return false;
}

}  // namespace

void refuseOverpayment(FuncCall& call, const std::string& claim, std::string_view partner, LinesCounted alone) {
  if (claimFuncAlong(call, "following", partner, claim)) return;
  const bool partnerSaved = claimFuncAlong(call, "preceding", partner, claim);
  RefuseClaimOverpayment(call, claim, partnerSaved ? LinesCounted::All : alone);
}

void handClaimVersionTo(FuncCall& call, const std::string& claim, std::string_view partner) {
  const db::Recordset rs =
      sql::open(call.CN, "select Cast(ts As Money)as ts from KX_ExpenVouch where GUID=" + db::quoteLiteral(claim));
  const std::string func = "//func[@name='" + std::string(partner) + "']";
  if (call.oNode.selectSingleNode(func).isNull()) return;
  XmlNode in = call.oNode.selectSingleNode(func + "/in");
  if (in.isNull() || !in.hasAttribute("ts")) raiseObjectMissing();
  in.setAttribute("ts", rs.eof() ? std::string() : NullToStr(rs.field("ts").value()));
}

bool GetExpenInfo(FuncCall& call) {
  return answerAsMember(
      call.oXml, kClassName, "GetExpenInfo", [&] { return getExpenInfo(call); }, VoucherFailureText);
}

bool SaveExpenInfo(FuncCall& call) {
  return answerAsMember(
      call.oXml, kClassName, "SaveExpenInfo", [&] { return saveExpenInfo(call); }, VoucherFailureText);
}

}  // namespace corvane
