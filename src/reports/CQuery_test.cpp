#include "reports/CQuery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "host/EmbeddedLoginContext.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/xml/XmlDocument.h"
#include "request/Locale.h"
#include "support/CaseAccount.h"
#include "support/ScopedLocale.h"

namespace corvane {
namespace {

// Vouchers of the tests, beside the demo company's (loans 1 to 3, claims 1 to 4). Loans L1 to
// L4 lie in the clerk's department, borrower and item, made by the clerk, except L2 (department
// 04). L1 and L2 are submitted, L3 approved by another user, L4 submitted and sent back by its
// flow; L5 and L6 are approved postable loans, L7 an approved loan of total 0. Claims C1 (the
// clerk's) and C2 are approved and verified. Vouchers record users by name: 周建国 is the
// demo administrator, 李晓燕 the clerk.
std::string loanGuid(int n) { return "{AAAAAAAA-0000-0000-0000-00000000000" + std::to_string(n) + "}"; }
std::string claimGuid(int n) { return "{CCCCCCCC-0000-0000-0000-00000000000" + std::to_string(n) + "}"; }
const std::string kDemoLoan1 = "{3A6F0C21-5B1E-4C8A-9D01-000000000001}";
const std::string kDemoLoan3 = "{3A6F0C21-5B1E-4C8A-9D01-000000000003}";
const std::string kDemoClaim2 = "{7C2E9B40-1D3F-4E6A-8B02-000000000002}";
const std::string kDemoClaim3 = "{7C2E9B40-1D3F-4E6A-8B02-000000000003}";

std::string loanRow(int n, const char* depart, const char* audited, const char* auditor, int allBill,
                    const char* money = "100") {
  return "('" + loanGuid(n) + "', '301', 'TL" + std::to_string(n) + "', '2026-01-20', '" + depart +
         "', '0005', '01', 'P2601', '人民币', 1, " + money + ", '李晓燕', " + audited + ", " + auditor + ", 0, " +
         std::to_string(allBill) + ")";
}

class CQueryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    account_.execute(
        "INSERT INTO KX_LoanVouch (GUID, strTypeCode, strVouchID, dtLoanDate, strDepartID, strLoanID, "
        "strItemClassID, strItemID, strBill, fltRate, dblMoney, strPersonID, blnAudi, strAuditorID, blnBegin, "
        "blnAllBill) VALUES " +
        loanRow(1, "0301", "1", "NULL", 1) + "," + loanRow(2, "04", "1", "NULL", 1) + "," +
        loanRow(3, "0301", "1", "'boss'", 0) + "," + loanRow(4, "0301", "1", "NULL", 1) + "," +
        loanRow(5, "0301", "1", "'周建国'", 0) + "," + loanRow(6, "0301", "1", "'周建国'", 0) + "," +
        loanRow(7, "0301", "1", "'周建国'", 1, "0"));
    account_.execute("INSERT INTO ApprovalFlowInstances (cBillType, cBillGUID, cDocument, iState) VALUES ('45', '" +
                     loanGuid(4) + "', '<EAdata/>', 3)");
    account_.execute(
        "INSERT INTO KX_ExpenVouch (GUID, strTypeCode, strVouchID, dtLoanDate, strDepartID, strLoanID, strBill, "
        "fltRate, dblMoney, strPersonID, blnAudi, strAuditorID, strVerifier) VALUES "
        "('" +
        claimGuid(1) +
        "', '201', 'TC1', '2026-01-21', '0301', '0005', '人民币', 1, 80, '李晓燕', 1, '周建国', '周建国'),"
        "('" +
        claimGuid(2) +
        "', '202', 'TC2', '2026-01-22', '04', '0009', '人民币', 1, 90, '周建国', 1, '周建国', '周建国')");
  }

  XmlDocument serve(const std::string& request, const std::string& user = "demo") {
    CQuery query;
    return account_.serve(query, request, user, "zh-CN", DateTime::parse("2026-1-31"));
  }

