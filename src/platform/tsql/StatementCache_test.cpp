#include "platform/tsql/StatementCache.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

namespace corvane::db {
namespace {

class StatementCacheTest : public ::testing::Test {
 protected:
  void SetUp() override { sqlite3_open(":memory:", &db); }
  void TearDown() override {
    cache.clear();
    sqlite3_close(db);
  }

  // Runs `sql` through the cache; answers the statement it ran.
  sqlite3_stmt* run(const std::string& sql) {
    StatementLease lease = StatementCache::lease(&cache, db, sql);
    sqlite3_step(lease.get());
    return lease.get();
  }

  sqlite3* db = nullptr;
  StatementCache cache;
};

TEST_F(StatementCacheTest, AStatementRunAgainOutlastsTextsRunOnce) {
  const sqlite3_stmt* reused = run("SELECT 1");
  EXPECT_EQ(run("SELECT 1"), reused);
  for (int value = 0; value < 1000; ++value) run("SELECT " + std::to_string(value + 2));
  EXPECT_EQ(run("SELECT 1"), reused);
}

TEST_F(StatementCacheTest, ATextLentTwiceAtOnceRunsOnAStatementOfItsOwn) {
  StatementLease first = StatementCache::lease(&cache, db, "SELECT 1");
  StatementLease second = StatementCache::lease(&cache, db, "SELECT 1");
  EXPECT_NE(first.get(), second.get());
  EXPECT_EQ(sqlite3_step(first.get()), SQLITE_ROW);
  EXPECT_EQ(sqlite3_step(second.get()), SQLITE_ROW);
}

}  // namespace
}  // namespace corvane::db
