#include "loans/LoanSave.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "loans/CLoan.h"
#include "platform/com/RuntimeError.h"
#include "support/VoucherTestAccount.h"

namespace corvane {
namespace {

constexpr const char* kLoan1 = "{3A6F0C21-5B1E-4C8A-9D01-000000000001}";   // 0005, 5000, two lines
constexpr const char* kLoan2 = "{3A6F0C21-5B1E-4C8A-9D01-000000000002}";   // 0009, 800 USD, saved
constexpr const char* kClaim3 = "{7C2E9B40-1D3F-4E6A-8B02-000000000003}";  // BX2026010001 of 0005

std::string rowsOf(const XmlDocument& reply) {
  std::string rows;
  for (const XmlNode& row : reply.selectNodes("/Rows/row")) rows += "[" + row.text() + "]";
  return rows;
}

class LoanChecksTest : public VoucherTestAccount {
 protected:
  bool checkLimits(const std::string& person, const std::string& date, const std::string& amount,
                   const std::string& guid = "") {
    FuncCall c = call("<req><func name='CheckLoanXY'><in><z:row GUID='" + guid + "' strPersonCode='" + person +
                      "' dtDate='" + date + "' dblOldMoney='" + amount + "'/></in></func></req>");
    return CheckLoanXY(c);
  }
  // Loan 1 written off by claim 3: its cash line in full (applied), its bank line in part.
  void writeOffLoan1(const char* bankLineUsed) {
    connection_.execute(std::string("INSERT INTO KX_ExpenLoanInfo (Expenguid, LoanSubguid, dblJE, blnUsed) SELECT '") +
                        kClaim3 + "', GUID, 3000, 0 FROM KX_LoanVouch_Sub WHERE MGuid = '" + kLoan1 +
                        "' AND strBalanceID = '1'");
    connection_.execute(std::string("INSERT INTO KX_ExpenLoanInfo (Expenguid, LoanSubguid, dblJE, blnUsed) SELECT '") +
                        kClaim3 + "', GUID, 500, " + bankLineUsed + " FROM KX_LoanVouch_Sub WHERE MGuid = '" + kLoan1 +
                        "' AND strBalanceID = '3'");
  }
};

TEST_F(LoanChecksTest, LimitWarningsNameEachBrokenLimit) {
  // 0005: 30 days, 2 loans, 8000, all hard; one open loan of 5000 dated 2026-01-06.
  // 0009: only a prompting amount limit of 5000; one open loan of 800 USD at 7.1779.
  struct Case {
    const char* name;
    const char* setup;
    const char* person;
    const char* date;
    const char* amount;
    const char* guid;
    const char* ctrlType;
    std::string rows;
  };
  const Case cases[] = {
      {"within every limit", "", "0005", "2026-01-20", "3000", "", "0", ""},
      {"amount at the limit is no breach", "", "0005", "2026-01-20T00:00:00", "3000", "", "0", ""},
      {"amount over a hard limit", "", "0005", "2026-01-20", "3000.01", "", "1",
       "[" + msg("Z7.Corvane.0267", "8000.00", "8000.01") + "]"},
      {"amount in a foreign currency over a prompting limit", "", "0009", "2026-01-20", "100", "", "0",
       "[" + msg("Z7.Corvane.0267", "5000.00", "5842.32") + "]"},
      {"an edited voucher is not counted twice; its own date counts", "", "0005", "2025-12-10", "100", kLoan1, "1",
       "[" + msg("Z7.Corvane.0264", "30", "41") + "]"},
      {"the oldest open loan is older than the voucher",
       "UPDATE KX_LoanVouch SET dtLoanDate = '2025-12-01' WHERE AutoID = 1", "0005", "2026-01-20", "100", "", "1",
       "[" + msg("Z7.Corvane.0264", "30", "50") + "]"},
      {"two broken limits, one of them hard",
       "UPDATE KX_PersonCtrl SET intNumber = 1, strMonCtrType = '0' WHERE strPersonCode = '0005'", "0005", "2026-01-20",
       "5000", "", "1",
       "[" + msg("Z7.Corvane.0265", "1", "2") + "][" + msg("Z7.Corvane.0267", "8000.00", "10000.00") + "]"},
      {"count limit 0 without open loans",
       "UPDATE KX_PersonCtrl SET blnNumber = 1, intNumber = 0 WHERE strPersonCode = '0009'", "0009", "2026-01-20", "0",
       kLoan2, "0", "[" + msg("Z7.Corvane.0265", "0", "1") + "]"},
      {"settled loans never count", "UPDATE KX_LoanVouch SET blnSettle = 1 WHERE AutoID = 1", "0005", "2026-01-20",
       "8000", "", "0", ""},
      {"every limit switched off",
       "UPDATE KX_PersonCtrl SET blnDay = 0, blnNumber = NULL, blnMoney = 0 WHERE strPersonCode = '0005'", "0005",
       "2025-01-01", "99999", "", "0", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    connection_.beginTrans();  // undone after the case
    if (*c.setup) connection_.execute(c.setup);
    EXPECT_TRUE(checkLimits(c.person, c.date, c.amount, c.guid)) << reply_.xml();
    connection_.rollbackTrans();
    ASSERT_TRUE(reply_.selectSingleNode("/Rows")) << reply_.xml();
    EXPECT_EQ(GetAttrValue(reply_, "CtrlType"), c.ctrlType);
    EXPECT_EQ(rowsOf(reply_), c.rows);
  }
}

TEST_F(LoanChecksTest, LimitsOfAPersonWithoutSettingsOrOfABrokenRequest) {
  EXPECT_TRUE(checkLimits("0001", "2020-01-01", "1000000"));
  EXPECT_EQ(reply_.xml(), "");

  struct Case {
    const char* name;
    const char* setup;
    const char* request;
    int number;
  };
  const Case cases[] = {
      {"no row under in", "", "<req><func name='CheckLoanXY'><in/></func></req>", 91},
      {"a voucher date that is no date", "",
       "<req><func name='CheckLoanXY'><in><r strPersonCode='0005' dtDate='2026-13-40'/></in></func></req>", 13},
      {"a switched-on limit without a value", "UPDATE KX_PersonCtrl SET intDay = NULL WHERE strPersonCode = '0005'",
       "<req><func name='CheckLoanXY'><in><r strPersonCode='0005' dtDate='2026-01-20'/></in></func></req>", 13},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    connection_.beginTrans();
    if (*c.setup) connection_.execute(c.setup);
    FuncCall fc = call(c.request);
    EXPECT_FALSE(CheckLoanXY(fc));
    connection_.rollbackTrans();
    EXPECT_EQ(reply_.selectSingleNode("/error/id").text(), "Corvane:CLoan:CheckLoanXY:" + std::to_string(c.number))
        << reply_.xml();
  }
}

TEST_F(LoanChecksTest, WriteOffViewShowsEachLineBeforeEachOfItsWriteOffs) {
  writeOffLoan1("0");
  // A second claim writes the cash line off as well; a pending write-off (Null) is not shown.
  connection_.execute(
      "INSERT INTO KX_ExpenLoanInfo (Expenguid, LoanSubguid, dblJE, blnUsed) SELECT "
      "'{7C2E9B40-1D3F-4E6A-8B02-000000000004}', GUID, 0, 1 FROM KX_LoanVouch_Sub WHERE MGuid = '" +
      std::string(kLoan1) + "' AND strBalanceID = '1'");
  connection_.execute("UPDATE KX_LoanVouch_Sub SET dblReturn = 400 WHERE strBalanceID = '3' AND MGuid = '" +
                      std::string(kLoan1) + "'");
  connection_.execute("INSERT INTO KX_LoanVouch_Sub (MGuid, strBalanceID, dblMoney, dblPreMoney) VALUES ('" +
                      std::string(kLoan1) + "', '2', 0, 500)");
  connection_.execute("INSERT INTO KX_ExpenLoanInfo (Expenguid, LoanSubguid, dblJE, blnUsed) SELECT '" +
                      std::string(kClaim3) + "', GUID, 100, NULL FROM KX_LoanVouch_Sub WHERE strBalanceID = '2'");
  connection_.execute("UPDATE Person SET cPersonName = '王<海>''涛' WHERE cPersonCode = '0005'");
  FuncCall c = call(std::string("<req><func name='GetHXInfo'><in><r GUID='") + kLoan1 + "'/></in></func></req>");
  ASSERT_TRUE(GetHXInfo(c)) << reply_.xml();
  // One text per row: settle style, amount left, written off, claim, claimant, claim date, approver.
  std::vector<std::string> rows;
  for (const XmlNode& row : reply_.selectNodes("/Rows/row")) {
    std::string text;
    for (const char* name :
         {"strBalance", "dblLeave", "dblJE", "strVouchID", "cPersonName", "dtLoanDate", "strAuditorID"}) {
      text += row.attribute(name) + "|";
    }
    rows.push_back(text);
  }
  ASSERT_EQ(rows.size(), 7u) << reply_.xml();
  // The two write-offs of the cash line come in either order, each after the cash line.
  if (rows[1] > rows[3]) std::swap(rows[1], rows[3]);
  const std::vector<std::string> expected = {"现金|3000||||||",     "||0|BX2026010002|郑凯|2026-1-13||",
                                             "现金|3000||||||",     "||3000|BX2026010001|王<海>'涛|2026-1-12|周建国|",
                                             "银行转账|1600||||||", "||500|BX2026010001|王<海>'涛|2026-1-12|周建国|",
                                             "支票|0||||||"};
  EXPECT_EQ(rows, expected) << reply_.xml();
  EXPECT_EQ(reply_.selectNodes("/Rows/row")[4].attribute("dblReturn"), "400");

  for (const std::string& guid :
       {std::string(kLoan2) + "' or ''='", std::string("{00000000-0000-0000-0000-000000000000}")}) {
    FuncCall other = call("<req><func name='GetHXInfo'><in><r GUID=\"" + guid + "\"/></in></func></req>");
    ASSERT_TRUE(GetHXInfo(other));
    EXPECT_EQ(reply_.selectNodes("/Rows/row").size(), 0u) << guid << reply_.xml();
  }
  FuncCall noGuid = call("<req><func name='GetHXInfo'><in><r/></in></func></req>");
  EXPECT_FALSE(GetHXInfo(noGuid));
  EXPECT_EQ(reply_.selectSingleNode("/error/id").text(), "Corvane:CLoan:GetHXInfo:9000");
  EXPECT_EQ(reply_.selectSingleNode("/error/text").text(), msg("Z7.Corvane.0263"));
}

TEST_F(LoanChecksTest, ChangeGuardBySubmissionOrWriteOffs) {
  struct Case {
    const char* name;
    const char* setup;
    const char* guid;
    const char* flag;
    const char* message;  // empty: the voucher may change
  };
  const Case cases[] = {
      {"saved, flag 0", "", kLoan2, "0", ""},
      {"submitted, flag 0", "", kLoan1, "0", "Z7.Corvane.0269"},
      {"submitted without write-offs, flag 1", "", kLoan1, "1", ""},
      {"a pending write-off blocks flag 1", "pending", kLoan1, "1", "Z7.Corvane.0270"},
      {"written off, saved, flag 0", "applied", kLoan1, "0", "Z7.Corvane.0269"},
      {"written off, any flag but 0", "applied", kLoan1, "", "Z7.Corvane.0270"},
      {"no such voucher, flag 0", "", "{00000000-0000-0000-0000-000000000000}", "0", "Z7.Corvane.0180"},
      {"a hostile GUID names no voucher", "", "x' or ''='", "0", "Z7.Corvane.0180"},
      {"no GUID", "", "", "1", "Z7.Corvane.0268"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    connection_.beginTrans();
    if (std::string(c.setup) == "pending") writeOffLoan1("NULL");
    if (std::string(c.setup) == "applied") writeOffLoan1("0");
    FuncCall fc =
        call(std::string("<req><func name='CheckModify'><in flag='") + c.flag + "'>" + c.guid + "</in></func></req>");
    const bool ok = CheckModify(fc);
    connection_.rollbackTrans();
    if (*c.message == 0) {
      EXPECT_TRUE(ok);
      EXPECT_TRUE(reply_.selectSingleNode("/Rows")) << reply_.xml();
    } else {
      EXPECT_FALSE(ok);
      EXPECT_EQ(reply_.selectSingleNode("/error/id").text(), "Corvane:CLoan:CheckModify:9000");
      EXPECT_EQ(reply_.selectSingleNode("/error/text").text(), msg(c.message)) << reply_.xml();
    }
  }
  FuncCall noFlag = call(std::string("<req><func name='CheckModify'><in>") + kLoan2 + "</in></func></req>");
  EXPECT_FALSE(CheckModify(noFlag));
  EXPECT_EQ(reply_.selectSingleNode("/error/id").text(), "Corvane:CLoan:CheckModify:91");
}

TEST_F(LoanChecksTest, WriteOffsKeepTheirClaimAndLoanLine) {
  writeOffLoan1("0");
  struct Case {
    std::string statement;
    const char* constraint;
  };
  const Case cases[] = {
      {std::string("DELETE FROM KX_ExpenVouch WHERE GUID = '") + kClaim3 + "'", "FK_KX_ExpenLoanInfo_KX_ExpenVouch"},
      {std::string("DELETE FROM KX_LoanVouch_Sub WHERE MGuid = '") + kLoan1 + "'",
       "FK_KX_ExpenLoanInfo_KX_LoanVouch_Sub"},
      {"INSERT INTO KX_ExpenLoanInfo (Expenguid, LoanSubguid) VALUES ('{00000000-0000-0000-0000-000000000000}', "
       "(SELECT Min(GUID) FROM KX_LoanVouch_Sub))",
       "FK_KX_ExpenLoanInfo_KX_ExpenVouch"},
      {std::string("INSERT INTO KX_ExpenLoanInfo (Expenguid, LoanSubguid) VALUES ('") + kClaim3 + "', 'none')",
       "FK_KX_ExpenLoanInfo_KX_LoanVouch_Sub"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.statement);
    try {
      connection_.execute(c.statement);
      ADD_FAILURE() << "the statement passed";
    } catch (const RuntimeError& error) {
      EXPECT_NE(error.description().find(c.constraint), std::string::npos) << error.description();
      EXPECT_NE(error.description().find("KX_ExpenLoanInfo"), std::string::npos);
    }
  }
  EXPECT_EQ(scalar("SELECT Count(*) FROM KX_ExpenLoanInfo WHERE blnUsed = 0 AND ts > 0"), "2");
}

TEST_F(LoanChecksTest, SaveSubmitsThroughTheApprovalFlowWhenTheModuleSubmitsOnSave) {
  connection_.beginTrans();
  connection_.execute("UPDATE AccInformation SET cValue = 'True' WHERE cSysID = 'KX' AND cID = '105'");
  FuncCall c = call(
      "<req><func name='savevouch'><in><xml><head><z:row GUID='' strTypeCode='301' strVouchID='JK2026010009' "
      "dtLoanDate='2026-01-20T00:00:00' strDepartID='0301' strLoanID='0006' strBill='人民币' fltRate='1' "
      "dblMoney='800' dblOldMoney='800' strUsed='参展借款' strPersonID='周建国'/></head><body><z:row "
      "strBalanceID='1' dblMoney='800'/></body></xml></in></func></req>");
  CLoan loan;
  ASSERT_TRUE(SaveLoanVoucher(loan, c)) << reply_.xml();
  const std::string guid = scalar("Select GUID From KX_LoanVouch Where strVouchID = 'JK2026010009'");
  EXPECT_EQ(scalar("Select Cast(blnAudi As int) From KX_LoanVouch Where GUID = '" + guid + "'"), "1");
  EXPECT_EQ(scalar("Select cBillType + '/' + cBillCode From ApprovalFlowInstances Where cBillGUID = '" + guid + "'"),
            "45/JK2026010009");
  connection_.rollbackTrans();
}

}  // namespace
}  // namespace corvane
