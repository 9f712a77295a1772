#include "settings/StandEffects.h"

#include <gtest/gtest.h>

#include "platform/com/RuntimeError.h"
#include "support/StandTestAccount.h"

namespace corvane {
namespace {

const std::string kLodgingText(kLodging);
const std::string kAllowanceText(kAllowance);

std::string effectRequest(const std::string& guid, const std::string& choices, const std::string& after = "") {
  return "<req><func name='saveeffect'><in><stand GUID='" + guid + "'>" + choices + "</stand></in></func>" + after +
         "</req>";
}

std::string chosenItems(StandTestAccount& stand, const std::string& guid) {
  return stand.rows("SELECT intEDCode FROM KX_EffectItem WHERE GUIDStand = '" + guid + "' ORDER BY intEDCode");
}

// The codes of item 3 before the allocation: "a..b" is a range, commas separate codes.
void seedToolCodes(StandTestAccount& stand, const std::string& codes) {
  stand.account().execute("DELETE FROM KX_EISet_NUStand WHERE intEICode = 3");
  std::size_t start = 0;
  while (start < codes.size()) {
    std::size_t end = codes.find(',', start);
    if (end == std::string::npos) end = codes.size();
    const std::string part = codes.substr(start, end - start);
    const std::size_t dots = part.find("..");
    const int first = std::stoi(part.substr(0, dots));
    const int last = dots == std::string::npos ? first : std::stoi(part.substr(dots + 2));
    for (int code = first; code <= last; ++code) {
      const std::string text = (code < 10 ? "0" : "") + std::to_string(code);
      stand.account().execute("INSERT INTO KX_EISet_NUStand (intEICode, strEICode, strEIName) VALUES (3, '" + text +
                              "', 't" + text + "')");
    }
    start = end + 1;
  }
}

TEST(StandEffects, NextCodeIsOneAboveTheLargestAndStopsAt99) {
  struct Case {
    const char* codes;
    const char* next;  // empty: refused with 0057
  };
  const Case cases[] = {
      {"", "01"},       {"01,05", "06"},  // gaps are not reused
      {"01..98", "99"}, {"01..99", ""},  {"99", ""},
  };
  for (const Case& c : cases) {
    StandTestAccount stand;
    seedToolCodes(stand, c.codes);
    db::Connection connection;
    connection.open(stand.account().connectString());
    if (*c.next) {
      EXPECT_EQ(stand::GetNextCode(connection, "KX_EISet_NUStand", "strEICode", "3"), c.next) << c.codes;
    } else {
      try {
        stand::GetNextCode(connection, "KX_EISet_NUStand", "strEICode", "3");
        ADD_FAILURE() << c.codes << ": no error";
      } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), 9000) << c.codes;
        EXPECT_EQ(error.description(), "影响因素的取值已达上限99个。") << c.codes;
      }
    }
  }
}

// The allocation of item 4 spans all standards.
TEST(StandEffects, NextBandCodeCountsTheBandsOfEveryStandard) {
  StandTestAccount stand;
  db::Connection connection;
  connection.open(stand.account().connectString());
  EXPECT_EQ(stand::GetNextCode(connection, "KX_EISet_Stand", "strEICode", "4"), "03");
}

