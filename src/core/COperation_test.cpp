#include "core/COperation.h"

#include <gtest/gtest.h>

#include <thread>

#include "host/EmbeddedLoginContext.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "support/CaseAccount.h"

namespace corvane {
namespace {

std::string editName(const CaseAccount& account, const std::string& name) {
  COperation operation;
  return account
      .serve(operation, "<req><func name='edit'><in><rows><row P='2' strCode='202' ts='4' intType='支出' strName='" +
                            name + "' strShowID='31' strPrintID='32'/></rows></in></func></req>")
      .xml();
}

// Two users save the same row, both with the row version they read: the transactions queue,
// the first wins and the second is told that the row changed; neither save is half-written.
TEST(COperation, TwoConnectionsEditingOneRowOneWinsTheOtherIsToldTheRowChanged) {
  CaseAccount account;
  std::string first;
  std::string second;
  std::thread a([&] { first = editName(account, "甲"); });
  std::thread b([&] { second = editName(account, "乙"); });
  a.join();
  b.join();

  const bool firstWon = first.find("<Rows>") != std::string::npos;
  const std::string& winner = firstWon ? first : second;
  const std::string& loser = firstWon ? second : first;
  EXPECT_NE(winner.find("<Rows>"), std::string::npos) << winner;
  EXPECT_NE(loser.find("记录已被他人修改或删除"), std::string::npos) << loser;

  db::Connection connection;
  connection.open(account.connectString());
  db::Recordset rs;
  rs.open("SELECT strName FROM KX_OperationType WHERE strCode='202'", connection);
  EXPECT_EQ(CStr(rs.field(0).value()), firstWon ? "甲" : "乙");
}

}  // namespace
}  // namespace corvane
