#pragma once
// The user's data rights on the ledger vouchers that posting made. A ledger voucher is made from
// loans and claims, and lies within the user's data rights only when every one of them does, by
// the row rights by which the ledger voucher list and the voucher maker choose the vouchers a user
// may see (GetAuthSource of KX_LoanVouch and KX_ExpenVouch). A func that takes a ledger voucher
// answers one outside them as one that does not exist.

#include <string>

namespace corvane {

class LoginContext;
namespace db {
class Connection;
}

// Whether one of the loans and claims that `voucherCondition` selects (a condition on the head
// tables' own columns, such as GUID and PZGUID) lies outside the user's data rights. Vouchers that
// do not exist do not count. Database errors reach the caller.
bool AnyVoucherOutsideRights(const LoginContext& ologin, db::Connection& CN, const std::string& voucherCondition);

// Whether the ledger voucher made here (GL_accvouch rows tagged 'kx') whose rows `rowCondition`
// selects (a condition on the columns of GL_accvouch) was made from a voucher
// outside the user's data rights: one that a row names in coutid, or that carries a row's batch id
// in PZGUID. False when the condition selects no row. Database errors reach the caller.
bool LedgerVoucherOutsideRights(const LoginContext& ologin, db::Connection& CN, const std::string& rowCondition);

}  // namespace corvane
