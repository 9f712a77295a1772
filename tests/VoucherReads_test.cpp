#include "vouchers/VoucherReads.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "claims/CExpense.h"
#include "host/EmbeddedLoginContext.h"
#include "loans/CLoan.h"
#include "platform/db/Connection.h"
#include "platform/xml/XmlDocument.h"
#include "request/RequestFrame.h"
#include "support/CaseAccount.h"

namespace corvane {
namespace {

class VoucherReadsTest : public ::testing::Test {
 protected:
  XmlDocument serve(RequestClass& object, const std::string& request, const std::string& user = "clerk") const {
    return account_.serve(object, request, user);
  }

  CaseAccount account_;
};

std::string optionValues(const XmlDocument& reply, const std::string& funcPath) {
  std::string values;
  for (const XmlNode& option : reply.selectNodes(funcPath + "/out/rows/option")) {
    values += (values.empty() ? "" : ",") + option.attribute("value");
  }
  return values;
}

TEST_F(VoucherReadsTest, OperationTypesOfACardNeedBothTemplatesOnIt) {
  // 203 shows on the expense card but prints with the loan template; 204 has no print template.
  account_.execute(
      "Insert Into KX_OperationType (intType,strCode,strName,strShowModel,strPrintModel) "
      "Values (2,'203','会议费报销','31','12')");
  account_.execute(
      "Insert Into KX_OperationType (intType,strCode,strName,strShowModel,strPrintModel) "
      "Values (2,'204','培训费报销','31',Null)");
  account_.execute("Update KX_OperationType Set strName = '差旅<费> & ''报销''' Where strCode = '201'");
  struct Case {
    std::string type;
    const char* values;
  };
  const Case cases[] = {
      {"KX01", "301,302"}, {"KX02", "101,102"}, {"KX03", "201,202"}, {"KX09", ""}, {"KX03' or ''='", ""}};
  for (const Case& c : cases) {
    CLoan loan;
    XmlDocument reply =
        serve(loan, "<req><func name='getOperList'><in><type>" + c.type + "</type></in></func></req>", "demo");
    EXPECT_EQ(optionValues(reply, "//func"), c.values) << c.type << reply.xml();
  }
  // The clerk's template rights leave out the income claim card.
  const Case clerkCases[] = {{"KX01", "301,302"}, {"KX02", ""}, {"KX03", "201,202"}};
  for (const Case& c : clerkCases) {
    CLoan loan;
    XmlDocument reply = serve(loan, "<req><func name='getOperList'><in><type>" + c.type + "</type></in></func></req>");
    EXPECT_EQ(optionValues(reply, "//func"), c.values) << "clerk " << c.type << reply.xml();
  }
  CExpense claim;
  XmlDocument reply = serve(claim, "<req><func name='getOperList'><in><type>KX03</type></in></func></req>");
  const XmlNode first = reply.selectSingleNode("//out/rows/option");
  ASSERT_TRUE(first) << reply.xml();
  EXPECT_EQ(first.attribute("text"), "差旅<费> & '报销'");
  EXPECT_EQ(first.attribute("strShowModel"), "31");
  EXPECT_EQ(first.attribute("strPrintModel"), "32");
  EXPECT_EQ(claim.strCardNum, "KX03");
}

TEST_F(VoucherReadsTest, TheFirstListedTypeSetsAnEmptyDisplayTemplateOnly) {
  CLoan loan;
  const std::string list = "<req><func name='getOperList'><in><type>KX01</type></in></func></req>";
  serve(loan, list);
  EXPECT_EQ(loan.strShowModel, "11");
  loan.strShowModel = "99";
  serve(loan, list);
  EXPECT_EQ(loan.strShowModel, "99");
}

TEST_F(VoucherReadsTest, ClaimHeadSetsTheCardOfItsKind) {
  struct Case {
    const char* autoId;
    const char* card;
  };
  const Case cases[] = {{"2", "KX02"}, {"3", "KX03"}, {"99", "KX00"}, {"", "KX00"}};
  for (const Case& c : cases) {
    CExpense claim;
    claim.strCardNum = "KX00";  // a claim that is not found leaves the card as it was
    XmlDocument reply = serve(
        claim, std::string("<req><func name='vchgetloanheaddata'><in><a AutoID='") + c.autoId + "'/></in></func></req>",
        "demo");
    EXPECT_TRUE(reply.selectSingleNode("//out/xml/rs:data")) << c.autoId;
    EXPECT_EQ(claim.strCardNum, c.card) << c.autoId;
  }
}

TEST_F(VoucherReadsTest, ACurrentClaimListsTheTypesOfItsOwnCard) {
  const auto login = account_.logIn("demo");
  db::Connection connection;
  connection.open(login->ConnectString());
  XmlDocument request;
  ASSERT_TRUE(request.loadXML("<func name='getOperList'><in/></func>"));
  XmlDocument reply;
  FuncCall call{*login, connection, request.documentElement(), reply};
  CExpense claim;
  claim.AutoID = "2";
  claim.strCardNum = "KX02";
  ASSERT_TRUE(claim.GetOperList(call)) << reply.xml();
  std::string values;
  for (const XmlNode& option : reply.selectNodes("rows/option")) values += option.attribute("value") + ";";
  EXPECT_EQ(values, "101;102;");
  claim.AutoID.clear();
  XmlDocument failed;
  FuncCall withoutType{*login, connection, request.documentElement(), failed};
  EXPECT_FALSE(claim.GetOperList(withoutType));
  EXPECT_EQ(failed.selectSingleNode("error/id").text(), "Corvane:CExpense:GetOperList:91");
}

TEST_F(VoucherReadsTest, EachRequestStartsWithoutACurrentVoucher) {
  CLoan loan;
  loan.AutoID = "1";
  XmlDocument reply = serve(loan,
                            "<req><func name='vchgetloanheaddata'><in><a/></in></func>"
                            "<func name='vchgetloanbodydata'><in><a/></in></func></req>");
  EXPECT_EQ(reply.selectNodes("//out/xml/rs:data/z:row").size(), 0u) << reply.xml();
  EXPECT_EQ(reply.selectNodes("//out/xml").size(), 2u);
}

}  // namespace
}  // namespace corvane
