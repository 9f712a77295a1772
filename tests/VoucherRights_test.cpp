#include "vouchers/VoucherRights.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "claims/CExpense.h"
#include "core/CPubMsg.h"
#include "loans/CLoan.h"
#include "platform/com/RuntimeError.h"
#include "support/VoucherTestAccount.h"
#include "vouchers/VoucherKinds.h"

namespace corvane {
namespace {

class VoucherRightsTest : public VoucherTestAccount {
 protected:
  VoucherRightsTest() {
    // Loan 9 and claim 9 are the clerk's own and within his rights; the demo's loan 2 (department
    // 04) and claims 1 (income template) and 4 (department 04) name him as maker, but stay outside.
    account_.execute(
        "Insert Into KX_LoanVouch (GUID,AutoID,strTypeCode,strVouchID,strDepartID,strLoanID,"
        "strPersonID,blnAudi) Values ('{L9}',9,'301','JK9','0301','0005','李晓燕',0)");
    account_.execute(
        "Insert Into KX_ExpenVouch (GUID,AutoID,strTypeCode,strVouchID,strDepartID,strLoanID,"
        "strPersonID,blnAudi) Values ('{C9}',9,'201','BX9','02','0003','李晓燕',0)");
    account_.execute("Update KX_LoanVouch Set strPersonID = '李晓燕' Where AutoID = 2");
    account_.execute("Update KX_ExpenVouch Set strPersonID = '李晓燕' Where AutoID In (1, 4)");
  }

