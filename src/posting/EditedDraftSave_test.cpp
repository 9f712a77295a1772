#include "posting/EditedDraftSave.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/db/Connection.h"
#include "platform/xml/XmlDocument.h"
#include "support/CaseAccount.h"
#include "support/DraftTableFixture.h"
#include "support/QueryText.h"
#include "support/ScopedLocale.h"

namespace corvane {
namespace {

constexpr const char* kBatch = "3ABCDEF0123456789ABCDEF012345";
constexpr const char* kLoan = "{3A6F0C21-5B1E-4C8A-9D01-000000000001}";
constexpr const char* kClaim = "{7C2E9B40-1D3F-4E6A-8B02-000000000003}";

// The preview of the approved loan JK2026010001 as the user edited it: three lines of batch
// kBatch, the bank line paid by transfer (settle style 3).
class EditedPreview {
 public:
  EditedPreview() {
    connection.open(account.connectString());
    lines =
        line("1", "1221", "5000", "0", "") + line("2", "1001", "0", "3000", "3") + line("3", "1002", "0", "2000", "3");
  }

  std::string line(const std::string& inid, const std::string& code, const std::string& debit,
                   const std::string& credit, const std::string& settle, const std::string& extra = "") {
    return "<row csign='记' inid='" + inid + "' ccode='" + code + "' md='" + debit + "' mc='" + credit +
           "' cdigest='O&apos;Brien&apos;s trip' csettle='" + settle + "' csettlename='" + (settle.empty() ? "" : "x") +
           "' coutsign='记' coutno_id='" + kBatch + "' coutid='" + kLoan +
           "' strTypeCode='301' dbill_date='2026-1-1' unknowncolumn='x' bvouchedit='True' nfrat='1' " + extra + "/>";
  }

  std::string rows(const std::string& query) { return QueryRowsText(connection, query); }

  std::string loanTs() {
    const std::string text =
        rows("Select Cast(ts As money) From KX_LoanVouch Where GUID = '" + std::string(kLoan) + "'");
    return text.substr(0, text.size() - 1);
  }

  std::string state() {
    return rows("Select Count(*) From GL_accvouch") +
           rows("Select strMakerID, PZGUID From KX_LoanVouch Where GUID = '" + std::string(kLoan) + "'");
  }

  bool save(const std::string& date = "2026-3-15", const std::string& ts = "") {
    XmlDocument request;
    EXPECT_TRUE(request.loadXML("<request><func name='SaveTempPZData'><in csign='记' dbill_date='" + date +
                                "'/><daily><row strtypecode='301' guid='" + kLoan + "' ts='" +
                                (ts.empty() ? loanTs() : ts) + "'/></daily><Rows>" + lines +
                                "</Rows></func></request>"));
    reply.clear();
    return SaveTempPZData(
        *login, connection, request.selectSingleNode("//func"), reply, draft,
        [](db::Connection& CN, const LoginContext& login) { return CreateDraftTableForTest(CN, login); });
  }

  std::string replyText() { return reply.isEmpty() ? "" : reply.documentElement().selectSingleNode("text").text(); }

