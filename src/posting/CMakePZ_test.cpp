#include "posting/CMakePZ.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "host/EmbeddedLoginContext.h"
#include "host/VoucherImporter.h"
#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/ConnectionPool.h"
#include "platform/db/Recordset.h"
#include "platform/xml/XmlDocument.h"
#include "request/Locale.h"
#include "request/Messages.h"
#include "request/Values.h"
#include "support/CaseAccount.h"
#include "support/ScopedLocale.h"
#include "support/TestHost.h"

namespace corvane {
namespace {

constexpr const char* kLoan1 = "{3A6F0C21-5B1E-4C8A-9D01-000000000001}";
constexpr const char* kLoan2 = "{3A6F0C21-5B1E-4C8A-9D01-000000000002}";
constexpr const char* kIncomeClaim = "{7C2E9B40-1D3F-4E6A-8B02-000000000002}";
constexpr const char* kExpenseClaim = "{7C2E9B40-1D3F-4E6A-8B02-000000000003}";

std::string voucherRow(const char* type, const char* guid, const char* number, const std::string& extra = "") {
  return std::string("<row strtypecode='") + type + "' guid='" + guid + "' strvouchid='" + number + "'" + extra + "/>";
}

// The dollar loan JK2026010002 (800 at 7.1779, multiplied), the dollar income claim SR2026010002
// (150, 1077 in yuan) with a cash receipt of 150, and the expense claim BX2026010001 (800, 1200
// and 300) paid 1500 in cash and writing off 800 of loan JK2026010001's cash line. Names with an
// apostrophe go into the draft like any other.
class CMakePZTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* sql : {
             "DELETE FROM KX_PzSet_IO",  // these item-side settings in place of the demo's
             "INSERT INTO KX_PzSet_IO (strOperatType, strIOItemCode, strCurrency, strSubject, blnModiDire) VALUES "
             "('302', NULL, '美元', '1221', 0), ('301', NULL, '人民币', '1221', 0), ('102', '102', '美元', '2241', 1), "
             "('201', '20101', '人民币', '660201', 1), ('201', '20102', '人民币', '660202', 0)",
             "INSERT INTO KX_PzSet_OP (strOperatType, strBalanceType, strBankID, strCurrency, strSubject) VALUES "
             "('付款', '3', '02', '美元', '1002'), ('收款', '1', '', '美元', '1001'), ('付款', '1', '', '人民币', "
             "'1001')",
             "UPDATE code SET ccode_name = 'Director''s fund' WHERE ccode = '1221'",
             "UPDATE Person SET cPersonName = 'O''Brien' WHERE cPersonCode = '0009'",
             "UPDATE KX_LoanVouch SET strAuditorID = 'demo', blnAudi = 1, intBudPass = 1, strUsed = 'O''Brien''s "
             "samples' "
             "WHERE AutoID = 2",
             "UPDATE KX_ExpenVouch SET strAuditorID = 'demo', blnAudi = 1, strVerifier = 'demo' WHERE AutoID IN (2, 3)",
             "UPDATE KX_LoanVouch_Sub SET GUID = '{0E1F2A3B-0000-4000-8000-000000000001}' WHERE MGuid = "
             "'{3A6F0C21-5B1E-4C8A-9D01-000000000001}' AND strBalanceID = '1'",
             "INSERT INTO KX_BalanceInfo (GUID, ExpenGUID, intIOType, strBalanceID, dblMoney, strBillID) VALUES "
             "('{0E1F2A3B-0000-4000-8000-000000000011}', '{7C2E9B40-1D3F-4E6A-8B02-000000000002}', 1, '1', 150, NULL), "
             "('{0E1F2A3B-0000-4000-8000-000000000012}', '{7C2E9B40-1D3F-4E6A-8B02-000000000003}', 2, '1', 1500, "
             "'Q''1')",
             "INSERT INTO KX_ExpenLoanInfo (Expenguid, LoanSubguid, dblJE) VALUES "
             "('{7C2E9B40-1D3F-4E6A-8B02-000000000003}', '{0E1F2A3B-0000-4000-8000-000000000001}', 800)",
         }) {
      account_.execute(sql);
    }
  }

  // Serves `request` as `corvane call` does, keeping the object to look at its draft.
  XmlDocument serve(const std::string& request) {
    return account_.serve(maker_, request, "demo", "zh-CN", DateTime::parse("2026-1-31"), &host_);
  }

  // Drafts `vouchers` as "makepz" for the draft only does, on a connection of the test's own,
  // and answers the reply; the draft table, which the func drops when it ends, stays to be read.
  XmlDocument draft(const std::string& vouchers) {
    const std::unique_ptr<EmbeddedLoginContext> login = account_.logIn("demo", "zh-CN", DateTime::parse("2026-1-31"));
    gLocaleID = "zh-CN";
    db::Connection connection;
    connection.open(account_.connectString());
    XmlDocument request;
    EXPECT_TRUE(request.loadXML(makepz(vouchers)));
    XmlDocument reply;
    FuncCall call{*login, connection, request.selectSingleNode("//func"), reply};
    maker_.PrepareDraftMaking(call, false);
    EXPECT_TRUE(maker_.MakePZ(call)) << reply.xml();
    return reply;
  }

  static std::string makepz(const std::string& rows, const std::string& temp = "<blnTemp>1</blnTemp>") {
    return "<req><func name='makepz'><in><pztype>记</pztype><pzdate>2026-01-31</pzdate>" + temp + "<rows>" + rows +
           "</rows></in></func></req>";
  }

  std::vector<std::string> rows(const std::string& sql) {
    db::Connection connection;
    connection.open(account_.connectString());
    db::Recordset rs;
    rs.open(sql, connection);
    std::vector<std::string> result;
    for (; !rs.eof(); rs.moveNext()) {
      std::string row;
      for (int i = 0; i < rs.fieldCount(); ++i) row += (i ? "|" : "") + NullToStr(rs.field(i).value());
      result.push_back(row);
    }
    return result;
  }

  std::vector<std::string> claimMarks() {
    return rows(
        "select strVouchID from KX_LoanVouch where strMakerID is not null and strMakerID <> '周建国' union all "
        "select strVouchID from KX_ExpenVouch where strMakerID is not null");
  }

  static std::string errorText(const XmlDocument& reply) {
    const XmlNode text = reply.selectSingleNode("//func/out/error/text");
    return text ? text.text() : std::string();
  }

  CaseAccount account_;
  TestHost host_;
  CMakePZ maker_;
  ScopedLocale locale_{gLocaleID};
};

