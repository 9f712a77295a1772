// What a request costs in process, measured three ways in one run.
//
// Against its floor: each request served through its class as `corvane call` serves it (pooled
// connections, one login for the run; the time includes reading the request document and writing
// the reply), against the statements it ran (captured from every connection while it was served
// on a second, identical account) run by a program that keeps them prepared: each prepared once,
// its values bound again and stepped to its end on one connection, reading every value. Writing
// twins commit as the request does; between repetitions, outside the measured time, their change
// is undone so that each repeats the same work. The requests: the operation-type list, a loan
// read (head and lines), four navigation steps, an operation-type edit, a new loan and a new claim
// saved, a page of the loans awaiting approval, and a draft ledger voucher of an approved loan.
//
// As the clerk beside the administrator: the read, the navigation, the list page and the loan
// save as `clerk`, whose data rights narrow every one of them, against the same as `demo`.
//
// At scale: every voucher request on the demo account and on one grown inside SQLite by a million
// loans (a quarter of them awaiting approval in their flow, the rest approved) and a million
// claims, without statistics gathered by hand: reads, navigation, saves (with the client's number
// and with a number drawn again), the first and the last page of the loans awaiting approval (and
// the count of their keys alone, by the best index, on bare SQLite), a step of approval in the
// flow, a draft ledger voucher and a conversion into a ledger voucher. Approval and conversion
// take a voucher of their own each time.
//
// Then the list served by 1 to 8 threads at once, each with its own login, as one user or as a
// user each (requests per second), and what a login costs at each password hash cost. The run
// ends with a table of the ratios (processor time): served to floor, clerk to administrator,
// a million vouchers to the demo account.

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "BenchAccount.h"
#include "RunTimes.h"
#include "approval/CAudit.h"
#include "claims/CExpense.h"
#include "core/COperation.h"
#include "host/EmbeddedLoginContext.h"
#include "loans/CLoan.h"
#include "platform/com/Locale.h"
#include "platform/db/Connection.h"
#include "platform/db/ConnectionHandle.h"
#include "platform/db/ConnectionPool.h"
#include "platform/xml/XmlDocument.h"
#include "posting/CMakePZ.h"
#include "reports/CQuery.h"

