#pragma once
// Open connections kept for reuse inside the process, so that a request does not pay the opening
// of an account (SQLite reads the whole schema of every file at open).
//
// A connection is handed out only to a caller of the same account files: the files are known by
// their device, inode and permissions, looked at when a connection is lent, so an account folder
// that was deleted and made again at the same path gets new connections, and the connections of
// a folder that is gone are closed (when a connection of another folder, or of the folder made
// again, comes back) instead of kept. A connection comes back clean or not at all: a transaction
// left open is rolled back, the timeouts are set back to their defaults, and a connection that
// holds temp objects of its own (made outside the shared tempdb) is closed.

#include <sys/types.h>

#include <array>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/Connection.h"

namespace corvane::db {

// What identifies the three files of an account: a pooled connection is reused only while the
// files it opened are still the files at the account's path.
struct AccountIdentity {
  struct File {
    dev_t device = 0;
    ino_t inode = 0;
    mode_t mode = 0;
    bool operator==(const File&) const = default;
  };
  std::string folder;
  std::array<File, 3> files{};  // company, system, tempdb
  bool operator==(const AccountIdentity&) const = default;

  // The identity of the files in `folder` now; nullopt when one of them is missing.
  static std::optional<AccountIdentity> of(const std::string& folder);
};

class ConnectionPool;

// A connection lent by the pool; it goes back to the pool when the lease ends.
class PooledConnection {
 public:
  PooledConnection() = default;
  PooledConnection(ConnectionPool& pool, std::unique_ptr<Connection> connection, AccountIdentity identity);
  ~PooledConnection();
  PooledConnection(PooledConnection&& other) noexcept = default;
  PooledConnection& operator=(PooledConnection&& other) noexcept;
  PooledConnection(const PooledConnection&) = delete;
  PooledConnection& operator=(const PooledConnection&) = delete;

  explicit operator bool() const { return connection_ != nullptr; }
  Connection& operator*() const { return *connection_; }
  Connection* operator->() const { return connection_.get(); }

 private:
  void giveBack();

  ConnectionPool* pool_ = nullptr;
  std::unique_ptr<Connection> connection_;
  AccountIdentity identity_;
};

class ConnectionPool {
 public:
  // The process-wide pool; thread-safe.
  static ConnectionPool& shared();

  // An open connection to the account `connectionString` names (see Connection::open): an idle
  // one of the same files when there is one, else a new one opened with `connectionTimeout`.
  // Raises as Connection::open does; a reused connection passes the open's fault point too.
  PooledConnection acquire(std::string_view connectionString, int connectionTimeout = kDefaultConnectionTimeout);

  // Takes a connection back: kept when it is clean and its files are still the account's,
  // closed otherwise. `identity` is what the files were when it was lent; they are looked at
  // again only when an idle connection of the folder disagrees. Also closes the idle connections
  // whose account files are no longer those they opened.
  void giveBack(std::unique_ptr<Connection> connection, const AccountIdentity& identity);

  // Closes every idle connection.
  void clear();
  std::size_t idleCount() const;

 private:
  struct Idle {
    AccountIdentity identity;
    std::unique_ptr<Connection> connection;
  };

  using Identities = std::map<std::string, std::optional<AccountIdentity>>;

  std::unique_ptr<Connection> takeIdle(const AccountIdentity& identity);
  Identities currentIdentities(const AccountIdentity& returning) const;
  void dropVanished(const Identities& current, std::vector<Idle>& closing);

  mutable std::mutex mutex_;
  std::vector<Idle> idle_;  // oldest first
};

}  // namespace corvane::db
