#include "request/TempTables.h"

#include <gtest/gtest.h>

#include <bit>
#include <set>
#include <string>

#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "support/TestLogin.h"

namespace corvane {
namespace {

TEST(TempTables, UniqueNameFormat) {
  // The first three groups read in the machine's byte order.
  const bool little = std::endian::native == std::endian::little;
  struct Case {
    std::array<unsigned char, 16> guid;
    double seconds;
    std::string expected;
  } const cases[] = {
      {{0x01, 0x02, 0x03, 0x04, 0xA0, 0xB0, 0xC0, 0xD0, 0x00, 0x00, 0x00, 0x0F, 0x00, 0x09, 0x0A, 0x10},
       52345.67,
       little ? "G04030201D0C0B0A00F0000000009A105234567" : "G01020304A0B0C0D00000000F0009A105234567"},
      {{0xFF, 0xFF, 0xFF, 0xFF, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0, 0x0F, 0x1A, 0xFF, 0x05},
       0.5,
       little ? "GFFFFFFFF78563412F0DEBC9AF1AFF0505" : "GFFFFFFFF123456789ABCDEF0F1AFF0505"},
      {{}, 86399, "G0000000000000000000000000000000086399"},
  };
  for (const Case& c : cases) EXPECT_EQ(UniqueName(c.guid, c.seconds), c.expected);
}

TEST(TempTables, NamesDifferWithinOneSecond) {
  std::set<std::string> names;
  for (int i = 0; i < 200; ++i) names.insert(GetTmpTableName());
  EXPECT_EQ(names.size(), 200u);
  for (const std::string& name : names) EXPECT_EQ(name.rfind("vqtmpG", 0), 0u) << name;
}

class TempTablesTest : public ::testing::Test {
 protected:
  void SetUp() override { connection.open(account.connectString()); }

  long tablesNamed(const std::string& name) {
    db::Recordset rs;
    rs.open("select count(*) as n from tempdb..sysobjects where name = N'" + name + "' and xtype = N'U'", connection);
    return CLng(rs.field("n").value());
  }

  long recorded(const std::string& name) {
    db::Recordset rs;
    rs.open("select count(*) as n from tempdb..ScratchTableBirth where cName = N'" + name + "'", connection);
    return CLng(rs.field("n").value());
  }

  CaseAccount account;
  db::Connection connection;
};

TEST_F(TempTablesTest, CreatedTablesAreSharedAndDropped) {
  const std::string name = CreateTmpTable(connection, "(code nvarchar(10), amount money)");
  EXPECT_EQ(name.rfind("vqtmpG", 0), 0u);
  EXPECT_EQ(tablesNamed(name), 1);
  EXPECT_EQ(recorded(name), 1);  // swept once a day old, should its drop never run
  connection.execute("insert into tempdb.." + name + " (code, amount) values ('a', 1.5)");

  db::Connection other;
  other.open(account.connectString());
  db::Recordset rs;
  rs.open("select code from tempdb.." + name, other);
  EXPECT_EQ(CStr(rs.field("code").value()), "a");
  rs.close();
  other.close();

  for (const std::string prefix : {"", "tempdb..", "TEMPDB..", "TempDb.."}) {
    const std::string table = CreateTmpTable(connection, "(x int)");
    DropTmpTable(connection, prefix + table);
    EXPECT_EQ(tablesNamed(table), 0) << prefix;
    EXPECT_EQ(recorded(table), 0) << prefix;
  }
  DropTmpTable(connection, "tempdb.." + name);
  EXPECT_EQ(tablesNamed(name), 0);
  EXPECT_EQ(recorded(name), 0);
}

TEST_F(TempTablesTest, DroppingWhatIsNotThereDoesNothing) {
  EXPECT_NO_THROW(DropTmpTable(connection, "vqtmpNoSuchTable"));
  EXPECT_NO_THROW(DropTmpTable(connection, "tempdb..vqtmpNoSuchTable"));
  EXPECT_NO_THROW(DropTmpTable(connection, "not a name at all'"));
}

TEST_F(TempTablesTest, FailedCreateRaises) {
  EXPECT_THROW(CreateTmpTable(connection, "(x int, x int)"), RuntimeError);
  EXPECT_THROW(CreateTmpTable(connection, "no columns"), RuntimeError);
}

TEST_F(TempTablesTest, NewGuids) {
  const std::string first = GetNewGuid(connection);
  const std::string second = GetNewGuid(connection);
  EXPECT_NE(first, second);
  for (const std::string& guid : {first, second}) {
    ASSERT_EQ(guid.size(), 38u) << guid;
    EXPECT_EQ(guid.front(), '{');
    EXPECT_EQ(guid.back(), '}');
  }
}

}  // namespace
}  // namespace corvane
