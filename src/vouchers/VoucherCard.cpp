#include "vouchers/VoucherCard.h"

#include <array>
#include <cstdint>

#include "core/Messages.h"
#include "platform/com/RuntimeError.h"
#include "vouchers/VoucherKinds.h"

namespace corvane {

namespace {

constexpr std::array kRetryLaterErrors = {
    static_cast<std::int32_t>(0x80040E21), errnum::kDbUnspecified, errnum::kDbTimeout,
    static_cast<std::int32_t>(0x8004D013)};

}  // namespace

std::string CardNumber(std::string_view strTypeCode) {
  const VoucherKind* kind = FindVoucherKind(strTypeCode);
  return std::string(kind ? kind->card : kLoanKind.card);
}

std::string VoucherFailureText(const RuntimeError& error) {
  for (const std::int32_t number : kRetryLaterErrors) {
    if (error.number() == number) return GetResString("Z7.Corvane.0159");
  }
  return error.description();
}

}  // namespace corvane
