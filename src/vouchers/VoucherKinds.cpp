#include "vouchers/VoucherKinds.h"

namespace corvane {

const VoucherKind* FindVoucherKind(std::string_view strTypeCode) {
  if (strTypeCode.empty()) return nullptr;
  for (const VoucherKind& kind : kVoucherKinds) {
    if (kind.typeCode == strTypeCode.front()) return &kind;
  }
  return nullptr;
}

const VoucherKind* FindVoucherKindOfCard(std::string_view card) {
  for (const VoucherKind& kind : kVoucherKinds) {
    if (kind.card == card) return &kind;
  }
  return nullptr;
}

const VoucherKind& ClaimKind(std::string_view strTypeCode) {
  return strTypeCode.starts_with('1') ? kIncomeClaimKind : kExpenseClaimKind;
}

}  // namespace corvane
