#include "platform/db/Connection.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <filesystem>
#include <memory>

#include "platform/com/AsciiText.h"
#include "platform/com/RuntimeError.h"
#include "platform/db/AccountFiles.h"
#include "platform/db/AccountIndexes.h"
#include "platform/db/ClientQueryGuard.h"
#include "platform/db/ConnectionHandle.h"
#include "platform/db/DbFaultHook.h"
#include "platform/db/ScratchTables.h"
#include "platform/tsql/SqlFunctions.h"
#include "platform/tsql/SqliteErrors.h"
#include "platform/tsql/SqliteStatement.h"
#include "platform/tsql/StatementCache.h"
#include "platform/tsql/TsqlCatalog.h"
#include "platform/tsql/TsqlLexer.h"
#include "platform/tsql/TsqlTranslator.h"

namespace corvane::db {

namespace {

// SQLite counts every allocation under one process-wide mutex unless told not to before its first
// use; connections serving requests on several threads would then queue on that mutex.
[[maybe_unused]] const bool kAllocationsUncounted = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK;

// A statement with an IN list, a UNION or a sort makes small temporary b-trees as it runs, and
// SQLite gives each a bulk of 20 cache pages at once (some 86 KiB) unless told not to: the
// allocator hands that back to the system when the b-tree closes and faults it in again at the
// next. Without the bulk, a page cache takes the pages it fills, one at a time.
[[maybe_unused]] const bool kNoBulkPageCache = sqlite3_config(SQLITE_CONFIG_PAGECACHE, nullptr, 0, 0) == SQLITE_OK;

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool isQuote(char c) { return c == '\'' || c == '"'; }

// Reads a quoted value starting at its opening quote; a doubled quote stands for one.
std::string readQuoted(std::string_view text, std::size_t& pos) {
  const char quote = text[pos++];
  std::string value;
  while (pos < text.size()) {
    if (text[pos] != quote) {
      value += text[pos++];
    } else if (pos + 1 < text.size() && text[pos + 1] == quote) {
      value += quote;
      pos += 2;
    } else {
      ++pos;
      break;
    }
  }
  return value;
}

// Reads one value starting at `pos` (after the '=') and leaves `pos` after its ';'.
std::string readValue(std::string_view text, std::size_t& pos) {
  while (pos < text.size() && isBlank(text[pos])) ++pos;
  // The SQL rewriting puts an N before every apostrophe-quoted text, values here included.
  if (pos + 1 < text.size() && (text[pos] == 'N' || text[pos] == 'n') && isQuote(text[pos + 1])) ++pos;
  const bool quoted = pos < text.size() && isQuote(text[pos]);
  std::string value = quoted ? readQuoted(text, pos) : std::string();
  const std::size_t semicolon = text.find(';', pos);
  const std::size_t end = semicolon == std::string_view::npos ? text.size() : semicolon;
  if (!quoted) value = trimmed(text.substr(pos, end - pos));
  pos = semicolon == std::string_view::npos ? text.size() : semicolon + 1;
  return value;
}

struct HandleCloser {
  void operator()(sqlite3* handle) const { sqlite3_close_v2(handle); }
};
using OwnedHandle = std::unique_ptr<sqlite3, HandleCloser>;

// Runs one statement to its end, its rows (if any) dropped; kept in `statements` when given, as
// the statements that begin and end every transaction are.
void runStatement(sqlite3* handle, const std::string& sql, StatementCache* statements = nullptr) {
  const StatementLease statement = StatementCache::lease(statements, handle, sql);
  int rc;
  while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
  }
  if (rc != SQLITE_DONE) raiseSqliteError(handle, rc, sql);
}

// A table of the company database whose write lock a transaction can take, if there is one.
std::optional<std::string> firstCompanyTable(sqlite3* handle, StatementCache* statements) {
  const StatementLease statement = StatementCache::lease(
      statements, handle,
      "SELECT name FROM main.sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite_%' LIMIT 1");
  if (sqlite3_step(statement.get()) != SQLITE_ROW) return std::nullopt;
  return columnText(statement.get(), 0);
}

void attach(sqlite3* handle, const std::filesystem::path& file, const char* schema) {
  const std::string sql = std::string("ATTACH DATABASE ?1 AS ") + schema;
  sqlite3_stmt* statement = nullptr;
  int rc = sqlite3_prepare_v2(handle, sql.c_str(), -1, &statement, nullptr);
  if (rc != SQLITE_OK) raiseSqliteError(handle, rc, sql);
  sqlite3_bind_text(statement, 1, file.c_str(), -1, SQLITE_TRANSIENT);
  rc = sqlite3_step(statement);
  sqlite3_finalize(statement);
  if (rc != SQLITE_DONE) raiseSqliteError(handle, rc, sql);
}

// Sets the journal mode of one attached file, unless it is read-only; raises when the file
// keeps another mode.
void useJournalMode(sqlite3* handle, const char* schema, const char* mode) {
  if (sqlite3_db_readonly(handle, schema) == 1) return;
  const std::string sql = std::string("PRAGMA ") + schema + ".journal_mode=" + mode;
  sqlite3_stmt* statement = nullptr;
  int rc = sqlite3_prepare_v2(handle, sql.c_str(), -1, &statement, nullptr);
  if (rc != SQLITE_OK) raiseSqliteError(handle, rc, sql);
  rc = sqlite3_step(statement);
  const auto* answer = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
  const bool switched = rc == SQLITE_ROW && answer != nullptr && equalsIgnoringCase(answer, mode);
  sqlite3_finalize(statement);
  if (rc != SQLITE_ROW) raiseSqliteError(handle, rc, sql);
  if (!switched) {
    throw RuntimeError(errnum::kDbUnspecified, std::string("The account database '") + schema +
                                                   "' cannot change its journal while other "
                                                   "connections use it.");
  }
}

void requireFile(const std::filesystem::path& file) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(file, error)) {
    throw RuntimeError(errnum::kDbUnspecified, "The account database '" + file.string() + "' does not exist.");
  }
}

}  // namespace

