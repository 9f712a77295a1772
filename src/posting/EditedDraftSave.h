#pragma once
// Saving an edited draft ledger voucher: the lines the user saw in the preview and edited are
// checked, written into a new draft table, and that draft is converted into a ledger voucher.

#include <functional>
#include <string>

#include "posting/LedgerConversion.h"

namespace corvane {

class LoginContext;
class XmlDocument;
class XmlNode;
namespace db {
class Connection;
}

// Creates an empty draft table on the connection and answers "tempdb.." + its name, or "" when
// it could not be made (the voucher maker's CreatePZTbl).
using DraftTableCreator = std::function<std::string(db::Connection&, const LoginContext&)>;

// The func "SaveTempPZData". Reads //in/@dbill_date (the voucher date), //in/@csign and the lines
// of //Rows (one child per line, its attributes named after the draft's columns) from the request
// document of `funcNode`.
//
// In one transaction: a new draft table (none: "Z7.Corvane.0371"); the date must be a date
// (0314), not before the module's start date dKXPeriodDate (missing 0315, before it 0316 naming
// it, not a date 0317), after the last closed ledger period (0318) and inside the login year
// (0319); no line may name a voucher (coutid, or a GUID in VouchGUID) outside the user's data
// rights, which answers as a voucher that does not exist (0167); a line's batch (coutno_id) must
// not be posted already, by a loan or a claim (0320) and a claim line's voucher must be settled
// (0167). Each line is written with the attributes that name a draft column and
// are not empty, every value as a literal or a checked number, boolean or date by the column's
// type (any other value: "Z7.Corvane.0682" naming the column); its voucher date is the checked
// date; its settle style only on an account that keeps one (code.be 1), else Null; a line with no
// such attribute: 0321. Any failure rolls back and answers false with the error reply
// "Corvane:CLoan:recordGet:<number>".
//
// Once committed, `draft` names the new table and the lines' batch id (no claims), and the
// answer is that of ConvertPZ over it, which checks balance, accounts, period and sources again
// inside its own transaction and registers the voucher's cheques after its commit.
bool SaveTempPZData(LoginContext& ologin, db::Connection& CN, const XmlNode& funcNode, XmlDocument& oXml,
                    PostingDraft& draft, const DraftTableCreator& createDraftTable);

}  // namespace corvane
