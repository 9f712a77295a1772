#include "approval/LoanCheques.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "request/Locale.h"
#include "request/Messages.h"
#include "request/RowXml.h"
#include "support/CaseAccount.h"

namespace corvane {
namespace {

constexpr const char* kLoan = "{3A6F0C21-5B1E-4C8A-9D01-000000000001}";  // JK2026010001, 人民币

struct ChequeCase {
  const char* name;
  std::vector<const char*> setup;
  const char* loan;
  std::vector<const char*> messages;  // ids, each with the voucher number
  const char* book;                   // cn_id|cCode|mc of the book's rows, in number order
  const char* failure = nullptr;      // the description of a run-time error that ends it (0365)
};

// The loan's second line (bank 01) paid by cheque ('2' is the bill settle style) with a prepaid
// amount; the payment setting of bank 01 in 人民币 covers it.
constexpr const char* kChequeLine =
    "UPDATE KX_LoanVouch_Sub SET strBalanceID = '2', dblPreMoney = 1234.567 WHERE strBillID = 'ZZ0106001'";
constexpr const char* kSecondChequeLine =
    "UPDATE KX_LoanVouch_Sub SET strBalanceID = '2', dblPreMoney = 10, strBillID = NULL, strPayBankID = '01' "
    "WHERE MGuid = '{3A6F0C21-5B1E-4C8A-9D01-000000000001}' AND strBalanceID = '1'";

// clang-format off
const ChequeCase kCases[] = {
    {"no bill-settled line", {}, "{3A6F0C21-5B1E-4C8A-9D01-000000000002}", {}, ""},
    {"a bill-settled line without prepaid amount", {"UPDATE KX_LoanVouch_Sub SET strBalanceID = '2'"}, kLoan, {}, ""},
    {"registered, the amount rounded to cents", {kChequeLine}, kLoan, {}, "ZZ0106001|1002|1234.57;"},
    // Half cents round away from zero; in binary 1.005 times 100 falls just below 100.5 and lost
    // the cent.
    {"a half cent rounds away from zero: 1.005",
     {kChequeLine, "UPDATE KX_LoanVouch_Sub SET dblPreMoney = 1.005 WHERE strBillID = 'ZZ0106001'"}, kLoan, {},
     "ZZ0106001|1002|1.01;"},
    {"a half cent rounds away from zero: 2.675",
     {kChequeLine, "UPDATE KX_LoanVouch_Sub SET dblPreMoney = 2.675 WHERE strBillID = 'ZZ0106001'"}, kLoan, {},
     "ZZ0106001|1002|2.68;"},
    {"a half cent rounds away from zero: 1234.565",
     {kChequeLine, "UPDATE KX_LoanVouch_Sub SET dblPreMoney = 1234.565 WHERE strBillID = 'ZZ0106001'"}, kLoan, {},
     "ZZ0106001|1002|1234.57;"},
    {"a refund's half cent rounds away from zero",
     {kChequeLine, "UPDATE KX_LoanVouch_Sub SET dblPreMoney = -1.005 WHERE strBillID = 'ZZ0106001'"}, kLoan, {},
     "ZZ0106001|1002|-1.01;"},
    {"a line without cheque number is reported, the other registered", {kChequeLine, kSecondChequeLine}, kLoan,
     {"Z7.Corvane.0182"}, "ZZ0106001|1002|1234.57;"},
    {"no payment setting", {kChequeLine, "DELETE FROM KX_PzSet_OP"}, kLoan, {"Z7.Corvane.0183"}, ""},
    // A settings table that cannot be read is no missing setting: the registration ends with the
    // database's error, and the loan stays approved.
    {"the payment settings cannot be read", {kChequeLine, "DROP TABLE KX_PzSet_OP"}, kLoan, {}, "",
     "Invalid object name 'KX_PzSet_OP'."},
};
// clang-format on

std::string bookRows(db::Connection& connection) {
  db::Recordset rs;
  rs.open("Select cn_id, cCode, mc From ChequeBook Order By cn_id", connection);
  std::string rows;
  for (; !rs.eof(); rs.moveNext()) {
    rows += CStr(rs.field(0).value()) + "|" + CStr(rs.field(1).value()) + "|" + CStr(rs.field(2).value()) + ";";
  }
  return rows;
}

TEST(RegisterLoanCheques, RegistersTheBillSettledLinesAndReportsTheOthers) {
  const std::string previousLocale = gLocaleID;
  gLocaleID = "zh-CN";
  for (const ChequeCase& c : kCases) {
    SCOPED_TRACE(c.name);
    CaseAccount account;
    for (const char* sql : c.setup) account.execute(sql);
    const auto login = account.logIn();
    db::Connection connection;
    connection.open(account.connectString());
    std::string expected;
    for (const char* id : c.messages) expected += GetResString(id, "", "JK2026010001");
    if (c.failure != nullptr) expected = GetResString("Z7.Corvane.0365", "", c.failure);
    EXPECT_EQ(RegisterLoanCheques(*login, connection, c.loan), expected);
    EXPECT_EQ(bookRows(connection), c.book);
  }
  gLocaleID = previousLocale;
}

}  // namespace
}  // namespace corvane