namespace corvane {
namespace {

using namespace bench;

// ---- what the accounts hold beside the demo company

constexpr long kClerkLoans = 20;        // AutoID 4 to 23: the clerk's, within his rights
constexpr long kVoucherTargets = 3000;  // loans to approve and loans to post, each
constexpr long kFirstApprovalTarget = 4 + kClerkLoans;
constexpr long kFirstPostingTarget = kFirstApprovalTarget + kVoucherTargets;
constexpr const char* kClerkLoan = "4";

// Loans of the clerk's department, borrower, item and maker. `first` and `count` number them;
// `state` is the SQL of the columns blnAudi, strAuditorID.
std::string loansOfTheClerk(long first, long count, const std::string& prefix, const std::string& state) {
  return "WITH RECURSIVE n(i) AS (SELECT " + std::to_string(first) + " UNION ALL SELECT i + 1 FROM n WHERE i < " +
         std::to_string(first + count - 1) +
         ") INSERT INTO KX_LoanVouch (GUID, AutoID, strTypeCode, strVouchID, dtLoanDate, strDepartID, strLoanID, "
         "strItemClassID, strItemID, strBill, fltRate, dblMoney, dblOldMoney, strUsed, dtExpDate, strPersonID, "
         "blnAudi, "
         "intBudPass, strAuditorID, blnBegin, blnAllBill) "
         "SELECT printf('{%08X-0000-4000-A000-%012X}', i, i), i, '301', printf('" +
         prefix +
         "%08d', i), '2026-01-20 00:00:00', '0301', '0005', '01', 'P2601', '人民币', 1, 100 + i % 50, 100 + i % 50, "
         "'bench', '2026-03-20 00:00:00', '李晓燕', " +
         state +
         ", 0, 0 FROM n;"
         "INSERT INTO KX_LoanVouch_Sub (GUID, MGuid, strBalanceID, dblMoney) SELECT "
         "printf('{%08X-0000-4000-B000-%012X}', AutoID, AutoID), GUID, '1', dblMoney FROM KX_LoanVouch "
         "WHERE AutoID BETWEEN " +
         std::to_string(first) + " AND " + std::to_string(first + count - 1) + ";";
}

// The clerk's loans in entry; loans submitted and waiting for the first step of their flow, which
// the clerk may approve beside the administrator (so that he has a page of them to list); loans
// approved and free to post (with the posting settings of their type and cash lines).
std::string benchVouchers() {
  return loansOfTheClerk(4, kClerkLoans, "QJ", "0, 0, NULL") +
         loansOfTheClerk(kFirstApprovalTarget, kVoucherTargets, "SP", "1, 0, NULL") +
         "INSERT INTO ApprovalFlowInstances (cBillType, cBillGUID, cBillCode, cDocument, cSubmitter, iState) "
         "SELECT '45', GUID, strVouchID, '<EAdata/>', '李晓燕', 0 FROM KX_LoanVouch WHERE strVouchID LIKE 'SP%';"
         "INSERT INTO ApprovalFlowApprovers (cBillType, iStep, cUserID) VALUES ('45', 1, 'clerk');" +
         loansOfTheClerk(kFirstPostingTarget, kVoucherTargets, "PZ", "1, 1, 'demo'") +
         "INSERT INTO KX_PzSet_IO (strOperatType, strIOItemCode, strCurrency, strSubject) "
         "VALUES ('301', NULL, '人民币', '1221');"
         "INSERT INTO KX_PzSet_OP (strOperatType, strBalanceType, strBankID, strCurrency, strSubject) "
         "VALUES ('付款', '1', NULL, '人民币', '1001');";
}

Account& served() {
  static Account account("served", encodeMinimal, benchVouchers());
  return account;
}
Account& twin() {
  static Account account("twin", encodeMinimal, benchVouchers());
  return account;
}

// ---- the requests

std::string scalar(sqlite3* handle, const std::string& sql) {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(handle, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    throw std::runtime_error(std::string(sqlite3_errmsg(handle)) + " in: " + sql);
  }
  std::string value;
  if (sqlite3_step(statement) == SQLITE_ROW && sqlite3_column_text(statement, 0) != nullptr) {
    value = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
  }
  sqlite3_finalize(statement);
  return value;
}
std::string scalar(db::Connection& connection, const std::string& sql) {
  return scalar(db::sqliteHandle(connection), sql);
}

void execute(sqlite3* handle, const std::string& sql) {
  char* message = nullptr;
  if (sqlite3_exec(handle, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
    const std::string text = message != nullptr ? message : "";
    sqlite3_free(message);
    throw std::runtime_error(text + " in: " + sql.substr(0, 300));
  }
}

// What a request needs from the account it is served on: a reader for row versions, the run's
// repetition (so that no two saves ask for the same number, nor two approvals for the same loan)
// and the user.
struct RequestContext {
  db::Connection& reader;
  long repetition;
  std::string userName;
};

struct Workload {
  void (*serve)(LoginContext*, XmlDocument&);
  std::string (*request)(const RequestContext& context);
  // The SQL that undoes a repetition's change, read before it runs; empty for a read.
  std::string (*undo)(db::Connection& connection) = nullptr;
  // A draft leaves its table in tempdb for the client: it is dropped after each repetition.
  bool leavesDraftTable = false;
};

template <class RequestClass>
void serveWith(LoginContext* login, XmlDocument& document) {
  RequestClass().myHandle(login, document);
}

std::string listRequest(const RequestContext&) { return "<req><func name='get'/></req>"; }

std::string loanReadRequest(const RequestContext&) {
  return std::string("<req><func name='vchgetloanheaddata'><in><a AutoID='") + kClerkLoan +
         "'/></in></func><func name='vchgetloanbodydata'><in><a AutoID='" + kClerkLoan + "'/></in></func></req>";
}

std::string navigationRequest(const RequestContext&) {
  return std::string(
             "<req><func name='getVouchListID'><in><Director>0</Director><strAutoID/></in></func>"
             "<func name='getVouchListID'><in><Director>2</Director><strAutoID>") +
         kClerkLoan +
         "</strAutoID></in></func>"
         "<func name='getVouchListID'><in><Director>1</Director><strAutoID>" +
         kClerkLoan +
         "</strAutoID></in></func>"
         "<func name='getVouchListID'><in><Director>-1</Director><strAutoID/></in></func></req>";
}

std::string editRequest(const RequestContext& context) {
  const std::string ts = scalar(context.reader, "SELECT ts FROM KX_OperationType WHERE strCode='201'");
  return "<req><func name='edit'><in><rows><row P='2' strCode='201' ts='" + ts +
         "' intType='支出' strName='差旅费报销" + std::to_string(context.repetition % 2) +
         "' strShowID='31' strPrintID='32'/></rows></in></func></req>";
}

// A loan of `number` for the clerk's department and one of his borrowers, made by the user; its amount
// differs from one repetition to the next, as saves' amounts do.
std::string loanSave(const std::string& number, const RequestContext& context) {
  const std::string first = std::to_string(1000 + context.repetition % 9000);
  return "<req><func name='savevouch'><in><xml><head><z:row GUID='' strTypeCode='301' strVouchID='" + number +
         "' dtLoanDate='2026-03-15T00:00:00' strDepartID='0301' strLoanID='0004' strBill='人民币' fltRate='1' "
         "dblMoney='" +
         first + ".5' dblOldMoney='" + first + ".5' strUsed='bench' strPersonID='" + context.userName +
         "'/></head><body><z:row strBalanceID='1' dblMoney='" + first +
         "'/><z:row strBalanceID='1' dblMoney='0.5'/></body></xml></in></func></req>";
}

std::string saveRequest(const RequestContext& context) {
  char number[16];
  std::snprintf(number, sizeof number, "JB%010ld", context.repetition);
  return loanSave(number, context);
}

// A number already taken: the save draws the next free one from the card's numbering.
std::string numberedSaveRequest(const RequestContext& context) { return loanSave("JK2026010001", context); }

std::string claimSaveRequest(const RequestContext& context) {
  char number[16];
  std::snprintf(number, sizeof number, "CS%010ld", context.repetition);
  const std::string amount = std::to_string(100 + context.repetition % 900);
  return std::string("<req><func name='savevouch'><in><xml><head><z:row GUID='' strTypeCode='202' strVouchID='") +
         number +
         "' dtLoanDate='2026-03-15T00:00:00' strDepartID='02' strLoanID='0003' strBill='人民币' fltRate='1' "
         "dblMoney='" +
         amount + "' dblOldMoney='" + amount + "' strUsed='bench' strPersonID='" + context.userName +
         "'/></head><body><z:row strIOItem='202' dblMoney='" + amount + "'/></body></xml></in></func></req>";
}

std::string claimReadRequest(const RequestContext&) {
  return "<req><func name='vchgetloanheaddata'><in><a AutoID='3'/></in></func>"
         "<func name='vchgetloanbodydata'><in><a AutoID='3'/></in></func></req>";
}

// One navigation step: Director 0 first, 2 previous, 1 next, -1 last (from `autoId`, 0 for none).
template <int director, int autoId>
std::string navigationStep(const RequestContext&) {
  return "<req><func name='getVouchListID'><in><Director>" + std::to_string(director) + "</Director><strAutoID>" +
         (autoId == 0 ? std::string() : std::to_string(autoId)) + "</strAutoID></in></func></req>";
}

// A page of 20 of the loans awaiting approval: the first, or the last (a page number past the end).
template <bool last>
std::string awaitingPageRequest(const RequestContext&) {
  return std::string("<req><func name='listloandata'><in><page><current>") + (last ? "999999999" : "0") +
         "</current><rows>20</rows></page><cond/><auditcond auditcondition='0'/></in></func></req>";
}

std::string voucherRow(const RequestContext& context, long autoId) {
  const std::string id = std::to_string(autoId);
  return "strtypecode='301' guid='" + scalar(context.reader, "SELECT GUID FROM KX_LoanVouch WHERE AutoID = " + id) +
         "' strvouchid='" + scalar(context.reader, "SELECT strVouchID FROM KX_LoanVouch WHERE AutoID = " + id) +
         "' ts='" + scalar(context.reader, "SELECT ts FROM KX_LoanVouch WHERE AutoID = " + id) + "'";
}

// The draft ledger voucher of the last loan to post, which no conversion of the run reaches.
std::string draftRequest(const RequestContext& context) {
  const std::string row = "<row " + voucherRow(context, kFirstPostingTarget + kVoucherTargets - 1) + "/>";
  return "<req><func name='makepz'><in><pztype>记</pztype><pzdate>2026-01-31</pzdate><blnTemp>1</blnTemp><rows>" + row +
         "</rows></in></func></req>";
}

void dropDraftTables(sqlite3* handle) {
  std::string drops;
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(handle, "SELECT name FROM tempdb.sqlite_master WHERE name LIKE 'vqtmp%'", -1, &statement, nullptr);
  while (sqlite3_step(statement) == SQLITE_ROW) {
    drops +=
        std::string("DROP TABLE tempdb.\"") + reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)) + "\";";
  }
  sqlite3_finalize(statement);
  execute(handle, drops);
}

long target(const RequestContext& context, long first) {
  if (context.repetition >= kVoucherTargets) throw std::runtime_error("the run used up its vouchers");
  return first + context.repetition;
}

// The first step of its flow approved for the next loan waiting.
std::string approvalRequest(const RequestContext& context) {
  const std::string id = std::to_string(target(context, kFirstApprovalTarget));
  const std::string guid = scalar(context.reader, "SELECT GUID FROM KX_LoanVouch WHERE AutoID = " + id);
  return "<req><func name='AuditVouch'><in><EASTdata><task EAAID='1' remark='bench'/></EASTdata><strGUID>"
         "<Rows flag='1'><row strGUID='" +
         guid + "' ts='" + scalar(context.reader, "SELECT ts FROM KX_LoanVouch WHERE AutoID = " + id) +
         "' strType='KX03' strVouchID='" +
         scalar(context.reader, "SELECT strVouchID FROM KX_LoanVouch WHERE AutoID = " + id) +
         "'/></Rows></strGUID></in></func></req>";
}

// The next loan to post, converted into a ledger voucher.
std::string conversionRequest(const RequestContext& context) {
  const std::string row = "<row " + voucherRow(context, target(context, kFirstPostingTarget)) + "/>";
  return "<req><func name='makepz'><in><pztype>记</pztype><pzdate>2026-01-31</pzdate><blnTemp>0</blnTemp><rows>" + row +
         "</rows><daily>" + row + "</daily></in></func></req>";
}

std::string undoEdit(db::Connection& connection) {
  return "UPDATE KX_OperationType SET ts=" + scalar(connection, "SELECT ts FROM KX_OperationType WHERE strCode='201'") +
         " WHERE strCode='201'";
}

std::string undoSave(db::Connection&) {
  return "DELETE FROM KX_LoanVouch_Sub WHERE MGuid IN (SELECT GUID FROM KX_LoanVouch WHERE strVouchID='JB0000000001');"
         "DELETE FROM KX_LoanVouch WHERE strVouchID='JB0000000001'";
}

std::string undoClaimSave(db::Connection&) {
  return "DELETE FROM KX_ExpenVouch_Sub WHERE MGuid IN (SELECT GUID FROM KX_ExpenVouch WHERE "
         "strVouchID='CS0000000001');"
         "DELETE FROM KX_ExpenVouch WHERE strVouchID='CS0000000001'";
}

const Workload kList{serveWith<COperation>, listRequest};
const Workload kLoanRead{serveWith<CLoan>, loanReadRequest};
const Workload kNavigation{serveWith<CLoan>, navigationRequest};
const Workload kEdit{serveWith<COperation>, editRequest, undoEdit};
const Workload kSave{serveWith<CLoan>, saveRequest, undoSave};
const Workload kClaimSave{serveWith<CExpense>, claimSaveRequest, undoClaimSave};
const Workload kListPage{serveWith<CQuery>, awaitingPageRequest<false>};
const Workload kDraft{serveWith<CMakePZ>, draftRequest, nullptr, true};

void check(const std::string& reply) {
  const bool answered = reply.find("<out/>") != std::string::npos || reply.find("<out>") != std::string::npos;
  if (!answered || reply.find("Corvane:") != std::string::npos || reply.find("<error") != std::string::npos) {
    throw std::runtime_error("the request failed: " + reply.substr(0, 2000));
  }
}

std::string userName(const std::string& user) { return user == "clerk" ? "李晓燕" : "周建国"; }

// Counts the served requests of the whole run, so that no two saves ask for the same number; the
// first number is the floor's, whose change is undone.
long gServedRepetition = 2;

// Serves one request as `corvane call` does: the document read, served and written out. Never
// inlined, so that a profiler can collect inside it alone.
[[gnu::noinline]] std::string serveText(const Workload& workload, LoginContext* login, const std::string& text) {
  XmlDocument document;
  document.loadXML(text);
  workload.serve(login, document);
  return document.xml();
}

// ---- against the floor

void Served(benchmark::State& state, const Workload& workload, const char* user) {
  gLocaleID = "zh-CN";
  auto login = served().logIn(user);
  db::Connection reader;
  reader.open(served().connectString());
  long& repetition = gServedRepetition;
  check(serveText(workload, login.get(), workload.request({reader, repetition++, userName(user)})));
  for (auto _ : state) {
    state.PauseTiming();
    const std::string text = workload.request({reader, repetition++, userName(user)});
    if (workload.leavesDraftTable) dropDraftTables(db::sqliteHandle(reader));
    state.ResumeTiming();
    benchmark::DoNotOptimize(serveText(workload, login.get(), text));
  }
}

// The statements one request runs, served on the twin account by a login made while capturing;
// its change is undone afterwards, so that every capture records the same work.
std::vector<CapturedStatement> statementsOf(const Workload& workload, const char* user) {
  StatementCapture capture;
  auto login = twin().logIn(user);
  db::Connection connection;
  connection.open(twin().connectString());
  const std::string undoSql = workload.undo ? workload.undo(connection) : std::string();
  const std::string text = workload.request({connection, 1, userName(user)});
  std::string reply;
  std::vector<CapturedStatement> statements = capture.record([&] { reply = serveText(workload, login.get(), text); });
  check(reply);
  if (!undoSql.empty()) execute(db::sqliteHandle(connection), undoSql);
  if (workload.leavesDraftTable) dropDraftTables(db::sqliteHandle(connection));
  return statements;
}

// Every write of a module row takes the company database's next row version.
constexpr const char* kRowVersion = "SELECT value FROM Corvane_RowVersion";

void Floor(benchmark::State& state, const Workload& workload, const char* user) {
  const std::vector<CapturedStatement> captured = statementsOf(workload, user);
  // As many connections as the request used: its own, the login's, the row rights'.
  std::array<db::Connection, 3> connections;
  std::vector<sqlite3*> handles;
  for (db::Connection& connection : connections) {
    connection.open(served().connectString());
    handles.push_back(db::sqliteHandle(connection));
  }
  db::Connection& bare = connections.front();
  sqlite3* handle = handles.front();
  PreparedStatements statements(handles, captured);
  const std::string undoSql = workload.undo ? workload.undo(bare) : std::string();
  const auto undo = [&] {
    if (!undoSql.empty()) execute(handle, undoSql);
    if (workload.leavesDraftTable) dropDraftTables(handle);
  };
  const bool writes = !undoSql.empty() || workload.leavesDraftTable;
  if (workload.leavesDraftTable) dropDraftTables(handle);  // one left by the served twin
  const std::string versionBefore = scalar(bare, kRowVersion);
  if (const std::string failed = statements.run(); !failed.empty()) {
    throw std::runtime_error("the bare statements fail:\n" + failed);
  }
  // A writing twin must write here too, not match no row of this account.
  if (!undoSql.empty() && scalar(bare, kRowVersion) == versionBefore) {
    throw std::runtime_error("the bare statements write nothing");
  }
  undo();
  for (auto _ : state) {
    statements.run();
    if (!writes) continue;
    state.PauseTiming();
    undo();
    state.ResumeTiming();
  }
  state.SetLabel(std::to_string(statements.size()) + " statements");
  if (std::getenv("CORVANE_BENCH_SHOW_SQL") != nullptr) {
    for (const CapturedStatement& statement : captured) std::fprintf(stderr, "%s\n", statement.expanded.c_str());
  }
  if (std::getenv("CORVANE_BENCH_EACH_STATEMENT") != nullptr) statements.printEachReadingStatement(2000);
}

// CORVANE_BENCH_ITERATIONS=n repeats each request n times rather than as often as the library
// decides, so that a profiler counts the same work in every run.
void iterationsWhenAsked(benchmark::internal::Benchmark* benchmark) {
  const char* iterations = std::getenv("CORVANE_BENCH_ITERATIONS");
  if (iterations != nullptr && std::atol(iterations) > 0) benchmark->Iterations(std::atol(iterations));
}

#define AGAINST_THE_FLOOR(name, workload, user)                                                                      \
  BENCHMARK_CAPTURE(Floor, name / user, workload, #user)->Unit(benchmark::kMicrosecond)->Apply(iterationsWhenAsked); \
  BENCHMARK_CAPTURE(Served, name / user, workload, #user)->Unit(benchmark::kMicrosecond)->Apply(iterationsWhenAsked)

AGAINST_THE_FLOOR(OperationList, kList, demo);
AGAINST_THE_FLOOR(LoanRead, kLoanRead, demo);
AGAINST_THE_FLOOR(LoanRead, kLoanRead, clerk);
AGAINST_THE_FLOOR(Navigation, kNavigation, demo);
AGAINST_THE_FLOOR(Navigation, kNavigation, clerk);
AGAINST_THE_FLOOR(OperationEdit, kEdit, demo);
AGAINST_THE_FLOOR(LoanSave, kSave, demo);
AGAINST_THE_FLOOR(LoanSave, kSave, clerk);
AGAINST_THE_FLOOR(ClaimSave, kClaimSave, demo);
AGAINST_THE_FLOOR(ListPage, kListPage, demo);
AGAINST_THE_FLOOR(ListPage, kListPage, clerk);
AGAINST_THE_FLOOR(Draft, kDraft, demo);

// ---- at scale: the demo account against one with 1,000,000 more loans and 1,000,000 more claims
// (a line each), generated inside SQLite after the bench's own vouchers. A quarter of the loans
// wait for the first approver of their flow, the rest are approved; the claims are approved. Row
// versions are set directly rather than by the insert triggers, which are made again afterwards
// as the schema has them. No statistics are gathered here: what the planner needs, the product
// must see to itself.

std::string millionLoans() {
  return "DROP TRIGGER KX_LoanVouch_ts_insert; DROP TRIGGER KX_LoanVouch_Sub_ts_insert;"
         "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000000) "
         "INSERT INTO KX_LoanVouch (GUID, strTypeCode, strVouchID, dtLoanDate, strDepartID, strLoanID, "
         "strItemClassID, strItemID, strBill, fltRate, dblMoney, dblOldMoney, strUsed, dtExpDate, strPersonID, "
         "blnAudi, intBudPass, strAuditorID, blnBegin, blnAllBill, ts) "
         "SELECT printf('{%08X-0000-4000-8000-%012X}', i, i), CASE i % 2 WHEN 0 THEN '301' ELSE '302' END, "
         "printf('BJ%09d', i), '2025-01-15 00:00:00', CASE i % 3 WHEN 0 THEN '0301' WHEN 1 THEN '02' ELSE '04' END, "
         "'0005', '01', 'P2601', '人民币', 1, 100 + i % 500, 100 + i % 500, 'bench', '2025-03-15 00:00:00', "
         "'李晓燕', 1, CASE WHEN i % 4 = 0 THEN 0 ELSE 1 END, CASE WHEN i % 4 = 0 THEN NULL ELSE 'demo' END, 0, 0, "
         "100000 + i FROM n;"
         "INSERT INTO KX_LoanVouch_Sub (GUID, MGuid, strBalanceID, dblMoney, ts) "
         "SELECT printf('{%08X-0000-4000-C000-%012X}', AutoID, AutoID), GUID, '1', dblMoney, 5000000 + AutoID "
         "FROM KX_LoanVouch WHERE strVouchID LIKE 'BJ%';"
         "INSERT INTO ApprovalFlowInstances (cBillType, cBillGUID, cBillCode, cDocument, cSubmitter, iState) "
         "SELECT '45', GUID, strVouchID, '<EAdata/>', '李晓燕', CASE WHEN strAuditorID IS NULL THEN 0 ELSE 2 END "
         "FROM KX_LoanVouch WHERE strVouchID LIKE 'BJ%';"
         "CREATE TRIGGER KX_LoanVouch_ts_insert AFTER INSERT ON KX_LoanVouch BEGIN "
         "UPDATE Corvane_RowVersion SET value = value + 1; "
         "UPDATE KX_LoanVouch SET ts = (SELECT value FROM Corvane_RowVersion) WHERE rowid = NEW.rowid; END;"
         "CREATE TRIGGER KX_LoanVouch_Sub_ts_insert AFTER INSERT ON KX_LoanVouch_Sub BEGIN "
         "UPDATE Corvane_RowVersion SET value = value + 1; "
         "UPDATE KX_LoanVouch_Sub SET ts = (SELECT value FROM Corvane_RowVersion) WHERE rowid = NEW.rowid; END;";
}

std::string millionClaims() {
  return "DROP TRIGGER KX_ExpenVouch_ts_insert; DROP TRIGGER KX_ExpenVouch_Sub_ts_insert;"
         "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000000) "
         "INSERT INTO KX_ExpenVouch (GUID, strTypeCode, strVouchID, dtLoanDate, strDepartID, strLoanID, "
         "strBill, fltRate, dblMoney, dblOldMoney, strUsed, strPersonID, blnAudi, intBudPass, strAuditorID, ts) "
         "SELECT printf('{%08X-0000-4000-9000-%012X}', i, i), CASE i % 2 WHEN 0 THEN '201' ELSE '202' END, "
         "printf('CB%09d', i), '2025-02-15 00:00:00', CASE i % 3 WHEN 0 THEN '0301' WHEN 1 THEN '02' ELSE '04' END, "
         "'0005', '人民币', 1, 50 + i % 700, 50 + i % 700, 'bench', '李晓燕', 1, 1, 'demo', 1200000 + i FROM n;"
         "INSERT INTO KX_ExpenVouch_Sub (MGuid, strIOItem, dblVouch, dblNumber, dblMoney, dblOldMoney, intAppend, ts) "
         "SELECT GUID, '202', dblMoney, 1, dblMoney, dblMoney, 1, 2300000 + AutoID FROM KX_ExpenVouch WHERE AutoID > 4;"
         "CREATE TRIGGER KX_ExpenVouch_ts_insert AFTER INSERT ON KX_ExpenVouch BEGIN "
         "UPDATE Corvane_RowVersion SET value = value + 1; "
         "UPDATE KX_ExpenVouch SET ts = (SELECT value FROM Corvane_RowVersion) WHERE rowid = NEW.rowid; END;"
         "CREATE TRIGGER KX_ExpenVouch_Sub_ts_insert AFTER INSERT ON KX_ExpenVouch_Sub BEGIN "
         "UPDATE Corvane_RowVersion SET value = value + 1; "
         "UPDATE KX_ExpenVouch_Sub SET ts = (SELECT value FROM Corvane_RowVersion) WHERE rowid = NEW.rowid; END;";
}

Account& accountAtScale(long vouchers) {
  static Account demo("scale-demo", encodeMinimal, benchVouchers());
  static Account million(
      "scale-million", encodeMinimal,
      benchVouchers() + millionLoans() + millionClaims() + "UPDATE Corvane_RowVersion SET value = 8000000;");
  return vouchers == 0 ? demo : million;
}

// Each request at scale counts its repetitions per account, so that approval and conversion take
// the same vouchers on both.
std::map<std::pair<const Workload*, long>, long> gScaleRepetitions;

void AtScale(benchmark::State& state, const Workload& workload) {
  gLocaleID = "zh-CN";
  Account& account = accountAtScale(state.range(0));
  auto login = account.logIn();
  db::Connection reader;
  reader.open(account.connectString());
  long& repetition = gScaleRepetitions[{&workload, state.range(0)}];
  check(serveText(workload, login.get(), workload.request({reader, repetition++, userName("demo")})));
  state.SetLabel(scalar(reader, "SELECT count(*) FROM KX_LoanVouch") + " loans, " +
                 scalar(reader, "SELECT count(*) FROM KX_ExpenVouch") + " claims in all");
  for (auto _ : state) {
    state.PauseTiming();
    const std::string text = workload.request({reader, repetition++, userName("demo")});
    if (workload.leavesDraftTable) dropDraftTables(db::sqliteHandle(reader));
    state.ResumeTiming();
    benchmark::DoNotOptimize(serveText(workload, login.get(), text));
  }
}
void AtScaleBoth(benchmark::internal::Benchmark* benchmark) {
  benchmark->ArgName("vouchers")->Arg(0)->Arg(1000000)->Unit(benchmark::kMicrosecond)->Apply(iterationsWhenAsked);
}

const Workload kClaimRead{serveWith<CExpense>, claimReadRequest};
const Workload kApproval{serveWith<CAudit>, approvalRequest};
const Workload kConversion{serveWith<CMakePZ>, conversionRequest};

BENCHMARK_CAPTURE(AtScale, LoanRead, kLoanRead)->Apply(AtScaleBoth);
BENCHMARK_CAPTURE(AtScale, LoanFirst, (Workload{serveWith<CLoan>, navigationStep<0, 0>}))->Apply(AtScaleBoth);
BENCHMARK_CAPTURE(AtScale, LoanPrevious, (Workload{serveWith<CLoan>, navigationStep<2, 4>}))->Apply(AtScaleBoth);
BENCHMARK_CAPTURE(AtScale, LoanNext, (Workload{serveWith<CLoan>, navigationStep<1, 4>}))->Apply(AtScaleBoth);
BENCHMARK_CAPTURE(AtScale, LoanLast, (Workload{serveWith<CLoan>, navigationStep<-1, 0>}))->Apply(AtScaleBoth);
BENCHMARK_CAPTURE(AtScale, LoanSave, kSave)->Apply(AtScaleBoth);
BENCHMARK_CAPTURE(AtScale, LoanSaveNumbered, (Workload{serveWith<CLoan>, numberedSaveRequest}))->Apply(AtScaleBoth);
BENCHMARK_CAPTURE(AtScale, ClaimRead, kClaimRead)->Apply(AtScaleBoth);
BENCHMARK_CAPTURE(AtScale, ClaimFirst, (Workload{serveWith<CExpense>, navigationStep<0, 0>}))->Apply(AtScaleBoth);
BENCHMARK_CAPTURE(AtScale, ClaimPrevious, (Workload{serveWith<CExpense>, navigationStep<2, 3>}))->Apply(AtScaleBoth);
BENCHMARK_CAPTURE(AtScale, ClaimNext, (Workload{serveWith<CExpense>, navigationStep<1, 3>}))->Apply(AtScaleBoth);
BENCHMARK_CAPTURE(AtScale, ClaimLast, (Workload{serveWith<CExpense>, navigationStep<-1, 0>}))->Apply(AtScaleBoth);
BENCHMARK_CAPTURE(AtScale, ClaimSave, kClaimSave)->Apply(AtScaleBoth);
BENCHMARK_CAPTURE(AtScale, ListPageFirst, kListPage)->Apply(AtScaleBoth);
BENCHMARK_CAPTURE(AtScale, ListPageLast, (Workload{serveWith<CQuery>, awaitingPageRequest<true>}))->Apply(AtScaleBoth);
BENCHMARK_CAPTURE(AtScale, Approval, kApproval)->Apply(AtScaleBoth);
BENCHMARK_CAPTURE(AtScale, Draft, kDraft)->Apply(AtScaleBoth);
BENCHMARK_CAPTURE(AtScale, Conversion, kConversion)->Apply(AtScaleBoth);

// The count of the keys of the loans awaiting approval (but those their flow sent back), as a
// program would count them on bare SQLite by the best index it could make for them: one that holds
// those vouchers alone and all it reads of them. The list page's own count must come near it.
void AwaitingKeyCount(benchmark::State& state) {
  Account& account = accountAtScale(state.range(0));
  db::Connection bare;
  bare.open(account.connectString());
  sqlite3* handle = db::sqliteHandle(bare);
  execute(handle,
          "CREATE INDEX IF NOT EXISTS bench_awaiting ON KX_LoanVouch (blnAudi, AutoID, strAuditorID, GUID) "
          "WHERE blnAudi = 1 AND ifnull(strAuditorID, '') = ''");
  const std::string count =
      "SELECT count(*) FROM KX_LoanVouch INDEXED BY bench_awaiting WHERE blnAudi = 1 AND ifnull(strAuditorID, '') = '' "
      "AND GUID NOT IN (SELECT cBillGUID FROM ApprovalFlowInstances WHERE cBillType IN ('45') AND iState = 3)";
  const std::vector<CapturedStatement> statements{{count, count}};
  {
    PreparedStatements prepared({handle}, statements);
    state.SetLabel(scalar(handle, count) + " keys");
    for (auto _ : state) prepared.run();
  }
  execute(handle, "DROP INDEX bench_awaiting");
}
BENCHMARK(AwaitingKeyCount)->Apply(AtScaleBoth);

// ---- the list served by several threads at once, each with its own login (as the same user, or
// each as a user of its own, whose rights are rows of their own); requests per second.

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
  for (auto _ : state) benchmark::DoNotOptimize(serveText(kList, login.get(), "<req><func name='get'/></req>"));
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

// ---- the table of ratios at the end of the run

class RatioReporter : public RunTimesReporter {
 public:
  RatioReporter() : RunTimesReporter(Clock::Processor) {}

  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\nprocessor time ratios\n");
    for (const auto& [name, time] : times()) {
      if (name.rfind("Served/", 0) == 0) {
        const std::string rest = name.substr(7);
        printRatio("served / floor    " + rest, time, "Floor/" + rest);
        if (rest.size() > 6 && rest.compare(rest.size() - 6, 6, "/clerk") == 0) {
          printRatio("clerk / demo      " + rest.substr(0, rest.size() - 6), time,
                     "Served/" + rest.substr(0, rest.size() - 6) + "/demo");
        }
      }
      const std::string million = "/vouchers:1000000";
      if (name.size() > million.size() && name.compare(name.size() - million.size(), million.size(), million) == 0) {
        const std::string base = name.substr(0, name.size() - million.size());
        printRatio("1M / demo         " + base, time, base + "/vouchers:0");
        if (base == "AtScale/ListPageFirst" || base == "AtScale/ListPageLast") {
          printRatio("page / key count  " + base + " at 1M", time, "AwaitingKeyCount" + million);
        }
      }
    }
  }

 private:
  void printRatio(const std::string& what, double time, const std::string& against) const {
    const double other = timeOf(against);
    if (other <= 0) return;
    std::printf("%-60s %10.1f us %10.1f us %6.2fx\n", what.c_str(), time, other, time / other);
  }
};

}  // namespace
}  // namespace corvane

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  corvane::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
