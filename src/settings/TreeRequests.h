#pragma once
// What the item and place editors share: the row a func names and its attributes; SaveRows gives
// their constraints named in plain words.

#include <string>
#include <string_view>

#include "request/RequestFrame.h"
#include "request/SaveRows.h"

namespace corvane {

// The first child element of the func's `in`.
XmlNode requestRow(const FuncCall& call);

// The attribute's text; a missing attribute raises object missing (91).
std::string requiredAttribute(XmlNode row, std::string_view name);

}  // namespace corvane
