#pragma once
// The error replies of approval's members. The four database failures that mean "busy or broken,
// try again" are answered with the text of 0159 instead of their description.

#include <cstdint>
#include <string>
#include <string_view>

namespace corvane {

bool isRetryError(std::int32_t number);

// The error reply of the voucher list members ("CheckAudit", "AuditVouch"):
// "Corvane:CExpense:myHandle:<number>" with 0159 for a retry error, else
// "Corvane:CLoan:recordGet:<number>" with the description.
std::string VoucherListErrorReply(std::int32_t number, const std::string& description);

// "Corvane:CAudit:<procedure>:<number>" with 0159 for a retry error, else the description.
std::string AuditErrorReply(std::string_view procedure, std::int32_t number, const std::string& description);

}  // namespace corvane