  static std::string listFunc(const std::string& name, const std::string& current, const std::string& rows,
                              const std::string& inner = "<cond/>") {
    return "<func name='" + name + "' goon='1'><in><page><current>" + current + "</current><rows>" + rows +
           "</rows></page>" + inner + "</in></func>";
  }

  // The `column` of every row of the n-th func's page, in reply order.
  static std::vector<std::string> column(const XmlDocument& reply, const char* column, int func = 1) {
    std::vector<std::string> values;
    for (const XmlNode row :
         reply.selectNodes("//func[" + std::to_string(func) + "]/out/success/data/xml/rs:data/z:row")) {
      values.push_back(row.attribute(column));
    }
    return values;
  }

  static std::string at(const XmlDocument& reply, const std::string& xpath) {
    const XmlNode node = reply.selectSingleNode(xpath);
    return node ? node.text() : "(none)";
  }

  std::vector<std::string> loans(const std::string& auditcond, const std::string& user = "demo") {
    const XmlDocument reply =
        serve("<req>" + listFunc("listloandata", "0", "0", "<cond/>" + auditcond) + "</req>", user);
    return column(reply, "guid");
  }

  CaseAccount account_;
  ScopedLocale locale_{gLocaleID};
};

std::vector<std::string> guids(std::initializer_list<std::string> list) { return list; }

TEST_F(CQueryTest, TheApprovalListFollowsTheApprovalCondition) {
  struct Case {
    const char* auditcond;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      // submitted, not approved, not sent back by the flow
      {"<auditcond auditcondition='0'/>", guids({loanGuid(1), loanGuid(2)})},
      {"<auditcond auditcondition=' 0 '/>", guids({loanGuid(1), loanGuid(2)})},
      {"<auditcond/>", guids({loanGuid(1), loanGuid(2)})},
      // approved by me: as the approver (the demo's opening loan 3 too), or at a step of the flow
      // (demo loan 1)
      {"<auditcond auditcondition='1'/>", guids({kDemoLoan1, kDemoLoan3, loanGuid(5), loanGuid(6), loanGuid(7)})},
      // an administrator may ask for another approver
      {"<auditcond auditcondition='1' Auditor='boss'/>", guids({loanGuid(3)})},
      // every submitted one
      {"<auditcond auditcondition='2'/>",
       guids({kDemoLoan1, kDemoLoan3, loanGuid(1), loanGuid(2), loanGuid(3), loanGuid(5), loanGuid(6), loanGuid(7)})},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(loans(c.auditcond), c.expected) << c.auditcond;
  }
  // -1 without an approver: no approval filter at all (the saved demo loan 2 too)
  EXPECT_EQ(loans("<auditcond auditcondition='-1'/>").size(), 10u);
}

TEST_F(CQueryTest, AClerkListsOnlyItsOwnApprovalsAndVouchers) {
  EXPECT_EQ(loans("<auditcond auditcondition='2'/>", "clerk"),
            guids({loanGuid(1), loanGuid(3), loanGuid(5), loanGuid(6), loanGuid(7)}));
  // "approved by boss" is read as "approved by me" for a clerk: none
  const XmlDocument reply =
      serve("<req>" + listFunc("listloandata", "0", "0", "<auditcond auditcondition='1' Auditor='boss'/>") + "</req>",
            "clerk");
  EXPECT_EQ(at(reply, "//out/error/id"), "Corvane:CQuery:ListLoanData:1001");
}

TEST_F(CQueryTest, ANonNumericApprovalConditionIsAnErrorReply) {
  for (const char* condition : {"1 or 1=1", "", "-", "1.5", "99999999999"}) {
    const XmlDocument reply = serve(
        "<req>" + listFunc("listloandata", "0", "0", std::string("<auditcond auditcondition='") + condition + "'/>") +
        "</req>");
    EXPECT_EQ(at(reply, "//out/error/id"), "Corvane:CQuery:ListLoanData:13") << condition;
    EXPECT_EQ(at(reply, "//out/error/text"), "审核条件必须是整数。") << condition;
  }
}

