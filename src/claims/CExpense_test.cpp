#include "claims/CExpense.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/com/RuntimeError.h"
#include "platform/xml/XmlDocument.h"
#include "support/CaseAccount.h"
#include "support/XmlText.h"
#include "vouchers/VoucherDeletion.h"
#include "vouchers/VoucherNavigation.h"

namespace corvane {
namespace {

const std::string kLoan1Guid = "{3A6F0C21-5B1E-4C8A-9D01-000000000001}";
const std::string kClaim1Guid = "{7C2E9B40-1D3F-4E6A-8B02-000000000001}";
const std::string kClaim3Guid = "{7C2E9B40-1D3F-4E6A-8B02-000000000003}";
const std::string kClaim4Guid = "{7C2E9B40-1D3F-4E6A-8B02-000000000004}";

TEST(CExpense, TemplateRightsOfBothCardsMakeOneTypeCondition) {
  struct Case {
    const char* income;
    const char* expense;
    const char* condition;
  };
  const Case cases[] = {
      {"", "", ""},
      {"", "1=2", ""},
      {"", "'31'", "((strShowModel in ('31')) )"},
      {"1=2", "", "( 1=2)"},
      {"1=2", "1=2", "( 1=2 and 1=2)"},
      {"1=2", "'31'", "( (strShowModel in ('31')) )"},
      {"'21'", "", "( (strShowModel in ('21')) )"},
      {"'21'", "1=2", "( (strShowModel in ('21')) )"},
      {"'21'", "'31','32'", "( (strShowModel in ('21'))  or (strShowModel in ('31','32')) )"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.income) + " | " + c.expense);
    EXPECT_EQ(ClaimTypeCondition(c.income, c.expense), c.condition);
  }
}

TEST(CExpense, NavigationAndLookupSetTheCurrentClaimAndItsCard) {
  struct Case {
    const char* name;
    const char* setup;  // or nothing
    std::string funcs;
    const char* user;
    const char* autoId;
    const char* showModel;
    const char* card;
  };
  const Case cases[] = {
      {"first claim in entry: the income claim 1", nullptr, funcXml("getVouchListID", "<Director>0</Director>", "1"),
       "demo", "1", "21", "KX02"},
      {"next from the last claim: the last claim", nullptr,
       funcXml("getVouchListID", "<Director>2</Director><strAutoID>4</strAutoID>", "1"), "demo", "4", "31", "KX03"},
      {"previous from the first claim: the last claim", nullptr,
       funcXml("getVouchListID", "<Director>1</Director><strAutoID>1</strAutoID>", "1"), "demo", "4", "31", "KX03"},
      {"the approved claim named with -3", nullptr,
       funcXml("getVouchListID", "<Director>-3</Director><strAutoID>3</strAutoID>", "1"), "demo", "3", "31", "KX03"},
      {"an approved claim named with 3 has left the filter: the last claim", nullptr,
       funcXml("getVouchListID", "<Director>3</Director><strAutoID>3</strAutoID>", "1"), "demo", "4", "31", "KX03"},
      {"no claim in entry: none current, the card cleared", "UPDATE KX_ExpenVouch SET blnAudi = 1",
       funcXml("getVouchByGUID", "<GUID>" + kClaim3Guid + "</GUID>", "1") +
           funcXml("getVouchListID", "<Director>0</Director>", "1"),
       "demo", "", "31", ""},
      {"lookup before navigation: the navigation's target wins", nullptr,
       funcXml("getVouchByGUID", "<GUID>" + kClaim3Guid + "</GUID>", "1") +
           funcXml("getVouchListID", "<Director>-1</Director>", "1"),
       "demo", "4", "31", "KX03"},
      {"a loan's GUID: the loan with card KX01", nullptr,
       funcXml("getVouchByGUID", "<GUID>" + kLoan1Guid + "</GUID>", "1"), "demo", "1", "11", "KX01"},
      {"submit on save: the submitted income claim 2 is in entry",
       "UPDATE AccInformation SET cValue = 'TRUE' WHERE cSysID = 'KX' AND cID = '105'",
       funcXml("getVouchListID", "<Director>0</Director>", "1"), "demo", "2", "21", "KX02"},
      {"clerk: no income templates, so of his claims 8 and 9 only the expense claim 9 is browsed",
       "INSERT INTO KX_ExpenVouch (GUID, AutoID, strTypeCode, strVouchID, strDepartID, strLoanID, "
       "strPersonID, blnAudi) VALUES ('{7C2E9B40-1D3F-4E6A-8B02-000000000008}', 8, '102', 'SR8', '02', "
       "'0003', '李晓燕', 0), ('{7C2E9B40-1D3F-4E6A-8B02-000000000009}', 9, '201', 'BX9', '02', '0003', "
       "'李晓燕', 0)",
       funcXml("getVouchListID", "<Director>0</Director>", "1"), "clerk", "9", "31", "KX03"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CaseAccount account;
    if (c.setup != nullptr) account.execute(c.setup);
    CExpense claim;
    const XmlDocument reply = account.serve(claim, "<req>" + c.funcs + "</req>", c.user);
    EXPECT_FALSE(reply.selectSingleNode("//error")) << reply.xml();
    EXPECT_EQ(claim.AutoID, c.autoId);
    EXPECT_EQ(claim.strShowModel, c.showModel);
    EXPECT_EQ(claim.strCardNum, c.card);
  }
}

TEST(CExpense, TemplateAndNumberingFuncsTakeTheCurrentCard) {
  struct Case {
    const char* name;
    std::string before;  // funcs that choose the current voucher
    std::string func;    // the template or numbering func, last in the request
    const char* id;      // its in/id afterwards, or nothing where it has none
    const char* type;    // its in/type afterwards
  };
  const std::string claim1 = funcXml("getVouchByGUID", "<GUID>" + kClaim1Guid + "</GUID>", "1");
  const Case cases[] = {
      {"first func: the card sent stays, the empty id stays empty", "",
       funcXml("vchmoduleget", "<id/><type>KX03</type>", "1"), "", "KX03"},
      {"first func without a card: the object's empty card", "", funcXml("vchmoduleget", "<id/><type/>", "1"), "", ""},
      {"a current claim replaces the card sent and fills the empty id", claim1,
       funcXml("vchmoduleget", "<id/><type>KX03</type>", "1"), "21", "KX02"},
      {"an id sent stays", claim1, funcXml("vchmoduleget", "<id>31</id><type>KX03</type>", "1"), "31", "KX02"},
      {"numbering after a lookup of an income claim: its card", claim1,
       funcXml("vchnoformatget", "<type>KX03</type>", "1"), nullptr, "KX02"},
      {"numbering without a current card: the card sent", "", funcXml("vchnoformatget", "<type>KX03</type>", "1"),
       nullptr, "KX03"},
      {"numbering after a loan's lookup: the loan card",
       funcXml("getVouchByGUID", "<GUID>" + kLoan1Guid + "</GUID>", "1"),
       funcXml("vchnoformatget", "<type>KX03</type>", "1"), nullptr, "KX01"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CaseAccount account;
    CExpense claim;
    const XmlDocument reply = account.serve(claim, "<req>" + c.before + c.func + "</req>");
    const XmlNode last = reply.selectSingleNode("/req/func[last()]");
    ASSERT_TRUE(last) << reply.xml();
    if (c.id != nullptr) {
      EXPECT_EQ(last.selectSingleNode("in/id").text(), c.id);
    }
    EXPECT_EQ(last.selectSingleNode("in/type").text(), c.type);
  }
}

TEST(CExpense, TemplateAndNumberingFuncsWithoutTheirNodesFailTheRequest) {
  const std::string claim1 = funcXml("getVouchByGUID", "<GUID>" + kClaim1Guid + "</GUID>", "1");
  const std::string requests[] = {
      funcXml("vchmoduleget", "<type>KX03</type>", "1"),
      funcXml("vchmoduleget", "<id/>", "1"),
      claim1 + funcXml("vchnoformatget", "", "1"),
  };
  for (const std::string& funcs : requests) {
    SCOPED_TRACE(funcs);
    CaseAccount account;
    CExpense claim;
    const XmlDocument reply = account.serve(claim, "<req>" + funcs + "</req>");
    EXPECT_EQ(reply.documentElement().selectSingleNode("id").text(), "Corvane:CExpense:myHandle:91") << reply.xml();
  }
}

TEST(CExpense, DeletionMakesTheNextVoucherOfTheTableCurrent) {
  struct Case {
    const char* name;
    const char* setup;  // or nothing
    const char* autoId;
    const char* card;
    const char* table;
    const char* currentAfter;
    const char* cardAfter;
  };
  const Case cases[] = {
      {"the claim with the highest id: none current, income card", nullptr, "4", "KX03", "KX_ExpenVouch", "", "KX02"},
      {"the next claim is an income claim", nullptr, "1", "KX02", "KX_ExpenVouch", "2", "KX02"},
      {"the next claim is an expense claim",
       "INSERT INTO KX_ExpenVouch (GUID, AutoID, strTypeCode, strVouchID, blnAudi) VALUES "
       "('{7C2E9B40-1D3F-4E6A-8B02-000000000009}', 9, '201', 'BX9', 0)",
       "4", "KX03", "KX_ExpenVouch", "9", "KX03"},
      {"a loan named by the loan card: the next loan, loan card", nullptr, "2", "KX01", "KX_LoanVouch", "3", "KX01"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CaseAccount account;
    if (c.setup != nullptr) account.execute(c.setup);
    const std::string ts =
        account.scalar(std::string("SELECT Cast(ts As money) FROM ") + c.table + " WHERE AutoID = " + c.autoId);
    CExpense claim;
    const XmlDocument reply =
        account.serve(claim, "<req>" +
                                 funcXml("delvouch", std::string("<strAutoID>") + c.autoId + "</strAutoID><ts>" + ts +
                                                         "</ts><type>" + c.card + "</type>") +
                                 "</req>");
    EXPECT_FALSE(reply.selectSingleNode("//error")) << reply.xml();
    EXPECT_EQ(claim.AutoID, c.currentAfter);
    EXPECT_EQ(claim.strCardNum, c.cardAfter);
    EXPECT_EQ(account.scalar(std::string("SELECT COUNT(*) FROM ") + c.table + " WHERE AutoID = " + c.autoId), "0");
  }
}

TEST(CExpense, DeletionNamesTheRowsThatKeepAClaim) {
  struct Case {
    const char* description;
    const char* text;
  };
  const Case cases[] = {
      {"The DELETE statement conflicted with the REFERENCE constraint \"FK_KX_ExpenLoanInfo_KX_ExpenVouch\".",
       "报销单已核销借款，不能删除。"},
      {"The DELETE statement conflicted with the REFERENCE constraint \"FK_KX_BalanceInfo_KX_ExpenVouch\".",
       "报销单已有收付款记录，不能删除。"},
      {"Timeout expired", "Timeout expired"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.description);
    EXPECT_EQ(kClaimDeletion.failureText(RuntimeError(errnum::kDbTimeout, c.description)), c.text);
  }
}

TEST(CExpense, TransactionFromTheFirstWritingFuncToTheEndOfTheRequest) {
  struct Case {
    const char* name;
    std::string funcs;
    const char* claim1Left;  // claims with AutoID 1 afterwards
    const char* claim4Audit;
  };
  const std::string del = funcXml("delvouch", "<strAutoID>1</strAutoID><ts>1001</ts><type>KX02</type>");
  const std::string submit = funcXml("submitaudit", "<GUID>" + kClaim4Guid + "</GUID><ts>1002</ts>");
  const Case cases[] = {
      {"deletion and submission: one transaction, committed", del + submit, "0", "True"},
      {"a read failing with goon after them: committed", del + submit + funcXml("getVouchListID", "", "1"), "0",
       "True"},
      {"a read failing without goon: both rolled back", del + submit + funcXml("getVouchListID", ""), "1", "False"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CaseAccount account;
    account.execute("UPDATE Corvane_RowVersion SET value = 1000");
    account.execute("UPDATE KX_ExpenVouch SET strUsed = strUsed WHERE AutoID IN (1, 4)");
    CExpense claim;
    const XmlDocument reply = account.serve(claim, "<req>" + c.funcs + "</req>");
    EXPECT_TRUE(reply.selectSingleNode("//func[2]/out/RetValue")) << reply.xml();
    EXPECT_EQ(account.scalar("SELECT COUNT(*) FROM KX_ExpenVouch WHERE AutoID = 1"), c.claim1Left);
    EXPECT_EQ(account.scalar("SELECT blnAudi FROM KX_ExpenVouch WHERE AutoID = 4"), c.claim4Audit);
  }
}

}  // namespace
}  // namespace corvane
