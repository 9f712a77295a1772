#include "claims/BalanceLines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "request/Messages.h"
#include "support/VoucherTestAccount.h"

namespace corvane {
namespace {

constexpr const char* kIncome = "{7C2E9B40-1D3F-4E6A-8B02-000000000001}";   // 300, saved
constexpr const char* kExpense = "{7C2E9B40-1D3F-4E6A-8B02-000000000003}";  // 2300, approved

std::string msg(const char* id) { return GetResString(id, "zh-CN"); }
std::string receipt() { return msg("Z7.Corvane.0185"); }
std::string payment() { return msg("Z7.Corvane.0186"); }

class BalanceLinesTest : public VoucherTestAccount {
 protected:
  std::string claimTs(const std::string& claim) {
    return scalar("select Cast(ts As Money) from KX_ExpenVouch where GUID='" + claim + "'");
  }
  std::string claim(const std::string& column, const std::string& guid) {
    return scalar("Select " + column + " From KX_ExpenVouch Where GUID = '" + guid + "'");
  }
  // A new line of the claim, stored directly; answers its GUID.
  std::string addLine(const std::string& guid, int kind, const std::string& amount, const std::string& payId = "") {
    connection_.execute("Insert Into KX_BalanceInfo (ExpenGUID,intIOType,strBalanceID,dblMoney,strPayID) Values ('" +
                        guid + "'," + std::to_string(kind) + ",'1'," + amount + "," +
                        (payId.empty() ? "Null" : "'" + payId + "'") + ")");
    return scalar("Select GUID From KX_BalanceInfo Where AutoID = (Select Max(AutoID) From KX_BalanceInfo)");
  }
  std::string lineTs(const std::string& line) {
    return scalar("select Cast(ts As Money) from KX_BalanceInfo where GUID='" + line + "'");
  }
  // Saves `rows` on the claim with its current row version unless `ts` is given.
  bool save(const std::string& guid, const std::string& rows, const std::string& after = "",
            const std::string& ts = "") {
    FuncCall c = call("<req><func name='SaveExpenInfo'><in GUID='" + guid + "' ts='" +
                      (ts.empty() ? claimTs(guid) : ts) + "'><rows>" + rows + "</rows></in></func>" + after + "</req>");
    return SaveExpenInfo(c);
  }
  std::string errorText() { return reply_.selectSingleNode("/error/text").text(); }
};

std::string newRow(const std::string& kind, const std::string& amount, const std::string& extra = "") {
  return "<row P='1' intIOType='" + kind + "' strBalanceID='1' dblMoney='" + amount + "'" + extra + "/>";
}

TEST_F(BalanceLinesTest, ListsTheClaimsLinesInEntryOrderNamedByTheFuncOrItsIn) {
  addLine(kExpense, 2, "2000");
  connection_.execute(
      "Insert Into KX_BalanceInfo (ExpenGUID,intIOType,strBalanceID,dblMoney,strPayBankID,strRecBank,"
      "strRecAcc,strPayment) Values ('" +
      std::string(kExpense) + "',1,'1',300.5,'01','O''Brien <Bank>','622','退回')");
  struct Case {
    const char* name;
    std::string func;
    size_t rows;
  };
  const Case cases[] = {
      {"the func names the claim", "<func name='GetExpenInfo' GUID='" + std::string(kExpense) + "'><in/></func>", 2},
      {"its in names it", "<func name='GetExpenInfo'><in GUID='" + std::string(kExpense) + "'/></func>", 2},
      {"the func's GUID wins",
       "<func name='GetExpenInfo' GUID='" + std::string(kIncome) + "'><in GUID='" + std::string(kExpense) +
           "'/></func>",
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FuncCall fc = call("<req>" + c.func + "</req>");
    ASSERT_TRUE(GetExpenInfo(fc)) << reply_.xml();
    EXPECT_EQ(reply_.selectNodes("/Rows/row").size(), c.rows);
  }
  FuncCall fc = call("<req><func name='GetExpenInfo' GUID='" + std::string(kExpense) + "'/></req>");
  ASSERT_TRUE(GetExpenInfo(fc));
  const std::vector<XmlNode> rows = reply_.selectNodes("/Rows/row");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].attribute("intIOType"), payment());
  EXPECT_EQ(rows[1].attribute("intIOType"), receipt());
  EXPECT_EQ(rows[1].attribute("dblMoney"), "300.5");
  EXPECT_EQ(rows[1].attribute("strBankName"), "O'Brien <Bank>");
  EXPECT_EQ(rows[1].attribute("strBankAcc"), "622");
  EXPECT_FALSE(rows[1].attribute("strPayBankName").empty());
  EXPECT_EQ(rows[1].attribute("ts"), lineTs(rows[1].attribute("GUID")));
  std::vector<std::string> names;
  for (const auto& [name, value] : rows[1].attributes()) names.push_back(name);
  EXPECT_EQ(names, (std::vector<std::string>{"GUID", "intIOType", "strBalanceID", "strPayBankName", "strPayBankAcc",
                                             "dblMoney", "strBillID", "strPayBankID", "strPayment", "strBankName",
                                             "strBankAcc", "ts", "strPayID", "strBalance"}));
}

TEST_F(BalanceLinesTest, AnEmptyListAndAMissingClaim) {
  FuncCall fc = call("<req><func name='GetExpenInfo'><in GUID='" + std::string(kIncome) + "'/></func></req>");
  ASSERT_TRUE(GetExpenInfo(fc));
  EXPECT_EQ(reply_.xml(), "<Rows/>");
  FuncCall missing = call("<req><func name='GetExpenInfo'><in GUID=''/></func></req>");
  EXPECT_FALSE(GetExpenInfo(missing));
  EXPECT_EQ(reply_.selectSingleNode("/error/id").text(), "Corvane:CExpense:GetExpenInfo:9000");
  EXPECT_EQ(errorText(), msg("Z7.Corvane.0289"));
}

TEST_F(BalanceLinesTest, LinesThatMatchTheAmountSettleTheClaimAndVerifyItWhileApproved) {
  struct Case {
    const char* name;
    const char* guid;
    const char* amount;                                      // the claim's amount before the save
    const char* approver;                                    // "" not approved
    std::vector<std::pair<std::string, std::string>> lines;  // kind text, amount
    const char* settled;
    const char* verifier;  // "" none, else the saving user
  };
  // clang-format off
  const Case cases[] = {
      {"income: receipts and payments alike make up the amount", kIncome, "100", "demo",
       {{"receipt", "40"}, {"payment", "60"}}, "True", "demo"},
      {"income claim not approved keeps no verifier", kIncome, "100", "", {{"receipt", "40"}, {"payment", "60"}},
       "True", ""},
      {"income: lines short of the amount", kIncome, "100", "demo", {{"receipt", "40"}}, "False", ""},
      {"expense: payments less receipts", kExpense, "100", "demo", {{"payment", "150"}, {"receipt", "50"}}, "True",
       "demo"},
      {"expense: payments less receipts short", kExpense, "100", "demo", {{"payment", "100"}, {"receipt", "50"}},
       "False", ""},
      {"expense: cents count exactly", kExpense, "0.3", "demo", {{"payment", "0.1"}, {"payment", "0.2"}}, "True",
       "demo"},
      {"a kind text of neither message is a payment", kExpense, "100", "demo", {{"其他", "100"}}, "True", "demo"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    connection_.beginTrans();
    connection_.execute(std::string("Update KX_ExpenVouch Set dblMoney = ") + c.amount +
                        ", strAuditorID = " + (*c.approver ? "'demo'" : "Null") + " Where GUID = '" + c.guid + "'");
    std::string rows;
    for (const auto& [kind, amount] : c.lines) {
      rows += newRow(kind == "receipt" ? receipt() : kind == "payment" ? payment() : kind, amount);
    }
    ASSERT_TRUE(save(c.guid, rows)) << reply_.xml();
    EXPECT_EQ(claim("blnSettle", c.guid), c.settled);
    EXPECT_EQ(claim("strVerifier", c.guid), *c.verifier ? login_->UserName() : "");
    EXPECT_EQ(reply_.selectNodes("/Rows/row").size(), c.lines.size());
    connection_.rollbackTrans();
  }
}

TEST_F(BalanceLinesTest, UpdatesAndDeletesFollowTheRowVersionAndKeepTheBankMarks) {
  const std::string kept = addLine(kExpense, 2, "2000", "demo");
  const std::string gone = addLine(kExpense, 1, "10");
  const std::string rows =
      "<row P='0' intIOType='x'/>"
      "<row P='2' GUID='" +
      kept + "' ts='" + lineTs(kept) + "' intIOType='" + payment() +
      "' strBalanceID='2' dblMoney='2300' strPayment=\"O'Brien\" strBankName='招商银行' strBankAcc='6225'/>"
      "<row P='3' GUID='" +
      gone + "' ts='" + lineTs(gone) + "' intIOType='" + receipt() + "'/>" + newRow(receipt(), "", " strBillID='ZP01'");
  ASSERT_TRUE(save(kExpense, rows)) << reply_.xml();
  EXPECT_EQ(scalar("Select Count(*) From KX_BalanceInfo"), "2");
  EXPECT_EQ(
      scalar("Select strBalanceID + '|' + Cast(dblMoney As varchar(20)) + '|' + strPayment + '|' + strRecBank + "
             "'|' + strRecAcc + '|' + strPayID + '|' + IsNull(strBillID, '-') From KX_BalanceInfo Where GUID = '" +
             kept + "'"),
      "2|2300.00|O'Brien|招商银行|6225|demo|-");
  EXPECT_EQ(scalar("Select IsNull(Cast(dblMoney As varchar(20)), 'null') + '|' + strBillID From KX_BalanceInfo "
                   "Where GUID <> '" +
                   kept + "'"),
            "null|ZP01");
  EXPECT_EQ(claim("blnSettle", kExpense), "True");
  EXPECT_EQ(claim("strVerifier", kExpense), login_->UserName());
}

TEST_F(BalanceLinesTest, ASettledClaimStaysSettledWhenItsLinesNoLongerMatch) {
  const std::string line = addLine(kExpense, 2, "2300");
  ASSERT_TRUE(save(kExpense, ""));
  ASSERT_EQ(claim("blnSettle", kExpense), "True");
  connection_.execute("Update KX_ExpenVouch Set strAuditorID = Null Where GUID = '" + std::string(kExpense) + "'");
  ASSERT_TRUE(save(kExpense, "<row P='2' GUID='" + line + "' ts='" + lineTs(line) + "' intIOType='" + payment() +
                                 "' strBalanceID='1' dblMoney='10'/>"))
      << reply_.xml();
  EXPECT_EQ(claim("blnSettle", kExpense), "True");
  EXPECT_EQ(claim("strVerifier", kExpense), "");
}

TEST_F(BalanceLinesTest, RefusalsLeaveTheRequestToRollBack) {
  const std::string line = addLine(kExpense, 2, "2000");
  const std::string sent = addLine(kExpense, 2, "100", "demo");
  struct Case {
    const char* name;
    std::string rows;
    std::string ts;  // the claim's row version sent; empty for the current one
    const char* message;
  };
  const Case cases[] = {
      {"a row without a kind", "<row P='1' strBalanceID='1' intIOType=''/>", "", "Z7.Corvane.0291"},
      {"an unknown save action", "<row P='5' intIOType='x'/>", "", "Z7.Corvane.0292"},
      {"an update of a changed line",
       "<row P='2' GUID='" + line +
           "' ts='1' intIOType='x' strBalanceID='1' "
           "dblMoney='5'/>",
       "", "Z7.Corvane.0112"},
      {"a row version that is no number",
       "<row P='2' GUID='" + line +
           "' ts='0 or 1=1' intIOType='x' "
           "strBalanceID='1' dblMoney='5'/>",
       "", "Z7.Corvane.0112"},
      {"a delete of a line that is gone", "<row P='3' GUID='{X}' ts='1' intIOType='x'/>", "", "Z7.Corvane.0112"},
      {"a delete of a line at the bank", "<row P='3' GUID='" + sent + "' ts='" + lineTs(sent) + "' intIOType='x'/>", "",
       "Z7.Corvane.0380"},
      {"a changed claim", newRow(payment(), "5"), "1", "Z7.Corvane.0293"},
      {"a claim version that is no number", newRow(payment(), "5"), "1 or 1=1", "Z7.Corvane.0293"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    connection_.beginTrans();
    EXPECT_FALSE(save(kExpense, c.rows, "", c.ts));
    EXPECT_EQ(reply_.selectSingleNode("/error/id").text(), "Corvane:CExpense:SaveExpenInfo:9000") << reply_.xml();
    EXPECT_EQ(errorText(), msg(c.message));
    connection_.rollbackTrans();
  }
  FuncCall fc = call("<req><func name='SaveExpenInfo'><in GUID='' ts='1'/></func></req>");
  EXPECT_FALSE(SaveExpenInfo(fc));
  EXPECT_EQ(errorText(), msg("Z7.Corvane.0290"));
  connection_.execute("Update KX_ExpenVouch Set strMakerID = '\t' Where GUID = '" + std::string(kExpense) + "'");
  EXPECT_FALSE(save(kExpense, ""));
  EXPECT_EQ(errorText(), msg("Z7.Corvane.0376"));
  EXPECT_EQ(scalar("Select Count(*) From KX_BalanceInfo"), "2");
}

TEST_F(BalanceLinesTest, LinesThatWouldMoveMoreThanTheClaimSettlesAreRefused) {
  struct Case {
    const char* name;
    const char* guid;
    const char* amount;                                      // the claim's amount
    const char* writeOff;                                    // its loan write-off, "" none
    const char* existing;                                    // a payment line it holds already, "" none
    std::vector<std::pair<std::string, std::string>> lines;  // kind text, amount
    const char* moved;  // "" saved; else the amounts of the refusal: what would move,
    const char* limit;  // and what the claim settles
  };
  // clang-format off
  const Case cases[] = {
      {"a second payment of the whole amount", kExpense, "300", "", "300", {{"payment", "300"}}, "600.00", "300.00"},
      {"payments of the amount less the write-off", kExpense, "2300", "800", "", {{"payment", "1500"}}, "", ""},
      {"a cent beyond it", kExpense, "2300", "800", "1000", {{"payment", "500.01"}}, "1,500.01", "1,500.00"},
      {"receipts add to what it pays out", kExpense, "2300", "800", "", {{"payment", "1700"}, {"receipt", "200"}},
       "", ""},
      {"write-offs beyond the amount wait for receipts", kExpense, "300", "800", "", {{"receipt", "200"}}, "", ""},
      {"nothing to pay out once receipts make them up", kExpense, "300", "800", "",
       {{"receipt", "500"}, {"payment", "1"}}, "1.00", "0.00"},
      {"a negative payment takes back", kExpense, "2300", "", "2500", {{"payment", "-200"}}, "", ""},
      {"cents count exactly", kExpense, "0.3", "", "", {{"payment", "0.1"}, {"payment", "0.2"}}, "", ""},
      {"an income claim takes in all its lines", kIncome, "300", "", "", {{"receipt", "200"}, {"payment", "100"}},
       "", ""},
      {"an income claim's lines beyond its amount", kIncome, "300", "", "", {{"receipt", "300"}, {"payment", "1"}},
       "301.00", "300.00"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    connection_.beginTrans();
    connection_.execute(std::string("Update KX_ExpenVouch Set dblMoney = ") + c.amount +
                        ", strAuditorID = 'demo' "
                        "Where GUID = '" +
                        c.guid + "'");
    if (*c.writeOff) {
      connection_.execute(std::string("Insert Into KX_ExpenLoanInfo (Expenguid,LoanSubguid,dblJE,blnUsed) Select '") +
                          c.guid + "',GUID," + c.writeOff + ",0 From KX_LoanVouch_Sub Where dblMoney = 3000");
    }
    if (*c.existing) addLine(c.guid, 2, c.existing);
    std::string rows;
    for (const auto& [kind, amount] : c.lines) rows += newRow(kind == "receipt" ? receipt() : payment(), amount);
    EXPECT_EQ(save(c.guid, rows), !*c.moved) << reply_.xml();
    if (*c.moved) {
      EXPECT_EQ(reply_.selectSingleNode("/error/id").text(), "Corvane:CExpense:SaveExpenInfo:9000");
      EXPECT_EQ(errorText(), GetResString("Z7.Corvane.0653", "zh-CN", c.moved, c.limit));
    }
    connection_.rollbackTrans();
  }
}

TEST_F(BalanceLinesTest, HandsTheClaimsNewVersionToALoanWriteOffSaveOfTheRequest) {
  const std::string after = "<func name='SaveLoanInfo'><in GUID='" + std::string(kExpense) + "' ts='0'/></func>";
  ASSERT_TRUE(save(kExpense, newRow(payment(), "2300"), after)) << reply_.xml();
  EXPECT_EQ(request_.selectSingleNode("//func[@name='SaveLoanInfo']/in").attribute("ts"), claimTs(kExpense));
  EXPECT_NE(claimTs(kExpense), "0");

  // The partner's in must carry a row version already.
  EXPECT_FALSE(save(kExpense, "", "<func name='SaveLoanInfo'><in/></func>"));
  EXPECT_EQ(reply_.selectSingleNode("/error/id").text(), "Corvane:CExpense:SaveExpenInfo:91");
}

}  // namespace
}  // namespace corvane
