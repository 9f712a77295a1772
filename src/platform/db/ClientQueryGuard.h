#pragma once
// For the database layer only: the bounds a query text sent by a client runs within, for as long
// as the guard lives. It runs no longer than the connection's command timeout (a query stopped at
// that limit fails with 0x80040E31), and it cannot read the account's secrets (a query that
// names one fails with 0x80040E09 before it runs).

#include <sqlite3.h>

#include <chrono>

namespace corvane::db {

class ClientQueryGuard {
 public:
  // `timeoutSeconds` 0 leaves the query without a time limit.
  ClientQueryGuard(sqlite3* handle, int timeoutSeconds);
  ~ClientQueryGuard();
  ClientQueryGuard(const ClientQueryGuard&) = delete;
  ClientQueryGuard& operator=(const ClientQueryGuard&) = delete;

 private:
  static int onProgress(void* guard);
  static int authorize(void* guard, int action, const char* first, const char* second,
                       const char* database, const char* trigger);

  sqlite3* handle_;
  std::chrono::steady_clock::time_point deadline_;
};

}  // namespace corvane::db
