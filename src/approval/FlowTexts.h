#pragma once
// The approval flow's texts as approval passes them on to the client.

#include <string>

namespace corvane {

class ApprovalFlowServer;

// The reason of the flow's last false answer (LastErrorText).
std::string FlowReason(const ApprovalFlowServer& flow);

// `text` with every occurrence of the voucher's GUID replaced by `replacement` (the voucher
// number, or "" to remove it); unchanged when the GUID is empty.
std::string ReplaceVoucherGuid(std::string text, const std::string& guid, const std::string& replacement);

}  // namespace corvane
