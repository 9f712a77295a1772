#include "host/ReferServerQuery.h"

#include <gtest/gtest.h>

#include "platform/com/RuntimeError.h"

namespace corvane {
namespace {

struct QueryCase {
  const char* text;
  bool readsOnly;
};

constexpr QueryCase kQueries[] = {
    {"select * from Department", true},
    {"  SELECT cDepCode FROM Department WHERE cDepName = N'a;b'", true},
    {"(select 1) union (select 2)", true},
    {"select 1;", true},
    {"select 1; -- done", true},
    {"/* lead */ select [into] from t", true},
    {"select 'it''s; delete from t' as x", true},
    {"select \"a;b\" from t", true},
    {"select 1 -- ; delete from t", true},
    {"delete from Department", false},
    {"update Department set cDepName='x'", false},
    {"insert into Department values ('9','x',1,1)", false},
    {"select 1; delete from Department", false},
    {"select 1 ; update t set a=1", false},
    {"select * into copy from Department", false},
    {"SELECT * INTO copy FROM Department", false},
    {"with x as (select 1) delete from t", false},
    {"drop table Department", false},
    {"selectx from t", false},
    {"", false},
    {"   ", false},
    {"select 'unclosed", false},
    {"select 1 /* unclosed", false},
    {"select [unclosed", false},
    {"select 1 /* ; */; delete from t", false},
    {"select 1 -- comment\n; delete from t", false},
};

TEST(ReferServerQuery, OnlyASingleSelectPasses) {
  for (const QueryCase& c : kQueries) {
    EXPECT_EQ(c.readsOnly, IsReadOnlyQuery(c.text)) << c.text;
  }
}

TEST(ReferServerQuery, RefusalIsAClearError) {
  try {
    RequireReadOnlyQuery("select 1; delete from t");
    FAIL() << "no error";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(errnum::kInvalidArgument, error.number());
    EXPECT_EQ("Only a single SELECT statement may be run here.", error.description());
  }
  EXPECT_NO_THROW(RequireReadOnlyQuery("select 1"));
}

}  // namespace
}  // namespace corvane