TEST_F(CQueryTest, ApprovalRowsCarryWhatApprovalTakes) {
  const XmlDocument reply = serve("<req>" + listFunc("listloandata", "0", "0", "<auditcond auditcondition='2'/>") +
                                  listFunc("listrepaydata", "0", "0") + "</req>");
  // the opening-balance loan is marked, claims never
  EXPECT_EQ(column(reply, "strvouchid")[1], "JK2026010003*");
  EXPECT_EQ(column(reply, "guid", 2), guids({kDemoClaim2, kDemoClaim3, claimGuid(1), claimGuid(2)}));
  // each row's guid and ts find its voucher the way approval reads it, by row version
  db::Connection connection;
  connection.open(account_.connectString());
  for (const auto& [func, table] : {std::pair{1, "KX_LoanVouch"}, std::pair{2, "KX_ExpenVouch"}}) {
    const std::vector<std::string> rowGuids = column(reply, "guid", func);
    const std::vector<std::string> rowTs = column(reply, "ts", func);
    const std::vector<std::string> types = column(reply, "strtypecode", func);
    ASSERT_EQ(rowGuids.size(), rowTs.size());
    for (std::size_t i = 0; i < rowGuids.size(); ++i) {
      db::Recordset rs;
      rs.openReadOnly(std::string("Select strAuditorID From ") + table + " Where GUID = '" + rowGuids[i] +
                          "' and Cast(ts As Money)=" + rowTs[i],
                      connection);
      EXPECT_FALSE(rs.eof()) << rowGuids[i] << " ts " << rowTs[i];
      EXPECT_FALSE(types[i].empty());
    }
  }
}

TEST_F(CQueryTest, PagesOfTheApprovalListClampAndNeverRepeatAVoucher) {
  std::vector<std::string> seen;
  for (int current = 0; current < 4; ++current) {
    const XmlDocument reply =
        serve("<req>" + listFunc("listloandata", std::to_string(current), "3", "<auditcond auditcondition='-1'/>") +
              "</req>");
    EXPECT_EQ(at(reply, "//out/success/page/count"), "4");
    const std::vector<std::string> page = column(reply, "guid");
    seen.insert(seen.end(), page.begin(), page.end());
  }
  EXPECT_EQ(seen.size(), 10u);
  EXPECT_EQ(std::set<std::string>(seen.begin(), seen.end()).size(), 10u);
  const XmlDocument beyond =
      serve("<req>" + listFunc("listloandata", "99", "7", "<auditcond auditcondition='-1'/>") + "</req>");
  EXPECT_EQ(at(beyond, "//out/success/page/count"), "2");
  EXPECT_EQ(at(beyond, "//out/success/page/current"), "1");
  EXPECT_EQ(at(beyond, "//out/success/page/rows"), "7");
  EXPECT_EQ(column(beyond, "guid").size(), 3u);
}

TEST_F(CQueryTest, ARefusedRightIsThatFuncsAnswerAndTheWalkGoesOn) {
  const XmlDocument reply = serve(
      "<req><func name='listrepaydata'><in><page><current>0</current><rows>0</rows>"
      "</page><cond/></in></func><func name='nosuchlist'/>" +
          listFunc("listloandata", "0", "0") + "</req>",
      "clerk");
  EXPECT_EQ(at(reply, "//func[1]/out/error/id").rfind("Corvane:MSG:ApplyTask:", 0), 0u);
  EXPECT_EQ(at(reply, "//func[2]/out/*"), "(none)");
  EXPECT_EQ(column(reply, "guid", 3),
            guids({loanGuid(1), loanGuid(3), loanGuid(4), loanGuid(5), loanGuid(6), loanGuid(7)}));
}

TEST_F(CQueryTest, TheDispatcherWithoutLoginAnswersWithoutErrorNumber) {
  XmlDocument document;
  ASSERT_TRUE(document.loadXML("<req>" + listFunc("listloandata", "0", "0") + "</req>"));
  CQuery().myHandle(nullptr, document);
  EXPECT_EQ(at(document, "/error/id"), "Corvane:CQuery:myHandle");
}

// ---- payable lines ----