  CaseAccount account;
  std::unique_ptr<EmbeddedLoginContext> login = account.logIn("demo", "en-us");
  db::Connection connection;
  PostingDraft draft;
  XmlDocument reply;
  std::string lines;
  // Last, so that the fixture's body runs in English and it is restored before the rest goes.
  ScopedLocale english{"en-us"};
};

class EditedDraftSaveTest : public ::testing::Test, public EditedPreview {};

TEST_F(EditedDraftSaveTest, SavesTheEditedLinesOnTheCheckedDateAndPostsThem) {
  ASSERT_TRUE(save()) << reply.xml();
  EXPECT_FALSE(connection.inTransaction());
  EXPECT_EQ(draft.batchId, kBatch);
  EXPECT_TRUE(draft.claimedGuids.empty());
  EXPECT_EQ(rows("Select inid, ccode, md, mc, cdigest, csettle, dbill_date From GL_accvouch Order By inid"),
            "1|1221|5000|0|O'Brien's trip|-|2026-3-15;"
            "2|1001|0|3000|O'Brien's trip|-|2026-3-15;"
            "3|1002|0|2000|O'Brien's trip|3|2026-3-15;");
  EXPECT_EQ(rows("Select strMakerID, PZGUID From KX_LoanVouch Where GUID = '" + std::string(kLoan) + "'"),
            login->UserName() + "|" + kBatch + ";");
  EXPECT_EQ(rows("Select Count(*) From " + draft.draftTable + " Where bvouchedit = 1 And nfrat = 1"), "3;");
}

TEST_F(EditedDraftSaveTest, ARefusedSaveLeavesTheLedgerAndTheSourcesAsTheyWere) {
  struct Case {
    const char* name;
    std::function<void(EditedPreview&)> arrange;
    std::string date;
    std::string ts;
    std::string text;
  };
  const auto nothing = [](EditedPreview&) {};
  const auto sql = [](const std::string& statement) {
    return [statement](EditedPreview& t) { t.connection.execute(statement); };
  };
  const Case cases[] = {
      {"not a date", nothing, "2026-2-30", "", "The ledger voucher date is not a valid date."},
      {"before the module start", nothing, "2025-12-31", "",
       "The ledger voucher date cannot be before the module start date 2026-01-01."},
      {"in a closed period", sql("Insert Into gl_mend (iperiod, bflag) Values (3, 1)"), "2026-3-15", "",
       "The period of the ledger voucher date is closed."},
      {"after the login year", nothing, "2027-1-5", "", "The ledger voucher date is outside the login year."},
      {"batch posted already",
       sql(std::string("Update KX_ExpenVouch Set PZGUID = '") + kBatch + "' Where GUID = '" + kClaim + "'"),
       "2026-3-15", "", "A ledger voucher has already been made from this batch."},
      {"a number with SQL in it",
       [](EditedPreview& t) { t.lines += t.line("4", "1001", "0); Delete From code; --", "0", ""); }, "2026-3-15", "",
       "The md of a line is not a valid value: 0); Delete From code; --"},
      {"a flag that is no flag",
       [](EditedPreview& t) { t.lines += t.line("4", "1001", "0", "0", "", "bDeptedit='1 or 1=1'"); }, "2026-3-15", "",
       "The bDeptedit of a line is not a valid value: 1 or 1=1"},
      {"unbalanced after editing", [](EditedPreview& t) { t.lines += t.line("4", "1001", "0", "0.01", ""); },
       "2026-3-15", "", "The debits and credits of the voucher differ."},
      {"an unknown account",
       [](EditedPreview& t) { t.lines += t.line("4", "9999", "0.01", "0", "") + t.line("5", "1001", "0", "0.01", ""); },
       "2026-3-15", "", "A line's account is empty or does not exist: 9999"},
      {"stale ts", nothing, "2026-3-15", "1",
       "The voucher does not exist or was changed by another user. Refresh and try again."},
      {"ts 1 or 1=1", nothing, "2026-3-15", "1 or 1=1",
       "The voucher does not exist or was changed by another user. Refresh and try again."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EditedPreview fresh;
    c.arrange(fresh);
    const std::string before = fresh.state();
    EXPECT_FALSE(fresh.save(c.date, c.ts));
    EXPECT_EQ(fresh.replyText(), c.text);
    EXPECT_FALSE(fresh.connection.inTransaction());
    EXPECT_EQ(fresh.state(), before);
    EXPECT_EQ(fresh.rows("Select Count(*) From code Where ccode = '1001'"), "1;");
  }
}

TEST_F(EditedDraftSaveTest, AClaimLineNeedsASettledClaim) {
  XmlDocument request;
  request.loadXML(std::string("<request><func><in dbill_date='2026-3-15'/><Rows><row ccode='660201' md='2300' "
                              "coutno_id='") +
                  kBatch + "' coutid='" + kClaim + "' strTypeCode='201'/></Rows></func></request>");
  EXPECT_FALSE(
      SaveTempPZData(*login, connection, request.selectSingleNode("//func"), reply, draft,
                     [](db::Connection& CN, const LoginContext& l) { return CreateDraftTableForTest(CN, l); }));
  EXPECT_EQ(replyText(), "The voucher does not exist or was changed by another user. Refresh and try again.");
}

TEST_F(EditedDraftSaveTest, NoDraftTableIsARefusal) {
  XmlDocument request;
  request.loadXML("<request><func><in dbill_date='2026-3-15'/><Rows/></func></request>");
  EXPECT_FALSE(SaveTempPZData(*login, connection, request.selectSingleNode("//func"), reply, draft,
                              [](db::Connection&, const LoginContext&) { return std::string(); }));
  EXPECT_EQ(replyText(), "The draft ledger voucher table is missing.");
  EXPECT_FALSE(connection.inTransaction());
}

}  // namespace
}  // namespace corvane
