#include "claims/ExpenseWriteOffs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "claims/BalanceLines.h"
#include "request/Messages.h"
#include "support/VoucherTestAccount.h"

namespace corvane {
namespace {

constexpr const char* kLoan = "{3A6F0C21-5B1E-4C8A-9D01-000000000001}";        // 0005, approved: 3000 and 2000
constexpr const char* kApproved = "{7C2E9B40-1D3F-4E6A-8B02-000000000003}";    // 0005's expense claim, 2300
constexpr const char* kUnapproved = "{7C2E9B40-1D3F-4E6A-8B02-000000000004}";  // 0009's expense claim, 450
constexpr const char* kSecond = "{7C2E9B40-1D3F-4E6A-8B02-0000000000A5}";      // a second approved claim of 0005

std::string msg(const char* id) { return GetResString(id, "zh-CN"); }

// One save row: the loan line, the write-off mode and amount, and the write-off it replaces.
struct Row {
  std::string line;
  std::string mode;
  std::string amount;
  std::string writeOff = {};
};

// The demo account with a second approved claim of the borrower; table cases that change the
// loans each take a fresh one.
class WriteOffAccount : public VoucherTestAccount {
 public:
  WriteOffAccount() {
    connection_.execute(std::string("Insert Into KX_ExpenVouch (GUID,strTypeCode,strVouchID,dtLoanDate,strLoanID,"
                                    "strBill,fltRate,dblMoney,blnAudi,strAuditorID) Values ('") +
                        kSecond + "','201','BX2026019999','2026-01-15','0005','人民币',1,1000,1,'demo')");
  }
  std::string lineOf(const std::string& amount) {
    return scalar("Select GUID From KX_LoanVouch_Sub Where MGuid = '" + std::string(kLoan) +
                  "' And dblMoney = " + amount);
  }
  std::string version(const std::string& table, const std::string& guid) {
    return scalar("select Cast(ts As Money) from " + table + " where GUID='" + guid + "'");
  }
  std::string line(const std::string& column, const std::string& guid) {
    return scalar("Select " + column + " From KX_LoanVouch_Sub Where GUID = '" + guid + "'");
  }
  std::string loan(const std::string& column) {
    return scalar("Select " + column + " From KX_LoanVouch Where GUID = '" + std::string(kLoan) + "'");
  }
  std::string claim(const std::string& column, const std::string& guid) {
    return scalar("Select " + column + " From KX_ExpenVouch Where GUID = '" + guid + "'");
  }
  std::string writeOffOf(const std::string& claimGuid, const std::string& lineGuid) {
    return scalar("Select GUID From KX_ExpenLoanInfo Where Expenguid = '" + claimGuid + "' And LoanSubguid = '" +
                  lineGuid + "'");
  }
  std::string rowXml(const Row& row) {
    const std::string ts1 = row.writeOff.empty() ? "" : version("KX_ExpenLoanInfo", row.writeOff);
    return "<row GUID='" + row.line + "' ts='" + version("KX_LoanVouch_Sub", row.line) + "' GUID1='" + row.writeOff +
           "' ts1='" + ts1 + "' blnUsed='" + row.mode + "' dblRetValue='" + row.amount + "'/>";
  }
  std::string request(const std::string& claimGuid, const std::string& rows, const std::string& del = "0",
                      const std::string& ts = "") {
    return "<func name='SaveLoanInfo'><in GUID='" + claimGuid + "' ts='" +
           (ts.empty() ? version("KX_ExpenVouch", claimGuid) : ts) + "' del='" + del +
           "' strBill='人民币' fltRate='1'><rows>" + rows + "</rows></in></func>";
  }
  bool save(const std::string& claimGuid, const std::vector<Row>& rows, const std::string& del = "0") {
    std::string xml;
    for (const Row& row : rows) xml += rowXml(row);
    FuncCall c = call("<req>" + request(claimGuid, xml, del) + "</req>");
    return SaveLoanInfo(c);
  }
  bool read(const std::string& in) {
    FuncCall c = call("<req><func name='GetLoanInfo'><in " + in + "/></func></req>");
    return GetLoanInfo(c);
  }
  // A payment line of the claim, stored directly (sent to the bank by `sentBy` unless empty);
  // answers its GUID.
  std::string addPayment(const std::string& claimGuid, const std::string& amount, const std::string& sentBy = "") {
    connection_.execute("Insert Into KX_BalanceInfo (ExpenGUID,intIOType,strBalanceID,dblMoney,strPayID) Values ('" +
                        claimGuid + "',2,'3'," + amount + "," + (sentBy.empty() ? "Null" : "'" + sentBy + "'") + ")");
    return scalar("Select GUID From KX_BalanceInfo Where AutoID = (Select Max(AutoID) From KX_BalanceInfo)");
  }
  // A "SaveExpenInfo" func that sets the amount of the claim's payment line `line`.
  std::string paymentChange(const std::string& claimGuid, const std::string& line, const std::string& amount,
                            const std::string& ts = "") {
    return "<func name='SaveExpenInfo'><in GUID='" + claimGuid + "' ts='" +
           (ts.empty() ? version("KX_ExpenVouch", claimGuid) : ts) + "'><rows><row P='2' GUID='" + line + "' ts='" +
           version("KX_BalanceInfo", line) + "' intIOType='" + msg("Z7.Corvane.0186") +
           "' strBalanceID='3' dblMoney='" + amount + "'/></rows></in></func>";
  }
  // Serves the request's funcs in order, as the claim frame does, until one fails; answers
  // whether each served func succeeded. The failed func's reply stays in `reply_`.
  std::vector<bool> serve(const std::string& funcs) {
    EXPECT_TRUE(request_.loadXML("<req>" + funcs + "</req>"));
    std::vector<bool> answers;
    for (const XmlNode& func : request_.selectNodes("//func")) {
      reply_ = XmlDocument();
      FuncCall c{*login_, connection_, func, reply_};
      answers.push_back(func.attribute("name") == "SaveLoanInfo" ? SaveLoanInfo(c) : SaveExpenInfo(c));
      if (!answers.back()) break;
    }
    return answers;
  }
  std::vector<XmlNode> rows() { return reply_.selectNodes("/Rows/row"); }
  std::string errorText() { return reply_.selectSingleNode("/error/text").text(); }
  std::string replyXml() const { return reply_.xml(); }
  std::string userName() const { return login_->UserName(); }
  db::Connection& connection() { return connection_; }
  void TestBody() override {}
};

class ExpenseWriteOffsTest : public WriteOffAccount {};

TEST_F(ExpenseWriteOffsTest, TheOfferHoldsTheClaimantsApprovedOpenLinesInTheClaimsCurrency) {
  connection_.execute("Update Person Set cPersonName = 'O''Brien <李>' Where cPersonCode = '0005'");
  struct Case {
    const char* name;
    std::string in;
    size_t rows;
  };
  const Case cases[] = {
      {"both lines of the approved loan", "strLoanID='0005' GUID='' strBill='人民币' fltRate='1'", 2},
      {"another rate", "strLoanID='0005' GUID='' strBill='人民币' fltRate='1.5'", 0},
      {"another currency", "strLoanID='0005' GUID='' strBill='美元' fltRate='1'", 0},
      {"a loan not yet approved", "strLoanID='0009' GUID='' strBill='美元' fltRate='7.1779'", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(read(c.in)) << reply_.xml();
    EXPECT_EQ(rows().size(), c.rows);
  }
  ASSERT_TRUE(read("strLoanID='0005' GUID='' strBill='人民币' fltRate='1'"));
  const XmlNode first = rows()[0];
  EXPECT_EQ(first.attribute("strLoan"), "O'Brien <李>");
  EXPECT_EQ(first.attribute("strVouchID"), "JK2026010001");
  EXPECT_EQ(first.attribute("dblReturn"), "0");
  EXPECT_EQ(first.attribute("dblRetLeave"), first.attribute("dblMoney"));
  EXPECT_EQ(first.attribute("dblLeave"), first.attribute("dblMoney"));
  EXPECT_EQ(first.attribute("blnSettle"), "0");
  EXPECT_EQ(first.attribute("ts"), version("KX_LoanVouch_Sub", first.attribute("GUID")));
  for (const char* empty : {"GUID1", "ts1", "dblRetValue", "Expenguid", "blnUsed"}) {
    EXPECT_EQ(first.attribute(empty), "") << empty;
  }
  std::vector<std::string> names;
  for (const auto& [name, value] : first.attributes()) names.push_back(name);
  EXPECT_EQ(names, (std::vector<std::string>{"strLoan",    "strLoanID", "dtLoanDate",  "strVouchID",  "strBalanceID",
                                             "strBalance", "dblMoney",  "dblPreMoney", "strBillID",   "blnUsed",
                                             "GUID",       "blnSettle", "GUID1",       "ts",          "ts1",
                                             "Expenguid",  "dblReturn", "dblLeave",    "dblRetValue", "dblRetLeave"}));
}

TEST_F(ExpenseWriteOffsTest, ALineWrittenOffByTwoClaimsIsOfferedOnceForEachAndASettledLineOnlyToItsClaim) {
  const std::string big = lineOf("3000");
  const std::string small = lineOf("2000");
  ASSERT_TRUE(save(kUnapproved, {{big, "-1", "100"}})) << reply_.xml();
  ASSERT_TRUE(save(kSecond, {{big, "-1", "200"}, {small, "1", ""}})) << reply_.xml();
  ASSERT_EQ(line("blnSettle", small), "True");
  struct Case {
    const char* name;
    std::string claim;
    size_t rows;
  };
  const Case cases[] = {
      {"a new claim: the open line twice, the settled one not", "", 2},
      {"the claim that settled a line sees it", kSecond, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(read("strLoanID='0005' GUID='" + c.claim + "' strBill='人民币' fltRate='1'")) << reply_.xml();
    EXPECT_EQ(rows().size(), c.rows);
  }
}

TEST_F(ExpenseWriteOffsTest, TheClaimsListShowsTheLineBeforeAndAfterItsWriteOff) {
  const std::string big = lineOf("3000");
  const std::string small = lineOf("2000");
  // Recorded on a claim not yet approved: nothing applied to the loan. Listed after another
  // claim repaid 1200, it shows what would be left after both.
  ASSERT_TRUE(save(kUnapproved, {{big, "0", "1200"}, {small, "1", "50"}})) << reply_.xml();
  EXPECT_EQ(line("dblReturn", big), "0");
  EXPECT_EQ(line("blnSettle", big), "False");
  EXPECT_EQ(scalar("Select Count(*) From KX_ExpenLoanInfo Where blnUsed Is Null"), "2");
  EXPECT_EQ(scalar("Select dblJE From KX_ExpenLoanInfo Where LoanSubguid = '" + small + "'"), "0");
  ASSERT_EQ(rows().size(), 2u) << reply_.xml();  // the save answers the claim's list
  struct Expected {
    const char* blnUsed;
    const char* dblReturn;
    const char* dblLeave;
    const char* dblRetValue;
    const char* dblRetLeave;
  };
  const Expected pending[] = {{"0", "1200", "1800", "1200", "600"}, {"1", "0", "2000", "0", "2000"}};
  // Applied on an approved claim: the line shows its repaid amount before this claim's part.
  ASSERT_TRUE(save(kApproved, {{big, "-1", "1200"}})) << reply_.xml();
  const Expected applied[] = {{"0", "0", "3000", "1200", "1800"}};
  struct Case {
    const char* claim;
    std::vector<Expected> expected;
  };
  const Case cases[] = {{kUnapproved, {std::begin(pending), std::end(pending)}},
                        {kApproved, {std::begin(applied), std::end(applied)}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.claim);
    ASSERT_TRUE(read("GUID='" + std::string(c.claim) + "' strBill='人民币' fltRate='1'")) << reply_.xml();
    const std::vector<XmlNode> list = rows();
    ASSERT_EQ(list.size(), c.expected.size());
    for (size_t i = 0; i < list.size(); ++i) {
      const Expected& e = c.expected[i];
      EXPECT_EQ(list[i].attribute("blnUsed"), e.blnUsed) << i;
      EXPECT_EQ(list[i].attribute("dblReturn"), e.dblReturn) << i;
      EXPECT_EQ(list[i].attribute("dblLeave"), e.dblLeave) << i;
      EXPECT_EQ(list[i].attribute("dblRetValue"), e.dblRetValue) << i;
      EXPECT_EQ(list[i].attribute("dblRetLeave"), e.dblRetLeave) << i;
      EXPECT_EQ(list[i].attribute("Expenguid"), c.claim);
      EXPECT_EQ(list[i].attribute("ts1"), version("KX_ExpenLoanInfo", list[i].attribute("GUID1")));
    }
  }
}

TEST_F(ExpenseWriteOffsTest, ReadRefusals) {
  struct Case {
    const char* name;
    const char* in;
    const char* id;
    std::string text;
  };
  const Case cases[] = {
      {"neither claimant nor claim", "strLoanID='' GUID='' strBill='人民币' fltRate='1'",
       "Corvane:CExpense:GetLoanInfo:9000", msg("Z7.Corvane.0284")},
      {"a rate that is no number never reaches the query", "strLoanID='0005' strBill='人民币' fltRate='1 Or 1=1'",
       "Corvane:CExpense:GetLoanInfo:13", "Type mismatch"},
      {"no currency", "strLoanID='0005' fltRate='1'", "Corvane:CExpense:GetLoanInfo:91", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(read(c.in));
    EXPECT_EQ(reply_.selectSingleNode("/error/id").text(), c.id);
    if (!c.text.empty()) {
      EXPECT_EQ(errorText(), c.text);
    }
  }
}

TEST_F(ExpenseWriteOffsTest, AnApprovedClaimSettlesTheLoanLinesByMode) {
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> modes;  // mode, amount for the 3000 line, then the 2000 line
    const char* bigReturn;
    const char* bigSettled;
    const char* smallSettled;
    const char* loanReturn;
    const char* loanSettled;
    const char* writeOffs;  // blnUsed:dblJE of the stored rows, by line
  };
  // clang-format off
  const Case cases[] = {
      {"full write-off of one line", {{"0", "3000"}}, "3000", "True", "False", "0", "False", "0:3000.00"},
      {"an empty mode is a full write-off", {{"", "3000"}, {"1", "700"}}, "3000", "True", "True", "0", "True",
       "0:3000.00,1:0.00"},
      {"a partial repayment", {{"-1", "1000.25"}}, "1000.25", "False", "False", "1000.25", "False", "0:1000.25"},
      {"partial repayment of the whole line", {{"-1", "3000"}, {"1", ""}}, "3000", "True", "True", "3000", "True",
       "0:3000.00,1:0.00"},
      {"a full write-off without an amount is skipped", {{"0", ""}, {"2", "0"}}, "0", "False", "False", "0", "False",
       ""},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteOffAccount a;
    const std::string lines[] = {a.lineOf("3000"), a.lineOf("2000")};
    std::vector<Row> rows;
    for (size_t i = 0; i < c.modes.size(); ++i) rows.push_back({lines[i], c.modes[i].first, c.modes[i].second});
    ASSERT_TRUE(a.save(kApproved, rows)) << a.replyXml();
    EXPECT_EQ(a.line("dblReturn", lines[0]), c.bigReturn);
    EXPECT_EQ(a.line("blnSettle", lines[0]), c.bigSettled);
    EXPECT_EQ(a.line("blnSettle", lines[1]), c.smallSettled);
    EXPECT_EQ(a.loan("dblReturn"), c.loanReturn);
    EXPECT_EQ(a.loan("blnSettle"), c.loanSettled);
    std::string stored;
    for (const std::string& l : lines) {
      const std::string row = a.scalar(
          "Select Cast(blnUsed As varchar(1)) + ':' + Cast(dblJE As varchar(20)) From "
          "KX_ExpenLoanInfo Where LoanSubguid = '" +
          l + "'");
      if (!row.empty()) stored += (stored.empty() ? "" : ",") + row;
    }
    EXPECT_EQ(stored, c.writeOffs);
  }
}

TEST_F(ExpenseWriteOffsTest, PartialRepaymentsOfSeveralClaimsAddUpToTheLineAmountAtMost) {
  struct Case {
    const char* name;
    const char* amount;
    bool saved;
    const char* lineReturn;
    const char* lineSettled;
    const char* loanReturn;
  };
  const Case cases[] = {
      {"beyond the line amount", "200", false, "", "", ""},
      {"up to the line amount", "100", true, "3000", "True", "3000"},
      {"a fraction of a cent beyond still fits at whole cents", "100.004", true, "3000.004", "False", "3000.004"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteOffAccount a;
    const std::string big = a.lineOf("3000");
    ASSERT_TRUE(a.save(kSecond, {{big, "-1", "2900"}})) << a.replyXml();
    EXPECT_EQ(a.save(kApproved, {{big, "-1", c.amount}}), c.saved) << a.replyXml();
    if (c.saved) {
      EXPECT_EQ(a.line("dblReturn", big), c.lineReturn);
      EXPECT_EQ(a.line("blnSettle", big), c.lineSettled);
      EXPECT_EQ(a.loan("dblReturn"), c.loanReturn);
    } else {
      EXPECT_EQ(a.errorText(), msg("Z7.Corvane.0379"));
    }
  }
}

TEST_F(ExpenseWriteOffsTest, ReSavingAnApprovedClaimTakesItsWriteOffsBackFirst) {
  const std::string big = lineOf("3000");
  const std::string small = lineOf("2000");
  ASSERT_TRUE(save(kApproved, {{big, "-1", "500"}, {small, "1", ""}})) << reply_.xml();
  ASSERT_EQ(loan("dblReturn"), "500");
  ASSERT_EQ(line("blnSettle", small), "True");
  // Unchanged rows: the loans stand as they were.
  ASSERT_TRUE(
      save(kApproved, {{big, "-1", "500", writeOffOf(kApproved, big)}, {small, "1", "", writeOffOf(kApproved, small)}}))
      << reply_.xml();
  EXPECT_EQ(line("dblReturn", big), "500");
  EXPECT_EQ(loan("dblReturn"), "500");
  EXPECT_EQ(line("blnSettle", small), "True");
  // Removing them all takes them back.
  ASSERT_TRUE(save(kApproved, {}, "1")) << reply_.xml();
  EXPECT_EQ(scalar("Select Count(*) From KX_ExpenLoanInfo"), "0");
  EXPECT_EQ(line("dblReturn", big), "0");
  EXPECT_EQ(loan("dblReturn"), "0");
  EXPECT_EQ(line("blnSettle", small), "False");
  EXPECT_EQ(reply_.xml(), "<Rows/>");
}

TEST_F(ExpenseWriteOffsTest, AnotherApprovedClaimsWriteOffBarsAFullOrUsedOne) {
  const std::string big = lineOf("3000");
  ASSERT_TRUE(save(kSecond, {{big, "-1", "10"}})) << reply_.xml();
  struct Case {
    const char* name;
    const char* mode;
    const char* amount;
    const char* message;  // nullptr: saved
  };
  const Case cases[] = {
      {"full write-off", "0", "2990", "Z7.Corvane.0287"},
      {"used", "1", "", "Z7.Corvane.0288"},
      {"another partial repayment", "-1", "2990", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteOffAccount a;
    const std::string line = a.lineOf("3000");
    ASSERT_TRUE(a.save(kSecond, {{line, "-1", "10"}})) << a.replyXml();
    const bool saved = a.save(kApproved, {{line, c.mode, c.amount}});
    EXPECT_EQ(saved, c.message == nullptr) << a.replyXml();
    if (c.message) {
      EXPECT_EQ(a.errorText(), msg(c.message));
    }
  }
  // A claim not yet approved only records, whatever others did.
  EXPECT_TRUE(save(kUnapproved, {{big, "0", "2990"}})) << reply_.xml();
}

TEST_F(ExpenseWriteOffsTest, ChangedRowsRefuseTheSave) {
  const std::string big = lineOf("3000");
  const std::string small = lineOf("2000");
  ASSERT_TRUE(save(kApproved, {{small, "1", ""}})) << reply_.xml();
  const std::string held = writeOffOf(kApproved, small);
  const std::string bigRow = rowXml({big, "-1", "5"});
  struct Case {
    const char* name;
    std::string rows;
    std::string ts;  // the claim's row version sent; empty for the current one
  };
  const Case cases[] = {
      {"a changed claim", bigRow, "1"},
      {"a claim version that is no number", bigRow, "1 or 1=1"},
      {"a line named twice", bigRow + bigRow, ""},
      {"a changed loan line", "<row GUID='" + big + "' ts='1' GUID1='' ts1='' blnUsed='-1' dblRetValue='5'/>", ""},
      {"a line version that is no number",
       "<row GUID='" + big + "' ts='1) or (1=1' GUID1='' ts1='' blnUsed='-1' dblRetValue='5'/>", ""},
      {"a write-off that is gone",
       "<row GUID='" + small + "' ts='" + version("KX_LoanVouch_Sub", small) +
           "' GUID1='{X}' ts1='1' blnUsed='1' dblRetValue=''/>",
       ""},
      {"a changed write-off",
       "<row GUID='" + small + "' ts='" + version("KX_LoanVouch_Sub", small) + "' GUID1='" + held +
           "' ts1='1' blnUsed='1' dblRetValue=''/>",
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FuncCall fc = call("<req>" + request(kApproved, c.rows, "0", c.ts) + "</req>");
    EXPECT_FALSE(SaveLoanInfo(fc));
    EXPECT_EQ(reply_.selectSingleNode("/error/id").text(), "Corvane:CExpense:SaveLoanInfo:9000") << reply_.xml();
    EXPECT_EQ(errorText(), msg("Z7.Corvane.0286"));
  }
  EXPECT_EQ(writeOffOf(kApproved, small), held);
}

TEST_F(ExpenseWriteOffsTest, TheClaimIsSettledWhenWriteOffsAndLinesMakeUpItsAmount) {
  struct Case {
    const char* name;
    const char* typeCode;
    const char* amount;
    const char* approver;  // "" not approved
    const char* balances;  // rows of KX_BalanceInfo as "kind,amount;..."
    const char* settled;
    bool verified;
  };
  const Case cases[] = {
      {"write-offs and payments", "201", "2300", "demo", "2,300", "True", true},
      {"receipts count against", "201", "2300", "demo", "2,500;1,200", "True", true},
      {"short of the amount", "201", "2300", "demo", "2,200", "False", true},
      {"not approved: no verifier", "201", "2300", "", "2,300", "True", false},
      {"an income claim compares its negated amount", "102", "-2300", "demo", "2,300", "True", true},
      {"an income claim of a positive amount", "102", "2300", "demo", "2,300", "False", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteOffAccount a;
    a.connection().execute(std::string("Update KX_ExpenVouch Set strTypeCode = '") + c.typeCode +
                           "', dblMoney = " + c.amount + ", strAuditorID = " + (*c.approver ? "'demo'" : "Null") +
                           " Where GUID = '" + kApproved + "'");
    std::string balances = c.balances;
    while (!balances.empty()) {
      const std::string item = balances.substr(0, balances.find(';'));
      balances = balances.find(';') == std::string::npos ? "" : balances.substr(balances.find(';') + 1);
      a.connection().execute("Insert Into KX_BalanceInfo (ExpenGUID,intIOType,dblMoney) Values ('" +
                             std::string(kApproved) + "'," + item + ")");
    }
    ASSERT_TRUE(a.save(kApproved, {{a.lineOf("2000"), "0", "2000"}})) << a.replyXml();
    EXPECT_EQ(a.claim("blnSettle", kApproved), c.settled);
    EXPECT_EQ(a.claim("strVerifier", kApproved), c.verified ? a.userName() : "");
  }
}

TEST_F(ExpenseWriteOffsTest, WriteOffsNeverLeaveTheClaimPayingOutLessThanWentToTheBank) {
  struct Case {
    const char* name;
    const char* payment;  // the claim's payment line of 2300
    const char* sentBy;   // "" not sent to the bank
    bool saved;
  };
  const Case cases[] = {
      {"a line not sent yet may still be corrected", "2300", "", true},
      {"a line at the bank within what is left", "1500", "demo", true},
      {"a line at the bank beyond what is left", "2300", "demo", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteOffAccount a;
    a.addPayment(kApproved, c.payment, c.sentBy);
    EXPECT_EQ(a.save(kApproved, {{a.lineOf("3000"), "0", "800"}}), c.saved) << a.replyXml();
    if (!c.saved) {
      EXPECT_EQ(a.errorText(), GetResString("Z7.Corvane.0653", "zh-CN", "2,300.00", "1,500.00"));
    }
  }
}

TEST_F(ExpenseWriteOffsTest, TheLaterOfAClaimsTwoSavesInARequestCountsAllItsLines) {
  // The claim of 2300 pays 1500 and writes 800 off; each request moves 800 from the write-off to
  // the payment, or only half of that move, in either order.
  struct Case {
    const char* name;
    bool linesFirst;
    bool dropWriteOff;
    std::vector<bool> answers;
  };
  const Case cases[] = {
      {"payments raised, then the write-off dropped", true, true, {true, true}},
      {"the write-off dropped, then payments raised", false, true, {true, true}},
      {"payments raised, the write-off kept after", true, false, {true, false}},
      {"the write-off kept, payments raised after", false, false, {true, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteOffAccount a;
    const std::string big = a.lineOf("3000");
    const std::string payment = a.addPayment(kApproved, "1500");
    ASSERT_TRUE(a.save(kApproved, {{big, "0", "800"}})) << a.replyXml();
    const std::string writeOffs =
        a.request(kApproved, c.dropWriteOff ? "" : a.rowXml({big, "0", "800", a.writeOffOf(kApproved, big)}),
                  c.dropWriteOff ? "1" : "0", c.linesFirst ? "0" : "");
    const std::string lines = a.paymentChange(kApproved, payment, "2300", c.linesFirst ? "" : "0");
    EXPECT_EQ(a.serve(c.linesFirst ? lines + writeOffs : writeOffs + lines), c.answers) << a.replyXml();
    if (!c.answers.back()) {
      EXPECT_EQ(a.errorText(), GetResString("Z7.Corvane.0653", "zh-CN", "2,300.00", "1,500.00"));
    }
  }
}

TEST_F(ExpenseWriteOffsTest, HandsTheClaimsNewVersionToAReceiptSaveOfTheRequest) {
  const std::string after = "<func name='SaveExpenInfo'><in GUID='" + std::string(kApproved) + "' ts='0'/></func>";
  FuncCall c = call("<req>" + request(kApproved, rowXml({lineOf("2000"), "1", ""})) + after + "</req>");
  ASSERT_TRUE(SaveLoanInfo(c)) << reply_.xml();
  EXPECT_EQ(request_.selectSingleNode("//func[@name='SaveExpenInfo']/in").attribute("ts"),
            version("KX_ExpenVouch", kApproved));
  EXPECT_NE(version("KX_ExpenVouch", kApproved), "0");
}

TEST_F(ExpenseWriteOffsTest, AUserWithoutTheSettlementRightIsRefusedAndNothingIsWritten) {
  const std::unique_ptr<EmbeddedLoginContext> clerk = account_.logIn("clerk", "zh-CN", DateTime::parse("2026-01-20"));
  // Both claims lie within the clerk's data rights: department, claimant and maker are his.
  connection_.execute(
      "Update KX_ExpenVouch Set strDepartID = '02', strLoanID = '0003', strPersonID = '李晓燕' "
      "Where GUID In ('" +
      std::string(kApproved) + "','" + kUnapproved + "')");
  for (const char* claimGuid : {kApproved, kUnapproved}) {
    SCOPED_TRACE(claimGuid);
    request_.loadXML("<req>" + request(claimGuid, rowXml({lineOf("3000"), "0", "3000"})) + "</req>");
    reply_ = XmlDocument();
    FuncCall c{*clerk, connection_, request_.selectSingleNode("//func"), reply_};
    EXPECT_FALSE(SaveLoanInfo(c));
    EXPECT_EQ(reply_.selectSingleNode("/error/id").text().rfind("Corvane:MSG:ApplyTask:", 0), 0u) << reply_.xml();
  }
  EXPECT_EQ(scalar("Select Count(*) From KX_ExpenLoanInfo"), "0");
}

}  // namespace
}  // namespace corvane
