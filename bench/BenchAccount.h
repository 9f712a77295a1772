#pragma once
// What the benchmarks share: demo accounts made for a run (removed after it), and the SQLite
// statements a piece of work runs, captured from every connection it opens.

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/EmbeddedLoginContext.h"
#include "host/PasswordCodec.h"
#include "platform/db/AccountCreator.h"
#include "platform/db/Connection.h"
#include "platform/db/ConnectionHandle.h"
#include "platform/db/ConnectionPool.h"

namespace corvane::bench {

namespace fs = std::filesystem;

// ---- statements captured from every connection opened while capturing is on

// A statement as the layer ran it: the text it prepared (with a parameter ?NNN where it bound a
// value), the same text with the bound values written in, and the connection it ran on.
struct CapturedStatement {
  std::string prepared;
  std::string expanded;
  const void* connection = nullptr;
};

inline std::mutex gCaptureMutex;
inline std::vector<CapturedStatement>* gCapture = nullptr;

// The layer's own work, which bare SQLite does not need: trigger comments, settings, attaching,
// and the translator's reads of the schema.
inline bool isLayerOverhead(std::string_view sql) {
  return sql.rfind("--", 0) == 0 || sql.rfind("PRAGMA", 0) == 0 || sql.rfind("ATTACH", 0) == 0 ||
         sql.find("temp.sqlite_master") != std::string_view::npos || sql.rfind("SELECT sql FROM ", 0) == 0;
}

// `text` is the statement's own text, or a comment naming a trigger that the statement runs.
inline int traceStatement(unsigned, void*, void* statement, void* text) {
  const std::lock_guard lock(gCaptureMutex);
  if (gCapture == nullptr || std::string_view(static_cast<const char*>(text)).rfind("--", 0) == 0) return 0;
  char* sql = sqlite3_expanded_sql(static_cast<sqlite3_stmt*>(statement));
  if (sql != nullptr && !isLayerOverhead(sql)) {
    gCapture->push_back({sqlite3_sql(static_cast<sqlite3_stmt*>(statement)), sql,
                         sqlite3_db_handle(static_cast<sqlite3_stmt*>(statement))});
  }
  sqlite3_free(sql);
  return 0;
}

inline int installTrace(sqlite3* handle, const char**, const sqlite3_api_routines*) {
  sqlite3_trace_v2(handle, SQLITE_TRACE_STMT, traceStatement, nullptr);
  return SQLITE_OK;
}

// ---- statements slower than CORVANE_BENCH_SLOW_MS milliseconds, printed to standard error with
// the number of rows a full scan stepped over, on every connection opened after the first account

inline int reportSlowStatement(unsigned, void* context, void* statement, void* nanoseconds) {
  const double milliseconds = static_cast<double>(*static_cast<sqlite3_int64*>(nanoseconds)) / 1e6;
  if (milliseconds < *static_cast<double*>(context)) return 0;
  auto* prepared = static_cast<sqlite3_stmt*>(statement);
  char* sql = sqlite3_expanded_sql(prepared);
  std::fprintf(stderr, "slow statement, %.1f ms, %d full-scan steps: %s\n", milliseconds,
               sqlite3_stmt_status(prepared, SQLITE_STMTSTATUS_FULLSCAN_STEP, 0), sql != nullptr ? sql : "");
  sqlite3_free(sql);
  return 0;
}

inline int installSlowStatementReport(sqlite3* handle, const char**, const sqlite3_api_routines*) {
  static double threshold = std::atof(std::getenv("CORVANE_BENCH_SLOW_MS"));
  sqlite3_trace_v2(handle, SQLITE_TRACE_PROFILE, reportSlowStatement, &threshold);
  return SQLITE_OK;
}

inline void reportSlowStatementsWhenAsked() {
  static const bool installed = [] {
    if (std::getenv("CORVANE_BENCH_SLOW_MS") == nullptr) return false;
    sqlite3_auto_extension(reinterpret_cast<void (*)()>(installSlowStatementReport));
    return true;
  }();
  (void)installed;
}

// ---- accounts

inline std::string encodeMinimal(const std::string& plain) {
  return EmbeddedPasswordCodec(EmbeddedPasswordCodec::Cost::Minimal).Encode(plain);
}
inline std::string encodeInteractive(const std::string& plain) { return EmbeddedPasswordCodec().Encode(plain); }

class Account {
 public:
  Account(const std::string& name, const db::PasswordEncoder& encoder, const std::string& fill = {})
      : folder_(fs::temp_directory_path() / ("corvane-speed-" + std::to_string(::getpid()) + "-" + name)) {
    db::ConnectionPool::shared();  // made first, so that it outlives the accounts
    reportSlowStatementsWhenAsked();
    fs::remove_all(folder_);
    db::createDemoAccount(folder_, encoder);
    if (!fill.empty()) {
      db::Connection connection;
      connection.open(connectString());
      if (sqlite3_exec(db::sqliteHandle(connection), fill.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        throw std::runtime_error(std::string("cannot fill the account: ") +
                                 sqlite3_errmsg(db::sqliteHandle(connection)));
      }
    }
  }
  // The folder is removed, unless CORVANE_BENCH_KEEP_ACCOUNTS is set (to look into it after).
  ~Account() {
    db::ConnectionPool::shared().clear();
    if (std::getenv("CORVANE_BENCH_KEEP_ACCOUNTS") != nullptr) return;
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  Account(const Account&) = delete;
  Account& operator=(const Account&) = delete;

  std::unique_ptr<EmbeddedLoginContext> logIn(const std::string& user = "demo") const {
    LoginOptions options;
    options.account = folder_;
    options.user = user;
    options.password = "demo";
    options.date = DateTime::parse("2026-3-15");
    return EmbeddedLoginContext::logIn(options);
  }
  std::string connectString() const { return "Data Source='" + folder_.string() + "'"; }
  std::string folder() const { return folder_.string(); }

 private:
  fs::path folder_;
};

// While it lives, every connection opened is traced (the pool is emptied when it is made and
// when it ends, so that no connection opened before is reused); `record` answers the statements
// the traced connections run during `work`.
class StatementCapture {
 public:
  StatementCapture() {
    db::ConnectionPool::shared().clear();
    sqlite3_auto_extension(reinterpret_cast<void (*)()>(installTrace));
  }
  ~StatementCapture() {
    db::ConnectionPool::shared().clear();
    sqlite3_cancel_auto_extension(reinterpret_cast<void (*)()>(installTrace));
  }
  StatementCapture(const StatementCapture&) = delete;
  StatementCapture& operator=(const StatementCapture&) = delete;

  std::vector<CapturedStatement> record(const std::function<void()>& work) {
    std::vector<CapturedStatement> statements;
    {
      const std::lock_guard lock(gCaptureMutex);
      gCapture = &statements;
    }
    work();
    const std::lock_guard lock(gCaptureMutex);
    gCapture = nullptr;
    return statements;
  }
};

// ---- the floor: the captured statements as a program that keeps them prepared runs them

// One value the layer bound, read back from the expanded text.
struct BoundValue {
  enum class Kind { Null, Integer, Real, Text } kind = Kind::Null;
  sqlite3_int64 integer = 0;
  double real = 0;
  std::string text;
};

// The literal that sqlite3_expanded_sql wrote for a bound value at `at`: NULL, a number or a
// quoted text. Answers the value and the literal's length.
inline std::pair<BoundValue, std::size_t> literalAt(std::string_view expanded, std::size_t at) {
  BoundValue value;
  if (expanded.compare(at, 4, "NULL") == 0) return {value, 4};
  if (expanded[at] == '\'') {
    value.kind = BoundValue::Kind::Text;
    std::size_t end = at + 1;
    for (;; ++end) {
      if (end >= expanded.size()) throw std::runtime_error("an unterminated bound text");
      if (expanded[end] != '\'') {
        value.text += expanded[end];
      } else if (end + 1 < expanded.size() && expanded[end + 1] == '\'') {
        value.text += '\'';
        ++end;
      } else {
        break;
      }
    }
    return {value, end + 1 - at};
  }
  std::size_t end = at;
  while (end < expanded.size() && std::string_view("+-0123456789.eE").find(expanded[end]) != std::string_view::npos)
    ++end;
  const std::string number(expanded.substr(at, end - at));
  if (number.empty()) throw std::runtime_error("no bound value at: " + std::string(expanded.substr(at, 40)));
  if (number.find_first_of(".eE") == std::string::npos) {
    value.kind = BoundValue::Kind::Integer;
    value.integer = std::stoll(number);
  } else {
    value.kind = BoundValue::Kind::Real;
    value.real = std::stod(number);
  }
  return {value, end - at};
}

// The values bound to the parameters of `prepared` (by parameter number), read by walking the
// prepared and the expanded text side by side: they match outside the parameters.
inline std::vector<std::pair<int, BoundValue>> boundValues(const CapturedStatement& statement) {
  const std::string_view prepared = statement.prepared;
  const std::string_view expanded = statement.expanded;
  std::vector<std::pair<int, BoundValue>> values;
  std::size_t p = 0;
  std::size_t e = 0;
  int last = 0;
  while (p < prepared.size()) {
    const char c = prepared[p];
    if (c == '\'' || c == '"') {  // a quoted run is copied as it stands
      std::size_t end = p + 1;
      while (end < prepared.size() && (prepared[end] != c || (end + 1 < prepared.size() && prepared[end + 1] == c))) {
        end += prepared[end] == c ? 2 : 1;
      }
      e += end + 1 - p;
      p = end + 1;
      continue;
    }
    if (c != '?') {
      ++p;
      ++e;
      continue;
    }
    std::size_t end = p + 1;
    while (end < prepared.size() && prepared[end] >= '0' && prepared[end] <= '9') ++end;
    const int number = end > p + 1 ? std::stoi(std::string(prepared.substr(p + 1, end - p - 1))) : last + 1;
    last = std::max(last, number);
    auto [value, length] = literalAt(expanded, e);
    values.emplace_back(number, std::move(value));
    p = end;
    e += length;
  }
  if (e != expanded.size()) throw std::runtime_error("the expanded text does not follow: " + statement.prepared);
  return values;
}

// The captured statements prepared once (each when it first runs, as it may need a table an
// earlier one makes), those of the n-th connection the capture met on `handles[n]`; each run binds
// their values again and steps every statement to its end, reading every value of every row by
// its type.
class PreparedStatements {
 public:
  PreparedStatements(const std::vector<sqlite3*>& handles, const std::vector<CapturedStatement>& statements) {
    std::vector<const void*> captured;
    for (const CapturedStatement& statement : statements) {
      const auto found = std::find(captured.begin(), captured.end(), statement.connection);
      const std::size_t index = static_cast<std::size_t>(found - captured.begin());
      if (found == captured.end()) captured.push_back(statement.connection);
      if (index >= handles.size()) throw std::runtime_error("the statements ran on more connections than given");
      statements_.push_back({handles[index], nullptr, boundValues(statement), statement.prepared, statement.expanded});
    }
  }
  ~PreparedStatements() {
    for (const Prepared& prepared : statements_) sqlite3_finalize(prepared.statement);
  }
  PreparedStatements(const PreparedStatements&) = delete;
  PreparedStatements& operator=(const PreparedStatements&) = delete;

  std::size_t size() const { return statements_.size(); }

  // Runs every statement once; answers the statements that failed.
  std::string run() {
    std::string failed;
    for (Prepared& prepared : statements_) {
      if (!runOne(prepared)) failed += prepared.expanded + ": " + sqlite3_errmsg(prepared.handle) + "\n";
    }
    return failed;
  }

  // Prints to standard error what each reading statement costs on its own, run `repetitions`
  // times, in microseconds of processor time.
  void printEachReadingStatement(int repetitions) {
    for (Prepared& prepared : statements_) {
      if (prepared.statement == nullptr || sqlite3_stmt_readonly(prepared.statement) == 0) continue;
      const std::clock_t start = std::clock();
      for (int repetition = 0; repetition < repetitions; ++repetition) runOne(prepared);
      const double micros = 1e6 * static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC / repetitions;
      std::fprintf(stderr, "%9.2f us  %s\n", micros, prepared.expanded.substr(0, 300).c_str());
    }
  }

 private:
  struct Prepared {
    sqlite3* handle;
    sqlite3_stmt* statement;
    std::vector<std::pair<int, BoundValue>> values;
    std::string text;
    std::string expanded;
  };

  static bool runOne(Prepared& prepared) {
    if (prepared.statement == nullptr &&
        sqlite3_prepare_v2(prepared.handle, prepared.text.c_str(), -1, &prepared.statement, nullptr) != SQLITE_OK) {
      throw std::runtime_error(std::string("cannot prepare: ") + sqlite3_errmsg(prepared.handle) +
                               " in: " + prepared.text);
    }
    sqlite3_stmt* statement = prepared.statement;
    sqlite3_reset(statement);
    for (const auto& [number, value] : prepared.values) bind(statement, number, value);
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) readRow(statement);
    return rc == SQLITE_DONE;
  }

  static void bind(sqlite3_stmt* statement, int number, const BoundValue& value) {
    switch (value.kind) {
      case BoundValue::Kind::Null: sqlite3_bind_null(statement, number); break;
      case BoundValue::Kind::Integer: sqlite3_bind_int64(statement, number, value.integer); break;
      case BoundValue::Kind::Real: sqlite3_bind_double(statement, number, value.real); break;
      case BoundValue::Kind::Text:
        sqlite3_bind_text(statement, number, value.text.data(), static_cast<int>(value.text.size()), SQLITE_STATIC);
        break;
    }
  }

  static void readRow(sqlite3_stmt* statement) {
    for (int column = 0; column < sqlite3_column_count(statement); ++column) {
      switch (sqlite3_column_type(statement, column)) {
        case SQLITE_INTEGER: benchmark::DoNotOptimize(sqlite3_column_int64(statement, column)); break;
        case SQLITE_FLOAT: benchmark::DoNotOptimize(sqlite3_column_double(statement, column)); break;
        case SQLITE_NULL: break;
        default: benchmark::DoNotOptimize(sqlite3_column_text(statement, column)); break;
      }
    }
  }

  std::vector<Prepared> statements_;
};

}  // namespace corvane::bench
