#include "loans/LoanStore.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/ApprovalFlow.h"
#include "platform/com/RuntimeError.h"
#include "request/Values.h"
#include "support/VoucherTestAccount.h"

namespace corvane {
namespace {

constexpr const char* kLoan1 = "{3A6F0C21-5B1E-4C8A-9D01-000000000001}";  // 0005, submitted and approved
constexpr const char* kLoan2 = "{3A6F0C21-5B1E-4C8A-9D01-000000000002}";  // 0009, saved
constexpr const char* kLoan3 = "{3A6F0C21-5B1E-4C8A-9D01-000000000003}";  // 0002, opening loan

Attributes newHead() {
  return {{"GUID", ""},
          {"strTypeCode", "301"},
          {"strVouchID", "JK2026010009"},
          {"dtLoanDate", "2026-01-20T00:00:00"},
          {"strDepartID", "0301"},
          {"strLoanID", "0006"},
          {"strBill", "人民币"},
          {"fltRate", "1"},
          {"dblMoney", "1000"},
          {"dblOldMoney", "1000"},
          {"strUsed", "客户拜访借款"},
          {"strPersonID", "周建国"}};
}

Attributes cashLine(const std::string& amount = "1000") { return {{"strBalanceID", "1"}, {"dblMoney", amount}}; }

class LoanStoreTest : public VoucherTestAccount {
 protected:
  LoanStoreTest() {
    host_.approvalFlows = [this] { return std::make_unique<FakeFlow>(flow_); };
  }

  // Saves the voucher; `headAttributes` go on the head element, `after` follows the save's func.
  bool save(const Attributes& head, const std::vector<Attributes>& lines, const std::string& headAttributes = "",
            const std::string& after = "") {
    std::string body;
    for (const Attributes& line : lines) body += rowXml(line);
    FuncCall c = call("<req><func name='savevouch'><in><xml><head" + headAttributes + ">" + rowXml(head) +
                      "</head><body>" + body + "</body></xml></in></func>" + after + "</req>");
    const VoucherSaveServices services{[this](XmlNode row) {
      submitted_.push_back(row.attribute("GUID"));
      submittedNumbers_.push_back(row.attribute("strVouchID"));
      if (duringSubmit_) connection_.execute(duringSubmit_);
      return submitAnswer_;
    }};
    return saveLoanVoucherWith(c, services);
  }
  // The save of `head` fails with the message `text` (its writes are left to the request's rollback).
  void expectRefused(const Attributes& head, const std::vector<Attributes>& lines, const std::string& text,
                     const std::string& headAttributes = "") {
    EXPECT_FALSE(save(head, lines, headAttributes));
    EXPECT_EQ(reply_.selectSingleNode("/error/id").text(), "Corvane:CLoan:SaveVouch:9000") << reply_.xml();
    EXPECT_EQ(reply_.selectSingleNode("/error/text").text(), text);
  }
  std::string loanTables() {
    return scalar("Select Count(*) From KX_LoanVouch") + "/" + scalar("Select Count(*) From KX_LoanVouch_Sub");
  }
  std::string head(const std::string& column, const std::string& guid) {
    return scalar("Select " + column + " From KX_LoanVouch Where GUID = '" + guid + "'");
  }
  std::string newGuid() {
    return scalar("Select GUID From KX_LoanVouch Where AutoID = (Select Max(AutoID) From KX_LoanVouch)");
  }
  void addOpenLoan(const std::string& person, const std::string& date, const std::string& amount,
                   const std::string& number) {
    connection_.execute(
        "INSERT INTO KX_LoanVouch (GUID, strTypeCode, strVouchID, dtLoanDate, strLoanID, strBill, "
        "fltRate, dblMoney, dblOldMoney) VALUES ('{" +
        number + "}', '301', '" + number + "', '" + date + "', '" + person + "', '人民币', 1, " + amount + ", " +
        amount + ")");
  }

