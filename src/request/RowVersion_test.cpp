#include "request/RowVersion.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(RowVersion, IsMadeOnlyFromAPlainUnsignedDecimal) {
  struct Case {
    const char* ts;
    bool accepted;
  };
  const Case cases[] = {{"1001", true}, {"1001.0", true},       {"0", true},   {".5", true},  {"", false},
                        {".", false},   {"1.2.3", false},       {"-1", false}, {"+1", false}, {" 1", false},
                        {"1e3", false}, {"1001 Or 1=1", false}, {"1'", false}};
  for (const Case& c : cases) EXPECT_EQ(RowVersion::parse(c.ts).has_value(), c.accepted) << c.ts;
}

TEST(RowVersion, SignedFormTakesALeadingSignAndNothingElseMore) {
  struct Case {
    const char* ts;
    bool accepted;
  };
  const Case cases[] = {{"1001", true}, {"-1", true},  {"+1.5", true}, {".5", true},        {"-", false},
                        {"+-1", false}, {" 1", false}, {"1e3", false}, {"1 Or 1=1", false}, {"", false}};
  for (const Case& c : cases) EXPECT_EQ(RowVersion::parseSigned(c.ts).has_value(), c.accepted) << c.ts;
  EXPECT_EQ(RowVersion::parseSigned("-7")->condition(), "Cast(ts As money) = -7");
}

TEST(RowVersion, NumberFormTakesWhatSqlNumWrites) {
  struct Case {
    const char* ts;
    bool accepted;
  };
  const Case cases[] = {{"1001", true}, {" -1.5e2 ", true},  {"+7", true}, {"", false},
                        {"abc", false}, {"1 Or 1=1", false}, {"1'", false}};
  for (const Case& c : cases) EXPECT_EQ(RowVersion::parseNumber(c.ts).has_value(), c.accepted) << c.ts;
  EXPECT_EQ(RowVersion::parseNumber("1e3")->condition(), "Cast(ts As money) = 1e3");
}

TEST(RowVersion, RendersTheConditionOnTheMoneyCastOfTheColumn) {
  const RowVersion version = *RowVersion::parse("2001.5");
  EXPECT_EQ(version.text(), "2001.5");
  EXPECT_EQ(version.condition(), "Cast(ts As money) = 2001.5");
  EXPECT_EQ(version.condition("KX_LoanVouch_Sub.ts"), "Cast(KX_LoanVouch_Sub.ts As money) = 2001.5");
}

}  // namespace
}  // namespace corvane