TEST(StandEffects, GetEffectListsEveryItemOfTheLocaleChosenOrNot) {
  StandTestAccount stand;
  const auto tsOf = [&](int item) {
    return stand.value("SELECT Cast(ts As money) FROM KX_EffectItem WHERE GUIDStand = '" + kLodgingText +
                       "' AND intEDCode = " + std::to_string(item));
  };
  struct Case {
    std::string guid;
    std::string locale;
    std::string rows;
  };
  const Case cases[] = {
      {kLodgingText, "zh-CN",
       "<Rows><row intEDCode=\"1\" strEDName=\"人员级别\" GUIDStand=\"" + kLodgingText + "\" ts=\"" + tsOf(1) +
           "\"/><row intEDCode=\"2\" strEDName=\"地区级别\" GUIDStand=\"" + kLodgingText + "\" ts=\"" + tsOf(2) +
           "\"/><row intEDCode=\"3\" strEDName=\"交通工具\" GUIDStand=\"\" ts=\"\"/>"
           "<row intEDCode=\"4\" strEDName=\"金额区间\" GUIDStand=\"\" ts=\"\"/></Rows>"},
      {"{no-such-standard}", "en-us",
       "<Rows><row intEDCode=\"1\" strEDName=\"Person grade\" GUIDStand=\"\" ts=\"\"/>"
       "<row intEDCode=\"2\" strEDName=\"Place grade\" GUIDStand=\"\" ts=\"\"/>"
       "<row intEDCode=\"3\" strEDName=\"Transport tool\" GUIDStand=\"\" ts=\"\"/>"
       "<row intEDCode=\"4\" strEDName=\"Amount band\" GUIDStand=\"\" ts=\"\"/></Rows>"},
  };
  for (const Case& c : cases) {
    const std::string reply =
        stand.serve("<req><func name='geteffect'><in><x GUID='" + c.guid + "'/></in></func></req>", "demo", c.locale);
    EXPECT_NE(reply.find(c.rows), std::string::npos) << c.locale << "\n" << reply;
  }
}

TEST(StandEffects, GetEffectWithoutItemsInTheLocaleFails) {
  StandTestAccount stand;
  const std::string reply = stand.serve(
      "<req><func name='geteffect'><in><x GUID='" + kLodgingText + "'/></in></func></req>", "demo", "fr-FR");
  EXPECT_EQ(textAt(reply, "//out/error/id"), "Corvane:CStand:recordGet:9000") << reply;
}

TEST(StandEffects, SaveEffectReplacesTheChoiceUnlessTheStandardHasAmounts) {
  struct Case {
    const char* name;
    bool withoutAmounts;  // the allowance standard's amount rows are removed first
    std::string guid;
    std::string choices;
    std::string chosenAfter;
    std::string errorId;  // empty: success
  };
  const Case cases[] = {
      {"frozen even when unchanged", false, kLodgingText, "<i id='1'/><i id='2'/>",
       "<row intEDCode='1'/>\r\n<row intEDCode='2'/>\r\n", "Corvane:CStand:recordEdit:9000"},
      {"text after a comma is ignored", true, kAllowanceText, "<i id='3,交通工具'/><i id='1'/>",
       "<row intEDCode='1'/>\r\n<row intEDCode='3'/>\r\n", ""},
      {"no children clears the choice", true, kAllowanceText, "", "", ""},
      {"empty id fails and the old choice stays", true, kAllowanceText, "<i id='1'/><i id=''/>",
       "<row intEDCode='4'/>\r\n", "Corvane:CStand:recordEdit:-2147217873"},
      {"an undefined item fails", true, kAllowanceText, "<i id='7'/>", "<row intEDCode='4'/>\r\n",
       "Corvane:CStand:recordEdit:-2147217873"},
      {"quotes stay inside their literal", true, kAllowanceText, "<i id=\"4') --\"/>", "<row intEDCode='4'/>\r\n",
       "Corvane:CStand:recordEdit:-2147217913"},
  };
  for (const Case& c : cases) {
    StandTestAccount stand;
    if (c.withoutAmounts) {
      stand.account().execute("DELETE FROM KX_StandSet WHERE GUIDStand = '" + kAllowanceText + "'");
    }
    const std::string reply = stand.serve(effectRequest(c.guid, c.choices));
    EXPECT_EQ(textAt(reply, "//out/error/id"), c.errorId) << c.name << "\n" << reply;
    EXPECT_EQ(chosenItems(stand, c.guid), c.chosenAfter) << c.name;
    if (c.errorId.empty()) {
      EXPECT_NE(reply.find("<Rows><row intEDCode=\"1\""), std::string::npos) << c.name << "\n" << reply;
    }
  }
}

