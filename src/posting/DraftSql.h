#pragma once
// Small helpers over a draft ledger voucher table: its columns, the accounting period of a date,
// and a request node's text as an SQL value.

#include <string>
#include <string_view>

#include "platform/com/Variant.h"

namespace corvane {

class LoginContext;
class XmlNode;
namespace db {
class Connection;
class Recordset;
}  // namespace db

// True when `rs` has a field named `name` (any case).
bool FieldExists(const db::Recordset& rs, std::string_view name);

// The number (iID) of the accounting period of the login's account and year that holds `date`
// (its day; removed periods left out), from the system database. No such period: RuntimeError
// 9000 with the text of "Z7.Corvane.0323". Database errors reach the caller.
int GetPeriodOfDate(const LoginContext& ologin, db::Connection& CN, const DateTime& date);

// " null" for a missing node, else the node's text as a literal with apostrophes doubled.
std::string NodeSqlValue(const XmlNode& node);

}  // namespace corvane
