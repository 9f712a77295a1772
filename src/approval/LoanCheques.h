#pragma once
// Cheques of an approved loan: its lines prepaid by bill settlement are registered in the host's
// cheque book.

#include <string>

#include "host/ChequeBook.h"

namespace corvane {

class LoginContext;
namespace db {
class Connection;
}

// Registers a cheque for each line of loan `loanGuid` with a prepaid amount and a bill settle
// style: its cheque number, settle style, the payment account of GetPzSetSubject, the amount
// rounded to cents, the login date, the loan's purpose, department and borrower. Answers the
// messages of the lines not registered (no cheque number 0182, no account 0183, refused by the
// cheque book 0181) run together, or "" when every cheque was registered; a run-time error
// answers 0365 (or 0184 with its number) alone. Runs after the approval's commit. Never raises.
std::string RegisterLoanCheques(LoginContext& ologin, db::Connection& CN, const std::string& loanGuid);

}  // namespace corvane