TEST_F(CMakePZTest, DraftsEveryKindInRequestOrder) {
  const XmlDocument reply =
      draft(voucherRow("302", kLoan2, "JK2026010002") + voucherRow("102", kIncomeClaim, "SR2026010002") +
            voucherRow("201", kExpenseClaim, "BX2026010001"));
  ASSERT_TRUE(reply.isEmpty()) << reply.xml();
  const DraftState& state = maker_.state();
  // Completed: accounts by person take the person's department; expense accounts keep the
  // department only; payment accounts neither; local-currency lines lose their currency.
  const std::vector<std::string> expected = {
      // inid|side|account|name|md|mc|md_f|mc_f|currency|department|person|digest|settle|bill|type|budget
      "1|1|1221|Director's fund|5742.32|0|800|0|美元|04|0009|O'Brien's samples|||302|True",
      "2|0|1002|银行存款|0|5742.32|0|800|美元|||O'Brien's samples|3||302|False",
      "3|0|2241|其他应付款|0|1077|0|150|美元|0302|0007|展会押金退回|||102|False",
      "4|1|1001|库存现金|1077|0|150|0|美元|||展会押金退回|1||102|False",
      "5|1|660201|差旅费|800|0|0|0||0301||上海客户拜访差旅费|||201|True",
      "6|1|660202|办公费|1200|0|0|0||0301||上海客户拜访差旅费|||201|True",
      "7|1|660201|差旅费|300|0|0|0||0301||上海客户拜访差旅费|||201|True",
      "8|0|1001|库存现金|0|1500|0|0||||上海客户拜访差旅费|1|Q'1|201|True",
      "9|0|1221|Director's fund|0|800|0|0||0301|0005|华东渠道拓展差旅借款|1||301|False",
  };

  EXPECT_EQ(rows("select inid, bDirFlag, ccode, ccodename, md, mc, md_f, mc_f, cexch_name, cdept_id, cperson_id, "
                 "cdigest, csettle, cn_id, strTypeCode, bWH_BgFlag from " +
                 state.table + " order by inid"),
            expected);
  EXPECT_EQ(rows("select sum(md) - sum(mc) from " + state.table), std::vector<std::string>{"0"});
  // Every line: the names, the voucher's date, type word, batch, maker and document total; the
  // offset carries the claim as its source.
  EXPECT_EQ(state.batchId.size(), 30u);
  EXPECT_EQ(state.batchId.front(), '3');
  EXPECT_EQ(
      rows("select distinct csign, coutsign, coutno_id, dbill_date, doutbilldate, cbill, idoc from " + state.table),
      std::vector<std::string>{"记|记|" + state.batchId + "|2026-1-31|2026-1-31|周建国|4"});
  EXPECT_EQ(rows("select cperson_name, coutid, VouchGUID, doutdate from " + state.table + " where inid in (1, 9)"),
            (std::vector<std::string>{"O'Brien|" + std::string(kLoan2) + "|" + kLoan2 + "|2026-1-7",
                                      "王海涛|" + std::string(kExpenseClaim) + "|" + kExpenseClaim + "|2026-1-12"}));
  EXPECT_EQ(state.nextLine, 10);
  EXPECT_TRUE(claimMarks().empty());
}

