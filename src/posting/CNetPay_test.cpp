#include "posting/CNetPay.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/EmbeddedLoginContext.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/xml/XmlDocument.h"
#include "support/CaseAccount.h"
#include "support/TestHost.h"

namespace corvane {
namespace {

constexpr const char* kRmbLine = "{0C1D2E3F-0000-4000-8000-000000000001}";  // loan 1, bank 01
constexpr const char* kUsdLine = "{0C1D2E3F-0000-4000-8000-000000000002}";  // loan 2, bank 02
constexpr const char* kLoan2 = "{3A6F0C21-5B1E-4C8A-9D01-000000000002}";

// The embedded net bank, with what a test needs around it: every bill handed over is kept, and a
// call may first run a scripted change or be refused with a scripted text.
class ScriptedBank final : public BankPay {
 public:
  struct Script {
    std::vector<std::string> bills;                   // the bills handed over, in order
    std::function<void(db::Connection&)> duringCall;  // run inside each ImportBill and DeleteBill
    std::optional<std::string> refusal;               // refuse every call with this text
  };

  explicit ScriptedBank(Script& script) : script_(script) {}

  bool ImportBill(int source, db::Connection& connection, const XmlDocument& bill, std::string& errorText) override {
    script_.bills.push_back(bill.xml());
    if (script_.duringCall) script_.duringCall(connection);
    if (script_.refusal) return refuse(errorText);
    return real_->ImportBill(source, connection, bill, errorText);
  }
  bool DeleteBill(int source, db::Connection& connection, const std::string& payRowGuid,
                  std::string& errorText) override {
    if (script_.duringCall) script_.duringCall(connection);
    if (script_.refusal) return refuse(errorText);
    return real_->DeleteBill(source, connection, payRowGuid, errorText);
  }
  bool WritePZID(int source, db::Connection& connection, const std::string& payRowGuid, const std::string& module,
                 std::string& errorText) override {
    return real_->WritePZID(source, connection, payRowGuid, module, errorText);
  }
  bool DeletePZID(int source, db::Connection& connection, const std::string& payRowGuid,
                  std::string& errorText) override {
    return real_->DeletePZID(source, connection, payRowGuid, errorText);
  }

 private:
  bool refuse(std::string& errorText) const {
    errorText = *script_.refusal;
    return false;
  }

  Script& script_;
  const std::unique_ptr<BankPay> real_ = EmbeddedHost::instance().bankPay();
};

class CNetPayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Loan 1 is approved; loan 2 is approved here, as approval would leave it.
    account.execute(std::string("UPDATE KX_LoanVouch_Sub SET GUID = '") + kRmbLine +
                    "' WHERE MGuid = '{3A6F0C21-5B1E-4C8A-9D01-000000000001}' AND strBalanceID = '3'");
    account.execute(std::string("UPDATE KX_LoanVouch_Sub SET GUID = '") + kUsdLine + "' WHERE MGuid = '" + kLoan2 +
                    "'");
    account.execute(std::string("UPDATE KX_LoanVouch SET strAuditorID = 'demo', blnAudi = 1, "
                                "intBudPass = 1 WHERE GUID = '") +
                    kLoan2 + "'");
    login = account.logIn("demo", "en-us", std::nullopt, &host);
  }

  // Serves `funcs` with a CNetPay paying through the scripted bank; answers the document.
  std::string serve(const std::string& funcs, const std::function<std::unique_ptr<BankPay>()>& factory) {
    XmlDocument document;
    EXPECT_TRUE(document.loadXML("<req>" + funcs + "</req>"));
    host.bankPays = factory;
    CNetPay().myHandle(login.get(), document);
    return document.xml();
  }
  std::string serve(const std::string& funcs) {
    return serve(funcs, [this] { return std::make_unique<ScriptedBank>(script); });
  }

  static std::string pay(const std::string& func, std::initializer_list<const char*> lines) {
    std::string rows;
    for (const char* line : lines) rows += std::string("<row guid='") + line + "' strtypecode='301'/>";
    return "<func name='" + func + "'><in>" + rows + "</in></func>";
  }

