#include "posting/LedgerVoiding.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "platform/db/Connection.h"
#include "platform/xml/XmlDocument.h"
#include "support/CaseAccount.h"
#include "support/QueryText.h"
#include "support/ScopedLocale.h"
#include "support/TestHost.h"

namespace corvane {
namespace {

constexpr const char* kBatch = "3ABCDEF0123456789ABCDEF012345";
constexpr const char* kOtherBatch = "2FEDCBA9876543210FEDCBA987654";
constexpr const char* kLoan = "{3A6F0C21-5B1E-4C8A-9D01-000000000001}";
constexpr const char* kClaim = "{7C2E9B40-1D3F-4E6A-8B02-000000000003}";

// A net bank that refuses to forget any link.
class RefusingBank final : public BankPay {
 public:
  bool ImportBill(int, db::Connection&, const XmlDocument&, std::string&) override { return false; }
  bool DeleteBill(int, db::Connection&, const std::string&, std::string&) override { return false; }
  bool WritePZID(int, db::Connection&, const std::string&, const std::string&, std::string&) override { return false; }
  bool DeletePZID(int, db::Connection&, const std::string&, std::string& errorText) override {
    errorText = "bank says no";
    return false;
  }
};

// The demo account with the loan JK2026010001 posted as ledger voucher 记-3-8 (batch kBatch, its
// bank-paid line linked in the net bank) and the claim BX2026010001 posted as 记-3-9 of another
// batch.
class PostedBatches {
 public:
  PostedBatches() {
    account.execute(std::string("Update KX_LoanVouch Set strMakerID = 'demo', PZGUID = '") + kBatch +
                    "' Where GUID = '" + kLoan + "'");
    account.execute(std::string("Update KX_ExpenVouch Set strMakerID = 'demo', PZGUID = '") + kOtherBatch +
                    "' Where GUID = '" + kClaim + "'");
    account.execute(std::string("Update KX_LoanVouch_Sub Set strPayID = 'P1', blnNetOK = 1 Where MGuid = '") + kLoan +
                    "' And strBalanceID = '3'");
    account.execute(std::string("Insert Into NetBankBills (cPayRowGUID, iSource, cBill, iState, cPZSource) "
                                "Select GUID, 4, '<bill/>', 1, 'KX' From KX_LoanVouch_Sub Where MGuid = '") +
                    kLoan + "' And strBalanceID = '3'");
    account.execute(std::string("Insert Into GL_accvouch (iperiod, csign, isignseq, ino_id, inid, ccode, md, mc, "
                                "coutsysname, coutno_id, coutid, iyear) Values "
                                "(3, N'记', 1, 8, 1, '1221', 5000, 0, 'KX', '") +
                    kBatch + "', '" + kLoan + "', 2026), " + "(3, N'记', 1, 8, 2, '1001', 0, 5000, 'KX', '" + kBatch +
                    "', '" + kLoan + "', 2026), " + "(3, N'记', 1, 9, 1, '660201', 2300, 0, 'KX', '" + kOtherBatch +
                    "', '" + kClaim + "', 2026), " + "(3, N'记', 1, 9, 2, '1001', 0, 2300, 'KX', '" + kOtherBatch +
                    "', '" + kClaim + "', 2026)");
    connection.open(account.connectString());
  }

  std::string rows(const std::string& query) { return QueryRowsText(connection, query); }

  // Everything a void writes.
  std::string state() {
    return rows("Select ino_id, inid, iflag, ibg_overflag From GL_accvouch Order By ino_id, inid") +
           rows("Select strMakerID, PZGUID From KX_LoanVouch Where GUID = '" + std::string(kLoan) + "'") +
           rows("Select strMakerID, PZGUID From KX_ExpenVouch Where GUID = '" + std::string(kClaim) + "'") +
           rows("Select cPZSource From NetBankBills") + rows("Select Count(*) From gl_mvocontrol");
  }

  // The list row of voucher 记-3-<number> of `batch`, with `extra` attributes.
  XmlDocument listRow(const std::string& number, const std::string& batch, const std::string& extra = "") {
    XmlDocument document;
    document.loadXML("<row pzguid='" + batch + "' strpzcode='记-3-" + number + "' ino_id='" + number +
                     "' strpztypeid='1' " + extra + "/>");
    return document;
  }

  std::string cancel(const std::string& number = "8", const std::string& extra = "",
                     std::function<std::unique_ptr<BankPay>()> bank = {}) {
    host.bankPays = std::move(bank);
    const XmlDocument row = listRow(number, kBatch, extra);
    return CancelPZ(*login, connection, row.documentElement());
  }