class PayableLinesTest : public CQueryTest {
 protected:
  void SetUp() override {
    CQueryTest::SetUp();
    const std::string bank = "'01', '招商银行', '6225'";
    account_.execute(
        "INSERT INTO KX_LoanVouch_Sub (GUID, MGuid, strBalanceID, dblMoney, strPayBankID, strBankName, strBankAcc) "
        "VALUES "
        "('{B0000000-0000-0000-0000-000000000001}', '" +
        loanGuid(1) + "', '3', 10, " + bank +
        "),"  // unapproved
        "('{B0000000-0000-0000-0000-000000000003}', '" +
        loanGuid(3) + "', '3', 30, " + bank +
        "),"  // payable
        "('{B0000000-0000-0000-0000-000000000004}', '" +
        loanGuid(3) +
        "', '3', 31, '01', '招商银行', ''),"
        "('{B0000000-0000-0000-0000-000000000007}', '" +
        loanGuid(7) + "', '3', 70, " + bank + ")");  // total 0
    account_.execute(
        "INSERT INTO KX_BalanceInfo (GUID, ExpenGUID, intIOType, strBalanceID, dblMoney, strPayBankID, strRecBank, "
        "strRecAcc) VALUES "
        "('{BC000000-0000-0000-0000-000000000001}', '" +
        claimGuid(1) +
        "', 1, '3', 80, '01', '工商银行', '9558'),"
        "('{BC000000-0000-0000-0000-000000000002}', '" +
        claimGuid(1) +
        "', 1, '3', 5, '01', '工商银行', ''),"
        "('{BC000000-0000-0000-0000-000000000003}', '" +
        kDemoClaim3 + "', 1, '3', 9, '01', '工商银行', '9558')");
  }

  static std::string typeRow(const char* value) {
    return std::string("<cond><row name='strtypeclasscode' fieldname='kx_vch.strtypecode' fieldtype='1' value='") +
           value + "' type='9'/></cond>";
  }
};

TEST_F(PayableLinesTest, OnlyFilledLinesOfApprovedVouchersArePayable) {
  const XmlDocument reply = serve("<req>" + listFunc("listnetpaydata", "0", "0", typeRow("3")) +
                                  listFunc("listnetpaydata", "0", "0", typeRow("2")) + "</req>");
  // the demo's approved loan 1 has one filled line
  EXPECT_EQ(column(reply, "dblmoney"), guids({"2000", "30"}));
  EXPECT_EQ(column(reply, "strtypecode"), guids({"301", "301"}));
  // the demo claim 3 has no verifier
  EXPECT_EQ(column(reply, "guid", 2), guids({"{BC000000-0000-0000-0000-000000000001}"}));
  EXPECT_EQ(column(reply, "strbalancename", 2).size(), 1u);
}

TEST_F(PayableLinesTest, AClerkSeesTheLinesOfItsVouchersOnly) {
  const XmlDocument reply = serve("<req>" + listFunc("listnetpaydata", "0", "0", typeRow("3")) + "</req>", "clerk");
  EXPECT_EQ(column(reply, "dblmoney"), guids({"30"}));
}

TEST_F(PayableLinesTest, WithoutTheTypeRowTheListIsAnErrorReply) {
  const XmlDocument reply = serve("<req>" + listFunc("listnetpaydata", "0", "5") + "</req>");
  EXPECT_EQ(at(reply, "//out/error/id"), "Corvane:CQuery:ListNetpayData:91");
}

// ---- vouchers ready for posting ----