  // The first column of every record of `query`, joined by ",".
  std::string column(const std::string& query) const {
    db::Connection connection;
    connection.open(account.connectString());
    db::Recordset rs;
    rs.open(query, connection, db::adOpenStatic);
    std::string text;
    for (; !rs.eof(); rs.moveNext()) {
      const Variant& v = rs.field(0).value();
      text += (text.empty() ? "" : ",") + (v.isNull() ? std::string("-") : CStr(v));
    }
    return text;
  }

  std::string sentBy(const char* line) const {
    return column(std::string("SELECT isnull(strPayID, '') FROM KX_LoanVouch_Sub WHERE GUID = '") + line + "'");
  }
  std::string bills() const { return column("SELECT cPayRowGUID FROM NetBankBills ORDER BY cPayRowGUID"); }
  std::string billTables() const { return column("SELECT Count(*) FROM tempdb..sysobjects WHERE name LIKE 'T%'"); }

  CaseAccount account;
  TestHost host;
  std::unique_ptr<EmbeddedLoginContext> login;
  ScriptedBank::Script script;
};

std::string replyText(const std::string& document, const std::string& xpath) {
  XmlDocument reply;
  if (!reply.loadXML(document)) return "not XML";
  const XmlNode node = reply.selectSingleNode(xpath);
  return node ? node.text() : "none";
}

TEST_F(CNetPayTest, GetRndNameIsTAndNineteenUpperCaseHexDigits) {
  db::Connection connection;
  connection.open(account.connectString());
  const std::string first = CNetPay::GetRndName(connection);
  EXPECT_EQ(first.size(), 20u);
  EXPECT_EQ(first.front(), 'T');
  EXPECT_EQ(first.find_first_not_of("0123456789ABCDEF", 1), std::string::npos) << first;
  EXPECT_NE(CNetPay::GetRndName(connection), first);
}

TEST_F(CNetPayTest, EachRowIsHandedOverWithABillRecordOfItsOwn) {
  const std::string document = serve(pay("netpay", {kRmbLine, kUsdLine}));
  EXPECT_EQ(replyText(document, "//out"), "") << document;
  ASSERT_EQ(script.bills.size(), 2u);

  const struct {
    const char* line;
    const char* amount;       // in the voucher's currency
    const char* localAmount;  // multiplied by the rate, the currency being multiplied
    const char* currency;
    const char* payingAccount;
  } expected[] = {{kRmbLine, "2000", "2000", "人民币", "512902345610001"},
                  {kUsdLine, "800", "5742.32", "美元", "470858201234"}};
  for (std::size_t i = 0; i < 2; ++i) {
    XmlDocument bill;
    ASSERT_TRUE(bill.loadXML(script.bills[i]));
    const std::vector<XmlNode> records = bill.selectNodes("//rs:data/z:row");
    ASSERT_EQ(records.size(), 1u);
    const XmlNode& record = records.front();
    EXPECT_EQ(record.attribute("iID"), expected[i].line);
    EXPECT_EQ(record.attribute("iAmount_f"), expected[i].amount);
    EXPECT_EQ(record.attribute("iAmount"), expected[i].localAmount);
    EXPECT_EQ(record.attribute("cExch_name"), expected[i].currency);
    EXPECT_EQ(record.attribute("cNatBankAccount"), expected[i].payingAccount);
    EXPECT_EQ(record.attribute("cPerson"), "周建国");
    EXPECT_EQ(sentBy(expected[i].line), "周建国");
  }
  EXPECT_EQ(bills(), std::string(kRmbLine) + "," + kUsdLine);
  EXPECT_EQ(billTables(), "0");
}

