#include "approval/AuditErrors.h"

#include <array>

#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "request/ErrorReply.h"
#include "request/Messages.h"

namespace corvane {

namespace {
constexpr std::array<std::int32_t, 4> kRetryErrors = {db::kErrMultipleStep, errnum::kDbUnspecified, errnum::kDbTimeout,
                                                      db::kErrTransactionExists};
}  // namespace

bool isRetryError(std::int32_t number) {
  for (const std::int32_t retry : kRetryErrors) {
    if (number == retry) return true;
  }
  return false;
}

std::string VoucherListErrorReply(std::int32_t number, const std::string& description) {
  return isRetryError(number) ? ErrorReply("CExpense", "myHandle", number, GetResString("Z7.Corvane.0159"))
                              : ErrorReply("CLoan", "recordGet", number, description);
}

std::string AuditErrorReply(std::string_view procedure, std::int32_t number, const std::string& description) {
  return ErrorReply("CAudit", procedure, number, isRetryError(number) ? GetResString("Z7.Corvane.0159") : description);
}

}  // namespace corvane
