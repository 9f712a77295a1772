#include "claims/ExpenseStandardCheck.h"

#include <optional>
#include <string>
#include <vector>

#include "platform/com/Money.h"
#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "platform/xml/XmlDocument.h"
#include "request/ErrorReply.h"
#include "request/Locale.h"
#include "request/Messages.h"
#include "request/RequestFrame.h"
#include "request/SqlGateway.h"
#include "request/Values.h"
#include "vouchers/VoucherCard.h"

namespace corvane {

namespace {

constexpr const char* kNoStandard = "没找到报消标准";

// A prompting standard stores the zh-CN word of message 0028; any other word is strict.
bool isStrict(const Variant& controlType) {
  return !controlType.isNull() && NullToStr(controlType) != GetResString("Z7.Corvane.0028", "zh-CN");
}

bool usesEffectItem(db::Connection& CN, const std::string& guid, int code) {
  return sql::exists(CN, "select intEDCode from KX_EffectItem where intEDCode=" + std::to_string(code) +
                             " And GUIDStand=" + db::quoteLiteral(guid));
}

// The grade in `sql`'s first record; `missing` when there is none, `empty` when it is blank.
std::string requiredGrade(db::Connection& CN, const std::string& sql, const char* missing, const char* empty,
                          const std::string& standardName) {
  const db::Recordset rs = sql::open(CN, sql);
  if (rs.eof()) raiseMessage(missing, standardName);
  const std::string grade = NullToStr(rs.field("strGradeID").value());
  if (grade.empty()) raiseMessage(empty, standardName);
  return grade;
}

struct Standard {
  std::string name;
  Currency total;  // per-unit amount times the quantity
  Factor rate;     // share of the excess still allowed, percent
};

// The condition on the standard's amount rows for the line's effect-item values; sets `banded`
// when the standard has amount bands.
std::string amountRowCondition(db::Connection& CN, const StandardCheckLine& line, const std::string& guid,
                               const std::string& name, bool& banded) {
  std::string condition = "KX_StandSet.GUIDStand=" + db::quoteLiteral(guid);
  if (usesEffectItem(CN, guid, 1)) {
    if (line.strLoanID.empty()) raiseMessage("Z7.Corvane.0029", name);
    condition += " and KX_StandSet.strField1=" +
                 db::quoteLiteral(requiredGrade(
                     CN, "select strGradeID from KX_PersonCtrl where strpersoncode=" + db::quoteLiteral(line.strLoanID),
                     "Z7.Corvane.0030", "Z7.Corvane.0031", name));
  }
  if (usesEffectItem(CN, guid, 2)) {
    if (line.strEZero.empty()) raiseMessage("Z7.Corvane.0032", name);
    condition += " and KX_StandSet.strField2=" +
                 db::quoteLiteral(requiredGrade(
                     CN, "select strGradeID from KX_Position where strPositionCode=" + db::quoteLiteral(line.strEZero),
                     "Z7.Corvane.0033", "Z7.Corvane.0034", name));
  }
  if (usesEffectItem(CN, guid, 3)) {
    if (line.strJTTools.empty()) raiseMessage("Z7.Corvane.0035", name);
    condition += " and KX_StandSet.strField3=" + db::quoteLiteral(line.strJTTools);
  }
  banded = usesEffectItem(CN, guid, 4);
  if (banded && line.dblVouch == Currency()) raiseMessage("Z7.Corvane.0036", name);
  return condition;
}

// The amount row of the line: with amount bands the lowest band whose limit is not below the
// voucher amount per unit. The limits have at most four decimals, so the amount per unit rounded
// up to four decimals compares with them exactly.
void readAmountRow(db::Connection& CN, const StandardCheckLine& line, const std::string& condition, bool banded,
                   Standard& standard) {
  const std::string sql =
      banded ? "select top 1 dblMoney,dblRate from KX_StandSet left join(SELECT * From KX_EISet_Stand WHERE "
               "intEICode=4)B ON(KX_StandSet.GUIDStand=B.GUIDStand AND KX_StandSet.strField4=B.strEICode) where " +
                   condition + " and Cast(B.strEIName as decimal(20,2))>=" +
                   line.dblNumber.divides(line.dblVouch, 4, Rounding::Up).toString() +
                   " order by Cast(B.strEIName as decimal(20,2))"
             : "select dblMoney,dblRate from KX_StandSet where " + condition;
  const db::Recordset rs = sql::open(CN, sql);
  if (rs.eof()) raiseMessage("Z7.Corvane.0037", standard.name);
  standard.total = line.dblNumber.times(MoneyOf(rs.field("dblMoney").value()), 4);
  standard.rate = Factor::of(rs.field("dblRate").value());
}

// A stored flag as a number; Null and anything that is no number count 0.
long flagNumber(const Variant& value) { return IsNumeric(value) ? CLng(value) : 0; }

// `amount` in the home currency to the cent by the currency's row: not converted when the
// currency is kept without conversion (iotherused -1) or unknown, multiplied by the rate when
// bcal is 1, else divided by it.
Currency homeCurrencyCents(db::Connection& CN, const StandardCheckLine& line, Currency amount) {
  const db::Recordset rs =
      sql::open(CN, "select iotherused,bcal from foreigncurrency where cexch_name=" + db::quoteLiteral(line.strBill));
  if (rs.eof() || flagNumber(rs.field("iotherused").value()) == -1) return Rounded(amount, 2);
  if (NullToBool(rs.field("bcal").value())) return line.fltRate.times(amount, 2);
  return line.fltRate.divides(amount, 2);
}

Currency allowedAmount(Currency money, Currency vouch, const Standard& standard) {
  if (money <= Currency()) return Currency();
  if (money <= standard.total) return money;
  if (vouch > standard.total && vouch != Currency()) {
    return Rounded(standard.total + standard.rate.percent().times(vouch - standard.total, 4), 2);
  }
  return Rounded(standard.total, 2);
}

void applyStandard(db::Connection& CN, StandardCheckLine line, StandardCheckResult& result) {
  const db::Recordset found = sql::open(
      CN,
      "select GUID,strStandName,strControlType from KX_Expense right join KX_ExpenseDepart on "
      "KX_Expense.guid=KX_ExpenseDepart.guidmain where KX_Expense.strIOItemCode=" +
          db::quoteLiteral(line.strIOItem) + " and KX_ExpenseDepart.strdepartid=" + db::quoteLiteral(line.strDepartID));
  if (found.eof()) raiseBusiness(kNoStandard);
  result.standardGuid = NullToStr(found.field("GUID").value());
  Standard standard;
  standard.name = NullToStr(found.field("strStandName").value());
  result.strict = isStrict(found.field("strControlType").value());
  bool banded = false;
  const std::string condition = amountRowCondition(CN, line, result.standardGuid, standard.name, banded);
  readAmountRow(CN, line, condition, banded, standard);
  result.message.clear();
  if (!line.strBill.empty() && line.fltRate.sign() != 0) {
    line.dblMoney = homeCurrencyCents(CN, line, line.dblMoney);
    if (line.dblVouch != Currency()) line.dblVouch = homeCurrencyCents(CN, line, line.dblVouch);
  }
  line.dblMoney = Rounded(line.dblMoney, 2);
  line.dblVouch = Rounded(line.dblVouch, 2);
  result.allowed = allowedAmount(line.dblMoney, line.dblVouch, standard);
  if (result.allowed < line.dblMoney) {
    raiseMessage("Z7.Corvane.0038", GroupedTwoDecimals(line.dblMoney), standard.name,
                 GroupedTwoDecimals(line.dblMoney - result.allowed));
  }
}

// The claimant's grade as the form's standards read it: the code itself when the claimant has
// no person settings.
std::string formGrade(db::Connection& CN, const std::string& claimant) {
  if (claimant.empty()) return "";
  const db::Recordset rs =
      sql::open(CN, "Select strGradeID From KX_PersonCtrl Where strPersonCode = " + db::quoteLiteral(claimant));
  return rs.eof() ? claimant : NullToStr(rs.field("strGradeID").value());
}

struct FormLine {
  XmlNode node;
  std::string department;
  std::string grade;
};

// The condition of the line's effect-item values on the amount rows, highest item first; nothing
// when the standard has no effect items or the line lacks a value one of them needs.
std::optional<std::string> formCondition(db::Connection& CN, const FormLine& line) {
  const std::string item = line.node.attribute("strIOItem");
  db::Recordset items =
      sql::open(CN,
                "SELECT DISTINCT KX_EffectItem_Default_Lang.strEDName , KX_EffectItem_Default_Base.intEDCode FROM "
                "KX_EffectItem_Default_Base Join KX_EffectItem_Default_Lang on "
                "KX_EffectItem_Default_Base.intEDCode=KX_EffectItem_Default_Lang.intEDCode RIGHT OUTER JOIN "
                "KX_ExpenseDepart RIGHT OUTER JOIN KX_Expense ON KX_ExpenseDepart.GuidMain = KX_Expense.GUID LEFT "
                "OUTER JOIN KX_EffectItem ON KX_Expense.GUID = KX_EffectItem.GUIDStand ON "
                "KX_EffectItem_Default_Base.intEDCode = KX_EffectItem.intEDCode WHERE "
                "(KX_EffectItem_Default_Lang.LocaleID=" +
                    db::quoteLiteral(gLocaleID) + ") and (KX_Expense.strIOItemCode = " + db::quoteLiteral(item) +
                    ") AND (KX_ExpenseDepart.strDepartID = " + db::quoteLiteral(line.department) +
                    ") Order By KX_EffectItem_Default_Base.intEDCode Desc");
  std::string condition;
  for (; !items.eof(); items.moveNext()) {
    const std::string code = NullToStr(items.field("intEDCode").value());
    const std::string vouch = line.node.attribute("dblVouch");
    const std::string tool = line.node.attribute("strjttools");
    const std::string place = line.node.attribute("strezero");
    if (code == "4") {
      if (!IsNumeric(Variant(vouch))) return std::nullopt;  // only a number reaches the SQL text
      condition += "And Cast(KX_EISet_Stand.strEIName as money) >= " + SqlNum(Variant(vouch)) + " ";
    } else if (code == "3") {
      if (tool.empty()) return std::nullopt;
      condition += "And KX_StandSet.strField3 = " + db::quoteLiteral(tool) + " ";
    } else if (code == "2") {
      if (place.empty()) return std::nullopt;
      condition += "And KX_StandSet.strField2 = (SELECT strGradeID From kx_position WHERE strPositionCode = " +
                   db::quoteLiteral(place) + ") ";
    } else if (code == "1") {
      if (line.grade.empty()) return std::nullopt;
      condition += "And KX_StandSet.strField1 = " + db::quoteLiteral(line.grade) + " ";
    }
  }
  if (condition.empty()) return std::nullopt;
  return condition;
}

// The answer row of one form line, or nothing.
std::string formAnswer(db::Connection& CN, const FormLine& line) {
  const std::optional<std::string> condition = formCondition(CN, line);
  if (!condition) return "";
  const db::Recordset rs = sql::open(
      CN, "SELECT Top 1 case dbo.KX_Expense.strControlType when " +
              db::quoteLiteral(GetResString("Z7.Corvane.0028", "zh-CN")) + " then " +
              db::quoteLiteral(GetResString("Z7.Corvane.0028")) + " else " +
              db::quoteLiteral(GetResString("Z7.Corvane.0230")) +
              " end as strControlType, KX_StandSet.dblMoney, KX_StandSet.dblRate FROM KX_ExpenseDepart INNER JOIN "
              "KX_Expense ON KX_ExpenseDepart.GuidMain = KX_Expense.GUID INNER JOIN KX_StandSet ON "
              "KX_Expense.GUID = KX_StandSet.GUIDStand LEFT OUTER JOIN KX_EISet_Stand ON KX_StandSet.strField4 = "
              "KX_EISet_Stand.strEICode AND KX_Expense.GUID = KX_EISet_Stand.GUIDStand Where "
              "KX_Expense.strIOItemCode = " +
              db::quoteLiteral(line.node.attribute("strIOItem")) +
              " And KX_ExpenseDepart.strDepartID = " + db::quoteLiteral(line.department) + " " + *condition +
              "Order By Cast(KX_EISet_Stand.strEIName As money) ");
  if (rs.eof()) return "";
  return "<row id='" + XmlEncode(line.node.attribute("row")) + "' strControlType='" +
         XmlEncode(NullToStr(rs.field("strControlType").value())) + "' dblMoney='" +
         XmlEncode(NullToStr(rs.field("dblMoney").value())) + "' dblRate='" +
         XmlEncode(NullToStr(rs.field("dblRate").value())) + "' />";
}

}  // namespace

StandardCheckResult CheckExpenseStand(db::Connection& CN, const StandardCheckLine& line) {
  StandardCheckResult result;
  result.message = kNoStandard;
  if (line.dblVouch < Currency() || line.dblMoney < Currency() || line.dblNumber.sign() < 0) return result;
  if (line.strIOItem.empty() && line.strDepartID.empty()) return result;
  StandardCheckLine checked = line;
  if (checked.dblNumber.sign() == 0) checked.dblNumber = Factor::whole(1);
  try {
    applyStandard(CN, checked, result);
  } catch (const RuntimeError& error) {
    result.message = error.description();
  }
  return result;
}

bool HasAmountBand(db::Connection& CN, const std::string& item, const std::string& department) {
  if (item.empty()) return false;
  return sql::exists(CN,
                     "SELECT KX_EffectItem.intEDCode FROM KX_Expense INNER JOIN KX_ExpenseDepart ON "
                     "KX_Expense.GUID = KX_ExpenseDepart.GuidMain LEFT OUTER JOIN KX_EffectItem ON "
                     "KX_Expense.GUID = KX_EffectItem.GUIDStand WHERE (KX_EffectItem.intEDCode = 4) AND "
                     "(KX_ExpenseDepart.strDepartID = " +
                         db::quoteLiteral(department) + ") AND (KX_Expense.strIOItemCode = " + db::quoteLiteral(item) +
                         ")");
}

bool GetStand(FuncCall& call) {
  return answerAsMember(
      call.oXml, "CExpense", "GetStand",
      [&] {
        const XmlNode rows = call.oNode.selectSingleNode("in/Rows");
        if (!rows) raiseObjectMissing();
        const std::vector<XmlNode> lines = rows.children();
        std::string answers;
        if (!lines.empty()) {
          const std::string department = lines.front().attribute("strDepartID");
          const std::string grade = formGrade(call.CN, lines.front().attribute("strLoanID"));
          for (const XmlNode& line : lines) answers += formAnswer(call.CN, FormLine{line, department, grade});
        }
        loadReply(call.oXml, "<Rows>" + answers + "</Rows>");
        return true;
      },
      VoucherFailureText);
}

}  // namespace corvane
