#pragma once
// For tests and benchmarks of the database layer: a throw-away account folder in the temp
// directory, its three files created with the given SQL straight through SQLite, removed again
// at the end. The tables are the test's own, named apart from the account schema's, so that a
// test of the layer states every column it reads and does not hang on the schema; a test that
// needs the schema's tables uses the demo account (CaseAccount).

#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "platform/db/AccountFiles.h"

namespace corvane::db {

class ConnectionTestAccount {
 public:
  ConnectionTestAccount(const std::string& companySql, const std::string& systemSql, const std::string& tempSql) {
    std::string pattern = (std::filesystem::temp_directory_path() / "corvane-db-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a temp folder");
    files_.folder = pattern;
    run(files_.company(), companySql);
    run(files_.system(), systemSql);
    run(files_.tempdb(), tempSql);
  }
  ~ConnectionTestAccount() {
    std::error_code ignored;
    std::filesystem::remove_all(files_.folder, ignored);
  }
  ConnectionTestAccount(const ConnectionTestAccount&) = delete;
  ConnectionTestAccount& operator=(const ConnectionTestAccount&) = delete;

  const AccountFiles& files() const { return files_; }
  std::string connectionString() const { return "Data Source=" + files_.folder.string() + ";"; }

  // Runs `sql` on `file` through a connection of its own.
  static void run(const std::filesystem::path& file, const std::string& sql) {
    sqlite3* handle = nullptr;
    sqlite3_open(file.c_str(), &handle);
    char* message = nullptr;
    const int rc = sqlite3_exec(handle, sql.c_str(), nullptr, nullptr, &message);
    const std::string text = message ? message : "";
    sqlite3_free(message);
    sqlite3_close(handle);
    if (rc != SQLITE_OK) throw std::runtime_error(text + " in: " + sql);
  }

  // The first column of the first row of `sql` on `file`, as text ("" when there is no row or
  // the value is null).
  static std::string scalar(const std::filesystem::path& file, const std::string& sql) {
    sqlite3* handle = nullptr;
    sqlite3_open(file.c_str(), &handle);
    sqlite3_stmt* statement = nullptr;
    std::string value;
    if (sqlite3_prepare_v2(handle, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
      const std::string text = sqlite3_errmsg(handle);
      sqlite3_close(handle);
      throw std::runtime_error(text + " in: " + sql);
    }
    if (sqlite3_step(statement) == SQLITE_ROW && sqlite3_column_text(statement, 0) != nullptr) {
      value = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    }
    sqlite3_finalize(statement);
    sqlite3_close(handle);
    return value;
  }

 private:
  AccountFiles files_;
};

}  // namespace corvane::db
