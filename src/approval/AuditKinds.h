#pragma once
// The voucher kinds of approval, named "KX0" followed by the first character of the operation
// type code: their head table, approval-flow bill type and function rights.

#include <string_view>

namespace corvane {

struct AuditKind {
  std::string_view strType;
  std::string_view headTable;
  std::string_view flowBillType;
  std::string_view approveRight;
  std::string_view cancelRight;

  bool isLoan() const { return flowBillType == "45"; }
};

inline constexpr AuditKind kAuditKinds[] = {
    {"KX03", "KX_LoanVouch", "45", "KX020201", "KX020202"},
    {"KX02", "KX_ExpenVouch", "47", "KX020401", "KX020402"},
    {"KX01", "KX_ExpenVouch", "46", "KX020401", "KX020402"},
};

// The kind of `strType` (compared exactly), or null.
inline const AuditKind* auditKindOf(std::string_view strType) {
  for (const AuditKind& kind : kAuditKinds) {
    if (kind.strType == strType) return &kind;
  }
  return nullptr;
}

// The kind whose code ends in the voucher kind digit `digit` (the first character of an operation
// type code: "1", "2" or "3"), or null.
inline const AuditKind* auditKindOfDigit(char digit) {
  for (const AuditKind& kind : kAuditKinds) {
    if (kind.strType.back() == digit) return &kind;
  }
  return nullptr;
}

}  // namespace corvane
