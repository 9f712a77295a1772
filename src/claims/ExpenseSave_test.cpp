#include "claims/ExpenseSave.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "claims/CExpense.h"
#include "host/ApprovalFlow.h"
#include "platform/com/RuntimeError.h"
#include "request/Messages.h"
#include "request/Values.h"
#include "support/VoucherTestAccount.h"

namespace corvane {
namespace {

constexpr const char* kSavedClaim = "{7C2E9B40-1D3F-4E6A-8B02-000000000004}";  // demo: expense, saved, 04/0009

Attributes newHead() {
  return {{"GUID", ""},
          {"strTypeCode", "202"},
          {"strVouchID", "BX2026010009"},
          {"dtLoanDate", "2026-01-20T00:00:00"},
          {"strDepartID", "04"},
          {"strLoanID", "0010"},
          {"strBill", "人民币"},
          {"fltRate", "1"},
          {"dblMoney", "999"},
          {"dblOldMoney", "999"},
          {"strUsed", "办公用品"},
          {"strPersonID", "周建国"}};
}

// The head of the demo claim that is saved and not submitted, as its form read it.
Attributes storedHead(const std::string& ts) {
  Attributes row = newHead();
  row["GUID"] = kSavedClaim;
  row["ts"] = ts;
  row["strVouchID"] = "BX2026010002";
  row["strLoanID"] = "0009";
  row["strPersonID"] = "李晓燕";
  return row;
}

Attributes officeLine(const std::string& amount = "100") { return {{"strIOItem", "202"}, {"dblMoney", amount}}; }

class ExpenseSaveTest : public VoucherTestAccount {
 protected:
  ExpenseSaveTest() {
    host_.approvalFlows = [this] { return std::make_unique<FakeFlow>(flow_); };
  }

  // Undoes a test's or a case's writes, as the request's rollback would.
  struct Rollback {
    explicit Rollback(db::Connection& connection) : connection_(connection) { connection_.beginTrans(); }
    ~Rollback() { connection_.rollbackTrans(); }
    Rollback(const Rollback&) = delete;
    Rollback& operator=(const Rollback&) = delete;
    db::Connection& connection_;
  };

  // Saves the claim; `after` follows the save's func.
  bool save(const Attributes& head, const std::vector<Attributes>& lines, const std::string& after = "") {
    std::string body;
    for (const Attributes& line : lines) body += rowXml(line);
    FuncCall c = call("<req><func name='savevouch'><in><xml><head>" + rowXml(head) + "</head><body>" + body +
                      "</body></xml></in></func>" + after + "</req>");
    const VoucherSaveServices services{[this](XmlNode row) {
      submitted_.push_back(row.attribute("GUID") + " " + row.attribute("strVouchID"));
      return submitAnswer_;
    }};
    return saveExpenseVoucherWith(claim_, c, services);
  }
  // The save fails with the message `text`.
  void expectRefused(const Attributes& head, const std::vector<Attributes>& lines, const std::string& text) {
    EXPECT_FALSE(save(head, lines));
    EXPECT_EQ(reply_.selectSingleNode("/error/id").text(), "Corvane:CExpense:SaveVouch:9000") << reply_.xml();
    EXPECT_EQ(reply_.selectSingleNode("/error/text").text(), text);
  }
  std::string head(const std::string& column, const std::string& guid) {
    return scalar("Select " + column + " From KX_ExpenVouch Where GUID = '" + guid + "'");
  }
  std::string newGuid() {
    return scalar("Select GUID From KX_ExpenVouch Where AutoID = (Select Max(AutoID) From KX_ExpenVouch)");
  }
  std::string storedTs() { return head("Cast(ts As money)", kSavedClaim); }
  std::string claimRows() {
    return scalar("Select Count(*) From KX_ExpenVouch") + "/" + scalar("Select Count(*) From KX_ExpenVouch_Sub");
  }

