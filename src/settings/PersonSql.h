#pragma once
// Pieces shared by the person settings members: the first input element of a func, the request
// values they write into SQL, the person check before a save and the clean-up of a person's
// settings row that no longer carries anything.

#include <string>

#include "request/RequestFrame.h"

namespace corvane {

// The first child element of the func's `in`; raises object missing (91) when there is none.
XmlNode firstInput(const FuncCall& call);

// A flag sent by the client as a bit for SQL: "1" or "0"; an empty text is off ("0"). "True" and
// "False" (any case) and numbers convert; any other text raises type mismatch (13), so nothing
// but a bit reaches the statement.
std::string flagNumber(const std::string& text);

// Raises "Z7.Corvane.0072" with the code when `personCode` is not in the host's Person table.
void checkPersonExists(db::Connection& connection, const std::string& personCode);

// Deletes the person's settings row when it holds no grade and no switched-on limit (a Null
// flag counts as off).
void cleanUpPersonCtrl(db::Connection& connection, const std::string& personCode);

}  // namespace corvane