TEST_F(CNetPayTest, BillAmountsAreExactToTheCent) {
  // Amounts and rates whose products and sums a double carries a bit off the decimal value.
  const struct {
    const char* amount;
    const char* rate;
    const char* localAmount;
  } cases[] = {{"0.1", "3", "0.3"},
               {"1.1", "1.1", "1.21"},
               {"0.07", "100", "7"},
               {"1.005", "1", "1.005"},
               {"999999999.99", "1", "999999999.99"},
               {"12.34", "7.1779", "88.575286"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.amount);
    script.bills.clear();
    account.execute(std::string("UPDATE KX_LoanVouch_Sub SET dblMoney = ") + c.amount +
                    ", strPayID = NULL, blnNetOK = 0 WHERE GUID = '" + kUsdLine + "'");
    account.execute(std::string("UPDATE KX_LoanVouch SET fltRate = ") + c.rate + " WHERE GUID = '" + kLoan2 + "'");
    account.execute("DELETE FROM NetBankBills");
    const std::string document = serve(pay("netpay", {kUsdLine}));
    EXPECT_EQ(replyText(document, "//out"), "") << document;
    ASSERT_EQ(script.bills.size(), 1u);
    XmlDocument bill;
    ASSERT_TRUE(bill.loadXML(script.bills[0]));
    const XmlNode record = bill.selectSingleNode("//rs:data/z:row");
    EXPECT_EQ(record.attribute("iAmount_f"), c.amount);
    EXPECT_EQ(record.attribute("iAmount"), c.localAmount);
    EXPECT_EQ(record.attribute("iExchRate"), c.rate);
  }
}

TEST_F(CNetPayTest, ARowChangedDuringTheBankCallLeavesNothingBehind) {
  // The second row's loan head changes while the bank takes its bill.
  script.duringCall = [this](db::Connection& connection) {
    if (script.bills.size() == 2) {
      connection.execute(std::string("UPDATE KX_LoanVouch SET strUsed = strUsed WHERE GUID = '") + kLoan2 + "'");
    }
  };
  const std::string document = serve(pay("netpay", {kRmbLine, kUsdLine}));

  EXPECT_EQ(replyText(document, "//out/error/id"), "Corvane:CNetPay:KXtoNB:9000");
  EXPECT_EQ(replyText(document, "//out/error/text"),
            "The record does not exist or was changed by another user. The operation failed.");
  // The row before stays paid; of the failed row no bill, no mark and no table is left.
  EXPECT_EQ(sentBy(kRmbLine), "周建国");
  EXPECT_EQ(sentBy(kUsdLine), "");
  EXPECT_EQ(bills(), kRmbLine);
  EXPECT_EQ(billTables(), "0");
}

TEST_F(CNetPayTest, ALoanChangedDuringTheWithdrawalKeepsItsBill) {
  serve(pay("netpay", {kUsdLine}));
  ASSERT_EQ(sentBy(kUsdLine), "周建国");
  script.duringCall = [](db::Connection& connection) {
    connection.execute(std::string("UPDATE KX_LoanVouch SET strUsed = strUsed WHERE GUID = '") + kLoan2 + "'");
  };
  const std::string document = serve(pay("netunpay", {kUsdLine}));

  EXPECT_EQ(replyText(document, "//out/error/text"),
            "The record does not exist or was changed by another user. Refresh and try again.");
  EXPECT_EQ(sentBy(kUsdLine), "周建国");
  EXPECT_EQ(bills(), kUsdLine);
}

TEST_F(CNetPayTest, ABankRefusalIsTheRowsFailureWithTheBanksText) {
  const struct {
    const char* bankText;
    const char* reply;
  } cases[] = {{"The bank is closed.", "The bank is closed."}, {"", "The net bank could not complete the operation."}};
  for (const auto& c : cases) {
    script.refusal = c.bankText;
    const std::string document = serve(pay("netpay", {kRmbLine}));
    EXPECT_EQ(replyText(document, "//out/error/id"), "Corvane:CNetPay:KXtoNB:9000");
    EXPECT_EQ(replyText(document, "//out/error/text"), c.reply);
    EXPECT_EQ(sentBy(kRmbLine), "");
    EXPECT_EQ(bills(), "");
    EXPECT_EQ(billTables(), "0");
  }
}

TEST_F(CNetPayTest, ANetBankThatCannotBeCreatedFailsTheWholeRequest) {
  const std::string document = serve(pay("netpay", {kRmbLine}), [] { return std::unique_ptr<BankPay>(); });
  EXPECT_EQ(replyText(document, "/error/id"), "Corvane:CNetPay:myHandle:429");
  EXPECT_EQ(sentBy(kRmbLine), "");
}

}  // namespace
}  // namespace corvane