TEST_F(CMakePZTest, NegativeLinesChangeSideWhereTheAccountAllows) {
  // 20101 may change sides, 20102 may not; the income item 102 may. Receipts and payments are
  // set so that both claims still balance.
  account_.execute(
      "UPDATE KX_ExpenVouch_Sub SET dblMoney = -dblMoney, dblOldMoney = -dblOldMoney WHERE strIOItem IN "
      "('20101', '20102', '102')");
  account_.execute(
      "UPDATE KX_BalanceInfo SET dblMoney = -150 WHERE ExpenGUID = '{7C2E9B40-1D3F-4E6A-8B02-000000000002}'");
  account_.execute(
      "UPDATE KX_BalanceInfo SET dblMoney = -2500 WHERE ExpenGUID = '{7C2E9B40-1D3F-4E6A-8B02-000000000003}'");
  draft(voucherRow("102", kIncomeClaim, "SR2026010002") + voucherRow("201", kExpenseClaim, "BX2026010001"));
  EXPECT_EQ(rows("select inid, bDirFlag, md, mc, md_f, mc_f, nd_s, nc_s from " + maker_.state().table +
                 " where strTypeCode in ('102', '201') and csettle is null order by inid"),
            (std::vector<std::string>{"1|1|1077|0|150|0|1|0", "3|0|0|800|0|0|0|1", "4|1|-1200|0|0|0|2|0",
                                      "5|1|300|0|0|0|2|0"}));
}

TEST_F(CMakePZTest, RefusalsLeaveNothingBehind) {
  struct Case {
    const char* name;
    const char* setup;
    std::string rows;
    std::string message;
  } const cases[] = {
      {"no exchange rate", "UPDATE KX_LoanVouch SET fltRate = 0 WHERE AutoID = 2",
       voucherRow("102", kIncomeClaim, "SR2026010002") + voucherRow("302", kLoan2, "JK2026010002"),
       GetResString("Z7.Corvane.0660", "zh-CN", "JK2026010002")},
      {"a loan not approved", "UPDATE KX_LoanVouch SET strAuditorID = NULL WHERE AutoID = 2",
       voucherRow("302", kLoan2, "JK2026010002"), GetResString("Z7.Corvane.0334", "zh-CN", "JK2026010002")},
      {"a posted loan", "UPDATE KX_LoanVouch SET strMakerID = '周建国' WHERE AutoID = 2",
       voucherRow("302", kLoan2, "JK2026010002"), GetResString("Z7.Corvane.0334", "zh-CN", "JK2026010002")},
      {"the same voucher twice", "",
       voucherRow("302", kLoan2, "JK2026010002") + voucherRow("302", kLoan2, "JK2026010002"),
       GetResString("Z7.Corvane.0334", "zh-CN", "JK2026010002")},
  };
  // Each case on this fixture's account, undone by the next case's setup.
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (*c.setup) account_.execute(c.setup);
    const std::vector<std::string> before = rows("select GUID, Cast(ts As money) from KX_LoanVouch order by GUID");
    const XmlDocument reply = serve(makepz(c.rows, "<blnTemp>0</blnTemp>"));
    EXPECT_EQ(reply.selectSingleNode("//func/out/error/id").text(), "Corvane:CLoan:recordGet:9000");
    EXPECT_EQ(errorText(reply), c.message);
    EXPECT_TRUE(claimMarks().empty());
    EXPECT_EQ(rows("select GUID, Cast(ts As money) from KX_LoanVouch order by GUID"), before);
    EXPECT_EQ(rows("select count(*) from tempdb..sysobjects where name like 'vqtmp%'"), std::vector<std::string>{"0"});
    account_.execute(
        "UPDATE KX_LoanVouch SET fltRate = 7.1779, strAuditorID = 'demo', strMakerID = NULL WHERE AutoID = 2");
  }
}