  CExpense claim_;
  FlowState flow_;
  std::vector<std::string> submitted_;
  bool submitAnswer_ = true;
};

TEST_F(ExpenseSaveTest, NewClaimIsStoredWithItsLinesAndBecomesCurrent) {
  const std::string after = "<func name='getVouchListID'><in><strAutoID/><Director>1</Director></in></func>";
  Attributes row = newHead();
  row["strUsed"] = "O'Brien <办公>";
  row["cDefine1"] = "12";
  row["cDefine5"] = "12";
  row["cDefine7"] = "abc";
  Attributes second = officeLine("250.25");
  second["dtBDate"] = "2026-01-19";
  second["strEZero"] = "101";
  second["cDefine26"] = "3.5";
  second["cDefine22"] = "it's";
  second["dblVouch"] = "260";
  ASSERT_TRUE(save(row, {officeLine("100.1"), second}, after)) << reply_.xml();
  EXPECT_EQ(reply_.xml(), "");
  const std::string guid = newGuid();
  EXPECT_EQ(head("strVouchID + '|' + strUsed + '|' + cDefine1", guid), "BX2026010009|O'Brien <办公>|12");
  EXPECT_EQ(head("dblMoney", guid), "350.35");  // the lines' total, not the head's 999
  EXPECT_EQ(head("dblOldMoney", guid), "999");
  EXPECT_EQ(head("cDefine5", guid), "12");
  EXPECT_EQ(head("IsNull(cDefine7, -1)", guid), "-1");
  EXPECT_EQ(head("IsNull(cDefine3, 'none')", guid), "none");
  EXPECT_EQ(head("Cast(blnAudi As int)", guid) + "/" + head("intOverBud", guid) + "/" + head("intBudPass", guid),
            "0/-1/0");
  EXPECT_EQ(scalar("Select cDefine22 + '|' + Cast(cDefine26 As varchar(10)) + '|' + strEZero + '|' + Cast(dblVouch As "
                   "varchar(10)) From "
                   "KX_ExpenVouch_Sub Where MGuid = '" +
                   guid + "' And dblMoney = 250.25"),
            "it's|3.5|101|260.00");
  EXPECT_EQ(scalar("Select Count(*) From KX_ExpenVouch_Sub Where MGuid = '" + guid + "' And dblVouch Is Null"), "1");
  EXPECT_EQ(claim_.AutoID, head("AutoID", guid));
  EXPECT_EQ(claim_.strCardNum, "KX03");
  EXPECT_EQ(request_.selectSingleNode("//func[@name='getVouchListID']/in/strAutoID").text(), claim_.AutoID);
  EXPECT_EQ(request_.selectSingleNode("//func[@name='getVouchListID']/in/Director").text(), "3");
  EXPECT_EQ(flow_.asked, std::vector<std::string>{"SetLogin"});  // a new claim is in no flow
  EXPECT_EQ(submitted_, std::vector<std::string>{});
}

TEST_F(ExpenseSaveTest, HeadWithoutLinesKeepsItsAmountAndKindGivesTheCard) {
  Attributes row = newHead();
  row["strTypeCode"] = "101";
  row["strVouchID"] = "BX2026010001";  // an expense claim's number is free for an income claim
  ASSERT_TRUE(save(row, {})) << reply_.xml();
  EXPECT_EQ(head("strVouchID", newGuid()) + "/" + head("dblMoney", newGuid()), "BX2026010001/999");
  EXPECT_EQ(claim_.strCardNum, "KX02");
}

TEST_F(ExpenseSaveTest, HeadChecksRefuseInTheirOrder) {
  struct Case {
    const char* name;
    std::vector<const char*> removed;
    Attributes changed;
    const char* message;
  };
  const Case cases[] = {
      {"no type", {"strTypeCode", "strVouchID"}, {}, "Z7.Corvane.0011"},
      {"no number", {"strVouchID", "dtLoanDate"}, {}, "Z7.Corvane.0211"},
      {"no date", {"dtLoanDate", "strUsed"}, {}, "Z7.Corvane.0212"},
      {"no purpose comes before a bad date", {"strUsed"}, {{"dtLoanDate", "soon"}}, "Z7.Corvane.0275"},
      {"no date text", {}, {{"dtLoanDate", "soon"}}, "Z7.Corvane.0213"},
      {"no department", {"strDepartID"}, {}, "Z7.Corvane.0214"},
      {"unknown department", {}, {{"strDepartID", "09'"}}, "Z7.Corvane.0215"},
      {"department with sub-departments", {}, {{"strDepartID", "03"}}, "Z7.Corvane.0216"},
      {"no claimant", {"strLoanID"}, {}, "Z7.Corvane.0276"},
      {"unknown claimant", {}, {{"strLoanID", "9999"}}, "Z7.Corvane.0277"},
      {"unknown item class", {}, {{"strItemClassID", "99"}}, "Z7.Corvane.0219"},
      {"unknown item of its class", {}, {{"strItemClassID", "01"}, {"strItemID", "P9999"}}, "Z7.Corvane.0220"},
      {"unknown inventory", {}, {{"strItemClassID", "ch"}, {"strItemID", "P2601"}}, "Z7.Corvane.0220"},
      {"no currency", {"strBill"}, {}, "Z7.Corvane.0221"},
      {"unknown currency", {}, {{"strBill", "欧元"}}, "Z7.Corvane.0222"},
      {"no rate", {"fltRate"}, {}, "Z7.Corvane.0223"},
      {"rate no number", {}, {{"fltRate", "abc"}}, "Z7.Corvane.0224"},
      {"rate 0", {}, {{"fltRate", "0"}}, "Z7.Corvane.0225"},
      {"rate -1", {}, {{"fltRate", "-1"}}, "Z7.Corvane.0225"},
      {"no amount", {"dblMoney"}, {}, "Z7.Corvane.0226"},
      {"no home amount", {"dblOldMoney"}, {}, "Z7.Corvane.0227"},
      {"no operator", {"strPersonID"}, {}, "Z7.Corvane.0228"},
      {"unknown operator", {}, {{"strPersonID", "nobody"}}, "Z7.Corvane.0229"},
  };
  const std::string before = claimRows();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Attributes row = newHead();
    for (const char* name : c.removed) row.erase(name);
    for (const auto& [name, value] : c.changed) row[name] = value;
    expectRefused(row, {officeLine()}, msg(c.message));
    EXPECT_EQ(claimRows(), before);
  }
}

TEST_F(ExpenseSaveTest, ItemsAndBudgetPortsAreAccepted) {
  struct Case {
    const char* name;
    Attributes changed;
    const char* stored;  // item class, item and budget columns, '-' for Null
  };
  const Case cases[] = {
      {"an empty class is not looked up", {{"strItemClassID", ""}, {"strItemID", "X"}}, "-|X|-|-|-"},
      {"an item of its class", {{"strItemClassID", "01"}, {"strItemID", "P2602"}}, "01|P2602|-|-|-"},
      {"an inventory", {{"strItemClassID", "ch"}, {"strItemID", "A001"}}, "ch|A001|-|-|-"},
      {"a budget item with its first port",
       {{"strBudItemID", "B01"}, {"strPort1", "部门"}, {"strPort1Value", "04"}, {"strPort2", ""}},
       "-|-|B01|部门|04"},
      {"no budget item: no ports", {{"strBudItemID", ""}, {"strPort1", "部门"}}, "-|-|-|-|-"},
  };
  int number = 20;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Attributes row = newHead();
    row["strVouchID"] = "BX20260100" + std::to_string(number++);
    for (const auto& [name, value] : c.changed) row[name] = value;
    ASSERT_TRUE(save(row, {officeLine()})) << reply_.xml();
    EXPECT_EQ(head("IsNull(strItemClassID,'-') + '|' + IsNull(strItemID,'-') + '|' + IsNull(strBudItemID,'-') "
                   "+ '|' + IsNull(strPort1,'-') + '|' + IsNull(strPort1Value,'-')",
                   newGuid()),
              c.stored);
  }
}

