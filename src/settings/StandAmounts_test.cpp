#include "settings/StandAmounts.h"

#include <gtest/gtest.h>

#include "support/StandTestAccount.h"

namespace corvane {
namespace {

const std::string kAllowanceText(kAllowance);

std::string setRequest(const std::string& rows) {
  return "<req><func name='saveset'><in><stand GUID='" + kAllowanceText + "'><rows>" + rows +
         "</rows></stand></in></func></req>";
}

// The rows of the allowance standard other than its two demo bands.
std::string newRows(StandTestAccount& stand) {
  return stand.rows(
      "SELECT ISNULL(strField1,'~') AS f1,ISNULL(strField2,'~') AS f2,ISNULL(strField3,'~') AS f3,"
      "ISNULL(strField4,'~') AS f4,dblMoney,dblRate FROM KX_StandSet WHERE GUIDStand = '" +
      kAllowanceText + "' AND GUID NOT LIKE '{5A7D100%' ORDER BY dblMoney");
}

TEST(StandAmounts, SaveSetInsertsRowsThatNameAValueAndARateUpTo100) {
  struct Case {
    const char* name;
    std::string rows;
    std::string after;      // "~" marks a Null value code
    std::string errorText;  // empty: success
  };
  const Case cases[] = {
      {"only a band; absent codes are Null, an empty one is empty text",
       "<r P='1' strMonID='03' strToolID='' dblMoney='300' dblRate='100'/>",
       "<row f1='~' f2='~' f3='' f4='03' dblMoney='300' dblRate='100'/>\r\n", ""},
      {"a negative rate", "<r P='1' strPerID='01' dblMoney='12.5' dblRate='-5'/>",
       "<row f1='01' f2='~' f3='~' f4='~' dblMoney='12.5' dblRate='-5'/>\r\n", ""},
      {"no value code", "<r P='1' dblMoney='1' dblRate='1'/>", "", "标准金额至少要选择一个影响因素的取值。"},
      {"a rate above 100", "<r P='1' strPerID='01' dblMoney='1' dblRate='100.01'/>", "", "比例不能大于100。"},
      {"a rate above 100 by less than a double tells",
       "<r P='1' strPerID='01' dblMoney='1' dblRate='100.000000000000001'/>", "", "比例不能大于100。"},
      {"a rate beyond the exact range", "<r P='1' strPerID='01' dblMoney='1' dblRate='1e30'/>", "",
       "比例不能大于100。"},
      {"a second row with the same codes, Nulls included",
       "<r P='1' strPerID='01' dblMoney='1' dblRate='1'/><r P='1' strPerID='01' dblMoney='2' dblRate='2'/>", "",
       "影响因素取值的组合已存在。"},
      {"a band the demo already has", "<r P='1' strMonID='01' dblMoney='1' dblRate='1'/>", "",
       "影响因素取值的组合已存在。"},
      {"an amount that is no number", "<r P='1' strPerID='01' dblMoney='1); DELETE FROM KX_StandSet; --' dblRate='1'/>",
       "", "Type mismatch"},
      {"a rate that is no number", "<r P='1' strPerID='01' dblMoney='1' dblRate='abc'/>", "", "Type mismatch"},
      {"an unknown P", "<r P='x' strPerID='01' dblMoney='1' dblRate='1'/>", "", "无法识别记录的保存方式。"},
  };
  for (const Case& c : cases) {
    StandTestAccount stand;
    const std::string reply = stand.serve(setRequest(c.rows));
    EXPECT_EQ(textAt(reply, "//out/error/text"), c.errorText) << c.name << "\n" << reply;
    EXPECT_EQ(newRows(stand), c.after) << c.name;
    EXPECT_EQ(stand.value("SELECT count(*) FROM KX_StandSet"), c.errorText.empty() ? "7" : "6") << c.name;
  }
}

TEST(StandAmounts, SaveSetUpdatesAndDeletesByRowVersion) {
  struct Case {
    const char* name;
    std::string row;  // "@" is the current ts of the 5000 band row
    std::string after;
    std::string errorText;
  };
  const std::string row = "GUID='{5A7D1006-0000-4000-8000-000000000006}' ";
  const Case cases[] = {
      {"update", "<r P='2' " + row + "ts='@' strMonID='02' strPerID='02' dblMoney='4800.5' dblRate='90'/>",
       "<row strField1='02' strField4='02' dblMoney='4800.5' dblRate='90'/>\r\n", ""},
      {"update with a stale ts", "<r P='2' " + row + "ts='7' strMonID='02' dblMoney='1' dblRate='1'/>",
       "<row strField1='' strField4='02' dblMoney='5000' dblRate='80'/>\r\n", "记录已被他人修改或删除，请刷新后重试。"},
      {"update onto another row's codes", "<r P='2' " + row + "ts='@' strMonID='01' dblMoney='1' dblRate='1'/>",
       "<row strField1='' strField4='02' dblMoney='5000' dblRate='80'/>\r\n", "影响因素取值的组合已存在。"},
      {"update with a rate above 100", "<r P='2' " + row + "ts='@' strMonID='02' dblMoney='1' dblRate='101'/>",
       "<row strField1='' strField4='02' dblMoney='5000' dblRate='80'/>\r\n", "比例不能大于100。"},
      {"delete", "<r P='3' " + row + "ts='@'/>", "", ""},
      {"delete with a stale ts", "<r P='3' " + row + "ts='7'/>",
       "<row strField1='' strField4='02' dblMoney='5000' dblRate='80'/>\r\n", "记录已被他人修改或删除，请刷新后重试。"},
  };
  for (const Case& c : cases) {
    StandTestAccount stand;
    std::string rowXml = c.row;
    if (const auto at = rowXml.find("ts='@'"); at != std::string::npos) {
      rowXml.replace(
          at + 4, 1,
          stand.value(
              "SELECT Cast(ts As money) FROM KX_StandSet WHERE GUID = '{5A7D1006-0000-4000-8000-000000000006}'"));
    }
    const std::string reply = stand.serve(setRequest(rowXml));
    EXPECT_EQ(textAt(reply, "//out/error/text"), c.errorText) << c.name << "\n" << reply;
    EXPECT_EQ(stand.rows("SELECT strField1,strField4,dblMoney,dblRate FROM KX_StandSet "
                         "WHERE GUID = '{5A7D1006-0000-4000-8000-000000000006}'"),
              c.after)
        << c.name;
  }
}

TEST(StandAmounts, GetSetAnswersTheRowsWithTheirValueNames) {
  struct Case {
    std::string guid;
    std::string rows;
  };
  const Case cases[] = {
      {kAllowanceText,
       "<Rows><row strPerID=\"\" strPerName=\"\" strZeroID=\"\" strZeroName=\"\" strToolID=\"\" strToolName=\"\" "
       "strMonID=\"01\" strMonName=\"1000\" dblMoney=\"1000\" dblRate=\"100\" ts=\"@1\" "
       "GUID=\"{5A7D1005-0000-4000-8000-000000000005}\"/><row strPerID=\"\" strPerName=\"\" strZeroID=\"\" "
       "strZeroName=\"\" strToolID=\"\" strToolName=\"\" strMonID=\"02\" strMonName=\"5000\" dblMoney=\"5000\" "
       "dblRate=\"80\" ts=\"@2\" GUID=\"{5A7D1006-0000-4000-8000-000000000006}\"/></Rows>"},
      {"{a standard without rows}", "<out><Rows/></out>"},
  };
  for (const Case& c : cases) {
    StandTestAccount stand;
    std::string expected = c.rows;
    for (const auto& [mark, guid] : {std::pair{"@1", "{5A7D1005-0000-4000-8000-000000000005}"},
                                     std::pair{"@2", "{5A7D1006-0000-4000-8000-000000000006}"}}) {
      if (const auto at = expected.find(mark); at != std::string::npos) {
        expected.replace(
            at, 2, stand.value(std::string("SELECT Cast(ts As money) FROM KX_StandSet WHERE GUID = '") + guid + "'"));
      }
    }
    const std::string reply = stand.serve("<req><func name='getset'><in><x GUID='" + c.guid + "'/></in></func></req>");
    EXPECT_NE(reply.find(expected), std::string::npos) << c.guid << "\n" << reply;
  }
}

}  // namespace
}  // namespace corvane
