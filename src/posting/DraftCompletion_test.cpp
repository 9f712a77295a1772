#include "posting/DraftCompletion.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "posting/DraftTable.h"
#include "request/Messages.h"
#include "request/SqlText.h"
#include "support/CaseAccount.h"

namespace corvane {
namespace {

struct DraftLine {
  const char* md;
  const char* mc;
};

// Balancing of draft lines without accounts (so that only the totals matter). Sums a double gets
// wrong: 0.1 + 0.1 + 0.1 is not 0.3 and 0.1 + 0.2 - 0.27 is more than three cents in binary.
struct BalanceCase {
  const char* name;
  std::vector<DraftLine> lines;            // inid 1, 2, ... in this order
  std::vector<DraftLine> after;            // the lines after balancing; empty when refused
  std::vector<const char*> refusalTotals;  // debit and credit of the 0662 refusal
};

const BalanceCase kBalanceCases[] = {
    {"three tenths against 0.3 balance as they are",
     {{"0.1", "0"}, {"0.1", "0"}, {"0.1", "0"}, {"0", "0.3"}},
     {{"0.1", "0"}, {"0.1", "0"}, {"0.1", "0"}, {"0", "0.3"}},
     {}},
    {"exactly a cent per line is evened out on the last credit",
     {{"0.1", "0"}, {"0.2", "0"}, {"0", "0.27"}},
     {{"0.1", "0"}, {"0.2", "0"}, {"0", "0.3"}},
     {}},
    {"a surplus of credits raises the last debit",
     {{"0", "0.1"}, {"0", "0.2"}, {"0.27", "0"}},
     {{"0", "0.1"}, {"0", "0.2"}, {"0.3", "0"}},
     {}},
    {"a debit surplus adds the exact difference",
     {{"0", "0.1"}, {"0", "0.2"}, {"0.33", "0"}},
     {{"0", "0.1"}, {"0", "0.23"}, {"0.33", "0"}},
     {}},
    {"large totals keep the cent",
     {{"999999999.99", "0"}, {"0.01", "0"}, {"0", "1000000000.01"}},
     {{"999999999.99", "0"}, {"0.02", "0"}, {"0", "1000000000.01"}},
     {}},
    {"more than a cent per line refuses the draft", {{"0.1", "0"}, {"0.2", "0"}, {"0", "0.26"}}, {}, {"0.30", "0.26"}},
};

std::string rowsOf(db::Connection& connection, const std::string& table) {
  db::Recordset rs;
  rs.open("select md, mc from " + table + " order by inid", connection);
  std::string rows;
  for (; !rs.eof(); rs.moveNext()) rows += CStr(rs.field(0).value()) + "/" + CStr(rs.field(1).value()) + ";";
  return rows;
}

std::string rowsOf(const std::vector<DraftLine>& lines) {
  std::string rows;
  for (const DraftLine& line : lines) rows += std::string(line.md) + "/" + line.mc + ";";
  return rows;
}

TEST(UpdateItemClass, BalancesTheDraftToTheCentExactly) {
  CaseAccount account;
  const auto login = account.logIn("demo", "zh-CN");
  for (const BalanceCase& c : kBalanceCases) {
    SCOPED_TRACE(c.name);
    db::Connection connection;
    connection.open(account.connectString());
    const std::string table = CreatePZTbl(connection, *login);
    ASSERT_FALSE(table.empty());
    int inid = 0;
    for (const DraftLine& line : c.lines) {
      connection.execute(FixSqlText("insert into " + table + " (inid, coutsign, coutno_id, md, mc) values (" +
                                    std::to_string(++inid) + ", '记', 'L1', " + line.md + ", " + line.mc + ")"));
    }
    if (c.refusalTotals.empty()) {
      UpdateItemClass(connection, table);
      EXPECT_EQ(rowsOf(connection, table), rowsOf(c.after));
      continue;
    }
    try {
      UpdateItemClass(connection, table);
      ADD_FAILURE() << "the draft was balanced";
    } catch (const RuntimeError& error) {
      EXPECT_EQ(error.description(), GetResString("Z7.Corvane.0662", "", c.refusalTotals[0], c.refusalTotals[1]));
    }
    EXPECT_EQ(rowsOf(connection, table), rowsOf(c.lines));
  }
}

}  // namespace
}  // namespace corvane
