#include "request/SqlText.h"

#include <gtest/gtest.h>

#include "support/ScopedLocale.h"

namespace corvane {
namespace {

struct RewriteCase {
  const char* input;
  const char* expected;
};

TEST(FixSqlText, MakesLiteralsNational) {
  static const RewriteCase cases[] = {
      {"select 'a'", "select N'a'"},
      {"where x=N'a'", "where x=N'a'"},
      {"where x='it''s'", "where x=N'it''s'"},
      {"'a'", "'a'"},
      {"'a' + 'b'", "'a' + N'b'"},
      {"where x = n'a'", "where x = nN'a'"},
      {"where a='x' and b='y'", "where a=N'x' and b=N'y'"},
      {"where a='abN' or b='c'", "where a=N'abN' or b=N'c'"},
      {"select '' from t", "select N'' from t"},
      {"where a=''''", "where a=N''''"},
      {"select a As Name, b from t", "select a As Name, b from t"},
      {"", ""},
      {"Provider=SQLOLEDB;Data Source='acc/001';Locale Identifier=2052",
       "Provider=SQLOLEDB;Data Source=N'acc/001';Locale Identifier=2052"},
  };
  for (const char* locale : {"zh-CN", "", "en-gb"}) {
    const ScopedLocale scope(locale);
    for (const RewriteCase& c : cases) EXPECT_EQ(FixSqlText(c.input), c.expected) << c.input;
  }
}

TEST(FixSqlText, BracketsAliasesUnderEnglishOnly) {
  static const RewriteCase cases[] = {
      {"select a As Name, b from t", "select a as [Name], b from t"},
      {"select Cast(ts As money) as ts, a from t", "select Cast(ts as money) as [ts], a from t"},
      {"select a as [x], b from t", "select a as [x], b from t"},
      {"select a as x from t where b='y'", "select a as [x] from t where b=N'y'"},
  };
  for (const char* locale : {"en-us", "EN-US", "en-US"}) {
    const ScopedLocale scope(locale);
    for (const RewriteCase& c : cases) EXPECT_EQ(FixSqlText(c.input), c.expected) << c.input;
  }
  const ScopedLocale scope("zh-CN");
  EXPECT_EQ(FixSqlText("select a As Name, b from t"), "select a As Name, b from t");
}

TEST(BracketAliases, RewritesAliasesUpToTheirEnd) {
  static const RewriteCase cases[] = {
      {"select a as x from t", "select a as [x] from t"},
      {"select a AS x FROM t", "select a as [x] from t"},
      {"select a as  x  , b from t", "select a as [x], b from t"},
      {"select a as x into #t from y", "select a as [x] into #t from y"},
      {"select a as x union select b as y from t", "select a as [x] union select b as [y] from t"},
      {"select a As x Union select b As y From t", "select a as [x] union select b as [y] from t"},
      {"select count(*)as n from t", "select count(*) as [n] from t"},
      {"select a as 金额, b as 名称 from t", "select a as [金额], b as [名称] from t"},
      // No end mark: the alias stays as it is.
      {"select a as x", "select a as x"},
      // A parenthesis in the alias part leaves it alone.
      {"select a as x(1), b from t", "select a as x(1), b from t"},
      {"select Cast(ts as money) as ts from t", "select Cast(ts as money) as [ts] from t"},
      // Already bracketed, or a literal used as alias: comes out single.
      {"select a as [x], b from t", "select a as [x], b from t"},
      {"select a as [ x ] from t", "select a as [x] from t"},
      {"select 1 as N'x', 2 as y from t", "select 1 as N'x', 2 as [y] from t"},
      {"select a from t", "select a from t"},
      {"", ""},
  };
  for (const RewriteCase& c : cases) EXPECT_EQ(BracketAliases(c.input), c.expected) << c.input;
}

TEST(BracketAliases, NeverChangesTextInsideLiterals) {
  static const RewriteCase cases[] = {
      {"select a as x from t where b='Trip From Home'", "select a as [x] from t where b='Trip From Home'"},
      {"insert into t (a,b) values ('Car As Transport','x')", "insert into t (a,b) values ('Car As Transport','x')"},
      {"select 'a, b' as x, c from t", "select 'a, b' as [x], c from t"},
      {"select a as x, b from t where c='[[ y ]]'", "select a as [x], b from t where c='[[ y ]]'"},
      {"select a as x from t where b='it''s As From Into Union'",
       "select a as [x] from t where b='it''s As From Into Union'"},
      {"select a as x from t where b='1)as y, z'", "select a as [x] from t where b='1)as y, z'"},
      // An unclosed literal runs to the end of the text.
      {"select a as x from t where b='As From", "select a as [x] from t where b='As From"},
      // The character used to set literals aside survives, inside and outside literals.
      {"select a as x\x01 from t where b='\x01 As y, '", "select a as [x\x01] from t where b='\x01 As y, '"},
  };
  for (const RewriteCase& c : cases) EXPECT_EQ(BracketAliases(c.input), c.expected) << c.input;

  const ScopedLocale scope("en-us");
  EXPECT_EQ(FixSqlText("insert into t (a,b) values ('Car As Transport','x')"),
            "insert into t (a,b) values (N'Car As Transport',N'x')");
  EXPECT_EQ(FixSqlText("select a as x from t where b='Trip From Home'"),
            "select a as [x] from t where b=N'Trip From Home'");
}

TEST(HasNoParen, TellsWhetherTheTextHoldsAParenthesis) {
  struct Case {
    const char* text;
    bool expected;
  };
  static const Case cases[] = {
      {"", true}, {"abc, d", true}, {"a(b", false}, {"a)b", false}, {"()", false},
  };
  for (const Case& c : cases) EXPECT_EQ(HasNoParen(c.text), c.expected) << c.text;
}

}  // namespace
}  // namespace corvane
