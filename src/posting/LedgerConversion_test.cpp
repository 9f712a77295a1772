#include "posting/LedgerConversion.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "platform/db/Connection.h"
#include "platform/xml/XmlDocument.h"
#include "support/CaseAccount.h"
#include "support/DraftTableFixture.h"
#include "support/QueryText.h"
#include "support/ScopedLocale.h"
#include "support/TestHost.h"

namespace corvane {
namespace {

constexpr const char* kBatch = "3ABCDEF0123456789ABCDEF012345";
constexpr const char* kLoan = "{3A6F0C21-5B1E-4C8A-9D01-000000000001}";
constexpr const char* kClaim = "{7C2E9B40-1D3F-4E6A-8B02-000000000003}";
constexpr const char* kOtherClaim = "{7C2E9B40-1D3F-4E6A-8B02-000000000002}";

// A net bank that refuses every ledger link.
class RefusingBank final : public BankPay {
 public:
  bool ImportBill(int, db::Connection&, const XmlDocument&, std::string&) override { return false; }
  bool DeleteBill(int, db::Connection&, const std::string&, std::string&) override { return false; }
  bool WritePZID(int, db::Connection&, const std::string&, const std::string&, std::string& errorText) override {
    errorText = "bank says no";
    return false;
  }
  bool DeletePZID(int, db::Connection&, const std::string&, std::string&) override { return false; }
};

// The approved loan JK2026010001 (its bill line paid through the net bank and confirmed) and the
// approved, settled claim BX2026010001 (paid by cheque ZP0312 through the net bank, confirmed),
// drafted as one ledger voucher of batch kBatch dated 2026-3-15.
class Drafted {
 public:
  Drafted() {
    account.execute(std::string("Update KX_ExpenVouch Set strVerifier = 'demo' Where GUID = '") + kClaim + "'");
    account.execute(std::string("Update KX_LoanVouch_Sub Set strPayID = 'P1', blnNetOK = 1 Where MGuid = '") + kLoan +
                    "' And strBalanceID = '3'");
    account.execute(std::string("Insert Into KX_BalanceInfo (GUID, ExpenGUID, intIOType, strBalanceID, dblMoney, "
                                "strPayID, blnNetOK) Values ('{0B5E1C7A-0000-4000-8000-000000000002}', '") +
                    kClaim + "', 2, '2', 2300, 'P2', 1)");
    account.execute(
        "Insert Into NetBankBills (cPayRowGUID, iSource, cBill, iState) "
        "Select GUID, 4, '<bill/>', 1 From KX_LoanVouch_Sub Where strPayID = 'P1' "
        "Union Select GUID, 4, '<bill/>', 1 From KX_BalanceInfo Where strPayID = 'P2'");
    connection.open(account.connectString());
    draft.draftTable = CreateDraftTableForTest(connection, *login);
    draft.batchId = kBatch;
    line(1, kLoan, "1221", "5000", "0");
    line(2, kLoan, "1001", "0", "3000");
    line(3, kLoan, "1002", "0", "2000");
    line(4, kClaim, "660201", "2300", "0");
    line(5, kClaim, "1002", "0", "2300", "'2', 'ZP0312'");
  }

  void line(int inid, const std::string& source, const std::string& account, const std::string& debit,
            const std::string& credit, const std::string& bill = "Null, Null") {
    connection.execute("Insert Into " + draft.draftTable +
                       " (csign, inid, dbill_date, cdigest, ccode, md, mc, coutsign, coutno_id, coutid, csettle, "
                       "cn_id, cdept_name) Values (N'记', " +
                       std::to_string(inid) + ", '2026-3-15', N'差旅', '" + account + "', " + debit + ", " + credit +
                       ", N'记', '" + kBatch + "', '" + source + "', " + bill + ", N'销售部')");
  }

  std::string rows(const std::string& query) { return QueryRowsText(connection, query); }

  std::string tsOf(const std::string& table, const std::string& guid) {
    const std::string text = rows("Select Cast(ts As money) From " + table + " Where GUID = '" + guid + "'");
    return text.substr(0, text.size() - 1);
  }

