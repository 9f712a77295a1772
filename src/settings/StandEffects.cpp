#include "settings/StandEffects.h"

#include <array>
#include <cctype>
#include <cstdio>

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
#include "request/Values.h"
#include "settings/StandReplies.h"

namespace corvane::stand {

namespace {

using db::quoteLiteral;

constexpr std::array kValueConstraints = {
    ConstraintMessage{"IX_KX_EISet_Stand", "Z7.Corvane.0372"},
};

constexpr int kLastCode = 99;

// Where an item's values live, read from its definition row.
struct ItemDefinition {
  std::string table;
  std::string codeField;
  std::string nameField;
  std::string where;
  bool perStandard = true;
};

bool isPlainName(std::string_view name) {
  if (name.empty() || std::isdigit(static_cast<unsigned char>(name.front()))) return false;
  for (const char c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
  }
  return true;
}

// The item number as the statements use it: a whole number written without leading zeros. Any
// other text names no item.
std::string itemNumber(const std::string& text) {
  const bool digitsOnly =
      !text.empty() && text.size() <= 9 && text.find_first_not_of("0123456789") == std::string::npos;
  if (!digitsOnly) raiseMessage("Z7.Corvane.0058");
  return std::to_string(std::stol(text));
}

// Reads the definition with `tsql`; a missing row, or one that names no plain table or column,
// leaves the item undefined.
ItemDefinition readDefinition(FuncCall& call, const std::string& tsql) {
  const db::Recordset rs = sql::open(call.CN, tsql);
  if (rs.eof()) raiseMessage("Z7.Corvane.0058");
  const Variant perStandard = rs.field("blnStand").value();
  ItemDefinition definition{NullToStr(rs.field("strTable").value()), NullToStr(rs.field("strCodeField").value()),
                            NullToStr(rs.field("strNameField").value()), NullToStr(rs.field("strWhere").value()),
                            perStandard.isNull() || CBool(perStandard)};
  for (const std::string* name : {&definition.table, &definition.codeField, &definition.nameField}) {
    if (!isPlainName(*name)) raiseMessage("Z7.Corvane.0058");
  }
  return definition;
}

std::string definitionColumns() {
  return "Select strTable,strCodeField,strNameField,strWhere,blnStand From KX_EffectItem_Default_Base ";
}

// The read filter: the definition's condition, and the standard where values are kept per
// standard (alone when the condition is empty, so the statement stays whole).
std::string valueFilter(const ItemDefinition& definition, const std::string& guid) {
  if (!definition.perStandard) return definition.where;
  const std::string standard = "GUIDStand = " + quoteLiteral(guid);
  return definition.where.empty() ? standard : definition.where + " And " + standard;
}

std::string valueListSql(const ItemDefinition& definition, const std::string& guid) {
  const std::string filter = valueFilter(definition, guid);
  std::string sql = "Select " + definition.codeField + " As strCode," + definition.nameField;
  if (filter.empty()) {
    sql += " As strName,Cast(ts As money) As ts From " + definition.table;
  } else {
    sql += " As strName ,Cast(ts As money) As ts From " + definition.table + " Where " + filter;
  }
  return sql + " Order By " + definition.codeField;
}

std::string chosenItemsSql(const std::string& guid) {
  const std::string locale = quoteLiteral(gLocaleID);
  return std::string("SELECT intEDCode, strEDName, GUIDStand, Cast(ts As money) As ts ") + "From dbo.vwKXEffectItem " +
         "Where GUIDStand = " + quoteLiteral(guid) + " and LocaleID=" + locale + " " + "Union " +
         "SELECT KX_EffectItem_Default_Base.intEDCode, KX_EffectItem_Default_Lang.strEDName, NULL AS GUIDStand, NULL "
         "AS ts " +
         "From dbo.KX_EffectItem_Default_Base join KX_EffectItem_Default_Lang on "
         "KX_EffectItem_Default_Base.intEDCode=KX_EffectItem_Default_Lang.intEDCode " +
         "Where KX_EffectItem_Default_Lang.LocaleID=" + locale + " and KX_EffectItem_Default_Base.intEDCode Not In " +
         "(SELECT intEDCode From dbo.vwKXEffectItem " + "Where GUIDStand = " + quoteLiteral(guid) + ") " +
         "ORDER BY intEDCode";
}

// The id of a chosen item: its text up to the first comma.
std::string chosenItem(XmlNode choice) {
  const std::string id = choice.attribute("id");
  return id.substr(0, id.find(','));
}

bool getEffect(FuncCall& call) {
  const std::string guid = firstInput(call).attribute("GUID");
  db::Recordset rs = sql::open(call.CN, chosenItemsSql(guid));
  if (rs.eof()) raiseMessage("Z7.Corvane.0055");
  loadReply(call.oXml, "<Rows>" + RsToRowXml(rs) + "</Rows>");
  return true;
}

bool saveEffect(FuncCall& call) {
  const XmlNode input = firstInput(call);
  const std::string guid = input.attribute("GUID");
  if (sql::exists(call.CN, "Select Top 1 GUID From KX_StandSet Where GUIDStand = " + quoteLiteral(guid))) {
    raiseMessage("Z7.Corvane.0056");
  }
  sql::execute(call.CN, "Delete KX_EffectItem Where GUIDStand = " + quoteLiteral(guid));
  for (const XmlNode choice : input.children()) {
    executeOne(call,
               "Insert Into KX_EffectItem (GUIDStand,intEDCode) Values (" + quoteLiteral(guid) + "," +
                   quoteLiteral(chosenItem(choice)) + ")",
               "Z7.Corvane.0046");
  }
  return GetEffect(call);
}

bool getEffectValue(FuncCall& call) {
  const XmlNode input = firstInput(call);
  const std::string guid = input.attribute("GUID");
  const std::string item = itemNumber(input.attribute("strItem"));
  const ItemDefinition definition = readDefinition(
      call, definitionColumns() +
                "Join KX_EffectItem_Default_Lang on  "
                "KX_EffectItem_Default_Base.intEDCode=KX_EffectItem_Default_Lang.intEDCode Where LocaleID=" +
                quoteLiteral(gLocaleID) + " and KX_EffectItem_Default_Base.intEDCode = " + item);
  loadRows(call, valueListSql(definition, guid));
  return true;
}

// Refuses deleting a value that amount rows, persons or places still hold.
void checkValueUnused(FuncCall& call, const std::string& item, const std::string& code) {
  const std::string literal = quoteLiteral(code);
  if (sql::exists(call.CN, "Select Top 1 * From KX_StandSet Where strField" + item + " = " + literal)) {
    raiseMessage("Z7.Corvane.0059");
  }
  if (item == "1" && sql::exists(call.CN, "Select Top 1 * From KX_PersonCtrl Where strGradeID = " + literal)) {
    raiseMessage("Z7.Corvane.0060");
  }
  if (item == "2" && sql::exists(call.CN, "Select Top 1 * From KX_Position Where strGradeID = " + literal)) {
    raiseMessage("Z7.Corvane.0061");
  }
}

void insertValue(FuncCall& call, const ItemDefinition& definition, const std::string& item, const std::string& guid,
                 XmlNode row) {
  const std::string code = GetNextCode(call.CN, definition.table, definition.codeField, item);
  std::string sql =
      "Insert Into " + definition.table + " (" + definition.codeField + "," + definition.nameField + ",intEICode";
  sql += definition.perStandard ? ",GUIDStand) Values (" : ") Values (";
  sql += quoteLiteral(code) + "," + quoteLiteral(row.attribute("strName")) + "," + item;
  sql += definition.perStandard ? "," + quoteLiteral(guid) + ")" : ")";
  executeOne(call, sql, "Z7.Corvane.0046");
}

void updateValue(FuncCall& call, const ItemDefinition& definition, const std::string& item, const std::string& guid,
                 XmlNode row) {
  std::string sql = "Update " + definition.table + " Set " + definition.codeField + " = " +
                    quoteLiteral(row.attribute("strCode")) + "," + definition.nameField + " = " +
                    quoteLiteral(row.attribute("strName")) + " " + "Where " + rowVersion(row).condition() + " And " +
                    "intEICode = " + item;
  if (definition.perStandard) sql += " And GUIDStand = " + quoteLiteral(guid);
  executeOne(call, sql, "Z7.Corvane.0047");
}

void deleteValue(FuncCall& call, const ItemDefinition& definition, const std::string& item, const std::string& guid,
                 XmlNode row) {
  const std::string code = row.attribute("strCode");
  checkValueUnused(call, item, code);
  std::string sql = "Delete " + definition.table + " " + "Where ";
  if (definition.perStandard) sql += "GUIDStand = " + quoteLiteral(guid) + " And ";
  sql += definition.codeField + " = " + quoteLiteral(code) + " And " + "intEICode = " + item + " And " +
         rowVersion(row).condition();
  executeOne(call, sql, "Z7.Corvane.0047");
}

bool saveEffectValue(FuncCall& call) {
  const XmlNode input = firstInput(call);
  const std::string guid = input.attribute("GUID");
  const std::string item = itemNumber(input.attribute("strItem"));
  const ItemDefinition definition = readDefinition(call, definitionColumns() + "Where intEDCode = " + item);
  for (const XmlNode row : input.children()) {
    switch (rowOperation(row)) {
      case RowOperation::Insert: insertValue(call, definition, item, guid, row); break;
      case RowOperation::Update: updateValue(call, definition, item, guid, row); break;
      case RowOperation::Delete: deleteValue(call, definition, item, guid, row); break;
    }
  }
  return GetEffectValue(call);
}

}  // namespace

bool GetEffect(FuncCall& call) { return readMember(call, getEffect); }
bool SaveEffect(FuncCall& call) { return editMember(call, saveEffect); }
bool GetEffectValue(FuncCall& call) { return readMember(call, getEffectValue); }
bool SaveEffectValue(FuncCall& call) { return editMember(call, saveEffectValue, kValueConstraints); }

std::string GetNextCode(db::Connection& CN, std::string_view table, std::string_view codeField, std::string_view item) {
  const db::Recordset rs = sql::open(CN, "Select max(cast(" + std::string(codeField) + " as int)) As code From " +
                                             std::string(table) + " Where intEICode = " + std::string(item));
  if (rs.eof()) return "01";
  std::string largest = NullToStr(rs.field("Code").value());
  if (!IsNumeric(Variant(largest))) largest = "0";
  const double next = CDbl(Variant(largest)) + 1;
  if (next > kLastCode) raiseMessage("Z7.Corvane.0057");
  char code[32];
  std::snprintf(code, sizeof code, "%02.0f", next);
  return code;
}

}  // namespace corvane::stand
