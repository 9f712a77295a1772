#include "host/VoucherImporter.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/db/Connection.h"
#include "support/CaseAccount.h"
#include "support/DraftTableFixture.h"
#include "support/QueryText.h"

namespace corvane {
namespace {

constexpr const char* kBatch = "3ABCDEF0123456789ABCDEF012345";
constexpr const char* kLoan = "{6E1D2C3B-0000-4000-8000-000000000001}";

class VoucherImporterTest : public ::testing::Test {
 public:
  void SetUp() override {
    connection.open(account.connectString());
    connection.beginTrans();
    draft = CreateDraftTableForTest(connection, *login);
    importer->TableName(draft);
  }

  // A draft line: account, debit, credit, on the given date of the batch kBatch.
  void line(int inid, const std::string& account, const std::string& debit, const std::string& credit,
            const std::string& date = "2026-3-15", const std::string& sign = "记") {
    connection.execute("Insert Into " + draft +
                       " (csign, inid, dbill_date, cdigest, ccode, md, mc, coutsign, coutno_id, coutid, cbill) "
                       "Values (N'" +
                       sign + "', " + std::to_string(inid) + ", '" + date + "', N'借款 O''Brien', '" + account + "', " +
                       debit + ", " + credit + ", N'" + sign + "', '" + kBatch + "', '" + kLoan + "', 'demo')");
  }

  std::string rows(const std::string& query) { return QueryRowsText(connection, query); }

  bool initAndRun() { return importer->InitLogin(*login) && importer->Run(); }

