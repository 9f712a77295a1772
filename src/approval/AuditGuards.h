#pragma once
// What approval reads of a voucher before it changes it: the head's approver and ledger-voucher
// maker, as the user's data rights show them, and the guards of cancelling an approval.

#include <optional>
#include <string>

#include "approval/AuditKinds.h"

namespace corvane {

class LoginContext;
class RowVersion;
namespace db {
class Connection;
}

struct AuditHead {
  std::string auditor;  // strAuditorID; "" while not approved
  std::string maker;    // strMakerID; "" while no ledger voucher is made
};

// The head of voucher `guid` of `kind`, with the row version `version` when one is given; nothing
// when there is no such voucher, or it lies outside the user's data rights, or it changed.
std::optional<AuditHead> ReadAuditHead(LoginContext& ologin, db::Connection& CN, const AuditKind& kind,
                                       const std::string& guid, const RowVersion* version);

// The messages of the refusals to cancel an approval; the two approval funcs name them by
// different ids.
struct CancelRefusalIds {
  const char* notApproved;
  const char* posted;
  const char* paid;
  const char* writtenOff;
};

// The refusal of cancelling the approval of a voucher, or "" when the guards pass, tested in this
// order: not approved (outside a flow), a ledger voucher made, a line sent for payment, a loan
// line written off by a claim.
std::string CancelRefusal(db::Connection& CN, const AuditKind& kind, const std::string& guid, bool inFlow,
                          const AuditHead& head, const CancelRefusalIds& ids);

}  // namespace corvane
