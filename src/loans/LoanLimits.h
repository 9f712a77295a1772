#pragma once
// A borrower's loan limits (KX_PersonCtrl) against his unsettled loans: the age of the oldest,
// their number and what they still owe in the home currency. The loan form asks for warnings
// while a voucher is entered; the loan save enforces the hard limits. Every limit and amount is
// compared exactly, as Currency.

#include <optional>
#include <string>

#include "platform/com/Variant.h"

namespace corvane {

class LoginContext;
namespace db {
class Connection;
}

// One limit: switched on or off, its value (Null when not set) and its control type ("1" hard).
struct LoanLimit {
  bool on = false;
  Variant value;
  std::string controlType;

  bool hard() const { return on && controlType == "1"; }
};

struct PersonLoanLimits {
  LoanLimit days;
  LoanLimit count;
  LoanLimit amount;
};

// The borrower's unsettled loans, apart from the one being edited.
struct OpenLoans {
  Variant oldestDays;  // Null when there is none
  long count = 0;
  Currency owed;  // home currency
};

// The borrower's limits, or nothing when none are kept for him.
std::optional<PersonLoanLimits> readLoanLimits(db::Connection& connection, const std::string& personCode);

// Unsettled loans of `personCode` other than the voucher `excludedGuid` (none when it is empty),
// their age counted up to the login date.
OpenLoans readOpenLoans(db::Connection& connection, const LoginContext& login, const std::string& personCode,
                        const std::string& excludedGuid);

// Whole days from the date in the first ten characters of `voucherDate` to the login date. A text
// that is no date raises type mismatch (13).
long voucherAgeInDays(const LoginContext& login, const std::string& voucherDate);

// A limit's value; an empty value raises type mismatch (13).
Currency limitValue(const LoanLimit& limit);

// The age the days limit is held against: the older of the voucher's own age and the oldest
// open loan's.
Currency loanAgeInDays(long ownDays, const OpenLoans& open);

// A whole number as Currency, for comparing counts and days with their limits.
Currency wholeNumber(long value);

}  // namespace corvane