  std::string serve(RequestClass& object, const std::string& user, const std::string& func, const std::string& autoId) {
    const XmlDocument document =
        account_.serve(object, "<req><func name='" + func + "'><in><a AutoID='" + autoId + "'/></in></func></req>",
                       user, "zh-CN", DateTime::parse("2026-03-15"));
    return document.selectSingleNode("//func/out").xml();
  }
};

// Every voucher read, also of the public services, answers a voucher outside the user's rights
// exactly as one that does not exist, while the user's own voucher and the administrator's read
// are found.
TEST_F(VoucherRightsTest, ReadsAnswerAVoucherOutsideTheRightsAsAnUnknownOne) {
  struct Case {
    const char* name;
    std::unique_ptr<RequestClass> (*make)();
    const char* func;
    const char* outside;
    const char* own;
  };
  const auto loan = [] { return std::unique_ptr<RequestClass>(std::make_unique<CLoan>()); };
  const auto claim = [] { return std::unique_ptr<RequestClass>(std::make_unique<CExpense>()); };
  const auto pub = [] { return std::unique_ptr<RequestClass>(std::make_unique<CPubMsg>()); };
  const Case cases[] = {
      {"loan head", loan, "vchgetloanheaddata", "2", "9"},
      {"loan lines", loan, "vchgetloanbodydata", "2", "9"},
      {"claim head, another department", claim, "vchgetloanheaddata", "4", "9"},
      {"claim head, an income template", claim, "vchgetloanheaddata", "1", "9"},
      {"claim lines", claim, "vchgetloanbodydata", "4", "9"},
      {"public loan head", pub, "vchgetloanheaddata", "2", "9"},
      {"public loan lines", pub, "vchgetloanbodydata", "2", "9"},
      {"public claim head", pub, "vchgetexpenheaddata", "4", "9"},
      {"public claim lines", pub, "vchgetExpenbodydata", "4", "9"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string unknown = serve(*c.make(), "clerk", c.func, "999");
    const std::string outside = serve(*c.make(), "clerk", c.func, c.outside);
    EXPECT_EQ(outside, unknown);
    EXPECT_EQ(outside.find("z:row"), std::string::npos) << outside;
    const std::string administrator = serve(*c.make(), "demo", c.func, c.outside);
    EXPECT_NE(administrator.find("z:row"), std::string::npos) << administrator;
    if (std::string(c.func).find("head") != std::string::npos) {
      const std::string own = serve(*c.make(), "clerk", c.func, c.own);
      EXPECT_NE(own.find("z:row"), std::string::npos) << own;
    }
  }
}

// The check of a new voucher's values and the check of a stored voucher agree: a head row passes
// exactly when the voucher stored with its values lies within the rights.
TEST_F(VoucherRightsTest, ANewVoucherPassesExactlyWhenTheStoredOneIsWithinTheRights) {
  const auto clerk = account_.logIn("clerk", "zh-CN", DateTime::parse("2026-03-15"));
  int within = 0;
  int outside = 0;
  for (const VoucherKind* table : {&kLoanKind, &kExpenseClaimKind}) {
    const VoucherRights rights(*clerk, table->headTable);
    db::Recordset rs;
    rs.open(
        "Select AutoID,strTypeCode,strDepartID,strLoanID,strItemID,strPersonID From " + std::string(table->headTable),
        connection_, db::adOpenStatic, db::adLockReadOnly);
    for (; !rs.eof(); rs.moveNext()) {
      const std::string autoId = NullToStr(rs.field("AutoID").value());
      SCOPED_TRACE(std::string(table->headTable) + " " + autoId);
      std::string row = "<row";
      for (const char* column : {"strTypeCode", "strDepartID", "strLoanID", "strItemID", "strPersonID"}) {
        row += std::string(" ") + column + "='" + XmlEncode(NullToStr(rs.field(column).value())) + "'";
      }
      XmlDocument head;
      ASSERT_TRUE(head.loadXML(row + "/>"));
      const std::string type = NullToStr(rs.field("strTypeCode").value());
      const VoucherKind& kind = table->headTable == kLoanKind.headTable ? kLoanKind : ClaimKind(type);
      bool passes = true;
      try {
        RequireHeadWithinRights(*clerk, connection_, head.documentElement(), kind);
      } catch (const RuntimeError&) {
        passes = false;
      }
      EXPECT_EQ(passes, rights.containsId(connection_, autoId));
      ++(passes ? within : outside);
    }
  }
  EXPECT_GE(within, 2);
  EXPECT_GE(outside, 3);
}

// After a deletion the next claim within the rights becomes current, not the next one stored.
TEST_F(VoucherRightsTest, DeletionMovesToTheNextClaimWithinTheRights) {
  account_.execute(
      "Insert Into KX_ExpenVouch (GUID,AutoID,strTypeCode,strVouchID,strDepartID,strLoanID,"
      "strPersonID,blnAudi) Values ('{C10}',10,'201','BX10','04','0009','李晓燕',0)");
  account_.execute(
      "Insert Into KX_ExpenVouch (GUID,AutoID,strTypeCode,strVouchID,strDepartID,strLoanID,"
      "strPersonID,blnAudi) Values ('{C11}',11,'202','BX11','02','0003','李晓燕',0)");
  const std::string ts = scalar("Select Cast(ts As money) From KX_ExpenVouch Where AutoID = 9");
  const auto clerk = account_.logIn("clerk", "zh-CN", DateTime::parse("2026-03-15"));
  XmlDocument document;
  ASSERT_TRUE(document.loadXML("<req><func name='delvouch'><in><strAutoID>9</strAutoID><ts>" + ts +
                               "</ts><type>KX03</type></in></func></req>"));
  CExpense claim;
  claim.myHandle(clerk.get(), document);
  EXPECT_FALSE(document.selectSingleNode("//error")) << document.xml();
  EXPECT_EQ(claim.AutoID, "11");
  EXPECT_EQ(claim.strCardNum, "KX03");
  EXPECT_EQ(scalar("Select Count(*) From KX_ExpenVouch Where AutoID = 9"), "0");
}

TEST(VoucherRights, TemplateRightsOfOneCardMakeTheLoanCondition) {
  const std::string none[] = {"1=2"};
  const std::string all[] = {""};
  const std::string two[] = {"'11','12'"};
  EXPECT_EQ(TemplateTypeCondition(none), "( 1=2)");
  EXPECT_EQ(TemplateTypeCondition(all), "");
  EXPECT_EQ(TemplateTypeCondition(two), "( (strShowModel in ('11','12')) )");
}

}  // namespace
}  // namespace corvane
