#pragma once
// The summary by operation type: the amounts of loans or of claims summed per group
// (department, voucher date, person, person grade, item class, item or budget item), one column
// per chosen operation type and a total, in the local currency only or per currency with the
// amount in that currency beside the local one.
//
// Request (the func element): `in/type/row[@name='strtype']` (value: the text of
// Z7.Corvane.0044 for loans, any other text for claims; children: the chosen operation types,
// each with `code` and `text`, in column order), `in/type/row[@name='stritem']/@value` (the
// grouping text), `in/type/row[@name='strshow']/@value` (the text of Z7.Corvane.0139 for local
// amounts only), `in/page` and `in/cond` as in the lists.
//
// Rows: the key columns (`ccode`, or `cclasscode` and `ccode`, then `cexchname` per currency),
// the total `imoney`, per type i `imoneyf`i (per currency) and `imoney`i as texts with two
// decimals (empty when the group has none of that type), `autoid` when paged, and the names
// (none for the date grouping). Amounts of a type that add up to 0 in a group are left out.

#include <string>
#include <vector>

namespace corvane {

class LoginContext;
class XmlNode;
namespace db {
class Connection;
}

// The grid's column layout for the operation type elements, the grouping text and the currency
// display text; empty without operation types. Every text in it is escaped.
std::string TypeCollectFormat(const std::vector<XmlNode>& types, const std::string& grouping,
                              const std::string& display);

// The report's PagedReply with its format. Raises RuntimeError 1001 (source
// "Corvane:CReport:typeCollectData") without operation types (text of Z7.Corvane.0145), for a
// grouping text that matches no grouping (Z7.Corvane.0343) and when no row is left
// (Z7.Corvane.0087); 1011 beyond 10000 rows; 91 for a missing request element or a type without
// `text`; database errors reach the caller. The temp tables it makes are dropped in every case.
std::string TypeCollectReply(LoginContext& ologin, db::Connection& connection, const XmlNode& func);

}  // namespace corvane
