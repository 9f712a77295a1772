#include "host/BankPay.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/com/Locale.h"
#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/db/RecordsetXml.h"
#include "platform/xml/XmlDocument.h"
#include "support/CaseAccount.h"
#include "support/ScopedLocale.h"

namespace corvane {
namespace {

constexpr const char* kLoanLine = "{0B5E1C7A-0000-4000-8000-000000000001}";
constexpr const char* kClaimRow = "{0B5E1C7A-0000-4000-8000-000000000002}";

class BankPayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    account.execute(std::string("Insert Into KX_LoanVouch_Sub (GUID, MGuid, dblMoney) Values ('") + kLoanLine +
                    "', '{3A6F0C21-5B1E-4C8A-9D01-000000000001}', 2000)");
    account.execute(std::string("Insert Into KX_BalanceInfo (GUID, ExpenGUID, intIOType, dblMoney) "
                                "Values ('") +
                    kClaimRow + "', '{7C2E9B40-1D3F-4E6A-8B02-000000000003}', 2, 2300)");
    connection.open(account.connectString());
    connection.beginTrans();
  }

  // The persisted bill record of one payment row, as the module hands it over.
  XmlDocument billOf(const std::string& payRow) {
    db::Recordset rs;
    rs.open("Select '" + payRow +
                "' AS iID, 'ZZ01' AS cNoteNo, Convert(money, 2000.5) AS iAmount_f, "
                "N'人民币' AS cExch_name, Convert(money, 2000.5) AS iAmount, "
                "'512902345610001' AS cNatBankAccount, '6225880212345678' AS cBankAccount, "
                "N'周建国' AS cPerson",
            connection, db::adOpenStatic);
    XmlDocument document;
    db::saveAsXml(rs, document);
    return document;
  }

  // The first record of `query`, its columns joined by "|" (Null as "-"); "none" without one.
  std::string value(const std::string& query) {
    db::Recordset rs;
    rs.open(query, connection, db::adOpenStatic);
    if (rs.eof()) return "none";
    std::string text;
    for (int i = 0; i < rs.fieldCount(); ++i) {
      const Variant& v = rs.field(i).value();
      text += (i == 0 ? "" : "|") + (v.isNull() ? std::string("-") : CStr(v));
    }
    return text;
  }

  std::string billRow(const std::string& payRow) {
    return value(
        "Select cNoteNo, iAmount_f, cExch_name, cPerson, iState, cPZSource From NetBankBills "
        "Where cPayRowGUID = '" +
        payRow + "'");
  }

  ScopedLocale locale_{"en-us"};
  CaseAccount account;
  db::Connection connection;
  const std::unique_ptr<BankPay> bank = CreateBankPay();
  std::string errorText = "unset";
};

TEST_F(BankPayTest, ImportBillStoresTheRecordOnceKeyedByItsPaymentRow) {
  EXPECT_TRUE(bank->ImportBill(4, connection, billOf(kLoanLine), errorText));
  EXPECT_EQ(errorText, "");
  EXPECT_EQ(billRow(kLoanLine), "ZZ01|2000.5|人民币|周建国|0|-");
  EXPECT_NE(
      value(std::string("Select cBill From NetBankBills Where cPayRowGUID = '") + kLoanLine + "'").find("rs:data"),
      std::string::npos);

  EXPECT_FALSE(bank->ImportBill(4, connection, billOf(kLoanLine), errorText));
  EXPECT_EQ(errorText, "The payment row has a bank bill already.");
  EXPECT_EQ(value("Select Count(*) From NetBankBills"), "1");
}

TEST_F(BankPayTest, ImportBillRefusesADocumentWithoutARecordOrPaymentRow) {
  db::Recordset empty;
  empty.open("Select GUID AS iID From KX_LoanVouch_Sub Where 1 = 2", connection, db::adOpenStatic);
  XmlDocument noRecord;
  db::saveAsXml(empty, noRecord);
  XmlDocument notABill;
  ASSERT_TRUE(notABill.loadXML("<xml/>"));
  const XmlDocument nothing;
  db::Recordset keyless;
  keyless.open("Select 'ZZ01' AS cNoteNo", connection, db::adOpenStatic);
  XmlDocument noKey;
  db::saveAsXml(keyless, noKey);

  const struct {
    const XmlDocument& bill;
    const char* refusal;
  } cases[] = {{noRecord, "The bank bill holds no record."},
               {notABill, "The bank bill cannot be read."},
               {nothing, "The bank bill cannot be read."},
               {noKey, "The bank bill names no payment row."}};
  for (const auto& c : cases) {
    errorText = "unset";
    EXPECT_FALSE(bank->ImportBill(4, connection, c.bill, errorText)) << c.refusal;
    EXPECT_EQ(errorText, c.refusal);
  }
  EXPECT_EQ(value("Select Count(*) From NetBankBills"), "0");
}

