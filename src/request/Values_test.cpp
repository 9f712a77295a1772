#include "request/Values.h"

#include <gtest/gtest.h>

#include "platform/com/RuntimeError.h"
#include "request/SqlText.h"

namespace corvane {
namespace {

DateTime date(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  DateTime d;
  d.year = year;
  d.month = month;
  d.day = day;
  d.hour = hour;
  d.minute = minute;
  d.second = second;
  return d;
}

struct TextCase {
  Variant value;
  const char* expected;
};

TEST(Values, NullToStr) {
  const TextCase cases[] = {
      {Variant::null(), ""},
      {Variant(), ""},
      {Variant("abc"), "abc"},
      {Variant::longValue(-5), "-5"},
      {Variant(Currency::fromScaled(1005000)), "100.5"},
      {Variant::boolean(true), "True"},
      {Variant(date(2005, 8, 2)), "2005-8-2"},
  };
  for (const TextCase& c : cases) EXPECT_EQ(NullToStr(c.value), c.expected) << c.expected;
}

TEST(Values, SqlStrQuotesAndDoublesApostrophes) {
  const TextCase cases[] = {
      {Variant::null(), "null"},
      {Variant(""), "null"},
      {Variant(), "null"},
      {Variant("abc"), "'abc'"},
      {Variant("it's"), "'it''s'"},
      {Variant("''"), "''''''"},
      {Variant("x'; drop table t; --"), "'x''; drop table t; --'"},
      {Variant::longValue(12), "'12'"},
  };
  for (const TextCase& c : cases) EXPECT_EQ(SqlStr(c.value), c.expected) << c.expected;
  EXPECT_EQ(FixSqlText("where a=" + SqlStr(Variant("it's"))), "where a=N'it''s'");
}

TEST(Values, NullToNumReadsOnlyNumericValues) {
  struct Case {
    Variant value;
    double expected;
  };
  const Case cases[] = {
      {Variant("12.5"), 12.5},
      {Variant(" 7 "), 7},
      {Variant("-3"), -3},
      {Variant("1e3"), 1000},
      {Variant("12abc"), 0},
      {Variant("abc"), 0},
      {Variant(""), 0},
      {Variant::null(), 0},
      {Variant(Currency::fromScaled(1005000)), 100.5},
      {Variant::dbl(0.1), 0.1},
      {Variant::longValue(-42), -42},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(NullToNum(c.value), c.expected) << NullToStr(c.value);
}

TEST(Values, SqlNumLetsOnlyNumbersThrough) {
  const TextCase cases[] = {
      {Variant("12"), "12"},
      {Variant("-12.5"), "-12.5"},
      {Variant("1e3"), "1e3"},
      {Variant::longValue(7), "7"},
      {Variant(Currency::fromScaled(-15000)), "-1.5"},
      {Variant("abc"), "null"},
      {Variant("12abc"), "null"},
      {Variant(""), "null"},
      {Variant::null(), "null"},
      {Variant("1 or 1=1"), "null"},
      {Variant("1;delete from t"), "null"},
      {Variant("1,000"), "null"},
      {Variant("&H10"), "null"},
      {Variant("(5)"), "null"},
      // A Boolean counts as numeric, but its text is no number.
      {Variant::boolean(true), "null"},
  };
  for (const TextCase& c : cases) EXPECT_EQ(SqlNum(c.value), c.expected) << NullToStr(c.value);
}

TEST(Values, NullToBoolAndSqlBool) {
  struct Case {
    Variant value;
    bool asBool;
    const char* asSql;
  };
  const Case cases[] = {
      {Variant::null(), false, "null"},    {Variant(""), false, "null"},        {Variant(), false, "null"},
      {Variant("True"), true, "1"},        {Variant("false"), false, "0"},      {Variant("FALSE"), false, "0"},
      {Variant("1"), true, "1"},           {Variant("-1"), true, "1"},          {Variant("0"), false, "0"},
      {Variant::boolean(true), true, "1"}, {Variant::longValue(0), false, "0"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NullToBool(c.value), c.asBool) << NullToStr(c.value);
    EXPECT_EQ(SqlBool(c.value), c.asSql) << NullToStr(c.value);
  }
  EXPECT_EQ(SqlBool(Variant("abc")), "0");
  try {
    NullToBool(Variant("abc"));
    ADD_FAILURE() << "a text that is no Boolean converted";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.number(), errnum::kTypeMismatch);
  }
}

TEST(Values, DateToStrWritesNoLeadingZeros) {
  struct Case {
    Variant value;
    const char* sep;
    const char* expected;
  };
  const Case cases[] = {
      {Variant(date(2005, 8, 2)), "-", "2005-8-2"},
      {Variant(date(2005, 8, 2)), "/", "2005/8/2"},
      {Variant(date(2005, 12, 31, 14, 30, 5)), "-", "2005-12-31"},
      {Variant("2005-08-02T00:00:00"), "-", "2005-8-2"},
      {Variant(date(2005, 1, 9)), "", "200519"},
  };
  for (const Case& c : cases) EXPECT_EQ(DateToStr(c.value, c.sep), c.expected) << c.expected;
  EXPECT_THROW(DateToStr(Variant("abc"), "-"), RuntimeError);
}

TEST(Values, XmlEncodeEscapesEachCharacterOnce) {
  struct Case {
    const char* text;
    const char* expected;
  };
  static const Case cases[] = {
      {"", ""},
      {"plain 中文", "plain 中文"},
      {"a&lt;b", "a&amp;lt;b"},
      {"<a href=\"x\">it's & more</a>", "&lt;a href=&quot;x&quot;&gt;it&apos;s &amp; more&lt;/a&gt;"},
  };
  for (const Case& c : cases) EXPECT_EQ(XmlEncode(c.text), c.expected) << c.text;
}

class GetAttrValueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(document.loadXML("<func name='get'><in><row a='1' b=''/><row a='2'/></in><out/></func>"));
  }
  XmlDocument document;
};

TEST_F(GetAttrValueTest, ReadsTheNodeOrTheFirstSelectedNode) {
  struct Case {
    const char* attrName;
    const char* xpath;
    const char* expected;
  };
  static const Case cases[] = {
      {"name", "", "get"},  {"name", "   ", "get"},  {"missing", "", ""},
      {"a", "in/row", "1"}, {"a", "in/row[2]", "2"}, {"b", "in/row", ""},
      {"c", "in/row", ""},  {"a", "in/nothing", ""}, {"a", "//row[@a='2']", "2"},
  };
  const XmlNode root = document.documentElement();
  for (const Case& c : cases) {
    EXPECT_EQ(GetAttrValue(root, c.attrName, c.xpath), c.expected) << c.attrName << " " << c.xpath;
    EXPECT_EQ(GetAttrValue(document, c.attrName, c.xpath), c.expected) << c.xpath;
  }
}

TEST_F(GetAttrValueTest, MissingNodeAndBadXPathRaise) {
  try {
    GetAttrValue(document.documentElement().child("nothing"), "a");
    ADD_FAILURE() << "a null node was read";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.number(), errnum::kObjectMissing);
  }
  EXPECT_THROW(GetAttrValue(XmlDocument(), "a"), RuntimeError);
  EXPECT_THROW(GetAttrValue(document, "a", "in/["), RuntimeError);
}

}  // namespace
}  // namespace corvane