TEST_F(CMakePZTest, AFailedCompletionIsReportedAndRolledBack) {
  // The account's item class names no item table.
  account_.execute("UPDATE code SET cass_item = '99' WHERE ccode = '660201'");
  const XmlDocument reply = serve(makepz(voucherRow("201", kExpenseClaim, "BX2026010001"), "<blnTemp>0</blnTemp>"));
  const std::string id = reply.selectSingleNode("//func/out/error/id").text();
  EXPECT_EQ(id.rfind("Corvane:CLoan:recordGet:-", 0), 0u) << id;
  EXPECT_EQ(rows("select count(*) from tempdb..sysobjects where name like 'vqtmp%'"), std::vector<std::string>{"0"});
  EXPECT_TRUE(claimMarks().empty());
}

TEST_F(CMakePZTest, ConversionPostsTheClaimedVoucherOrGivesItBack) {
  const std::string ts = rows("select Cast(ts As money) from KX_LoanVouch where AutoID = 2").front();
  const std::string loan = voucherRow("302", kLoan2, "JK2026010002", " ts='" + ts + "'");
  // A voucher changed since the client read it cannot be claimed for conversion.
  XmlDocument reply = serve(makepz(voucherRow("302", kLoan2, "JK2026010002", " ts='1'"), "<blnTemp>0</blnTemp>"));
  EXPECT_EQ(errorText(reply), GetResString("Z7.Corvane.0334", "zh-CN", "JK2026010002"));

  // Without //daily the conversion cannot tell the sources: refused, and the claim, the draft and
  // the row version are as before.
  reply = serve(makepz(loan, "<blnTemp>0</blnTemp>"));
  EXPECT_EQ(errorText(reply), GetResString("Z7.Corvane.0681", "zh-CN"));
  EXPECT_TRUE(claimMarks().empty());
  EXPECT_TRUE(maker_.state().claims.empty());
  EXPECT_EQ(rows("select count(*) from GL_accvouch"), std::vector<std::string>{"0"});
  EXPECT_EQ(rows("select count(*) from tempdb..sysobjects where name like 'vqtmp%'"), std::vector<std::string>{"0"});
  EXPECT_EQ(rows("select Cast(ts As money) from KX_LoanVouch where AutoID = 2").front(), ts);

  reply = serve(makepz(loan, "<blnTemp>0</blnTemp><daily>" + loan + "</daily>"));
  EXPECT_TRUE(reply.selectSingleNode("//func/out/error").isNull()) << reply.xml();
  EXPECT_TRUE(maker_.state().claims.empty());
  EXPECT_EQ(rows("select strMakerID + '|' + PZGUID from KX_LoanVouch where AutoID = 2"),
            std::vector<std::string>{"周建国|" + maker_.state().batchId});
  EXPECT_EQ(rows("select ccode + '|' + Cast(md As nvarchar(20)) + '|' + Cast(mc As nvarchar(20)) from GL_accvouch "
                 "where coutno_id = '" +
                 maker_.state().batchId + "' order by inid"),
            (std::vector<std::string>{"1221|5742.32|0.00", "1002|0.00|5742.32"}));
}

std::string preview(const std::string& vouchers, const std::string& con = "") {
  return "<req><func name='getpzdata'><in csign='记' dbill_date='2026-01-31'" + con + "><blnTemp>0</blnTemp>" +
         vouchers + "</in></func></req>";
}

// The attributes `columns` of every row of the reply, joined by "|".
std::vector<std::string> replyRows(const XmlDocument& reply, const std::vector<std::string>& columns) {
  std::vector<std::string> rows;
  for (const XmlNode& row : reply.selectNodes("//func/out/Rows/row")) {
    std::string text;
    for (std::size_t i = 0; i < columns.size(); ++i) text += (i ? "|" : "") + row.attribute(columns[i]);
    rows.push_back(text);
  }
  return rows;
}

TEST_F(CMakePZTest, PreviewClaimsNothingAndLeavesNoTable) {
  const std::vector<std::string> before = rows(
      "select GUID, Cast(ts As money) from KX_LoanVouch union all "
      "select GUID, Cast(ts As money) from KX_ExpenVouch order by 1");
  const XmlDocument reply =
      serve(preview(voucherRow("302", kLoan2, "JK2026010002") + voucherRow("102", kIncomeClaim, "SR2026010002") +
                    voucherRow("201", kExpenseClaim, "BX2026010001")));
  EXPECT_EQ(
      replyRows(reply, {"inid", "ccode", "md", "mc", "cexch_name", "cssname", "idoc"}),
      (std::vector<std::string>{"1|1221|5742.32|0|美元||4", "2|1002|0|5742.32|美元|银行转账|4", "3|2241|0|1077|美元||4",
                                "4|1001|1077|0|美元|现金|4", "5|660201|800|0|||4", "6|660202|1200|0|||4",
                                "7|660201|300|0|||4", "8|1001|0|1500||现金|4", "9|1221|0|800||现金|4"}));
  EXPECT_EQ(rows("select count(*) from tempdb..sysobjects where name like 'vqtmp%'"), std::vector<std::string>{"0"});
  EXPECT_EQ(rows("select GUID, Cast(ts As money) from KX_LoanVouch union all "
                 "select GUID, Cast(ts As money) from KX_ExpenVouch order by 1"),
            before);
}

