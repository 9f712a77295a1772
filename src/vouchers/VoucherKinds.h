#pragma once
// The voucher kinds that loans and claims share one voucher layer for: by the first character of
// an operation type code, the card, the head and line tables, the approval-flow bill type with
// the name and right the approval-start document carries, and how a voucher number must be
// unique.

#include <array>
#include <string_view>

namespace corvane {

enum class NumberScope {
  HeadTable,  // unique among all vouchers of the head table
  SameKind,   // unique among the vouchers of the head table whose type code has the kind's character
};

struct VoucherKind {
  char typeCode;  // first character of strTypeCode
  std::string_view card;
  std::string_view headTable;
  std::string_view lineTable;
  std::string_view flowBillType;
  std::string_view flowName;   // the kind's name in the approval-start document
  std::string_view flowRight;  // the right the approval flow checks
  NumberScope numberScope;
};

inline constexpr std::array kVoucherKinds = {
    VoucherKind{'1', "KX02", "KX_ExpenVouch", "KX_ExpenVouch_Sub", "46", "收入报销单", "KX0204", NumberScope::SameKind},
    VoucherKind{'2', "KX03", "KX_ExpenVouch", "KX_ExpenVouch_Sub", "47", "支出报销单", "KX0204", NumberScope::SameKind},
    VoucherKind{'3', "KX01", "KX_LoanVouch", "KX_LoanVouch_Sub", "45", "借款单", "KX0202", NumberScope::HeadTable},
};

inline constexpr const VoucherKind& kIncomeClaimKind = kVoucherKinds[0];
inline constexpr const VoucherKind& kExpenseClaimKind = kVoucherKinds[1];
inline constexpr const VoucherKind& kLoanKind = kVoucherKinds[2];

// The kind of an operation type code by its first character; null for any other code.
const VoucherKind* FindVoucherKind(std::string_view strTypeCode);

// The kind whose card is `card`; null for any other card.
const VoucherKind* FindVoucherKindOfCard(std::string_view card);

// The kind a claim of type `strTypeCode` is saved as: an income claim for "1...", else an expense
// claim.
const VoucherKind& ClaimKind(std::string_view strTypeCode);

}  // namespace corvane
