#pragma once
// What the voucher-card funcs of loans and claims share: the card of a voucher kind, the module's
// submit-on-save option and the text their error replies give a failure.

#include <string>
#include <string_view>

namespace corvane {

class RuntimeError;
namespace db {
class Connection;
}

// The card of a voucher kind, by the first character of its operation type code: "1" income
// claim "KX02", "2" expense claim "KX03", anything else a loan "KX01".
std::string CardNumber(std::string_view strTypeCode);

// Whether the module submits vouchers to their approval flow on save: option 105 of module KX
// ("blnSubmAudit") holds "true" in any letter case. Message 0210 when the option is missing.
bool SubmitsOnSave(db::Connection& CN);

// The text of a member's error reply: message 0159 for the database failures that mean "busy or
// broken, try again" (0x80040E21, 0x80004005, 0x80040E31, 0x8004D013), else the description.
std::string VoucherFailureText(const RuntimeError& error);

}  // namespace corvane