class PostableVouchersTest : public CQueryTest {
 protected:
  void SetUp() override {
    CQueryTest::SetUp();
    account_.execute(
        "INSERT INTO KX_LoanVouch_Sub (MGuid, strBalanceID, dblMoney, strPayID, blnNetOK) VALUES "
        "('" +
        loanGuid(3) +
        "', '3', 30, 'demo', 0),"  // sent, not confirmed: L3 waits
        "('" +
        loanGuid(5) +
        "', '3', 50, 'demo', 1),"  // sent and confirmed
        "('" +
        loanGuid(5) + "', '1', 51, NULL, 0)");
    account_.execute("UPDATE KX_LoanVouch SET PZGUID = 'B1' WHERE GUID = '" + loanGuid(5) + "'");
    account_.execute(
        "INSERT INTO GL_accvouch (iperiod, csign, isignseq, ino_id, coutsysname, ioutyear, coutid, coutno_id, "
        "doutdate) "
        "VALUES (1, '记', 1, 7, 'kx', 2026, '" +
        loanGuid(5) +
        "', 'B1', '2026-01-25'),"
        "(1, '记', 1, 8, 'kx', 2026, '" +
        loanGuid(5) + "', 'B1', '2026-01-25')");
  }
};

TEST_F(PostableVouchersTest, ApprovedVouchersWithoutLinesWaitingForTheBankArePostable) {
  const XmlDocument reply = serve("<req>" + listFunc("listmakepzdata", "0", "0") + "</req>");
  // L5 made two ledger vouchers in its batch: two rows
  EXPECT_EQ(column(reply, "guid"),
            guids({kDemoLoan1, loanGuid(5), loanGuid(5), loanGuid(6), claimGuid(1), claimGuid(2)}));
  EXPECT_EQ(column(reply, "strpzid"), guids({"", "记-1-7", "记-1-8", "", "", ""}));
}

TEST_F(PostableVouchersTest, PagesCutByVoucherKeepAVouchersRowsTogether) {
  std::vector<std::string> seen;
  for (int current = 0; current < 5; ++current) {
    const XmlDocument reply = serve("<req>" + listFunc("listmakepzdata", std::to_string(current), "1") + "</req>");
    EXPECT_EQ(at(reply, "//out/success/page/count"), "5");
    const std::vector<std::string> page = column(reply, "guid");
    ASSERT_FALSE(page.empty());
    EXPECT_TRUE(std::all_of(page.begin(), page.end(), [&](const std::string& g) { return g == page[0]; }));
    seen.push_back(page[0]);
  }
  EXPECT_EQ(seen, guids({kDemoLoan1, loanGuid(5), loanGuid(6), claimGuid(1), claimGuid(2)}));
}

TEST_F(PostableVouchersTest, KindsAndClerkRights) {
  const std::string loansOnly =
      "<cond><row name='strtypeclasscode' fieldname='kx_vch.strtypecode' fieldtype='0' value='3' type='9'/></cond>";
  EXPECT_EQ(column(serve("<req>" + listFunc("listmakepzdata", "0", "0", loansOnly) + "</req>"), "guid"),
            guids({kDemoLoan1, loanGuid(5), loanGuid(5), loanGuid(6)}));
  // the clerk may see L3, L5 and L6 (its own); L3 waits for the bank
  EXPECT_EQ(column(serve("<req>" + listFunc("listmakepzdata", "0", "0") + "</req>", "clerk"), "guid"),
            guids({loanGuid(5), loanGuid(5), loanGuid(6), claimGuid(1)}));
}

// ---- ledger vouchers ----

class LedgerListTest : public CQueryTest {
 protected:
  void SetUp() override {
    CQueryTest::SetUp();
    account_.execute(
        "INSERT INTO vqsystem..UA_HoldAuth (cAcc_ID, iYear, cUser_ID, iIsUser, cAuth_ID) "
        "VALUES ('001', 2026, 'KXCLERK', 0, 'KX0303')");
    // voucher 1: two claims of one batch (claim 1 with two entry lines); 2: L5, voided and
    // booked; 3: the demo's loan 1; 4: L6 of another year
    account_.execute(
        "INSERT INTO GL_accvouch (iperiod, csign, isignseq, ino_id, coutsysname, ioutyear, coutid, coutno_id, "
        "doutdate, "
        "dbill_date, iflag, ibook) VALUES "
        "(1, '记', 1, 1, 'kx', 2026, '" +
        claimGuid(1) +
        "', 'B1', '2026-01-25', '2026-01-26', NULL, 0),"
        "(1, '记', 1, 1, 'kx', 2026, '" +
        claimGuid(1) +
        "', 'B1', '2026-01-25', '2026-01-26', NULL, 0),"
        "(1, '记', 1, 1, 'kx', 2026, '" +
        claimGuid(2) +
        "', 'B1', '2026-01-25', '2026-01-26', NULL, 0),"
        "(1, '记', 1, 2, 'kx', 2026, '" +
        loanGuid(5) +
        "', 'B2', '2026-01-25', '2026-01-26', 1, 1),"
        "(1, '记', 1, 3, 'kx', 2026, '" +
        kDemoLoan1 +
        "', 'B3', '2026-01-25', '2026-01-26', NULL, 0),"
        "(1, '记', 1, 4, 'kx', 2025, '" +
        loanGuid(6) +
        "', 'B4', '2025-01-25', '2025-01-26', NULL, 0),"
        "(1, '记', 1, 5, 'gl', 2026, '" +
        loanGuid(6) + "', 'B5', '2026-01-25', '2026-01-26', NULL, 0)");
  }

