#include "posting/LedgerAccounts.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "request/Locale.h"
#include "support/CaseAccount.h"

namespace corvane {
namespace {

TEST(NumStr, WritesNumbersWithoutLocale) {
  struct Case {
    Variant value;
    const char* text;
  } const cases[] = {
      {Variant("12.50"), "12.5"},
      {Variant(" -3 "), "-3"},
      {Variant("1e3"), "1000"},
      {Variant("12abc"), "0"},
      {Variant(""), "0"},
      {Variant::null(), "0"},
      {Variant(), "0"},
      {Variant::dbl(5742.32), "5742.32"},
      {Variant::dbl(1.0 / 3.0), "0.333333333333333"},
      {Variant::longValue(-7), "-7"},
      {Variant(Currency::fromScaled(57423200)), "5742.32"},
      {Variant(Currency::fromScaled(-1)), "-0.0001"},
      {Variant::dbl(123456789012345678.0), "1.23456789012346E+17"},
  };
  const std::string previousLocale = gLocaleID;
  for (const char* locale : {"zh-CN", "en-us", "de-DE"}) {
    gLocaleID = locale;
    for (const Case& c : cases) EXPECT_EQ(NumStr(c.value), c.text) << locale << " " << c.text;
  }
  gLocaleID = previousLocale;
}

class LedgerAccountsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    account_.execute("DELETE FROM KX_PzSet_IO");  // these item-side settings in place of the demo's
    account_.execute(
        "INSERT INTO KX_PzSet_IO (strOperatType, strIOItemCode, strCurrency, strSubject, blnModiDire) VALUES "
        "('201', '20102', '人民币', '660202', 0), ('201', '20101', '人民币', '660201', 1), "
        "('201', NULL, '美元', '6602', 0), ('302', NULL, NULL, '1221', 1)");
    account_.execute(
        "INSERT INTO KX_PzSet_OP (strOperatType, strBalanceType, strBankID, strCurrency, strSubject) VALUES "
        "('付款', '21', '05', '美元', '1002'), ('付款', '0101', NULL, '美元', '1221')");
    connection_.open(account_.connectString());
  }

  CaseAccount account_;
  db::Connection connection_;
};

TEST_F(LedgerAccountsTest, ItemSideAccountByItemThenByTypeAndCurrency) {
  struct Case {
    const char* name;
    const char* type;
    const char* item;
    const char* currency;
    const char* code;
    const char* accountName;
    bool mayChangeSide;
  } const cases[] = {
      {"the item's own setting", "201", "20102", "人民币", "660202", "办公费", false},
      {"another item of the type and currency, first by item", "201", "20103", "人民币", "660201", "差旅费", true},
      {"an empty item matches the setting without one", "302", "", "", "1221", "其他应收款", true},
      {"a setting without item in the currency", "201", "20101", "美元", "6602", "管理费用", false},
      {"no setting of the currency", "201", "20101", "欧元", "", "", false},
      {"a quote stays in its literal", "201' Or '1'='1", "", "人民币", "", "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const LedgerAccount account = GetIOSubject(connection_, c.type, c.item, c.currency);
    EXPECT_EQ(account.code, c.code);
    EXPECT_EQ(account.name, c.accountName);
    EXPECT_EQ(account.mayChangeSide, c.mayChangeSide);
  }
}

TEST_F(LedgerAccountsTest, PaymentSideAccountInFourSteps) {
  struct Case {
    const char* name;
    const char* kind;
    const char* balanceType;
    const char* bank;
    const char* currency;
    const char* code;
    const char* accountName;
  } const cases[] = {
      {"1: balance type, bank and currency", "2", "3", "01", "人民币", "1002", "银行存款"},
      {"1: empty values match empty settings", "1", "1", "", "", "1001", "库存现金"},
      {"2: balance type and currency, any bank", "付款", "21", "09", "美元", "1002", "银行存款"},
      {"3: bank and currency, any balance type", "3", "9", "05", "美元", "1002", "银行存款"},
      {"4: a setting whose balance type begins with the line's", "2", "01", "07", "美元", "1221", "其他应收款"},
      {"none", "2", "5", "07", "欧元", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const LedgerAccount account = GetOPSubject(connection_, c.kind, c.balanceType, c.bank, c.currency);
    EXPECT_EQ(account.code, c.code);
    EXPECT_EQ(account.name, c.accountName);
  }
}

TEST_F(LedgerAccountsTest, SideOfAnAccount) {
  EXPECT_EQ(GetSubjectSide(connection_, "660201"), 0);
  EXPECT_EQ(GetSubjectSide(connection_, "1002"), 1);
  EXPECT_EQ(GetSubjectSide(connection_, "1221"), 0);  // in both settings: item side
  EXPECT_EQ(GetSubjectSide(connection_, "6051"), -1);
}

TEST_F(LedgerAccountsTest, UserDefinedFieldsAsSqlValues) {
  account_.execute("UPDATE KX_LoanVouch SET cDefine1 = 'O''Brien', cDefine5 = 2.5, cDefine7 = 3 WHERE AutoID = 1");
  const std::string loan = "{3A6F0C21-5B1E-4C8A-9D01-000000000001}";
  const std::string nulls = ",Null,Null,Null,Null,Null,Null,Null,Null,Null,Null,Null,Null,Null,Null,Null,Null";
  EXPECT_EQ(GetCDefineValues("KX_LoanVouch", loan, connection_),
            ",'O''Brien',Null,Null,Null,'2.5',Null,'3',Null,Null,Null,Null,Null,Null,Null,Null,Null");
  EXPECT_EQ(GetCDefineValues("kx_expenvouch", loan, connection_), nulls);
  EXPECT_EQ(GetCDefineValues("KX_OperationType", loan, connection_), nulls);
}

}  // namespace
}  // namespace corvane
