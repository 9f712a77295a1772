#pragma once
// A connection to one account: the company database as main, the host's system database
// attached as `vqsystem` and the account's shared `tempdb` attached under that name. Statements
// are T-SQL texts; the layer translates them before they run.
//
// Failures raise RuntimeError with the record-set library's numbers: a database that stays busy
// past the timeout 0x80040E31, statement errors as the translator maps them, misuse of the
// object (closed, already open, no transaction) with the library's own numbers.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

struct sqlite3;

namespace corvane::db {

class CatalogMemo;
class StatementCache;

// Numbers of the record-set library that the database layer raises itself.
inline constexpr std::int32_t kErrObjectClosed = static_cast<std::int32_t>(0x800A0E78);
inline constexpr std::int32_t kErrObjectOpen = static_cast<std::int32_t>(0x800A0E79);
inline constexpr std::int32_t kErrInvalidArgument = static_cast<std::int32_t>(0x800A0BB9);
inline constexpr std::int32_t kErrTransactionExists = static_cast<std::int32_t>(0x8004D013);
inline constexpr std::int32_t kErrNoTransaction = static_cast<std::int32_t>(0x8004D00E);
inline constexpr std::int32_t kErrMultipleStep = static_cast<std::int32_t>(0x80040E21);

// The value of `key` (any case) in a "key=value;" connection string, quotes removed; nullopt
// when the key is missing.
std::optional<std::string> connectionStringValue(std::string_view connectionString, std::string_view key);

// What a transaction may do. A writing one takes the company database's write lock when it
// begins; a reading one takes none, so it runs beside a writer and on a read-only account (a
// write inside it takes the lock then, and fails at once when another writer holds it).
enum class TransactionMode { Write, Read };

// Seconds a new connection waits at open and for a statement, until set otherwise.
inline constexpr int kDefaultConnectionTimeout = 15;
inline constexpr int kDefaultCommandTimeout = 30;

class Connection {
 public:
  Connection();
  ~Connection();  // rolls back a transaction that is still open
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Seconds that open may wait for a locked account file; 15 unless set.
  void setConnectionTimeout(int seconds);
  int connectionTimeout() const { return connectionTimeout_; }
  // Seconds a statement waits for a database that another connection holds before failing with
  // 0x80040E31; 0 waits without bound; 30 unless set. Takes effect at once.
  void setCommandTimeout(int seconds);
  int commandTimeout() const { return commandTimeout_; }

  // `connectionString` is a "key=value;" list, keys in any case; "Data Source" names the account
  // folder. A value may be quoted as '..', N'..' or "..", a doubled quote standing for one.
  // Raises 0x80004005 when the folder holds no account (any of its three files missing),
  // 0x800A0E79 when already open. Makes the scale indexes the company database lacks
  // (addMissingScaleIndexes) and sweeps the account's stale tempdb tables
  // (sweepStaleScratchTables) once open.
  void open(std::string_view connectionString);
  bool isOpen() const { return handle_ != nullptr; }
  void close();

  // One transaction at a time over all three files. A writing transaction takes the company
  // database's write lock at once, so that two writers queue instead of dead-locking. A second
  // begin raises 0x8004D013; commit or rollback without a transaction raise 0x8004D00E.
  // Prefer db::Transaction, which rolls back a transaction left without a commit.
  void beginTrans(TransactionMode mode = TransactionMode::Write);
  void commitTrans();
  void rollbackTrans();
  bool inTransaction() const;

  // Runs a T-SQL text (one statement or a batch); answers the records that its insert, update
  // and delete statements affected themselves (rows written by triggers do not count).
  long execute(const std::string& tsql);

 private:
  friend sqlite3* sqliteHandle(Connection& connection);
  friend StatementCache& statementCache(Connection& connection);
  friend CatalogMemo& catalogMemo(Connection& connection);
  friend int& clientQueryGuards(Connection& connection);

  sqlite3* openHandle() const;  // the handle, or 0x800A0E78 when closed
  void applyBusyTimeout(int seconds) const;

  sqlite3* handle_ = nullptr;
  std::unique_ptr<StatementCache> statements_;  // finalized before the handle closes
  std::unique_ptr<CatalogMemo> catalog_;        // the columns its translations read
  int clientQueryGuards_ = 0;                   // the authorizer's: client queries being run
  int connectionTimeout_ = kDefaultConnectionTimeout;
  int commandTimeout_ = kDefaultCommandTimeout;
};

}  // namespace corvane::db
