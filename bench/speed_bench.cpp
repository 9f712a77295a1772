// What a request costs in process against its own SQL on bare SQLite, in one run: the
// operation-type list, a loan read (head and lines), an operation-type edit and a new loan
// saved. Each request runs through its class as `corvane call` serves it (pooled connections,
// one login for the run); its bare twin runs the statements the request ran (captured from every
// connection while it was served on a second, identical account), each prepared anew and stepped
// to its end on one connection of its own. Writing twins commit as the request does; between
// repetitions, outside the measured time, their change is undone so that each repeats the same
// work.
//
// Then each voucher request (read, each navigation step, a save with the client's number and one
// whose number is taken and drawn again) on the demo account and on one with a million loans and
// a million claims more; the list served by 1 to 8 threads at once, each with its own login, as one user or as a
// user each (requests per second), and what a login costs at each password hash cost.

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

#include "claims/CExpense.h"
#include "BenchAccount.h"
#include "core/COperation.h"
#include "host/EmbeddedLoginContext.h"
#include "host/PasswordCodec.h"
#include "loans/CLoan.h"
#include "platform/com/Locale.h"
#include "platform/db/AccountCreator.h"
#include "platform/db/Connection.h"
#include "platform/db/ConnectionHandle.h"
#include "platform/db/ConnectionPool.h"
#include "platform/xml/XmlDocument.h"