  FlowState flow_;
  std::vector<std::string> submitted_;
  std::vector<std::string> submittedNumbers_;
  const char* duringSubmit_ = nullptr;  // a statement the submission runs
  bool submitAnswer_ = true;
};

TEST_F(LoanStoreTest, NewVoucherKeepsAFreeNumberAndTotalsItsLines) {
  const std::string after = "<func name='getVouchListID'><in><strAutoID/><Director>1</Director></in></func>";
  std::vector<Attributes> lines = {cashLine("500"),
                                   {{"strBalanceID", "3"},
                                    {"dblMoney", "0"},
                                    {"dblPreMoney", "300"},
                                    {"strPayBankID", "01"},
                                    {"strBankName", "招商银行"},
                                    {"strBankAcc", "6225'01"},
                                    {"cDefine26", "12.5"},
                                    {"cDefine22", "备注"}}};
  Attributes row = newHead();
  row["dtExpDate"] = "2026-02-20T00:00:00";
  row["strUsed"] = "O'Brien <差旅>";
  row["cDefine5"] = "abc";
  connection_.beginTrans();
  ASSERT_TRUE(save(row, lines, "", after)) << reply_.xml();
  EXPECT_EQ(reply_.xml(), "");
  const std::string guid = newGuid();
  EXPECT_EQ(head("strVouchID", guid), "JK2026010009");
  EXPECT_EQ(head("dblMoney", guid), "500");
  EXPECT_EQ(head("blnAllBill", guid), "False");
  EXPECT_EQ(head("blnAudi", guid), "False");
  EXPECT_EQ(head("intOverBud", guid), "-1");
  EXPECT_EQ(head("strUsed", guid), "O'Brien <差旅>");
  EXPECT_EQ(head("dtExpDate", guid), "2026-2-20");
  EXPECT_EQ(head("strBudItemID", guid), "");
  EXPECT_EQ(head("cDefine5 Is Null", guid), "1");
  EXPECT_EQ(scalar("Select Count(*) From KX_LoanVouch_Sub Where MGuid = '" + guid + "'"), "2");
  EXPECT_EQ(scalar("Select IsNull(dblPreMoney, -1) From KX_LoanVouch_Sub Where MGuid = '" + guid +
                   "' And strBalanceID = '1'"),
            "-1");
  EXPECT_EQ(scalar("Select strBankAcc + '|' + cDefine22 + '|' + Cast(cDefine26 As varchar(10)) From "
                   "KX_LoanVouch_Sub Where MGuid = '" +
                   guid + "' And strBalanceID = '3'"),
            "6225'01|备注|12.5");
  EXPECT_EQ(request_.selectSingleNode("//func[@name='getVouchListID']/in/strAutoID").text(), head("AutoID", guid));
  EXPECT_EQ(request_.selectSingleNode("//func[@name='getVouchListID']/in/Director").text(), "3");
  EXPECT_EQ(flow_.asked, std::vector<std::string>{"SetLogin"});  // a new voucher is in no flow
  connection_.rollbackTrans();
}

TEST_F(LoanStoreTest, LinesComeFromTheSavedVouchersOwnBody) {
  // An earlier func of the same request carries lines of its own; they are not this voucher's.
  connection_.beginTrans();
  FuncCall c = call(
      "<req><func name='other'><in><body><z:row strBalanceID='1' dblMoney='9'/><z:row "
      "strBalanceID='1' dblMoney='9'/></body></in></func><func name='savevouch'><in><xml><head>" +
      rowXml(newHead()) + "</head><body>" + rowXml(cashLine("250")) + "</body></xml></in></func></req>");
  c.oNode = request_.selectSingleNode("//func[@name='savevouch']");
  const VoucherSaveServices services{[](XmlNode) { return true; }};
  ASSERT_TRUE(saveLoanVoucherWith(c, services)) << reply_.xml();
  const std::string guid = newGuid();
  EXPECT_EQ(head("dblMoney", guid), "250");
  EXPECT_EQ(scalar("Select Sum(dblMoney) From KX_LoanVouch_Sub Where MGuid = '" + guid + "'"), "250");
  connection_.rollbackTrans();
}

TEST_F(LoanStoreTest, HeadTotalAndAllBillFollowTheLines) {
  struct Case {
    const char* name;
    std::vector<Attributes> lines;
    const char* total;
    const char* allBill;
    const char* lineAmounts;  // dblMoney of the lines in order, Null as "-"
  };
  // clang-format off
  const Case cases[] = {
      {"an amount and a second amount", {cashLine("500"), {{"strBalanceID", "1"}, {"dblMoney", "0"}, {"dblPreMoney", "300"}}},
       "500", "False", "500,0"},
      {"only second amounts", {{{"strBalanceID", "1"}, {"dblPreMoney", "300"}}, {{"strBalanceID", "3"}, {"dblPreMoney", "200"}}},
       "0", "True", "-,-"},
      {"a bill settlement keeps no line amount but counts in the head",
       {{{"strBalanceID", "2"}, {"dblMoney", "700"}, {"strBillID", "ZP001"}}, cashLine("0.1"), cashLine("0.2")},
       "700.3", "False", "-,0.1,0.2"},
      {"no lines", {}, "0", "True", ""},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    connection_.beginTrans();
    ASSERT_TRUE(save(newHead(), c.lines)) << reply_.xml();
    const std::string guid = newGuid();
    EXPECT_EQ(head("dblMoney", guid), c.total);
    EXPECT_EQ(head("blnAllBill", guid), c.allBill);
    std::string amounts;
    db::Recordset rs;
    rs.open("Select dblMoney From KX_LoanVouch_Sub Where MGuid = '" + guid + "' Order By AutoID", connection_,
            db::adOpenForwardOnly, db::adLockReadOnly);
    for (; !rs.eof(); rs.moveNext()) {
      const Variant v = rs.field(0).value();
      amounts += (amounts.empty() ? "" : ",") + (v.isNull() ? std::string("-") : NullToStr(v));
    }
    EXPECT_EQ(amounts, c.lineAmounts);
    connection_.rollbackTrans();
  }
}

TEST_F(LoanStoreTest, HeadChecksRefuseInTheirOrder) {
  struct Case {
    const char* attribute;
    const char* value;  // "-": the attribute is left out
    const char* message;
  };
  const Case cases[] = {
      {"strTypeCode", "-", "Z7.Corvane.0011"},
      {"strVouchID", "-", "Z7.Corvane.0211"},
      {"dtLoanDate", "-", "Z7.Corvane.0212"},
      {"dtLoanDate", "2005-13-40", "Z7.Corvane.0213"},
      {"strDepartID", "-", "Z7.Corvane.0214"},
      {"strDepartID", "", "Z7.Corvane.0215"},
      {"strDepartID", "0301' or ''='", "Z7.Corvane.0215"},
      {"strDepartID", "03", "Z7.Corvane.0216"},
      {"strLoanID", "-", "Z7.Corvane.0217"},
      {"strLoanID", "9999", "Z7.Corvane.0218"},
      {"strItemClassID", "99", "Z7.Corvane.0219"},
      {"strItemID", "P2609", "Z7.Corvane.0220"},  // class 01 from the case setup
      {"strBill", "-", "Z7.Corvane.0221"},
      {"strBill", "日元", "Z7.Corvane.0222"},
      {"fltRate", "-", "Z7.Corvane.0223"},
      {"fltRate", "abc", "Z7.Corvane.0224"},
      {"fltRate", "0", "Z7.Corvane.0225"},
      {"fltRate", "-1", "Z7.Corvane.0225"},
      {"dblMoney", "-", "Z7.Corvane.0226"},
      {"dblOldMoney", "-", "Z7.Corvane.0227"},
      {"strPersonID", "-", "Z7.Corvane.0228"},
      {"strPersonID", "nobody", "Z7.Corvane.0229"},
  };
  connection_.beginTrans();
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.attribute) + "=" + c.value);
    Attributes row = newHead();
    if (std::string(c.attribute) == "strItemID") row["strItemClassID"] = "01";
    if (std::string(c.value) == "-") {
      row.erase(c.attribute);
    } else {
      row[c.attribute] = c.value;
    }
    expectRefused(row, {cashLine()}, msg(c.message));
  }
  EXPECT_EQ(loanTables(), "3/4");  // the checks come before any write
  connection_.rollbackTrans();
}