TEST_F(ExpenseSaveTest, BudgetPortsComeInPairs) {
  struct Case {
    Attributes ports;
    const char* message;
  };
  const Case cases[] = {
      {{{"strPort1", "部门"}}, "Z7.Corvane.0240"},
      {{{"strPort2Value", "04"}}, "Z7.Corvane.0241"},
      {{{"strPort1", "部门"}, {"strPort1Value", "04"}, {"strPort3", "项目"}}, "Z7.Corvane.0331"},
      {{}, "Z7.Corvane.0242"},
      {{{"strPort1", ""}, {"strPort1Value", ""}}, "Z7.Corvane.0242"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    Attributes row = newHead();
    row["strBudItemID"] = "B01";
    for (const auto& [name, value] : c.ports) row[name] = value;
    expectRefused(row, {officeLine()}, msg(c.message));
  }
}

TEST_F(ExpenseSaveTest, StoredClaimChangesOnlyInTheStatesItsGuardsAllow) {
  struct Case {
    const char* name;
    const char* setup;
    bool submitOnSave;
    const char* ts;       // empty: the stored one
    const char* message;  // empty: saved
  };
  // clang-format off
  const Case cases[] = {
      {"saved claim", "", false, "", ""},
      {"saved claim, submit on save", "", true, "", ""},
      {"changed since it was read", "", false, "1", "Z7.Corvane.0243"},
      {"a row version that is no number", "", false, "1 Or 1=1", "Z7.Corvane.0243"},
      {"budget passed", "UPDATE KX_ExpenVouch SET intBudPass = 1 WHERE GUID = '{7C2E9B40-1D3F-4E6A-8B02-000000000004}'", false, "", "Z7.Corvane.0244"},
      {"submitted", "UPDATE KX_ExpenVouch SET blnAudi = 1 WHERE GUID = '{7C2E9B40-1D3F-4E6A-8B02-000000000004}'", false, "", "Z7.Corvane.0246"},
      {"submitted, submit on save", "UPDATE KX_ExpenVouch SET blnAudi = 1 WHERE GUID = '{7C2E9B40-1D3F-4E6A-8B02-000000000004}'", true, "", "Z7.Corvane.0246"},
      {"approver, submit on save", "UPDATE KX_ExpenVouch SET strAuditorID = 'demo' WHERE GUID = '{7C2E9B40-1D3F-4E6A-8B02-000000000004}'", true, "", "Z7.Corvane.0245"},
      {"approver without submit on save", "UPDATE KX_ExpenVouch SET strAuditorID = 'demo' WHERE GUID = '{7C2E9B40-1D3F-4E6A-8B02-000000000004}'", false, "", ""},
      {"receipt and payment lines",
       "INSERT INTO KX_BalanceInfo (GUID, ExpenGUID, intIOType) VALUES ('{B1}', '{7C2E9B40-1D3F-4E6A-8B02-000000000004}', 1)",
       false, "", "Z7.Corvane.0332"},
      {"loan write-offs",
       "INSERT INTO KX_ExpenLoanInfo (GUID, Expenguid, LoanSubguid, dblJE) SELECT TOP 1 '{W1}', "
       "'{7C2E9B40-1D3F-4E6A-8B02-000000000004}', GUID, 1 FROM KX_LoanVouch_Sub",
       false, "", "Z7.Corvane.0332"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Rollback undo(connection_);
    if (*c.setup) connection_.execute(c.setup);
    if (c.submitOnSave)
      connection_.execute("UPDATE AccInformation SET cValue = 'True' WHERE cSysID = 'KX' AND cID = '105'");
    const std::string oldLine =
        scalar(std::string("Select GUID From KX_ExpenVouch_Sub Where MGuid = '") + kSavedClaim + "'");
    Attributes row = storedHead(*c.ts ? c.ts : storedTs());
    row["strUsed"] = "改过的用途";
    flow_.asked.clear();
    if (!*c.message) {
      ASSERT_TRUE(save(row, {officeLine("120"), officeLine("30")})) << reply_.xml();
      EXPECT_EQ(head("strUsed + '/' + Cast(dblMoney As varchar(20)) + '/' + Cast(Cast(blnAudi As int) As varchar(1))",
                     kSavedClaim),
                std::string("改过的用途/150.00/") + (c.submitOnSave ? "1" : "0"));
      EXPECT_EQ(scalar(std::string("Select Count(*) From KX_ExpenVouch_Sub Where MGuid = '") + kSavedClaim +
                       "' And GUID <> '" + oldLine + "'"),
                "2");
      EXPECT_EQ(flow_.asked, (std::vector<std::string>{"SetLogin", std::string("IsInFlow 47 ") + kSavedClaim + " 11"}));
      EXPECT_EQ(submitted_.size(), c.submitOnSave ? 1u : 0u);
      submitted_.clear();
    } else {
      expectRefused(row, {officeLine()}, msg(c.message));
    }
  }
}

TEST_F(ExpenseSaveTest, ApprovalFlowMustLetAStoredClaimChange) {
  flow_.inFlow = true;
  flow_.allowChange = false;
  flow_.reason = "流程已在审批中";
  expectRefused(storedHead(storedTs()), {officeLine()}, msg("Z7.Corvane.0196", "流程已在审批中"));
  EXPECT_EQ(flow_.asked, (std::vector<std::string>{"SetLogin", std::string("IsInFlow 47 ") + kSavedClaim + " 11",
                                                   std::string("AllowChange 47 ") + kSavedClaim + " 11"}));
  flow_ = FlowState{true, true, "", {}};
  EXPECT_TRUE(save(storedHead(storedTs()), {officeLine()})) << reply_.xml();
}

TEST_F(ExpenseSaveTest, ANumberTakenByTheUniqueIndexAnswersItsMessage) {
  // Another expense claim holds the number the stored claim is changed to.
  Attributes row = storedHead(storedTs());
  row["strVouchID"] = "BX2026010001";
  EXPECT_FALSE(save(row, {officeLine()}));
  EXPECT_EQ(reply_.selectSingleNode("/error/id").text(), "Corvane:CExpense:SaveVouch:-2147217873") << reply_.xml();
  EXPECT_EQ(reply_.selectSingleNode("/error/text").text(), msg("Z7.Corvane.0236"));
}

TEST_F(ExpenseSaveTest, AnAmountBeyondTheMoneyColumnAnswersTheOverflowMessage) {
  const Rollback undo(connection_);
  Attributes row = newHead();
  row["dblOldMoney"] = "9999999999999999";
  EXPECT_FALSE(save(row, {officeLine()}));
  EXPECT_EQ(reply_.selectSingleNode("/error/id").text(),
            "Corvane:CExpense:SaveVouch:" + std::to_string(errnum::kDbOverflow))
      << reply_.xml();
  EXPECT_EQ(reply_.selectSingleNode("/error/text").text(), msg("Z7.Corvane.0377"));
}

TEST_F(ExpenseSaveTest, TakenNumbersAreReplacedByDrawnOnes) {
  struct Case {
    const char* name;
    int takenDraws;      // numbers BX2026010003 on that are taken before the save
    bool manualNumbers;  // the format lets users type numbers
    std::string stored;  // the claim's number, or the failure's message
  };
  const Case cases[] = {
      {"the client's number is taken", 0, false, "BX2026010003"},
      {"four drawn numbers are taken as well", 4, false, "BX2026010007"},
      {"five drawn numbers are taken as well", 5, false, msg("Z7.Corvane.0239")},
      {"users type numbers by hand", 0, true, msg("Z7.Corvane.0236")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Rollback undo(connection_);
    for (int n = 3; n < 3 + c.takenDraws; ++n) {
      connection_.execute("INSERT INTO KX_ExpenVouch (GUID, strTypeCode, strVouchID) VALUES ('{N" + std::to_string(n) +
                          "}', '201', 'BX202601000" + std::to_string(n) + "')");
    }
    if (c.manualNumbers) {
      connection_.execute(
          "UPDATE BillNumberFormat SET FormatXml = replace(FormatXml, '允许手工修改=\"false\"', "
          "'允许手工修改=\"TRUE\"') WHERE CardNumber = 'KX03'");
    }
    Attributes row = newHead();
    row["strVouchID"] = "BX2026010001";
    const bool ok = save(row, {officeLine()});
    if (c.stored.starts_with("BX")) {
      ASSERT_TRUE(ok) << reply_.xml();
      EXPECT_EQ(head("strVouchID", newGuid()), c.stored);
      EXPECT_EQ(reply_.selectSingleNode("/vchno").text(), c.stored) << reply_.xml();
    } else {
      EXPECT_FALSE(ok);
      EXPECT_EQ(reply_.selectSingleNode("/error/text").text(), c.stored) << reply_.xml();
    }
  }
}

TEST_F(ExpenseSaveTest, LineChecksStopTheSave) {
  struct Case {
    const char* name;
    std::vector<Attributes> lines;
    std::string message;
  };
  const Case cases[] = {
      {"a group item on line 3",
       {officeLine(), officeLine(), {{"strIOItem", "201"}, {"dblMoney", "1"}}},
       msg("Z7.Corvane.0280", "(3)")},
      {"an unknown item on line 2",
       {officeLine(), {{"strIOItem", "999'"}, {"dblMoney", "1"}}},
       msg("Z7.Corvane.0281", "(2)")},
      {"no item on line 2", {officeLine(), {{"dblMoney", "1"}}}, msg("Z7.Corvane.0281", "(2)")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    expectRefused(newHead(), c.lines, c.message);
  }
}

TEST_F(ExpenseSaveTest, StandardsOfTheLines) {
  // Allowance of the sales groups: prompting, 1000 up to a voucher of 1000; lodging of the head
  // office: strict, by the claimant's grade, which the demo persons have not.
  Attributes sales = newHead();
  sales["strDepartID"] = "0301";
  sales["strLoanID"] = "0005";
  const Attributes over = {{"strIOItem", "20103"}, {"dblVouch", "800"}, {"dblMoney", "1200"}};
  const std::string finding =
      msg("Z7.Corvane.0279", "(1)", GetResString("Z7.Corvane.0038", "zh-CN", "1,200.00", "出差补助标准", "200.00")) +
      msg("Z7.Corvane.0279", "(3)", GetResString("Z7.Corvane.0038", "zh-CN", "1,200.00", "出差补助标准", "200.00"));
  ASSERT_TRUE(save(sales, {over, {{"strIOItem", "20103"}, {"dblVouch", "900"}, {"dblMoney", "900"}}, over}))
      << reply_.xml();
  EXPECT_EQ(reply_.selectSingleNode("/message/id").text(), "Corvane:CExpend:SaveVouch:ExpenStandard");
  EXPECT_EQ(reply_.selectSingleNode("/message/text").text(), finding);
  EXPECT_EQ(head("dblMoney", newGuid()), "3300");

  Attributes office = newHead();
  office["strVouchID"] = "BX2026010030";
  office["strDepartID"] = "01";
  office["strLoanID"] = "0001";
  expectRefused(office, {officeLine(), {{"strIOItem", "20102"}, {"strEZero", "101"}, {"dblMoney", "1"}}},
                msg("Z7.Corvane.0279", "(2)", GetResString("Z7.Corvane.0030", "zh-CN", "住宿费标准")));

  // An empty voucher amount under amount bands; an absent one is stored as Null unchecked.
  sales["strVouchID"] = "BX2026010031";
  expectRefused(sales, {{{"strIOItem", "20103"}, {"dblVouch", ""}, {"dblMoney", "-1"}}}, msg("Z7.Corvane.0282"));
  ASSERT_TRUE(save(sales, {{{"strIOItem", "20103"}, {"dblMoney", "-1"}}})) << reply_.xml();
  EXPECT_EQ(scalar("Select IsNull(Cast(dblVouch As varchar(20)), 'null') From KX_ExpenVouch_Sub Where MGuid = '" +
                   newGuid() + "'"),
            "null");
}

TEST_F(ExpenseSaveTest, SubmitOnSaveHandsTheNewClaimToTheSubmission) {
  connection_.execute("UPDATE AccInformation SET cValue = 'TRUE' WHERE cSysID = 'KX' AND cID = '105'");
  ASSERT_TRUE(save(newHead(), {officeLine()})) << reply_.xml();
  const std::string guid = newGuid();
  EXPECT_EQ(submitted_, std::vector<std::string>{guid + " BX2026010009"});
  EXPECT_EQ(head("Cast(blnAudi As int)", guid), "1");
  EXPECT_EQ(request_.selectSingleNode("//z:row").attribute("GUID"), guid);

  // A renumbered claim is submitted with the number it was stored with.
  submitted_.clear();
  Attributes renumbered = newHead();
  renumbered["strVouchID"] = "BX2026010001";
  ASSERT_TRUE(save(renumbered, {officeLine()})) << reply_.xml();
  EXPECT_EQ(submitted_, std::vector<std::string>{newGuid() + " BX2026010003"});

  // A refused submission ends the save without a reply of its own; the claim is not current.
  submitAnswer_ = false;
  const std::string current = claim_.AutoID;
  Attributes refused = newHead();
  refused["strVouchID"] = "BX2026010010";
  EXPECT_FALSE(save(refused, {officeLine()}));
  EXPECT_EQ(reply_.xml(), "");
  EXPECT_EQ(claim_.AutoID, current);
}

TEST_F(ExpenseSaveTest, BrokenRequestsEndInTheErrorReply) {
  struct Case {
    const char* name;
    const char* setup;
    const char* request;  // empty: a new claim with one line
    const char* after;
    bool stored;  // save the demo claim, without its row version
    std::string id;
    std::string text;
  };
  const Case cases[] = {
      {"no option 105", "DELETE FROM AccInformation WHERE cSysID = 'KX' AND cID = '105'", "", "", false,
       "Corvane:CExpense:SaveVouch:9000", msg("Z7.Corvane.0210")},
      {"no head row", "", "<req><func name='savevouch'><in><xml><head/><body/></xml></in></func></req>", "", false,
       "Corvane:CExpense:SaveVouch:91", ""},
      {"no body", "", "<req><func name='savevouch'><in><xml><head><z:row GUID=''/></head></xml></in></func></req>", "",
       false, "Corvane:CExpense:SaveVouch:91", ""},
      {"a stored claim without row version", "", "", "", true, "Corvane:CExpense:SaveVouch:91", ""},
      {"a list func without Director", "", "", "<func name='getVouchListID'><in><strAutoID/></in></func>", false,
       "Corvane:CExpense:SaveVouch:91", ""},
      {"a number format without its flags", "UPDATE BillNumberFormat SET FormatXml = '<单据编号/>'", "", "", false,
       "Corvane:CExpense:SaveVouch:91", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Rollback undo(connection_);
    if (*c.setup) connection_.execute(c.setup);
    bool ok = false;
    if (*c.request) {
      FuncCall call_ = call(c.request);
      ok = saveExpenseVoucherWith(claim_, call_, {[](XmlNode) { return true; }});
    } else {
      Attributes row = c.stored ? storedHead("") : newHead();
      if (c.stored) row.erase("ts");
      if (std::string(c.name).starts_with("a number")) row["strVouchID"] = "BX2026010001";
      ok = save(row, {officeLine()}, c.after);
    }
    EXPECT_FALSE(ok);
    EXPECT_EQ(reply_.selectSingleNode("/error/id").text(), c.id) << reply_.xml();
    if (!c.text.empty()) {
      EXPECT_EQ(reply_.selectSingleNode("/error/text").text(), c.text);
    }
    EXPECT_EQ(claim_.AutoID, "");
  }
  // A line without a claimed amount cannot be totalled.
  EXPECT_FALSE(save(newHead(), {{{"strIOItem", "202"}}}));
  EXPECT_EQ(reply_.selectSingleNode("/error/id").text(), "Corvane:CExpense:SaveVouch:13") << reply_.xml();
}

}  // namespace
}  // namespace corvane
