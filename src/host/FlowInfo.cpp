#include "host/FlowInfo.h"

#include <cctype>

#include "platform/com/RuntimeError.h"
#include "platform/db/SqlLiteral.h"

namespace corvane {

namespace {

// The flow state of a voucher sent back to its maker (see ApprovalFlowInstances).
constexpr std::string_view kSentBack = "3";

// "'45'" or "'46','47'": each kind checked to be digits, then quoted.
std::string kindList(const std::string& flowKinds) {
  std::string list;
  std::string kind;
  auto closeKind = [&] {
    if (kind.empty()) throw RuntimeError(errnum::kInvalidArgument, "Invalid flow kind: " + flowKinds);
    list += (list.empty() ? "" : ",") + db::quoteLiteral(kind);
    kind.clear();
  };
  for (const char c : flowKinds) {
    if (c == ',') {
      closeKind();
    } else if (std::isdigit(static_cast<unsigned char>(c))) {
      kind += c;
    } else if (c != ' ') {
      throw RuntimeError(errnum::kInvalidArgument, "Invalid flow kind: " + flowKinds);
    }
  }
  closeKind();
  return list;
}

class EmbeddedFlowInfo final : public FlowInfo {
 public:
  std::string GetNotInAuditUserListSql(std::string& /*auditor*/, const std::string& flowKinds,
                                       int& /*auditCondition*/) override {
    return "select cBillGUID from ApprovalFlowInstances where cBillType in (" + kindList(flowKinds) +
           ") and iState = " + std::string(kSentBack);
  }

  std::string GetAuditUserListSql(std::string& /*auditor*/, const std::string& flowKinds,
                                  int& /*auditCondition*/) override {
    // No step approver is recorded: the SELECT is well-formed and answers no voucher.
    return "select cBillGUID from ApprovalFlowInstances where cBillType in (" + kindList(flowKinds) +
           ") and 1=2";
  }
};

}  // namespace

std::unique_ptr<FlowInfo> CreateFlowInfo() { return std::make_unique<EmbeddedFlowInfo>(); }

}  // namespace corvane