  // Everything a conversion writes.
  std::string state() {
    return rows("Select Count(*) From GL_accvouch") +
           rows("Select strMakerID, PZGUID From KX_LoanVouch Where GUID = '" + std::string(kLoan) + "'") +
           rows("Select strMakerID, PZGUID From KX_ExpenVouch Where GUID = '" + std::string(kClaim) + "'") +
           rows("Select cPayRowGUID, cPZSource From NetBankBills Order By cPayRowGUID") +
           rows("Select Count(*) From ChequeBook");
  }

  // The request with //daily naming `sources` (kind digit, GUID, row version), `con` as given.
  XmlDocument request(const std::string& daily, const std::string& con = "") {
    XmlDocument document;
    document.loadXML("<request><func name='makepz'><in" + con + "/><daily>" + daily + "</daily></func></request>");
    return document;
  }

  std::string source(const std::string& kind, const std::string& guid, const std::string& ts) {
    return "<row strtypecode='" + kind + "01' guid='" + guid + "' ts='" + ts + "'/>";
  }

  std::string bothSources() {
    return source("3", kLoan, tsOf("KX_LoanVouch", kLoan)) + source("2", kClaim, tsOf("KX_ExpenVouch", kClaim));
  }

  bool convert(const std::string& daily, std::function<std::unique_ptr<BankPay>()> bank = {}) {
    host.bankPays = std::move(bank);
    const XmlDocument document = request(daily);
    reply.clear();
    return ConvertPZ(*login, connection, document.selectSingleNode("//func"), reply, draft);
  }

  std::string replyText() { return reply.isEmpty() ? "" : reply.documentElement().selectSingleNode("text").text(); }
  std::string replyId() { return reply.isEmpty() ? "" : reply.documentElement().selectSingleNode("id").text(); }