std::optional<std::string> connectionStringValue(std::string_view connectionString, std::string_view key) {
  std::size_t pos = 0;
  while (pos < connectionString.size()) {
    while (pos < connectionString.size() && (isBlank(connectionString[pos]) || connectionString[pos] == ';')) {
      ++pos;
    }
    const std::size_t equals = connectionString.find('=', pos);
    if (equals == std::string_view::npos) break;
    const std::string_view name = trimmed(connectionString.substr(pos, equals - pos));
    pos = equals + 1;
    std::string value = readValue(connectionString, pos);
    if (equalsIgnoringCase(name, key)) return value;
  }
  return std::nullopt;
}

Connection::Connection() : statements_(std::make_unique<StatementCache>()), catalog_(std::make_unique<CatalogMemo>()) {}

Connection::~Connection() { close(); }

void Connection::setConnectionTimeout(int seconds) {
  if (seconds < 0) throw RuntimeError(kErrInvalidArgument, "The connection timeout cannot be negative.");
  connectionTimeout_ = seconds;
}

void Connection::setCommandTimeout(int seconds) {
  if (seconds < 0) throw RuntimeError(kErrInvalidArgument, "The command timeout cannot be negative.");
  commandTimeout_ = seconds;
  if (handle_ != nullptr) applyBusyTimeout(seconds);
}

void Connection::applyBusyTimeout(int seconds) const {
  // 0 means "wait as long as it takes", as the record-set library reads it.
  const int milliseconds = seconds == 0 || seconds > INT_MAX / 1000 ? INT_MAX : seconds * 1000;
  sqlite3_busy_timeout(handle_, milliseconds);
}

