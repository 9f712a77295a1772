#include "settings/StandRecords.h"

#include <gtest/gtest.h>

#include "support/StandTestAccount.h"

namespace corvane {
namespace {

const std::string kLodgingText(kLodging);
const std::string kAllowanceText(kAllowance);

std::string standRequest(const std::string& rows) {
  return "<req><func name='savestand'><in><rows>" + rows + "</rows></in></func></req>";
}

std::string standTs(StandTestAccount& stand, const std::string& guid) {
  return stand.value("SELECT Cast(ts As money) FROM KX_Expense WHERE GUID = '" + guid + "'");
}

TEST(StandRecords, GetStandShowsTheControlTypeInTheRequestsWords) {
  struct Case {
    const char* locale;
    const char* lodging;
    const char* allowance;
  };
  const Case cases[] = {
      {"zh-CN", "严格控制", "提示"},
      {"en-us", "Strict control", "Prompt"},
  };
  for (const Case& c : cases) {
    StandTestAccount stand;
    const std::string reply = stand.serve("<req><func name='getstand'><in><x/></in></func></req>", "demo", c.locale);
    EXPECT_NE(reply.find("<Rows><row GUID=\"" + kLodgingText + "\" ts=\"" + standTs(stand, kLodgingText) +
                         "\" strStandName=\"住宿费标准\" strIOCode=\"20102\" strControlType=\"" + c.lodging +
                         "\" strIOName=\"住宿费\"/><row GUID=\"" + kAllowanceText + "\" ts=\"" +
                         standTs(stand, kAllowanceText) + "\" strStandName=\"出差补助标准\" strIOCode=\"20103\" " +
                         "strControlType=\"" + c.allowance + "\" strIOName=\"出差补助\"/></Rows>"),
              std::string::npos)
        << reply;
  }
}

TEST(StandRecords, GetStandOnAnEmptyTableAnswersEmptyRows) {
  StandTestAccount stand;
  for (const char* table : {"KX_ExpenseDepart", "KX_EISet_Stand", "KX_Expense"}) {
    stand.account().execute(std::string("DELETE FROM ") + table);
  }
  const std::string reply = stand.serve("<req><func name='getstand'><in><x/></in></func></req>");
  EXPECT_NE(reply.find("<out><Rows/></out>"), std::string::npos) << reply;
}

TEST(StandRecords, SaveStandInsertsUpdatesAndDeletes) {
  struct Case {
    const char* name;
    std::string rows;       // "@L" / "@E": the ts of the lodging / allowance standard
    std::string errorText;  // empty: success
    std::string query;
    std::string after;
  };
  const std::string lodging = "GUID='" + kLodgingText + "' ";
  const std::string ents = "GUID='" + kAllowanceText + "' ";
  const Case cases[] = {
      {"prompt in the request's words is stored as prompt; anything else as strict",
       "<r P='1' strStandName=\"O'Neil 标准\" strIOCode='202' strControlType='提示'/>"
       "<r P='1' strStandName='办公标准' strIOCode='202' strControlType=''/>",
       "", "SELECT strStandName,strControlType FROM KX_Expense WHERE strIOItemCode = '202' ORDER BY strStandName",
       "<row strStandName='O&apos;Neil 标准' strControlType='提示'/>\r\n<row strStandName='办公标准' "
       "strControlType='严格控制'/>\r\n"},
      {"missing name", "<r P='1' strIOCode='202' strControlType='提示'/>", "报销标准名称不能为空。",
       "SELECT count(*) AS n FROM KX_Expense", "<row n='2'/>\r\n"},
      {"missing item", "<r P='1' strStandName='x' strControlType='提示'/>", "收支项目不能为空。",
       "SELECT count(*) AS n FROM KX_Expense", "<row n='2'/>\r\n"},
      {"missing control type", "<r P='2' " + lodging + "ts='@L' strStandName='x' strIOCode='202'/>",
       "控制方式不能为空。", "SELECT count(*) AS n FROM KX_Expense", "<row n='2'/>\r\n"},
      {"duplicate name on insert", "<r P='1' strStandName='住宿费标准' strIOCode='202' strControlType='提示'/>",
       "报销标准名称已存在。", "SELECT count(*) AS n FROM KX_Expense", "<row n='2'/>\r\n"},
      {"duplicate name on update",
       "<r P='2' " + ents + "ts='@E' strStandName='住宿费标准' strIOCode='20103' strControlType='提示'/>",
       "报销标准名称已存在。", "SELECT strStandName FROM KX_Expense WHERE strIOItemCode = '20103'",
       "<row strStandName='出差补助标准'/>\r\n"},
      {"an update keeping the item",
       "<r P='2' " + lodging + "ts='@L' strStandName='住宿标准' strIOCode='20102' strControlType='Prompt'/>", "",
       "SELECT strStandName,strControlType FROM KX_Expense WHERE strIOItemCode = '20102'",
       "<row strStandName='住宿标准' strControlType='严格控制'/>\r\n"},
      {"a stale ts", "<r P='2' " + lodging + "ts='3' strStandName='住宿标准' strIOCode='20102' strControlType='提示'/>",
       "记录已被他人修改或删除，请刷新后重试。", "SELECT strStandName FROM KX_Expense WHERE strIOItemCode = '20102'",
       "<row strStandName='住宿费标准'/>\r\n"},
      {"a ts that is no number", "<r P='3' " + lodging + "ts='1 Or 1=1'/>", "记录已被他人修改或删除，请刷新后重试。",
       "SELECT count(*) AS n FROM KX_Expense", "<row n='2'/>\r\n"},
      {"a standard with departments", "<r P='3' " + lodging + "ts='@L'/>", "该报销标准已设置部门，不能删除。",
       "SELECT count(*) AS n FROM KX_Expense", "<row n='2'/>\r\n"},
      {"an unknown P", "<r P='0' " + lodging + "ts='@L'/>", "无法识别记录的保存方式。",
       "SELECT count(*) AS n FROM KX_Expense", "<row n='2'/>\r\n"},
      {"an unknown item is the database's own text",
       "<r P='1' strStandName='x' strIOCode='999' strControlType='提示'/>",
       "The INSERT statement conflicted with the FOREIGN KEY constraint \"FK_KX_Expense_KX_IOItem\". The conflict "
       "occurred in database \"corvane\", table \"dbo.KX_IOItem\", column 'strCode'.",
       "SELECT count(*) AS n FROM KX_Expense", "<row n='2'/>\r\n"},
  };
  for (const Case& c : cases) {
    StandTestAccount stand;
    std::string rows = c.rows;
    for (const auto& [mark, guid] : {std::pair{"@L", kLodgingText}, std::pair{"@E", kAllowanceText}}) {
      if (const auto at = rows.find(mark); at != std::string::npos) rows.replace(at, 2, standTs(stand, guid));
    }
    const std::string reply = stand.serve(standRequest(rows));
    EXPECT_EQ(textAt(reply, "//out/error/text"), c.errorText) << c.name << "\n" << reply;
    EXPECT_EQ(stand.rows(c.query), c.after) << c.name;
  }
}

TEST(StandRecords, DeletingAStandardNeedsItsDepartmentsAndBandsGone) {
  struct Case {
    const char* name;
    const char* cleared;
    const char* errorText;
  };
  const Case cases[] = {
      {"departments left", "DELETE FROM KX_EISet_Stand", "该报销标准已设置部门，不能删除。"},
      {"bands left", "DELETE FROM KX_ExpenseDepart", "该报销标准已设置影响因素取值，不能删除。"},
      {"nothing left", "DELETE FROM KX_ExpenseDepart; DELETE FROM KX_EISet_Stand", ""},
  };
  for (const Case& c : cases) {
    StandTestAccount stand;
    if (*c.cleared) stand.account().execute(c.cleared);
    const std::string reply = stand.serve(
        standRequest("<r P='3' GUID='" + kAllowanceText + "' ts='" + standTs(stand, kAllowanceText) + "'/>"));
    EXPECT_EQ(textAt(reply, "//out/error/text"), c.errorText) << c.name << "\n" << reply;
    const std::string left = *c.errorText ? "1" : "0";
    EXPECT_EQ(stand.value("SELECT count(*) FROM KX_Expense WHERE GUID = '" + kAllowanceText + "'"), left) << c.name;
    // the choice of items and the amount rows go with the standard
    EXPECT_EQ(stand.value("SELECT count(*) FROM KX_StandSet WHERE GUIDStand = '" + kAllowanceText + "'"),
              *c.errorText ? "2" : "0")
        << c.name;
    EXPECT_EQ(stand.value("SELECT count(*) FROM KX_EffectItem WHERE GUIDStand = '" + kAllowanceText + "'"), left)
        << c.name;
  }
}

// Moving a standard to an item fails when another standard of that item has one of its
// departments.
TEST(StandRecords, ChangingTheItemChecksTheDepartments) {
  struct Case {
    const char* name;
    const char* otherDepartment;  // given to the allowance standard (item 20103)
    const char* errorText;
  };
  const Case cases[] = {
      {"shared department", "02", "收支项目“出差补助”的其他报销标准已包含报销标准“住宿新标准”的部门。"},
      {"no shared department", "04", ""},
  };
  for (const Case& c : cases) {
    StandTestAccount stand;
    stand.account().execute("INSERT INTO KX_ExpenseDepart (GuidMain, strDepartID) VALUES ('" + kAllowanceText + "', '" +
                            c.otherDepartment + "')");
    const std::string reply =
        stand.serve(standRequest("<r P='2' GUID='" + kLodgingText + "' ts='" + standTs(stand, kLodgingText) +
                                 "' strStandName='住宿新标准' strIOCode='20103' strControlType='提示'/>"));
    EXPECT_EQ(textAt(reply, "//out/error/text"), c.errorText) << c.name << "\n" << reply;
    EXPECT_EQ(stand.value("SELECT strIOItemCode FROM KX_Expense WHERE GUID = '" + kLodgingText + "'"),
              *c.errorText ? "20102" : "20103")
        << c.name;
  }
}

std::string departRequest(const std::string& guid, const std::string& departments) {
  return "<req><func name='savedepart'><in><stand GUID='" + guid + "'>" + departments + "</stand></in></func></req>";
}

std::string departments(StandTestAccount& stand, const std::string& guid) {
  return stand.rows("SELECT strDepartID FROM KX_ExpenseDepart WHERE GuidMain = '" + guid + "' ORDER BY strDepartID");
}

TEST(StandRecords, SaveDepartReplacesTheDepartments) {
  struct Case {
    const char* name;
    std::string departments;
    std::string after;
    std::string errorText;
  };
  const Case cases[] = {
      {"none: every leaf offered", "", "", ""},
      {"a department of another standard of another item", "<d id='0301'/><d id='04'/>",
       "<row strDepartID='0301'/>\r\n<row strDepartID='04'/>\r\n", ""},
      {"an unknown department; the delete is undone", "<d id='04'/><d id=\"9'9\"/>",
       "<row strDepartID='01'/>\r\n<row strDepartID='02'/>\r\n", "部门编码9'9不存在。"},
      {"the same department twice", "<d id='04'/><d id='04'/>",
       "<row strDepartID='01'/>\r\n<row strDepartID='02'/>\r\n",
       "Violation of PRIMARY KEY constraint 'PK_KX_ExpenseDepart'. Cannot insert duplicate key in object "
       "'dbo.KX_ExpenseDepart'."},
  };
  for (const Case& c : cases) {
    StandTestAccount stand;
    const std::string reply = stand.serve(departRequest(kLodgingText, c.departments));
    EXPECT_EQ(textAt(reply, "//out/error/text"), c.errorText) << c.name << "\n" << reply;
    EXPECT_EQ(departments(stand, kLodgingText), c.after) << c.name;
    if (c.departments.empty()) {
      EXPECT_NE(reply.find("<Rows><row cDepCode=\"01\" cDepName=\"总经理办公室\" GUID=\"\"/>"), std::string::npos)
          << reply;
      EXPECT_EQ(reply.find("cDepCode=\"03\""), std::string::npos) << "not a leaf: " << reply;
    }
  }
}

TEST(StandRecords, SaveDepartRefusesADepartmentOfAnotherStandardOfTheSameItem) {
  StandTestAccount stand;
  stand.account().execute(
      "INSERT INTO KX_Expense (GUID, strStandName, strIOItemCode, strControlType) VALUES ('{S3}', '住宿费标准二', "
      "'20102', '提示')");
  const std::string reply = stand.serve(departRequest("{S3}", "<d id='04'/><d id='02'/>"));
  EXPECT_EQ(textAt(reply, "//out/error/text"), "部门“财务部”已属于该收支项目的其他报销标准。") << reply;
  EXPECT_EQ(departments(stand, "{S3}"), "");
}

TEST(StandRecords, GetDepartListsTheStandardsDepartmentsAndTheFreeLeaves) {
  StandTestAccount stand;
  const std::string reply =
      stand.serve("<req><func name='getdepart'><in><x GUID='" + kAllowanceText + "'/></in></func></req>");
  EXPECT_NE(reply.find("<Rows><row cDepCode=\"01\" cDepName=\"总经理办公室\" GUID=\"\"/>"
                       "<row cDepCode=\"02\" cDepName=\"财务部\" GUID=\"\"/>"
                       "<row cDepCode=\"0301\" cDepName=\"华东销售组\" GUID=\"" +
                       kAllowanceText +
                       "\"/>"
                       "<row cDepCode=\"0302\" cDepName=\"华北销售组\" GUID=\"" +
                       kAllowanceText +
                       "\"/>"
                       "<row cDepCode=\"04\" cDepName=\"技术部\" GUID=\"\"/></Rows>"),
            std::string::npos)
      << reply;
}

TEST(StandRecords, GetDepartWithNothingToListFails) {
  StandTestAccount stand;
  stand.account().execute("UPDATE Department SET bDepEnd = 0");
  const std::string reply = stand.serve("<req><func name='getdepart'><in><x GUID='{none}'/></in></func></req>");
  EXPECT_EQ(textAt(reply, "//out/error/id"), "Corvane:CStand:recordGet:9000") << reply;
  EXPECT_EQ(textAt(reply, "//out/error/text"), "没有可显示的数据。") << reply;
}

}  // namespace
}  // namespace corvane