namespace corvane {
namespace {

using namespace bench;

// The served account and its twin for capturing, made the same way.
Account& served() {
  static Account account("served", encodeMinimal);
  return account;
}
Account& twin() {
  static Account account("twin", encodeMinimal);
  return account;
}

// ---- the requests

struct Workload {
  void (*serve)(LoginContext*, XmlDocument&);
  std::string (*request)(db::Connection& connection, long repetition);
  // The SQL that undoes the first repetition's change, read before it runs; empty for a read.
  std::string (*undo)(db::Connection& connection) = nullptr;
};

void serveOperation(LoginContext* login, XmlDocument& document) { COperation().myHandle(login, document); }
void serveLoan(LoginContext* login, XmlDocument& document) { CLoan().myHandle(login, document); }
void serveClaim(LoginContext* login, XmlDocument& document) { CExpense().myHandle(login, document); }

std::string scalar(db::Connection& connection, const std::string& sql) {
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(db::sqliteHandle(connection), sql.c_str(), -1, &statement, nullptr);
  std::string value;
  if (sqlite3_step(statement) == SQLITE_ROW) value = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
  sqlite3_finalize(statement);
  return value;
}

std::string listRequest(db::Connection&, long) { return "<req><func name='get'/></req>"; }

std::string loanReadRequest(db::Connection&, long) {
  return "<req><func name='vchgetloanheaddata'><in><a AutoID='2'/></in></func>"
         "<func name='vchgetloanbodydata'><in><a AutoID='2'/></in></func></req>";
}

std::string editRequest(db::Connection& connection, long repetition) {
  const std::string ts = scalar(connection, "SELECT ts FROM KX_OperationType WHERE strCode='201'");
  return "<req><func name='edit'><in><rows><row P='2' strCode='201' ts='" + ts +
         "' intType='支出' strName='差旅费报销" + std::to_string(repetition % 2) +
         "' strShowID='31' strPrintID='32'/></rows></in></func></req>";
}

// A loan of `number` whose amount differs from one repetition to the next, as saves' amounts do.
std::string loanSave(const std::string& number, long repetition) {
  const std::string first = std::to_string(1000 + repetition % 9000);
  return std::string("<req><func name='savevouch'><in><xml><head><z:row GUID='' strTypeCode='301' strVouchID='") +
         number +
         "' dtLoanDate='2026-03-15T00:00:00' strDepartID='0301' strLoanID='0006' strBill='人民币' fltRate='1' "
         "dblMoney='" + first + ".5' dblOldMoney='" + first + ".5' strUsed='bench' strPersonID='周建国'/></head><body>"
         "<z:row strBalanceID='1' dblMoney='" + first + "'/><z:row strBalanceID='1' dblMoney='0.5'/></body></xml></in>"
         "</func></req>";
}

std::string saveRequest(db::Connection&, long repetition) {
  char number[16];
  std::snprintf(number, sizeof number, "JB%010ld", repetition);
  return loanSave(number, repetition);
}

// A number already taken: the save draws the next free one from the card's numbering.
std::string numberedSaveRequest(db::Connection&, long repetition) { return loanSave("JK2026010001", repetition); }

std::string undoEdit(db::Connection& connection) {
  return "UPDATE KX_OperationType SET ts=" +
         scalar(connection, "SELECT ts FROM KX_OperationType WHERE strCode='201'") + " WHERE strCode='201'";
}

std::string undoSave(db::Connection&) {
  return "DELETE FROM KX_LoanVouch_Sub WHERE MGuid IN (SELECT GUID FROM KX_LoanVouch WHERE strVouchID='JB0000000001');"
         "DELETE FROM KX_LoanVouch WHERE strVouchID='JB0000000001'";
}

std::string navigationRequest(db::Connection&, long) {
  return "<req><func name='getVouchListID'><in><Director>0</Director><strAutoID/></in></func>"
         "<func name='getVouchListID'><in><Director>2</Director><strAutoID>2</strAutoID></in></func>"
         "<func name='getVouchListID'><in><Director>1</Director><strAutoID>9</strAutoID></in></func>"
         "<func name='getVouchListID'><in><Director>-1</Director><strAutoID/></in></func></req>";
}

std::string claimReadRequest(db::Connection&, long) {
  return "<req><func name='vchgetloanheaddata'><in><a AutoID='3'/></in></func>"
         "<func name='vchgetloanbodydata'><in><a AutoID='3'/></in></func></req>";
}

std::string claimSaveRequest(db::Connection&, long repetition) {
  char number[16];
  std::snprintf(number, sizeof number, "CS%010ld", repetition);
  return std::string("<req><func name='savevouch'><in><xml><head><z:row GUID='' strTypeCode='202' strVouchID='") +
         number +
         "' dtLoanDate='2026-03-15T00:00:00' strDepartID='02' strLoanID='0003' strBill='人民币' fltRate='1' "
         "dblMoney='" + std::to_string(100 + repetition % 900) + "' dblOldMoney='" +
         std::to_string(100 + repetition % 900) + "' strUsed='bench' strPersonID='李晓燕'/></head><body>"
         "<z:row strIOItem='202' dblMoney='" + std::to_string(100 + repetition % 900) +
         "'/></body></xml></in></func></req>";
}

// One navigation step: Director 0 first, 2 previous, 1 next, -1 last (from `autoId`, 0 for none).
template <int director, int autoId>
std::string navigationStep(db::Connection&, long) {
  return "<req><func name='getVouchListID'><in><Director>" + std::to_string(director) + "</Director><strAutoID>" +
         (autoId == 0 ? std::string() : std::to_string(autoId)) + "</strAutoID></in></func></req>";
}

const Workload kList{serveOperation, listRequest};
const Workload kLoanRead{serveLoan, loanReadRequest};
const Workload kNavigation{serveLoan, navigationRequest};
const Workload kEdit{serveOperation, editRequest, undoEdit};
const Workload kSave{serveLoan, saveRequest, undoSave};

void check(const XmlDocument& document) {
  const std::string xml = document.xml();
  const bool answered = xml.find("<out/>") != std::string::npos || xml.find("<out>") != std::string::npos;
  if (!answered || xml.find("Corvane:") != std::string::npos) throw std::runtime_error("the request failed: " + xml);
}

void undo(sqlite3* handle, const std::string& sql);

// The statements one request runs, served on the twin account by a login made while capturing;
// its change is undone afterwards, so that every capture records the same work.
std::vector<std::string> statementsOf(const Workload& workload, long repetition) {
  StatementCapture capture;
  auto login = twin().logIn();
  db::Connection connection;
  connection.open(twin().connectString());
  const std::string undoSql = workload.undo ? workload.undo(connection) : std::string();
  XmlDocument document;
  document.loadXML(workload.request(connection, repetition));
  std::vector<std::string> statements = capture.record([&] { workload.serve(login.get(), document); });
  check(document);
  if (!undoSql.empty()) undo(db::sqliteHandle(connection), undoSql);
  return statements;
}

// Runs each statement to its end, reading every value; answers the statements that failed.
std::string stepAll(sqlite3* handle, const std::vector<std::string>& statements) {
  std::string failed;
  for (const std::string& sql : statements) {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(handle, sql.c_str(), -1, &statement, nullptr);
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
      for (int column = 0; column < sqlite3_column_count(statement); ++column) {
        benchmark::DoNotOptimize(sqlite3_column_text(statement, column));
      }
    }
    if (rc != SQLITE_DONE) failed += sql + ": " + sqlite3_errmsg(handle) + "\n";
    sqlite3_finalize(statement);
  }
  return failed;
}

void undo(sqlite3* handle, const std::string& sql) {
  if (sqlite3_exec(handle, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
    throw std::runtime_error(std::string("cannot undo: ") + sqlite3_errmsg(handle));
  }
}

// Counts the served requests of the whole run, so that no two saves ask for the same number.
long gServedRepetition = 1;

void Served(benchmark::State& state, const Workload& workload) {
  gLocaleID = "zh-CN";
  auto login = served().logIn();
  db::Connection reader;
  reader.open(served().connectString());
  long& repetition = gServedRepetition;
  for (auto _ : state) {
    state.PauseTiming();
    XmlDocument document;
    document.loadXML(workload.request(reader, repetition++));
    state.ResumeTiming();
    workload.serve(login.get(), document);
    benchmark::DoNotOptimize(document);
  }
}

// Every write of a module row takes the company database's next row version.
constexpr const char* kRowVersion = "SELECT value FROM Corvane_RowVersion";

void Bare(benchmark::State& state, const Workload& workload) {
  const std::vector<std::string> statements = statementsOf(workload, 1);
  db::Connection bare;
  bare.open(served().connectString());
  const std::string undoSql = workload.undo ? workload.undo(bare) : std::string();
  sqlite3* handle = db::sqliteHandle(bare);
  const std::string versionBefore = scalar(bare, kRowVersion);
  if (const std::string failed = stepAll(handle, statements); !failed.empty()) {
    throw std::runtime_error("the bare statements fail:\n" + failed);
  }
  // A writing twin must write here too, not match no row of this account.
  if (!undoSql.empty() && scalar(bare, kRowVersion) == versionBefore) {
    throw std::runtime_error("the bare statements write nothing");
  }
  if (!undoSql.empty()) undo(handle, undoSql);
  for (auto _ : state) {
    stepAll(handle, statements);
    if (undoSql.empty()) continue;
    state.PauseTiming();
    undo(handle, undoSql);
    state.ResumeTiming();
  }
  state.SetLabel(std::to_string(statements.size()) + " statements");
  if (std::getenv("CORVANE_BENCH_SHOW_SQL") != nullptr) {
    for (const std::string& sql : statements) std::fprintf(stderr, "%s\n", sql.c_str());
  }
}

BENCHMARK_CAPTURE(Bare, OperationList, kList)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Served, OperationList, kList)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Bare, LoanRead, kLoanRead)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Served, LoanRead, kLoanRead)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Bare, Navigation, kNavigation)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Served, Navigation, kNavigation)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Bare, OperationEdit, kEdit)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Served, OperationEdit, kEdit)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Bare, LoanSave, kSave)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Served, LoanSave, kSave)->Unit(benchmark::kMicrosecond);

