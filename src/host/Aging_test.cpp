#include "host/Aging.h"

#include <gtest/gtest.h>

#include <string>

#include "host/EmbeddedLoginContext.h"
#include "platform/db/Connection.h"
#include "support/CaseAccount.h"

namespace corvane {
namespace {

class AgingTest : public ::testing::Test {
 protected:
  void SetUp() override { connection_.open(account_.connectString()); }

  const CaseAccount account_;
  const std::unique_ptr<EmbeddedLoginContext> login_ = account_.logIn();
  db::Connection connection_;
};

TEST_F(AgingTest, KeepsOneIntervalDocumentPerModuleAndRefusesWhatIsNoDocument) {
  const auto aging = CreateAging(connection_);
  // The demo intervals, and none for another module.
  EXPECT_NE(aging->getAge(*login_, "KX").find("icount=\"90\""), std::string::npos);
  EXPECT_EQ(aging->getAge(*login_, "GL"), "");

  for (const char* refused : {"", "<age>", "not xml", "<age><row cdays='a'</age>"}) {
    EXPECT_FALSE(aging->SaveAge(*login_, refused)) << refused;
  }
  EXPECT_NE(aging->getAge(*login_, "KX").find("icount=\"90\""), std::string::npos);

  // The document is stored as a literal: an apostrophe in it is no end of the SQL text.
  EXPECT_TRUE(aging->SaveAge(*login_, "<age><row cdays=\"it's &amp; more\" icount='0'/></age>"));
  EXPECT_EQ(aging->getAge(*login_, "KX"), "<age><row cdays=\"it's &amp; more\" icount=\"0\"/></age>");
  // Saved outside a transaction, the intervals are committed: another connection reads them.
  db::Connection other;
  other.open(account_.connectString());
  EXPECT_EQ(CreateAging(other)->getAge(*login_, "KX"), "<age><row cdays=\"it's &amp; more\" icount=\"0\"/></age>");
}

TEST_F(AgingTest, WorksInsideTheRequestsTransaction) {
  const auto aging = CreateAging(connection_);
  connection_.beginTrans();
  // The request's own uncommitted write is what the component reads ...
  connection_.execute("UPDATE AgingIntervals SET cXml = '<age><row cdays=\"open\" icount=\"7\"/></age>'");
  EXPECT_EQ(aging->getAge(*login_, "KX"), "<age><row cdays=\"open\" icount=\"7\"/></age>");
  // ... its save does not wait for the request's write lock, and rolls back with the request.
  EXPECT_TRUE(aging->SaveAge(*login_, "<age><row cdays='saved' icount='0'/></age>"));
  EXPECT_EQ(aging->getAge(*login_, "KX"), "<age><row cdays=\"saved\" icount=\"0\"/></age>");
  EXPECT_TRUE(connection_.inTransaction());
  connection_.rollbackTrans();
  EXPECT_NE(aging->getAge(*login_, "KX").find("icount=\"90\""), std::string::npos);
}

}  // namespace
}  // namespace corvane
