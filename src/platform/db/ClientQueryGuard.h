#pragma once
// For the database layer only: the bounds a query text sent by a client runs within, for as long
// as the guard lives. It runs no longer than the connection's command timeout (a query stopped at
// that limit fails with 0x80040E31), and it cannot read the account's secrets (a query that
// names one fails with 0x80040E09 before it runs).
//
// The refusal is the work of an authorizer that every connection keeps from its open on, which
// refuses only while one of the connection's guards lives: SQLite expires every statement a
// connection has prepared whenever its authorizer is set, so setting one for each client query
// would make the connection prepare all its kept statements again.

#include <sqlite3.h>

#include <chrono>

namespace corvane::db {

// Installs the authorizer on a connection just opened; `guards` counts the connection's living
// guards and must live as long as the connection.
void installClientQueryAuthorizer(sqlite3* handle, int* guards);

class ClientQueryGuard {
 public:
  // `guards` is the count the connection's authorizer was installed with. `timeoutSeconds` 0
  // leaves the query without a time limit.
  ClientQueryGuard(sqlite3* handle, int& guards, int timeoutSeconds);
  ~ClientQueryGuard();
  ClientQueryGuard(const ClientQueryGuard&) = delete;
  ClientQueryGuard& operator=(const ClientQueryGuard&) = delete;

 private:
  static int onProgress(void* guard);

  sqlite3* handle_;
  int& guards_;
  std::chrono::steady_clock::time_point deadline_;
};

}  // namespace corvane::db
