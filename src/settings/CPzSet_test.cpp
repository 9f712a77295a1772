#include "settings/CPzSet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "request/Messages.h"
#include "support/PubTestAccount.h"

namespace corvane {
namespace {

// The saves start from two known rows per table, with row versions 1001 and 1002.
const std::vector<std::string> kSetup = {
    "DELETE FROM KX_PzSet_IO",
    "DELETE FROM KX_PzSet_OP",
    "UPDATE Corvane_RowVersion SET value = 1000",
    "INSERT INTO KX_PzSet_IO (GUID,strOperatType,strIOItemCode,strCurrency,strSubject,blnModiDire) "
    "VALUES ('{G1}','201','20101',NULL,'660201',0)",
    "INSERT INTO KX_PzSet_IO (GUID,strOperatType,strIOItemCode,strCurrency,strSubject,blnModiDire) "
    "VALUES ('{G2}','202',NULL,'人民币','660202',1)",
    "INSERT INTO KX_PzSet_OP (GUID,strOperatType,strBalanceType,strBankID,strCurrency,strSubject) "
    "VALUES ('{O1}','付款','1',NULL,NULL,'1001')",
    "INSERT INTO KX_PzSet_OP (GUID,strOperatType,strBalanceType,strBankID,strCurrency,strSubject) "
    "VALUES ('{O2}','收款','1',NULL,NULL,'1001')",
};

// Null and empty text told apart.
std::string shown(const std::string& column) {
  return "Case When " + column + " Is Null Then 'null' When " + column + " = '' Then 'empty' Else " + column +
         " End AS " + column;
}

const std::string kIncomeRows = "SELECT strOperatType, " + shown("strIOItemCode") + ", " + shown("strCurrency") +
                                ", strSubject, blnModiDire FROM KX_PzSet_IO "
                                "ORDER BY strOperatType, strSubject";
const std::string kPaymentRows = "SELECT strOperatType, " + shown("strBalanceType") + ", " + shown("strBankID") + ", " +
                                 shown("strCurrency") +
                                 ", strSubject FROM KX_PzSet_OP ORDER BY strOperatType, strSubject, strBalanceType";

struct SaveCase {
  const char* name;
  const char* rows;      // the row elements of the request
  const char* error;     // the error id expected, or nullptr for success
  const char* message;   // the message id of its text, or nullptr
  const char* expected;  // the table's rows afterwards (nullptr: as before)
};

const SaveCase kIncomeCases[] = {
    {"insert: empty item is Null, missing currency is Null",
     "<r P='1' strOperatType='201' strIOItemCode='' strCode='6602' blnModiDire='1'/>", nullptr, nullptr,
     "<row strOperatType='201' strIOItemCode='null' strCurrency='null' strSubject='6602' blnModiDire='True'/>"
     "<row strOperatType='201' strIOItemCode='20101' strCurrency='null' strSubject='660201' blnModiDire='False'/>"
     "<row strOperatType='202' strIOItemCode='null' strCurrency='人民币' strSubject='660202' blnModiDire='True'/>"},
    {"update: an empty item stays empty text, a missing currency becomes Null",
     "<r P='2' GUID='{G2}' ts='1002' strOperatType='202' strIOItemCode='' strCode='660202' blnModiDire='0'/>", nullptr,
     nullptr,
     "<row strOperatType='201' strIOItemCode='20101' strCurrency='null' strSubject='660201' blnModiDire='False'/>"
     "<row strOperatType='202' strIOItemCode='empty' strCurrency='null' strSubject='660202' blnModiDire='False'/>"},
    {"update: a missing item becomes Null, a quoted currency is kept",
     "<r P='2' GUID='{G1}' ts='1001' strOperatType='201' strCurrency=\"O'Dollar\" strCode='660201' blnModiDire='1'/>",
     nullptr, nullptr,
     "<row strOperatType='201' strIOItemCode='null' strCurrency='O'Dollar' strSubject='660201' blnModiDire='True'/>"
     "<row strOperatType='202' strIOItemCode='null' strCurrency='人民币' strSubject='660202' blnModiDire='True'/>"},
    {"delete with the row version read", "<r P='3' GUID='{G2}' ts='1002'/>", nullptr, nullptr,
     "<row strOperatType='201' strIOItemCode='20101' strCurrency='null' strSubject='660201' blnModiDire='False'/>"},
    {"update with a stale row version",
     "<r P='2' GUID='{G1}' ts='999' strOperatType='201' strCode='1' blnModiDire='0'/>",
     "Corvane:CPzSet:recordEdit:9000", "Z7.Corvane.0047", nullptr},
    {"a row version that is no number", "<r P='3' GUID='{G1}' ts='1001 Or 1=1'/>", "Corvane:CPzSet:recordEdit:9000",
     "Z7.Corvane.0047", nullptr},
    {"a key that tries to leave its literal", "<r P='3' GUID=\"{G9}' Or '1'='1\" ts='1001'/>",
     "Corvane:CPzSet:recordEdit:9000", "Z7.Corvane.0047", nullptr},
    {"an unknown row operation", "<r P='4' GUID='{G1}' ts='1001'/>", "Corvane:CPzSet:recordEdit:9000",
     "Z7.Corvane.0048", nullptr},
    {"a second rule for the same type, item and currency",
     "<r P='1' strOperatType='201' strIOItemCode='20101' strCode='6602' blnModiDire='0'/>",
     "Corvane:CPzSet:recordEdit:-2147217873", "Z7.Corvane.0075", nullptr},
    {"an unknown operation type", "<r P='1' strOperatType='999' strCode='6602' blnModiDire='0'/>",
     "Corvane:CPzSet:recordEdit:-2147217873", nullptr, nullptr},
};

const SaveCase kPaymentCases[] = {
    {"insert in the locale's text of payment; empty balance type stays empty, missing bank is Null",
     "<r P='1' strOperatType='付款' strBalanceType='' strCurrency='' strCode='1002'/>", nullptr, nullptr,
     "<row strOperatType='付款' strBalanceType='1' strBankID='null' strCurrency='null' strSubject='1001'/>"
     "<row strOperatType='付款' strBalanceType='empty' strBankID='null' strCurrency='null' strSubject='1002'/>"
     "<row strOperatType='收款' strBalanceType='1' strBankID='null' strCurrency='null' strSubject='1001'/>"},
    {"a direction matching neither text is stored as receipt",
     "<r P='1' strOperatType='Payment' strBalanceType='3' strBankID='01' strCode='1002'/>", nullptr, nullptr,
     "<row strOperatType='付款' strBalanceType='1' strBankID='null' strCurrency='null' strSubject='1001'/>"
     "<row strOperatType='收款' strBalanceType='1' strBankID='null' strCurrency='null' strSubject='1001'/>"
     "<row strOperatType='收款' strBalanceType='3' strBankID='01' strCurrency='null' strSubject='1002'/>"},
    {"update: missing balance type becomes Null, direction rewritten",
     "<r P='2' GUID='{O1}' ts='1003' strOperatType='收款' strBankID='02' strCurrency='美元' strCode='1002'/>", nullptr,
     nullptr,
     "<row strOperatType='收款' strBalanceType='1' strBankID='null' strCurrency='null' strSubject='1001'/>"
     "<row strOperatType='收款' strBalanceType='null' strBankID='02' strCurrency='美元' strSubject='1002'/>"},
    {"delete with a stale row version", "<r P='3' GUID='{O1}' ts='1001'/>", "Corvane:CPzSet:recordEdit:9000",
     "Z7.Corvane.0047", nullptr},
    {"a second rule for the same direction, balance type, bank and currency",
     "<r P='1' strOperatType='付款' strBalanceType='1' strCode='1002'/>", "Corvane:CPzSet:recordEdit:-2147217873",
     "Z7.Corvane.0076", nullptr},
};

void runSaveCases(const SaveCase* begin, const SaveCase* end, bool (CPzSet::*save)(FuncCall&),
                  const std::string& query) {
  for (const SaveCase* c = begin; c != end; ++c) {
    SCOPED_TRACE(c->name);
    PubTestAccount test("demo", "2026-1-6", kSetup);
    const std::string before = test.rows(query);
    CPzSet pzset;
    const PubAnswer answer = test.serve([&](FuncCall& call) { return (pzset.*save)(call); },
                                        std::string("<func><in><rows>") + c->rows + "</rows></in></func>");
    if (c->error == nullptr) {
      EXPECT_TRUE(answer.ok) << answer.reply;
      EXPECT_EQ(answer.reply.rfind("<Rows>", 0), 0u) << answer.reply;
      EXPECT_EQ(test.rows(query), c->expected);
      continue;
    }
    EXPECT_FALSE(answer.ok);
    EXPECT_EQ(answer.at("id"), c->error);
    if (c->message != nullptr) {
      EXPECT_EQ(answer.at("text"), GetResString(c->message));
    }
    EXPECT_EQ(test.rows(query), before);
  }
}

TEST(CPzSet, SavingIncomeAndExpenseRulesWritesOneRowPerStatement) {
  runSaveCases(std::begin(kIncomeCases), std::end(kIncomeCases), &CPzSet::SaveIOKM, kIncomeRows);
}

TEST(CPzSet, SavingReceiptAndPaymentRulesStoresTheDirectionInItsStoredText) {
  runSaveCases(std::begin(kPaymentCases), std::end(kPaymentCases), &CPzSet::SaveOPKM, kPaymentRows);
}

const char* const kPostingOptions =
    "SELECT cName, cValue FROM AccInformation WHERE cSysID = 'KX' AND cID LIKE '2%' "
    "AND cValue <> 'false' ORDER BY cID";

struct PostingCase {
  const char* name;
  const char* element;  // the first child of `in`
  bool ok;
  const char* changed;  // the options not 'false' afterwards
};

const PostingCase kPostingCases[] = {
    {"one option alone", "<o opkm_jsfs='true'/>", true, "<row cName='opkm_jsfs' cValue='true'/>"},
    {"values stored as sent", "<o iokm_zy='TRUE' opkm_zdy='maybe'/>", true,
     "<row cName='iokm_zy' cValue='TRUE'/><row cName='opkm_zdy' cValue='maybe'/>"},
    {"a value that tries to leave its literal changes its own option only", "<o iokm_km=\"x' Where 1=1 --\"/>", true,
     "<row cName='iokm_km' cValue='x' Where 1=1 --'/>"},
    {"no attributes writes nothing", "<o/>", true, ""},
    {"a module option is no posting option", "<o blnBudCtrl='True'/>", false, ""},
    {"an unknown name", "<o nosuch='true'/>", false, ""},
};

TEST(CPzSet, SavingPostingOptionsAcceptsOnlyTheirNames) {
  for (const PostingCase& c : kPostingCases) {
    SCOPED_TRACE(c.name);
    PubTestAccount test;
    CPzSet pzset;
    const std::string moduleOptions = test.rows("SELECT cID, cValue FROM AccInformation WHERE cID LIKE '1%'");
    const PubAnswer answer = test.serve([&](FuncCall& call) { return pzset.SaveHB(call); },
                                        std::string("<func name='savehb'><in>") + c.element + "</in></func>");
    EXPECT_EQ(answer.ok, c.ok) << answer.reply;
    EXPECT_EQ(test.rows(kPostingOptions), c.changed);
    EXPECT_EQ(test.rows("SELECT cID, cValue FROM AccInformation WHERE cID LIKE '1%'"), moduleOptions);
    if (c.ok) {
      XmlDocument reply;
      ASSERT_TRUE(reply.loadXML(answer.reply));
      EXPECT_EQ(reply.documentElement().name(), "head");
      EXPECT_EQ(reply.documentElement().attributes().size(), 12u);
    } else {
      EXPECT_EQ(answer.at("id"), "Corvane:CPzSet:recordEdit:9000");
      EXPECT_EQ(answer.at("text"), GetResString("Z7.Corvane.0077"));
    }
  }
}

TEST(CPzSet, PostingOptionsWithoutRowsAnswerNothing) {
  PubTestAccount test("demo", "2026-1-6", {"DELETE FROM AccInformation WHERE cID LIKE '2%'"});
  CPzSet pzset;
  const PubAnswer answer = test.serve([&](FuncCall& call) { return pzset.GetHB(call); }, "<func name='gethb'/>");
  EXPECT_TRUE(answer.ok);
  EXPECT_EQ(answer.reply, "");
}

}  // namespace
}  // namespace corvane
