#pragma once
// The loan aging report: the outstanding amounts of loans dated before the report date, summed
// per group (department, borrower, borrower's grade, item class, item or budget item) into the
// aging intervals, counted in days from the loan date to the report date, with each interval's
// share of the group's total.
//
// Request (the func element): the intervals `in/age/age/row` (`cdays` caption, `icount` upper
// bound in days, 0 none; each bound's lower one is the previous row's), the grouping text
// `in/type/row[@name='stritem']/@value` (one of the grouping messages in the request's locale),
// the report date `in/type/row[@name='dtdate']/@value`, `in/page` and `in/cond` as in the lists.
//
// Rows: the group's codes (`ccode`, or `cclasscode` and `ccode`), per interval i `imoney`i and
// `irate`i (texts; empty when the group has no loan in the interval, and the share empty when
// the group's amounts add up to 0), the total `imoney` and the names. A page cuts the rows of
// group and loan date, so a group may appear on two pages with the part that lies on each.

#include <string>
#include <vector>

namespace corvane {

class LoginContext;
class XmlNode;
namespace db {
class Connection;
}

// The grid's column layout for the intervals and the grouping text; empty without intervals.
// Every text in it is escaped.
std::string LoanAgeFormat(const std::vector<XmlNode>& intervals, const std::string& grouping);

// The report's PagedReply with its format. Raises RuntimeError 1001 (source
// "Corvane:CReport:LoanAgeData") without intervals (text of Z7.Corvane.0133), for a grouping text
// that matches no grouping (Z7.Corvane.0343) and when no row is left (Z7.Corvane.0087); 1011
// beyond 10000 rows; 13 for a report date that is no date or an `icount` that is no 16-bit
// number; database errors reach the caller. The temp tables it makes are dropped in every case.
std::string LoanAgeReply(LoginContext& ologin, db::Connection& connection, const XmlNode& func);

}  // namespace corvane