  CaseAccount account;
  std::unique_ptr<EmbeddedLoginContext> login = account.logIn();
  db::Connection connection;
  std::unique_ptr<VoucherImporter> importer = CreateVoucherImporter(connection);
  std::string draft;
};

TEST_F(VoucherImporterTest, WritesTheAmountLinesAsOneVoucherNumberedPerSignAndPeriod) {
  connection.execute(
      "Insert Into GL_accvouch (iperiod, csign, ino_id, inid, ccode, md, mc, iyear) Values "
      "(3, N'记', 7, 1, '1001', 1, 0, 2026), (3, N'收', 12, 1, '1001', 1, 0, 2026), (4, N'记', 30, 1, '1001', 1, 0, "
      "2026)");
  line(1, "1221", "800.46", "0");
  line(2, "1001", "0", "0");
  line(3, "1001", "0", "800.46");
  ASSERT_TRUE(initAndRun()) << importer->LastErrorText();
  EXPECT_EQ(importer->LastErrorNumber(), 0);
  EXPECT_EQ(rows("Select iperiod, csign, ino_id, inid, ccode, md, mc, cdigest, coutsysname, coutno_id, coutid, "
                 "iyear, iflag From GL_accvouch Where coutno_id = '" +
                 std::string(kBatch) + "' Order By inid"),
            std::string("3|记|8|1|1221|800.46|0|借款 O'Brien|KX|") + kBatch + "|" + kLoan + "|2026|-;" +
                "3|记|8|3|1001|0|800.46|借款 O'Brien|KX|" + kBatch + "|" + kLoan + "|2026|-;");
}

TEST_F(VoucherImporterTest, RefusesWithItsOwnNumbersAndWritesNothing) {
  struct Case {
    const char* name;
    std::function<void(VoucherImporterTest&)> arrange;
    std::int32_t number;
  };
  const Case cases[] = {
      {"no amount line", [](VoucherImporterTest& t) { t.line(1, "1001", "0", "0"); }, importer_error::kNoLines},
      {"unbalanced",
       [](VoucherImporterTest& t) {
         t.line(1, "1221", "800.46", "0");
         t.line(2, "1001", "0", "800.45");
       },
       importer_error::kUnbalanced},
      {"unknown account",
       [](VoucherImporterTest& t) {
         t.line(1, "9999", "10", "0");
         t.line(2, "1001", "0", "10");
       },
       importer_error::kUnknownAccount},
      {"empty account",
       [](VoucherImporterTest& t) {
         t.line(1, "", "10", "0");
         t.line(2, "1001", "0", "10");
       },
       importer_error::kUnknownAccount},
      {"closed period",
       [](VoucherImporterTest& t) {
         t.connection.execute("Insert Into gl_mend (iperiod, bflag) Values (3, 1)");
         t.line(1, "1221", "10", "0");
         t.line(2, "1001", "0", "10");
       },
       importer_error::kClosedPeriod},
      {"later period closed",
       [](VoucherImporterTest& t) {
         t.connection.execute("Insert Into gl_mend (iperiod, bflag) Values (5, 1)");
         t.line(1, "1221", "10", "0");
         t.line(2, "1001", "0", "10");
       },
       importer_error::kClosedPeriod},
      {"date outside the login year",
       [](VoucherImporterTest& t) {
         t.line(1, "1221", "10", "0", "2025-12-31");
         t.line(2, "1001", "0", "10", "2025-12-31");
       },
       importer_error::kNoPeriod},
      {"two dates",
       [](VoucherImporterTest& t) {
         t.line(1, "1221", "10", "0", "2026-3-15");
         t.line(2, "1001", "0", "10", "2026-3-16");
       },
       importer_error::kLinesDisagree},
      {"batch in the ledger",
       [](VoucherImporterTest& t) {
         t.connection.execute(std::string("Insert Into GL_accvouch (iperiod, csign, ino_id, coutno_id) Values "
                                          "(3, N'记', 1, '") +
                              kBatch + "')");
         t.line(1, "1221", "10", "0");
         t.line(2, "1001", "0", "10");
       },
       importer_error::kBatchImported},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    connection.execute("Delete From " + draft);
    connection.execute("Delete From gl_mend");
    connection.execute("Delete From GL_accvouch");
    c.arrange(*this);
    const std::string before = rows("Select i_id, coutno_id From GL_accvouch");
    EXPECT_FALSE(initAndRun());
    EXPECT_EQ(importer->LastErrorNumber(), c.number);
    EXPECT_FALSE(importer->LastErrorText().empty());
    EXPECT_EQ(rows("Select i_id, coutno_id From GL_accvouch"), before);
  }
}

TEST_F(VoucherImporterTest, ABatchVoidedInTheLedgerCanBeImportedAgain) {
  connection.execute(std::string("Insert Into GL_accvouch (iperiod, csign, ino_id, coutno_id, iflag) Values "
                                 "(3, N'记', 1, '") +
                     kBatch + "', 1)");
  line(1, "1221", "10", "0");
  line(2, "1001", "0", "10");
  ASSERT_TRUE(initAndRun()) << importer->LastErrorText();
  EXPECT_EQ(rows("Select Distinct ino_id From GL_accvouch Where IsNull(iflag,0) = 0"), "2;");
}

TEST_F(VoucherImporterTest, RefusesATableNameOfAnotherFormAndRunBeforeLogin) {
  line(1, "1221", "10", "0");
  line(2, "1001", "0", "10");
  EXPECT_FALSE(importer->Run());
  EXPECT_EQ(importer->LastErrorNumber(), importer_error::kNoLogin);
  ASSERT_TRUE(importer->InitLogin(*login));
  importer->TableName(draft + "; Delete From GL_accvouch");
  EXPECT_FALSE(importer->Run());
  EXPECT_EQ(importer->LastErrorNumber(), importer_error::kTableName);
}

TEST_F(VoucherImporterTest, ItsVoucherRollsBackWithTheCallersTransaction) {
  line(1, "1221", "10", "0");
  line(2, "1001", "0", "10");
  ASSERT_TRUE(initAndRun());
  connection.rollbackTrans();
  EXPECT_EQ(rows("Select Count(*) From GL_accvouch Where coutno_id = '" + std::string(kBatch) + "'"), "0;");
}

}  // namespace
}  // namespace corvane
