#include "host/TakenRights.h"

#include "platform/com/AsciiText.h"

namespace corvane {

TakenRights::Key TakenRights::keyOf(const std::string& files, const std::string& code,
                                    std::int16_t year, const std::string& user) {
  return Key{files, toLowerAscii(code), year, toLowerAscii(user)};
}

TakenRights& TakenRights::shared() {
  static TakenRights rights;
  return rights;
}

void TakenRights::take(const Key& key, const std::function<void()>& writeRow) {
  const std::lock_guard lock(mutex_);
  int& count = holders_[key];
  if (count == 0) {
    try {
      writeRow();
    } catch (...) {
      holders_.erase(key);
      throw;
    }
  }
  ++count;
}

bool TakenRights::release(const Key& key, const std::function<bool()>& removeRows) {
  const std::lock_guard lock(mutex_);
  const auto found = holders_.find(key);
  if (found != holders_.end() && found->second > 1) {
    --found->second;
    return true;
  }
  // Counted off even when the removal fails: the next take then writes a row again, and the
  // release after it removes every row of the right and user, the stale one included.
  if (found != holders_.end()) holders_.erase(found);
  return removeRows();
}

void TakenRights::forget(const Key& key) {
  const std::lock_guard lock(mutex_);
  const auto found = holders_.find(key);
  if (found != holders_.end() && --found->second == 0) holders_.erase(found);
}

}  // namespace corvane