  CaseAccount account;
  TestHost host;
  std::unique_ptr<EmbeddedLoginContext> login = account.logIn("demo", "en-us", std::nullopt, &host);
  db::Connection connection;
  // Last, so that the fixture's body runs in English and it is restored before the rest goes.
  ScopedLocale english{"en-us"};
};

class LedgerVoidingTest : public ::testing::Test, public PostedBatches {};

TEST_F(LedgerVoidingTest, VoidsTheVoucherUnlinksItsSourcesAndForgetsTheBankLinks) {
  EXPECT_EQ(cancel(), "");
  EXPECT_FALSE(connection.inTransaction());
  EXPECT_EQ(state(),
            "8|1|1|-;8|2|1|-;9|1|-|-;9|2|-|-;"
            "-|-;"
            "demo|" +
                std::string(kOtherBatch) +
                ";"
                "-;0;");
  EXPECT_EQ(cancel(), "The ledger voucher is already voided or no voucher refers to it.");
}

TEST_F(LedgerVoidingTest, ARefusedVoidChangesNothing) {
  struct Case {
    const char* name;
    std::function<void(PostedBatches&)> arrange;
    std::string number;
    std::string extra;
    std::string refusal;
    std::function<std::unique_ptr<BankPay>()> bank = {};
  };
  const auto sql = [](const std::string& statement) {
    return [statement](PostedBatches& t) { t.connection.execute(statement); };
  };
  const auto nothing = [](PostedBatches&) {};
  const std::string voided = "The ledger voucher is already voided or no voucher refers to it.";
  const std::string notWhole = "The ledger voucher number, its period and its type sequence must be whole numbers.";
  const std::string booked = "The ledger voucher is booked. It cannot be voided.";
  const Case cases[] = {
      {"voided in the list, Chinese", nothing, "8", "iflag='作废'", voided},
      {"voided in the list, English", nothing, "8", "iflag='Voided'", voided},
      {"number with a condition", nothing, "8 or 1=1", "", notWhole},
      {"number 1 or 1=1", nothing, "1 or 1=1", "", notWhole},
      {"no number", nothing, "", "", notWhole},
      {"sequence not whole", nothing, "8", "isignseq='1;delete from code'", notWhole},
      {"another voucher's number", nothing, "9", "", voided},
      {"no such number", nothing, "77", "", voided},
      {"checked", sql("Update GL_accvouch Set ccheck = 'zhang' Where ino_id = 8"), "8", "",
       "The ledger voucher is checked or signed by the cashier. It cannot be voided."},
      {"cashier signed", sql("Update GL_accvouch Set ccashier = 'li' Where ino_id = 8"), "8", "",
       "The ledger voucher is checked or signed by the cashier. It cannot be voided."},
      {"booked", sql("Update GL_accvouch Set cbook = 'wang', ibook = 1 Where ino_id = 8"), "8", "", booked},
      {"booked without a name", sql("Update GL_accvouch Set ibook = 1 Where ino_id = 8"), "8", "", booked},
      {"over budget", sql("Update GL_accvouch Set ibg_overflag = 2 Where ino_id = 8 And inid = 2"), "8", "",
       "The ledger voucher is over budget. It cannot be voided."},
      {"ledger task running",
       sql("Insert Into VqSystem..UA_Task (cAuth_ID, cAcc_ID, iYear, cUser_ID, dTakenAt) "
           "Values ('GL0203', '001', 2026, 'demo', '2026-3-1')"),
       "8", "", "The ledger is running task GL0203. No ledger voucher can be voided."},
      {"referred to", sql("Update GL_accvouch Set ssxznum = 'X1' Where ino_id = 8 And inid = 1"), "8", "",
       "Another process refers to the ledger voucher. It cannot be voided."},
      {"marked in the ledger",
       [](PostedBatches& t) {
         t.connection.execute("Create Table GL_LTDATA1 (ino_id int, iperiod int, isignseq int)");
         t.connection.execute("Insert Into GL_LTDATA1 Values (8, 3, 1)");
       },
       "8", "", "The ledger voucher is marked. It cannot be voided."},
      {"locked", sql("Insert Into gl_mvocontrol (coutsysname, coutsign, coutno_id) Values ('KX', N'记', '8')"), "8", "",
       "You have no right to this function, or another user is using it."},
      {"no source voucher left",
       sql("Update KX_LoanVouch Set strMakerID = Null, PZGUID = Null Where GUID = '" + std::string(kLoan) + "'"), "8",
       "", voided},
      {"bank refuses", nothing, "8", "", "bank says no", [] { return std::make_unique<RefusingBank>(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PostedBatches fresh;
    c.arrange(fresh);
    const std::string before = fresh.state();
    EXPECT_EQ(fresh.cancel(c.number, c.extra, c.bank), c.refusal);
    EXPECT_FALSE(fresh.connection.inTransaction());
    EXPECT_EQ(fresh.state(), before);
  }
}

TEST_F(LedgerVoidingTest, ListVoidsEveryRowItCanAndNamesTheRefusedOnes) {
  XmlDocument request;
  request.loadXML(std::string("<request><func name='cancelpz'><in><rows>") + "<row pzguid='" + kBatch +
                  "' strpzcode='记-3-8' ino_id='1 or 1=1'/>" + "<row pzguid='" + kOtherBatch +
                  "' strpzcode='记-3-9' ino_id='9'/>" + "</rows></in></func></request>");
  XmlDocument reply;
  EXPECT_FALSE(CancelPZList(*login, connection, request.selectSingleNode("//func"), reply));
  EXPECT_EQ(reply.documentElement().selectSingleNode("id").text(), "Corvane:CLoan:recordGet:9000");
  EXPECT_EQ(reply.documentElement().selectSingleNode("text").text(),
            "Row 1: The ledger voucher number, its period and its type sequence must be whole numbers.\n");
  EXPECT_EQ(rows("Select Distinct ino_id, iflag From GL_accvouch Order By ino_id"), "8|-;9|1;");
  EXPECT_EQ(rows("Select strMakerID, PZGUID From KX_ExpenVouch Where GUID = '" + std::string(kClaim) + "'"), "-|-;");
}

TEST_F(LedgerVoidingTest, ListAnswersReturnWhenEveryRowWasVoided) {
  XmlDocument request;
  request.loadXML(std::string("<request><func name='cancelpz'><in><rows><row pzguid='") + kBatch +
                  "' strpzcode='记-3-8' ino_id='8' isignseq='1'/></rows></in></func></request>");
  XmlDocument reply;
  EXPECT_TRUE(CancelPZList(*login, connection, request.selectSingleNode("//func"), reply));
  EXPECT_EQ(reply.documentElement().name(), "Return");
}

}  // namespace
}  // namespace corvane