  CaseAccount account;
  TestHost host;
  std::unique_ptr<EmbeddedLoginContext> login = account.logIn("demo", "en-us", std::nullopt, &host);
  db::Connection connection;
  PostingDraft draft;
  XmlDocument reply;
  // Last, so that the fixture's body runs in English and it is restored before the rest goes.
  ScopedLocale english{"en-us"};
};

class LedgerConversionTest : public ::testing::Test, public Drafted {};

TEST_F(LedgerConversionTest, PostsEverySourceOfTheDraftWithoutConAndRecordsTheBankLinksAndTheChequeOnce) {
  ASSERT_TRUE(convert(bothSources())) << reply.xml();
  EXPECT_EQ(reply.xml(), "");
  EXPECT_FALSE(connection.inTransaction());
  EXPECT_EQ(rows("Select ino_id, inid, ccode, md, mc, coutid From GL_accvouch Where coutno_id = '" +
                 std::string(kBatch) + "' Order By inid"),
            std::string("1|1|1221|5000|0|") + kLoan + ";1|2|1001|0|3000|" + kLoan + ";1|3|1002|0|2000|" + kLoan +
                ";1|4|660201|2300|0|" + kClaim + ";1|5|1002|0|2300|" + kClaim + ";");
  const std::string user = login->UserName();
  EXPECT_EQ(rows("Select strMakerID, PZGUID From KX_LoanVouch Where GUID = '" + std::string(kLoan) + "'"),
            user + "|" + kBatch + ";");
  EXPECT_EQ(rows("Select strMakerID, PZGUID From KX_ExpenVouch Where GUID = '" + std::string(kClaim) + "'"),
            user + "|" + kBatch + ";");
  EXPECT_EQ(rows("Select Distinct cPZSource From NetBankBills"), "KX;");
  EXPECT_EQ(rows("Select cn_id, cCode, csettle, mc, cperson From ChequeBook"),
            "ZP0312|1002|2|2300|" + rows("Select cPersonName From Person Where cPersonCode = '0005'"));
}

TEST_F(LedgerConversionTest, AFailedConversionLeavesNoVoucherNoLinksAndNoTransaction) {
  struct Case {
    const char* name;
    std::function<std::string(Drafted&)> arrange;  // answers the //daily rows
    std::string id;
    std::string text;
    std::function<std::unique_ptr<BankPay>()> bank = {};
  };
  const std::string stale = "The voucher does not exist or was changed by another user. Refresh and try again.";
  const std::string differ = "The source vouchers of the ledger voucher differ from the vouchers the request names.";
  const auto both = [](Drafted& d) { return d.bothSources(); };
  const Case cases[] = {
      {"closed period",
       [](Drafted& d) {
         d.connection.execute("Insert Into gl_mend (iperiod, bflag) Values (3, 1)");
         return d.bothSources();
       },
       "Corvane:CLoan:recordGet:6", "The period of the voucher date is closed. No voucher can be imported."},
      {"stale ts after the importer ran",
       [](Drafted& d) {
         const std::string daily = d.bothSources();
         d.connection.execute(std::string("Update KX_ExpenVouch Set strUsed = 'changed' Where GUID = '") + kClaim +
                              "'");
         return daily;
       },
       "Corvane:CLoan:recordGet:9000", stale},
      {"ts with a condition",
       [](Drafted& d) {
         return d.source("3", kLoan, "1 or 1=1") + d.source("2", kClaim, d.tsOf("KX_ExpenVouch", kClaim));
       },
       "Corvane:CLoan:recordGet:9000", stale},
      {"a source of the draft not named",
       [](Drafted& d) { return d.source("3", kLoan, d.tsOf("KX_LoanVouch", kLoan)); }, "Corvane:CLoan:recordGet:9000",
       differ},
      {"a source named not in the draft",
       [](Drafted& d) { return d.bothSources() + d.source("1", kOtherClaim, d.tsOf("KX_ExpenVouch", kOtherClaim)); },
       "Corvane:CLoan:recordGet:9000", differ},
      {"no daily", [](Drafted&) { return std::string(); }, "Corvane:CLoan:recordGet:9000", differ},
      {"claim not settled",
       [](Drafted& d) {
         d.connection.execute(std::string("Update KX_ExpenVouch Set strVerifier = Null Where GUID = '") + kClaim + "'");
         return d.bothSources();
       },
       "Corvane:CLoan:recordGet:9000", stale},
      {"loan not approved",
       [](Drafted& d) {
         d.connection.execute(std::string("Update KX_LoanVouch Set strAuditorID = Null Where GUID = '") + kLoan + "'");
         return d.bothSources();
       },
       "Corvane:CLoan:recordGet:9000", stale},
      {"loan posted already",
       [](Drafted& d) {
         d.connection.execute(std::string("Update KX_LoanVouch Set strMakerID = 'x' Where GUID = '") + kLoan + "'");
         return d.bothSources();
       },
       "Corvane:CLoan:recordGet:9000", stale},
      {"claim pending at the bank",
       [](Drafted& d) {
         d.connection.execute("Update KX_BalanceInfo Set blnNetOK = 0 Where strPayID = 'P2'");
         return d.bothSources();
       },
       "Corvane:CLoan:recordGet:9000",
       "A receipt or payment line of the claim is at the net bank and not confirmed. No ledger voucher can be made."},
      {"bank refuses the link", both, "Corvane:CLoan:recordGet:9000", "bank says no",
       [] { return std::make_unique<RefusingBank>(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Drafted fresh;
    const std::string daily = c.arrange(fresh);
    const std::string before = fresh.state();
    EXPECT_FALSE(fresh.convert(daily, c.bank));
    EXPECT_EQ(fresh.replyId(), c.id);
    EXPECT_EQ(fresh.replyText(), c.text);
    EXPECT_FALSE(fresh.connection.inTransaction());
    EXPECT_EQ(fresh.state(), before);
  }
}

TEST_F(LedgerConversionTest, AcceptsTheRequestsOwnClaimsAndReleasesThemWhenItFails) {
  const std::string daily = source("3", kLoan, "") + source("2", kClaim, tsOf("KX_ExpenVouch", kClaim));
  connection.execute(std::string("Update KX_LoanVouch Set strMakerID = '\t' Where GUID = '") + kLoan + "'");
  draft.claimedGuids = {kLoan};
  connection.execute("Insert Into gl_mend (iperiod, bflag) Values (3, 1)");
  EXPECT_FALSE(convert(daily));
  EXPECT_EQ(rows("Select strMakerID, PZGUID From KX_LoanVouch Where GUID = '" + std::string(kLoan) + "'"), "-|-;");

  connection.execute(std::string("Update KX_LoanVouch Set strMakerID = '\t' Where GUID = '") + kLoan + "'");
  connection.execute("Delete From gl_mend");
  ASSERT_TRUE(convert(daily)) << reply.xml();
  EXPECT_EQ(rows("Select strMakerID, PZGUID From KX_LoanVouch Where GUID = '" + std::string(kLoan) + "'"),
            login->UserName() + "|" + kBatch + ";");
}

TEST_F(LedgerConversionTest, AClaimOfAnotherRequestIsNotAccepted) {
  connection.execute(std::string("Update KX_LoanVouch Set strMakerID = '\t' Where GUID = '") + kLoan + "'");
  EXPECT_FALSE(convert(bothSources()));
  EXPECT_EQ(rows("Select Count(*) From GL_accvouch"), "0;");
  EXPECT_EQ(rows("Select Count(*) From KX_LoanVouch Where strMakerID = '\t' And GUID = '" + std::string(kLoan) + "'"),
            "1;");
}

TEST_F(LedgerConversionTest, AVoucherOutsideTheUsersDataRightsAnswersAsAMissingOne) {
  login = account.logIn("clerk", "en-us");
  const std::string before = state();
  EXPECT_FALSE(convert(bothSources()));
  EXPECT_EQ(replyText(), "The voucher does not exist or was changed by another user. Refresh and try again.");
  EXPECT_EQ(state(), before);
}

TEST_F(LedgerConversionTest, ABillLineIsRegisteredOnceWithThePersonOfTheClaimItPays) {
  // Line 5 is the bill line ZP0312 of 2300. The claim BX2026010001 is 王海涛's; the income claim
  // SR2026010002 (刘洋's) joins the batch with lines of its own where a case names it.
  const std::string other = "{7C2E9B40-1D3F-4E6A-8B02-000000000002}";
  struct Case {
    const char* name;
    std::string vouchGuid;  // the sources of line 5, as a merge leaves them
    std::string coutid;     // its last source
    bool otherClaim;        // SR2026010002 is in the batch
    bool claimCarriesBill;  // BX2026010001's payment row names ZP0312
    std::string cheques;
  };
  const Case cases[] = {
      {"a line of the claim", kClaim, kClaim, false, false, "ZP0312|1002|2300|王海涛;"},
      {"merged, the loan last", std::string(kClaim) + "," + kLoan, kLoan, false, false, "ZP0312|1002|2300|王海涛;"},
      {"a line of the loan only", kLoan, kLoan, false, false, ""},
      {"two claims, the later pays the bill", other + "," + kClaim, kClaim, true, true, "ZP0312|1002|2300|王海涛;"},
      {"two claims, no row names the bill", other + "," + kClaim, kClaim, true, false, "ZP0312|1002|2300|刘洋;"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Drafted d;
    d.connection.execute("Update " + d.draft.draftTable + " Set VouchGUID = '" + c.vouchGuid + "', coutid = '" +
                         c.coutid + "' Where inid = 5");
    if (c.claimCarriesBill) d.connection.execute("Update KX_BalanceInfo Set strBillID = 'ZP0312'");
    std::string daily = d.bothSources();
    if (c.otherClaim) {
      d.connection.execute("Update KX_ExpenVouch Set strAuditorID = 'demo', strVerifier = 'demo' Where GUID = '" +
                           other + "'");
      d.line(6, other, "1001", "100", "0");
      d.line(7, other, "2241", "0", "100");
      daily += d.source("1", other, d.tsOf("KX_ExpenVouch", other));
    }
    ASSERT_TRUE(d.convert(daily)) << d.reply.xml();
    EXPECT_EQ(d.reply.xml(), "");
    EXPECT_EQ(d.rows("Select cn_id, cCode, mc, cperson From ChequeBook"), c.cheques);
  }
}

TEST_F(LedgerConversionTest, ARefusedChequeIsAWarningAndTheVoucherStays) {
  connection.execute("Update ChequeBookClosing Set dClosedThrough = '2026-12-31'");
  ASSERT_TRUE(convert(bothSources()));
  EXPECT_EQ(replyId(), "Corvane:CExpend:SaveVouch:ExpenStandard");
  EXPECT_NE(replyText().find("The cheque book is closed."), std::string::npos);
  EXPECT_EQ(rows("Select Count(*) From GL_accvouch Where coutno_id = '" + std::string(kBatch) + "'"), "5;");
}

}  // namespace
}  // namespace corvane