void Connection::open(std::string_view connectionString) {
  if (handle_ != nullptr) {
    throw RuntimeError(kErrObjectOpen, "Operation is not allowed when the object is open.");
  }
  faultPoint(DbCall::Open);
  const std::optional<std::string> folder = connectionStringValue(connectionString, "Data Source");
  if (!folder || folder->empty()) {
    throw RuntimeError(errnum::kDbUnspecified, "The connection string names no Data Source.");
  }
  const AccountFiles files{*folder};
  // The three files are made together with the account. tempdb is not made here when it is
  // missing: it carries the catalogue that temp-table checks read, and a file made anew beside
  // the log files of one deleted while in use would take their pages for its own.
  for (const std::filesystem::path& file : {files.company(), files.system(), files.tempdb()}) requireFile(file);

  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(files.company().c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  OwnedHandle handle(raw);
  if (rc != SQLITE_OK) {
    throw RuntimeError(errnum::kDbUnspecified, "Cannot open the account database '" + files.company().string() +
                                                   "': " + (raw ? sqlite3_errmsg(raw) : "out of memory"));
  }
  handle_ = handle.get();
  try {
    applyBusyTimeout(connectionTimeout_);
    attach(handle_, files.system(), kSystemSchema);
    attach(handle_, files.tempdb(), kTempSchema);
    // All three files log ahead, so that readers and one writer run side by side: a long query
    // does not block a save, and the login object records taken rights in the system database
    // on its own connection while a request reads. A commit is then atomic per file, not across
    // them; the writes that must stand or fall together are all in the company database (tempdb
    // holds scratch tables only, the system database's writes are made on their own).
    // A read-only file keeps the journal it has: it cannot change it, and readers need none.
    for (const char* schema : {"main", kSystemSchema, kTempSchema}) {
      useJournalMode(handle_, schema, "WAL");
    }
    // The system database records taken rights, tempdb holds scratch tables: neither needs a
    // commit that waits for the disk. In WAL a commit without the sync is still atomic and a
    // crash of the process loses none of it; only a crash of the machine can undo the last
    // commits (a right taken or released shortly before). The company database keeps its
    // durable commits.
    for (const char* schema : {kSystemSchema, kTempSchema}) {
      runStatement(handle_, std::string("PRAGMA ") + schema + ".synchronous=NORMAL");
    }
    // References are enforced by the schema's triggers, with the texts the business code reads.
    runStatement(handle_, "PRAGMA foreign_keys=OFF");
    registerTsqlFunctions(handle_);
    installClientQueryAuthorizer(handle_, &clientQueryGuards_);
    addMissingScaleIndexes(handle_, files.company().string());
    applyBusyTimeout(commandTimeout_);
  } catch (...) {
    handle_ = nullptr;
    throw;
  }
  handle.release();
  sweepStaleScratchTables(*this);
}

void Connection::close() {
  if (handle_ == nullptr) return;
  statements_->clear();
  *catalog_ = CatalogMemo();  // the next open may be another account's
  sqlite3_close_v2(handle_);  // an open transaction is rolled back
  handle_ = nullptr;
}

sqlite3* Connection::openHandle() const {
  if (handle_ == nullptr) {
    throw RuntimeError(kErrObjectClosed, "Operation is not allowed when the object is closed.");
  }
  return handle_;
}

sqlite3* sqliteHandle(Connection& connection) { return connection.openHandle(); }

QueryReadScope::QueryReadScope(Connection& connection)
    : handle_(sqliteHandle(connection)),
      statements_(&statementCache(connection)),
      open_(!connection.inTransaction() && !statements_->suspended()) {
  if (open_) runStatement(handle_, "BEGIN DEFERRED", statements_);
}

QueryReadScope::~QueryReadScope() {
  if (!open_) return;
  try {
    runStatement(handle_, "ROLLBACK", statements_);
  } catch (const std::exception&) {
    // it wrote nothing; SQLite ends the transaction itself when it cannot roll back
  }
}

void QueryReadScope::end() {
  if (!open_) return;
  open_ = false;
  runStatement(handle_, "COMMIT", statements_);
}

StatementCache& statementCache(Connection& connection) { return *connection.statements_; }

CatalogMemo& catalogMemo(Connection& connection) { return *connection.catalog_; }

int& clientQueryGuards(Connection& connection) { return connection.clientQueryGuards_; }

bool Connection::inTransaction() const { return handle_ != nullptr && sqlite3_get_autocommit(handle_) == 0; }

void Connection::beginTrans(TransactionMode mode) {
  sqlite3* handle = openHandle();
  if (inTransaction()) {
    throw RuntimeError(kErrTransactionExists, "Only one transaction can be active on this session.");
  }
  faultPoint(DbCall::BeginTrans);
  catalog_->transactionBegun();
  if (mode == TransactionMode::Read) {
    runStatement(handle, "BEGIN DEFERRED", statements_.get());
    return;
  }
  // The company database's write lock is taken now, so that a second writer waits here (up to
  // the command timeout) instead of failing half-way through its work. The system database and
  // tempdb are locked only when the transaction writes them: the login object records taken
  // rights in the system database on its own connection while a request's transaction is open.
  const std::optional<std::string> table = firstCompanyTable(handle, statements_.get());
  if (!table) {
    runStatement(handle, "BEGIN IMMEDIATE", statements_.get());
    return;
  }
  runStatement(handle, "BEGIN DEFERRED", statements_.get());
  try {
    runStatement(handle, "DELETE FROM main.\"" + *table + "\" WHERE 0", statements_.get());  // the lock, no rows
  } catch (...) {
    runStatement(handle, "ROLLBACK", statements_.get());
    throw;
  }
}

void Connection::commitTrans() {
  sqlite3* handle = openHandle();
  if (!inTransaction()) throw RuntimeError(kErrNoTransaction, "No transaction is active.");
  faultPoint(DbCall::CommitTrans);
  catalog_->transactionEnded();
  runStatement(handle, "COMMIT", statements_.get());
}

void Connection::rollbackTrans() {
  sqlite3* handle = openHandle();
  if (!inTransaction()) throw RuntimeError(kErrNoTransaction, "No transaction is active.");
  catalog_->transactionEnded();
  runStatement(handle, "ROLLBACK", statements_.get());
}

long Connection::execute(const std::string& tsql) {
  sqlite3* handle = openHandle();
  faultPoint(DbCall::Execute);
  const auto program = TsqlTranslator::shared().translate(handle, tsql, statements_.get(), catalog_.get());
  return program->run(handle, RowsHandler(), statements_.get());  // rows of a SELECT in the text are dropped
}

}  // namespace corvane::db
