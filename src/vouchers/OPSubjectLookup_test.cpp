#include "vouchers/OPSubjectLookup.h"

#include <gtest/gtest.h>

#include "platform/db/Connection.h"
#include "request/Locale.h"
#include "support/CaseAccount.h"

namespace corvane {
namespace {

struct LookupCase {
  const char* name;
  const char* selector;
  const char* balanceType;
  const char* bank;
  const char* currency;
  const char* subject;
};

// The demo settings: payments in cash '1' (any bank and currency) 1001, bank transfers '3' from
// bank 01 in 人民币 1002, receipts in cash 1001; and, added here, cheques '21' in 美元 100201.
const LookupCase kCases[] = {
    {"all three", "302", "3", "01", "人民币", "1002"},
    {"empty bank and currency match a setting without them", "302", "1", "", "", "1001"},
    {"balance type and currency, any bank", "302", "3", "09", "人民币", "1002"},
    {"bank and currency, any balance type", "302", "9", "01", "人民币", "1002"},
    {"a longer balance type beginning with the line's", "302", "2", "", "美元", "100201"},
    {"no setting", "302", "5", "07", "欧元", ""},
    {"selector 1 looks up receipts", "1", "1", "", "", "1001"},
    {"a quote stays in its literal", "302", "1' Or '1'='1", "", "", ""},
};

TEST(GetPzSetSubject, FindsTheMostSpecificSettingInFourSteps) {
  const std::string previousLocale = gLocaleID;
  gLocaleID = "en-us";  // the settings are stored in zh-CN whatever the request's locale
  CaseAccount account;
  account.execute(
      "INSERT INTO KX_PzSet_OP (GUID, strOperatType, strBalanceType, strBankID, strCurrency, strSubject) "
      "VALUES ('{5D1A7E30-2C4B-4F19-8A04-000000000009}', '付款', '21', '05', '美元', '100201')");
  db::Connection connection;
  connection.open(account.connectString());
  for (const LookupCase& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(GetPzSetSubject(connection, c.selector, c.balanceType, c.bank, c.currency), c.subject);
  }
  gLocaleID = previousLocale;
}

}  // namespace
}  // namespace corvane
