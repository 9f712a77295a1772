#include "vouchers/VoucherCard.h"

#include <array>
#include <cstdint>

#include "platform/com/AsciiText.h"
#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "request/Messages.h"
#include "request/SqlGateway.h"
#include "request/Values.h"
#include "vouchers/VoucherKinds.h"

namespace corvane {

namespace {

constexpr std::array kRetryLaterErrors = {static_cast<std::int32_t>(0x80040E21), errnum::kDbUnspecified,
                                          errnum::kDbTimeout, static_cast<std::int32_t>(0x8004D013)};

}  // namespace

std::string CardNumber(std::string_view strTypeCode) {
  const VoucherKind* kind = FindVoucherKind(strTypeCode);
  return std::string(kind ? kind->card : kLoanKind.card);
}

bool SubmitsOnSave(db::Connection& CN) {
  const db::Recordset rs = sql::open(CN, "select cvalue from accinformation where csysid = 'kx' and cid = '105'");
  if (rs.eof()) raiseMessage("Z7.Corvane.0210");
  return equalsIgnoringCase(NullToStr(rs.field(0).value()), "true");
}

std::string VoucherFailureText(const RuntimeError& error) {
  for (const std::int32_t number : kRetryLaterErrors) {
    if (error.number() == number) return GetResString("Z7.Corvane.0159");
  }
  return error.description();
}

}  // namespace corvane
