#include "core/COperation.h"

#include <array>
#include <string>

#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "request/ErrorReply.h"
#include "request/Locale.h"
#include "request/Messages.h"
#include "request/RowXml.h"
#include "request/SaveRows.h"
#include "request/SqlGateway.h"

namespace corvane {

namespace {

// The error ids of these members name the options class, as the web pages expect.
constexpr std::string_view kErrorClass = "CChoice";

constexpr std::array kFuncTable = {
    FuncEntry<COperation>{"edit", &COperation::recordEdit, true},
    FuncEntry<COperation>{"get", &COperation::recordGet},
};

constexpr std::array kConstraints = {
    ConstraintMessage{"PK_KX_OPERATIONTYPE", "Z7.Corvane.0049"},
    ConstraintMessage{"IX_KX_OperationType", "Z7.Corvane.0050"},
    ConstraintMessage{"FK_KX_IOItem_KX_OperationType", "Z7.Corvane.0051"},
    ConstraintMessage{"FK_KX_LoanVouch_KX_OperationType", "Z7.Corvane.0052"},
    ConstraintMessage{"FK_KX_ExpenVouch_KX_OperationType", "Z7.Corvane.0053"},
    ConstraintMessage{"FK_KX_PzSet_IO_KX_OperationType", "Z7.Corvane.0054"},
};

// The request names a kind by its localized name.
struct KindText {
  const char* messageId;
  char kind;
};
constexpr std::array kKindTexts = {
    KindText{"Z7.Corvane.Web.0200", '1'},
    KindText{"Z7.Corvane.0005", '2'},
    KindText{"Z7.Corvane.Web.0637", '3'},
};

// Each kind holds the codes <digit>01 to <digit>99.
constexpr int kLastSerial = 99;

char kindOf(XmlNode row) {
  const std::string text = row.attribute("intType");
  for (const KindText& entry : kKindTexts) {
    if (text == GetResString(entry.messageId)) return entry.kind;
  }
  raiseMessage("Z7.Corvane.0045");
}

std::string nextCode(db::Connection& connection, char kind) {
  const db::Recordset rs =
      sql::open(connection, std::string("Select Top 1 strCode From KX_OperationType Where left(strCode,1) = '") + kind +
                                "' Order By Cast(strCode As int) Desc");
  const int first = (kind - '0') * 100 + 1;
  if (rs.eof()) return std::to_string(first);
  const std::int32_t next = CLng(rs.field(0).value()) + 1;
  if (next > first - 1 + kLastSerial) raiseMessage("Z7.Corvane.0387");
  return std::to_string(next);
}

std::string linkValue(XmlNode row) {
  const std::optional<std::string> link = row.findAttribute("strLink");
  return link ? db::quoteLiteral(*link) : "Null";
}

RowStatement insertStatement(db::Connection& connection, char kind, XmlNode row) {
  return {std::string("Insert Into KX_OperationType ") +
              "(intType,strCode,strName,strShowModel,strPrintModel,strLink) Values " + "(" + kind + "," +
              db::quoteLiteral(nextCode(connection, kind)) + "," + db::quoteLiteral(row.attribute("strName")) + "," +
              db::quoteLiteral(row.attribute("strShowID")) + "," + db::quoteLiteral(row.attribute("strPrintID")) + "," +
              linkValue(row) + ")",
          "Z7.Corvane.0046"};
}

RowStatement updateStatement(char kind, XmlNode row) {
  return {std::string("Update KX_OperationType Set ") + "intType = " + kind + "," +
              "strName = " + db::quoteLiteral(row.attribute("strName")) + "," +
              "strShowModel = " + db::quoteLiteral(row.attribute("strShowID")) + "," + "strPrintModel = " +
              db::quoteLiteral(row.attribute("strPrintID")) + "," + "strLink = " + linkValue(row) + " " + "Where " +
              rowVersion(row).condition() + " And " + "strCode = " + db::quoteLiteral(row.attribute("strCode")),
          "Z7.Corvane.0047"};
}

RowStatement deleteStatement(XmlNode row) {
  return {std::string("Delete KX_OperationType ") + "Where strCode = " + db::quoteLiteral(row.attribute("strCode")) +
              " And " + rowVersion(row).condition(),
          "Z7.Corvane.0047"};
}

RowStatement operationTypeStatement(FuncCall& call, XmlNode row) {
  const char kind = kindOf(row);  // checked for every row, deletes included
  switch (rowOperation(row)) {
    case RowOperation::Insert: return insertStatement(call.CN, kind, row);
    case RowOperation::Update: return updateStatement(kind, row);
    case RowOperation::Delete: return deleteStatement(row);
  }
  raiseMessage("Z7.Corvane.0048");
}

}  // namespace

const FrameSettings COperation::kFrame{.className = "COperation", .rightCode = "KX0102"};
const std::span<const FuncEntry<COperation>> COperation::kFuncs{kFuncTable};

bool COperation::recordEdit(FuncCall& call) {
  return saveRows(call, {.className = kErrorClass,
                         .procedure = "recordEdit",
                         .constraints = kConstraints,
                         .statementFor = operationTypeStatement,
                         .readBack = [this](FuncCall& again) { return recordGet(again); }});
}

bool COperation::recordGet(FuncCall& call) {
  return answerAsMember(call.oXml, kErrorClass, "recordGet", [&] {
    db::Recordset rs = sql::open(call.CN,
                                 "SELECT intType,strCode,strName,strShowID,strShowName,strPrintID ,strPrintName "
                                 ",strLink,ts From vwKXOperaType Where LocaleID=" +
                                     db::quoteLiteral(gLocaleID));
    loadReply(call.oXml, "<Rows>" + RsToRowXml(rs) + "</Rows>");
    return true;
  });
}

}  // namespace corvane
