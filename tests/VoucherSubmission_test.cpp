#include "vouchers/VoucherSubmission.h"

#include <gtest/gtest.h>

#include <string>

#include "host/EmbeddedLoginContext.h"
#include "loans/CLoan.h"
#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/xml/XmlDocument.h"
#include "request/Locale.h"
#include "support/CaseAccount.h"
#include "support/QueryText.h"
#include "support/ScopedLocale.h"

namespace corvane {
namespace {

TEST(ApprovalStartDocument, CarriesTheKindsFlowTypeNameAndRight) {
  struct Case {
    const char* typeCode;
    const char* expected;
  };
  const Case cases[] = {
      {"301",
       "<?xml version='1.0' encoding='utf-8'?><EAdata><eccontrain 金额='5742.32' 数量='0'/>"
       "<eapcontrain 数量='0' 金额='5742.32'/><eaovalue><item eaoid='45'   eaot='借款单_部门' eaov='04'/>"
       "<item eaoid='45'  eaot='借款单_业务类型' eaov='301'/></eaovalue><cauth_id id='KX0202'/>"
       "<cVoucherCode code='JK01'/></EAdata>"},
      {"102",
       "<?xml version='1.0' encoding='utf-8'?><EAdata><eccontrain 金额='5742.32' 数量='0'/>"
       "<eapcontrain 数量='0' 金额='5742.32'/><eaovalue><item eaoid='46'   eaot='收入报销单_部门' eaov='04'/>"
       "<item eaoid='46'  eaot='收入报销单_业务类型' eaov='102'/></eaovalue><cauth_id id='KX0204'/>"
       "<cVoucherCode code='JK01'/></EAdata>"},
      {"201",
       "<?xml version='1.0' encoding='utf-8'?><EAdata><eccontrain 金额='5742.32' 数量='0'/>"
       "<eapcontrain 数量='0' 金额='5742.32'/><eaovalue><item eaoid='47'   eaot='支出报销单_部门' eaov='04'/>"
       "<item eaoid='47'  eaot='支出报销单_业务类型' eaov='201'/></eaovalue><cauth_id id='KX0204'/>"
       "<cVoucherCode code='JK01'/></EAdata>"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ApprovalStartDocument("5742.32", c.typeCode, "04", "JK01"), c.expected) << c.typeCode;
  }
}

TEST(ApprovalStartDocument, ValuesThatWouldBreakTheDocumentAreEscaped) {
  const std::string document = ApprovalStartDocument("1", "301", "D'<1>", "JK&'2");
  XmlDocument parsed;
  ASSERT_TRUE(parsed.loadXML(document)) << document;
  EXPECT_EQ(parsed.selectSingleNode("//cVoucherCode").attribute("code"), "JK&'2");
  EXPECT_EQ(parsed.selectNodes("//item")[0].attribute("eaov"), "D'<1>");
}

class InitAuditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    login = account.logIn();
    connection.open(account.connectString());
    connection.beginTrans();
  }

  // Runs InitAudit of the loan class on a head row; the error text when it raises.
  std::string initAudit(const std::string& row) {
    XmlDocument document;
    EXPECT_TRUE(document.loadXML(row)) << row;
    CLoan loan;
    try {
      EXPECT_TRUE(loan.InitAudit(*login, connection, document.documentElement()));
      return "";
    } catch (const RuntimeError& error) {
      return std::to_string(error.number()) + ": " + error.description();
    }
  }

  ScopedLocale locale_{"zh-CN"};
  CaseAccount account;
  std::unique_ptr<EmbeddedLoginContext> login;
  db::Connection connection;
};

TEST_F(InitAuditTest, AnyClassSubmitsAHeadRowByItsOwnKind) {
  const std::string expenseClaim4 =
      "<row GUID='{7C2E9B40-1D3F-4E6A-8B02-000000000004}' strTypeCode='202' strDepartID='04' "
      "strVouchID='BX2026010002' dblOldMoney='450' other='ignored'/>";
  EXPECT_EQ(initAudit(expenseClaim4), "");
  EXPECT_EQ(QueryScalar(connection, "SELECT blnAudi FROM KX_ExpenVouch WHERE AutoID = 4"), "True");
  EXPECT_EQ(QueryScalar(connection,
                        "SELECT cBillType FROM ApprovalFlowInstances WHERE cBillGUID = "
                        "'{7C2E9B40-1D3F-4E6A-8B02-000000000004}'"),
            "47");
  EXPECT_EQ(QueryScalar(connection, "SELECT COUNT(*) FROM KX_LoanVouch WHERE blnAudi = 1"), "2");
}

TEST_F(InitAuditTest, RefusalsRaiseWithTheirTexts) {
  struct Case {
    const char* name;
    const char* row;
    const char* error;
  };
  const Case cases[] = {
      {"type code of no voucher kind",
       "<row GUID='{3A6F0C21-5B1E-4C8A-9D01-000000000002}' strTypeCode='902' strDepartID='04' "
       "strVouchID='JK2' dblOldMoney='1'/>",
       "9000: 无法识别的单据类型。"},
      {"a missing attribute",
       "<row GUID='{3A6F0C21-5B1E-4C8A-9D01-000000000002}' strTypeCode='302' strVouchID='JK2' "
       "dblOldMoney='1'/>",
       "91: Object variable or With block variable not set"},
      {"already in its flow: the component's text",
       "<row GUID='{7C2E9B40-1D3F-4E6A-8B02-000000000002}' strTypeCode='102' strDepartID='0302' "
       "strVouchID='SR2026010002' dblOldMoney='1077'/>",
       "9000: 单据已在审批流程中。"},
      {"no voucher of that GUID in the kind's table",
       "<row GUID='{7C2E9B40-1D3F-4E6A-8B02-000000000009}' strTypeCode='301' strDepartID='04' "
       "strVouchID='JK9' dblOldMoney='1'/>",
       "9000: 提交失败，单据已被他人修改。"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(initAudit(c.row), c.error) << c.name;
  }
}

}  // namespace
}  // namespace corvane
