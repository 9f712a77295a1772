#pragma once
// Completion of a draft ledger voucher: every line's auxiliary values (item class and item,
// person and department, customer, vendor, user-defined fields) kept, filled or cleared as its
// account carries them; the currency taken off lines in the local currency; rounding differences
// balanced.

#include <string>

namespace corvane {

namespace db {
class Connection;
}

// Completes the lines of `table`. Lines without an account, or whose account is not in the chart
// of accounts, keep their values. A debit total that differs from the credit total by at most one
// cent per line is evened out on one line: a surplus of debits raises the credit of the last line
// without debit, a surplus of credits the debit of the last line without credit (left as it is
// when there is no such line). A larger difference refuses the draft (9000, 0662). Database errors,
// and an item class that is not a plain name, reach the caller.
void UpdateItemClass(db::Connection& CN, const std::string& table);

}  // namespace corvane
