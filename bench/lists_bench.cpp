// What one page of the approval list costs as the voucher table grows: 20 submitted, unapproved
// loans (auditcondition 0), the first and the last page, over 10,000, 100,000 and 1,000,000 loans
// in one run. Each is set against the bare SQLite work of the same statements (captured from the
// list while it serves the page, then prepared once and stepped directly with their values bound),
// and against the counting of the keys alone, which every paged reply needs for its page count.
//
// The loans are generated inside SQLite by a recursive insert: three in four are submitted, one in
// four of those approved, one in a hundred sent back by its flow. No statistics are gathered by
// hand: what the planner needs, the product sees to itself.

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "BenchAccount.h"
#include "host/EmbeddedLoginContext.h"
#include "host/PasswordCodec.h"
#include "platform/db/AccountCreator.h"
#include "platform/db/Connection.h"
#include "platform/db/ConnectionHandle.h"
#include "platform/xml/XmlDocument.h"
#include "reports/CQuery.h"
#include "request/Locale.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

constexpr long kPageRows = 20;

void run(sqlite3* handle, const std::string& sql) {
  char* message = nullptr;
  if (sqlite3_exec(handle, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
    const std::string text = message ? message : "";
    sqlite3_free(message);
    throw std::runtime_error(text + " in: " + sql);
  }
}

std::string generateLoans(long count) {
  const std::string n = std::to_string(count);
  return "DROP TRIGGER KX_LoanVouch_ts_insert;"
         "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
         n +
         ") "
         "INSERT INTO KX_LoanVouch (GUID, strTypeCode, strVouchID, dtLoanDate, strDepartID, strLoanID, "
         "strItemClassID, strItemID, strBill, fltRate, dblMoney, dblOldMoney, strUsed, dtExpDate, strPersonID, "
         "blnAudi, strAuditorID, blnBegin, blnAllBill, ts) "
         "SELECT printf('{%08X-0000-4000-8000-%012X}', i, i), CASE i % 2 WHEN 0 THEN '301' ELSE '302' END, "
         "printf('BJ%09d', i), '2026-01-15 00:00:00', CASE i % 3 WHEN 0 THEN '0301' WHEN 1 THEN '02' ELSE '04' END, "
         "'0005', '01', 'P2601', '人民币', 1, 100 + i % 500, 100 + i % 500, 'bench', '2026-03-15 00:00:00', "
         "'李晓燕', CASE WHEN i % 4 = 0 THEN 0 ELSE 1 END, CASE WHEN i % 4 = 3 THEN '周建国' END, 0, 0, "
         "100000 + i FROM n;"
         "INSERT INTO ApprovalFlowInstances (cBillType, cBillGUID, cDocument, iState) "
         "SELECT '45', GUID, '<EAdata/>', 3 FROM KX_LoanVouch WHERE AutoID % 100 = 1 AND AutoID > 3 AND blnAudi = 1;";
}

std::string pageRequest(long current) {
  return "<req><func name='listloandata'><in><page><current>" + std::to_string(current) + "</current><rows>" +
         std::to_string(kPageRows) + "</rows></page><cond/><auditcond auditcondition='0'/></in></func></req>";
}

// One generated account, kept for the whole run.
class BenchAccount {
 public:
  explicit BenchAccount(long loans)
      : folder_(fs::temp_directory_path() /
                ("corvane-lists-bench-" + std::to_string(::getpid()) + "-" + std::to_string(loans))) {
    fs::remove_all(folder_);
    db::createDemoAccount(folder_, [](const std::string& plain) { return EmbeddedPasswordCodec().Encode(plain); });
    sqlite3* handle = nullptr;
    sqlite3_open((folder_ / "company.db").c_str(), &handle);
    run(handle, generateLoans(loans));
    sqlite3_close(handle);
    LoginOptions options;
    options.account = folder_;
    options.user = "demo";
    options.password = "demo";
    options.date = DateTime::parse("2026-3-15");
    login_ = EmbeddedLoginContext::logIn(options);
    connection_.open(login_->ConnectString());
    gLocaleID = "zh-CN";
  }
  ~BenchAccount() {
    connection_.close();
    login_.reset();
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  EmbeddedLoginContext& login() { return *login_; }
  db::Connection& connection() { return connection_; }

  // The statements SQLite runs while the list serves the page, in order.
  std::vector<bench::CapturedStatement> statementsOf(const std::string& request) {
    std::vector<bench::CapturedStatement> statements;
    sqlite3* handle = db::sqliteHandle(connection_);
    sqlite3_trace_v2(
        handle, SQLITE_TRACE_STMT,
        [](unsigned, void* context, void* statement, void*) {
          char* sql = sqlite3_expanded_sql(static_cast<sqlite3_stmt*>(statement));
          if (sql != nullptr && std::string_view(sql).rfind("--", 0) != 0) {
            static_cast<std::vector<bench::CapturedStatement>*>(context)->push_back(
                {sqlite3_sql(static_cast<sqlite3_stmt*>(statement)), sql, nullptr});
          }
          sqlite3_free(sql);
          return 0;
        },
        &statements);
    XmlDocument document;
    document.loadXML(request);
    XmlDocument reply;
    FuncCall call{*login_, connection_, document.selectSingleNode("//func"), reply};
    CQuery().ListLoanData(call);
    sqlite3_trace_v2(handle, 0, nullptr, nullptr);
    if (reply.selectSingleNode("//z:row").isNull()) throw std::runtime_error("no page: " + reply.xml());
    return statements;
  }

  // The number of pages of the approval list.
  long lastPage() {
    XmlDocument document;
    document.loadXML(pageRequest(0));
    XmlDocument reply;
    FuncCall call{*login_, connection_, document.selectSingleNode("//func"), reply};
    CQuery().ListLoanData(call);
    return std::stol(reply.selectSingleNode("//page/count").text()) - 1;
  }

 private:
  fs::path folder_;
  std::unique_ptr<EmbeddedLoginContext> login_;
  db::Connection connection_;
};

BenchAccount& accountOf(long loans) {
  static std::map<long, std::unique_ptr<BenchAccount>> accounts;
  std::unique_ptr<BenchAccount>& account = accounts[loans];
  if (!account) account = std::make_unique<BenchAccount>(loans);
  return *account;
}

long pageOf(BenchAccount& account, long which) { return which == 0 ? 0 : account.lastPage(); }

// The whole request through the class, as `corvane call` serves it.
void ServePage(benchmark::State& state) {
  BenchAccount& account = accountOf(state.range(0));
  const std::string request = pageRequest(pageOf(account, state.range(1)));
  for (auto _ : state) {
    XmlDocument document;
    document.loadXML(request);
    CQuery().myHandle(&account.login(), document);
    benchmark::DoNotOptimize(document);
  }
}

// The same page's statements, prepared and stepped on SQLite directly.
void BareStatements(benchmark::State& state) {
  BenchAccount& account = accountOf(state.range(0));
  bench::PreparedStatements statements({db::sqliteHandle(account.connection())},
                                       account.statementsOf(pageRequest(pageOf(account, state.range(1)))));
  for (auto _ : state) statements.run();
  state.SetLabel(std::to_string(statements.size()) + " statements");
}

// Only the statement that counts the page keys.
void CountKeys(benchmark::State& state) {
  BenchAccount& account = accountOf(state.range(0));
  std::vector<bench::CapturedStatement> count;
  for (const bench::CapturedStatement& statement : account.statementsOf(pageRequest(0))) {
    if (statement.expanded.find("keycount") != std::string::npos) count.push_back(statement);
  }
  if (count.size() != 1) throw std::runtime_error("no key count");
  bench::PreparedStatements statements({db::sqliteHandle(account.connection())}, count);
  for (auto _ : state) statements.run();
}

void pagesAndSizes(benchmark::internal::Benchmark* bench) {
  bench->ArgNames({"loans", "last"});
  for (const long loans : {10000L, 100000L, 1000000L}) {
    bench->Args({loans, 0});
    bench->Args({loans, 1});
  }
  bench->Unit(benchmark::kMillisecond);
}

BENCHMARK(ServePage)->Apply(pagesAndSizes);
BENCHMARK(BareStatements)->Apply(pagesAndSizes);
BENCHMARK(CountKeys)->ArgNames({"loans"})->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvane

BENCHMARK_MAIN();
