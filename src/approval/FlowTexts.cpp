#include "approval/FlowTexts.h"

#include "host/ApprovalFlow.h"

namespace corvane {

std::string FlowReason(const ApprovalFlowServer& flow) {
  std::string reason;
  flow.LastErrorText(reason);
  return reason;
}

std::string ReplaceVoucherGuid(std::string text, const std::string& guid, const std::string& replacement) {
  if (guid.empty()) return text;
  for (auto at = text.find(guid); at != std::string::npos; at = text.find(guid, at + replacement.size())) {
    text.replace(at, guid.size(), replacement);
  }
  return text;
}

}  // namespace corvane
