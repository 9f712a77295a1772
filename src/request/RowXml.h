#pragma once
// The two plain reply shapes made from record sets: a line `<row col='v' .../>` per record, and
// one `<head name='value' .../>` element from a set of (strName, strValue) records.

#include <string>

namespace corvane {

namespace db {
class Recordset;
}

// One "<row .../>" line per record, CR LF after each; empty text for a closed or empty set. Null
// and the text "1900-01-01" of a text column are written as empty values. Leaves the set at its
// end.
std::string RsToRowXml(db::Recordset& rs);

// "<head n1='v1' n2='v2' .../>" with CR LF, one attribute per record of the columns strName and
// strValue; empty text for a closed or empty set.
std::string RsToHeadXml(db::Recordset& rs);

}  // namespace corvane
