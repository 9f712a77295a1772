#pragma once
// The queries of the five voucher lists, each built from its func element into a PagedQuery
// (reports/PagedList.h). Every request value reaches the SQL through BuildWhereFromXml, the item
// table's checked class code or an apostrophe literal; every list reads the user's vouchers
// only (GetAuthSource). Each builder raises RuntimeError for a request it cannot serve; database
// errors reach the caller.

#include "reports/PagedList.h"

namespace corvane {

class LoginContext;
class XmlNode;
namespace db {
class Connection;
}

enum class VoucherKind { Loan, Claim };

// "listloandata" (loans) and "listrepaydata" (income and expense claims): the vouchers to
// approve, filtered by the request's `auditcond`: 0 submitted and not approved, 1 approved by
// the user, other values every submitted voucher; the flow's refusals are left out. The user is
// the logged-in one; an administrator may name another with `Auditor`. A non-numeric
// `auditcondition` raises RuntimeError 13.
PagedQuery ApprovalListQuery(VoucherKind kind, LoginContext& ologin, db::Connection& connection, const XmlNode& func);

// "loanalertdata" of the reports: every loan of the user's rights that the condition rows select,
// with its outstanding amount (`dbllack`), paged by AutoID.
PagedQuery LoanAlertQuery(LoginContext& ologin, db::Connection& connection, const XmlNode& func);

// "listpzdata": the ledger vouchers made from the user's vouchers in the login year, one row per
// ledger voucher and source voucher, paged by their composite text key.
PagedQuery LedgerListQuery(LoginContext& ologin, const XmlNode& func);

// "listnetpaydata": the lines of approved vouchers whose paying and receiving banks are filled,
// loan lines or claim lines by the `strtypeclasscode` condition row (RuntimeError 91 without it).
PagedQuery PayableLineListQuery(LoginContext& ologin, db::Connection& connection, const XmlNode& func);

// "listmakepzdata": the approved vouchers none of whose lines waits for the bank, paged by GUID.
PagedQuery PostableVoucherListQuery(LoginContext& ologin, db::Connection& connection, const XmlNode& func);

}  // namespace corvane
