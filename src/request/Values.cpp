#include "request/Values.h"

#include <regex>

#include "platform/com/RuntimeError.h"
#include "platform/tsql/SqlLiteral.h"

namespace corvane {

namespace {

bool isNullOrEmptyText(const Variant& v) { return v.isNull() || CStr(v).empty(); }

// The forms of a number that SQL reads as one: blanks around, a sign, digits with an optional
// point, an optional exponent.
bool isPlainNumber(const std::string& text) {
  static const std::regex kPlainNumber(R"([ \t]*[+-]?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][+-]?[0-9]+)?[ \t]*)");
  return std::regex_match(text, kPlainNumber);
}

bool isBlank(const std::string& text) { return text.find_first_not_of(' ') == std::string::npos; }

}  // namespace

std::string NullToStr(const Variant& v) {
  if (v.isNull()) return {};
  try {
    return CStr(v);
  } catch (const RuntimeError&) {
    return {};
  }
}

std::string SqlStr(const Variant& v) { return isNullOrEmptyText(v) ? "null" : db::quoteLiteral(CStr(v)); }

double NullToNum(const Variant& v) { return IsNumeric(v) ? Val(CStr(v)) : 0.0; }

std::string SqlNum(const Variant& v) {
  if (!IsNumeric(v)) return "null";
  std::string text = CStr(v);
  return isPlainNumber(text) ? text : "null";
}

bool NullToBool(const Variant& v) { return isNullOrEmptyText(v) ? false : CBool(v); }

std::string SqlBool(const Variant& v) {
  if (isNullOrEmptyText(v)) return "null";
  try {
    return CBool(v) ? "1" : "0";
  } catch (const RuntimeError&) {
    return "0";
  }
}

std::string DateToStr(const Variant& v, const std::string& sep) {
  const DateTime date = CDate(v);
  return std::to_string(date.year) + sep + std::to_string(date.month) + sep + std::to_string(date.day);
}

std::string XmlEncode(const std::string& s) { return escapeXml(s); }

std::string GetAttrValue(const XmlNode& node, const std::string& attrName, const std::string& xpath) {
  if (node.isNull()) raiseObjectMissing("Object variable not set");
  if (isBlank(xpath)) return node.attribute(attrName);
  const XmlNode selected = node.selectSingleNode(xpath);
  return selected.isNull() ? std::string() : selected.attribute(attrName);
}

std::string GetAttrValue(const XmlDocument& document, const std::string& attrName, const std::string& xpath) {
  return GetAttrValue(document.documentElement(), attrName, xpath);
}

}  // namespace corvane
