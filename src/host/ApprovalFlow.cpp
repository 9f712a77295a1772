#include "host/ApprovalFlow.h"

#include <optional>

#include "host/LoginContext.h"
#include "platform/com/Locale.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/db/SqlLiteral.h"

namespace corvane {

namespace {

// Flow states as the component stores them.
constexpr int kApproved = 2;
constexpr int kSentBack = 3;

struct ComponentText {
  const char* zh;
  const char* en;
};

constexpr ComponentText kNoSubmitter{"未指定提交人，不能提交审批。", "No submitting user is set."};
constexpr ComponentText kAlreadyInFlow{"单据已在审批流程中。", "The voucher is already in its approval flow."};
constexpr ComponentText kNoDocument{"审批数据为空，不能提交审批。", "The approval data is empty."};
constexpr ComponentText kBeingApproved{"单据正在审批，不能修改。", "The voucher is being approved and cannot change."};
constexpr ComponentText kApprovedStays{"单据已审批完成，不能撤出审批流程。",
                                       "The voucher is approved; its flow cannot be removed."};

// The component answers in the request's language: Chinese for the zh locales, else English.
std::string inLocale(const ComponentText& text) {
  return gLocaleID.rfind("zh", 0) == 0 ? text.zh : text.en;
}

std::string flowKey(const std::string& billType, const std::string& billGuid) {
  return "cBillType = " + db::quoteLiteral(billType) + " And cBillGUID = " + db::quoteLiteral(billGuid);
}

// The voucher's flow state, or nothing when it has no flow record.
std::optional<int> flowState(db::Connection& connection, const std::string& billType,
                             const std::string& billGuid) {
  db::Recordset rs;
  rs.open("Select iState From ApprovalFlowInstances Where " + flowKey(billType, billGuid), connection);
  if (rs.eof()) return std::nullopt;
  return static_cast<int>(CLng(rs.field(0).value()));
}

class EmbeddedApprovalFlow final : public ApprovalFlowServer {
 public:
  void LastErrorText(std::string& text) const override { text = lastError_; }

  void SetLogin(LoginContext& login) override { submitter_ = login.UserName(); }

  bool RemoveFromFlow(db::Connection& connection, const std::string& billType,
                      const std::string& billGuid, const std::string& /*scope*/) override {
    if (flowState(connection, billType, billGuid) == kApproved) return refuse(kApprovedStays);
    connection.execute("Delete From ApprovalFlowInstances Where " + flowKey(billType, billGuid));
    return succeed();
  }

  bool AllowChange(db::Connection& connection, const std::string& billType,
                   const std::string& billGuid, const std::string& /*scope*/) override {
    const std::optional<int> state = flowState(connection, billType, billGuid);
    if (state && *state != kSentBack) return refuse(kBeingApproved);
    return succeed();
  }

  bool IsInFlow(db::Connection& connection, const std::string& billType,
                const std::string& billGuid, const std::string& /*scope*/) override {
    lastError_.clear();
    return flowState(connection, billType, billGuid).has_value();
  }

  bool QueryFlow(db::Connection& connection, const std::string& billType,
                 std::vector<std::string>& billGuids, std::vector<std::string>& states) override {
    billGuids.clear();
    states.clear();
    db::Recordset rs;
    rs.open("Select cBillGUID, iState From ApprovalFlowInstances Where cBillType = " +
                db::quoteLiteral(billType) + " Order By cBillGUID",
            connection);
    for (; !rs.eof(); rs.moveNext()) {
      billGuids.push_back(CStr(rs.field(0).value()));
      states.push_back(CStr(rs.field(1).value()));
    }
    return succeed();
  }

  bool SubmitToFlow(db::Connection& connection, const std::string& billType,
                    const std::string& billGuid, const std::string& billCode,
                    const std::string& document) override {
    if (submitter_.empty()) return refuse(kNoSubmitter);
    if (document.empty()) return refuse(kNoDocument);
    const std::optional<int> state = flowState(connection, billType, billGuid);
    if (state && *state != kSentBack) return refuse(kAlreadyInFlow);
    // A voucher sent back starts its flow again from the beginning.
    connection.execute("Delete From ApprovalFlowInstances Where " + flowKey(billType, billGuid));
    connection.execute(
        "Insert Into ApprovalFlowInstances (cBillType, cBillGUID, cBillCode, cDocument, cSubmitter, "
        "iState) Values (" +
        db::quoteLiteral(billType) + ", " + db::quoteLiteral(billGuid) + ", " +
        db::quoteLiteral(billCode) + ", " + db::quoteLiteral(document) + ", " +
        db::quoteLiteral(submitter_) + ", 0)");
    return succeed();
  }

 private:
  bool succeed() {
    lastError_.clear();
    return true;
  }

  bool refuse(const ComponentText& text) {
    lastError_ = inLocale(text);
    return false;
  }

  std::string submitter_;
  std::string lastError_;
};

}  // namespace

std::unique_ptr<ApprovalFlowServer> CreateApprovalFlowServer() {
  return std::make_unique<EmbeddedApprovalFlow>();
}

}  // namespace corvane
