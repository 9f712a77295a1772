#pragma once
// What the item and place editors share: the row a func names, its attributes and the counts
// they read; SaveRows gives their constraints named in plain words.

#include <string>
#include <string_view>

#include "request/RequestFrame.h"
#include "request/SaveRows.h"

namespace corvane {

namespace db {
class Connection;
}

// The first child element of the func's `in`.
XmlNode requestRow(const FuncCall& call);

// The attribute's text; a missing attribute raises object missing (91).
std::string requiredAttribute(XmlNode row, std::string_view name);

// The first column of the first record of a count query.
long countOf(const std::string& tsql, db::Connection& connection);
// Whether a query finds a row.
bool findsRow(const std::string& tsql, db::Connection& connection);

}  // namespace corvane
