#include "settings/PersonLimits.h"

#include <array>
#include <cstdlib>
#include <optional>
#include <vector>

#include "host/LoginContext.h"
#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "request/ErrorReply.h"
#include "request/Messages.h"
#include "request/RowVersion.h"
#include "request/SqlGateway.h"
#include "request/Values.h"
#include "settings/CPerson.h"
#include "settings/PersonSql.h"

namespace corvane {

namespace {

// The columns and range of one limit. A limit without range (maxWhole 0) is an amount.
struct LimitColumns {
  const char* flag;
  const char* value;
  const char* type;
  const char* labelMessage;
  int maxWhole;
  const char* rangeMessage;
};

constexpr std::array<LimitColumns, 3> kLimits = {{
    {"blnDay", "intDay", "strDayCtrType", "Z7.Corvane.0121", 999, "Z7.Corvane.0123"},
    {"blnNumber", "intNumber", "strNumCtrType", "Z7.Corvane.Web.0785", 99, "Z7.Corvane.0124"},
    {"blnMoney", "intMoney", "strMonCtrType", "Z7.Corvane.Web.0786", 0, nullptr},
}};

constexpr const char* kPromptMessage = "Z7.Corvane.0028";
constexpr const char* kStrictMessage = "Z7.Corvane.0230";

// The stored code of a control-type text: "0" for the prompt text of the request's locale, "1"
// for any other text.
std::string controlTypeCode(const std::string& text) { return text == GetResString(kPromptMessage) ? "0" : "1"; }

// A day or count limit as the whole number it rounds to, within 1 to maxWhole.
std::string checkedWhole(const LimitColumns& limit, const std::string& number) {
  const std::int32_t whole = CLng(Variant(number));
  if (whole < 1 || whole > limit.maxWhole) raiseMessage(limit.rangeMessage);
  return std::to_string(whole);
}

// An amount rounded to two decimals (half away from zero), as a plain number.
std::string roundedAmount(const std::string& number) {
  const std::int64_t scaled = CCur(Variant(number)).scaled();
  const std::int64_t cents = (std::llabs(scaled) + 50) / 100 * (scaled < 0 ? -1 : 1);
  return Currency::fromScaled(cents * 100).toString();
}

std::vector<XmlNode> limitNodes(XmlNode input) {
  std::vector<XmlNode> nodes = input.children();
  if (nodes.size() < kLimits.size()) {
    raiseObjectMissing("The request does not give all three limits.");
  }
  nodes.resize(kLimits.size());
  return nodes;
}

std::string limitsReply(db::Recordset* row, const std::array<std::string, 3>* currentUse) {
  std::string text = "<Rows ts='" + (row ? XmlEncode(NullToStr(row->field("ts").value())) : "") + "'>";
  for (std::size_t i = 0; i < kLimits.size(); ++i) {
    const LimitColumns& limit = kLimits[i];
    const bool on = row && NullToBool(row->field(limit.flag).value());
    text += "<row blnCtrl='" + (row ? XmlEncode(NullToStr(row->field(limit.flag).value())) : "0") + "' strCtrl='" +
            XmlEncode(GetResString(limit.labelMessage)) + "'  dblMoney='" +
            (row ? XmlEncode(NullToStr(row->field(limit.value).value())) : "") + "'";
    if (currentUse) text += " dblMoney1='" + XmlEncode((*currentUse)[i]) + "'";
    text += " strCtrlType='" + (on ? XmlEncode(NullToStr(row->field(limit.type).value())) : "") + "' />";
  }
  return text + "</Rows>";
}

// A number read as text; "0" when there is no row or the value is Null.
std::string scalarText(db::Connection& connection, const std::string& tsql) {
  const std::string value = sql::text(connection, tsql);
  return value.empty() ? "0" : value;
}

// The current use of the three limits: the age in days of the oldest unsettled loan at the login
// date, the number of unsettled loans and their open amount in the local currency.
std::array<std::string, 3> currentUse(FuncCall& call, const std::string& personCode) {
  const std::string where = " WHERE (blnSettle = 0) And (strLoanID = " + db::quoteLiteral(personCode) + ")";
  DateTime loginDay = call.ologin.LoginDate();
  loginDay.hour = loginDay.minute = loginDay.second = 0;
  return {
      scalarText(call.CN, "SELECT MAX(DATEDIFF([day], dtLoanDate, '" + loginDay.toSqlString() +
                              "')) AS A FROM KX_LoanVouch" + where),
      scalarText(call.CN, "SELECT COUNT(*) AS A FROM KX_LoanVouch" + where),
      scalarText(call.CN,
                 "select isnull(sum(case isnull(iotherused,0) when -1 then isnull(dblmoney,0)-isnull(dblreturn,0) "
                 "else (case isnull(bcal,0) when 1 then (isnull(dblmoney,0)-isnull(dblreturn,0))*isnull(fltrate,1) "
                 "else (isnull(dblmoney,0)-isnull(dblreturn,0))/isnull(fltrate,1) end) end),0)as a from kx_loanvouch "
                 "left join foreigncurrency on kx_loanvouch.strbill=foreigncurrency.cexch_name" +
                     where),
  };
}

std::string limitsSelect(const std::string& personCode) {
  const std::string t0 = db::quoteLiteral(GetResString(kPromptMessage));
  const std::string t1 = db::quoteLiteral(GetResString(kStrictMessage));
  return "SELECT blnDay, intDay, (case strDayCtrType when '0' then " + t0 + " when '1' then  " + t1 + " else " + t0 +
         " end) as strDayCtrType, blnNumber, intNumber, case strNumCtrType when '0' then " + t0 + " when '1' then  " +
         t1 + " else " + t0 + " end as strNumCtrType, blnMoney, intMoney, case strMonCtrType when '0' then " + t0 +
         " when '1' then  " + t1 + " else " + t0 +
         " end as strMonCtrType, Cast(ts As money) As ts FROM KX_PersonCtrl WHERE (strPersonCode = " +
         db::quoteLiteral(personCode) + ")";
}

}  // namespace

std::string limitsInsertStatement(const std::string& personCode, std::span<const XmlNode> limits) {
  std::string columns = "Insert Into KX_PersonCtrl (strPersonCode ";
  std::string values = " Values (" + db::quoteLiteral(personCode);
  for (std::size_t i = 0; i < kLimits.size(); ++i) {
    const LimitColumns& limit = kLimits[i];
    const XmlNode node = limits[i];
    if (const auto flag = node.findAttribute("blnCtrl")) {
      columns += std::string(",") + limit.flag;
      values += "," + flagNumber(*flag);
    }
    if (const auto money = node.findAttribute("dblMoney")) {
      std::string number = SqlNum(Variant(*money));
      if (limit.maxWhole > 0 && number != "null") number = checkedWhole(limit, number);
      columns += std::string(",") + limit.value;
      values += "," + number;
    }
    const auto type = node.findAttribute("strCtrlType");
    columns += std::string(",") + limit.type;
    values += ",'" + (type ? controlTypeCode(*type) : "0") + "'";
  }
  return columns + ")" + values + ")";
}

std::string limitsUpdateStatement(const std::string& personCode, std::span<const XmlNode> limits,
                                  const std::string& ts) {
  const std::optional<RowVersion> version = RowVersion::parseSigned(ts);
  if (!version) raiseMessage("Z7.Corvane.0112");
  std::string assignments;
  for (std::size_t i = 0; i < kLimits.size(); ++i) {
    const LimitColumns& limit = kLimits[i];
    const XmlNode node = limits[i];
    const std::string flag = node.attribute("blnCtrl");
    if (flag.empty() || flag == "0" || flag == GetResString("Z7.Corvane.0023")) {
      assignments += std::string(limit.flag) + " = 0," + limit.value + " = Null,";
      continue;
    }
    const std::string number = SqlNum(Variant(node.attribute("dblMoney")));
    const std::string value = limit.maxWhole > 0 ? checkedWhole(limit, number) : roundedAmount(number);
    const auto type = node.findAttribute("strCtrlType");
    assignments += std::string(limit.flag) + " = " + flagNumber(flag) + "," + limit.value + " = " + value + "," +
                   limit.type + " = '" + (type ? controlTypeCode(*type) : "0") + "',";
  }
  assignments.pop_back();
  return "Update KX_PersonCtrl Set " + assignments + " Where strPersonCode = " + db::quoteLiteral(personCode) +
         " And " + version->condition();
}

bool CPerson::getPerson(FuncCall& call) {
  return answerAsMember(call.oXml, "CPerson", "recordGet", [&] {
    const XmlNode input = firstInput(call);
    const std::string personCode = input.attribute("strPersonCode");
    if (personCode.empty()) raiseMessage("Z7.Corvane.0120");
    const bool show = input.hasAttribute("Show");
    db::Recordset rs = sql::open(call.CN, limitsSelect(personCode));
    if (rs.eof()) {
      if (show) raiseMessage("Z7.Corvane.0122");
      loadReply(call.oXml, limitsReply(nullptr, nullptr));
      return true;
    }
    if (!show) {
      loadReply(call.oXml, limitsReply(&rs, nullptr));
      return true;
    }
    const std::array<std::string, 3> use = currentUse(call, personCode);
    loadReply(call.oXml, limitsReply(&rs, &use));
    return true;
  });
}

bool CPerson::savePerson(FuncCall& call) {
  return answerAsMember(call.oXml, "CPerson", "recordEdit", [&] {
    const XmlNode input = firstInput(call);
    const std::string personCode = input.attribute("strPersonCode");
    checkPersonExists(call.CN, personCode);
    const std::string ts = input.attribute("ts");
    const std::vector<XmlNode> limits = limitNodes(input);
    const std::string statement =
        ts.empty() ? limitsInsertStatement(personCode, limits) : limitsUpdateStatement(personCode, limits, ts);
    if (sql::execute(call.CN, statement) != 1) raiseMessage("Z7.Corvane.0112");
    cleanUpPersonCtrl(call.CN, personCode);
    return getPerson(call);
  });
}

}  // namespace corvane
