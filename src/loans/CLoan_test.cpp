#include "loans/CLoan.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/xml/XmlDocument.h"
#include "support/CaseAccount.h"
#include "support/XmlText.h"

namespace corvane {
namespace {

const std::string kLoan1Guid = "{3A6F0C21-5B1E-4C8A-9D01-000000000001}";
const std::string kLoan2Guid = "{3A6F0C21-5B1E-4C8A-9D01-000000000002}";
const std::string kClaim4Guid = "{7C2E9B40-1D3F-4E6A-8B02-000000000004}";

TEST(CLoan, FuncsOfARequestShareTheCurrentVoucher) {
  struct Case {
    const char* name;
    const char* setup;  // or nothing
    std::string funcs;
    const char* autoId;
    const char* showModel;
  };
  const Case cases[] = {
      {"first loan in entry", nullptr, funcXml("getVouchListID", "<Director>0</Director>"), "2", "11"},
      {"a loan found by GUID stays current through navigation", nullptr,
       funcXml("getVouchByGUID", "<GUID>" + kLoan1Guid + "</GUID>") +
           funcXml("getVouchListID", "<Director>-1</Director>"),
       "1", "11"},
      {"a claim's GUID makes the claim current", nullptr, funcXml("getVouchByGUID", "<GUID>" + kClaim4Guid + "</GUID>"),
       "4", "31"},
      {"submit on save: only submitted loans are in entry, and none is",
       "UPDATE AccInformation SET cValue = 'TRUE' WHERE cSysID = 'KX' AND cID = '105'",
       funcXml("getVouchListID", "<Director>0</Director>"), "", ""},
      {"submit on save: a submitted loan without approver is in entry",
       "UPDATE AccInformation SET cValue = 'True' WHERE cSysID = 'KX' AND cID = '105'; "
       "UPDATE KX_LoanVouch SET blnAudi = 1 WHERE AutoID = 2",
       funcXml("getVouchListID", "<Director>3</Director><strAutoID>2</strAutoID>"), "2", "11"},
      {"option text other than true is off",
       "UPDATE AccInformation SET cValue = '' WHERE cSysID = 'KX' AND cID = '105'",
       funcXml("getVouchListID", "<Director>-1</Director>"), "2", "11"},
      {"a loan that left the filter: the last one becomes current",
       "INSERT INTO KX_LoanVouch (GUID, AutoID, strTypeCode, strVouchID, blnAudi) VALUES "
       "('{3A6F0C21-5B1E-4C8A-9D01-000000000009}', 9, '302', 'JK9', 0)",
       funcXml("getVouchListID", "<Director>3</Director><strAutoID>1</strAutoID>"), "9", "11"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CaseAccount account;
    if (c.setup != nullptr) account.execute(c.setup);
    CLoan loan;
    const XmlDocument reply = account.serve(loan, "<req>" + c.funcs + "</req>");
    EXPECT_FALSE(reply.selectSingleNode("//error")) << reply.xml();
    EXPECT_EQ(loan.AutoID, c.autoId);
    EXPECT_EQ(loan.strShowModel, c.showModel);
  }
}

TEST(CLoan, TemplateFuncIsGivenTheCurrentTemplateAndKeepsIt) {
  CaseAccount account;
  CLoan loan;
  const XmlDocument reply = account.serve(loan, "<req>" + funcXml("getOperList", "<type>KX01</type>") +
                                                    funcXml("vchmoduleget", "<type>KX01</type><id/>") +
                                                    funcXml("vchmoduleget", "<type>KX01</type><id/>") + "</req>");
  EXPECT_EQ(reply.selectSingleNode("//func[2]/in/id").text(), "11");
  EXPECT_EQ(reply.selectSingleNode("//func[3]/in/id").text(), "11");
  EXPECT_TRUE(reply.selectSingleNode("//func[2]/out/xml")) << reply.xml();
  EXPECT_TRUE(reply.selectSingleNode("//func[3]/out/xml")) << reply.xml();
}

TEST(CLoan, TransactionFromTheFirstWritingFuncToTheEndOfTheRequest) {
  struct Case {
    const char* name;
    std::string funcs;
    const char* blnAudi;  // of loan 2 afterwards
    const char* flowRecords;
  };
  const std::string submit = funcXml("submitaudit", "<GUID>" + kLoan2Guid + "</GUID><ts>1001</ts>");
  const Case cases[] = {
      {"a read failing with goon after the submission: committed at the end",
       submit + funcXml("getVouchListID", "", "1") + funcXml("getVouchListID", "<Director>0</Director>"), "True", "1"},
      {"a read failing without goon: the submission is rolled back", submit + funcXml("getVouchListID", ""), "False",
       "0"},
      {"the deletion after the submission sees it submitted, and its refusal rolls both back",
       submit + funcXml("getVouchByGUID", "<GUID>" + kLoan2Guid + "</GUID>") +
           funcXml("delvouch", "<strAutoID>2</strAutoID><ts>1002</ts><type>KX01</type>"),
       "False", "0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CaseAccount account;
    account.execute("UPDATE Corvane_RowVersion SET value = 1000");
    account.execute("UPDATE KX_LoanVouch SET strUsed = strUsed WHERE AutoID = 2");
    CLoan loan;
    const XmlDocument reply = account.serve(loan, "<req>" + c.funcs + "</req>");
    EXPECT_TRUE(reply.selectSingleNode("//func[1]/out/RetValue")) << reply.xml();
    EXPECT_EQ(account.scalar("SELECT COUNT(*) FROM ApprovalFlowInstances WHERE cBillGUID = '" + kLoan2Guid + "'"),
              c.flowRecords);
    EXPECT_EQ(account.scalar("SELECT blnAudi FROM KX_LoanVouch WHERE AutoID = 2"), c.blnAudi);
  }
}

}  // namespace
}  // namespace corvane
