#include "claims/ExpenseStandardCheck.h"

#include <gtest/gtest.h>

#include <string>

#include "support/VoucherTestAccount.h"

namespace corvane {
namespace {

constexpr const char* kLodging = "{5A7D0001-0000-4000-8000-000000000001}";    // demo, strict, grades
constexpr const char* kAllowance = "{5A7D0002-0000-4000-8000-000000000002}";  // demo, prompting, bands
constexpr const char* kOffice = "{7B000001-0000-4000-8000-000000000001}";     // no effect items
constexpr const char* kHosting = "{7B000002-0000-4000-8000-000000000002}";    // bands 100 and 300
constexpr const char* kTravel = "{7B000003-0000-4000-8000-000000000003}";     // transport tool

// The demo standards, grades for three claimants, and three standards of the technical
// department: office costs of 100 a unit with half the excess allowed, hosting by the amount
// bands 100 and 300, and travel by transport tool (strict, stored with the strict word).
class ExpenseStandardCheckTest : public VoucherTestAccount {
 protected:
  ExpenseStandardCheckTest() {
    for (const char* sql : {
             "INSERT INTO KX_PersonCtrl (strPersonCode, strGradeID) VALUES ('0001', '01'), ('0003', '02'), "
             "('0004', NULL), ('0010', '01')",
             "INSERT INTO KX_Expense (GUID, strStandName, strIOItemCode, strControlType) VALUES "
             "('{7B000001-0000-4000-8000-000000000001}', '办公费标准', '202', '提示'), "
             "('{7B000002-0000-4000-8000-000000000002}', '招待费标准', '203', '提示'), "
             "('{7B000003-0000-4000-8000-000000000003}', '交通费标准', '20101', '严格控制')",
             "INSERT INTO KX_ExpenseDepart (GuidMain, strDepartID) VALUES "
             "('{7B000001-0000-4000-8000-000000000001}', '04'), ('{7B000002-0000-4000-8000-000000000002}', '04'), "
             "('{7B000003-0000-4000-8000-000000000003}', '04')",
             "INSERT INTO KX_EffectItem (GUIDStand, intEDCode) VALUES "
             "('{7B000002-0000-4000-8000-000000000002}', 4), ('{7B000003-0000-4000-8000-000000000003}', 3)",
             "INSERT INTO KX_EISet_Stand (GUIDStand, intEICode, strEICode, strEIName) VALUES "
             "('{7B000002-0000-4000-8000-000000000002}', 4, 'B2', '300'), "
             "('{7B000002-0000-4000-8000-000000000002}', 4, 'B1', '100')",
             "INSERT INTO KX_StandSet (GUID, GUIDStand, strField1, strField2, strField3, strField4, dblMoney, "
             "dblRate) VALUES "
             "('{7B001001-0000-4000-8000-000000000001}', '{7B000001-0000-4000-8000-000000000001}', NULL, NULL, "
             "NULL, NULL, 100, 50), "
             "('{7B001002-0000-4000-8000-000000000002}', '{7B000002-0000-4000-8000-000000000002}', NULL, NULL, "
             "NULL, 'B2', 200, 0), "
             "('{7B001003-0000-4000-8000-000000000003}', '{7B000002-0000-4000-8000-000000000002}', NULL, NULL, "
             "NULL, 'B1', 80, 0), "
             "('{7B001004-0000-4000-8000-000000000004}', '{7B000003-0000-4000-8000-000000000003}', NULL, NULL, "
             "'01', NULL, 2000, 0)",
         }) {
      connection_.execute(sql);
    }
  }
};

StandardCheckLine line(const char* item, const char* department, double vouch, double money, double number) {
  StandardCheckLine checked;
  checked.strIOItem = item;
  checked.strDepartID = department;
  checked.dblVouch = Currency::fromDouble(vouch);
  checked.dblMoney = Currency::fromDouble(money);
  checked.dblNumber = Factor::of(Variant::dbl(number));
  return checked;
}

TEST_F(ExpenseStandardCheckTest, AllowedAmountFollowsTotalRateAndVoucher) {
  struct Case {
    const char* name;
    StandardCheckLine line;
    double allowed;
    std::string message;
  };
  const Case cases[] = {
      {"within the total and the excess allowed of the voucher", line("202", "04", 260, 230, 2), 230, ""},
      {"a cent over the allowed excess", line("202", "04", 260, 231, 2), 230,
       msg("Z7.Corvane.0038", "231.00", "办公费标准", "1.00")},
      {"under the total whatever the voucher", line("202", "04", 900, 150, 2), 150, ""},
      {"over the total without a voucher", line("202", "04", 0, 250, 2), 200,
       msg("Z7.Corvane.0038", "250.00", "办公费标准", "50.00")},
      {"quantity 0 counts as 1", line("202", "04", 0, 101, 0), 100,
       msg("Z7.Corvane.0038", "101.00", "办公费标准", "1.00")},
      {"nothing claimed", line("202", "04", 0, 0, 1), 0, ""},
      {"amounts grouped by thousands", line("202", "04", 0, 1234.5, 1), 100,
       msg("Z7.Corvane.0038", "1,234.50", "办公费标准", "1,134.50")},
      {"a half cent claimed rounds up", line("202", "04", 0, 100.005, 1), 100,
       msg("Z7.Corvane.0038", "100.01", "办公费标准", "0.01")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const StandardCheckResult result = CheckExpenseStand(connection_, c.line);
    EXPECT_EQ(result.standardGuid, kOffice);
    EXPECT_FALSE(result.strict);
    EXPECT_DOUBLE_EQ(result.allowed.toDouble(), c.allowed);
    EXPECT_EQ(result.message, c.message);
    EXPECT_EQ(result.exceeded(), !c.message.empty());
  }
}

TEST_F(ExpenseStandardCheckTest, LinesWithoutAStandardOrWithNegativeAmountsPass) {
  struct Case {
    const char* name;
    StandardCheckLine line;
  };
  const Case cases[] = {
      {"an item without a standard in the department", line("202", "01", 0, 9999, 1)},
      {"an item without any standard", line("101", "04", 0, 9999, 1)},
      {"neither item nor department", line("", "", 0, 9999, 1)},
      {"a negative voucher amount", line("202", "04", -1, 9999, 1)},
      {"a negative claimed amount", line("202", "04", 0, -9999, 1)},
      {"a negative quantity", line("202", "04", 0, 9999, -1)},
      {"an apostrophe in the item names nothing", line("202' Or '1'='1", "04", 0, 9999, 1)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const StandardCheckResult result = CheckExpenseStand(connection_, c.line);
    EXPECT_EQ(result.standardGuid, "");
    EXPECT_FALSE(result.exceeded());
  }
}

TEST_F(ExpenseStandardCheckTest, EffectItemsSelectTheAmountRow) {
  struct Case {
    const char* name;
    StandardCheckLine line;
    const char* claimant;
    const char* endPlace;
    const char* tool;
    const char* standard;
    bool strict;
    std::string message;
  };
  const Case cases[] = {
      {"manager in a first-class place: 500", line("20102", "01", 0, 500, 1), "0001", "101", "", kLodging, true, ""},
      {"manager in a second-class place: 400", line("20102", "01", 0, 401, 1), "0001", "102", "", kLodging, true,
       msg("Z7.Corvane.0038", "401.00", "住宿费标准", "1.00")},
      {"clerk, two nights in a district of grade 01: 700", line("20102", "02", 0, 700, 2), "0003", "10101", "",
       kLodging, true, ""},
      {"no claimant", line("20102", "01", 0, 100, 1), "", "101", "", kLodging, true,
       msg("Z7.Corvane.0029", "住宿费标准")},
      {"a claimant without person settings", line("20102", "01", 0, 100, 1), "0002", "101", "", kLodging, true,
       msg("Z7.Corvane.0030", "住宿费标准")},
      {"a claimant without grade", line("20102", "01", 0, 100, 1), "0004", "101", "", kLodging, true,
       msg("Z7.Corvane.0031", "住宿费标准")},
      {"no end place", line("20102", "01", 0, 100, 1), "0001", "", "", kLodging, true,
       msg("Z7.Corvane.0032", "住宿费标准")},
      {"an unknown end place", line("20102", "01", 0, 100, 1), "0001", "999", "", kLodging, true,
       msg("Z7.Corvane.0033", "住宿费标准")},
      {"an end place without grade", line("20102", "01", 0, 100, 1), "0001", "1", "", kLodging, true,
       msg("Z7.Corvane.0034", "住宿费标准")},
      {"no transport tool", line("20101", "04", 0, 100, 1), "0010", "", "", kTravel, true,
       msg("Z7.Corvane.0035", "交通费标准")},
      {"a tool with an amount", line("20101", "04", 0, 2000, 1), "0010", "", "01", kTravel, true, ""},
      {"a tool without an amount", line("20101", "04", 0, 100, 1), "0010", "", "02", kTravel, true,
       msg("Z7.Corvane.0037", "交通费标准")},
      {"bands: no voucher amount", line("203", "04", 0, 50, 1), "0010", "", "", kHosting, false,
       msg("Z7.Corvane.0036", "招待费标准")},
      {"bands: 100 a unit takes the band of 100", line("203", "04", 200, 161, 2), "0010", "", "", kHosting, false,
       msg("Z7.Corvane.0038", "161.00", "招待费标准", "1.00")},
      {"bands: 100.01 takes the band of 300", line("203", "04", 100.01, 100.01, 1), "0010", "", "", kHosting, false,
       ""},
      {"bands: above 300 there is no amount", line("203", "04", 300.01, 10, 1), "0010", "", "", kHosting, false,
       msg("Z7.Corvane.0037", "招待费标准")},
      {"bands: quantity 0 divides by 1", line("203", "04", 100, 81, 0), "0010", "", "", kHosting, false,
       msg("Z7.Corvane.0038", "81.00", "招待费标准", "1.00")},
      {"demo allowance: 4000 in the band of 5000", line("20103", "0301", 4000, 4000, 1), "0005", "", "", kAllowance,
       false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StandardCheckLine checked = c.line;
    checked.strLoanID = c.claimant;
    checked.strEZero = c.endPlace;
    checked.strJTTools = c.tool;
    const StandardCheckResult result = CheckExpenseStand(connection_, checked);
    EXPECT_EQ(result.standardGuid, c.standard);
    EXPECT_EQ(result.strict, c.strict);
    EXPECT_EQ(result.message, c.message);
  }
}

TEST_F(ExpenseStandardCheckTest, ForeignAmountsAreComparedInTheHomeCurrency) {
  connection_.execute(
      "INSERT INTO foreigncurrency (cexch_name, cexch_code, bcal, idec, nerror, iotherused) "
      "VALUES ('日元', 'JPY', 0, 2, 0, 0)");
  struct Case {
    const char* name;
    const char* currency;
    double rate;
    double money;
    std::string message;
  };
  const Case cases[] = {
      {"multiplied by the rate: 20 is 150", "美元", 7.5, 20, msg("Z7.Corvane.0038", "150.00", "办公费标准", "50.00")},
      {"multiplied by the rate: 100 is 750", "美元", 7.5, 100,
       msg("Z7.Corvane.0038", "750.00", "办公费标准", "650.00")},
      {"divided by the rate: 1500 is 75", "日元", 20, 1500, ""},
      {"the home currency is not converted", "人民币", 7.5, 100, ""},
      {"rate 0 leaves the amount as it is", "美元", 0, 100, ""},
      {"an unknown currency leaves the amount as it is", "欧元", 7.5, 100, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StandardCheckLine checked = line("202", "04", 0, c.money, 1);
    checked.strBill = c.currency;
    checked.fltRate = Factor::of(Variant::dbl(c.rate));
    EXPECT_EQ(CheckExpenseStand(connection_, checked).message, c.message);
  }
}

TEST_F(ExpenseStandardCheckTest, DatabaseFailureBecomesTheFinding) {
  connection_.execute("DROP TABLE KX_StandSet");
  const StandardCheckResult result = CheckExpenseStand(connection_, line("202", "04", 0, 100, 1));
  EXPECT_EQ(result.standardGuid, kOffice);
  EXPECT_TRUE(result.exceeded());
  EXPECT_NE(result.message.find("KX_StandSet"), std::string::npos) << result.message;
}

TEST_F(ExpenseStandardCheckTest, AmountBandsBelongToTheStandardOfItemAndDepartment) {
  struct Case {
    const char* item;
    const char* department;
    bool banded;
  };
  const Case cases[] = {
      {"203", "04", true},  {"20103", "0301", true}, {"20103", "01", false},
      {"202", "04", false}, {"", "04", false},       {"203' Or '1'='1", "04", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.item) + "/" + c.department);
    EXPECT_EQ(HasAmountBand(connection_, c.item, c.department), c.banded);
  }
}

TEST_F(ExpenseStandardCheckTest, FormShowsTheStandardOfEachLine) {
  struct Case {
    const char* name;
    const char* department;
    const char* claimant;
    const char* line;    // attributes of the one line
    const char* answer;  // empty: the line gets no answer
  };
  const Case cases[] = {
      {"a standard without effect items", "04", "0010", "strIOItem='202' dblVouch='10'", ""},
      {"bands compare the voucher amount itself", "04", "0010", "strIOItem='203' dblVouch='150' dblNumber='2'",
       "<row id=\"r\" strControlType=\"提示\" dblMoney=\"200\" dblRate=\"0\"/>"},
      {"the lowest band that holds it", "04", "0010", "strIOItem='203' dblVouch='50'",
       "<row id=\"r\" strControlType=\"提示\" dblMoney=\"80\" dblRate=\"0\"/>"},
      {"bands without a voucher amount", "04", "0010", "strIOItem='203' dblVouch=''", ""},
      {"bands with a voucher amount that is no number", "04", "0010", "strIOItem='203' dblVouch='1 Or 1=1'", ""},
      {"a transport tool", "04", "0010", "strIOItem='20101' strjttools='01'",
       "<row id=\"r\" strControlType=\"严格控制\" dblMoney=\"2000\" dblRate=\"0\"/>"},
      {"no transport tool", "04", "0010", "strIOItem='20101'", ""},
      {"grades of claimant and place", "01", "0001", "strIOItem='20102' strezero='102'",
       "<row id=\"r\" strControlType=\"严格控制\" dblMoney=\"400\" dblRate=\"100\"/>"},
      {"a place that is not kept matches nothing", "01", "0001", "strIOItem='20102' strezero='999'", ""},
      {"a claimant without settings matches by his code", "01", "0002", "strIOItem='20102' strezero='101'", ""},
      {"no claimant", "01", "", "strIOItem='20102' strezero='101'", ""},
      {"an item without a standard", "04", "0010", "strIOItem='101'", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FuncCall stand = call(std::string("<req><func name='GetStand'><in><Rows><z:row row='r' strDepartID='") +
                          c.department + "' strLoanID='" + c.claimant + "' " + c.line + "/></Rows></in></func></req>");
    ASSERT_TRUE(GetStand(stand)) << reply_.xml();
    const XmlNode answer = reply_.selectSingleNode("/Rows/row");
    EXPECT_EQ(answer ? answer.xml() : std::string(), c.answer);
  }

  // Several lines answer in their order; the key of a line comes back escaped.
  FuncCall stand = call(
      "<req><func name='GetStand'><in><Rows>"
      "<z:row row='1&apos;&lt;' strDepartID='04' strLoanID='0010' strIOItem='203' dblVouch='50'/>"
      "<z:row row='2' strIOItem='202'/><z:row row='3' strIOItem='20101' strjttools='01'/>"
      "</Rows></in></func></req>");
  ASSERT_TRUE(GetStand(stand)) << reply_.xml();
  std::string ids;
  for (const XmlNode& row : reply_.selectNodes("/Rows/row")) ids += row.attribute("id") + "|";
  EXPECT_EQ(ids, "1'<|3|");

  FuncCall empty = call("<req><func name='GetStand'><in><Rows/></in></func></req>");
  ASSERT_TRUE(GetStand(empty));
  EXPECT_TRUE(reply_.selectSingleNode("/Rows"));
  EXPECT_FALSE(reply_.selectSingleNode("/Rows/row"));

  FuncCall broken = call("<req><func name='GetStand'><in/></func></req>");
  EXPECT_FALSE(GetStand(broken));
  EXPECT_EQ(reply_.selectSingleNode("/error/id").text(), "Corvane:CExpense:GetStand:91") << reply_.xml();
}

}  // namespace
}  // namespace corvane
