#include "platform/db/TsqlTranslator.h"

#include "platform/db/TsqlParser.h"

namespace corvane::db {

namespace {
// Texts carry their literal values, so most are seen once; the memo is emptied when it reaches
// this size rather than growing with the life of the process.
constexpr std::size_t kCacheLimit = 20000;
}  // namespace

std::shared_ptr<const Program> TsqlTranslator::translate(sqlite3* db, std::string_view tsql) {
  const std::string key(tsql);
  {
    const std::lock_guard lock(mutex_);
    if (const auto found = cache_.find(key); found != cache_.end()) return found->second;
  }
  auto program = std::make_shared<const Program>(translateTsql(db, tsql));
  const std::lock_guard lock(mutex_);
  if (cache_.size() >= kCacheLimit) cache_.clear();
  return cache_.emplace(key, std::move(program)).first->second;
}

TsqlTranslator& TsqlTranslator::shared() {
  static TsqlTranslator translator;
  return translator;
}

}  // namespace corvane::db