TEST_F(LoanStoreTest, ItemsAreCheckedInTheTableOfTheirClass) {
  struct Case {
    const char* itemClass;
    const char* item;
    bool stored;
  };
  const Case cases[] = {{"", "nothing checked", true}, {"01", "P2601", true}, {"ch", "A001", true},
                        {"ch", "P2601", false},        {"01", "A001", false}, {"01", "", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.itemClass) + "/" + c.item);
    connection_.beginTrans();
    Attributes row = newHead();
    row["strItemClassID"] = c.itemClass;
    row["strItemID"] = c.item;
    EXPECT_EQ(save(row, {cashLine()}), c.stored) << reply_.xml();
    connection_.rollbackTrans();
  }
}

TEST_F(LoanStoreTest, LineChecksRefuseTheWholeVoucher) {
  connection_.execute("INSERT INTO SettleStyle (cSSCode, cSSName, bSSEnd) VALUES ('9', '其他', 0)");
  struct Case {
    const char* name;
    Attributes line;
    std::string message;
  };
  const Case cases[] = {
      {"no settle style", {{"dblMoney", "10"}}, msg("Z7.Corvane.0249")},
      {"unknown settle style", {{"strBalanceID", "1' or ''='"}, {"dblMoney", "10"}}, msg("Z7.Corvane.0250")},
      {"settle style that is no leaf", {{"strBalanceID", "9"}, {"dblMoney", "10"}}, msg("Z7.Corvane.0251")},
      {"no amount at all", {{"strBalanceID", "1"}, {"dblMoney", "0"}}, msg("Z7.Corvane.0252")},
      {"an empty second amount", {{"strBalanceID", "1"}, {"dblPreMoney", ""}}, msg("Z7.Corvane.0252")},
      {"a bill settlement without its bill", {{"strBalanceID", "2"}, {"dblMoney", "10"}}, msg("Z7.Corvane.0253")},
      {"an unknown paying bank",
       {{"strBalanceID", "3"}, {"dblMoney", "10"}, {"strPayBankID", "99"}},
       msg("Z7.Corvane.0254")},
  };
  connection_.beginTrans();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    expectRefused(newHead(), {cashLine(), c.line}, c.message);
  }
  connection_.rollbackTrans();
}

