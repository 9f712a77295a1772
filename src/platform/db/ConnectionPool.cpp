#include "platform/db/ConnectionPool.h"

#include <sys/stat.h>

#include <algorithm>
#include <map>

#include "platform/db/AccountFiles.h"
#include "platform/db/ConnectionHandle.h"
#include "platform/db/DbFaultHook.h"
#include "platform/tsql/StatementCache.h"

namespace corvane::db {

namespace {

// Idle connections kept per account files (one per thread that serves it at once) and in all.
constexpr std::size_t kIdlePerAccount = 8;
constexpr std::size_t kIdleInAll = 32;

std::optional<AccountIdentity::File> fileIdentity(const std::filesystem::path& file) {
  struct stat status {};
  if (::stat(file.c_str(), &status) != 0) return std::nullopt;
  return AccountIdentity::File{status.st_dev, status.st_ino, status.st_mode};
}

// True when the connection holds temp objects of its own: they would be visible to the next
// request, which must see only the shared tempdb.
bool holdsOwnTempObjects(Connection& connection) {
  const StatementLease statement = StatementCache::lease(&statementCache(connection), sqliteHandle(connection),
                                                         "SELECT 1 FROM temp.sqlite_master LIMIT 1");
  return sqlite3_step(statement.get()) != SQLITE_DONE;
}

// Brings a returned connection back to the state of a new one; false when it cannot be reused.
bool resetForReuse(Connection& connection) {
  if (!connection.isOpen()) return false;
  try {
    if (connection.inTransaction()) connection.rollbackTrans();
    connection.setConnectionTimeout(kDefaultConnectionTimeout);
    connection.setCommandTimeout(kDefaultCommandTimeout);
    return !holdsOwnTempObjects(connection);
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

std::optional<AccountIdentity> AccountIdentity::of(const std::string& folder) {
  const AccountFiles files{folder};
  AccountIdentity identity;
  identity.folder = folder;
  const std::array<std::filesystem::path, 3> paths{files.company(), files.system(), files.tempdb()};
  for (std::size_t index = 0; index < paths.size(); ++index) {
    const auto file = fileIdentity(paths[index]);
    if (!file) return std::nullopt;
    identity.files[index] = *file;
  }
  return identity;
}

PooledConnection::PooledConnection(ConnectionPool& pool, std::unique_ptr<Connection> connection,
                                   AccountIdentity identity)
    : pool_(&pool), connection_(std::move(connection)), identity_(std::move(identity)) {}

PooledConnection::~PooledConnection() { giveBack(); }

PooledConnection& PooledConnection::operator=(PooledConnection&& other) noexcept {
  if (this != &other) {
    giveBack();
    pool_ = other.pool_;
    connection_ = std::move(other.connection_);
    identity_ = std::move(other.identity_);
  }
  return *this;
}

void PooledConnection::giveBack() {
  if (connection_ && pool_ != nullptr) pool_->giveBack(std::move(connection_), identity_);
  connection_.reset();
}

ConnectionPool& ConnectionPool::shared() {
  static ConnectionPool pool;
  return pool;
}

PooledConnection ConnectionPool::acquire(std::string_view connectionString, int connectionTimeout) {
  const std::optional<std::string> folder = connectionStringValue(connectionString, "Data Source");
  if (folder && !folder->empty()) {
    if (const auto identity = AccountIdentity::of(*folder)) {
      if (auto idle = takeIdle(*identity)) {
        PooledConnection lease(*this, std::move(idle), *identity);
        faultPoint(DbCall::Open);
        lease->setConnectionTimeout(connectionTimeout);
        return lease;
      }
    }
  }
  auto connection = std::make_unique<Connection>();
  connection->setConnectionTimeout(connectionTimeout);
  connection->open(connectionString);
  // Files that cannot be told apart are not pooled: the connection is closed when it comes back.
  auto identity = AccountIdentity::of(*folder);
  if (!identity) return PooledConnection(*this, std::move(connection), AccountIdentity{});
  return PooledConnection(*this, std::move(connection), std::move(*identity));
}

std::unique_ptr<Connection> ConnectionPool::takeIdle(const AccountIdentity& identity) {
  const std::lock_guard lock(mutex_);
  for (auto entry = idle_.rbegin(); entry != idle_.rend(); ++entry) {
    if (entry->identity != identity) continue;
    auto connection = std::move(entry->connection);
    idle_.erase(std::next(entry).base());
    return connection;
  }
  return nullptr;
}

void ConnectionPool::giveBack(std::unique_ptr<Connection> connection, const AccountIdentity& identity) {
  const bool clean = !identity.folder.empty() && resetForReuse(*connection);
  // The files are looked at outside the lock.
  const Identities current = currentIdentities(identity);
  const auto returning = current.find(identity.folder);
  const bool reusable = clean && returning != current.end() && returning->second == identity;
  std::vector<Idle> closing;  // closed after the lock is released
  const std::lock_guard lock(mutex_);
  dropVanished(current, closing);
  if (!reusable) {
    closing.push_back(Idle{identity, std::move(connection)});
    return;
  }
  const auto sameFiles = [&identity](const Idle& entry) { return entry.identity == identity; };
  if (static_cast<std::size_t>(std::count_if(idle_.begin(), idle_.end(), sameFiles)) >= kIdlePerAccount) {
    const auto oldest = std::find_if(idle_.begin(), idle_.end(), sameFiles);
    closing.push_back(std::move(*oldest));
    idle_.erase(oldest);
  }
  if (idle_.size() >= kIdleInAll) {
    closing.push_back(std::move(idle_.front()));
    idle_.erase(idle_.begin());
  }
  idle_.push_back(Idle{identity, std::move(connection)});
}

// The identity of the files of the returning connection's folder (unless empty) and of every
// folder that has idle connections, now. The returning folder's files were looked at when the
// connection was lent and are looked at again before it is lent next: they are looked at here only
// when an idle connection of that folder opened other files, to tell which of the two is stale.
ConnectionPool::Identities ConnectionPool::currentIdentities(const AccountIdentity& returning) const {
  std::vector<std::string> folders;
  bool returningDisagrees = false;
  {
    const std::lock_guard lock(mutex_);
    for (const Idle& entry : idle_) {
      if (entry.identity.folder == returning.folder) {
        returningDisagrees = returningDisagrees || entry.identity != returning;
      } else if (std::find(folders.begin(), folders.end(), entry.identity.folder) == folders.end()) {
        folders.push_back(entry.identity.folder);
      }
    }
  }
  Identities current;
  if (!returning.folder.empty()) {
    current.emplace(returning.folder, returningDisagrees ? AccountIdentity::of(returning.folder) : returning);
  }
  for (const std::string& folder : folders) current.emplace(folder, AccountIdentity::of(folder));
  return current;
}

// Moves the idle connections whose account files are no longer those they opened (deleted,
// replaced, permissions changed) to `closing`; folders not in `current` are left for next time.
void ConnectionPool::dropVanished(const Identities& current, std::vector<Idle>& closing) {
  const auto vanished = [&current](const Idle& entry) {
    const auto found = current.find(entry.identity.folder);
    return found != current.end() && found->second != entry.identity;
  };
  for (Idle& entry : idle_) {
    if (vanished(entry)) closing.push_back(std::move(entry));
  }
  std::erase_if(idle_, [](const Idle& entry) { return entry.connection == nullptr; });
}

void ConnectionPool::clear() {
  std::vector<Idle> closing;
  const std::lock_guard lock(mutex_);
  closing.swap(idle_);
}

std::size_t ConnectionPool::idleCount() const {
  const std::lock_guard lock(mutex_);
  return idle_.size();
}

}  // namespace corvane::db
