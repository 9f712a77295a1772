#include "settings/StandRecords.h"

#include <array>

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
#include "settings/StandReplies.h"

namespace corvane::stand {

namespace {

using db::quoteLiteral;

constexpr std::array kStandConstraints = {
    ConstraintMessage{"FK_KX_ExpenseDepart_KX_Expense", "Z7.Corvane.0069"},
    ConstraintMessage{"FK_KX_EISet_Stand_KX_Expense", "Z7.Corvane.0070"},
    ConstraintMessage{"IX_KX_Expense", "Z7.Corvane.0071"},
};

// The stored control types do not depend on the user's locale.
constexpr const char* kPromptStored = "提示";
constexpr const char* kStrictStored = "严格控制";

std::string storedControlType(XmlNode row) {
  return row.attribute("strControlType") == GetResString("Z7.Corvane.0028") ? kPromptStored : kStrictStored;
}

// A row to insert or update names all three values; an empty one is accepted.
void checkStandValues(XmlNode row) {
  if (!row.hasAttribute("strStandName")) raiseMessage("Z7.Corvane.0065");
  if (!row.hasAttribute("strIOCode")) raiseMessage("Z7.Corvane.0066");
  if (!row.hasAttribute("strControlType")) raiseMessage("Z7.Corvane.0067");
}

// Refuses moving a standard to an item when another standard of that item has one of its
// departments.
void checkDepartmentsFree(FuncCall& call, XmlNode row) {
  const std::string guid = quoteLiteral(row.attribute("GUID"));
  const std::string item = quoteLiteral(row.attribute("strIOCode"));
  const bool taken =
      sql::exists(call.CN, "Select strDepartID From KX_ExpenseDepart Where GuidMain = " + guid +
                               " And strDepartID In (Select KX_ExpenseDepart.strDepartID From KX_ExpenseDepart " +
                               "Inner Join KX_Expense On KX_Expense.GUID = KX_ExpenseDepart.GuidMain " +
                               "Where KX_Expense.GUID <> " + guid + " And KX_Expense.strIOItemCode = " + item + ")");
  if (!taken) return;
  const std::string itemName = sql::text(call.CN, "Select strName From KX_IOItem Where strCode = " + item);
  raiseMessage("Z7.Corvane.0068", itemName, row.attribute("strStandName"));
}

RowStatement insertStand(XmlNode row) {
  checkStandValues(row);
  return {"Insert Into KX_Expense (strStandName,strIOItemCode,strControlType) Values (" +
              quoteLiteral(row.attribute("strStandName")) + "," + quoteLiteral(row.attribute("strIOCode")) + "," +
              quoteLiteral(storedControlType(row)) + ")",
          "Z7.Corvane.0046"};
}

RowStatement updateStand(FuncCall& call, XmlNode row) {
  checkStandValues(row);
  checkDepartmentsFree(call, row);
  return {"Update KX_Expense Set strStandName = " + quoteLiteral(row.attribute("strStandName")) + ",strIOItemCode = " +
              quoteLiteral(row.attribute("strIOCode")) + ",strControlType = " + quoteLiteral(storedControlType(row)) +
              " Where " + rowVersion(row).condition() + " And GUID = " + quoteLiteral(row.attribute("GUID")),
          "Z7.Corvane.0047"};
}

RowStatement deleteStand(XmlNode row) {
  return {
      "Delete KX_Expense Where GUID = " + quoteLiteral(row.attribute("GUID")) + " And " + rowVersion(row).condition(),
      "Z7.Corvane.0047"};
}

RowStatement standStatement(FuncCall& call, XmlNode row) {
  switch (rowOperation(row)) {
    case RowOperation::Insert: return insertStand(row);
    case RowOperation::Update: return updateStand(call, row);
    case RowOperation::Delete: return deleteStand(row);
  }
  raiseMessage("Z7.Corvane.0048");
}

bool getStand(FuncCall& call) {
  loadRows(call,
           "Select KX_Expense.GUID As GUID,Cast(KX_Expense.ts As money) As ts,"
           "KX_Expense.strStandName As strStandName,KX_Expense.strIOItemCode As strIOCode,"
           "Case KX_Expense.strControlType When " +
               quoteLiteral(GetResString("Z7.Corvane.0028", "zh-CN")) + " Then " +
               quoteLiteral(GetResString("Z7.Corvane.0028")) + " Else " +
               quoteLiteral(GetResString("Z7.Corvane.0230")) + " End As strControlType," +
               "KX_IOItem.strName As strIOName From KX_Expense Inner Join KX_IOItem " +
               "On KX_Expense.strIOItemCode = KX_IOItem.strCode Order By KX_Expense.strStandName");
  return true;
}

bool getDepart(FuncCall& call) {
  const std::string guid = quoteLiteral(firstInput(call).attribute("GUID"));
  db::Recordset rs =
      sql::open(call.CN, "Select cDepCode,cDepName,GUID From vwKXExpenDepart Where GUID = " + guid +
                             " Union Select cDepCode,cDepName,NULL As GUID From Department Where bDepEnd = 1 " +
                             "And cDepCode Not In (Select cDepCode From vwKXExpenDepart Where GUID = " + guid +
                             ") Order By cDepCode");
  if (rs.eof()) raiseMessage("Z7.Corvane.0055");
  loadReply(call.oXml, "<Rows>" + RsToRowXml(rs) + "</Rows>");
  return true;
}

// Adds one department to the standard `guid`, refusing an unknown department and one that
// another standard of the same item has.
void addDepartment(FuncCall& call, const std::string& guid, const std::string& department) {
  const std::string code = quoteLiteral(department);
  const db::Recordset rs = sql::open(call.CN, "Select cDepName From Department Where cDepCode = " + code);
  if (rs.eof()) raiseMessage("Z7.Corvane.0073", department);
  const std::string name = NullToStr(rs.field(0).value());
  if (sql::exists(call.CN, "Select KX_ExpenseDepart.strDepartID From KX_ExpenseDepart Inner Join KX_Expense " +
                               std::string("On KX_Expense.GUID = KX_ExpenseDepart.GuidMain ") +
                               "Where KX_ExpenseDepart.strDepartID = " + code + " And KX_Expense.GUID <> " + guid +
                               " And KX_Expense.strIOItemCode = (Select strIOItemCode From KX_Expense Where GUID = " +
                               guid + ")")) {
    raiseMessage("Z7.Corvane.0074", name);
  }
  executeOne(call, "Insert Into KX_ExpenseDepart (GuidMain,strDepartID) Values (" + guid + "," + code + ")",
             "Z7.Corvane.0373");
}

bool saveDepart(FuncCall& call) {
  const XmlNode input = firstInput(call);
  const std::string guid = quoteLiteral(input.attribute("GUID"));
  sql::execute(call.CN, "Delete KX_ExpenseDepart Where GuidMain = " + guid);
  for (const XmlNode department : input.children()) addDepartment(call, guid, department.attribute("id"));
  return GetDepart(call);
}

}  // namespace

bool GetStand(FuncCall& call) { return readMember(call, getStand); }

bool SaveStand(FuncCall& call) {
  return saveRows(call, {.className = "CStand",
                         .procedure = "recordEdit",
                         .constraints = kStandConstraints,
                         .statementFor = standStatement,
                         .readBack = GetStand});
}

bool GetDepart(FuncCall& call) { return readMember(call, getDepart); }
bool SaveDepart(FuncCall& call) { return editMember(call, saveDepart); }

}  // namespace corvane::stand
