#include "settings/CPzSet.h"

#include <array>
#include <optional>
#include <string>

#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "request/ErrorReply.h"
#include "request/Messages.h"
#include "request/RowXml.h"
#include "request/SaveRows.h"
#include "request/SqlGateway.h"
#include "request/Values.h"

namespace corvane {

namespace {

constexpr std::array kFuncTable = {
    FuncEntry<CPzSet>{"getiokm", &CPzSet::GetIOKM}, FuncEntry<CPzSet>{"saveiokm", &CPzSet::SaveIOKM, true},
    FuncEntry<CPzSet>{"getopkm", &CPzSet::GetOPKM}, FuncEntry<CPzSet>{"saveopkm", &CPzSet::SaveOPKM, true},
    FuncEntry<CPzSet>{"gethb", &CPzSet::GetHB},     FuncEntry<CPzSet>{"savehb", &CPzSet::SaveHB, true},
};

constexpr std::array kIncomeConstraints = {
    ConstraintMessage{"IX_KX_PzSet_IO", "Z7.Corvane.0075"},
};
constexpr std::array kPaymentConstraints = {
    ConstraintMessage{"IX_KX_PzSet_OP", "Z7.Corvane.0076"},
};

// Directions are stored in the zh-CN texts of these messages, whatever the user's locale.
constexpr const char* kReceipt = "Z7.Corvane.0185";
constexpr const char* kPayment = "Z7.Corvane.0186";
constexpr const char* kStoredLocale = "zh-CN";

// A column whose missing attribute means Null and whose empty value stays empty text.
std::string textOrNull(XmlNode row, const char* name) {
  const std::optional<std::string> value = row.findAttribute(name);
  return value ? db::quoteLiteral(*value) : "Null";
}

// A column whose missing attribute or empty value means Null.
std::string literalOrNull(XmlNode row, const char* name) {
  const std::optional<std::string> value = row.findAttribute(name);
  return value ? SqlStr(Variant(*value)) : "Null";
}

std::string quoted(XmlNode row, const char* name) { return db::quoteLiteral(row.attribute(name)); }

std::string rowKey(XmlNode row) {
  return "Where " + rowVersion(row).condition() + " And " + "GUID = " + quoted(row, "GUID");
}

std::string deleteStatement(const char* table, XmlNode row) {
  return std::string("Delete ") + table + " " + "Where GUID = " + quoted(row, "GUID") + " And " +
         rowVersion(row).condition();
}

RowStatement incomeStatement(FuncCall&, XmlNode row) {
  switch (rowOperation(row)) {
    case RowOperation::Insert:
      return {std::string("Insert Into KX_PzSet_IO ") +
                  "(strOperatType,strIOItemCode,strCurrency,strSubject,blnModiDire) Values " + "(" +
                  SqlStr(Variant(row.attribute("strOperatType"))) + "," + literalOrNull(row, "strIOItemCode") + "," +
                  literalOrNull(row, "strCurrency") + "," + SqlStr(Variant(row.attribute("strCode"))) + "," +
                  SqlStr(Variant(row.attribute("blnModiDire"))) + ")",
              "Z7.Corvane.0046"};
    case RowOperation::Update:
      return {std::string("Update KX_PzSet_IO Set ") + "strOperatType = " + quoted(row, "strOperatType") + "," +
                  "strIOItemCode = " + textOrNull(row, "strIOItemCode") + "," + "strCurrency = " +
                  literalOrNull(row, "strCurrency") + "," + "strSubject = " + quoted(row, "strCode") + "," +
                  "blnModiDire = " + quoted(row, "blnModiDire") + " " + rowKey(row),
              "Z7.Corvane.0047"};
    case RowOperation::Delete: return {deleteStatement("KX_PzSet_IO", row), "Z7.Corvane.0047"};
  }
  raiseMessage("Z7.Corvane.0048");
}

// The request names the direction in its locale's text; anything but "payment" is a receipt.
std::string storedDirection(XmlNode row) {
  const bool payment = row.attribute("strOperatType") == GetResString(kPayment);
  return GetResString(payment ? kPayment : kReceipt, kStoredLocale);
}

RowStatement paymentStatement(FuncCall&, XmlNode row) {
  switch (rowOperation(row)) {
    case RowOperation::Insert:
      return {std::string("Insert Into KX_PzSet_OP ") +
                  "(strOperatType,strBalanceType,strBankID,strCurrency,strSubject) Values " + "(" +
                  db::quoteLiteral(storedDirection(row)) + "," + textOrNull(row, "strBalanceType") + "," +
                  textOrNull(row, "strBankID") + "," + literalOrNull(row, "strCurrency") + "," +
                  quoted(row, "strCode") + ")",
              "Z7.Corvane.0046"};
    case RowOperation::Update:
      return {std::string("Update KX_PzSet_OP Set ") + "strOperatType = " + db::quoteLiteral(storedDirection(row)) +
                  "," + "strBalanceType = " + textOrNull(row, "strBalanceType") + "," + "strBankID = " +
                  textOrNull(row, "strBankID") + "," + "strCurrency = " + literalOrNull(row, "strCurrency") + "," +
                  "strSubject = " + quoted(row, "strCode") + " " + rowKey(row),
              "Z7.Corvane.0047"};
    case RowOperation::Delete: return {deleteStatement("KX_PzSet_OP", row), "Z7.Corvane.0047"};
  }
  raiseMessage("Z7.Corvane.0048");
}

// Answers the rows of a query as `Rows`; a failure becomes the read's error reply.
bool answerRows(FuncCall& call, const std::string& tsql) {
  return answerAsMember(call.oXml, "CPzSet", "recordGet", [&] {
    db::Recordset rs = sql::open(call.CN, tsql);
    loadReply(call.oXml, "<Rows>" + RsToRowXml(rs) + "</Rows>");
    return true;
  });
}

void savePostingOption(db::Connection& connection, const std::string& name, const std::string& value) {
  const long affected =
      sql::execute(connection, "Update AccInformation Set cValue = " + db::quoteLiteral(value) +
                                   " Where cName = " + db::quoteLiteral(name) + " And cSysID = 'KX' And cID Like '2%'");
  if (affected != 1) raiseMessage("Z7.Corvane.0077");
}

}  // namespace

const FrameSettings CPzSet::kFrame{.className = "CPzSet", .rightCode = "KX0108"};
const std::span<const FuncEntry<CPzSet>> CPzSet::kFuncs{kFuncTable};

bool CPzSet::GetIOKM(FuncCall& call) {
  return answerRows(call,
                    "SELECT GUID, strOperatType, strOperatName, strIOItemCode, strIOItemName , "
                    "strCurrency, strCode, strCodeName, blnModiDire, Cast(ts As money) As ts From "
                    "dbo.vwKXIOKM ORDER BY strOperatType, strIOItemCode");
}

bool CPzSet::SaveIOKM(FuncCall& call) {
  return saveRows(call, {.className = "CPzSet",
                         .procedure = "recordEdit",
                         .constraints = kIncomeConstraints,
                         .statementFor = incomeStatement,
                         .readBack = [this](FuncCall& again) { return GetIOKM(again); }});
}

bool CPzSet::GetOPKM(FuncCall& call) {
  return answerRows(call, "SELECT GUID, case strOperatType when " +
                              db::quoteLiteral(GetResString(kPayment, kStoredLocale)) + " then " +
                              db::quoteLiteral(GetResString(kPayment)) + " else " +
                              db::quoteLiteral(GetResString(kReceipt)) +
                              " end as strOperatType, strBalanceType, strBalanceName, strBankID , cBName, "
                              "cBAccount, strCurrency, strCode, strCodeName, Cast(ts As money) As ts From "
                              "dbo.vwKXOPKM ORDER BY strOperatType, strBalanceType, strBankID");
}

bool CPzSet::SaveOPKM(FuncCall& call) {
  return saveRows(call, {.className = "CPzSet",
                         .procedure = "recordEdit",
                         .constraints = kPaymentConstraints,
                         .statementFor = paymentStatement,
                         .readBack = [this](FuncCall& again) { return GetOPKM(again); }});
}

bool CPzSet::GetHB(FuncCall& call) {
  return answerAsMember(call.oXml, "CPzSet", "recordGet", [&] {
    db::Recordset rs = sql::open(call.CN,
                                 "SELECT cName As strName, cValue As strValue From dbo.AccInformation WHERE "
                                 "(cSysID = 'KX') AND (cID LIKE '2%') Order By cID");
    const std::string head = RsToHeadXml(rs);
    if (!head.empty()) loadReply(call.oXml, head);
    return true;
  });
}

bool CPzSet::SaveHB(FuncCall& call) {
  return answerAsMember(call.oXml, "CPzSet", "recordEdit", [&] {
    const XmlNode options = call.oNode.child("in").firstChild();
    if (!options) raiseObjectMissing();
    for (const auto& [name, value] : options.attributes()) savePostingOption(call.CN, name, value);
    return GetHB(call);
  });
}

}  // namespace corvane
