#include "host/TakenRights.h"

#include <algorithm>
#include <optional>

#include "platform/com/AsciiText.h"
#include "platform/db/Connection.h"
#include "platform/db/Transaction.h"

namespace corvane {

TakenRights::Key TakenRights::keyOf(const std::string& files, const std::string& code, std::int16_t year,
                                    const std::string& user) {
  return Key{files, toLowerAscii(code), year, toLowerAscii(user)};
}

TakenRights& TakenRights::shared() {
  static TakenRights rights;
  return rights;
}

void TakenRights::take(const Key& key, db::Connection& connection, const std::string& insertRow) {
  if (takeBackLeftRelease(key)) return;
  Change change{key, true, insertRow};
  submit(change, connection);
}

bool TakenRights::release(const Key& key, db::Connection& connection, const std::string& deleteRows, Holding holding) {
  if (holding == Holding::Counted) {
    const std::lock_guard lock(mutex_);
    if (!beingWritten_.empty() && beingWritten_.front()->key.files == key.files) {
      waiting_.push_back(&left_.emplace_back(std::make_unique<LeftRelease>(key, deleteRows))->change);
      return true;
    }
  }
  Change change{key, false, deleteRows};
  return submit(change, connection);
}

// A holder's release of `key` left to a group not yet claimed has counted nothing off and removed
// no row, so a take of the same right and user takes it back, with nothing to write. Not while a
// release that waits for that right is queued or being written: it may count off the left
// release's holder, and the take then waits its turn.
bool TakenRights::takeBackLeftRelease(const Key& key) {
  const std::lock_guard lock(mutex_);
  const auto waitedRelease = [&](const Change* each) { return each->key == key && !each->take && each->awaited; };
  if (std::ranges::any_of(waiting_, waitedRelease) || std::ranges::any_of(beingWritten_, waitedRelease)) {
    return false;
  }
  const auto left =
      std::ranges::find_if(waiting_, [&](const Change* each) { return each->key == key && !each->awaited; });
  if (left == waiting_.end()) return false;
  const Change* change = *left;
  waiting_.erase(left);
  std::erase_if(left_, [&](const std::unique_ptr<LeftRelease>& each) { return &each->change == change; });
  return true;
}

void TakenRights::forget(const Key& key) {
  std::unique_lock lock(mutex_);
  groupWritten_.wait(lock, [&] { return beingWritten_.empty(); });
  const auto found = holders_.find(key);
  if (found != holders_.end() && --found->second == 0) holders_.erase(found);
}

TakenRights::Queue TakenRights::queue() const {
  const std::lock_guard lock(mutex_);
  return Queue{!beingWritten_.empty(), waiting_.size()};
}

// Waits while another thread writes a group; then either the change was in it, or this thread
// writes the group it finds waiting.
bool TakenRights::submit(Change& change, db::Connection& connection) {
  std::unique_lock lock(mutex_);
  waiting_.push_back(&change);
  groupWritten_.wait(lock, [&] { return change.done || beingWritten_.empty(); });
  if (!change.done) writeGroupsOf(change.key.files, connection, lock);
  if (change.failure) std::rethrow_exception(change.failure);
  return change.answer;
}

// Writes the waiting changes of `files` as one group, and again while only releases that nobody
// waits for are left of them; a thread that waits for a change of its own writes the next group.
void TakenRights::writeGroupsOf(const std::string& files, db::Connection& connection,
                                std::unique_lock<std::mutex>& lock) {
  do {
    beingWritten_ = claimGroupOf(files);
    lock.unlock();
    writeGroup(beingWritten_, connection);
    lock.lock();
    // Each change's owner may return and drop it once it is marked done.
    for (Change* each : beingWritten_) each->done = true;
    beingWritten_.clear();
    dropWrittenLeftReleases();
  } while (onlyLeftReleasesWaitFor(files));
  lock.unlock();
  groupWritten_.notify_all();
  lock.lock();
}

bool TakenRights::onlyLeftReleasesWaitFor(const std::string& files) const {
  bool left = false;
  for (const Change* each : waiting_) {
    if (each->key.files != files) continue;
    if (each->awaited) return false;
    left = true;
  }
  return left;
}

// A left release that failed is dropped as a waited one is by its caller: its row stays, and
// the next release of that right and user removes it.
void TakenRights::dropWrittenLeftReleases() {
  std::erase_if(left_, [](const std::unique_ptr<LeftRelease>& left) { return left->change.done; });
}

// The waiting changes of one system database, in the order they came; the others stay waiting.
// A left release stays too, while its right has no other change waiting and changes whose threads
// wait make the group, for a few groups at most: the same user's next take may take it back.
std::vector<TakenRights::Change*> TakenRights::claimGroupOf(const std::string& files) {
  const bool threadsWait =
      std::ranges::any_of(waiting_, [&](const Change* each) { return each->key.files == files && each->awaited; });
  const auto staysForATake = [&](Change& change) {
    if (change.awaited || !threadsWait || change.groupsPassed == kMostGroupsPassed) return false;
    if (std::ranges::count_if(waiting_, [&](const Change* each) { return each->key == change.key; }) > 1) return false;
    ++change.groupsPassed;
    return true;
  };
  std::vector<Change*> group;
  std::vector<Change*> staying;
  for (Change* each : waiting_) {
    (each->key.files == files && !staysForATake(*each) ? group : staying).push_back(each);
  }
  waiting_ = std::move(staying);
  return group;
}

void TakenRights::writeGroup(const std::vector<Change*>& group, db::Connection& connection) {
  // One change is one statement, committed by itself; it waits for another process's writer
  // where a statement inside a transaction that has read would fail at once.
  if (group.size() == 1) return writeAlone(*group.front(), connection);
  std::map<Key, std::optional<int>> before;
  for (const Change* each : group) {
    const auto found = holders_.find(each->key);
    before.try_emplace(each->key, found == holders_.end() ? std::nullopt : std::optional(found->second));
  }
  try {
    // A reading transaction takes no lock at its begin: the first write takes the system
    // database's alone, and the company database stays free for the requests' own writers.
    db::Transaction transaction(connection, db::TransactionMode::Read);
    for (Change* each : group) apply(*each, connection);
    transaction.commit();
  } catch (...) {
    for (const auto& [key, count] : before) {
      if (count) {
        holders_[key] = *count;
      } else {
        holders_.erase(key);
      }
    }
    for (Change* each : group) writeAlone(*each, connection);
  }
}

void TakenRights::writeAlone(Change& change, db::Connection& connection) {
  try {
    apply(change, connection);
  } catch (...) {
    change.failure = std::current_exception();
  }
}

void TakenRights::apply(Change& change, db::Connection& connection) {
  if (change.take) {
    int& count = holders_[change.key];
    if (count == 0) {
      try {
        connection.execute(change.sql);
      } catch (...) {
        holders_.erase(change.key);
        throw;
      }
    }
    ++count;
    change.answer = true;
    return;
  }
  const auto found = holders_.find(change.key);
  if (found != holders_.end() && found->second > 1) {
    --found->second;
    change.answer = true;
    return;
  }
  // Counted off even when the removal fails: the next take then writes a row again, and the
  // release after it removes every row of the right and user, the stale one included.
  if (found != holders_.end()) holders_.erase(found);
  change.answer = connection.execute(change.sql) > 0;
}

}  // namespace corvane
