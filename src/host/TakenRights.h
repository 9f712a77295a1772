#pragma once
// The function rights that the logins of this process hold, counted per holder. The table of
// taken rights (`UA_Task` in the account's system database) is what every process of the account
// sees; within one process the first holder of a right writes its row and the last one to
// release it removes the row, while the holders in between share that row and write nothing.
//
// Writes are made one group at a time. A thread that comes while a group is being written waits;
// when it ends, one waiting thread writes every change then waiting for the same system database
// in one transaction on its own connection, and each thread returns once its change is committed.
// Threads of the process thus queue here instead of in SQLite's busy wait (which sleeps for
// milliseconds), many logins share one commit, and a take and a release of one right never cross
// between the count and the row. When the group's transaction fails, its changes are made again
// one by one, so that each fails or stands on its own.
//
// A release by a login that holds the right does not wait when a group of the same system
// database is being written: it is left to a later group, which the thread writing this one
// writes itself when no change of that database waits with its thread. A take of the same right
// and user that comes before that group takes the release back, and neither is written. While
// changes whose threads wait keep the queue busy, a left release waits out a few of their groups
// for such a take, so that a login taking and releasing a right request after request keeps its
// one row. The row goes a few groups later at most than if the release had waited, and the reply
// is not held back by the commit.

#include <compare>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace corvane {

namespace db {
class Connection;
}

class TakenRights {
 public:
  // One right of one user in one account and year. `files` tells the account's system database
  // apart from another at the same path; `code` and `user` compare without case, as the table does.
  struct Key {
    std::string files;
    std::string code;
    std::int16_t year = 0;
    std::string user;
    auto operator<=>(const Key&) const = default;
  };
  static Key keyOf(const std::string& files, const std::string& code, std::int16_t year, const std::string& user);

  static TakenRights& shared();

  // Counts one more holder of `key`; `insertRow` runs first when the process holds none yet,
  // and when it raises, nothing is counted. A release of `key` left to a group not yet begun is
  // taken back instead, unless a release of `key` that waits comes with it. `connection` is the
  // caller's own connection to the account, outside any transaction; it may write other logins'
  // changes of the same account.
  void take(const Key& key, db::Connection& connection, const std::string& insertRow);

  // Whether the caller is one of the holders this process counted for a right it releases.
  enum class Holding { Counted, Unknown };

  // Counts one holder of `key` off. When it was the last one, or the process counted none (the
  // row may be another process's of the same user, as a release always removed), `deleteRows`
  // runs and whether it removed a row is answered; else true. A counted holder's release that is
  // left to the next group answers true: the row it removes is this process's own.
  bool release(const Key& key, db::Connection& connection, const std::string& deleteRows,
               Holding holding = Holding::Unknown);

  // Counts one holder of `key` off without touching the table: a login that ends while it holds
  // a right leaves its row behind, as a process that ends does, and the next release of that
  // right and user removes it.
  void forget(const Key& key);

  // Whether a group is being written, and how many changes wait for it to end.
  struct Queue {
    bool writing = false;
    std::size_t waiting = 0;
  };
  Queue queue() const;

 private:
  struct Change {
    const Key& key;
    bool take;
    const std::string& sql;
    bool answer = false;
    std::exception_ptr failure{};
    bool done = false;
    bool awaited = true;   // false for a release that did not wait
    int groupsPassed = 0;  // by a release that did not wait, kept for a take
  };
  static constexpr int kMostGroupsPassed = 4;

  // A release that did not wait: the queue owns it until it is written.
  struct LeftRelease {
    LeftRelease(const Key& key, const std::string& sql) : key(key), sql(sql) {}
    Key key;
    std::string sql;
    Change change{.key = key, .take = false, .sql = sql, .awaited = false};
  };

  bool takeBackLeftRelease(const Key& key);
  bool submit(Change& change, db::Connection& connection);
  void writeGroupsOf(const std::string& files, db::Connection& connection, std::unique_lock<std::mutex>& lock);
  bool onlyLeftReleasesWaitFor(const std::string& files) const;
  void dropWrittenLeftReleases();
  std::vector<Change*> claimGroupOf(const std::string& files);
  void writeGroup(const std::vector<Change*>& group, db::Connection& connection);
  void writeAlone(Change& change, db::Connection& connection);
  void apply(Change& change, db::Connection& connection);

  mutable std::mutex mutex_;
  std::condition_variable groupWritten_;
  std::vector<Change*> waiting_;  // in the order they came
  // The changes of the group being written, all of one system database; none while no group is.
  // Changed under the mutex, and read by the writing thread while it writes them.
  std::vector<Change*> beingWritten_;
  std::vector<std::unique_ptr<LeftRelease>> left_;
  // Read and changed by the one thread writing a group, or under the mutex while none is.
  std::map<Key, int> holders_;
};

}  // namespace corvane