TEST_F(CMakePZTest, PreviewMergesByTheOptions) {
  // A second loan of the same borrower, with another purpose, beside loan JK2026010001 (a cash
  // line of 3000, a bank line of 2000) and the expense claim.
  const std::string loan4 = "{3A6F0C21-5B1E-4C8A-9D01-0000000000E4}";
  account_.execute(
      "INSERT INTO KX_LoanVouch (GUID, strTypeCode, strVouchID, dtLoanDate, strDepartID, strLoanID, strBill, "
      "fltRate, dblMoney, strUsed, strPersonID, blnAudi, strAuditorID, blnBegin, blnAllBill) VALUES ('" +
      loan4 +
      "', '301', 'JK2026019004', '2026-01-20', '0301', '0005', '人民币', 1, 100, '另一借款', 'demo', "
      "1, 'demo', 0, 0)");
  account_.execute("INSERT INTO KX_LoanVouch_Sub (MGuid, strBalanceID, dblMoney) VALUES ('" + loan4 + "', '1', 100)");
  const std::string vouchers = voucherRow("301", kLoan1, "JK2026010001") +
                               voucherRow("301", loan4.c_str(), "JK2026019004") +
                               voucherRow("201", kExpenseClaim, "BX2026010001");
  const std::string both = std::string(kLoan1) + "," + loan4;
  struct Case {
    const char* name;
    const char* con;
    const char* options;
    std::vector<std::string> lines;  // inid|account|md|mc|VouchGUID
  } const cases[] = {
      {"no merge",
       "",
       "",
       {"1|1221|3000|0|" + std::string(kLoan1), "2|1001|0|3000|" + std::string(kLoan1),
        "3|1221|2000|0|" + std::string(kLoan1), "4|1002|0|2000|" + std::string(kLoan1), "5|1221|100|0|" + loan4,
        "6|1001|0|100|" + loan4, "7|660201|800|0|" + std::string(kExpenseClaim),
        "8|660202|1200|0|" + std::string(kExpenseClaim), "9|660201|300|0|" + std::string(kExpenseClaim),
        "10|1001|0|1500|" + std::string(kExpenseClaim), "11|1221|0|800|" + std::string(kExpenseClaim)}},
      {"merged, options off",
       " con='1'",
       "",
       {"1|1221|5100|0|" + both, "2|1001|0|4600|" + both + "," + kExpenseClaim, "3|1002|0|2000|" + std::string(kLoan1),
        "4|660201|1100|0|" + std::string(kExpenseClaim), "5|660202|1200|0|" + std::string(kExpenseClaim),
        "6|1221|0|800|" + std::string(kExpenseClaim)}},
      {"merged, item lines by summary",
       " con='1'",
       "iokm_zy",
       {"1|1221|5000|0|" + std::string(kLoan1), "2|1001|0|4600|" + both + "," + kExpenseClaim,
        "3|1002|0|2000|" + std::string(kLoan1), "4|1221|100|0|" + loan4,
        "5|660201|1100|0|" + std::string(kExpenseClaim), "6|660202|1200|0|" + std::string(kExpenseClaim),
        "7|1221|0|800|" + std::string(kExpenseClaim)}},
      {"merged, payment lines by bill number",
       " con='1'",
       "opkm_pjbh",
       {"1|1221|5100|0|" + both, "2|1001|0|3100|" + both, "3|1002|0|2000|" + std::string(kLoan1),
        "4|660201|1100|0|" + std::string(kExpenseClaim), "5|660202|1200|0|" + std::string(kExpenseClaim),
        "6|1001|0|1500|" + std::string(kExpenseClaim), "7|1221|0|800|" + std::string(kExpenseClaim)}},
      {"merged, payment lines by settle style, all alike",
       " con='1'",
       "opkm_jsfs",
       {"1|1221|5100|0|" + both, "2|1001|0|4600|" + both + "," + kExpenseClaim, "3|1002|0|2000|" + std::string(kLoan1),
        "4|660201|1100|0|" + std::string(kExpenseClaim), "5|660202|1200|0|" + std::string(kExpenseClaim),
        "6|1221|0|800|" + std::string(kExpenseClaim)}},
      {"merged, payment lines by summary",
       " con='1'",
       "opkm_zy",
       {"1|1221|5100|0|" + both, "2|1001|0|3000|" + std::string(kLoan1), "3|1002|0|2000|" + std::string(kLoan1),
        "4|1001|0|100|" + loan4, "5|660201|1100|0|" + std::string(kExpenseClaim),
        "6|660202|1200|0|" + std::string(kExpenseClaim), "7|1001|0|1500|" + std::string(kExpenseClaim),
        "8|1221|0|800|" + std::string(kExpenseClaim)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    account_.execute("UPDATE AccInformation SET cValue = 'false' WHERE cSysID = 'KX' AND cID LIKE '2%'");
    if (*c.options)
      account_.execute(std::string("UPDATE AccInformation SET cValue = 'True' WHERE cName = '") + c.options + "'");
    const XmlDocument reply = serve(preview(vouchers, c.con));
    EXPECT_EQ(replyRows(reply, {"inid", "ccode", "md", "mc", "VouchGUID"}), c.lines) << reply.xml();
    // The claim's three attachments stay the voucher's document count, merged or not.
    for (const std::string& idoc : replyRows(reply, {"idoc"})) EXPECT_EQ(idoc, "3");
    EXPECT_EQ(rows("select count(*) from tempdb..sysobjects where name like 'vqtmp%'"), std::vector<std::string>{"0"});
  }
}

TEST_F(CMakePZTest, PreviewRefusals) {
  // An expense claim paid nothing and writing nothing off does not balance; a loan of 0 has no
  // amounts to show.
  account_.execute("DELETE FROM KX_BalanceInfo");
  account_.execute("DELETE FROM KX_ExpenLoanInfo");
  XmlDocument reply = serve(preview(voucherRow("201", kExpenseClaim, "BX2026010001")));
  EXPECT_EQ(errorText(reply), GetResString("Z7.Corvane.0662", "zh-CN", "2300.00", "0.00"));
  account_.execute("UPDATE KX_LoanVouch_Sub SET dblMoney = 0 WHERE MGuid = '" + std::string(kLoan2) + "'");
  reply = serve(preview(voucherRow("302", kLoan2, "JK2026010002")));
  EXPECT_EQ(errorText(reply), GetResString("Z7.Corvane.0312", "zh-CN"));
  EXPECT_EQ(rows("select count(*) from tempdb..sysobjects where name like 'vqtmp%'"), std::vector<std::string>{"0"});
}

TEST_F(CMakePZTest, ReadsALedgerVoucherMadeHereByItsCode) {
  account_.execute(
      "INSERT INTO GL_accvouch (iperiod, csign, ino_id, inid, dbill_date, cdigest, ccode, md, mc, cdept_id, "
      "coutsysname, coutno_id) VALUES (1, '记', 5, 1, '2026-01-31', 'a''b', '1221', 10, 0, '0301', 'kx', 'B1'), "
      "(1, '记', 5, 2, '2026-01-31', 'a''b', '1001', 0, 10, NULL, 'kx', 'B1'), "
      "(1, '记', 5, 1, '2026-01-31', 'other', '1001', 1, 0, NULL, 'GL', NULL)");
  XmlDocument reply =
      serve("<req><func name='getpzdata'><in><blnTemp>1</blnTemp><strpzcode>记-1-5</strpzcode></in></func></req>");
  EXPECT_EQ(replyRows(reply, {"ccode", "ccodename", "md", "mc", "cdigest", "cdept_name", "ctext"}),
            (std::vector<std::string>{"1221|Director's fund|10|0|a'b|华东销售组|记账凭证",
                                      "1001|库存现金|0|10|a'b||记账凭证"}));
  reply = serve(
      "<req><func name='getpzdata'><in><blnTemp>1</blnTemp><strpzcode>记-1-6' or ''='</strpzcode></in></func></req>");
  EXPECT_EQ(reply.selectNodes("//func/out/Rows/row").size(), 0u);
  EXPECT_TRUE(reply.selectSingleNode("//func/out/Rows"));
}

// The lines of a preview's reply, as the client sends them back to be saved.
std::string previewedLines(const XmlDocument& preview) {
  std::string lines;
  for (const XmlNode& row : preview.selectNodes("//func/out/Rows/row")) lines += row.xml();
  return lines;
}

// "SaveTempPZData" of the edited `lines` of loan JK2026010002, as the client read it at `ts`.
std::string saveEdited(const std::string& lines, const std::string& ts) {
  return "<req><func name='SaveTempPZData'><in csign='记' dbill_date='2026-01-31'/><daily><row strtypecode='302' "
         "guid='" +
         std::string(kLoan2) + "' ts='" + ts + "'/></daily><Rows>" + lines + "</Rows></func></req>";
}

TEST_F(CMakePZTest, NoDraftTableOutlivesTheFuncThatMadeIt) {
  const std::string lines = previewedLines(serve(preview(voucherRow("302", kLoan2, "JK2026010002"))));
  const std::string ts = rows("select Cast(ts As money) from KX_LoanVouch where AutoID = 2").front();
  const std::string loan1 =
      voucherRow("301", kLoan1, "JK2026010001",
                 " ts='" + rows("select Cast(ts As money) from KX_LoanVouch where AutoID = 1").front() + "'");
  struct Case {
    const char* name;
    std::string request;
    std::string error;
    const char* ledgerVouchers;  // made so far
  } const cases[] = {
      {"a draft", makepz(voucherRow("302", kLoan2, "JK2026010002")), "", "0"},
      {"a draft that fails",
       makepz(voucherRow("302", kLoan2, "JK2026010002") + voucherRow("302", kLoan2, "JK2026010002"),
              "<blnTemp>0</blnTemp>"),
       GetResString("Z7.Corvane.0334", "zh-CN", "JK2026010002"), "0"},
      {"an edited draft whose conversion is refused", saveEdited(lines, "1"), GetResString("Z7.Corvane.0167", "zh-CN"),
       "0"},
      {"an edited draft", saveEdited(lines, ts), "", "1"},
      {"a conversion", makepz(loan1, "<blnTemp>0</blnTemp><daily>" + loan1 + "</daily>"), "", "2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const XmlDocument reply = serve(c.request);
    EXPECT_EQ(errorText(reply), c.error) << reply.xml();
    EXPECT_EQ(rows("select count(distinct coutno_id) from GL_accvouch"), std::vector<std::string>{c.ledgerVouchers});
    EXPECT_EQ(rows("select count(*) from tempdb..sysobjects where name like 'vqtmp%'"), std::vector<std::string>{"0"});
    EXPECT_EQ(rows("select count(*) from tempdb..ScratchTableBirth"), std::vector<std::string>{"0"});
  }
}

// An importer that ends the process when it is to write the voucher: a request killed half-way.
class KillingImporter final : public VoucherImporter {
 public:
  bool InitLogin(const LoginContext&) override { return true; }
  void TableName(const std::string& draftTable) override { table_ = draftTable; }
  std::string TableName() const override { return table_; }
  bool Run() override { std::_Exit(0); }
  std::int32_t LastErrorNumber() const override { return 0; }
  std::string LastErrorText() const override { return {}; }

 private:
  std::string table_;
};

void serveKilledInTheImporter(const CaseAccount& account, const std::string& request) {
  TestHost host;
  host.voucherImporters = [](db::Connection&) { return std::make_unique<KillingImporter>(); };
  const std::unique_ptr<EmbeddedLoginContext> login =
      account.logIn("demo", "zh-CN", DateTime::parse("2026-1-31"), &host);
  XmlDocument document;
  document.loadXML(request);
  CMakePZ().myHandle(login.get(), document);
}

TEST_F(CMakePZTest, ADraftLeftByAKilledRequestIsSweptOnceADayOld) {
  const std::string lines = previewedLines(serve(preview(voucherRow("302", kLoan2, "JK2026010002"))));
  const std::string ts = rows("select Cast(ts As money) from KX_LoanVouch where AutoID = 2").front();
  // The request runs in a child process, which must not use the SQLite handles of this one.
  db::ConnectionPool::shared().clear();
  EXPECT_EXIT(serveKilledInTheImporter(account_, saveEdited(lines, ts)), ::testing::ExitedWithCode(0), "");
  // The edited draft was committed before the importer ran; its drop never ran. Young, it stays
  // when the account is opened; a day old, it goes.
  const std::string draftTables = "select count(*) from tempdb..sysobjects where name like 'vqtmp%'";
  EXPECT_EQ(rows(draftTables), std::vector<std::string>{"1"});
  account_.execute("UPDATE tempdb..ScratchTableBirth SET dCreated = '2000-01-01 00:00:00'");
  EXPECT_EQ(rows(draftTables), std::vector<std::string>{"0"});
  EXPECT_EQ(rows("select count(*) from tempdb..ScratchTableBirth"), std::vector<std::string>{"0"});
  EXPECT_EQ(rows("select count(*) from GL_accvouch"), std::vector<std::string>{"0"});
}

// The embedded cheque book, noting at each cheque it examines whether the account's write lock
// is free: a book asked while the request still holds that lock waits for the request itself.
class LockProbingBook final : public ChequeBook {
 public:
  LockProbingBook(std::string connectString, std::vector<bool>& lockFree)
      : connectString_(std::move(connectString)), lockFree_(lockFree) {}
  void setZzLogin(LoginContext& login) override { book_->setZzLogin(login); }
  void setZzSys(ChequeCommon& common) override { book_->setZzSys(common); }
  bool ZPControl(std::string& chequeElement) override {
    lockFree_.push_back(writeLockFree());
    return book_->ZPControl(chequeElement);
  }
  int zpcheck() const override { return book_->zpcheck(); }
  std::string zpmsg() const override { return book_->zpmsg(); }
  void StartZPDJ(bool option1, bool option2) override { book_->StartZPDJ(option1, option2); }
  void UpdateZPDJ() override { book_->UpdateZPDJ(); }

 private:
  bool writeLockFree() const {
    db::Connection probe;
    probe.open(connectString_);
    probe.setCommandTimeout(1);
    try {
      probe.beginTrans();
      probe.rollbackTrans();
      return true;
    } catch (const RuntimeError&) {
      return false;
    }
  }

  std::unique_ptr<ChequeBook> book_ = EmbeddedChequeComponents().book();
  std::string connectString_;
  std::vector<bool>& lockFree_;
};

// BX2026010001 pays its 1500 by cheque ZP0001 from the bank account 1002; the cheque book notes
// whether the request still held the write lock when it was asked.
class ChequeRegistrationTest : public CMakePZTest {
 protected:
  void SetUp() override {
    CMakePZTest::SetUp();
    account_.execute(
        "UPDATE KX_BalanceInfo SET strBalanceID = '2', strBillID = 'ZP0001' WHERE GUID = "
        "'{0E1F2A3B-0000-4000-8000-000000000012}'");
    account_.execute(
        "INSERT INTO KX_PzSet_OP (strOperatType, strBalanceType, strBankID, strCurrency, strSubject) "
        "VALUES ('付款', '2', '', '人民币', '1002')");
    ChequeComponents cheques = EmbeddedChequeComponents();
    cheques.book = [this] { return std::make_unique<LockProbingBook>(account_.connectString(), lockFree_); };
    host_.cheques = cheques;
  }

  void expectRegisteredOutsideTheRequestsLock(const XmlDocument& reply) {
    EXPECT_TRUE(reply.selectSingleNode("//func/out").firstChild().isNull()) << reply.xml();
    EXPECT_EQ(lockFree_, std::vector<bool>{true});
    EXPECT_EQ(rows("select cn_id, cCode, mc, cperson, bWritten from ChequeBook"),
              std::vector<std::string>{"ZP0001|1002|1500|王海涛|True"});
    EXPECT_EQ(rows("select count(*) from KX_ExpenVouch where AutoID = 3 and PZGUID = (select max(coutno_id) from "
                   "GL_accvouch)"),
              std::vector<std::string>{"1"});
  }

  std::string claimTs() { return rows("select Cast(ts As money) from KX_ExpenVouch where AutoID = 3").front(); }

  std::vector<bool> lockFree_;
};

TEST_F(ChequeRegistrationTest, MakepzRegistersTheChequesAfterItsCommit) {
  const std::string claim = voucherRow("201", kExpenseClaim, "BX2026010001", " ts='" + claimTs() + "'");
  expectRegisteredOutsideTheRequestsLock(serve(makepz(claim, "<blnTemp>0</blnTemp><daily>" + claim + "</daily>")));
}

TEST_F(ChequeRegistrationTest, AnEditedDraftRegistersTheChequesAfterItsCommit) {
  const XmlDocument shown = serve(preview(voucherRow("201", kExpenseClaim, "BX2026010001")));
  std::string lines;
  for (const XmlNode& row : shown.selectNodes("//func/out/Rows/row")) lines += row.xml();
  const std::string claim = voucherRow("201", kExpenseClaim, "BX2026010001", " ts='" + claimTs() + "'");
  expectRegisteredOutsideTheRequestsLock(
      serve("<req><func name='SaveTempPZData'><in csign='记' dbill_date='2026-01-31'/><daily>" + claim +
            "</daily><Rows>" + lines + "</Rows></func></req>"));
}

}  // namespace
}  // namespace corvane
