#pragma once
// The expense standards applied to claim lines: the standard of a line's item and the claim's
// department, its effect items (person grade, place grade, transport tool, amount band), the
// amount row they select and whether the claimed amount stays within what the standard allows.

#include <string>

#include "platform/com/Money.h"
#include "platform/com/Variant.h"

namespace corvane {

struct FuncCall;
namespace db {
class Connection;
}

// One claim line as the check sees it, with the head's department, claimant and currency.
struct StandardCheckLine {
  std::string strIOItem;
  std::string strDepartID;
  std::string strLoanID;   // claimant
  std::string strEZero;    // end place
  std::string strJTTools;  // transport tool
  Currency dblVouch;       // voucher amount
  Currency dblMoney;       // claimed amount
  Factor dblNumber;        // quantity; 0 counts as 1
  std::string strBill;     // the claim's currency; empty for the home currency
  Factor fltRate;          // its rate; 0 leaves the amounts unconverted
};

struct StandardCheckResult {
  std::string standardGuid;  // the standard applied; empty when none applies
  Currency allowed;          // the amount the standard allows (informational)
  bool strict = false;       // the standard refuses rather than prompts
  std::string message;       // the finding; empty when the line keeps to its standard

  // The line exceeds its standard, or the standard cannot be resolved for it.
  bool exceeded() const { return !standardGuid.empty() && !message.empty(); }
};

// Checks one line against its expense standard. Never raises: a database failure becomes the
// finding's message. A line without a standard, or with a negative amount, passes unchecked.
StandardCheckResult CheckExpenseStand(db::Connection& CN, const StandardCheckLine& line);

// Whether the standard of `item` for `department` has amount bands (effect item 4). Database
// failures reach the caller.
bool HasAmountBand(db::Connection& CN, const std::string& item, const std::string& department);

// "GetStand": for the lines `in/Rows/*` of the claim form (attributes row, strIOItem, strezero,
// strjttools, dblVouch; the first line also carries the claim's strDepartID and strLoanID), the
// standard that applies to each: "<Rows><row id='..' strControlType='..' dblMoney='..'
// dblRate='..' /></Rows>", the control type in the request's language and the amount per unit.
// A line whose standard has no effect items, or lacks a value one of them needs, gets no row.
bool GetStand(FuncCall& call);

}  // namespace corvane