TEST(StandEffects, FrozenStandardIsRefusedWithItsMessage) {
  StandTestAccount stand;
  const std::string reply = stand.serve(effectRequest(kLodgingText, "<i id='1'/>"));
  EXPECT_EQ(textAt(reply, "//out/error/text"), "该报销标准已设置标准金额，不能修改影响因素。") << reply;
}

// A failing func later in the request rolls the new choice back; with goon it stays.
TEST(StandEffects, SaveEffectIsUndoneByALaterFailureUnlessGoon) {
  struct Case {
    const char* goon;
    std::string chosenAfter;
  };
  const Case cases[] = {
      {"", "<row intEDCode='4'/>\r\n"},
      {" goon='1'", "<row intEDCode='2'/>\r\n"},
  };
  for (const Case& c : cases) {
    StandTestAccount stand;
    stand.account().execute("DELETE FROM KX_StandSet WHERE GUIDStand = '" + kAllowanceText + "'");
    const std::string failing =
        "<func name='saveeffect'" + std::string(c.goon) + "><in><stand GUID='" + kLodgingText + "'/></in></func>";
    const std::string reply = stand.serve("<req><func name='saveeffect'" + std::string(c.goon) + "><in><stand GUID='" +
                                          kAllowanceText + "'><i id='2'/></stand></in></func>" + failing + "</req>");
    EXPECT_EQ(chosenItems(stand, kAllowanceText), c.chosenAfter) << c.goon << "\n" << reply;
  }
}

std::string valueRequest(const std::string& guid, const std::string& item, const std::string& rows) {
  return "<req><func name='saveeffectvalue'><in><x GUID='" + guid + "' strItem='" + item + "'>" + rows +
         "</x></in></func></req>";
}

std::string values(StandTestAccount& stand, const std::string& table, int item) {
  return stand.rows("SELECT strEICode,strEIName FROM " + table + " WHERE intEICode = " + std::to_string(item) +
                    " ORDER BY strEICode");
}

