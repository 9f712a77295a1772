#pragma once
// Turning database and request values into texts, writing values into SQL texts, reading
// attributes from request documents and escaping text for XML.

#include <string>

#include "platform/com/Variant.h"
#include "platform/xml/XmlDocument.h"

namespace corvane {

// Empty text for Null (or for a value that cannot be turned into text), else the value's text.
std::string NullToStr(const Variant& v);

// "null" for Null or empty text; else the text between apostrophes with every apostrophe in it
// doubled, so that it never ends its literal.
std::string SqlStr(const Variant& v);

// The leading number of the value's text when the value is numeric ("12.5" -> 12.5), else 0
// ("12abc" is not numeric).
double NullToNum(const Variant& v);

// The value's text when it is a plain number (blanks, sign, digits, point, exponent), else
// "null": nothing but a number ever reaches the SQL text.
std::string SqlNum(const Variant& v);

// False for Null or empty text, else the value as Boolean; a value that is no Boolean raises
// type mismatch (13).
bool NullToBool(const Variant& v);

// "null" for Null or empty text; "1" when the value converts to True, "0" otherwise (a value
// that is no Boolean included).
std::string SqlBool(const Variant& v);

// Year, `sep`, month, `sep`, day without leading zeros (2005-8-2). A value that is no date
// raises type mismatch (13).
std::string DateToStr(const Variant& v, const std::string& sep);

// `s` with & > < ' " written as &amp; &gt; &lt; &apos; &quot; (no entity is escaped twice).
std::string XmlEncode(const std::string& s);

// The attribute `attrName` of `node` itself when `xpath` is empty or blanks, else of the first
// element that `xpath` selects under it; empty text when that element or the attribute is
// missing. A null node raises object missing (91); a malformed XPath raises 13.
std::string GetAttrValue(const XmlNode& node, const std::string& attrName, const std::string& xpath = "");
// The same on the document element of `document`.
std::string GetAttrValue(const XmlDocument& document, const std::string& attrName, const std::string& xpath = "");

}  // namespace corvane
