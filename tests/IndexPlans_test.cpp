// The plans SQLite makes for the statements that the account's expression and partial indexes are
// there for. Requests are served on the demo account while every statement they run is recorded;
// the statement a case is about is found by a piece of its text, and its plan must search the
// table by the index named (an index SQLite cannot match to the statement, as its expression or
// condition is written otherwise, is passed over silently and the statement scans the table). No
// statistics are gathered: the plans are those a new account gets.
//
// Every expression or partial index of the account is either named by a case or listed as one
// that only keeps its rows unique, so that a new one comes with the statement it serves.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "app/ClassTable.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/ConnectionHandle.h"
#include "platform/db/ConnectionPool.h"
#include "platform/db/Recordset.h"
#include "platform/xml/XmlDocument.h"
#include "support/CaseAccount.h"

namespace corvane {
namespace {

// ---- the statements of every connection opened while a recording lives

std::mutex gRecordedMutex;
std::vector<std::string>* gRecorded = nullptr;

int recordStatement(unsigned, void*, void* statement, void* text) {
  const std::lock_guard lock(gRecordedMutex);
  if (gRecorded == nullptr || std::string_view(static_cast<const char*>(text)).starts_with("--")) return 0;
  char* sql = sqlite3_expanded_sql(static_cast<sqlite3_stmt*>(statement));
  if (sql != nullptr) gRecorded->push_back(sql);
  sqlite3_free(sql);
  return 0;
}

int traceConnection(sqlite3* handle, const char**, const sqlite3_api_routines*) {
  sqlite3_trace_v2(handle, SQLITE_TRACE_STMT, recordStatement, nullptr);
  return SQLITE_OK;
}

class Recording {
 public:
  Recording() {
    db::ConnectionPool::shared().clear();  // connections opened before are not traced
    sqlite3_auto_extension(reinterpret_cast<void (*)()>(traceConnection));
    const std::lock_guard lock(gRecordedMutex);
    gRecorded = &statements_;
  }
  ~Recording() {
    {
      const std::lock_guard lock(gRecordedMutex);
      gRecorded = nullptr;
    }
    sqlite3_cancel_auto_extension(reinterpret_cast<void (*)()>(traceConnection));
    db::ConnectionPool::shared().clear();
  }
  Recording(const Recording&) = delete;
  Recording& operator=(const Recording&) = delete;

  std::vector<std::string> statements() const {
    const std::lock_guard lock(gRecordedMutex);
    return statements_;
  }

 private:
  std::vector<std::string> statements_;
};

// ---- the cases

constexpr const char* kLoan1 = "{3A6F0C21-5B1E-4C8A-9D01-000000000001}";  // approved, not posted

struct Request {
  const char* progId;
  std::string text;
};

struct Case {
  const char* what;
  const char* marker;  // a piece of the statement's text that tells it from the request's others
  const char* index;   // the index its plan must search by
};

// Indexes that only keep their rows unique (a kind's numbers, a posting setting per operation
// type, item and currency, nulls counting as one value); the statements reading these tables go
// by other columns.
const std::set<std::string> kUniquenessOnly = {"IX_KX_ExpenVouch", "IX_KX_PzSet_IO", "IX_KX_PzSet_OP"};

class IndexPlans : public ::testing::Test {
 protected:
  void SetUp() override {
    account_.execute("UPDATE KX_LoanVouch SET blnAudi = 1 WHERE AutoID = 2");  // awaiting approval
    account_.execute(
        "INSERT INTO KX_PzSet_IO (strOperatType, strIOItemCode, strCurrency, strSubject) "
        "VALUES ('301', NULL, '人民币', '1221')");
    account_.execute(
        "INSERT INTO KX_PzSet_OP (strOperatType, strBalanceType, strBankID, strCurrency, strSubject) "
        "VALUES ('付款', '1', NULL, '人民币', '1001'), ('付款', '3', NULL, '人民币', '1002')");
  }

  // The statements `requests` run, served in turn as the administrator.
  std::vector<std::string> statementsOf(const std::vector<Request>& requests) {
    const Recording recording;
    const auto login = account_.logIn("demo", "zh-CN", DateTime{2026, 1, 31});
    for (const Request& request : requests) {
      XmlDocument document;
      EXPECT_TRUE(document.loadXML(request.text));
      StandardClasses().create(request.progId)->myHandle(login.get(), document);
      EXPECT_EQ(document.xml().find("<error>"), std::string::npos) << document.xml();
    }
    return recording.statements();
  }