TEST(StandEffects, SaveEffectValueWritesTheItemsTable) {
  struct Case {
    const char* name;
    std::string guid;
    std::string item;
    std::string rows;
    std::string table;
    std::string valuesAfter;
    std::string errorText;      // empty: success
    std::string tsOfCode = "";  // the value whose ts replaces "@"
  };
  const std::string ents = kAllowanceText;
  const Case cases[] = {
      {"new values get consecutive codes; a sent code is ignored", "", "3",
       "<v P='1' strCode='77' strName='汽车'/><v P='1' strName='轮船'/><v P='1' strName=\"O'Hare 大巴\"/>",
       "KX_EISet_NUStand",
       "<row strEICode='01' strEIName='飞机'/>\r\n<row strEICode='02' strEIName='火车'/>\r\n"
       "<row strEICode='03' strEIName='汽车'/>\r\n<row strEICode='04' strEIName='轮船'/>\r\n"
       "<row strEICode='05' strEIName='O&apos;Hare 大巴'/>\r\n",
       ""},
      {"a band goes to its standard with a code new to all standards", kLodgingText, "4", "<v P='1' strName='800'/>",
       "KX_EISet_Stand",
       "<row strEICode='01' strEIName='1000'/>\r\n<row strEICode='02' strEIName='5000'/>\r\n"
       "<row strEICode='03' strEIName='800'/>\r\n",
       ""},
      {"an update may give a value a new code, used or not", "", "1", "<v P='2' strCode='07' strName='主管' ts='@'/>",
       "KX_EISet_NUStand", "<row strEICode='02' strEIName='职员'/>\r\n<row strEICode='07' strEIName='主管'/>\r\n", "",
       "01"},
      {"a stale ts changes nothing", "", "1", "<v P='2' strCode='01' strName='主管' ts='5'/>", "KX_EISet_NUStand",
       "<row strEICode='01' strEIName='经理'/>\r\n<row strEICode='02' strEIName='职员'/>\r\n",
       "记录已被他人修改或删除，请刷新后重试。"},
      {"a band used by an amount row stays", ents, "4", "<v P='3' strCode='01' ts='@'/>", "KX_EISet_Stand",
       "<row strEICode='01' strEIName='1000'/>\r\n<row strEICode='02' strEIName='5000'/>\r\n",
       "该取值已被标准金额使用，不能删除。", "01"},
      {"an unused tool goes", "", "3", "<v P='3' strCode='02' ts='@'/>", "KX_EISet_NUStand",
       "<row strEICode='01' strEIName='飞机'/>\r\n", "", "02"},
      {"an unknown P", "", "3", "<v P='4' strName='x'/>", "KX_EISet_NUStand",
       "<row strEICode='01' strEIName='飞机'/>\r\n<row strEICode='02' strEIName='火车'/>\r\n",
       "无法识别记录的保存方式。"},
      {"an item without a definition", "", "9", "<v P='1' strName='x'/>", "KX_EISet_NUStand", "", "影响因素不存在。"},
      {"an item that is no number names no item", "", "3 Or 1=1", "<v P='1' strName='x'/>", "KX_EISet_NUStand",
       "<row strEICode='01' strEIName='飞机'/>\r\n<row strEICode='02' strEIName='火车'/>\r\n", "影响因素不存在。"},
      {"a second band with a taken code breaks the index", ents, "4", "<v P='2' strCode='01' strName='9' ts='@'/>",
       "KX_EISet_Stand", "<row strEICode='01' strEIName='1000'/>\r\n<row strEICode='02' strEIName='5000'/>\r\n",
       "影响因素取值已存在。", "02"},
  };
  for (const Case& c : cases) {
    StandTestAccount stand;
    std::string rows = c.rows;
    if (const auto at = rows.find("ts='@'"); at != std::string::npos) {
      rows.replace(at + 4, 1,
                   stand.value("SELECT Cast(ts As money) FROM " + c.table + " WHERE intEICode = " + c.item +
                               " AND strEICode = '" + c.tsOfCode + "'"));
    }
    const std::string reply = stand.serve(valueRequest(c.guid, c.item, rows));
    EXPECT_EQ(textAt(reply, "//out/error/text"), c.errorText) << c.name << "\n" << reply;
    if (c.item != "9" && c.item.size() == 1) {
      EXPECT_EQ(values(stand, c.table, std::stoi(c.item)), c.valuesAfter) << c.name;
    }
  }
}

TEST(StandEffects, FullItemRollsBackTheWholeRequest) {
  StandTestAccount stand;
  seedToolCodes(stand, "01..98");
  const std::string reply = stand.serve(valueRequest("", "3", "<v P='1' strName='甲'/><v P='1' strName='乙'/>"));
  EXPECT_EQ(textAt(reply, "//out/error/id"), "Corvane:CStand:recordEdit:9000") << reply;
  EXPECT_EQ(stand.rows("SELECT count(*) AS n FROM KX_EISet_NUStand WHERE intEICode = 3"), "<row n='98'/>\r\n");
}

TEST(StandEffects, NonNumericCodeMakesLaterAllocationsFail) {
  StandTestAccount stand;
  stand.account().execute("UPDATE KX_EISet_NUStand SET strEICode = 'ab' WHERE intEICode = 3 AND strEICode = '02'");
  const std::string reply = stand.serve(valueRequest("", "3", "<v P='1' strName='汽车'/>"));
  EXPECT_EQ(textAt(reply, "//out/error/id"), "Corvane:CStand:recordEdit:-2147217913") << reply;
}

