#include "request/QueryBuilders.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <string_view>

#include "host/Host.h"
#include "host/LoginContext.h"
#include "platform/com/DecimalText.h"
#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "platform/xml/XmlDocument.h"
#include "request/RequestHost.h"
#include "request/SqlGateway.h"
#include "request/Values.h"

namespace corvane {

namespace {

constexpr const char* kNothingAllowed = "1=2";

bool isBlank(std::string_view text) {
  return std::ranges::all_of(text, [](char c) { return c == ' '; });
}

// One row-right clause of a narrowed table: the business object, the list that stands for
// "nothing allowed", and the text the list follows.
struct AuthClause {
  const char* object;
  const char* nothingList;
  const char* opening;
};

// The item list follows "Select N'' Union", so its "nothing" is a SELECT as well: only rows
// without an item pass.
constexpr AuthClause kAuthClauses[] = {
    {"department", "N''", " strDepartID IN ("},
    {"person", "N''", " strLoanID IN ("},
    {"fitem", "Select N''", " Isnull(strItemID ,N'') IN (Select N'' Union "},
    {"user", "''", " strPersonID IN ("},
};

bool isWordCharacter(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }

bool isPlainName(std::string_view part) {
  if (part.size() >= 2 && part.front() == '[' && part.back() == ']') {
    part = part.substr(1, part.size() - 2);
  }
  return !part.empty() && std::ranges::all_of(part, isWordCharacter);
}

// A column name sent by a client: "name", "table.name", either part in square brackets.
const std::string& checkedColumnName(const std::string& fieldname) {
  const std::string_view name = fieldname;
  const std::size_t dot = name.find('.');
  const bool plain = dot == std::string_view::npos
                         ? isPlainName(name)
                         : isPlainName(name.substr(0, dot)) && isPlainName(name.substr(dot + 1));
  if (!plain) {
    throw RuntimeError(errnum::kInvalidArgument, "The condition names no plain column: '" + fieldname + "'.");
  }
  return fieldname;
}

// "=", ">=" or "<=" by the condition's `fieldtype`.
const char* comparisonOperator(std::string_view fieldtype) {
  if (fieldtype == "0") return "=";
  if (fieldtype == "1") return ">=";
  return "<=";
}

// The number of a numeric condition as SQL. An amount (a plain decimal of at most fifteen whole
// digits and four decimals) is written exactly; any other number as its nearest double, and a
// text that is no number as 0.
std::string conditionNumber(const std::string& value) {
  if (isDecimalText(value)) {
    const std::size_t point = value.find('.');
    const std::size_t whole = point == std::string::npos ? value.size() : point;
    const std::size_t decimals = point == std::string::npos ? 0 : value.size() - point - 1;
    if (whole <= 15 && decimals <= 4) return Currency::parse(value)->toString();
  }
  return CStr(Variant::dbl(NullToNum(Variant(value))));
}

// One " and ..." comparison of a condition child that has a value; empty for an unknown type.
std::string conditionComparison(const XmlNode& child, const std::string& value) {
  const std::string type = child.attribute("type");
  const std::string fieldtype = child.attribute("fieldtype");
  if (type == "0" || type == "1" || type == "5") {
    return " and " + checkedColumnName(child.attribute("fieldname")) + comparisonOperator(fieldtype) +
           db::quoteLiteral(NullToStr(Variant(value)));
  }
  if (type == "2" || type == "3" || type == "4") {
    return " and " + checkedColumnName(child.attribute("fieldname")) + comparisonOperator(fieldtype) +
           conditionNumber(value);
  }
  if (type == "6") {
    return " and " + checkedColumnName(child.attribute("fieldname")) + "=" + (CBool(Variant(value)) ? "1" : "0");
  }
  return {};
}

// Item class codes become part of a table name and of a literal: letters and digits only.
const std::string& checkedItemClass(const std::string& itemClass) {
  const bool plain = !itemClass.empty() && std::ranges::all_of(itemClass, [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0;
  });
  if (!plain) {
    throw RuntimeError(errnum::kInvalidArgument, "The item class is not a plain code: '" + itemClass + "'.");
  }
  return itemClass;
}

std::string itemClassSelect(const std::string& itemClass) {
  if (itemClass == "ch") {
    return "(select N'ch' as citem_class,cinvcode as citemcode,cinvname as citemname from "
           "inventory)";
  }
  const std::string& code = checkedItemClass(itemClass);
  return "(select N'" + code + "' as citem_class,citemcode,citemname from fitemss" + code + ")";
}

}  // namespace

std::string GetRowAuth(const LoginContext& ologin, const std::string& businessObject, const std::string& a2,
                       const std::string& a3) {
  try {
    if (ologin.IsAdmin()) return "";
    // The third key only counts when the second is given.
    const std::string answer = AskRowRight(ologin, businessObject, a2, a2.empty() ? std::string() : a3);
    return isBlank(answer) ? "" : answer;
  } catch (...) {
    // A service that cannot answer must not open every row.
    return kNothingAllowed;
  }
}

std::string GetAuthSource(const LoginContext& ologin, const std::string& tableName, bool withAlias) {
  std::string condition;
  for (const AuthClause& clause : kAuthClauses) {
    const std::string list = GetRowAuth(ologin, clause.object);
    if (list.empty()) continue;
    condition += clause.opening;
    condition += list == kNothingAllowed ? clause.nothingList : list;
    condition += ") And ";
  }
  if (condition.empty()) return tableName;
  condition.resize(condition.size() - 4);  // the trailing "And "
  return "(Select * From " + tableName + " Where " + condition + (withAlias ? ") As " + tableName : ") ");
}

std::string GetAccInfo(const std::string& cname, db::Connection& connection, const std::string& csysid) {
  std::string sql = "select ctype,cvalue,cdefault from accinformation where cname=" + db::quoteLiteral(cname);
  if (!csysid.empty()) sql += " and csysid=" + db::quoteLiteral(csysid);
  const db::Recordset rs = sql::open(connection, sql);
  if (rs.eof()) return "";
  const Variant value = rs.field("cvalue").value();
  return NullToStr(value.isNull() ? rs.field("cdefault").value() : value);
}

std::string GetItemTableSql(const std::string& itemClass, db::Connection& connection) {
  if (!itemClass.empty()) return itemClassSelect(itemClass) + "fitems";

  std::string unions;
  for (db::Recordset rs = sql::open(connection, "select citem_class from fitem"); !rs.eof(); rs.moveNext()) {
    unions += "union all " + itemClassSelect(NullToStr(rs.field("citem_class").value()));
  }
  if (unions.empty()) {
    return "(select null as citem_class,null as citemcode,null as citemname)fitems";
  }
  return "(" + unions.substr(10) + ")fitems";  // without the leading "union all "
}

std::string BuildWhereFromXml(const XmlNode& condition) {
  std::string where = "1=1";
  for (const XmlNode& child : condition.children()) {
    const std::optional<std::string> value = child.findAttribute("value");
    if (value) where += conditionComparison(child, *value);
  }
  return where;
}

}  // namespace corvane
