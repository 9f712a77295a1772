#include "platform/com/Variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "platform/com/RuntimeError.h"
#include "support/ErrorNumber.h"

namespace corvane {
namespace {

DateTime date(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  return DateTime{year, month, day, hour, minute, second};
}

Variant money(std::int64_t scaled) { return Variant(Currency::fromScaled(scaled)); }

TEST(VariantTest, HoldsEachKindAndRefusesOtherAccess) {
  EXPECT_EQ(Variant().type(), VarType::Empty);
  EXPECT_EQ(Variant::null().type(), VarType::Null);
  EXPECT_EQ(Variant::boolean(true).type(), VarType::Boolean);
  EXPECT_EQ(Variant::integer(7).type(), VarType::Integer);
  EXPECT_EQ(Variant::longValue(7).type(), VarType::Long);
  EXPECT_EQ(Variant::dbl(7).type(), VarType::Double);
  EXPECT_EQ(money(70000).type(), VarType::Currency);
  EXPECT_EQ(Variant(date(2005, 8, 2)).type(), VarType::Date);
  EXPECT_EQ(Variant("7").type(), VarType::String);

  EXPECT_EQ(Variant::integer(-3).asLong(), -3);
  EXPECT_EQ(Variant("abc").asString(), "abc");
  EXPECT_EQ(errorNumberOf([] { (void)Variant("7").asLong(); }), errnum::kTypeMismatch);
  EXPECT_EQ(errorNumberOf([] { (void)Variant::longValue(7).asDouble(); }), errnum::kTypeMismatch);
  EXPECT_EQ(errorNumberOf([] { (void)Variant::null().asString(); }), errnum::kTypeMismatch);

  // The kind is part of the value: Integer 7 and Long 7 differ, as do "7" and 7.
  EXPECT_NE(Variant::integer(7), Variant::longValue(7));
  EXPECT_NE(Variant("7"), Variant::longValue(7));
  EXPECT_EQ(Variant::null(), Variant::null());
  EXPECT_NE(Variant::null(), Variant());
}

TEST(VariantTest, RefusesNonFiniteDoubles) {
  EXPECT_EQ(errorNumberOf([] { Variant::dbl(std::numeric_limits<double>::infinity()); }), errnum::kOverflow);
  EXPECT_EQ(errorNumberOf([] { Variant::dbl(std::nan("")); }), errnum::kOverflow);
}

TEST(VariantTest, IsNumeric) {
  struct Case {
    Variant value;
    bool numeric;
  };
  const Case cases[] = {
      {Variant("12"), true},           {Variant(" 12.5 "), true},
      {Variant("-12"), true},          {Variant("+0.5"), true},
      {Variant(".5"), true},           {Variant("5."), true},
      {Variant("1e3"), true},          {Variant("1.5E-3"), true},
      {Variant("\t7\r\n"), true},      {Variant("-0"), true},
      {Variant("1e400"), true},        {Variant(""), false},
      {Variant("   "), false},         {Variant("12abc"), false},
      {Variant("abc"), false},         {Variant("1e"), false},
      {Variant("1e+"), false},         {Variant("."), false},
      {Variant("-"), false},           {Variant("1 2"), false},
      {Variant("- 1"), false},         {Variant("1,000"), false},
      {Variant("0x10"), false},        {Variant("inf"), false},
      {Variant("nan"), false},         {Variant("2005-8-2"), false},
      {Variant("1.2.3"), false},       {Variant::longValue(3), true},
      {Variant::dbl(0.5), true},       {money(1), true},
      {Variant::boolean(false), true}, {Variant(), false},
      {Variant::null(), false},        {Variant(date(2005, 8, 2)), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsNumeric(c.value), c.numeric) << CStr(c.value.isNull() ? Variant("Null") : c.value);
  }
}

TEST(VariantTest, CStrWritesTheFixedTextForms) {
  struct Case {
    Variant value;
    const char* text;
  };
  const Case cases[] = {
      {Variant(), ""},
      {Variant("as is "), "as is "},
      {Variant::boolean(true), "True"},
      {Variant::boolean(false), "False"},
      {Variant::integer(-32768), "-32768"},
      {Variant::longValue(2147483647), "2147483647"},
      {Variant::dbl(12.5), "12.5"},
      {Variant::dbl(0.1 + 0.2), "0.3"},  // 15 significant digits hide the binary tail
      {Variant::dbl(1.0 / 3), "0.333333333333333"},
      {Variant::dbl(-2.0 / 3), "-0.666666666666667"},
      {Variant::dbl(100), "100"},
      {Variant::dbl(-0.0), "0"},
      {Variant::dbl(0.0001), "0.0001"},
      {Variant::dbl(0.00001), "0.00001"},
      {Variant::dbl(123456789012345.0), "123456789012345"},
      {Variant::dbl(999999999999999.0), "999999999999999"},
      {Variant::dbl(1e15), "1E+15"},
      {Variant::dbl(-1.5e16), "-1.5E+16"},
      {Variant::dbl(1e100), "1E+100"},
      {Variant::dbl(1234567890123456789.0), "1.23456789012346E+18"},
      {money(1000000), "100"},
      {money(1005000), "100.5"},
      {money(1), "0.0001"},
      {money(-1), "-0.0001"},
      {money(0), "0"},
      {money(123450), "12.345"},
      {money(std::numeric_limits<std::int64_t>::max()), "922337203685477.5807"},
      {money(std::numeric_limits<std::int64_t>::min()), "-922337203685477.5808"},
      {Variant(date(2005, 8, 2)), "2005-8-2"},
      {Variant(date(2005, 12, 31, 14, 30, 5)), "2005-12-31 14:30:05"},
      {Variant(date(2005, 8, 2, 9, 5, 0)), "2005-8-2 9:05:00"},
      {Variant(date(2005, 8, 2, 0, 0, 1)), "2005-8-2 0:00:01"},
  };
  for (const Case& c : cases) EXPECT_EQ(CStr(c.value), c.text) << c.text;
  EXPECT_EQ(errorNumberOf([] { CStr(Variant::null()); }), errnum::kTypeMismatch);
}

TEST(VariantTest, DoubleTextReadsBackToTheSameValue) {
  const double values[] = {0.1, 2.675, 1e-7, 123.456, 98765.4321, 1.0 / 1024, 4.35, 12345.678901};
  for (const double value : values) {
    EXPECT_EQ(CDbl(Variant(CStr(Variant::dbl(value)))), value) << value;
    EXPECT_EQ(CDbl(Variant(CStr(Variant::dbl(-value)))), -value) << value;
  }
}

TEST(VariantTest, CDbl) {
  struct Case {
    Variant value;
    double number;
  };
  // clang-format off
  const Case cases[] = {
      {Variant(" 12.5 "), 12.5},       {Variant("-3"), -3},
      {Variant("1.5e3"), 1500},        {Variant(".25"), 0.25},
      {Variant("0.1"), 0.1},           {Variant("1e-400"), 0},
      {Variant("123456789012345678901234567890"), 1.2345678901234568e29},
      {Variant(), 0},                  {Variant::boolean(true), -1},
      {Variant::boolean(false), 0},    {Variant::integer(-7), -7},
      {Variant::longValue(100000), 100000}, {money(123456), 12.3456},
      {Variant(date(2005, 8, 2)), 38566},   {Variant(date(2005, 8, 2, 6, 0, 0)), 38566.25},
      {Variant(date(1899, 12, 30)), 0},     {Variant(date(1899, 12, 29, 6, 0, 0)), -1.25},
  };
  // clang-format on
  for (const Case& c : cases) EXPECT_EQ(CDbl(c.value), c.number) << CStr(c.value);
  EXPECT_TRUE(std::signbit(CDbl(Variant("-0"))));

  struct Failure {
    Variant value;
    std::int32_t error;
  };
  const Failure failures[] = {
      {Variant("abc"), errnum::kTypeMismatch},   {Variant(""), errnum::kTypeMismatch},
      {Variant("12abc"), errnum::kTypeMismatch}, {Variant("2005-8-2"), errnum::kTypeMismatch},
      {Variant::null(), errnum::kTypeMismatch},  {Variant("1e400"), errnum::kOverflow},
      {Variant("-1e400"), errnum::kOverflow},
  };
  for (const Failure& f : failures) {
    EXPECT_EQ(errorNumberOf([&] { CDbl(f.value); }), f.error) << (f.value.isNull() ? "Null" : CStr(f.value));
  }
}

TEST(VariantTest, CLngAndCIntRoundHalfToEven) {
  struct Case {
    Variant value;
    std::int32_t number;
  };
  // clang-format off
  const Case cases[] = {
      {Variant::dbl(2.5), 2},          {Variant::dbl(3.5), 4},          {Variant::dbl(-2.5), -2},
      {Variant::dbl(-3.5), -4},        {Variant::dbl(2.4999), 2},       {Variant::dbl(-0.4), 0},
      {Variant("0.5"), 0},             {Variant("1.5"), 2},             {Variant(" 12 "), 12},
      {Variant("1e3"), 1000},          {money(25000), 2},               {money(35000), 4},
      {money(-25000), -2},             {money(25001), 3},               {money(-35000), -4},
      {Variant::boolean(true), -1},    {Variant(), 0},                  {Variant::integer(-5), -5},
      {Variant(date(2005, 8, 2, 18, 0, 0)), 38567},
      {Variant("2147483647"), 2147483647},
      {Variant("-2147483648"), -2147483647 - 1},
      {Variant::dbl(2147483647.4), 2147483647},
  };
  // clang-format on
  for (const Case& c : cases) EXPECT_EQ(CLng(c.value), c.number) << CStr(c.value);

  EXPECT_EQ(CInt(Variant("32767")), 32767);
  EXPECT_EQ(CInt(Variant("-32768.4")), -32768);
  EXPECT_EQ(CInt(Variant::dbl(6.5)), 6);
  EXPECT_EQ(CInt(money(-65000)), -6);

  struct Failure {
    std::function<void()> convert;
    std::int32_t error;
    const char* what;
  };
  const Failure failures[] = {
      {[] { CLng(Variant("2147483648")); }, errnum::kOverflow, "CLng just above range"},
      {[] { CLng(Variant::dbl(2147483647.5)); }, errnum::kOverflow, "CLng rounds up out of range"},
      {[] { CLng(Variant::dbl(-2147483648.6)); }, errnum::kOverflow, "CLng below range"},
      {[] { CLng(Variant("1e20")); }, errnum::kOverflow, "CLng huge"},
      {[] { CLng(money(std::numeric_limits<std::int64_t>::max())); }, errnum::kOverflow, "CLng huge money"},
      {[] { CInt(Variant("32768")); }, errnum::kOverflow, "CInt above range"},
      {[] { CInt(Variant::longValue(-32769)); }, errnum::kOverflow, "CInt Long below range"},
      {[] { CInt(Variant::dbl(32767.5)); }, errnum::kOverflow, "CInt rounds up out of range"},
      {[] { CLng(Variant("abc")); }, errnum::kTypeMismatch, "CLng text"},
      {[] { CLng(Variant("")); }, errnum::kTypeMismatch, "CLng empty text"},
      {[] { CInt(Variant::null()); }, errnum::kTypeMismatch, "CInt Null"},
  };
  for (const Failure& f : failures) EXPECT_EQ(errorNumberOf(f.convert), f.error) << f.what;
}

TEST(VariantTest, CCurIsExactToFourDecimals) {
  struct Case {
    Variant value;
    std::int64_t scaled;
  };
  const Case cases[] = {
      {Variant("12.345"), 123450},
      {Variant(" -0.5 "), -5000},
      {Variant("0.00005"), 0},  // half to even: down to 0
      {Variant("0.00015"), 2},  // half to even: up to 2
      {Variant("0.000150001"), 2},
      {Variant("0.00025"), 2},
      {Variant("0.000250001"), 3},
      {Variant("-0.00015"), -2},
      {Variant("0.000049999"), 0},
      {Variant("0.000001"), 0},
      {Variant("-0.00001"), 0},
      {Variant("1e3"), 10000000},
      {Variant("1.23456e2"), 1234560},
      {Variant("5e-5"), 0},
      {Variant("0e999999"), 0},
      {Variant("922337203685477.5807"), std::numeric_limits<std::int64_t>::max()},
      {Variant("-922337203685477.5808"), std::numeric_limits<std::int64_t>::min()},
      {Variant::dbl(0.1), 1000},
      {Variant::dbl(2.675), 26750},
      {Variant::dbl(1.00005), 10000},  // the double's decimal text is halfway: to even
      {Variant::dbl(1.00015), 10002},
      {Variant::dbl(-1234.56789), -12345679},
      {Variant::longValue(-2147483647 - 1), -21474836480000},
      {Variant::boolean(true), -10000},
      {Variant(), 0},
      {Variant(date(2005, 8, 2, 6, 0, 0)), 385662500},
  };
  for (const Case& c : cases) EXPECT_EQ(CCur(c.value).scaled(), c.scaled) << CStr(c.value);

  struct Failure {
    Variant value;
    std::int32_t error;
  };
  const Failure failures[] = {
      {Variant("922337203685477.5808"), errnum::kOverflow},
      {Variant("922337203685477.58075"), errnum::kOverflow},  // rounds up past the top
      {Variant("-922337203685477.5809"), errnum::kOverflow},
      {Variant("1e20"), errnum::kOverflow},
      {Variant("1e99999999"), errnum::kOverflow},
      {Variant::dbl(1e16), errnum::kOverflow},
      {Variant("abc"), errnum::kTypeMismatch},
      {Variant(""), errnum::kTypeMismatch},
      {Variant("12abc"), errnum::kTypeMismatch},
      {Variant::null(), errnum::kTypeMismatch},
  };
  for (const Failure& f : failures) {
    EXPECT_EQ(errorNumberOf([&] { CCur(f.value); }), f.error) << (f.value.isNull() ? "Null" : CStr(f.value));
  }
}

TEST(VariantTest, CurrencyArithmeticNeverDrifts) {
  // A tenth added ten thousand times is exactly a thousand, where a double drifts.
  Currency sum;
  const Currency tenth = *Currency::parse("0.1");
  for (int i = 0; i < 10000; ++i) sum = sum + tenth;
  EXPECT_EQ(sum, *Currency::parse("1000"));
  EXPECT_EQ((sum - *Currency::parse("999.9999")).toString(), "0.0001");
  EXPECT_EQ((-tenth).toString(), "-0.1");

  const Currency top = Currency::fromScaled(std::numeric_limits<std::int64_t>::max());
  const Currency bottom = Currency::fromScaled(std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(errorNumberOf([&] { (void)(top + Currency::fromScaled(1)); }), errnum::kOverflow);
  EXPECT_EQ(errorNumberOf([&] { (void)(bottom - Currency::fromScaled(1)); }), errnum::kOverflow);
  EXPECT_EQ(errorNumberOf([&] { (void)(-bottom); }), errnum::kOverflow);
  EXPECT_FALSE(Currency::parse("1.2.3").has_value());
}

TEST(VariantTest, CBool) {
  struct Case {
    Variant value;
    bool flag;
  };
  const Case cases[] = {
      {Variant("True"), true},        {Variant("true"), true},
      {Variant("TRUE"), true},        {Variant("False"), false},
      {Variant("fAlSe"), false},      {Variant(" True "), true},
      {Variant("1"), true},           {Variant("0"), false},
      {Variant("-1"), true},          {Variant("0.0"), false},
      {Variant("0.5"), true},         {Variant("0e5"), false},
      {Variant::longValue(0), false}, {Variant::integer(2), true},
      {Variant::dbl(-0.0), false},    {money(1), true},
      {Variant::boolean(true), true}, {Variant(), false},
  };
  for (const Case& c : cases) EXPECT_EQ(CBool(c.value), c.flag) << CStr(c.value);

  const Variant failures[] = {Variant("yes"), Variant(""), Variant("Truee"), Variant("1x"), Variant::null()};
  for (const Variant& value : failures) {
    EXPECT_EQ(errorNumberOf([&] { CBool(value); }), errnum::kTypeMismatch) << (value.isNull() ? "Null" : CStr(value));
  }
}

TEST(VariantTest, CDateReadsTheDateForms) {
  struct Case {
    const char* text;
    DateTime date;
  };
  const Case cases[] = {
      {"2005-8-2", date(2005, 8, 2)},
      {"2005-08-02", date(2005, 8, 2)},
      {"2005-08-02T00:00:00", date(2005, 8, 2)},
      {"2005-08-02 00:00:00", date(2005, 8, 2)},
      {"2005/8/2", date(2005, 8, 2)},
      {" 2005-8-2 ", date(2005, 8, 2)},
      {"2005-08-02T14:30:05", date(2005, 8, 2, 14, 30, 5)},
      {"2005-8-2 9:05", date(2005, 8, 2, 9, 5, 0)},
      {"2005-08-02 23:59:59.997", date(2005, 8, 2, 23, 59, 59)},
      {"2004-2-29", date(2004, 2, 29)},
      {"2000-2-29", date(2000, 2, 29)},
      {"9999-12-31 23:59:59", date(9999, 12, 31, 23, 59, 59)},
      {"100-1-1", date(100, 1, 1)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CDate(Variant(c.text)), c.date) << c.text;
    EXPECT_TRUE(IsDate(Variant(c.text))) << c.text;
  }

  // clang-format off
  const char* const invalid[] = {
      "2005-2-30", "2005-2-29", "1900-2-29", "2005-13-1", "2005-0-1", "2005-1-0", "2005-4-31",
      "99-1-1", "2005-8", "2005-8-2x", "2005-8/2", "2005.8.2", "2005-8-2 24:00", "2005-8-2 12:60",
      "2005-8-2 12:30:60", "2005-8-2 12", "2005-8-2T", "20050-8-2", "2005-008-2", "abc", "", "38566",
  };
  // clang-format on
  for (const char* text : invalid) {
    EXPECT_FALSE(IsDate(Variant(text))) << text;
    EXPECT_EQ(errorNumberOf([&] { CDate(Variant(text)); }), errnum::kTypeMismatch) << text;
  }
  EXPECT_EQ(errorNumberOf([] { CDate(Variant::null()); }), errnum::kTypeMismatch);
  EXPECT_FALSE(IsDate(Variant::dbl(38566)));
}

TEST(VariantTest, DateSerialsRoundTrip) {
  struct Case {
    double serial;
    DateTime date;
  };
  const Case cases[] = {
      {0, date(1899, 12, 30)},
      {1, date(1899, 12, 31)},
      {2, date(1900, 1, 1)},
      {38566, date(2005, 8, 2)},
      {38566.5, date(2005, 8, 2, 12, 0, 0)},
      {38566.604224537, date(2005, 8, 2, 14, 30, 5)},
      {-1.25, date(1899, 12, 29, 6, 0, 0)},
      {-0.5, date(1899, 12, 30, 12, 0, 0)},
      {38566.99999999, date(2005, 8, 3)},  // rounds to the next midnight
      {2958465, date(9999, 12, 31)},
      {-657434, date(100, 1, 1)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DateTime::fromSerial(c.serial), c.date) << c.serial;
    EXPECT_EQ(CDate(Variant::dbl(c.serial)), c.date) << c.serial;
    EXPECT_EQ(DateTime::fromSerial(c.date.serial()), c.date) << c.serial;
  }
  EXPECT_EQ(date(2005, 8, 2, 14, 0, 0).dayNumber(), 38566);
  EXPECT_EQ(date(1899, 12, 29, 14, 0, 0).dayNumber(), -1);
  EXPECT_EQ(errorNumberOf([] { DateTime::fromSerial(2958466); }), errnum::kOverflow);
  EXPECT_EQ(errorNumberOf([] { DateTime::fromSerial(-657435); }), errnum::kOverflow);
  EXPECT_EQ(errorNumberOf([] { CDate(Variant("1e300")); }), errnum::kTypeMismatch);  // not a date text
  EXPECT_EQ(errorNumberOf([] { CDate(Variant::dbl(1e300)); }), errnum::kOverflow);
}

TEST(VariantTest, DateTextsForStorageAndExchange) {
  struct Case {
    DateTime date;
    const char* iso;
    const char* sql;
  };
  const Case cases[] = {
      {date(2005, 8, 2), "2005-08-02T00:00:00", "2005-08-02 00:00:00"},
      {date(2005, 12, 31, 9, 5, 7), "2005-12-31T09:05:07", "2005-12-31 09:05:07"},
      {date(100, 1, 1), "0100-01-01T00:00:00", "0100-01-01 00:00:00"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.date.toIsoString(), c.iso);
    EXPECT_EQ(c.date.toSqlString(), c.sql);
    EXPECT_EQ(CDate(Variant(c.iso)), c.date);
    EXPECT_EQ(CDate(Variant(c.sql)), c.date);
    EXPECT_EQ(CDate(Variant(CStr(Variant(c.date)))), c.date);
  }
}

TEST(VariantTest, ValReadsTheLeadingNumber) {
  struct Case {
    const char* text;
    double number;
  };
  const Case cases[] = {
      {"12abc", 12}, {"  -1.5e2x", -150}, {"3.25", 3.25},     {".5", 0.5}, {"1e", 1},  {"1e+", 1},
      {"7.", 7},     {"+4", 4},           {"abc", 0},         {"", 0},     {"   ", 0}, {"-", 0},
      {".", 0},      {"1,5", 1},          {"2005-8-2", 2005}, {"0x1A", 0}, {"1 2", 1},
  };
  for (const Case& c : cases) EXPECT_EQ(Val(c.text), c.number) << c.text;
  EXPECT_EQ(errorNumberOf([] { Val("1e400"); }), errnum::kOverflow);
}

}  // namespace
}  // namespace corvane
