#pragma once
// One line of a draft ledger voucher as the line builders write it, and its insert into the draft
// table. Every text goes in as a literal with its apostrophes doubled; numbers are checked.

#include <optional>
#include <string>
#include <vector>

#include "platform/com/Variant.h"

namespace corvane {

class LoginContext;
struct DraftState;
namespace db {
class Connection;
}

struct DraftLine {
  std::string typeCode;   // strTypeCode of the source voucher
  std::string vouchGuid;  // VouchGUID and coutid: the source voucher's GUID
  std::string digest;     // cdigest: cut to its first 60 characters when written
  std::string accountCode;
  std::string accountName;
  std::string currency;  // cexch_name
  Variant rate;          // nfrat, as read
  Currency md, mdForeign, mc, mcForeign;
  bool debit = true;                    // bDirFlag: the side the amounts are on
  std::string debitQuantity = "null";   // nd_s, an SQL number or null
  std::string creditQuantity = "null";  // nc_s
  std::string departmentId, departmentName, personId, personName;
  std::string itemId, itemClass;
  std::string documents = "null";                      // idoc, an SQL number or null
  std::string sourceNumber;                            // coutno_id until the batch id replaces it
  Variant sourceDate;                                  // doutdate; Null when not a date
  std::optional<std::string> settleStyle, settleName;  // csettle, csettlename; Null when absent
  bool budgetPassed = false;                           // bWH_BgFlag
  std::string userDefined;                             // ",v1,...,v16" from GetCDefineValues
  std::optional<std::string> billNumber;               // cn_id; Null when absent
};

// The line's amounts on its normal side, or (when the account lets a negative amount change
// sides and the foreign amount is negative) negated on the other side.
void PutAmounts(DraftLine& line, bool normalDebit, bool mayChangeSide, Currency local, Currency foreign);

// Inserts `line` into the draft table of `state` as line state.nextLine, with the voucher's type
// word, date and the login's period, and advances state.nextLine. Database errors, and a line
// number beyond the 32-bit range (overflow, 6), reach the caller.
void InsertDraftLine(db::Connection& CN, const LoginContext& ologin, DraftState& state, const DraftLine& line);

// The first `count` characters (not bytes) of a UTF-8 text.
std::string FirstCharacters(const std::string& text, std::size_t count);

// The source vouchers a draft line names, in upper case: every GUID in braces in its VouchGUID
// (the sources of a merged line, in the order they were merged), then its coutid (the last source).
std::vector<std::string> LineSources(const std::string& coutid, const std::string& vouchGuid);

}  // namespace corvane
