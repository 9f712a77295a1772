// Runs the built corvane program (its path in CORVANE_BIN) and checks what it prints and answers.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "support/CaseAccount.h"
#include "support/QueryText.h"

namespace {

namespace fs = std::filesystem;

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
};

std::string readFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

void writeFile(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

class CorvaneToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* bin = std::getenv("CORVANE_BIN");
    if (bin == nullptr) GTEST_SKIP() << "CORVANE_BIN is not set";
    bin_ = bin;
    dir_ = fs::path(::testing::TempDir()) /
           ("corvane_tool_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" +
            std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    if (!dir_.empty()) fs::remove_all(dir_);
  }

  // Runs `corvane <arguments>` with `input` on standard input (arguments are passed to the shell
  // as written).
  ToolRun run(const std::string& arguments, const std::string& input = "") const {
    writeFile(dir_ / "stdin", input);
    const std::string command = "'" + bin_ + "' " + arguments + " <'" + (dir_ / "stdin").string() + "' >'" +
                                (dir_ / "stdout").string() + "' 2>'" + (dir_ / "stderr").string() + "'";
    const int raw = std::system(command.c_str());
    ToolRun result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = readFile(dir_ / "stdout");
    result.err = readFile(dir_ / "stderr");
    return result;
  }

  std::string file(const std::string& name, const std::string& text) const {
    writeFile(dir_ / name, text);
    return "'" + (dir_ / name).string() + "'";
  }

  std::string bin_;
  fs::path dir_;
};

TEST_F(CorvaneToolTest, HelpPrintsUsage) {
  const char* const helpLines[] = {"--help", "-h", "call Corvane.CNothing --help", "-h call"};
  for (const char* arguments : helpLines) {
    const ToolRun result = run(arguments);
    EXPECT_EQ(result.status, 0) << arguments;
    EXPECT_NE(result.out.find("Usage: corvane"), std::string::npos) << arguments;
    EXPECT_NE(result.out.find("PROGID [FILE]"), std::string::npos) << arguments;
    EXPECT_EQ(result.err, "") << arguments;
  }
}

TEST_F(CorvaneToolTest, FailuresExitNonZeroWithOneLineOnStandardError) {
  const std::string request = "<req><func name='get'/></req>";
  struct Case {
    std::string arguments;
    std::string input;
    int status;
    std::string message;
  };
  const Case cases[] = {
      {"", "", 2, "no command given"},
      {"frobnicate", "", 2, "unknown command 'frobnicate'"},
      {"--bogus call Corvane.CNothing", request, 2, "unknown option '--bogus'"},
      {"call", "", 2, "usage: corvane call [LOGIN] PROGID [FILE]"},
      {"call Corvane.CNothing a.xml b.xml", "", 2, "usage: corvane call [LOGIN] PROGID [FILE]"},
      {"call Corvane.CNothing", request, 1, "Class not registered: Corvane.CNothing"},
      {"call Corvane.CNothing " + file("request.xml", request), "", 1, "Class not registered: Corvane.CNothing"},
      {"call Corvane.CNothing '" + (dir_ / "missing.xml").string() + "'", request, 1,
       "cannot read " + (dir_ / "missing.xml").string()},
      {"call Corvane.CNothing '" + dir_.string() + "'", request, 1, "cannot read " + dir_.string()},
      {"call Corvane.CNothing", "this is not XML", 1, "not well-formed XML"},
      {"call Corvane.CNothing", "<req><func></req>", 1, "not well-formed XML"},
      {"call Corvane.CNothing", "", 1, "not well-formed XML"},
      {"call Corvane.CNothing " + file("broken.xml", "<req>"), "", 1, "not well-formed XML"},
  };
  for (const Case& c : cases) {
    const ToolRun result = run(c.arguments, c.input);
    EXPECT_EQ(result.status, c.status) << c.arguments;
    EXPECT_EQ(result.out, "") << c.arguments;
    EXPECT_EQ(result.err.rfind("corvane: ", 0), 0U) << c.arguments << ": " << result.err;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << c.arguments << ": " << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << c.arguments << ": " << result.err;
  }
}

// The net-bank road from the command line: approved loan lines and a settled claim's payment row
// are paid, the bank confirms one bill, and the withdrawal refuses that one and takes the others
// back.
class NetBankRoadTest : public CorvaneToolTest {
 protected:
  static constexpr const char* kRmbLine = "{0D1E2F30-0000-4000-8000-000000000001}";
  static constexpr const char* kUsdLine = "{0D1E2F30-0000-4000-8000-000000000002}";
  static constexpr const char* kClaimRow = "{0D1E2F30-0000-4000-8000-000000000003}";

