#pragma once
// The function rights that the logins of this process hold, counted per holder. The table of
// taken rights (`UA_Task` in the account's system database) is what every process of the account
// sees; within one process the first holder of a right writes its row and the last one to
// release it removes the row, while the holders in between share that row and write nothing.
// The writes are made under the registry's lock: threads of the process queue here instead of in
// SQLite's busy wait (which sleeps for milliseconds), and a take and a release of one right never
// cross between the count and the row.

#include <compare>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>

namespace corvane {

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
  static Key keyOf(const std::string& files, const std::string& code, std::int16_t year,
                   const std::string& user);

  static TakenRights& shared();

  // Counts one more holder of `key`; `writeRow` runs first when the process holds none yet, and
  // when it raises, nothing is counted.
  void take(const Key& key, const std::function<void()>& writeRow);

  // Counts one holder of `key` off. When it was the last one, or the process counted none (the
  // row may be another process's of the same user, as a release always removed), `removeRows`
  // runs and its answer (whether a row was removed) is answered; else true.
  bool release(const Key& key, const std::function<bool()>& removeRows);

  // Counts one holder of `key` off without touching the table: a login that ends while it holds
  // a right leaves its row behind, as a process that ends does, and the next release of that
  // right and user removes it.
  void forget(const Key& key);

 private:
  std::mutex mutex_;
  std::map<Key, int> holders_;
};

}  // namespace corvane