TEST(StandEffects, GetEffectValueFollowsTheDefinition) {
  struct Case {
    std::string guid;
    std::string item;
    std::string rows;
  };
  const Case cases[] = {
      {kAllowanceText, "4", "<row strCode=\"01\" strName=\"1000\""},
      {kLodgingText, "4", "<Rows/>"},                          // bands are kept per standard
      {"{any}", "1", "<row strCode=\"01\" strName=\"经理\""},  // shared values ignore the standard
      {"", "2", "<row strCode=\"02\" strName=\"二类地区\""},
      {"", "01", "<row strCode=\"01\" strName=\"经理\""},  // the item number as a number
  };
  for (const Case& c : cases) {
    StandTestAccount stand;
    const std::string reply = stand.serve("<req><func name='geteffectvalue'><in><x GUID='" + c.guid + "' strItem='" +
                                          c.item + "'/></in></func></req>");
    EXPECT_NE(reply.find(c.rows), std::string::npos) << c.item << " " << c.guid << "\n" << reply;
  }
}

// Names read from the definition table reach SQL only as plain names; an empty condition of a
// per-standard item still gives a whole statement.
TEST(StandEffects, DefinitionRowsAreCheckedBeforeTheyReachSql) {
  struct Case {
    const char* change;
    const char* errorText;  // empty: success
  };
  const Case cases[] = {
      {"UPDATE KX_EffectItem_Default_Base SET strTable = 'KX_EISet_Stand; DELETE FROM KX_Expense' WHERE intEDCode = 4",
       "影响因素不存在。"},
      {"UPDATE KX_EffectItem_Default_Base SET strCodeField = 'strEICode--' WHERE intEDCode = 4", "影响因素不存在。"},
      {"UPDATE KX_EffectItem_Default_Base SET strWhere = '', blnStand = NULL WHERE intEDCode = 4", ""},
  };
  for (const Case& c : cases) {
    StandTestAccount stand;
    stand.account().execute(c.change);
    const std::string reply = stand.serve("<req><func name='geteffectvalue'><in><x GUID='" + kAllowanceText +
                                          "' strItem='4'/></in></func></req>");
    EXPECT_EQ(textAt(reply, "//out/error/text"), c.errorText) << c.change << "\n" << reply;
    if (!*c.errorText) {
      EXPECT_NE(reply.find("strName=\"5000\""), std::string::npos) << reply;
    }
  }
}

// Grades held by persons or places stay; the amount rows are asked first.
TEST(StandEffects, GradesHeldByPersonsOrPlacesCannotBeDeleted) {
  struct Case {
    const char* insert;
    const char* item;
    const char* code;
    const char* errorText;
  };
  const Case cases[] = {
      {"INSERT INTO KX_PersonCtrl (strPersonCode, strGradeID) VALUES ('0008', '03')", "1", "03",
       "该人员级别已被人员使用，不能删除。"},
      {"INSERT INTO KX_PersonCtrl (strPersonCode, strGradeID) VALUES ('0008', '01')", "1", "01",
       "该取值已被标准金额使用，不能删除。"},
      {"INSERT INTO KX_Position (strPositionCode, strPositionName, strGradeID) VALUES ('09', '测试地区', '03')", "2",
       "03", "该地区级别已被地区使用，不能删除。"},
  };
  for (const Case& c : cases) {
    StandTestAccount stand;
    stand.account().execute(std::string("INSERT INTO KX_EISet_NUStand (intEICode, strEICode, strEIName) VALUES (") +
                            c.item + ", '03', '三级')");
    stand.account().execute(c.insert);
    const std::string ts =
        stand.value(std::string("SELECT Cast(ts As money) FROM KX_EISet_NUStand WHERE intEICode = ") + c.item +
                    " AND strEICode = '" + c.code + "'");
    const std::string reply =
        stand.serve(valueRequest("", c.item, std::string("<v P='3' strCode='") + c.code + "' ts='" + ts + "'/>"));
    EXPECT_EQ(textAt(reply, "//out/error/text"), c.errorText) << c.insert << "\n" << reply;
  }
}

}  // namespace
}  // namespace corvane
