#include "approval/CAudit.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/xml/XmlDocument.h"
#include "support/CaseAccount.h"

namespace corvane {
namespace {

// A database failure ends the func with its error reply; the vouchers served before it stay
// committed, and the right of the voucher that failed is released.
TEST(CAudit, ADatabaseFailureEndsTheFuncAfterTheVouchersBeforeIt) {
  CaseAccount account;
  account.execute("DELETE FROM ApprovalFlowInstances WHERE cBillType = '45'");
  account.execute("DROP TABLE KX_BalanceInfo");
  const std::string loanTs = account.scalar("Select Cast(ts As money) From KX_LoanVouch Where AutoID = 1");
  const std::string claimTs = account.scalar("Select Cast(ts As money) From KX_ExpenVouch Where AutoID = 2");
  const auto login = account.logIn();
  XmlDocument request;
  ASSERT_TRUE(
      request.loadXML("<req><func name='CheckAudit'><in><list flag='0'>"
                      "<row guid='{3A6F0C21-5B1E-4C8A-9D01-000000000001}' ts='" +
                      loanTs +
                      "' strType='KX03' strVouchID='JK1'/>"
                      "<row guid='{7C2E9B40-1D3F-4E6A-8B02-000000000002}' ts='" +
                      claimTs +
                      "' strType='KX01' strVouchID='SR2'/>"
                      "</list></in></func></req>"));
  CAudit().myHandle(login.get(), request);

  const std::string id = request.selectSingleNode("//out/error/id").text();
  EXPECT_EQ(id.rfind("Corvane:CLoan:recordGet:-", 0), 0u) << request.xml();
  EXPECT_EQ(account.scalar("Select IsNull(strAuditorID, '') From KX_LoanVouch Where AutoID = 1"), "");
  EXPECT_EQ(account.scalar("Select Count(*) From vqsystem..UA_Task"), "0");
}

}  // namespace
}  // namespace corvane
