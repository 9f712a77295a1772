#pragma once
// What the benchmarks share: demo accounts made for a run (removed after it), and the SQLite
// statements a piece of work runs, captured from every connection it opens.

#include <sqlite3.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unistd.h>
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

inline std::mutex gCaptureMutex;
inline std::vector<std::string>* gCapture = nullptr;

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
  if (sql != nullptr && !isLayerOverhead(sql)) gCapture->push_back(sql);
  sqlite3_free(sql);
  return 0;
}

inline int installTrace(sqlite3* handle, const char**, const sqlite3_api_routines*) {
  sqlite3_trace_v2(handle, SQLITE_TRACE_STMT, traceStatement, nullptr);
  return SQLITE_OK;
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
    fs::remove_all(folder_);
    db::createDemoAccount(folder_, encoder);
    if (!fill.empty()) {
      db::Connection connection;
      connection.open(connectString());
      if (sqlite3_exec(db::sqliteHandle(connection), fill.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        throw std::runtime_error(std::string("cannot fill the account: ") + sqlite3_errmsg(db::sqliteHandle(connection)));
      }
    }
  }
  ~Account() {
    db::ConnectionPool::shared().clear();
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

  std::vector<std::string> record(const std::function<void()>& work) {
    std::vector<std::string> statements;
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

}  // namespace corvane::bench