  static std::string kindRow(const char* value) {
    return std::string("<cond><row name='strtypecode' fieldname='strtypecode' fieldtype='1' value='") + value +
           "' type='0'/></cond>";
  }
};

TEST_F(LedgerListTest, OneRowPerLedgerVoucherAndSourceVoucher) {
  const XmlDocument reply = serve("<req>" + listFunc("listpzdata", "0", "0") + "</req>");
  EXPECT_EQ(column(reply, "strpzcode"), guids({"记-1-1", "记-1-1", "记-1-2", "记-1-3"}));
  EXPECT_EQ(column(reply, "guid"), guids({claimGuid(1), claimGuid(2), loanGuid(5), kDemoLoan1}));
  EXPECT_EQ(column(reply, "iflag"), guids({"", "", "作废", ""}));
  EXPECT_EQ(column(reply, "dtDate"), guids({"2026-01-25", "2026-01-25", "2026-01-25", "2026-01-25"}));
  EXPECT_EQ(column(reply, "pzguid"), guids({"B1", "B1", "B2", "B3"}));
}

TEST_F(LedgerListTest, TheKindRowChoosesTheSourceVouchers) {
  EXPECT_EQ(column(serve("<req>" + listFunc("listpzdata", "0", "0", kindRow("2")) + "</req>"), "guid"),
            guids({claimGuid(1), claimGuid(2)}));
  EXPECT_EQ(column(serve("<req>" + listFunc("listpzdata", "0", "0", kindRow("3")) + "</req>"), "guid"),
            guids({loanGuid(5), kDemoLoan1}));
}

TEST_F(LedgerListTest, PagesFollowTheTextKey) {
  std::vector<std::string> seen;
  for (int current = 0; current < 4; ++current) {
    const XmlDocument reply = serve("<req>" + listFunc("listpzdata", std::to_string(current), "1") + "</req>");
    EXPECT_EQ(at(reply, "//out/success/page/count"), "4");
    const std::vector<std::string> page = column(reply, "guid");
    seen.insert(seen.end(), page.begin(), page.end());
  }
  EXPECT_EQ(std::set<std::string>(seen.begin(), seen.end()),
            std::set<std::string>({claimGuid(1), claimGuid(2), loanGuid(5), kDemoLoan1}));
  EXPECT_EQ(seen.size(), 4u);
}

TEST_F(LedgerListTest, AClerkSeesTheLedgerVouchersOfItsVouchersOnly) {
  // claim 2 and the demo's loan 1 are outside the clerk's rights, also without paging
  EXPECT_EQ(column(serve("<req>" + listFunc("listpzdata", "0", "0") + "</req>", "clerk"), "guid"),
            guids({claimGuid(1), loanGuid(5)}));
  const XmlDocument paged = serve("<req>" + listFunc("listpzdata", "1", "1") + "</req>", "clerk");
  EXPECT_EQ(at(paged, "//out/success/page/count"), "2");
  EXPECT_EQ(column(paged, "guid"), guids({loanGuid(5)}));
}

}  // namespace
}  // namespace corvane
