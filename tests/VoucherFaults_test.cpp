// Voucher requests under fault injection: a loan saved and submitted, a claim's loan write-offs,
// an approval under budget control, a ledger conversion ("makepz" with conversion, and the
// conversion alone), the void of a ledger voucher and a net-bank payment. Whichever call of a host component or
// of the database fails, the request answers an error reply and leaves every table of the account
// as it was.

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "app/ClassTable.h"
#include "platform/db/Connection.h"
#include "platform/xml/XmlDocument.h"
#include "posting/LedgerConversion.h"
#include "support/CaseAccount.h"
#include "support/DraftTableFixture.h"
#include "support/FaultInjection.h"

namespace corvane {
namespace {

constexpr const char* kLoan1 = "{3A6F0C21-5B1E-4C8A-9D01-000000000001}";   // 0005, approved: 3000 and 2000
constexpr const char* kClaim3 = "{7C2E9B40-1D3F-4E6A-8B02-000000000003}";  // 0005's approved claim, 2300

void expectFaults(const FaultReport& report, std::initializer_list<const char*> components) {
  for (const char* component : components) {
    EXPECT_TRUE(report.faultsByComponent.contains(component)) << component;
  }
}

void expectDatabaseFaults(const FaultReport& report) {
  expectFaults(report, {"Database.open", "Database.beginTrans", "Database.execute", "Database.openRecordset",
                        "Database.commitTrans"});
}

TEST(VoucherFaults, ANewLoanSubmittedOnSaveIsStoredWhollyOrNotAtAll) {
  const CaseAccount account;
  account.execute("UPDATE AccInformation SET cValue = 'True' WHERE cSysID = 'KX' AND cID = '105'");
  const FaultReport report = serveUnderFaults(
      account, {"Corvane.CLoan",
                "<req><func name='savevouch'><in><xml><head><z:row GUID='' strTypeCode='301' strVouchID='JK2026030009'"
                " dtLoanDate='2026-03-15T00:00:00' strDepartID='0301' strLoanID='0006' strBill='人民币' fltRate='1'"
                " dblMoney='1500.5' dblOldMoney='1500.5' strUsed='客户拜访借款' strPersonID='周建国'/></head><body>"
                "<z:row strBalanceID='1' dblMoney='1000'/><z:row strBalanceID='1' dblMoney='500.5'/></body></xml></in>"
                "</func></req>",
                "demo", "zh-CN", DateTime{2026, 3, 15}});
  EXPECT_TRUE(report.faultsByComponent.contains("ApprovalFlow"));
  expectDatabaseFaults(report);
  // The run without a fault stored the loan, submitted.
  EXPECT_EQ(account.scalar("SELECT Cast(blnAudi As int) FROM KX_LoanVouch WHERE strVouchID = 'JK2026030009'"), "1");
  EXPECT_EQ(account.scalar("SELECT Count(*) FROM ApprovalFlowInstances WHERE cBillGUID = "
                           "(SELECT GUID FROM KX_LoanVouch WHERE strVouchID = 'JK2026030009')"),
            "1");
}

TEST(VoucherFaults, AClaimsLoanWriteOffsSettleTheLoanWhollyOrNotAtAll) {
  const CaseAccount account;
  const std::string version = "SELECT Cast(ts As Money) FROM ";
  const std::string big = account.scalar("SELECT GUID FROM KX_LoanVouch_Sub WHERE MGuid = '" + std::string(kLoan1) +
                                         "' AND dblMoney = 3000");
  const std::string small = account.scalar("SELECT GUID FROM KX_LoanVouch_Sub WHERE MGuid = '" + std::string(kLoan1) +
                                           "' AND dblMoney = 2000");
  const auto row = [&](const std::string& line, const char* mode, const char* amount) {
    return "<row GUID='" + line + "' ts='" + account.scalar(version + "KX_LoanVouch_Sub WHERE GUID = '" + line + "'") +
           "' GUID1='' ts1='' blnUsed='" + mode + "' dblRetValue='" + amount + "'/>";
  };
  const std::string request = "<req><func name='SaveLoanInfo'><in GUID='" + std::string(kClaim3) + "' ts='" +
                              account.scalar(version + "KX_ExpenVouch WHERE GUID = '" + kClaim3 + "'") +
                              "' del='0' strBill='人民币' fltRate='1'><rows>" + row(big, "0", "2000") +
                              row(small, "-1", "300.25") + "</rows></in></func></req>";
  const FaultReport report = serveUnderFaults(account, {"Corvane.CExpense", request});
  expectDatabaseFaults(report);
  EXPECT_EQ(account.scalar("SELECT Count(*) FROM KX_ExpenLoanInfo WHERE Expenguid = '" + std::string(kClaim3) + "'"),
            "2");
  EXPECT_EQ(account.scalar("SELECT dblReturn FROM KX_LoanVouch WHERE GUID = '" + std::string(kLoan1) + "'"), "300.25");
}

TEST(VoucherFaults, ALoanApprovedUnderBudgetIsChargedAndApprovedWhollyOrNotAtAll) {
  const CaseAccount account;
  for (const char* statement : {
           "UPDATE AccInformation SET cValue = 'True' WHERE cSysID = 'KX' AND cName = 'blnBudCtrl'",
           "DELETE FROM ApprovalFlowSteps WHERE cBillType = '45'",
           "UPDATE KX_LoanVouch SET strBudItemID = 'B01', strPort1 = '[dept]部门', strPort1Value = '[04]技术部' "
           "WHERE AutoID = 2",
           "UPDATE KX_LoanVouch_Sub SET strBalanceID = '2', dblPreMoney = 800.456 "
           "WHERE MGuid = '{3A6F0C21-5B1E-4C8A-9D01-000000000002}'",
           "INSERT INTO KX_PzSet_OP (GUID, strOperatType, strBalanceType, strBankID, strCurrency, strSubject) "
           "VALUES ('{5D1A7E30-2C4B-4F19-8A04-000000000009}', '付款', '2', NULL, '美元', '1002')",
           "UPDATE Corvane_RowVersion SET value = 1000",
           "UPDATE KX_LoanVouch SET blnAudi = 1 WHERE AutoID = 2",  // submitted: ts 1001
       }) {
    account.execute(statement);
  }
  const FaultReport report = serveUnderFaults(
      account, {"Corvane.CAudit",
                "<req><func name='CheckAudit'><in><list flag='1'><row guid='{3A6F0C21-5B1E-4C8A-9D01-000000000002}'"
                " ts='1001' strType='KX03' strVouchID='JK2026010002'/></list></in></func></req>",
                "demo", "zh-CN", DateTime{2026, 3, 15}, true});
  for (const char* component : {"ApprovalFlow", "BudgetChecker", "ChequeBook"}) {
    EXPECT_TRUE(report.faultsByComponent.contains(component)) << component;
  }
  expectDatabaseFaults(report);
  EXPECT_EQ(account.scalar("SELECT strAuditorID FROM KX_LoanVouch WHERE AutoID = 2"), "周建国");
  EXPECT_EQ(account.scalar("SELECT mUsed FROM BudgetAmounts WHERE cItemCode = 'B01' AND cPortValue1 = '04'"),
            "5742.32");
  EXPECT_EQ(account.scalar("SELECT Count(*) FROM ChequeBook WHERE cn_id = 'ZZ0107001'"), "1");
}

// The approved loan JK2026010001 (its bill line paid through the net bank and confirmed) and the
// approved, settled claim BX2026010001 (its payment by cheque ZP0312 through the net bank,
// confirmed), drafted as one ledger voucher of `batch` dated 2026-3-15; the draft's table name.
std::string draftLoanAndClaim(const CaseAccount& account, const std::string& batch) {
  for (const std::string& statement : {
           "UPDATE KX_ExpenVouch SET strVerifier = 'demo' WHERE GUID = '" + std::string(kClaim3) + "'",
           "UPDATE KX_LoanVouch_Sub SET strPayID = 'P1', blnNetOK = 1 WHERE MGuid = '" + std::string(kLoan1) +
               "' AND strBalanceID = '3'",
           "INSERT INTO KX_BalanceInfo (GUID, ExpenGUID, intIOType, strBalanceID, dblMoney, strPayID, blnNetOK) "
           "VALUES ('{0B5E1C7A-0000-4000-8000-000000000002}', '" +
               std::string(kClaim3) + "', 2, '2', 2300, 'P2', 1)",
           std::string("INSERT INTO NetBankBills (cPayRowGUID, iSource, cBill, iState) "
                       "SELECT GUID, 4, '<bill/>', 1 FROM KX_LoanVouch_Sub WHERE strPayID = 'P1' "
                       "UNION SELECT GUID, 4, '<bill/>', 1 FROM KX_BalanceInfo WHERE strPayID = 'P2'"),
       }) {
    account.execute(statement);
  }
  db::Connection connection;
  connection.open(account.connectString());
  const std::string table = CreateDraftTableForTest(connection, *account.logIn("demo", "en-us"));
  // inid, source, account, debit, credit, settle style and bill number
  const char* const lines[][7] = {
      {"1", kLoan1, "1221", "5000", "0", "Null", "Null"},     {"2", kLoan1, "1001", "0", "3000", "Null", "Null"},
      {"3", kLoan1, "1002", "0", "2000", "Null", "Null"},     {"4", kClaim3, "660201", "2300", "0", "Null", "Null"},
      {"5", kClaim3, "1002", "0", "2300", "'2'", "'ZP0312'"},
  };
  for (const auto& line : lines) {
    connection.execute("INSERT INTO " + table +
                       " (csign, inid, dbill_date, cdigest, ccode, md, mc, coutsign, coutno_id, coutid, csettle, "
                       "cn_id, cdept_name) VALUES (N'记', " +
                       line[0] + ", '2026-3-15', N'差旅', '" + line[2] + "', " + line[3] + ", " + line[4] +
                       ", N'记', '" + batch + "', '" + line[1] + "', " + line[5] + ", " + line[6] + ", N'销售部')");
  }
  return table;
}

TEST(VoucherFaults, ALedgerConversionPostsTheVoucherWithItsLinksWhollyOrNotAtAll) {
  const CaseAccount account;
  const std::string batch = "3ABCDEF0123456789ABCDEF012345";
  const PostingDraft draft{draftLoanAndClaim(account, batch), batch, {}};
  const std::string version = "SELECT Cast(ts As Money) FROM ";
  const std::string daily = "<row strtypecode='301' guid='" + std::string(kLoan1) + "' ts='" +
                            account.scalar(version + "KX_LoanVouch WHERE GUID = '" + kLoan1 + "'") +
                            "'/><row strtypecode='201' guid='" + kClaim3 + "' ts='" +
                            account.scalar(version + "KX_ExpenVouch WHERE GUID = '" + kClaim3 + "'") + "'/>";
  FaultRequest request{"", "<request><func name='makepz'><in/><daily>" + daily + "</daily></func></request>", "demo",
                       "en-us"};
  // The bill-settled claim line is registered as a cheque after the conversion's commit.
  request.stepsAfterCommit = true;
  request.serve = [&draft](LoginContext& login, db::Connection& connection, const XmlDocument& document) {
    XmlDocument reply;
    ConvertPZ(login, connection, document.selectSingleNode("//func"), reply, draft);
    return reply.isEmpty() ? std::string() : reply.xml();
  };
  const FaultReport report = serveUnderFaults(account, request);
  expectFaults(report, {"VoucherImporter", "BankPay", "ChequeBook", "Database.beginTrans", "Database.execute",
                        "Database.openRecordset", "Database.commitTrans"});
  // The importer and the net bank's links belong to the conversion's transaction.
  for (const char* component : {"VoucherImporter", "BankPay"}) {
    EXPECT_FALSE(report.faultsAfterCommitByComponent.contains(component)) << component;
  }
  EXPECT_EQ(account.scalar("SELECT Count(*) FROM GL_accvouch WHERE coutno_id = '" + batch + "'"), "5");
  for (const char* head : {"KX_LoanVouch", "KX_ExpenVouch"}) {
    EXPECT_EQ(account.scalar("SELECT Count(*) FROM " + std::string(head) + " WHERE PZGUID = '" + batch + "'"), "1")
        << head;
  }
  EXPECT_EQ(account.scalar("SELECT Count(*) FROM ChequeBook WHERE cn_id = 'ZP0312'"), "1");
}

// The posting settings the demo loan JK2026010001 needs: the loan type to 1221 and its cash line
// to 1001, in yuan (its bank line's account comes with the demo data).
void addLoanPostingSettings(const CaseAccount& account) {
  account.execute(
      "INSERT INTO KX_PzSet_IO (strOperatType, strIOItemCode, strCurrency, strSubject) "
      "VALUES ('301', NULL, '人民币', '1221')");
  account.execute(
      "INSERT INTO KX_PzSet_OP (strOperatType, strBalanceType, strBankID, strCurrency, strSubject) "
      "VALUES ('付款', '1', NULL, '人民币', '1001')");
}

// "makepz" with conversion of the demo loan JK2026010001 as the client read it (row version `ts`).
std::string makeLoanVoucherRequest(const std::string& ts) {
  const std::string row =
      "strtypecode='301' guid='" + std::string(kLoan1) + "' strvouchid='JK2026010001' ts='" + ts + "'";
  return "<req><func name='makepz'><in><pztype>记</pztype><pzdate>2026-01-31</pzdate><blnTemp>0</blnTemp><rows><row " +
         row + "/></rows><daily><row " + row + "/></daily></in></func></req>";
}

constexpr DateTime kPostingDate{2026, 1, 31};

TEST(VoucherFaults, MakingALedgerVoucherWithConversionPostsTheLoanWhollyOrNotAtAll) {
  const CaseAccount account;
  addLoanPostingSettings(account);
  const std::string ts = account.scalar("SELECT Cast(ts As Money) FROM KX_LoanVouch WHERE AutoID = 1");
  const FaultReport report =
      serveUnderFaults(account, {"Corvane.CMakePZ", makeLoanVoucherRequest(ts), "demo", "en-us", kPostingDate});
  expectFaults(report, {"VoucherImporter", "BankPay"});
  expectDatabaseFaults(report);
  // The claim, the draft, the import, the links and the bank's links share one transaction.
  for (const auto& [component, runs] : report.faultsAfterCommitByComponent) {
    EXPECT_TRUE(component.rfind("Database.", 0) == 0 || component == "RowRight") << component << ": " << runs;
  }
  EXPECT_EQ(account.scalar("SELECT Count(*) FROM GL_accvouch WHERE coutno_id = "
                           "(SELECT PZGUID FROM KX_LoanVouch WHERE AutoID = 1)"),
            "4");
  EXPECT_EQ(account.scalar("SELECT strMakerID FROM KX_LoanVouch WHERE AutoID = 1"), "周建国");
}

// Serves `request` to the class `progId` on the account as the demo user; answers the reply.
std::string serve(const CaseAccount& account, const std::string& progId, const std::string& request) {
  return account.serve(*StandardClasses().create(progId), request, "demo", "en-us", kPostingDate).xml();
}

TEST(VoucherFaults, VoidingALedgerVoucherFreesTheLoanWhollyOrNotAtAll) {
  const CaseAccount account;
  addLoanPostingSettings(account);
  account.execute("UPDATE KX_LoanVouch_Sub SET strPayID = 'P1', blnNetOK = 1 WHERE MGuid = '" + std::string(kLoan1) +
                  "' AND strBalanceID = '3'");
  account.execute(
      "INSERT INTO NetBankBills (cPayRowGUID, iSource, cBill, iState) SELECT GUID, 4, '<bill/>', 1 "
      "FROM KX_LoanVouch_Sub WHERE strPayID = 'P1'");
  const std::string posted =
      serve(account, "Corvane.CMakePZ",
            makeLoanVoucherRequest(account.scalar("SELECT Cast(ts As Money) FROM KX_LoanVouch WHERE AutoID = 1")));
  ASSERT_FALSE(isErrorReply(posted)) << posted;
  const std::string batch = account.scalar("SELECT PZGUID FROM KX_LoanVouch WHERE AutoID = 1");
  ASSERT_EQ(account.scalar("SELECT Count(*) FROM NetBankBills WHERE cPZSource IS NOT NULL"), "1");
  const FaultReport report = serveUnderFaults(
      account,
      {"Corvane.CMakePZ",
       "<req><func name='cancelpz'><in><rows><row pzguid='" + batch + "' strpzcode='记-1-1' ino_id='" +
           account.scalar("SELECT Max(ino_id) FROM GL_accvouch") + "' strpztypeid=''/></rows></in></func></req>",
       "demo", "en-us", kPostingDate});
  expectFaults(report, {"BankPay"});
  expectDatabaseFaults(report);
  EXPECT_FALSE(report.faultsAfterCommitByComponent.contains("BankPay"));
  EXPECT_EQ(account.scalar("SELECT Count(*) FROM GL_accvouch WHERE coutno_id = '" + batch + "' AND iflag = 1"), "4");
  EXPECT_EQ(account.scalar("SELECT IsNull(PZGUID, '') + IsNull(strMakerID, '') FROM KX_LoanVouch WHERE AutoID = 1"),
            "");
  EXPECT_EQ(account.scalar("SELECT Count(*) FROM NetBankBills WHERE cPZSource IS NOT NULL"), "0");
  EXPECT_EQ(account.scalar("SELECT Count(*) FROM gl_mvocontrol"), "0");
}

TEST(VoucherFaults, ANetBankPaymentOfOneRowIsHandedOverWhollyOrNotAtAll) {
  const CaseAccount account;
  const std::string line = "{0E1F2A3B-0000-4000-8000-000000000001}";
  account.execute("UPDATE KX_LoanVouch_Sub SET GUID = '" + line + "' WHERE MGuid = '" + std::string(kLoan1) +
                  "' AND strBalanceID = '3'");
  const FaultReport report =
      serveUnderFaults(account, {"Corvane.CNetPay", "<req><func name='netpay'><in><row guid='" + line +
                                                        "' strtypecode='301' strbalanceid='3'/></in>"
                                                        "</func></req>"});
  expectFaults(report, {"BankPay"});
  expectDatabaseFaults(report);
  EXPECT_FALSE(report.faultsAfterCommitByComponent.contains("BankPay"));
  EXPECT_EQ(account.scalar("SELECT strPayID FROM KX_LoanVouch_Sub WHERE GUID = '" + line + "'"), "周建国");
  EXPECT_EQ(account.scalar("SELECT Count(*) FROM NetBankBills WHERE cPayRowGUID = '" + line + "'"), "1");
  EXPECT_EQ(account.scalar("SELECT Count(*) FROM tempdb..sysobjects WHERE name LIKE 'T%'"), "0");
}

}  // namespace
}  // namespace corvane
