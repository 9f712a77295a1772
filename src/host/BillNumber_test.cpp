#include "host/BillNumber.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "support/CaseAccount.h"

namespace corvane {
namespace {

// The demo loan format with the voucher date filled in as the public services fill it.
std::string loanFormat(const std::string& date) {
  return "<单据编号 允许手工修改='false' 重号自动重取='true' 流水号长度='4' 起始值='1'>"
         "<前缀 对象名称='常量' 源表字段名='' 种子='' 内容='JK'/>"
         "<前缀 对象名称='日期' 源表字段名='dtLoanDate' 种子='" +
         date + "' 格式='YYYYMM'/></单据编号>";
}

class BillNumberTest : public ::testing::Test {
 protected:
  std::unique_ptr<db::Connection> connect() const {
    auto connection = std::make_unique<db::Connection>();
    connection->open(account_.connectString());
    return connection;
  }
  std::unique_ptr<BillNumber> bill(db::Connection& connection, const std::string& card = "KX01") const {
    std::unique_ptr<BillNumber> component = CreateBillNumber();
    EXPECT_TRUE(component->InitBill(connection, card));
    return component;
  }
  std::string draw(BillNumber& component, const std::string& format) const {
    bool take = true;
    const std::string number = component.GetNumber(format, take);
    EXPECT_TRUE(take);
    return number;
  }
  long lastSerial(const std::string& prefix) const {
    const auto connection = connect();
    db::Recordset rs;
    rs.open("Select LastSerial From BillNumberSeed Where SeedPrefix = '" + prefix + "'", *connection);
    return rs.eof() ? -1 : CLng(rs.field(0).value());
  }

  CaseAccount account_;
};

TEST_F(BillNumberTest, CardsWithoutAFormatHaveNoNumbering) {
  const auto connection = connect();
  const std::unique_ptr<BillNumber> component = CreateBillNumber();
  EXPECT_THROW(component->GetBillFormat(), RuntimeError);
  EXPECT_FALSE(component->InitBill(*connection, "KX99"));
  EXPECT_FALSE(component->InitBill(*connection, "KX01' or '1'='1"));
  EXPECT_TRUE(component->InitBill(*connection, "kx02"));
  EXPECT_NE(component->GetBillFormat().find("内容=\"SR\""), std::string::npos);
}

TEST_F(BillNumberTest, NumbersRunOnFromTheSeedsAndRestartPerPrefix) {
  const auto connection = connect();
  const auto component = bill(*connection);
  struct Case {
    std::string seed;
    std::string number;
  };
  const Case cases[] = {
      {"2026-01-20", "JK2026010004"},  // the demo loans took 0001 to 0003 of January
      {"2026-1-31", "JK2026010005"},           {"2026-02-01", "JK2026020001"},
      {"2026-01-02 00:00:00", "JK2026010006"}, {"", "JK0001"},
  };
  for (const Case& c : cases) EXPECT_EQ(draw(*component, loanFormat(c.seed)), c.number) << c.seed;
  EXPECT_EQ(lastSerial("JK202601"), 6);
}

TEST_F(BillNumberTest, ShowingOrManualFormatsNeverDraw) {
  const auto connection = connect();
  const auto component = bill(*connection);
  bool take = false;
  EXPECT_EQ(component->GetNumber(loanFormat("2026-01-20"), take), "JK2026010004");
  EXPECT_EQ(component->GetNumber(loanFormat("2026-03-20"), take), "JK2026030001");
  std::string manual = loanFormat("2026-01-20");
  manual.replace(manual.find("'false'"), 7, "'TRUE'");
  take = true;
  EXPECT_EQ(component->GetNumber(manual, take), "JK2026010004");
  EXPECT_FALSE(take);
  EXPECT_EQ(lastSerial("JK202601"), 3);
  EXPECT_EQ(lastSerial("JK202603"), -1);
}

TEST_F(BillNumberTest, BadFormatsAndDatesDrawNothing) {
  const auto connection = connect();
  const auto component = bill(*connection);
  const std::string bad[] = {"<单据编号>", loanFormat("2026-13-40"), loanFormat("soon")};
  for (const std::string& format : bad) {
    bool take = true;
    EXPECT_THROW(component->GetNumber(format, take), RuntimeError) << format;
  }
  EXPECT_EQ(lastSerial("JK202601"), 3);
}

TEST_F(BillNumberTest, ADrawInsideTheCallersTransactionGoesWithIt) {
  const auto connection = connect();
  const auto component = bill(*connection);
  connection->beginTrans();
  EXPECT_EQ(draw(*component, loanFormat("2026-01-20")), "JK2026010004");
  connection->rollbackTrans();
  EXPECT_EQ(draw(*component, loanFormat("2026-01-20")), "JK2026010004");
}

TEST_F(BillNumberTest, TwoConnectionsAtOnceNeverGetTheSameNumber) {
  constexpr int kPerConnection = 15;
  std::vector<std::string> numbers[2];
  std::vector<std::thread> workers;
  for (auto& drawn : numbers) {
    workers.emplace_back([&] {
      const auto connection = connect();
      connection->setCommandTimeout(0);
      const auto component = bill(*connection);
      for (int i = 0; i < kPerConnection; ++i) drawn.push_back(draw(*component, loanFormat("2026-04-01")));
    });
  }
  for (std::thread& worker : workers) worker.join();
  std::set<std::string> distinct(numbers[0].begin(), numbers[0].end());
  distinct.insert(numbers[1].begin(), numbers[1].end());
  EXPECT_EQ(distinct.size(), 2u * kPerConnection);
  EXPECT_EQ(*distinct.begin(), "JK2026040001");
  EXPECT_EQ(*distinct.rbegin(), "JK2026040030");
}

}  // namespace
}  // namespace corvane
