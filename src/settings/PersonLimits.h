#pragma once
// A person's three loan limits (days of the oldest unsettled loan, count of unsettled loans,
// unsettled amount in the local currency), each switched on or off with its own control type.
// The statements that save them are built here from the three limit elements of a request.

#include <span>
#include <string>

#include "platform/xml/XmlDocument.h"

namespace corvane {

// The insert of a new settings row for `personCode` from the day, count and amount limit
// elements (attributes `blnCtrl`, `dblMoney`, `strCtrlType`). Raises "Z7.Corvane.0123" or
// "Z7.Corvane.0124" for a day or count limit outside its range.
std::string limitsInsertStatement(const std::string& personCode, std::span<const XmlNode> limits);

// The update of the person's row with row version `ts`. A switched-on limit whose value is not
// a number raises type mismatch (13); a `ts` that is not a plain decimal raises
// "Z7.Corvane.0112" (the row cannot be the one the client read).
std::string limitsUpdateStatement(const std::string& personCode, std::span<const XmlNode> limits,
                                  const std::string& ts);

}  // namespace corvane
