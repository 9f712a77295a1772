#pragma once
// The draft ledger voucher: a table in tempdb, one row per ledger line, in the layout the host's
// voucher importer reads. Ledger-voucher making writes its lines there before anything reaches
// the general ledger; the preview, the merge of lines and the save of an edited draft use the same
// layout.

#include <span>
#include <string>
#include <string_view>

namespace corvane {

class LoginContext;
namespace db {
class Connection;
}

// One column of the draft layout, in table order.
struct DraftColumn {
  std::string_view name;
  std::string_view type;  // as declared: "[nvarchar] (100)", "[money]", ...
  std::string_view rest;  // nullability and default; empty for the login defaults
};

// The columns in table order. `coutaccset`, `ioutyear` and `ioutperiod` default to the login's
// account, year and period, given when the table is created.
std::span<const DraftColumn> DraftColumns();

// Creates an empty draft table in tempdb under a new unique name (a namesake user table is
// dropped first) on `CN`, inside the caller's transaction if one is open, records it
// (RecordTmpTable) and answers its full name "tempdb..<name>". Any failure answers "" and raises
// nothing: the caller finds the table missing at its next statement. The table is the request's
// own: no one reads it after the func that made it, which drops it when it ends.
std::string CreatePZTbl(db::Connection& CN, const LoginContext& ologin);

}  // namespace corvane