TEST_F(BankPayTest, DeleteBillWithdrawsAWaitingOrRejectedBillAndRefusesAConfirmedOne) {
  ASSERT_TRUE(bank->ImportBill(4, connection, billOf(kLoanLine), errorText));
  ASSERT_TRUE(bank->ImportBill(4, connection, billOf(kClaimRow), errorText));
  AnswerBill(connection, kLoanLine, BankAnswer::Confirm);
  AnswerBill(connection, kClaimRow, BankAnswer::Reject);

  EXPECT_FALSE(bank->DeleteBill(4, connection, kLoanLine, errorText));
  EXPECT_EQ(errorText, "The bank has confirmed the bill. It cannot be withdrawn.");
  EXPECT_EQ(billRow(kLoanLine), "ZZ01|2000.5|人民币|周建国|1|-");

  EXPECT_TRUE(bank->DeleteBill(4, connection, kClaimRow, errorText));
  EXPECT_EQ(errorText, "");
  EXPECT_EQ(billRow(kClaimRow), "none");
  // Nothing left to withdraw is no refusal.
  EXPECT_TRUE(bank->DeleteBill(4, connection, kClaimRow, errorText));
}

TEST_F(BankPayTest, AnswerBillMarksThePaymentRowAndAnswersAWaitingBillOnlyOnce) {
  ASSERT_TRUE(bank->ImportBill(4, connection, billOf(kLoanLine), errorText));
  ASSERT_TRUE(bank->ImportBill(4, connection, billOf(kClaimRow), errorText));

  AnswerBill(connection, kLoanLine, BankAnswer::Confirm);
  AnswerBill(connection, kClaimRow, BankAnswer::Reject);
  EXPECT_EQ(value(std::string("Select blnNetOK From KX_LoanVouch_Sub Where GUID = '") + kLoanLine + "'"), "True");
  EXPECT_EQ(value(std::string("Select blnNetOK From KX_BalanceInfo Where GUID = '") + kClaimRow + "'"), "False");
  EXPECT_EQ(billRow(kClaimRow), "ZZ01|2000.5|人民币|周建国|2|-");

  const struct {
    const char* payRow;
    BankAnswer answer;
    const char* refusal;
  } refused[] = {{kLoanLine, BankAnswer::Reject, "The bank has answered the bill already."},
                 {kClaimRow, BankAnswer::Confirm, "The bank has answered the bill already."},
                 {"{0B5E1C7A-0000-4000-8000-000000000009}", BankAnswer::Confirm, "The payment row has no bank bill."}};
  for (const auto& r : refused) {
    try {
      AnswerBill(connection, r.payRow, r.answer);
      ADD_FAILURE() << r.payRow << " was answered";
    } catch (const RuntimeError& error) {
      EXPECT_EQ(error.number(), errnum::kBusiness);
      EXPECT_EQ(error.description(), r.refusal);
    }
  }
}

TEST_F(BankPayTest, AnswerBillRefusesABillWhosePaymentRowIsGone) {
  ASSERT_TRUE(bank->ImportBill(4, connection, billOf(kLoanLine), errorText));
  connection.execute(std::string("Delete From KX_LoanVouch_Sub Where GUID = '") + kLoanLine + "'");
  EXPECT_THROW(AnswerBill(connection, kLoanLine, BankAnswer::Confirm), RuntimeError);
}

TEST_F(BankPayTest, LedgerLinksAreWrittenForBilledRowsAndWithdrawnForAnyRow) {
  ASSERT_TRUE(bank->ImportBill(4, connection, billOf(kLoanLine), errorText));

  EXPECT_TRUE(bank->WritePZID(4, connection, kLoanLine, "KX", errorText));
  EXPECT_EQ(billRow(kLoanLine), "ZZ01|2000.5|人民币|周建国|0|KX");
  EXPECT_FALSE(bank->WritePZID(4, connection, kClaimRow, "KX", errorText));
  EXPECT_EQ(errorText, "The payment row has no bank bill.");

  EXPECT_TRUE(bank->DeletePZID(4, connection, kLoanLine, errorText));
  EXPECT_EQ(errorText, "");
  EXPECT_EQ(billRow(kLoanLine), "ZZ01|2000.5|人民币|周建国|0|-");
  EXPECT_TRUE(bank->DeletePZID(4, connection, kClaimRow, errorText));
}

TEST_F(BankPayTest, EverythingStandsOrFallsWithTheCallersTransaction) {
  ASSERT_TRUE(bank->ImportBill(4, connection, billOf(kLoanLine), errorText));
  AnswerBill(connection, kLoanLine, BankAnswer::Confirm);
  connection.rollbackTrans();
  EXPECT_EQ(billRow(kLoanLine), "none");
  EXPECT_EQ(value(std::string("Select blnNetOK From KX_LoanVouch_Sub Where GUID = '") + kLoanLine + "'"), "False");
}

TEST_F(BankPayTest, RefusalsAreInTheRequestsLanguage) {
  gLocaleID = "zh-CN";
  EXPECT_FALSE(bank->WritePZID(4, connection, kClaimRow, "KX", errorText));
  EXPECT_EQ(errorText, "该支付行没有银行单据。");
}

}  // namespace
}  // namespace corvane