  std::string planOf(const std::string& sql) {
    db::Connection connection;
    connection.open(account_.connectString());
    sqlite3_stmt* statement = nullptr;
    const std::string explain = "EXPLAIN QUERY PLAN " + sql;
    if (sqlite3_prepare_v2(db::sqliteHandle(connection), explain.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
      return std::string("cannot explain: ") + sqlite3_errmsg(db::sqliteHandle(connection));
    }
    std::string plan;
    while (sqlite3_step(statement) == SQLITE_ROW) {
      plan += reinterpret_cast<const char*>(sqlite3_column_text(statement, 3));
      plan += "\n";
    }
    sqlite3_finalize(statement);
    return plan;
  }

  std::string loanTs() {
    db::Connection connection;
    connection.open(account_.connectString());
    db::Recordset rs;
    rs.open("SELECT Cast(ts As Money) FROM KX_LoanVouch WHERE GUID = '" + std::string(kLoan1) + "'", connection);
    return CStr(rs.field(0).value());
  }

  CaseAccount account_;
};

TEST_F(IndexPlans, TheStatementsAnIndexIsForSearchByIt) {
  const std::string loan =
      "strtypecode='301' guid='" + std::string(kLoan1) + "' strvouchid='JK2026010001' ts='" + loanTs() + "'";
  const std::vector<std::string> statements = statementsOf({
      {"Corvane.CExpense",
       "<req><func name='savevouch'><in><xml><head><z:row GUID='' strTypeCode='202' strVouchID='BX2026019901'"
       " dtLoanDate='2026-01-31T00:00:00' strDepartID='02' strLoanID='0003' strBill='人民币' fltRate='1'"
       " dblMoney='80' dblOldMoney='80' strUsed='plans' strPersonID='周建国'/></head><body>"
       "<z:row strIOItem='202' dblMoney='80'/></body></xml></in></func></req>"},
      {"Corvane.CLoan",
       "<req><func name='getVouchListID'><in><Director>1</Director><strAutoID>1</strAutoID></in></func></req>"},
      {"Corvane.CExpense",
       "<req><func name='getVouchListID'><in><Director>1</Director><strAutoID>1</strAutoID></in></func></req>"},
      {"Corvane.CQuery",
       "<req><func name='listloandata'><in><page><current>0</current><rows>20</rows></page><cond/>"
       "<auditcond auditcondition='0'/></in></func></req>"},
      {"Corvane.CQuery",
       "<req><func name='listrepaydata'><in><page><current>0</current><rows>20</rows></page><cond/>"
       "<auditcond auditcondition='0'/></in></func></req>"},
      {"Corvane.CMakePZ",
       "<req><func name='makepz'><in><pztype>记</pztype><pzdate>2026-01-31</pzdate><blnTemp>0</blnTemp><rows><row " +
           loan + "/></rows><daily><row " + loan + "/></daily></in></func></req>"},
  });
  const Case cases[] = {
      {"the claim number check", "FROM KX_ExpenVouch WHERE strVouchID = ", "IX_KX_ExpenVouch_strVouchID"},
      {"the loan in entry before one", "max(AutoID) AS \"AutoID\" FROM KX_LoanVouch", "IX_KX_LoanVouch_entry"},
      // The index of the submitted vouchers holds all this one reads of them.
      {"the claim in entry before one", "max(AutoID) AS \"AutoID\" FROM KX_ExpenVouch", "IX_KX_ExpenVouch_audit"},
      {"the claims in entry", "FROM KX_ExpenVouch WHERE blnAudi = 0 AND ifnull(strAuditorID, '') = '' ORDER BY",
       "IX_KX_ExpenVouch_entry"},
      {"the count of the loans awaiting approval", "AS \"keycount\" FROM kx_loanvouch", "IX_KX_LoanVouch_awaiting"},
      {"the count of the claims awaiting approval", "AS \"keycount\" FROM kx_expenvouch", "IX_KX_ExpenVouch_awaiting"},
      {"the vouchers sent back by their flow", "AS \"keycount\" FROM kx_loanvouch", "IX_ApprovalFlowInstances_state"},
      {"the loans of a new ledger voucher", "WHERE kx_loanvouch.pzguid = ", "IX_KX_LoanVouch_PZGUID"},
      {"the claims of a new ledger voucher", "WHERE kx_loanvouch.pzguid = ", "IX_KX_ExpenVouch_PZGUID"},
  };
  std::set<std::string> named;
  for (const Case& c : cases) {
    named.insert(c.index);
    const auto found = std::find_if(statements.begin(), statements.end(),
                                    [&c](const std::string& sql) { return sql.find(c.marker) != std::string::npos; });
    ASSERT_NE(found, statements.end()) << c.what << ": no statement holds " << c.marker;
    const std::string plan = planOf(*found);
    EXPECT_TRUE(plan.find("INDEX " + std::string(c.index) + " ") != std::string::npos) << c.what << "\n"
                                                                                       << *found << "\n"
                                                                                       << plan;
  }

  db::Connection connection;
  connection.open(account_.connectString());
  db::Recordset indexes;
  indexes.open("SELECT name, sql FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL", connection);
  for (; !indexes.eof(); indexes.moveNext()) {
    const std::string name = CStr(indexes.field(0).value());
    const std::string sql = CStr(indexes.field(1).value());
    const std::string columns = sql.substr(sql.find('('));
    const bool partial = sql.find(" WHERE ") != std::string::npos;
    const bool expression = columns.find('(', 1) != std::string::npos && columns.find('(', 1) < columns.find(')');
    if (!partial && !expression) continue;
    EXPECT_TRUE(named.contains(name) || kUniquenessOnly.contains(name)) << name << " has no case: " << sql;
  }
}

}  // namespace
}  // namespace corvane