TEST_F(LoanStoreTest, BudgetItemNeedsItsPortsInPairs) {
  struct Case {
    Attributes budget;
    const char* message;  // empty: stored
    const char* stored;   // strBudItemID|strPort1|strPort1Value|strPort3Value as stored
  };
  const Case cases[] = {
      {{{"strBudItemID", ""}, {"strPort1", "部门"}}, "", "|||"},
      {{{"strBudItemID", "B01"}, {"strPort1", "部门"}}, "Z7.Corvane.0240", ""},
      {{{"strBudItemID", "B01"}, {"strPort1", "部门"}, {"strPort1Value", "0301"}, {"strPort2Value", "P2601"}},
       "Z7.Corvane.0241",
       ""},
      {{{"strBudItemID", "B01"}, {"strPort3", "项目"}}, "Z7.Corvane.0331", ""},
      {{{"strBudItemID", "B01"}, {"strPort1", ""}, {"strPort1Value", ""}}, "Z7.Corvane.0242", ""},
      {{{"strBudItemID", "B01"},
        {"strPort1", "部门"},
        {"strPort1Value", "0301"},
        {"strPort3", "项目"},
        {"strPort3Value", "P2601"}},
       "",
       "B01|部门|0301|P2601"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.budget.at("strBudItemID") + "/" + std::to_string(c.budget.size()));
    connection_.beginTrans();
    Attributes row = newHead();
    row.insert(c.budget.begin(), c.budget.end());
    if (*c.message) {
      expectRefused(row, {cashLine()}, msg(c.message));
    } else {
      ASSERT_TRUE(save(row, {cashLine()})) << reply_.xml();
      EXPECT_EQ(head("IsNull(strBudItemID,'') + '|' + IsNull(strPort1,'') + '|' + IsNull(strPort1Value,'') + '|' + "
                     "IsNull(strPort3Value,'')",
                     newGuid()),
                c.stored);
    }
    connection_.rollbackTrans();
  }
}

