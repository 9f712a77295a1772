#include "platform/db/AccountCreator.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/com/RuntimeError.h"
#include "platform/db/AccountFiles.h"
#include "platform/db/EmbeddedSchema.h"

namespace corvane::db {
namespace {

namespace fs = std::filesystem;

// Stands for the host's password codec: the creator stores what its caller's encoder writes.
std::string encodeForTest(const std::string& plain) {
  return "encoded(" + std::string(plain.rbegin(), plain.rend()) + ")";
}

// A fresh folder under the test temp directory, removed with everything in it afterwards.
class TempFolder {
 public:
  explicit TempFolder(const std::string& tag = "") {
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    path_ = fs::path(testing::TempDir()) / ("corvane_account_" + std::string(test->test_suite_name()) + "_" +
                                            test->name() + tag + "_" + std::to_string(::getpid()));
    fs::remove_all(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// The account opened the way the database layer opens it: company as main, the system database
// and tempdb attached under their names.
class Account {
 public:
  explicit Account(const fs::path& folder) {
    const AccountFiles files{folder};
    sqlite3* handle = nullptr;
    if (sqlite3_open_v2(files.company().c_str(), &handle, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
      sqlite3_close(handle);
      throw std::runtime_error("cannot open " + files.company().string());
    }
    db_.reset(handle);
    mustExecute("ATTACH '" + files.system().string() + "' AS " + kSystemSchema);
    mustExecute("ATTACH '" + files.tempdb().string() + "' AS " + kTempSchema);
  }

  sqlite3* handle() const { return db_.get(); }

  // The error text of a failing statement, or nullopt when it succeeded.
  std::optional<std::string> execute(const std::string& sql) const {
    char* message = nullptr;
    if (sqlite3_exec(db_.get(), sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK) {
      return std::nullopt;
    }
    std::string text = message ? message : "";
    sqlite3_free(message);
    return text;
  }

  void mustExecute(const std::string& sql) const {
    const auto error = execute(sql);
    if (error) throw std::runtime_error(sql + ": " + *error);
  }

  // Every row of a query, its columns as text (Null as "<null>").
  std::vector<std::vector<std::string>> rows(const std::string& sql) const {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db_.get(), sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
      throw std::runtime_error(sql + ": " + sqlite3_errmsg(db_.get()));
    }
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> statement(raw, sqlite3_finalize);
    std::vector<std::vector<std::string>> result;
    while (sqlite3_step(raw) == SQLITE_ROW) {
      std::vector<std::string> row;
      for (int column = 0; column < sqlite3_column_count(raw); ++column) {
        const auto* text = sqlite3_column_text(raw, column);
        row.emplace_back(text ? reinterpret_cast<const char*>(text) : "<null>");
      }
      result.push_back(std::move(row));
    }
    return result;
  }

  std::string text(const std::string& sql) const {
    const auto result = rows(sql);
    if (result.empty()) throw std::runtime_error("no row: " + sql);
    return result.front().front();
  }

  long long number(const std::string& sql) const { return std::stoll(text(sql)); }

 private:
  struct Closer {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
  };
  std::unique_ptr<sqlite3, Closer> db_;
};

class DemoAccountTest : public testing::Test {
 protected:
  DemoAccountTest() {
    createDemoAccount(folder_.path(), encodeForTest);
    account_ = std::make_unique<Account>(folder_.path());
  }
  const Account& account() const { return *account_; }

 private:
  TempFolder folder_;
  std::unique_ptr<Account> account_;
};

// A loan head of type `type` with number `number`; the GUID is the server's, given here.
std::string insertLoan(const std::string& guid, const std::string& type, const std::string& number) {
  return "INSERT INTO KX_LoanVouch (GUID, strTypeCode, strVouchID, dtLoanDate, dblMoney) VALUES ('" + guid + "', '" +
         type + "', '" + number + "', '2026-03-02 00:00:00', 500)";
}

TEST_F(DemoAccountTest, RowVersionGrowsOnEveryInsertAndUpdateAcrossTables) {
  struct Case {
    const char* statement;
    const char* readTs;  // the ts of the row the statement wrote
  };
  const Case cases[] = {
      {"INSERT INTO KX_OperationType (intType, strCode, strName) VALUES (2, '203', '培训费报销')",
       "SELECT ts FROM KX_OperationType WHERE strCode = '203'"},
      {"INSERT INTO KX_IOItem (strCode, strName, strTypeCode, strUpCode) VALUES ('204', '培训费', '203', '2')",
       "SELECT ts FROM KX_IOItem WHERE strCode = '204'"},
      {"UPDATE KX_OperationType SET strName = '培训报销' WHERE strCode = '203'",
       "SELECT ts FROM KX_OperationType WHERE strCode = '203'"},
      {"INSERT INTO KX_LoanVouch_Sub (MGuid, dblMoney) VALUES ('{M}', 100)",
       "SELECT ts FROM KX_LoanVouch_Sub WHERE MGuid = '{M}'"},
      // An update that changes nothing still renews the row version.
      {"UPDATE KX_LoanVouch_Sub SET guid = guid WHERE MGuid = '{M}'",
       "SELECT ts FROM KX_LoanVouch_Sub WHERE MGuid = '{M}'"},
      {"UPDATE KX_IOItem SET strName = strName WHERE strCode = '204'",
       "SELECT ts FROM KX_IOItem WHERE strCode = '204'"},
      {"INSERT INTO KX_PzSet_IO (strOperatType, strSubject) VALUES ('203', '6602')",
       "SELECT ts FROM KX_PzSet_IO WHERE strOperatType = '203'"},
  };
  long long highest =
      account().number("SELECT max(ts) FROM (SELECT ts FROM KX_OperationType UNION ALL SELECT ts FROM KX_IOItem)");
  for (const Case& c : cases) {
    account().mustExecute(c.statement);
    const long long ts = account().number(c.readTs);
    EXPECT_GT(ts, highest) << c.statement;
    highest = std::max(highest, ts);
  }
}

TEST_F(DemoAccountTest, ChangesCountOnlyTheStatementsOwnRows) {
  struct Case {
    const char* statement;
    int changes;
  };
  const Case cases[] = {
      {"UPDATE KX_OperationType SET strName = '差旅借支' WHERE strCode = '301'", 1},
      {"UPDATE KX_IOItem SET strName = strName WHERE strCode = '20101'", 1},
      {"UPDATE KX_IOItem SET blnEnd = blnEnd WHERE strUpCode = '201'", 3},
      {"INSERT INTO KX_ExpenVouch_Sub (MGuid, dblMoney) VALUES ('{M}', 12.5)", 1},
      {"UPDATE KX_ExpenVouch_Sub SET guid = guid WHERE MGuid = '{M}'", 1},
      {"UPDATE KX_OperationType SET strName = strName WHERE strCode = '999'", 0},
  };
  for (const Case& c : cases) {
    account().mustExecute(c.statement);
    EXPECT_EQ(sqlite3_changes(account().handle()), c.changes) << c.statement;
  }
}

TEST_F(DemoAccountTest, IdentitiesAreNeverReusedAfterDeletes) {
  struct Case {
    const char* table;
    std::string insert;
  };
  const Case cases[] = {
      {"KX_LoanVouch", insertLoan("{L1}", "301", "JK-1")},
      {"KX_LoanVouch_Sub", "INSERT INTO KX_LoanVouch_Sub (MGuid) VALUES ('{L1}')"},
      {"KX_ExpenVouch",
       "INSERT INTO KX_ExpenVouch (GUID, strTypeCode, strVouchID) VALUES ("
       "'{E' || (SELECT count(*) FROM KX_ExpenVouch) || '}', '201', "
       "'BX-' || (SELECT count(*) FROM KX_ExpenVouch))"},
      {"KX_ExpenVouch_Sub", "INSERT INTO KX_ExpenVouch_Sub (MGuid) VALUES ('{E0}')"},
  };
  for (const Case& c : cases) {
    account().mustExecute(c.insert);
    const long long first = account().number(std::string("SELECT max(AutoID) FROM ") + c.table);
    account().mustExecute(std::string("DELETE FROM ") + c.table);
    // For loan heads the same GUID and number are free again after the delete.
    account().mustExecute(c.insert);
    const long long second = account().number(std::string("SELECT max(AutoID) FROM ") + c.table);
    EXPECT_GT(second, first) << c.table;
  }
}

TEST_F(DemoAccountTest, GuidDefaultsAreBracedUpperCase38Characters) {
  struct Case {
    const char* insert;
    const char* readGuids;
  };
  const Case cases[] = {
      {"INSERT INTO KX_LoanVouch_Sub (MGuid) VALUES ('{H}')", "SELECT GUID FROM KX_LoanVouch_Sub WHERE MGuid = '{H}'"},
      {"INSERT INTO KX_ExpenVouch_Sub (MGuid) VALUES ('{H}')",
       "SELECT GUID FROM KX_ExpenVouch_Sub WHERE MGuid = '{H}'"},
      {"INSERT INTO KX_PzSet_IO (strOperatType, strCurrency, strSubject) "
       "VALUES ('201', 'C' || (SELECT count(*) FROM KX_PzSet_IO), '6601')",
       "SELECT GUID FROM KX_PzSet_IO WHERE strCurrency LIKE 'C%'"},
  };
  const std::regex guidForm("\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}");
  for (const Case& c : cases) {
    account().mustExecute(c.insert);
    account().mustExecute(c.insert);
    std::set<std::string> distinct;
    for (const auto& row : account().rows(c.readGuids)) {
      EXPECT_EQ(row[0].size(), 38u) << row[0];
      EXPECT_TRUE(std::regex_match(row[0], guidForm)) << row[0];
      distinct.insert(row[0]);
    }
    EXPECT_EQ(distinct.size(), 2u) << c.insert;
  }
}

TEST_F(DemoAccountTest, TextComparisonIgnoresCase) {
  account().mustExecute(
      "INSERT INTO KX_LoanVouch_Sub (GUID, MGuid) VALUES ('{ABCDEF01-0000-0000-0000-0000000000AB}', '{H}')");
  struct Case {
    const char* query;
    long long count;
  };
  const Case cases[] = {
      {"SELECT count(*) FROM AccInformation WHERE cSysID = 'kx' AND cID = '105'", 1},
      {"SELECT count(*) FROM AccInformation WHERE csysid = 'kx' AND cname = 'BLNBUDCTRL'", 1},
      {"SELECT count(*) FROM KX_LoanVouch_Sub WHERE GUID = '{abcdef01-0000-0000-0000-0000000000ab}'", 1},
      {"SELECT count(*) FROM UA_User WHERE cUser_ID = 'DEMO'", 1},
      {"SELECT count(*) FROM vwKXOperaType WHERE LocaleID = 'ZH-cn'", 6},
      {"SELECT count(*) FROM sysobjects WHERE name = 'kx_operationtype'", 1},
      {"SELECT count(*) FROM Vouchers WHERE CardNumber = 'kx01'", 1},
  };
  for (const Case& c : cases) EXPECT_EQ(account().number(c.query), c.count) << c.query;
}

TEST_F(DemoAccountTest, ForeignKeysRaiseTheConstraintAndTableTexts) {
  struct Case {
    const char* setup;  // statements that make the conflict possible
    std::string statement;
    std::string error;
  };
  const auto reference = [](const std::string& verb, const std::string& fk, const std::string& table,
                            const std::string& column) {
    return "The " + verb + " statement conflicted with the REFERENCE constraint \"" + fk +
           "\". The conflict occurred in database \"corvane\", table \"dbo." + table + "\", column '" + column + "'.";
  };
  const auto foreign = [](const std::string& verb, const std::string& fk) {
    return "The " + verb + " statement conflicted with the FOREIGN KEY constraint \"" + fk +
           "\". The conflict occurred in database \"corvane\", table \"dbo.KX_OperationType\", "
           "column 'strCode'.";
  };
  const Case cases[] = {
      {"", "DELETE FROM KX_OperationType WHERE strCode = '101'",
       reference("DELETE", "FK_KX_IOItem_KX_OperationType", "KX_IOItem", "strTypeCode")},
      {"", "UPDATE KX_OperationType SET strCode = '109' WHERE strCode = '101'",
       reference("UPDATE", "FK_KX_IOItem_KX_OperationType", "KX_IOItem", "strTypeCode")},
      {"", "INSERT INTO KX_IOItem (strCode, strName, strTypeCode, strUpCode) VALUES ('204', 'x', '299', '2')",
       foreign("INSERT", "FK_KX_IOItem_KX_OperationType")},
      {"", "UPDATE KX_IOItem SET strTypeCode = '299' WHERE strCode = '202'",
       foreign("UPDATE", "FK_KX_IOItem_KX_OperationType")},
      {"", insertLoan("{L}", "399", "JK-1"), foreign("INSERT", "FK_KX_LoanVouch_KX_OperationType")},
      {"INSERT INTO KX_LoanVouch (GUID, strTypeCode) VALUES ('{L}', '302');",
       "DELETE FROM KX_OperationType WHERE strCode = '302'",
       reference("DELETE", "FK_KX_LoanVouch_KX_OperationType", "KX_LoanVouch", "strTypeCode")},
      {"INSERT INTO KX_LoanVouch (GUID, strTypeCode) VALUES ('{L}', '302');",
       "UPDATE KX_LoanVouch SET strTypeCode = '309'", foreign("UPDATE", "FK_KX_LoanVouch_KX_OperationType")},
      {"", "INSERT INTO KX_ExpenVouch (GUID, strTypeCode) VALUES ('{E}', '209')",
       foreign("INSERT", "FK_KX_ExpenVouch_KX_OperationType")},
      {"INSERT INTO KX_OperationType (intType, strCode, strName) VALUES (2, '203', 'z');"
       "INSERT INTO KX_ExpenVouch (GUID, strTypeCode) VALUES ('{E}', '203');",
       "DELETE FROM KX_OperationType WHERE strCode = '203'",
       reference("DELETE", "FK_KX_ExpenVouch_KX_OperationType", "KX_ExpenVouch", "strTypeCode")},
      {"", "INSERT INTO KX_PzSet_IO (strOperatType, strSubject) VALUES ('288', '6601')",
       foreign("INSERT", "FK_KX_PzSet_IO_KX_OperationType")},
      {"INSERT INTO KX_OperationType (intType, strCode, strName) VALUES (2, '203', 'z');"
       "INSERT INTO KX_PzSet_IO (strOperatType, strSubject) VALUES ('203', '6601');",
       "DELETE FROM KX_OperationType WHERE strCode = '203'",
       reference("DELETE", "FK_KX_PzSet_IO_KX_OperationType", "KX_PzSet_IO", "strOperatType")},
  };
  for (const Case& c : cases) {
    account().mustExecute(std::string("SAVEPOINT fk_case;") + c.setup);
    const long long typesBefore = account().number("SELECT count(*) FROM KX_OperationType");
    EXPECT_EQ(account().execute(c.statement), c.error) << c.statement;
    EXPECT_EQ(sqlite3_errcode(account().handle()), SQLITE_CONSTRAINT) << c.statement;
    EXPECT_EQ(account().number("SELECT count(*) FROM KX_OperationType"), typesBefore);
    account().mustExecute("ROLLBACK TO fk_case; RELEASE fk_case;");
  }
}

TEST_F(DemoAccountTest, ForeignKeysAcceptKnownCodesAndNull) {
  const char* statements[] = {
      "INSERT INTO KX_IOItem (strCode, strName, strTypeCode, strUpCode) VALUES ('204', 'a', '202', '2')",
      "INSERT INTO KX_IOItem (strCode, strName, strTypeCode, strUpCode) VALUES ('205', 'b', NULL, '2')",
      "UPDATE KX_IOItem SET strTypeCode = '201' WHERE strCode = '204'",
      "INSERT INTO KX_LoanVouch (GUID, strTypeCode) VALUES ('{L}', '301')",
      "INSERT INTO KX_ExpenVouch (GUID, strTypeCode) VALUES ('{E}', '201')",
      "INSERT INTO KX_PzSet_IO (strOperatType, strSubject) VALUES ('301', '1221')",
      // A type that nothing uses can be deleted.
      "INSERT INTO KX_OperationType (intType, strCode, strName) VALUES (2, '203', 'z')",
      "DELETE FROM KX_OperationType WHERE strCode = '203'",
  };
  for (const char* statement : statements) {
    EXPECT_EQ(account().execute(statement), std::nullopt) << statement;
  }
}

TEST_F(DemoAccountTest, KeysAndUniqueIndexesCarryTheirNames) {
  EXPECT_NE(account()
                .text("SELECT sql FROM sqlite_master WHERE name = 'KX_OperationType'")
                .find("CONSTRAINT PK_KX_OPERATIONTYPE PRIMARY KEY (strCode)"),
            std::string::npos);
  struct Index {
    const char* table;
    const char* name;
    const char* columns;  // as PRAGMA index_xinfo names them, expressions as <expr>
  };
  const Index indexes[] = {
      {"KX_OperationType", "IX_KX_OperationType", "intType,strName"},
      {"KX_IOItem", "IX_KX_IOItem", "strName"},
      {"KX_LoanVouch", "IX_KX_LoanVouch", "strVouchID"},
      {"KX_ExpenVouch", "IX_KX_ExpenVouch", "<expr>,strVouchID"},
      {"KX_PzSet_IO", "IX_KX_PzSet_IO", "strOperatType,<expr>,<expr>"},
  };
  for (const Index& index : indexes) {
    EXPECT_EQ(account().number(std::string("SELECT \"unique\" FROM pragma_index_list('") + index.table +
                               "') WHERE name = '" + index.name + "'"),
              1)
        << index.name;
    EXPECT_EQ(account().text(std::string("SELECT group_concat(ifnull(name, '<expr>')) FROM "
                                         "pragma_index_xinfo('") +
                             index.name + "') WHERE key = 1"),
              index.columns)
        << index.name;
  }
}

TEST_F(DemoAccountTest, UniqueIndexesRefuseDuplicatesAsTheirKeysSay) {
  account().mustExecute(
      "INSERT INTO KX_OperationType (intType, strCode, strName) VALUES (2, '203', '培训');"
      "INSERT INTO KX_PzSet_IO (strOperatType, strIOItemCode, strCurrency, strSubject) VALUES ('201', NULL, NULL, "
      "'6601');"
      "INSERT INTO KX_ExpenVouch (GUID, strTypeCode, strVouchID) VALUES ('{E1}', '201', '0001');");
  struct Case {
    const char* statement;
    bool refused;
  };
  const Case cases[] = {
      {"INSERT INTO KX_OperationType (intType, strCode, strName) VALUES (2, '204', '培训')", true},
      {"INSERT INTO KX_OperationType (intType, strCode, strName) VALUES (1, '103', '培训')", false},
      {"INSERT INTO KX_OperationType (intType, strCode, strName) VALUES (3, '203', 'y')", true},
      {"UPDATE KX_IOItem SET strName = '住宿费' WHERE strCode = '20101'", true},
      // Null item and currency are equal to each other, but not to empty text.
      {"INSERT INTO KX_PzSet_IO (strOperatType, strSubject) VALUES ('201', '6602')", true},
      {"INSERT INTO KX_PzSet_IO (strOperatType, strIOItemCode, strSubject) VALUES ('201', '', '6602')", false},
      {"INSERT INTO KX_PzSet_IO (strOperatType, strCurrency, strSubject) VALUES ('201', '美元', '6602')", false},
      {"INSERT INTO KX_PzSet_IO (strOperatType, strCurrency, strSubject) VALUES ('201', '美元', '6603')", true},
      // A claim number is unique within its kind only.
      {"INSERT INTO KX_ExpenVouch (GUID, strTypeCode, strVouchID) VALUES ('{E2}', '202', '0001')", true},
      {"INSERT INTO KX_ExpenVouch (GUID, strTypeCode, strVouchID) VALUES ('{E3}', '101', '0001')", false},
      {"INSERT INTO KX_LoanVouch (GUID, strTypeCode, strVouchID) VALUES ('{L1}', '301', '0001')", false},
      {"INSERT INTO KX_LoanVouch (GUID, strTypeCode, strVouchID) VALUES ('{L2}', '302', '0001')", true},
  };
  for (const Case& c : cases) {
    const auto error = account().execute(c.statement);
    EXPECT_EQ(error.has_value(), c.refused) << c.statement << ": " << error.value_or("");
    if (error) {
      EXPECT_NE(error->find("UNIQUE constraint failed"), std::string::npos) << *error;
    }
  }
}

TEST_F(DemoAccountTest, ExpressionIndexesNameThemselvesInTheirErrors) {
  account().mustExecute(
      "INSERT INTO KX_PzSet_IO (strOperatType, strSubject) VALUES ('201', '6601');"
      "INSERT INTO KX_ExpenVouch (GUID, strTypeCode, strVouchID) VALUES ('{E1}', '201', 'A1');");
  EXPECT_NE(account()
                .execute("INSERT INTO KX_PzSet_IO (strOperatType, strSubject) VALUES ('201', '1')")
                .value_or("")
                .find("IX_KX_PzSet_IO"),
            std::string::npos);
  EXPECT_NE(account()
                .execute("INSERT INTO KX_ExpenVouch (GUID, strTypeCode, strVouchID) "
                         "VALUES ('{E2}', '202', 'a1')")
                .value_or("")
                .find("IX_KX_ExpenVouch"),
            std::string::npos);
}

TEST_F(DemoAccountTest, OperationTypeViewHasOneRowPerTypeAndLocaleWithTemplateNames) {
  EXPECT_EQ(account().number("SELECT count(*) FROM vwKXOperaType"),
            account().number("SELECT count(*) FROM KX_OperationType") *
                account().number("SELECT count(*) FROM Corvane_Locale"));
  const auto rows = account().rows(
      "SELECT LocaleID, intType, strCode, strName, strShowID, strShowName, strPrintID, "
      "strPrintName, ifnull(strLink, '<null>'), ts = (SELECT ts FROM KX_OperationType WHERE strCode = '301') "
      "FROM vwKXOperaType WHERE strCode = '301' ORDER BY LocaleID");
  const std::vector<std::vector<std::string>> expected = {
      {"en-us", "3", "301", "差旅借款", "11", "借款单显示模板", "12", "借款单打印模板", "<null>", "1"},
      {"zh-CN", "3", "301", "差旅借款", "11", "借款单显示模板", "12", "借款单打印模板", "<null>", "1"},
  };
  EXPECT_EQ(rows, expected);
  // A type whose template ids name no template still appears, without template names.
  account().mustExecute(
      "INSERT INTO KX_OperationType (intType, strCode, strName, strShowModel, strPrintModel) "
      "VALUES (2, '203', 'z', '', '77')");
  EXPECT_EQ(account().rows("SELECT strShowName, strPrintName FROM vwKXOperaType "
                           "WHERE strCode = '203' AND LocaleID = 'en-us'"),
            (std::vector<std::vector<std::string>>{{"<null>", "<null>"}}));
}

TEST_F(DemoAccountTest, CatalogViewsListTablesAndViews) {
  account().mustExecute("CREATE TABLE tempdb.vqtmpABC (a int)");
  struct Case {
    const char* query;
    const char* answer;
  };
  const Case cases[] = {
      {"SELECT xtype || type FROM sysobjects WHERE name = 'KX_IOItem'", "UU"},
      {"SELECT xtype || type FROM sysobjects WHERE name = 'vwKXOperaType'", "VV"},
      {"SELECT count(*) FROM sysobjects WHERE name LIKE 'sqlite%'", "0"},
      {"SELECT count(*) FROM sysobjects WHERE name = 'UA_User'", "0"},
      {"SELECT xtype FROM tempdb.sysobjects WHERE name = 'vqtmpabc'", "U"},
      {"SELECT count(*) FROM tempdb.sysobjects WHERE name = 'KX_IOItem'", "0"},
      {"SELECT count(*) FROM sysobjects WHERE id IS NULL", "0"},
  };
  for (const Case& c : cases) EXPECT_EQ(account().text(c.query), c.answer) << c.query;
}

TEST_F(DemoAccountTest, NoTableNameIsBothInTheCompanyAndTheSystemDatabase) {
  EXPECT_EQ(account().number("SELECT count(*) FROM main.sqlite_master AS company "
                             "JOIN vqsystem.sqlite_master AS host "
                             "ON lower(company.name) = lower(host.name) "
                             "WHERE company.type IN ('table', 'view')"),
            0);
  // Unqualified host tables are found in the system database.
  EXPECT_EQ(account().number("SELECT count(*) FROM UA_HoldAuth"),
            account().number("SELECT count(*) FROM vqsystem.UA_HoldAuth"));
}

TEST_F(DemoAccountTest, DemoUsersHaveEncodedPasswordsAndTheirRights) {
  for (const char* user : {"demo", "clerk"}) {
    const std::string stored =
        account().text(std::string("SELECT cPassword FROM vqsystem.UA_User WHERE cUser_ID = '") + user + "'");
    EXPECT_EQ(stored, "encoded(omed)") << user;
  }
  const char* heldRights =
      "SELECT group_concat(cAuth_ID) FROM (SELECT DISTINCT h.cAuth_ID FROM UA_HoldAuth h "
      "JOIN UA_Role r ON r.cgroup_id = h.cUser_ID AND h.iIsUser = 0 "
      "WHERE r.cUser_id = '%s' AND h.cAcc_ID = '001' AND h.iYear = 2026 ORDER BY h.cAuth_ID)";
  const auto rightsOf = [&](const std::string& user) {
    std::string query = heldRights;
    query.replace(query.find("%s"), 2, user);
    return account().text(query);
  };
  EXPECT_EQ(rightsOf("clerk"), "KX020101,KX020301,KX0301");
  const std::string allRights = account().text(
      "SELECT group_concat(cAuth_ID) FROM (SELECT cAuth_ID FROM UA_Auth "
      "UNION SELECT 'ADMIN' ORDER BY 1)");
  EXPECT_EQ(rightsOf("demo"), allRights);
  const char* moduleRights[] = {"KX0102",   "KX0103",   "KX0104",   "KX0105",   "KX0106",   "KX0108",   "KX010101",
                                "KX010102", "KX020101", "KX020301", "KX020302", "KX020305", "KX020201", "KX020202",
                                "KX020401", "KX020402", "KX020501", "KX020502", "KX0206",   "KX0301",   "KX0302",
                                "KX0303",   "KX0401",   "KX0402",   "KX0404",   "KX0202",   "KX0204"};
  for (const char* right : moduleRights) {
    EXPECT_NE(("," + allRights + ",").find("," + std::string(right) + ","), std::string::npos) << right;
  }
}

TEST_F(DemoAccountTest, DemoUsersReachTheAccountYearThroughTheirGroups) {
  // The account-year query of the login check: a right known to UA_Auth, or 'ADMIN', held by
  // the user or one of the user's groups, in an account-year that has periods.
  const auto periodsReached = [&](const std::string& user) {
    const std::string holder = " where ((ua_holdauth.cUser_id='" + user +
                               "' and iIsuser=1) or "
                               "(ua_holdauth.cUser_id in (select cgroup_id from ua_role where cUser_id='" +
                               user + "') and iIsuser=0))";
    const std::string joins =
        " INNER JOIN UA_Period ON UA_HoldAuth.cAcc_ID=UA_Period.cAcc_ID"
        " AND UA_HoldAuth.iYear=UA_Period.iYear) INNER JOIN UA_Account"
        " ON UA_HoldAuth.cAcc_id=UA_Account.cAcc_id ";
    const std::string head =
        "select distinct ua_holdauth.cacc_id,UA_Account.cAcc_Name,UA_HoldAuth.iYear,"
        "UA_Period.iID,UA_Period.dBegin,UA_Period.dEnd ";
    return account().rows(head + " from ((ua_holdauth inner join ua_auth on (ua_holdauth.cauth_id=ua_auth.cauth_id)) " +
                          joins + holder + " union " + head +
                          " from ((ua_holdauth inner join ua_auth on (ua_holdauth.cauth_id='ADMIN')) " + joins +
                          holder + " order by 1, 3, 4");
  };
  for (const char* user : {"demo", "clerk"}) {
    const auto periods = periodsReached(user);
    ASSERT_EQ(periods.size(), 12u) << user;
    EXPECT_EQ(periods.front()[0] + "/" + periods.front()[2], "001/2026") << user;
  }
  EXPECT_TRUE(periodsReached("nobody").empty());
}

TEST_F(DemoAccountTest, DemoAccountHasTwelvePeriodsOf2026) {
  EXPECT_EQ(account().rows("SELECT cAcc_Name, iYear FROM UA_Account WHERE cAcc_ID = '001'"),
            (std::vector<std::vector<std::string>>{{"青岚机电演示账套", "2026"}}));
  const auto periods = account().rows(
      "SELECT iID, dBegin, dEnd FROM vqsystem.UA_Period WHERE cAcc_ID = '001' AND iYear = 2026 "
      "ORDER BY iID");
  ASSERT_EQ(periods.size(), 12u);
  EXPECT_EQ(periods[0], (std::vector<std::string>{"1", "2026-01-01 00:00:00", "2026-01-31 00:00:00"}));
  EXPECT_EQ(periods[1], (std::vector<std::string>{"2", "2026-02-01 00:00:00", "2026-02-28 00:00:00"}));
  EXPECT_EQ(periods[11], (std::vector<std::string>{"12", "2026-12-01 00:00:00", "2026-12-31 00:00:00"}));
}

TEST_F(DemoAccountTest, DemoOperationTypesUseTemplatesOfTheirKindsCard) {
  // Each kind has types, and both templates of every type belong to the kind's card.
  const auto rows = account().rows(
      "SELECT t.intType, count(*), sum(s.vt_cardnumber = c.card AND p.vt_cardnumber = c.card) "
      "FROM KX_OperationType t "
      "JOIN (SELECT 1 AS kind, 'KX02' AS card UNION ALL SELECT 2, 'KX03' UNION ALL SELECT 3, 'KX01') c "
      "  ON c.kind = t.intType AND substr(t.strCode, 1, 1) = CAST(t.intType AS text) "
      "LEFT JOIN VoucherTemplates s ON s.vt_id = t.strShowModel AND s.vt_templatemode = 0 "
      "LEFT JOIN VoucherTemplates p ON p.vt_id = t.strPrintModel "
      "GROUP BY t.intType ORDER BY t.intType");
  ASSERT_EQ(rows.size(), 3u);
  for (const auto& row : rows) {
    EXPECT_GT(std::stoi(row[1]), 0) << "kind " << row[0];
    EXPECT_EQ(row[1], row[2]) << "kind " << row[0];
  }
}

TEST_F(DemoAccountTest, ModuleOptionRowsAreSeededInIdOrder) {
  EXPECT_EQ(account().text("SELECT group_concat(cName) FROM (SELECT cName FROM AccInformation "
                           "WHERE cSysID = 'KX' AND cID LIKE '1%' ORDER BY cID)"),
            "blnBudCtrl,intExpireDays,intAlertDays,blnAutoAlert,blnSubmAudit,strIOLevel,"
            "strZeroLevel,blnModiStand,blnModiFZHS,blnInputBud");
  EXPECT_EQ(account().text("SELECT group_concat(cName) FROM (SELECT cName FROM AccInformation "
                           "WHERE cSysID = 'KX' AND cID LIKE '2%' ORDER BY cID)"),
            "iokm_zy,iokm_km,iokm_fzx,iokm_djrq,iokm_zdy,opkm_zy,opkm_km,opkm_fzx,opkm_djrq,"
            "opkm_jsfs,opkm_pjbh,opkm_zdy");
  // Every Boolean option holds a Boolean text.
  EXPECT_EQ(account().number("SELECT count(*) FROM AccInformation WHERE cSysID = 'KX' AND "
                             "cType = 'Boolean' AND lower(cValue) NOT IN ('true', 'false')"),
            0);
}

// Points CORVANE_SCHEMA_DIR at another folder for the life of the object.
class SchemaDirectoryOverride {
 public:
  explicit SchemaDirectoryOverride(const fs::path& folder) {
    if (const char* old = std::getenv("CORVANE_SCHEMA_DIR")) previous_ = old;
    setenv("CORVANE_SCHEMA_DIR", folder.c_str(), 1);
  }
  ~SchemaDirectoryOverride() {
    if (previous_) {
      setenv("CORVANE_SCHEMA_DIR", previous_->c_str(), 1);
    } else {
      unsetenv("CORVANE_SCHEMA_DIR");
    }
  }

 private:
  std::optional<std::string> previous_;
};

std::int32_t creationErrorNumber(const fs::path& folder, bool demo) {
  try {
    demo ? createDemoAccount(folder, encodeForTest) : createAccount(folder);
  } catch (const RuntimeError& error) {
    return error.number();
  }
  return 0;
}

TEST(AccountCreatorTest, EmptyAccountHasTheSchemaButNoDemoData) {
  const TempFolder folder;
  createAccount(folder.path() / "new");
  const Account account(folder.path() / "new");
  EXPECT_EQ(account.number("SELECT count(*) FROM KX_OperationType"), 0);
  EXPECT_EQ(account.number("SELECT count(*) FROM vqsystem.UA_User"), 0);
  EXPECT_EQ(account.number("SELECT count(*) FROM AccInformation WHERE cSysID = 'KX'"), 22);
  EXPECT_EQ(account.text("SELECT group_concat(name, ',') FROM (SELECT name FROM tempdb.sysobjects ORDER BY name)"),
            "ScratchTableBirth,sysobjects");
}

TEST(AccountCreatorTest, RefusesAFolderThatHoldsAnAccountAndLeavesItAlone) {
  const TempFolder folder;
  createDemoAccount(folder.path(), encodeForTest);
  {
    const Account account(folder.path());
    account.mustExecute("UPDATE AccInformation SET cValue = 'True' WHERE cSysID = 'KX' AND cID = '105'");
  }
  EXPECT_NE(creationErrorNumber(folder.path(), false), 0);
  EXPECT_NE(creationErrorNumber(folder.path(), true), 0);
  // A single leftover file also counts as an account.
  const TempFolder other("_other");
  fs::create_directories(other.path());
  std::ofstream(AccountFiles{other.path()}.tempdb()) << "";
  EXPECT_NE(creationErrorNumber(other.path(), false), 0);

  const Account account(folder.path());
  EXPECT_EQ(account.text("SELECT cValue FROM AccInformation WHERE cSysID = 'KX' AND cID = '105'"), "True");
}

TEST(AccountCreatorTest, FailedCreationLeavesNothingBehind) {
  const TempFolder folder;
  const fs::path schema = folder.path() / "schema";
  fs::create_directories(schema);
  fs::copy(fs::path(CORVANE_SOURCE_DIR) / "schema", schema, fs::copy_options::recursive);
  // The system database fails after the company database was written.
  std::ofstream(schema / "system" / "999_broken.sql") << "CREATE TABLE broken (;";
  const fs::path target = folder.path() / "account";
  {
    const SchemaDirectoryOverride override(schema);
    try {
      createAccount(target);
      ADD_FAILURE() << "a broken schema file was accepted";
    } catch (const RuntimeError& error) {
      EXPECT_NE(error.description().find("999_broken.sql"), std::string::npos) << error.description();
    }
  }
  EXPECT_FALSE(fs::exists(target));

  // An existing folder stays, emptied of what the creation wrote.
  fs::create_directories(target);
  {
    const SchemaDirectoryOverride override(schema);
    EXPECT_NE(creationErrorNumber(target, true), 0);
  }
  EXPECT_TRUE(fs::exists(target));
  EXPECT_TRUE(fs::is_empty(target));
}

// The program makes accounts from the schema built into it: every .sql file of the source tree's
// schema folder, byte for byte, in the order the account creator runs them.
TEST(AccountCreatorTest, TheBuiltInSchemaIsTheSchemaFolder) {
  const fs::path schema = fs::path(CORVANE_SOURCE_DIR) / "schema";
  std::vector<std::string> onDisk;
  for (const auto& entry : fs::recursive_directory_iterator(schema)) {
    if (entry.is_regular_file() && entry.path().extension() == ".sql") {
      onDisk.push_back(fs::relative(entry.path(), schema).generic_string());
    }
  }
  std::sort(onDisk.begin(), onDisk.end());
  std::vector<std::string> builtIn;
  for (const SchemaScript& script : embeddedSchema()) {
    const std::string path = std::string(script.folder) + "/" + std::string(script.name);
    builtIn.push_back(path);
    std::ifstream file(schema / path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    EXPECT_EQ(text.str(), script.text) << path;
  }
  EXPECT_EQ(builtIn, onDisk);
}

TEST(AccountCreatorTest, MissingSchemaFolderIsReported) {
  const TempFolder folder;
  const SchemaDirectoryOverride override(folder.path() / "nowhere");
  EXPECT_NE(creationErrorNumber(folder.path() / "account", false), 0);
  EXPECT_FALSE(fs::exists(folder.path() / "account"));
}

TEST(AccountCreatorTest, InitCommandCreatesTheDemoAccount) {
  const TempFolder folder;
  struct Case {
    std::vector<std::string> arguments;
    int status;
    bool saysCreated;
  };
  const Case cases[] = {
      {{}, 2, false},
      {{folder.path().string(), "extra"}, 2, false},
      {{folder.path().string()}, 0, true},
      {{folder.path().string()}, 1, false},  // now it already holds an account
  };
  for (const Case& c : cases) {
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(runInitCommand(c.arguments, encodeForTest, out, err), c.status);
    EXPECT_EQ(out.str().find("Created") != std::string::npos, c.saysCreated) << out.str();
    EXPECT_EQ(err.str().empty(), c.status == 0) << err.str();
  }
  const Account account(folder.path());
  EXPECT_EQ(account.number("SELECT count(*) FROM vqsystem.UA_User"), 2);
}

}  // namespace
}  // namespace corvane::db
