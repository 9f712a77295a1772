#pragma once
// Locks of general-ledger vouchers in the host's lock table gl_mvocontrol, held while the module
// voids a voucher it made, so that the host's ledger does not edit it meanwhile. A lock is the
// row (coutsysname, coutsign, coutno_id) = (system, voucher type word, voucher number). A lock
// names no batch, so it cannot tell whose voucher it is: callers lock only a voucher they have
// found within the user's data rights (the void checks them before any guard).

#include <string>

namespace corvane {

class LoginContext;
namespace db {
class Connection;
}

// Writes the lock row of voucher `iVouchNo` of type word `outSign` for system `SysID`, with the
// purpose "作废凭证", the login's user and machine, through `CN` (inside the caller's transaction,
// so the lock ends with it). Answers true. When the voucher is locked already: `strErr` gets the
// text of "Z7.Corvane.0025" and RuntimeError 9000 with that text is raised, nothing written.
// Database errors reach the caller.
bool LockPZ(const LoginContext& ologin, db::Connection& CN, const std::string& SysID, const std::string& outSign,
            const std::string& iVouchNo, std::string& strErr);

// Removes that lock row: true when there was one, false when none or on any database error.
// Never raises.
bool UnLockPZ(db::Connection& CN, const std::string& SysID, const std::string& outSign, const std::string& iVouchNo);

}  // namespace corvane
