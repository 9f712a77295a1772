#include "platform/com/Money.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/com/RuntimeError.h"

namespace corvane {
namespace {

Currency money(const char* text) { return MoneyOf(Variant(text)); }

Currency total(const std::vector<const char*>& amounts) {
  Currency sum;
  for (const char* amount : amounts) sum = sum + money(amount);
  return sum;
}

double doubleTotal(const std::vector<const char*>& amounts) {
  double sum = 0;
  for (const char* amount : amounts) sum += std::stod(amount);
  return sum;
}

// Each case is one a double gets wrong (or, where marked, only just right): the exact total
// must come out, whatever the binary sum is.
TEST(Money, TotalsOfLinesAreExact) {
  struct Case {
    std::vector<const char*> amounts;
    const char* exact;
    bool doubleIsWrong;
  };
  const Case cases[] = {
      {{"0.1", "0.2"}, "0.3", true},
      {{"0.1", "0.1", "0.1", "0.1", "0.1", "0.1", "0.1", "0.1", "0.1", "0.1"}, "1", true},
      {{"999999999.99", "0.01"}, "1000000000", false},
      {{"999999999.99", "0.07"}, "1000000000.06", true},
      {{"123456789.12", "0.01"}, "123456789.13", true},
      {{"99999999999999.99", "0.02"}, "100000000000000.01", true},
      {{"0.7", "0.1", "-0.8"}, "0", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.exact);
    EXPECT_EQ(total(c.amounts).toString(), c.exact);
    EXPECT_EQ(doubleTotal(c.amounts) != std::stod(c.exact), c.doubleIsWrong);
  }
}

// What a borrower owes against his amount limit: equal is within the limit.
TEST(Money, LimitsCompareExactly) {
  struct Case {
    std::vector<const char*> owed;
    const char* limit;
    bool broken;
  };
  const Case cases[] = {
      {{"0.1", "0.2"}, "0.3", false},
      {{"999999999.99", "0.07"}, "1000000000.06", false},
      {{"999999999.99", "0.08"}, "1000000000.06", true},
      {{"0.7", "0.1"}, "0.7999", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.limit);
    EXPECT_EQ(total(c.owed) > money(c.limit), c.broken);
  }
  // The first two a double reads as broken.
  EXPECT_GT(doubleTotal({"0.1", "0.2"}), 0.3);
  EXPECT_GT(doubleTotal({"999999999.99", "0.07"}), 1000000000.06);
}

TEST(Money, HalvesRoundExactly) {
  struct Case {
    const char* amount;
    const char* money;  // read: half to even at the fourth decimal
    const char* cents;  // in a message: half away from zero
  };
  const Case cases[] = {
      {"2.00015", "2.0002", "2.00"},    {"2.00025", "2.0002", "2.00"},
      {"-2.00025", "-2.0002", "-2.00"}, {"1.005", "1.005", "1.01"},
      {"2.675", "2.675", "2.68"},       {"-1.005", "-1.005", "-1.01"},
      {"1.0049", "1.0049", "1.00"},     {"1234567.125", "1234567.125", "1234567.13"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.amount);
    EXPECT_EQ(money(c.amount).toString(), c.money);
    EXPECT_EQ(TwoDecimals(money(c.amount)), c.cents);
    EXPECT_EQ(Rounded(money(c.amount), 2), money(c.cents));
  }
  // A double has 2.675 and 1.005 just below the half.
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", 2.675);
  EXPECT_STREQ(text, "2.67");
  EXPECT_EQ(GroupedTwoDecimals(money("1234567.125")), "1,234,567.13");
  EXPECT_EQ(GroupedTwoDecimals(money("-999.5")), "-999.50");
}

TEST(Money, RatesAndQuantitiesScaleExactly) {
  struct Case {
    const char* amount;
    const char* factor;
    bool divide;
    int decimals;
    Rounding rounding;
    const char* result;
  };
  const Case cases[] = {
      {"20", "7.5", false, 2, Rounding::HalfAwayFromZero, "150"},
      {"100", "1.15", false, 2, Rounding::HalfAwayFromZero, "115"},
      {"333.33", "3", false, 2, Rounding::HalfAwayFromZero, "999.99"},
      {"100", "4.35", false, 4, Rounding::HalfAwayFromZero, "435"},
      {"0.01", "0.5", false, 2, Rounding::HalfAwayFromZero, "0.01"},
      {"-0.01", "0.5", false, 2, Rounding::HalfAwayFromZero, "-0.01"},
      {"1500", "20", true, 2, Rounding::HalfAwayFromZero, "75"},
      {"100", "3", true, 2, Rounding::HalfAwayFromZero, "33.33"},
      {"200", "3", true, 2, Rounding::HalfAwayFromZero, "66.67"},
      {"10", "3", true, 4, Rounding::Up, "3.3334"},
      {"100.01", "1", true, 4, Rounding::Up, "100.01"},
      {"60", "50", false, 4, Rounding::HalfAwayFromZero, "3000"},
      {"100", "6.8312345", false, 2, Rounding::HalfAwayFromZero, "683.12"},
      {"100", "1e-2", false, 4, Rounding::HalfAwayFromZero, "1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.amount) + (c.divide ? " / " : " * ") + c.factor);
    const Factor factor = *Factor::parse(c.factor);
    const Currency result = c.divide ? factor.divides(money(c.amount), c.decimals, c.rounding)
                                     : factor.times(money(c.amount), c.decimals, c.rounding);
    EXPECT_EQ(result.toString(), c.result);
  }
  EXPECT_EQ(Factor::parse("50")->percent().times(money("60"), 4).toString(), "30");
  EXPECT_NE(100 * 1.15, 115.0);  // what the binary product gives instead
}

TEST(Money, WhatIsNoNumberCountsZeroAndWhatIsTooBigOverflows) {
  for (const char* text : {"", "abc", "12abc"}) {
    EXPECT_EQ(MoneyOf(Variant(text)), Currency()) << text;
    EXPECT_EQ(Factor::of(Variant(text)).sign(), 0) << text;
  }
  EXPECT_EQ(MoneyOf(Variant::null()), Currency());
  EXPECT_FALSE(Factor::parse("1.2.3"));
  EXPECT_EQ(Factor::parse(" -7.5 ")->sign(), -1);
  try {
    MoneyOf(Variant("1e30"));
    ADD_FAILURE() << "no overflow";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.number(), errnum::kOverflow);
  }
  try {
    Factor::parse("9999999999999999999");
    ADD_FAILURE() << "no overflow";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.number(), errnum::kOverflow);
  }
}

}  // namespace
}  // namespace corvane