TEST_F(LoanStoreTest, HardLoanLimitsOfTheBorrower) {
  // 0005: 30 days, 2 loans, 8000, all hard; his loan 1 of 5000 is open since 2026-01-06.
  struct Case {
    const char* name;
    const char* setup;
    std::string date;
    std::string amount;
    const char* guid;       // the voucher edited; empty: a new one
    std::string message;    // empty: stored
    std::string headExtra;  // attributes of the head element
  };
  const Case cases[] = {
      {"an open loan 40 days old", "UPDATE KX_LoanVouch SET dtLoanDate = '2025-12-11' WHERE AutoID = 1", "2026-01-20",
       "100", "", msg("Z7.Corvane.0231", "30", "40"), ""},
      {"no other open loan, the voucher itself 31 days old", "UPDATE KX_LoanVouch SET blnSettle = 1 WHERE AutoID = 1",
       "2025-12-20T00:00:00", "100", "", msg("Z7.Corvane.0231", "30", ""), ""},
      {"a third open loan", "count", "2026-01-20", "100", "", msg("Z7.Corvane.0232", "2", "2"), ""},
      {"amount up to the limit",
       "UPDATE KX_PersonCtrl SET intMoney = 1000 WHERE strPersonCode = '0005';"
       "UPDATE KX_LoanVouch SET dblReturn = 4100 WHERE AutoID = 1",
       "2026-01-20", "100", "", "", ""},
      {"amount over the limit",
       "UPDATE KX_PersonCtrl SET intMoney = 1000 WHERE strPersonCode = '0005';"
       "UPDATE KX_LoanVouch SET dblReturn = 4100 WHERE AutoID = 1",
       "2026-01-20", "100.01", "", msg("Z7.Corvane.0234", "1000", "900.00"), ""},
      // Sums a double gets wrong: 0.1 + 0.2 is 0.3 and 999999999.99 + 0.07 is 1000000000.06, within the limit.
      {"owed 0.1, the voucher 0.2, the limit 0.3",
       "UPDATE KX_PersonCtrl SET intMoney = 0.3 WHERE strPersonCode = '0005';"
       "UPDATE KX_LoanVouch SET dblMoney = 0.1, dblReturn = 0, fltRate = 1 WHERE AutoID = 1",
       "2026-01-20", "0.2", "", "", ""},
      {"owed 999999999.99, the voucher 0.07, the limit 1000000000.06",
       "UPDATE KX_PersonCtrl SET intMoney = 1000000000.06 WHERE strPersonCode = '0005';"
       "UPDATE KX_LoanVouch SET dblMoney = 999999999.99, dblReturn = 0, fltRate = 1 WHERE AutoID = 1",
       "2026-01-20", "0.07", "", "", ""},
      {"owed 999999999.99, the voucher 0.08, the limit 1000000000.06",
       "UPDATE KX_PersonCtrl SET intMoney = 1000000000.06 WHERE strPersonCode = '0005';"
       "UPDATE KX_LoanVouch SET dblMoney = 999999999.99, dblReturn = 0, fltRate = 1 WHERE AutoID = 1",
       "2026-01-20", "0.08", "", msg("Z7.Corvane.0234", "1000000000.06", "999999999.99"), ""},
      {"prompting limits never refuse",
       "UPDATE KX_PersonCtrl SET strDayCtrType = '0', strNumCtrType = '2', strMonCtrType = '0' WHERE strPersonCode = "
       "'0005'",
       "2025-01-01", "99999", "", "", ""},
      {"an opening-balance loan is never limited", "", "2025-01-01", "99999", "", "", " blnBegin='1'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    connection_.beginTrans();
    if (std::string(c.setup) == "count") {
      addOpenLoan("0005", "2026-01-15", "100", "JK-OPEN-1");
    } else if (*c.setup) {
      connection_.execute(c.setup);
    }
    Attributes row = newHead();
    row["strLoanID"] = "0005";
    row["dtLoanDate"] = c.date;
    row["dblOldMoney"] = c.amount;
    if (c.message.empty()) {
      EXPECT_TRUE(save(row, {cashLine()}, c.headExtra)) << reply_.xml();
      connection_.rollbackTrans();
    } else {
      expectRefused(row, {cashLine()}, c.message, c.headExtra);
      connection_.rollbackTrans();
    }
  }
  // Editing one of two open loans does not count it twice.
  connection_.beginTrans();
  addOpenLoan("0005", "2026-01-15", "100", "JK-OPEN-1");
  connection_.execute(
      "UPDATE KX_LoanVouch SET strAuditorID = NULL, blnAudi = 0, strDepartID = '0301' WHERE AutoID = 1");
  Attributes row = newHead();
  row["GUID"] = kLoan1;
  row["ts"] = head("Cast(ts As money)", kLoan1);
  row["strLoanID"] = "0005";
  row["strVouchID"] = "JK2026010001";
  EXPECT_TRUE(save(row, {cashLine()})) << reply_.xml();
  connection_.rollbackTrans();
}

// The head row of a stored demo loan as its form would send it back.
Attributes storedHead(VoucherTestAccount& account, const std::string& guid, const std::string& number,
                      const std::string& person, const std::string& department) {
  Attributes row = newHead();
  row["GUID"] = guid;
  row["ts"] = account.scalar("Select Cast(ts As money) From KX_LoanVouch Where GUID = '" + guid + "'");
  row["strVouchID"] = number;
  row["strLoanID"] = person;
  row["strDepartID"] = department;
  return row;
}

TEST_F(LoanStoreTest, StoredVoucherChangesOnlyInTheStatesItsGuardsAllow) {
  struct Case {
    const char* name;
    const char* setup;
    bool submitOnSave;
    const char* guid;
    const char* message;  // empty: stored
    const char* blnAudi;  // after a successful save
    bool submits;
  };
  const Case cases[] = {
      {"saved", "", false, kLoan2, "", "False", false},
      {"saved, submit on save", "", true, kLoan2, "", "True", true},
      {"submitted", "UPDATE KX_LoanVouch SET blnAudi = 1 WHERE AutoID = 2", false, kLoan2, "Z7.Corvane.0246", "",
       false},
      {"submitted, submit on save", "UPDATE KX_LoanVouch SET blnAudi = 1 WHERE AutoID = 2", true, kLoan2, "", "True",
       true},
      {"approved", "", false, kLoan1, "Z7.Corvane.0246", "", false},
      {"approved, submit on save", "", true, kLoan1, "Z7.Corvane.0245", "", false},
      {"budget passed", "UPDATE KX_LoanVouch SET intBudPass = 1 WHERE AutoID = 2", true, kLoan2, "Z7.Corvane.0244", "",
       false},
      {"approved opening loan", "", false, kLoan3, "", "True", false},
      {"opening loan with a written-off line",
       "INSERT INTO KX_ExpenLoanInfo (Expenguid, LoanSubguid, dblJE) SELECT '{7C2E9B40-1D3F-4E6A-8B02-000000000004}', "
       "GUID, 10 FROM KX_LoanVouch_Sub WHERE MGuid = '{3A6F0C21-5B1E-4C8A-9D01-000000000003}'",
       false, kLoan3, "Z7.Corvane.0247", "", false},
      {"saved loan with a written-off line",
       "INSERT INTO KX_ExpenLoanInfo (Expenguid, LoanSubguid, dblJE) SELECT '{7C2E9B40-1D3F-4E6A-8B02-000000000004}', "
       "GUID, 10 FROM KX_LoanVouch_Sub WHERE MGuid = '{3A6F0C21-5B1E-4C8A-9D01-000000000002}'",
       false, kLoan2, "Z7.Corvane.0256", "", false},
      {"changed since it was read", "stale", false, kLoan2, "Z7.Corvane.0248", "", false},
      {"gone",
       "DELETE FROM KX_LoanVouch_Sub WHERE MGuid = '{3A6F0C21-5B1E-4C8A-9D01-000000000002}';"
       "DELETE FROM KX_LoanVouch WHERE AutoID = 2",
       false, kLoan2, "Z7.Corvane.0243", "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const bool opening = std::string(c.guid) == kLoan3;
    const std::string number = opening                         ? "JK2026010003"
                               : std::string(c.guid) == kLoan1 ? "JK2026010001"
                                                               : "JK2026010002";
    connection_.beginTrans();
    connection_.execute(std::string("UPDATE AccInformation SET cValue = '") + (c.submitOnSave ? "TRUE" : "False") +
                        "' WHERE cSysID = 'KX' AND cID = '105'");
    const bool stale = std::string(c.setup) == "stale";
    if (*c.setup && !stale) connection_.execute(c.setup);
    const Attributes row = storedHead(*this, c.guid, number, opening ? "0002" : "0009", opening ? "01" : "04");
    if (stale) connection_.execute("UPDATE KX_LoanVouch SET strUsed = 'x' WHERE AutoID = 2");
    submitted_.clear();
    const std::string headAttributes = opening ? " blnBegin='1'" : "";
    if (*c.message) {
      EXPECT_FALSE(save(row, {cashLine("300"), cashLine("200")}, headAttributes));
      EXPECT_EQ(reply_.selectSingleNode("/error/text").text(), msg(c.message)) << reply_.xml();
    } else {
      ASSERT_TRUE(save(row, {cashLine("300"), cashLine("200")}, headAttributes)) << reply_.xml();
      EXPECT_EQ(head("blnAudi", c.guid), c.blnAudi);
      EXPECT_EQ(head("dblMoney", c.guid), "500");
      EXPECT_EQ(head("intBudPass", c.guid), "0");
      EXPECT_EQ(head("strUsed", c.guid), "客户拜访借款");
      EXPECT_EQ(scalar(std::string("Select Count(*) From KX_LoanVouch_Sub Where MGuid = '") + c.guid + "'"), "2");
      EXPECT_EQ(submitted_, c.submits ? std::vector<std::string>{c.guid} : std::vector<std::string>{});
      if (opening) {
        EXPECT_EQ(head("strAuditorID + '/' + strMakerID", c.guid), login_->UserName() + "/" + login_->UserName());
      }
    }
    connection_.rollbackTrans();
  }
}

TEST_F(LoanStoreTest, RowVersionThatIsNoNumberNamesNoVoucher) {
  for (const char* ts : {"0 Or 1=1", "", "1e3"}) {
    SCOPED_TRACE(ts);
    connection_.beginTrans();
    Attributes row = storedHead(*this, kLoan2, "JK2026010002", "0009", "04");
    row["ts"] = ts;
    EXPECT_FALSE(save(row, {cashLine()}));
    EXPECT_EQ(reply_.selectSingleNode("/error/text").text(), msg("Z7.Corvane.0248")) << reply_.xml();
    EXPECT_EQ(head("strUsed", kLoan2), "样机采购备用金");
    connection_.rollbackTrans();
  }
}

TEST_F(LoanStoreTest, ApprovalFlowMustLetAStoredVoucherChange) {
  struct Case {
    bool inFlow;
    bool allowChange;
    bool stored;
  };
  const Case cases[] = {{false, false, true}, {true, true, true}, {true, false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.inFlow) + std::to_string(c.allowChange));
    flow_ = FlowState{c.inFlow, c.allowChange, "流程已在审批中", {}};
    connection_.beginTrans();
    EXPECT_EQ(save(storedHead(*this, kLoan2, "JK2026010002", "0009", "04"), {cashLine()}), c.stored);
    connection_.rollbackTrans();
    const std::string isInFlow = std::string("IsInFlow 45 ") + kLoan2 + " 11";
    const std::string allowChange = std::string("AllowChange 45 ") + kLoan2 + " 11";
    const std::vector<std::string> asked = c.inFlow ? std::vector<std::string>{"SetLogin", isInFlow, allowChange}
                                                    : std::vector<std::string>{"SetLogin", isInFlow};
    EXPECT_EQ(flow_.asked, asked);
    if (!c.stored) {
      EXPECT_EQ(reply_.selectSingleNode("/error/text").text(), msg("Z7.Corvane.0196", "流程已在审批中"));
    }
  }
}

TEST_F(LoanStoreTest, TakenNumbersAreReplacedByDrawnOnes) {
  struct Case {
    const char* name;
    int takenDraws;      // numbers JK2026010004 on that are taken before the save
    bool manualNumbers;  // the format lets users type numbers
    std::string stored;  // the voucher's number, or the failure's message
  };
  const Case cases[] = {
      {"the client's number is taken", 0, false, "JK2026010004"},
      {"four drawn numbers are taken as well", 4, false, "JK2026010008"},
      {"five drawn numbers are taken as well", 5, false, msg("Z7.Corvane.0239")},
      {"users type numbers by hand", 0, true, msg("Z7.Corvane.0237")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    connection_.beginTrans();
    for (int n = 4; n < 4 + c.takenDraws; ++n)
      addOpenLoan("0001", "2026-01-02", "1", "JK202601000" + std::to_string(n));
    if (c.manualNumbers) {
      connection_.execute(
          "UPDATE BillNumberFormat SET FormatXml = replace(FormatXml, '允许手工修改=\"false\"', "
          "'允许手工修改=\"TRUE\"') WHERE CardNumber = 'KX01'");
    }
    Attributes row = newHead();
    row["strVouchID"] = "JK2026010001";
    const bool ok = save(row, {cashLine()});
    if (c.stored.starts_with("JK")) {
      ASSERT_TRUE(ok) << reply_.xml();
      EXPECT_EQ(head("strVouchID", newGuid()), c.stored);
      EXPECT_EQ(reply_.selectSingleNode("/vchno").text(), c.stored) << reply_.xml();
    } else {
      EXPECT_FALSE(ok);
      EXPECT_EQ(reply_.selectSingleNode("/error/text").text(), c.stored) << reply_.xml();
    }
    connection_.rollbackTrans();
  }
}

TEST_F(LoanStoreTest, SubmitOnSaveHandsTheNewVoucherToTheSubmission) {
  connection_.beginTrans();
  connection_.execute("UPDATE AccInformation SET cValue = 'true' WHERE cSysID = 'KX' AND cID = '105'");
  ASSERT_TRUE(save(newHead(), {cashLine()})) << reply_.xml();
  const std::string guid = newGuid();
  EXPECT_EQ(submitted_, std::vector<std::string>{guid});
  EXPECT_EQ(head("blnAudi", guid), "True");
  EXPECT_EQ(request_.selectSingleNode("//z:row").attribute("GUID"), guid);

  // An opening-balance loan is approved by the saving user at once and never submitted.
  submitted_.clear();
  Attributes opening = newHead();
  opening["strVouchID"] = "JK2026010010";
  ASSERT_TRUE(save(opening, {cashLine()}, " blnBegin='1'")) << reply_.xml();
  EXPECT_EQ(submitted_, std::vector<std::string>{});
  EXPECT_EQ(head("Cast(blnAudi As varchar(1)) + '/' + strAuditorID + '/' + strMakerID", newGuid()),
            "1/" + login_->UserName() + "/" + login_->UserName());

  // A refused submission ends the save without a reply of its own.
  submitAnswer_ = false;
  Attributes refused = newHead();
  refused["strVouchID"] = "JK2026010011";
  EXPECT_FALSE(save(refused, {cashLine()}));
  EXPECT_EQ(reply_.xml(), "");
  connection_.rollbackTrans();
}

TEST_F(LoanStoreTest, RenumberedVoucherIsSubmittedWithTheNumberItWasStoredWith) {
  connection_.beginTrans();
  connection_.execute("UPDATE AccInformation SET cValue = 'true' WHERE cSysID = 'KX' AND cID = '105'");
  Attributes row = newHead();
  row["strVouchID"] = "JK2026010001";  // taken: the save draws JK2026010004
  ASSERT_TRUE(save(row, {cashLine()})) << reply_.xml();
  EXPECT_EQ(head("strVouchID", newGuid()), "JK2026010004");
  EXPECT_EQ(submittedNumbers_, std::vector<std::string>{"JK2026010004"});
  connection_.rollbackTrans();
}

TEST_F(LoanStoreTest, VoucherGoneAfterTheSaveIsAFailure) {
  connection_.beginTrans();
  connection_.execute("UPDATE AccInformation SET cValue = 'true' WHERE cSysID = 'KX' AND cID = '105'");
  duringSubmit_ =
      "DELETE FROM KX_LoanVouch_Sub WHERE MGuid IN (SELECT GUID FROM KX_LoanVouch WHERE strVouchID = 'JK2026010009');"
      "DELETE FROM KX_LoanVouch WHERE strVouchID = 'JK2026010009'";
  EXPECT_FALSE(
      save(newHead(), {cashLine()}, "", "<func name='getVouchListID'><in><strAutoID/><Director/></in></func>"));
  EXPECT_EQ(reply_.selectSingleNode("/error/text").text(), msg("Z7.Corvane.0248")) << reply_.xml();
  EXPECT_EQ(request_.selectSingleNode("//func[@name='getVouchListID']/in/Director").text(), "");
  connection_.rollbackTrans();
}

TEST_F(LoanStoreTest, OnlyADatabaseOverflowAnswersTheOverflowMessage) {
  struct Case {
    const char* name;
    const char* oldMoney;
    const char* flowReason;  // the approval flow refuses the change in these words; empty: it allows it
    std::string id;
    std::string text;
  };
  const std::string overflowId = "Corvane:CLoan:SaveVouch:" + std::to_string(errnum::kDbOverflow);
  const Case cases[] = {
      {"an amount beyond the money column", "9999999999999999", "", overflowId, msg("Z7.Corvane.0377")},
      {"a refusal whose words name an overflow", "1000", "Arithmetic overflow error", "Corvane:CLoan:SaveVouch:9000",
       msg("Z7.Corvane.0196", "Arithmetic overflow error")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    flow_ = FlowState{*c.flowReason != '\0', false, c.flowReason, {}};
    connection_.beginTrans();
    Attributes row = storedHead(*this, kLoan2, "JK2026010002", "0009", "04");
    row["dblOldMoney"] = c.oldMoney;
    EXPECT_FALSE(save(row, {cashLine()}));
    EXPECT_EQ(reply_.selectSingleNode("/error/id").text(), c.id) << reply_.xml();
    EXPECT_EQ(reply_.selectSingleNode("/error/text").text(), c.text);
    connection_.rollbackTrans();
  }
}

TEST_F(LoanStoreTest, BrokenRequestsEndInTheErrorReply) {
  struct Case {
    const char* name;
    const char* setup;
    const char* headAttributes;
    const char* removed;  // head attribute left out
    const char* after;
    std::string id;
    std::string text;
  };
  const Case cases[] = {
      {"no option 105", "DELETE FROM AccInformation WHERE cSysID = 'KX' AND cID = '105'", "", "", "",
       "Corvane:CLoan:SaveVouch:9000", msg("Z7.Corvane.0210")},
      {"an opening flag that is no number", "", " blnBegin='x'", "", "", "Corvane:CLoan:SaveVouch:13", ""},
      {"an opening flag that is no whole number", "", " blnBegin='1.0'", "", "", "Corvane:CLoan:SaveVouch:13", ""},
      {"no purpose", "", "", "strUsed", "", "Corvane:CLoan:SaveVouch:91", ""},
      {"a list func without Director", "", "", "", "<func name='getVouchListID'><in><strAutoID/></in></func>",
       "Corvane:CLoan:SaveVouch:91", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    connection_.beginTrans();
    if (*c.setup) connection_.execute(c.setup);
    Attributes row = newHead();
    row.erase(c.removed);
    EXPECT_FALSE(save(row, {cashLine()}, c.headAttributes, c.after));
    EXPECT_EQ(reply_.selectSingleNode("/error/id").text(), c.id) << reply_.xml();
    if (!c.text.empty()) {
      EXPECT_EQ(reply_.selectSingleNode("/error/text").text(), c.text);
    }
    connection_.rollbackTrans();
  }
}

}  // namespace
}  // namespace corvane
