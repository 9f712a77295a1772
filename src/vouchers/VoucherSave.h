#pragma once
// Small pieces every voucher save uses: reading the request's head and line rows, raising its
// messages, and running its statements through the SQL rewriting.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/com/AsciiText.h"
#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "platform/xml/XmlDocument.h"
#include "request/Messages.h"
#include "request/RequestFrame.h"
#include "request/RowVersion.h"
#include "request/SqlGateway.h"
#include "request/Values.h"

namespace corvane::voucher {

// The row version written as `text`; the message `id` for any other text, which names no stored
// row.
inline RowVersion requireRowVersion(std::string_view text, const char* id) {
  const std::optional<RowVersion> version = RowVersion::parse(text);
  if (!version) raiseMessage(id);
  return *version;
}

inline bool present(const XmlNode& row, std::string_view name) { return row.hasAttribute(name); }
inline bool given(const XmlNode& row, std::string_view name) { return !row.attribute(name).empty(); }

// The attribute's text; error 91 when the row lacks it.
inline std::string required(const XmlNode& row, std::string_view name) {
  const std::optional<std::string> value = row.findAttribute(name);
  if (!value) raiseObjectMissing();
  return *value;
}

// The child element; error 91 when the node lacks it.
inline XmlNode requiredChild(const XmlNode& node, std::string_view name) {
  const XmlNode child = node.child(name);
  if (child.isNull()) raiseObjectMissing();
  return child;
}

// A stored bit read back: Null counts as not set.
inline bool flagSet(const Variant& value) { return !value.isNull() && CBool(value); }

// A date text without the time of midnight that the form adds ("2005-08-02T00:00:00").
inline std::string removeMidnight(std::string text) {
  for (std::size_t at = text.find("T00:00:00"); at != std::string::npos; at = text.find("T00:00:00")) {
    text.erase(at, 9);
  }
  return text;
}

// An item class names the table fitemss<class>; anything but letters and digits names none.
inline bool isPlainCode(const std::string& code) {
  return !code.empty() &&
         code.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789") == std::string::npos;
}

inline bool equalsTrue(const std::string& text) { return equalsIgnoringCase(text, "true"); }

using Assignments = std::vector<std::pair<std::string, std::string>>;

// The seven budget columns: all Null without a budget item, else the item and the ports given,
// which come in pairs and at least one.
inline Assignments budgetColumns(const XmlNode& row) {
  static constexpr std::array kPorts = {"strPort1",      "strPort1Value", "strPort2",
                                        "strPort2Value", "strPort3",      "strPort3Value"};
  static constexpr std::array kPairMessages = {"Z7.Corvane.0240", "Z7.Corvane.0241", "Z7.Corvane.0331"};
  Assignments columns{{"strBudItemID", "Null"}};
  for (const char* port : kPorts) columns.emplace_back(port, "Null");
  if (!given(row, "strBudItemID")) return columns;
  columns[0].second = SqlStr(row.attribute("strBudItemID"));
  int count = 0;
  for (std::size_t i = 0; i < kPorts.size(); ++i) {
    if (given(row, kPorts[i])) {
      ++count;
      columns[i + 1].second = SqlStr(row.attribute(kPorts[i]));
    }
    if (i % 2 == 1 && count % 2 == 1) raiseMessage(kPairMessages[i / 2]);
  }
  if (count == 0) raiseMessage("Z7.Corvane.0242");
  return columns;
}

// S of the attribute, Null when it is absent or empty.
inline std::string textValue(const XmlNode& row, const char* name) { return SqlStr(row.attribute(name)); }
// N of the attribute: its number, Null when it is absent or no number.
inline std::string numberValue(const XmlNode& row, const char* name) { return SqlNum(Variant(row.attribute(name))); }

inline bool isNumberDefine(int n) {
  return n == 5 || n == 7 || n == 15 || n == 16 || n == 26 || n == 27 || n == 34 || n == 35;
}

// cDefine<first> to cDefine<last>: numbers for the numeric ones, text for the others.
inline Assignments defineColumns(const XmlNode& row, int first, int last) {
  Assignments columns;
  for (int n = first; n <= last; ++n) {
    const std::string name = "cDefine" + std::to_string(n);
    columns.emplace_back(name, isNumberDefine(n) ? numberValue(row, name.c_str()) : textValue(row, name.c_str()));
  }
  return columns;
}

// "a,b,c" of the column names; the values; "a = 1,b = 2" for an update.
inline std::string names(const Assignments& columns) {
  std::string text;
  for (const auto& [name, value] : columns) text += (text.empty() ? "" : ",") + name;
  return text;
}

inline std::string values(const Assignments& columns) {
  std::string text;
  for (const auto& [name, value] : columns) text += (text.empty() ? "" : ",") + value;
  return text;
}

inline std::string assignments(const Assignments& columns) {
  std::string text;
  for (const auto& [name, value] : columns) text += (text.empty() ? "" : ",") + name + " = " + value;
  return text;
}

// The first record of `sql`, or the message `id` when there is none.
inline db::Recordset requireRecord(FuncCall& call, const std::string& sql, const char* id) {
  db::Recordset rs = sql::open(call.CN, sql);
  if (rs.eof()) raiseMessage(id);
  return rs;
}

inline void requirePresent(const XmlNode& row, std::string_view name, const char* id) {
  if (!present(row, name)) raiseMessage(id);
}

// The item class and item of a head, when given, must exist.
inline void checkItem(FuncCall& call, const XmlNode& row) {
  const std::string itemClass = row.attribute("strItemClassID");
  if (itemClass.empty()) return;
  requireRecord(call, "SELECT citem_class FROM fitem Where citem_class = " + db::quoteLiteral(itemClass),
                "Z7.Corvane.0219");
  const std::string item = row.attribute("strItemID");
  if (item.empty()) return;
  if (!isPlainCode(itemClass)) raiseMessage("Z7.Corvane.0220");
  requireRecord(call,
                itemClass == "ch"
                    ? "SELECT cInvCode FROM inventory Where cInvCode = " + db::quoteLiteral(item)
                    : "SELECT cItemCode FROM fitemss" + itemClass + " Where cItemCode = " + db::quoteLiteral(item),
                "Z7.Corvane.0220");
}

}  // namespace corvane::voucher