  void SetUp() override {
    CorvaneToolTest::SetUp();
    if (IsSkipped()) return;
    // Loan 1 is approved in the demo account; loan 2 and claim 3 are made approved and the claim
    // settled, as approval and settlement would leave them.
    const std::string setup[] = {
        std::string("UPDATE KX_LoanVouch_Sub SET GUID = '") + kRmbLine +
            "' WHERE MGuid = '{3A6F0C21-5B1E-4C8A-9D01-000000000001}' AND strBalanceID = '3'",
        std::string("UPDATE KX_LoanVouch_Sub SET GUID = '") + kUsdLine +
            "' WHERE MGuid = '{3A6F0C21-5B1E-4C8A-9D01-000000000002}'",
        "UPDATE KX_LoanVouch SET strAuditorID = 'demo', blnAudi = 1, intBudPass = 1 WHERE AutoID = 2",
        "UPDATE KX_ExpenVouch SET strVerifier = 'demo' WHERE AutoID = 3",
        std::string("INSERT INTO KX_BalanceInfo (GUID, ExpenGUID, intIOType, strBalanceID, dblMoney, "
                    "strBillID, strPayBankID, strRecBank, strRecAcc) VALUES ('") +
            kClaimRow +
            "', '{7C2E9B40-1D3F-4E6A-8B02-000000000003}', 2, '3', 2300, 'ZZ0112001', "
            "'01', N'招商银行苏州分行', '6225880212345678')",
    };
    for (const std::string& statement : setup) account_.execute(statement);
  }

  ToolRun call(const std::string& request) const {
    return run("call --account '" + account_.folder().string() +
                   "' --user demo --password demo --locale en-us Corvane.CNetPay",
               request);
  }
  ToolRun bank(const std::string& answer, const std::string& payRow) const {
    return run("bank '" + account_.folder().string() + "' " + answer + " '" + payRow + "'");
  }

  static std::string func(const std::string& name, std::initializer_list<std::pair<const char*, const char*>> rows) {
    std::string text = "<func name='" + name + "' goon='1'><in>";
    for (const auto& [guid, type] : rows) text += std::string("<row guid='") + guid + "' strtypecode='" + type + "'/>";
    return text + "</in></func>";
  }

  // strPayID, blnNetOK and the bill's state of a payment row ("-" for Null or no bill).
  std::string state(const char* payRow) const {
    corvane::db::Connection connection;
    connection.open(account_.connectString());
    corvane::db::Recordset rs;
    rs.open(std::string("SELECT p.strPayID, p.blnNetOK, b.iState FROM (SELECT GUID, strPayID, blnNetOK FROM "
                        "KX_LoanVouch_Sub UNION ALL SELECT GUID, strPayID, blnNetOK FROM KX_BalanceInfo) p "
                        "LEFT JOIN NetBankBills b ON b.cPayRowGUID = p.GUID WHERE p.GUID = '") +
                payRow + "'",
            connection, corvane::db::adOpenStatic);
    std::string text;
    for (int i = 0; i < rs.fieldCount(); ++i) {
      const corvane::Variant& v = rs.field(i).value();
      text += (i == 0 ? "" : " ") + (v.isNull() ? std::string("-") : corvane::CStr(v));
    }
    return text;
  }

  corvane::CaseAccount account_;
};

TEST_F(NetBankRoadTest, PayConfirmAndTakeBack) {
  const ToolRun paid =
      call("<req>" + func("netpay", {{kRmbLine, "301"}, {kUsdLine, "302"}, {kClaimRow, "201"}}) + "</req>");
  ASSERT_EQ(paid.status, 0) << paid.err;
  EXPECT_NE(paid.out.find("<out/>"), std::string::npos) << paid.out;
  for (const char* row : {kRmbLine, kUsdLine, kClaimRow}) EXPECT_EQ(state(row), "周建国 False 0") << row;

  const ToolRun confirmed = bank("confirm", kRmbLine);
  EXPECT_EQ(confirmed.status, 0) << confirmed.err;
  EXPECT_EQ(confirmed.out, std::string("The bank confirmed the bill of payment row ") + kRmbLine + ".\n");
  EXPECT_EQ(state(kRmbLine), "周建国 True 1");

  const ToolRun taken = call("<req>" + func("netunpay", {{kRmbLine, "301"}}) +
                             func("netunpay", {{kUsdLine, "302"}, {kClaimRow, "201"}}) + "</req>");
  ASSERT_EQ(taken.status, 0) << taken.err;
  EXPECT_NE(taken.out.find("<text>The bank has confirmed the line. It cannot be taken back.</text>"), std::string::npos)
      << taken.out;
  EXPECT_EQ(state(kRmbLine), "周建国 True 1");
  EXPECT_EQ(state(kUsdLine), "- False -");
  EXPECT_EQ(state(kClaimRow), "- False -");

  // A line taken back can be paid again, and the bank may reject its new bill.
  ASSERT_EQ(call("<req>" + func("netpay", {{kUsdLine, "302"}}) + "</req>").status, 0);
  EXPECT_EQ(bank("reject", kUsdLine).status, 0);
  EXPECT_EQ(state(kUsdLine), "周建国 False 2");
}

