#pragma once
// Fragments of SQL that the lists, reports, voucher forms and settings editors put into their own
// statements: the user's row rights, a table narrowed to them, one option of the account, the
// derived table of the items of an item class, and the WHERE text of a client's conditions.

#include <string>

namespace corvane {

class LoginContext;
class XmlNode;
namespace db {
class Connection;
}

// The ids the user may see of `businessObject` ("department", "person", "fitem", "user",
// "djmb"), as the row-authorisation service answers them: the empty text when nothing restricts
// the user (always for an administrator), "1=2" when the user may see none, otherwise a list for
// use inside IN (...) (for "fitem" a SELECT). The service is asked with `a2` and `a3` where they
// are given. The service is the row-authorisation component of the login object's host, one per
// request (AskRowRight), so that the user's grants are read once per request. Fails closed: when
// the service fails, the answer is "1=2". Never raises.
std::string GetRowAuth(const LoginContext& ologin, const std::string& businessObject, const std::string& a2 = "",
                       const std::string& a3 = "");

// `tableName` narrowed to the user's rows by department (strDepartID), borrower or claimant
// (strLoanID), item (strItemID; a row without item always passes) and maker (strPersonID):
// `tableName` itself when no right restricts, else "(Select * From <table> Where ...) As <table>"
// with `withAlias`, or the same ending in ") " without it. Never raises.
std::string GetAuthSource(const LoginContext& ologin, const std::string& tableName, bool withAlias);
// Callers hold the flag as the text "True" or "False": convert it, a text never reads as a flag.
std::string GetAuthSource(const LoginContext&, const std::string&, const char*) = delete;

// The value of option `cname` in AccInformation (of system `csysid` when it is not empty): its
// cValue, or cDefault when cValue is Null; the empty text when the option is missing or both are
// Null. Database errors reach the caller.
std::string GetAccInfo(const std::string& cname, db::Connection& connection, const std::string& csysid = "");

// A derived table aliased `fitems` with the columns citem_class, citemcode, citemname: the items
// of `itemClass` ("ch" is the inventory), or of every class listed in fitem when it is empty.
// An item class must be a plain code (letters and digits); anything else raises RuntimeError 5
// before any SQL is written. Database errors reach the caller.
std::string GetItemTableSql(const std::string& itemClass, db::Connection& connection);

// "1=1" and one comparison per child of `condition` that has a `value`, built from its
// attributes `fieldname`, `fieldtype` ("0" =, "1" >=, else <=), `value` and `type` ("0", "1",
// "5" text; "2", "3", "4" number; "6" Boolean; else skipped). Text values are written with
// apostrophes doubled, numbers as numbers (0 when the value is not numeric). A `fieldname` that
// is not a plain column name (letters, digits and "_", at most one qualifier, either part
// optionally in square brackets) raises RuntimeError 5; a Boolean value that does not convert
// raises type mismatch (13).
std::string BuildWhereFromXml(const XmlNode& condition);

}  // namespace corvane
