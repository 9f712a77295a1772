#include "platform/tsql/SqlFunctions.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "platform/tsql/TsqlTestDatabase.h"

namespace corvane::db {
namespace {

TEST(SqlFunctions, MakesBracedUpperCaseGuids) {
  const TsqlTestDatabase database;
  const std::string first = database.plainRows("select newid()");
  EXPECT_TRUE(
      std::regex_match(first, std::regex(R"(\{[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}\})")))
      << first;
  EXPECT_NE(database.plainRows("select newid()"), first);
}

TEST(SqlFunctions, WorksOnCharactersNotBytes) {
  const TsqlTestDatabase database;
  EXPECT_EQ(database.plainRows("select len('提示 '), tsql_varchar('严格控制', 2, 0, 0, 0)"), "2|严格");
}

TEST(SqlFunctions, SumsExactlyAsAWindowFunctionToo) {
  const TsqlTestDatabase database;
  EXPECT_EQ(database.plainRows("select grp, sum(amount) over (order by rowid rows between 1 preceding and current row) "
                               "from Amounts where grp = 1"),
            "1|0.1;1|0.3;1|-0.1");
  EXPECT_EQ(database.plainRows("select sum(x) from (select 9007199254740993 as x union all select 1)"),
            "9007199254740994");
}

TEST(SqlFunctions, ComparesChinesePrcCiAsWithoutCase) {
  const TsqlTestDatabase database;
  EXPECT_EQ(
      database.plainRows("select 'abc' = 'ABC' collate Chinese_PRC_CI_AS, 'abc' < 'ABD' collate Chinese_PRC_CI_AS, "
                         "'ab' = 'abc' collate Chinese_PRC_CI_AS"),
      "1|1|0");
}

}  // namespace
}  // namespace corvane::db
