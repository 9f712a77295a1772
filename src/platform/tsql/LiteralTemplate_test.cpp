#include "platform/tsql/LiteralTemplate.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

#include "platform/tsql/TsqlTestDatabase.h"
#include "platform/tsql/TsqlTranslator.h"

namespace corvane::db {
namespace {

std::string keyOf(const char* tsql) {
  const auto shape = shapeOf(tsql);
  return shape ? shape->key : std::string("(none) ") + tsql;
}

TEST(LiteralTemplate, ShapesOnlyValuesTheTranslationDoesNotRead) {
  struct Case {
    const char* a;
    const char* b;
    bool shared;
  };
  static const Case kCases[] = {
      {"update t set a='abcd', c=N'x''yz' where b=12", "update t set a='wxyz', c=N'u''vw' where b=99999", true},
      {"select * from t where a<>'abcd' and b>=7", "select * from t where a<>'wxyz' and b>=0012", true},
      {"update t set a=N'abcd'", "update t set a='abcd'", false},
      {"select * from t where a='abcd'", "select * from t where a='abcde'", false},
      {"select * from t where d='2026-01-05'", "select * from t where d='2026-01-06'", false},
      {"select * from t where a='1234'", "select * from t where a='5678'", false},
      {"select * from t where a like '[ab]cd'", "select * from t where a like '[xy]cd'", false},
      {"select * from t where a=' abc'", "select * from t where a=' xyz'", false},
      {"select * from t where a='abc'", "select * from t where a='xyz'", false},
      {"select top 5 * from t", "select top 6 * from t", false},
      {"insert into t values (12, 1500.5), (7, 0.25)", "insert into t values (13, 2500.5), (0012, 9.75)", true},
      {"insert into t values (1500.5)", "insert into t values (1500.55)", false},
      {"insert into t values (1500.5)", "insert into t values (15000.5)", false},
      {"insert into t values (12 + 1)", "insert into t values (13 + 1)", false},
      {"select round(a, 2), substring(a, 1, 3) from t", "select round(a, 4), substring(a, 1, 5) from t", false},
      {"update t set a = 1.25 where b = 7", "update t set a = 3.75 where b = 123456", true},
      {"select * from t where b=-12", "select * from t where b=-13", false},
      {"select * from t where b=1.5", "select * from t where b=2.5", true},
      {"select * from t where b=1.5", "select * from t where b=12.5", false},
      {"select * from t where b=1e5", "select * from t where b=2e5", false},
      {"select convert(varchar(10), a, 120) from t", "select convert(varchar(12), a, 120) from t", false},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(keyOf(c.a) == keyOf(c.b), c.shared) << c.a << "\n" << c.b;
  }
}

TEST(LiteralTemplate, TextsOfOneShapeReadAsTheirOwnValues) {
  const TsqlTestDatabase database;
  struct Step {
    const char* tsql;
    const char* rows;
  };
  static const Step kSteps[] = {
      {"insert into KX_IOItem (strCode, strName, strTypeCode, ts) values ('A-01', 'first item', 'kind', 1)", ""},
      {"insert into KX_IOItem (strCode, strName, strTypeCode, ts) values ('B-02', 'it''s item!', 'sort', 1)", ""},
      // a number written into a text column is stored as text, whichever text carries it
      {"update KX_IOItem set strCode = 4711 where strName = 'first item'", ""},
      {"update KX_IOItem set strCode = 4712 where strName = 'it''s item!'", ""},
      {"select strCode, strName, strTypeCode from KX_IOItem where strTypeCode in ('kind', 'sort') order by strName",
       "4711|first item|kind;4712|it's item!|sort"},
      // amounts in a VALUES list and in SET take the form of their column, whichever text carries them
      {"insert into KX_LoanVouch (GUID, strVouchID, dblMoney, dblRate, fltRate) values ('G-001', 'V-0001', 1500.5, "
       "12.345, 2)",
       ""},
      {"insert into KX_LoanVouch (GUID, strVouchID, dblMoney, dblRate, fltRate) values ('G-002', 'V-0002', 2500.5, "
       "99.999, 3)",
       ""},
      {"update KX_LoanVouch set dblMoney = 0.25 where strVouchID = 'V-0002'", ""},
      {"select strVouchID, dblMoney, dblRate, fltRate from KX_LoanVouch where GUID in ('G-001', 'G-002') "
       "order by strVouchID",
       "V-0001|1500.5|12.35|2;V-0002|0.25|100|3"},
      {"select strName from KX_OperationType where ts = 2", "Expense"},
      {"select strName from KX_OperationType where ts = 3", "Travel"},
      {"select 'abcd' as x, 'A-01' as y", "abcd|A-01"},
      {"select 'wxyz' as x, 'B-02' as y", "wxyz|B-02"},
  };
  for (const auto& step : kSteps) EXPECT_EQ(database.rows(step.tsql), step.rows) << step.tsql;
  EXPECT_EQ(database.plainRows("SELECT group_concat(typeof(strCode)) FROM KX_IOItem "
                               "WHERE strTypeCode IN ('kind', 'sort')"),
            "text,text");
}

TEST(LiteralTemplate, StatementsThatWriteShareOneTextAndOthersKeepTheirValues) {
  const TsqlTestDatabase database;
  auto& translator = TsqlTranslator::shared();
  const auto textOf = [&](const char* tsql) { return translator.translate(database.db(), tsql)->text(); };
  textOf("update KX_OperationType set strShowModel = 'mmmm' where strName = 'Loan'");
  const std::string first = textOf("update KX_OperationType set strShowModel = 'abcd' where strName = 'Loan'");
  const std::string second = textOf("update KX_OperationType set strShowModel = 'wxyz' where strName = 'Note'");
  EXPECT_EQ(first, second);
  EXPECT_NE(first.find('?'), std::string::npos) << first;

  textOf("select strCode from KX_OperationType where strName = 'Loan'");
  EXPECT_NE(textOf("select strCode from KX_OperationType where strName = 'Trip'").find("'Trip'"), std::string::npos);
}

// A text met once is read as it stands; the second text of its shape makes the shape shared,
// in every build.
TEST(LiteralTemplate, AShapeIsSharedFromItsSecondText) {
  const TsqlTestDatabase database;
  auto& translator = TsqlTranslator::shared();
  const auto textOf = [&](const char* tsql) { return translator.translate(database.db(), tsql)->text(); };
  const std::string first = textOf("update KX_IOItem set strName = 'met once here' where strCode = 'S-0001'");
  EXPECT_NE(first.find("'met once here'"), std::string::npos) << first;
  EXPECT_EQ(first.find('?'), std::string::npos) << first;
  const std::string second = textOf("update KX_IOItem set strName = 'then shared!!' where strCode = 'S-0002'");
  EXPECT_EQ(second.find("then shared!!"), std::string::npos) << second;
  EXPECT_NE(second.find('?'), std::string::npos) << second;
}

TEST(LiteralTemplate, DecimalsThatAreWrittenShareOneStatementAndStoreTheLiteralsValue) {
  const TsqlTestDatabase database;
  auto& translator = TsqlTranslator::shared();
  const auto update = [](const std::string& value, const char* vouch = "L002") {
    return "update KX_LoanVouch set fltRate = " + value + " where strVouchID = '" + vouch + "'";
  };
  translator.translate(database.db(), update("8.25"));
  const std::string shared = translator.translate(database.db(), update("9.75"))->text();
  EXPECT_EQ(shared.find("9.75"), std::string::npos) << shared;
  // the stored value is the double SQLite reads from the literal itself, to the last bit; each
  // form of number is a shape of its own, met first here by a text that changes no row
  for (const char* value : {"0.1", "1001.5", "5.", ".5", "0.3000000000000001", "12345678901234.56", "9007199254740993.",
                            "0.000000000000017"}) {
    translator.translate(database.db(), update(value, "L999"));
    ASSERT_EQ(translator.translate(database.db(), update(value))->text(), shared) << value;
    database.rows(update(value));
    const std::string same = std::string("SELECT fltRate = ") + value + " FROM KX_LoanVouch WHERE strVouchID = 'L002'";
    EXPECT_EQ(database.plainRows(same.c_str()), "1") << value;
  }
}

// A bound number with a point compares as the number written in would: with no affinity of its
// own, so a text column compares it as text.
TEST(LiteralTemplate, ABoundNumberComparesAsTheNumberWrittenIn) {
  const char* const kUpdate = "update t set a = 'done' where s = 1.5";
  const auto shape = shapeOf(kUpdate);
  ASSERT_TRUE(shape);
  ProgramStep step;
  step.sql = shape->probe;  // this text reads the same in both dialects
  step.countsChanges = true;
  const auto shared = LiteralTemplate::fromProbe(Program({step}, {}), *shape);
  ASSERT_TRUE(shared);
  const Program bound = shared->render(shape->values);
  ASSERT_EQ(bound.text().find("1.5"), std::string::npos) << bound.text();

  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE t (s text, a text); INSERT INTO t VALUES ('1.50', NULL)", nullptr, nullptr,
                         nullptr),
            SQLITE_OK);
  EXPECT_EQ(bound.run(db, {}), 0);
  step.sql = kUpdate;  // the same with the number written in
  EXPECT_EQ(Program({step}, {}).run(db, {}), 0);
  sqlite3_close(db);
}

TEST(LiteralTemplate, ALiteralThatNamesSomethingIsNotShared) {
  const TsqlTestDatabase database;
  auto& translator = TsqlTranslator::shared();
  for (const char* alias : {"alpha", "bravo"}) {
    const std::string tsql = std::string("select 1 as '") + alias + "'";
    const auto program = translator.translate(database.db(), tsql);
    ASSERT_EQ(program->steps().size(), 1u);
    ASSERT_EQ(program->steps()[0].columns.size(), 1u);
    EXPECT_EQ(program->steps()[0].columns[0].name, alias);
  }
}

}  // namespace
}  // namespace corvane::db