TEST_F(NetBankRoadTest, TheBankRefusesWhatItCannotAnswer) {
  ASSERT_EQ(call("<req>" + func("netpay", {{kRmbLine, "301"}}) + "</req>").status, 0);
  ASSERT_EQ(bank("confirm", kRmbLine).status, 0);
  const struct {
    std::string arguments;
    int status;
    std::string message;
  } cases[] = {
      {"bank '" + account_.folder().string() + "' reject '" + kRmbLine + "'", 1,
       "The bank has answered the bill already."},
      {"bank '" + account_.folder().string() + "' confirm '" + kClaimRow + "'", 1, "The payment row has no bank bill."},
      {"bank '" + account_.folder().string() + "' accept '" + kRmbLine + "'", 2,
       "the bank answers confirm or reject, not 'accept'"},
      {"bank '" + account_.folder().string() + "' confirm", 2, "usage: corvane bank DIR confirm|reject PAYROW"},
      {"bank '" + (dir_ / "nowhere").string() + "' confirm '" + kRmbLine + "'", 1, "corvane: "},
  };
  for (const auto& c : cases) {
    const ToolRun result = run(c.arguments);
    EXPECT_EQ(result.status, c.status) << c.arguments;
    EXPECT_EQ(result.out, "") << c.arguments;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << c.arguments << ": " << result.err;
  }
  EXPECT_EQ(state(kRmbLine), "周建国 True 1");
}

// Once the request is read, a failure is also answered with an error reply document on standard
// output, in the login's language, so that the caller always gets a document back.
TEST_F(CorvaneToolTest, RequestFailuresAreAnsweredWithAnErrorReplyDocument) {
  ASSERT_EQ(run("init '" + (dir_ / "account").string() + "'").status, 0);
  const std::string login = "--account '" + (dir_ / "account").string() + "' --user demo --locale en-us ";
  const std::string request = "<req><func name='get'/></req>";
  struct Case {
    std::string title;
    std::string arguments;
    std::string input;
    std::string reply;
  };
  const Case cases[] = {
      {"a document over the size limit, refused before it is parsed", login + "--password demo call Corvane.COperation",
       std::string(8 * 1024 * 1024 + 1, ' '),
       "<?xml version='1.0' encoding='utf-8'?><error><id>Corvane:COperation:myHandle:9000</id>"
       "<text>The request document is too large: it may hold at most 8388608 bytes.</text></error>\n"},
      {"a wrong password", login + "--password wrong call Corvane.COperation", request,
       "<?xml version='1.0' encoding='utf-8'?><error><id>Corvane:COperation:myHandle:9000</id>"
       "<text>Wrong user or password.</text></error>\n"},
      {"a folder without an account",
       "--account '" + (dir_ / "none").string() + "' --user demo --password demo call Corvane.CPubMsg", request,
       "<?xml version='1.0' encoding='utf-8'?><error><id>Corvane:CPubMsg:myHandle:-2147467259</id>"
       "<text>The account database &apos;" +
           (dir_ / "none" / "company.db").string() + "&apos; does not exist.</text></error>\n"},
  };
  for (const Case& c : cases) {
    const ToolRun result = run(c.arguments, c.input);
    EXPECT_EQ(result.status, 1) << c.title;
    EXPECT_EQ(result.out, c.reply) << c.title;
    EXPECT_EQ(result.err.rfind("corvane: ", 0), 0U) << c.title << ": " << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << c.title << ": " << result.err;
  }
}

// A detail report from the command line, as the report engine would fill and read it: the
// demo account's loan lines of department 0301 (loan JK2026010001: 3000 in cash, 2000 by bank).
class ReportCommandTest : public CorvaneToolTest {
 protected:
  std::string login(const std::string& user) const {
    return "--account '" + account_.folder().string() + "' --user " + user + " --password demo";
  }
  corvane::CaseAccount account_;
};

