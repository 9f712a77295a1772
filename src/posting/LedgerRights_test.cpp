#include "posting/LedgerRights.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "posting/DraftLine.h"
#include "support/CaseAccount.h"
#include "support/TestHost.h"

namespace corvane {
namespace {

constexpr const char* kOwnLoan = "{3A6F0C21-5B1E-4C8A-9D01-000000000001}";       // department 0301
constexpr const char* kOutsideLoan = "{3A6F0C21-5B1E-4C8A-9D01-000000000002}";   // department 04
constexpr const char* kOutsideClaim = "{7C2E9B40-1D3F-4E6A-8B02-000000000004}";  // department 04

// A row-rights service that cannot answer.
class BrokenRowRight final : public RowRight {
 public:
  void init(const std::string&, const std::string&) override { throw RuntimeError(-1, "no service"); }
  std::string GetAuthString(const std::string&, const std::string&, const std::string&) override {
    throw RuntimeError(-1, "no service");
  }
};

// Ledger vouchers of the demo account: 1 made from the clerk's own loan, 2 from the loan of
// department 04, 3 from both, 4 with lines naming only the clerk's loan but whose batch the loan of
// department 04 also carries (a merged line keeps one source), 5 with a line naming a voucher that
// does not exist beside the clerk's loan.
class LedgerRightsTest : public ::testing::Test {
 protected:
  LedgerRightsTest() {
    account.execute("Update KX_LoanVouch Set strPersonID = '李晓燕', PZGUID = 'B1' Where GUID = '" +
                    std::string(kOwnLoan) + "'");
    account.execute("Update KX_LoanVouch Set PZGUID = 'B4' Where GUID = '" + std::string(kOutsideLoan) + "'");
    line(1, "B1", kOwnLoan);
    line(2, "B2", kOutsideLoan);
    line(3, "B3", kOwnLoan);
    line(3, "B3", kOutsideClaim);
    line(4, "B4", kOwnLoan);
    line(5, "B5", kOwnLoan);
    line(5, "B5", "{00000000-0000-0000-0000-000000000000}");
  }

  void line(int number, const std::string& batch, const std::string& source) {
    account.execute(
        "Insert Into GL_accvouch (iperiod, csign, ino_id, inid, ccode, md, mc, coutsysname, coutno_id, "
        "coutid, iyear) Values (1, N'记', " +
        std::to_string(number) + ", 1, '1221', 1, 0, 'kx', '" + batch + "', '" + source + "', 2026)");
  }

  bool outside(const std::string& user, int number) {
    const auto login = account.logIn(user, "en-us", std::nullopt, &host);
    db::Connection connection;
    connection.open(account.connectString());
    return LedgerVoucherOutsideRights(*login, connection, "ino_id = " + std::to_string(number));
  }

  CaseAccount account;
  TestHost host;
};

TEST_F(LedgerRightsTest, AVoucherIsOutsideWhenAnyOfItsSourcesIs) {
  struct Case {
    const char* name;
    const char* user;
    int number;
    bool outside;
  };
  const Case cases[] = {
      {"the clerk's own loan", "clerk", 1, false},
      {"a loan of another department", "clerk", 2, true},
      {"his loan and a claim of another department", "clerk", 3, true},
      {"a source known only by the batch", "clerk", 4, true},
      {"a line naming no voucher", "clerk", 5, false},
      {"no such voucher", "clerk", 99, false},
      {"the administrator, another department", "demo", 2, false},
      {"the administrator, both departments", "demo", 3, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(outside(c.user, c.number), c.outside);
  }
}

TEST_F(LedgerRightsTest, ARowRightsServiceThatCannotAnswerLeavesEveryVoucherOutside) {
  host.rowRights = [] { return std::make_unique<BrokenRowRight>(); };
  EXPECT_TRUE(outside("clerk", 1));
  EXPECT_FALSE(outside("demo", 2));
}

TEST(LedgerLineSources, AreTheMergedOnesInOrderThenTheLinesOwnInUpperCase) {
  EXPECT_EQ(LineSources("{3a6f0c21-5b1e-4c8a-9d01-000000000001}",
                        "{7C2E9B40-1D3F-4E6A-8B02-000000000004},{3A6F0C21-5B1E-4C8A-9D01-000000000001} x"),
            (std::vector<std::string>{kOutsideClaim, kOwnLoan, kOwnLoan}));
  EXPECT_TRUE(LineSources("", "").empty());
}

}  // namespace
}  // namespace corvane