// ---- scale: the demo account against one with 1,000,000 more loans and 1,000,000 more claims
// (a line each), approved long ago as most vouchers are (the in-entry lists hold the few not yet
// submitted), generated inside SQLite. Row versions are set directly rather than by the insert
// triggers, which are made again afterwards as the schema has them.

std::string millionLoans() {
  return "DROP TRIGGER KX_LoanVouch_ts_insert;"
         "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000000) "
         "INSERT INTO KX_LoanVouch (GUID, strTypeCode, strVouchID, dtLoanDate, strDepartID, strLoanID, "
         "strItemClassID, strItemID, strBill, fltRate, dblMoney, dblOldMoney, strUsed, dtExpDate, strPersonID, "
         "blnAudi, strAuditorID, blnBegin, blnAllBill, ts) "
         "SELECT printf('{%08X-0000-4000-8000-%012X}', i, i), CASE i % 2 WHEN 0 THEN '301' ELSE '302' END, "
         "printf('BJ%09d', i), '2025-01-15 00:00:00', CASE i % 3 WHEN 0 THEN '0301' WHEN 1 THEN '02' ELSE '04' END, "
         "'0005', '01', 'P2601', '人民币', 1, 100 + i % 500, 100 + i % 500, 'bench', '2025-03-15 00:00:00', "
         "'李晓燕', 1, '周建国', 0, 0, 100000 + i FROM n;"
         "CREATE TRIGGER KX_LoanVouch_ts_insert AFTER INSERT ON KX_LoanVouch BEGIN "
         "UPDATE Corvane_RowVersion SET value = value + 1; "
         "UPDATE KX_LoanVouch SET ts = (SELECT value FROM Corvane_RowVersion) WHERE rowid = NEW.rowid; END;";
}

