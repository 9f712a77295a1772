#pragma once
// The line builders of draft ledger vouchers: each reads one approved source voucher and writes
// its ledger lines into the draft table of `state`, numbered from state.nextLine on. Lines are
// written in a fixed order: item lines, then receipt and payment rows (for a loan: each loan line's
// item line followed by its payment line), then loan offsets, each group in the order its rows were
// entered. Failures raise: 9000 with 0371 (no draft table), 0257 (no source rows), 0297 (an income
// claim without receipt or payment rows), 0660 (no exchange rate where amounts are converted);
// database errors as they come.

#include <string>

namespace corvane {

class LoginContext;
struct DraftState;
namespace db {
class Connection;
}

// An income claim (kind "1"): a credit line per claim line (the head's amounts when it has none)
// and a debit line per receipt or payment row.
void MakeExpensePZRows(db::Connection& CN, const LoginContext& ologin, DraftState& state, const std::string& guid);

// An expense claim (kind "2"): a debit line per claim line, a line per receipt (debit) or payment
// (credit) row and a credit line per loan amount the claim wrote off, which clears the loan.
void MakeExpenseOffsetPZRows(db::Connection& CN, const LoginContext& ologin, DraftState& state,
                             const std::string& guid);

// A loan (kind "3"): per loan line a debit line on the loan account and a credit line on the
// payment account.
void MakeLoanPZRows(db::Connection& CN, const LoginContext& ologin, DraftState& state, const std::string& guid);

}  // namespace corvane