TEST_F(ReportCommandTest, PrintsTheRowsOfADataSourceUnderTheEnginesFilter) {
  const ToolRun loans = run("report " + login("demo") + " --locale en-us Corvane.CReportJKTJ detail strdepartid=0301");
  ASSERT_EQ(loans.status, 0) << loans.err;
  std::istringstream lines(loans.out);
  std::string header;
  std::getline(lines, header);
  EXPECT_EQ(header.rfind("dtloandate\tstrdepartid\tstrdepartname\t", 0), 0u) << header;
  std::vector<std::string> rows;
  for (std::string line; std::getline(lines, line);) rows.push_back(line);
  ASSERT_EQ(rows.size(), 2u) << loans.out;
  for (const std::string& row : rows) {
    EXPECT_NE(row.find("\tJK2026010001\t"), std::string::npos) << row;
    EXPECT_NE(row.find("\tYes\t"), std::string::npos) << row;  // approved, in the login's locale
  }

  // Usage errors: no login, a condition without operator, an unknown data source.
  const struct {
    std::string arguments;
    int status;
    std::string message;
  } failures[] = {
      {"report Corvane.CReportJKTJ detail", 2, "report needs the login options"},
      {"report " + login("demo") + " Corvane.CReportJKTJ detail strdepartid", 1, "has no operator"},
      {"report " + login("demo") + " Corvane.CReport detail", 1, "Class not registered: Corvane.CReport"},
  };
  for (const auto& c : failures) {
    const ToolRun result = run(c.arguments);
    EXPECT_EQ(result.status, c.status) << c.arguments;
    EXPECT_EQ(result.out, "") << c.arguments;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << c.arguments << ": " << result.err;
  }
}

// The example road (examples/road.sh) on a fresh demo account: every step answers without an
// error, and the ledger ends with the voided voucher and the edited one that replaced it, to
// which the loan and the claim are linked.
TEST_F(CorvaneToolTest, TheExampleRoadPostsVoidsSavesTheEditedDraftAndRegistersTheCheque) {
  const corvane::CaseAccount account;
  const std::string command = "bash '" + (fs::path(CORVANE_SOURCE_DIR) / "examples" / "road.sh").string() + "' '" +
                              bin_ + "' '" + account.folder().string() + "' >'" + (dir_ / "road.out").string() +
                              "' 2>&1";
  const int raw = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << readFile(dir_ / "road.out");
  const std::string out = readFile(dir_ / "road.out");
  EXPECT_NE(out.find("The bank confirmed the bill of payment row"), std::string::npos);
  EXPECT_NE(out.find("<out><Return/></out>"), std::string::npos) << "the void answers Return";

  corvane::db::Connection connection;
  connection.open(account.connectString());
  const auto rows = [&](const std::string& sql) { return corvane::QueryRowsText(connection, sql); };
  EXPECT_EQ(rows("SELECT ino_id, inid, ccode, md, mc, iflag, cdigest FROM GL_accvouch ORDER BY ino_id, inid"),
            "1|1|1221|1200|0|1|Trip to Hangzhou;1|2|1002|0|1200|1|Trip to Hangzhou;"
            "1|3|660202|1200|0|1|Office supplies for the trip;1|4|1221|0|1200|1|Trip to Hangzhou;"
            "2|1|1221|1200|0|-|Trip to Hangzhou, settled;2|2|1002|0|1200|-|Trip to Hangzhou;"
            "2|3|660202|1200|0|-|Office supplies for the trip;2|4|1221|0|1200|-|Trip to Hangzhou;"
            "3|1|660201|600|0|-|Customer visit to Nanjing;3|2|660201|900|0|-|Customer visit to Nanjing;"
            "3|3|1002|0|1500|-|Customer visit to Nanjing;");
  const std::string linked = "=(SELECT coutno_id FROM GL_accvouch WHERE ino_id = 2 AND inid = 1)";
  EXPECT_EQ(rows("SELECT strVouchID FROM KX_LoanVouch WHERE PZGUID" + linked +
                 " UNION ALL SELECT strVouchID FROM "
                 "KX_ExpenVouch WHERE PZGUID" +
                 linked),
            "JK2026019001;BX2026019001;");
  EXPECT_EQ(rows("SELECT cPZSource FROM NetBankBills"), "KX;");
  EXPECT_EQ(rows("SELECT cn_id, cCode, csettle, mc, cperson, cWriter FROM ChequeBook"),
            "ZP0131001|1002|2|1500|王海涛|周建国;");
}

}  // namespace