std::string millionClaims() {
  return "DROP TRIGGER KX_ExpenVouch_ts_insert; DROP TRIGGER KX_ExpenVouch_Sub_ts_insert;"
         "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000000) "
         "INSERT INTO KX_ExpenVouch (GUID, strTypeCode, strVouchID, dtLoanDate, strDepartID, strLoanID, "
         "strBill, fltRate, dblMoney, dblOldMoney, strUsed, strPersonID, blnAudi, intBudPass, strAuditorID, ts) "
         "SELECT printf('{%08X-0000-4000-9000-%012X}', i, i), CASE i % 2 WHEN 0 THEN '201' ELSE '202' END, "
         "printf('CB%09d', i), '2025-02-15 00:00:00', CASE i % 3 WHEN 0 THEN '0301' WHEN 1 THEN '02' ELSE '04' END, "
         "'0005', '人民币', 1, 50 + i % 700, 50 + i % 700, 'bench', '李晓燕', 1, 1, '周建国', 1200000 + i FROM n;"
         "INSERT INTO KX_ExpenVouch_Sub (MGuid, strIOItem, dblVouch, dblNumber, dblMoney, dblOldMoney, intAppend, ts) "
         "SELECT GUID, '202', dblMoney, 1, dblMoney, dblMoney, 1, 2300000 + AutoID FROM KX_ExpenVouch WHERE AutoID > 4;"
         "CREATE TRIGGER KX_ExpenVouch_ts_insert AFTER INSERT ON KX_ExpenVouch BEGIN "
         "UPDATE Corvane_RowVersion SET value = value + 1; "
         "UPDATE KX_ExpenVouch SET ts = (SELECT value FROM Corvane_RowVersion) WHERE rowid = NEW.rowid; END;"
         "CREATE TRIGGER KX_ExpenVouch_Sub_ts_insert AFTER INSERT ON KX_ExpenVouch_Sub BEGIN "
         "UPDATE Corvane_RowVersion SET value = value + 1; "
         "UPDATE KX_ExpenVouch_Sub SET ts = (SELECT value FROM Corvane_RowVersion) WHERE rowid = NEW.rowid; END;";
}

std::string millionVouchers() {
  return millionLoans() + millionClaims() + "UPDATE Corvane_RowVersion SET value = 4000000; ANALYZE;";
}

Account& demoAtScale(long loans) {
  static Account demo("scale-demo", encodeMinimal);
  static Account million("scale-million", encodeMinimal, millionVouchers());
  return loans == 0 ? demo : million;
}

