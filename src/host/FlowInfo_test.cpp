#include "host/FlowInfo.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CaseAccount.h"
#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"

namespace corvane {
namespace {

class FlowInfoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The income claim is sent back to its maker; a loan is still being approved.
    account_.execute("UPDATE ApprovalFlowInstances SET iState = 3 WHERE cBillType = '46'");
    account_.execute("INSERT INTO ApprovalFlowInstances (cBillType, cBillGUID, cDocument, iState) "
                     "VALUES ('45', '{3A6F0C21-5B1E-4C8A-9D01-000000000002}', '<EAdata/>', 1)");
    connection_.open(account_.connectString());
  }

  std::vector<std::string> guids(const std::string& sql) {
    db::Recordset rs;
    rs.openReadOnly(sql + " order by 1", connection_);
    std::vector<std::string> result;
    for (; !rs.eof(); rs.moveNext()) result.push_back(CStr(rs.field(0).value()));
    return result;
  }

  CaseAccount account_;
  db::Connection connection_;
  std::unique_ptr<FlowInfo> flowInfo_ = CreateFlowInfo();
  std::string auditor_ = "o'brien";
  int condition_ = 0;
};

TEST_F(FlowInfoTest, NoUserMayApproveAVoucherSentBackToItsMaker) {
  EXPECT_EQ(guids(flowInfo_->GetNotInAuditUserListSql(auditor_, "46,47", condition_)),
            std::vector<std::string>{"{7C2E9B40-1D3F-4E6A-8B02-000000000002}"});
  EXPECT_TRUE(guids(flowInfo_->GetNotInAuditUserListSql(auditor_, "45", condition_)).empty());
}

TEST_F(FlowInfoTest, NoFlowStepCountsAsApprovedByAUser) {
  for (const char* kinds : {"45", "46,47"}) {
    EXPECT_TRUE(guids(flowInfo_->GetAuditUserListSql(auditor_, kinds, condition_)).empty()) << kinds;
  }
}

TEST_F(FlowInfoTest, FlowKindsMustBeNumbers) {
  for (const char* kinds : {"", "45,", "4'5", "45) or (1=1", "46;47"}) {
    EXPECT_THROW(flowInfo_->GetNotInAuditUserListSql(auditor_, kinds, condition_), RuntimeError) << kinds;
    EXPECT_THROW(flowInfo_->GetAuditUserListSql(auditor_, kinds, condition_), RuntimeError) << kinds;
  }
}

}  // namespace
}  // namespace corvane
