#include "host/Aging.h"

#include <gtest/gtest.h>

#include <string>

#include "CaseAccount.h"
#include "host/EmbeddedLoginContext.h"

namespace corvane {
namespace {

TEST(AgingTest, KeepsOneIntervalDocumentPerModuleAndRefusesWhatIsNoDocument) {
  const CaseAccount account;
  const auto login = account.logIn();
  const auto aging = CreateAging();
  // The demo intervals, and none for another module.
  EXPECT_NE(aging->getAge(*login, "KX").find("icount=\"90\""), std::string::npos);
  EXPECT_EQ(aging->getAge(*login, "GL"), "");

  for (const char* refused : {"", "<age>", "not xml", "<age><row cdays='a'</age>"}) {
    EXPECT_FALSE(aging->SaveAge(*login, refused)) << refused;
  }
  EXPECT_NE(aging->getAge(*login, "KX").find("icount=\"90\""), std::string::npos);

  // The document is stored as a literal: an apostrophe in it is no end of the SQL text.
  EXPECT_TRUE(aging->SaveAge(*login, "<age><row cdays=\"it's &amp; more\" icount='0'/></age>"));
  EXPECT_EQ(aging->getAge(*login, "KX"), "<age><row cdays=\"it's &amp; more\" icount=\"0\"/></age>");
}

}  // namespace
}  // namespace corvane