void AtScale(benchmark::State& state, const Workload& workload) {
  gLocaleID = "zh-CN";
  Account& account = demoAtScale(state.range(0));
  auto login = account.logIn();
  db::Connection reader;
  reader.open(account.connectString());
  long& repetition = gServedRepetition;
  {
    XmlDocument first;
    first.loadXML(workload.request(reader, repetition++));
    workload.serve(login.get(), first);
    check(first);
  }
  state.SetLabel(scalar(reader, "SELECT count(*) FROM KX_LoanVouch") + " loans, " +
                 scalar(reader, "SELECT count(*) FROM KX_ExpenVouch") + " claims in all");
  for (auto _ : state) {
    state.PauseTiming();
    XmlDocument document;
    document.loadXML(workload.request(reader, repetition++));
    state.ResumeTiming();
    workload.serve(login.get(), document);
    benchmark::DoNotOptimize(document);
  }
}
void AtScaleBoth(benchmark::internal::Benchmark* benchmark) {
  benchmark->ArgName("vouchers")->Arg(0)->Arg(1000000)->Unit(benchmark::kMicrosecond);
}
BENCHMARK_CAPTURE(AtScale, LoanRead, kLoanRead)->Apply(AtScaleBoth);
BENCHMARK_CAPTURE(AtScale, LoanFirst, (Workload{serveLoan, navigationStep<0, 0>}))->Apply(AtScaleBoth);
BENCHMARK_CAPTURE(AtScale, LoanPrevious, (Workload{serveLoan, navigationStep<2, 2>}))->Apply(AtScaleBoth);
BENCHMARK_CAPTURE(AtScale, LoanNext, (Workload{serveLoan, navigationStep<1, 2>}))->Apply(AtScaleBoth);
BENCHMARK_CAPTURE(AtScale, LoanLast, (Workload{serveLoan, navigationStep<-1, 0>}))->Apply(AtScaleBoth);
BENCHMARK_CAPTURE(AtScale, LoanSave, kSave)->Apply(AtScaleBoth);
BENCHMARK_CAPTURE(AtScale, LoanSaveNumbered, (Workload{serveLoan, numberedSaveRequest}))->Apply(AtScaleBoth);
BENCHMARK_CAPTURE(AtScale, ClaimRead, (Workload{serveClaim, claimReadRequest}))->Apply(AtScaleBoth);
BENCHMARK_CAPTURE(AtScale, ClaimFirst, (Workload{serveClaim, navigationStep<0, 0>}))->Apply(AtScaleBoth);
BENCHMARK_CAPTURE(AtScale, ClaimPrevious, (Workload{serveClaim, navigationStep<2, 3>}))->Apply(AtScaleBoth);
BENCHMARK_CAPTURE(AtScale, ClaimNext, (Workload{serveClaim, navigationStep<1, 3>}))->Apply(AtScaleBoth);
BENCHMARK_CAPTURE(AtScale, ClaimLast, (Workload{serveClaim, navigationStep<-1, 0>}))->Apply(AtScaleBoth);
BENCHMARK_CAPTURE(AtScale, ClaimSave, (Workload{serveClaim, claimSaveRequest}))->Apply(AtScaleBoth);

// The list served by several threads at once, each with its own login (as the same user, or each
// as a user of its own, whose rights are rows of their own); requests per second.
std::string usersOfTheirOwn() {
  return "INSERT INTO vqsystem.UA_User (cUser_ID, cUser_Name, cPassword) "
         "SELECT 'bench' || n, 'bench', cPassword FROM vqsystem.UA_User, "
         "(WITH RECURSIVE k(n) AS (SELECT 0 UNION ALL SELECT n + 1 FROM k WHERE n < 7) SELECT n FROM k) "
         "WHERE cUser_ID = 'demo';"
         "INSERT INTO vqsystem.UA_Role (cUser_id, cgroup_id) SELECT cUser_ID, 'KXADMIN' FROM vqsystem.UA_User "
         "WHERE cUser_ID LIKE 'bench%';";
}

void ListInThreads(benchmark::State& state, bool userOfItsOwn) {
  static Account account("threads", encodeMinimal, usersOfTheirOwn());
  gLocaleID = "zh-CN";
  auto login = account.logIn(userOfItsOwn ? "bench" + std::to_string(state.thread_index()) : "demo");
  for (auto _ : state) {
    XmlDocument document;
    document.loadXML("<req><func name='get'/></req>");
    COperation().myHandle(login.get(), document);
    benchmark::DoNotOptimize(document);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK_CAPTURE(ListInThreads, SameUser, false)->ThreadRange(1, 8)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(ListInThreads, UserEach, true)->ThreadRange(1, 8)->UseRealTime()->Unit(benchmark::kMicrosecond);

// A login, as `corvane call` makes one per request, with the password hashed at each cost.
void LogIn(benchmark::State& state, const db::PasswordEncoder& encoder) {
  static std::unique_ptr<Account> account;
  account = std::make_unique<Account>("login", encoder);
  for (auto _ : state) benchmark::DoNotOptimize(account->logIn());
  account.reset();
}
BENCHMARK_CAPTURE(LogIn, MinimalHashCost, encodeMinimal)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LogIn, InteractiveHashCost, encodeInteractive)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvane

BENCHMARK_MAIN();
