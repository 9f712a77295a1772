#include "settings/CodeRules.h"

#include <gtest/gtest.h>

#include "platform/com/RuntimeError.h"

namespace corvane {
namespace {

struct LengthCase {
  const char* rule;
  std::int16_t level;
  std::int16_t length;
};

TEST(CodeRules, CodeLengthIsTheSumOfTheFirstDigitsOrOfAllOutsideTheRule) {
  static const LengthCase cases[] = {
      {"1222", 1, 1},  {"1222", 2, 3}, {"1222", 3, 5},  {"1222", 4, 7}, {"1222", 0, 7},
      {"1222", -1, 7}, {"1222", 5, 7}, {"1222", 99, 7}, {"22", 1, 2},   {"9", 1, 9},
  };
  for (const LengthCase& c : cases) {
    EXPECT_EQ(GetCodeLength(c.rule, c.level), c.length) << c.rule << " level " << c.level;
  }
}

struct LevelCase {
  const char* rule;
  std::int16_t length;
  std::int16_t level;
};

TEST(CodeRules, CodeLevelIsTheFirstLevelLongEnoughElseTheLast) {
  static const LevelCase cases[] = {
      {"1222", 0, 1}, {"1222", 1, 1}, {"1222", 2, 2}, {"1222", 3, 2},  {"1222", 4, 3}, {"1222", 5, 3},
      {"1222", 6, 4}, {"1222", 7, 4}, {"1222", 8, 4}, {"1222", 40, 4}, {"22", 3, 2},   {"", 3, 0},
  };
  for (const LevelCase& c : cases) {
    EXPECT_EQ(GetCodeLevel(c.rule, c.length), c.level) << c.rule << " length " << c.length;
  }
}

struct ParentCase {
  const char* rule;
  const char* code;
  const char* parent;
};

TEST(CodeRules, ParentCodeFollowsFromTheCodeAlone) {
  static const ParentCase cases[] = {
      {"1222", "", ""},          // level 1: the code itself
      {"1222", "2", "2"},        // level 1: the code itself
      {"1222", "20", "2"},       // between boundaries: the next deeper level
      {"1222", "201", "2"},      //
      {"1222", "20101", "201"},  //
      {"1222", "2010101", "20101"},
      {"1222", "201010101", "20101"},  // longer than the rule: the last level
      {"22", "01", "01"},              // a top-level place finds no other parent than itself
      {"22", "0101", "01"},            //
      {"22", "地区01", "地区"},        // counted in characters, not bytes
  };
  for (const ParentCase& c : cases) {
    EXPECT_EQ(ParentCode(c.rule, c.code), c.parent) << c.rule << " code " << c.code;
  }
}

TEST(CodeRules, ACharacterThatIsNoDigitIsATypeMismatch) {
  for (const char* rule : {"1a2", "1 2", "+1", "1.2"}) {
    try {
      GetCodeLength(rule, 0);
      ADD_FAILURE() << rule;
    } catch (const RuntimeError& error) {
      EXPECT_EQ(error.number(), errnum::kTypeMismatch) << rule;
    }
  }
  // Digits are read one at a time: a level reached before the bad character answers.
  EXPECT_EQ(GetCodeLevel("2x", 2), 1);
  EXPECT_THROW(GetCodeLevel("2x", 3), RuntimeError);
}

struct TreeCase {
  const char* name;
  const char* rule;
  std::vector<const char*> codes;  // in query order
  const char* expected;            // the list after placing them; orphans go under the first row
};

TEST(CodeRules, TreeReplyNestsEachRowUnderTheFirstRowOfItsParentCode) {
  static const TreeCase cases[] = {
      {"places under one root",
       "22",
       {"01", "0101", "0102", "02", "0201"},
       "<list><row id=\"\"><row id=\"01\" name=\"(01)n\"><row id=\"0101\" name=\"(0101)n\"/>"
       "<row id=\"0102\" name=\"(0102)n\"/></row><row id=\"02\" name=\"(02)n\"><row id=\"0201\" "
       "name=\"(0201)n\"/></row></row></list>"},
      {"a missing parent puts the row under the root",
       "22",
       {"01", "0301"},
       "<list><row id=\"\"><row id=\"01\" name=\"(01)n\"/><row id=\"0301\" name=\"(0301)n\"/></row></list>"},
      {"an apostrophe in a code is just text",
       "11",
       {"'", "'x"},
       "<list><row id=\"\"><row id=\"&apos;\" name=\"(&apos;)n\"><row id=\"&apos;x\" "
       "name=\"(&apos;x)n\"/></row></row></list>"},
  };
  for (const TreeCase& c : cases) {
    XmlDocument document;
    ASSERT_TRUE(document.loadXML("<list><row id=''/></list>"));
    TreeReply tree(document.documentElement(), c.rule);
    for (const char* code : c.codes) {
      if (!tree.placeUnderParent(code, "n")) tree.placeUnder(document.documentElement().firstChild(), code, "n");
    }
    XmlDocument expected;
    ASSERT_TRUE(expected.loadXML(c.expected));
    EXPECT_EQ(document.xml(), expected.xml()) << c.name;
  }
}

TEST(CodeRules, TreeReplyFindsTheFixedRootsByTheirIdsAndLeavesOrphansToTheCaller) {
  XmlDocument document;
  ASSERT_TRUE(document.loadXML("<list><row id='1'/><row id='2'/></list>"));
  TreeReply tree(document.documentElement(), "122");
  EXPECT_TRUE(tree.placeUnderParent("2", "expense item 2"));  // level 1 finds the root of its kind
  EXPECT_TRUE(tree.placeUnderParent("201", "n"));             // under the root: the first "2"
  EXPECT_FALSE(tree.placeUnderParent("30101", "n"));
  EXPECT_EQ(document.xml(),
            "<list><row id=\"1\"/><row id=\"2\"><row id=\"2\" name=\"(2)expense item 2\"/>"
            "<row id=\"201\" name=\"(201)n\"/></row></list>");
}

struct ListCase {
  const char* name;
  const char* rule;
  std::vector<const char*> roots;  // appended first
  std::vector<const char*> codes;  // in query order: by length, then descending
  bool orphansAtEnd;
  const char* expected;  // strcodes in list order
};

std::string codesOf(const XmlDocument& document) {
  std::string codes;
  for (const XmlNode& row : document.documentElement().children()) codes += row.attribute("strcode") + " ";
  return codes;
}

TEST(CodeRules, FlatListPutsEachParentBeforeItsSubtreeWithSiblingsAscending) {
  static const ListCase cases[] = {
      {"places", "22", {}, {"02", "01", "0201", "0102", "0101"}, true, "02 0201 01 0101 0102 "},
      {"three places", "22", {}, {"02", "01", "0101"}, true, "02 01 0101 "},
      {"a place without its parent goes last", "22", {}, {"01", "0301", "0101"}, true, "01 0101 0301 "},
      {"items under their roots, expense first",
       "122",
       {"2", "1"},
       {"203", "202", "201", "102", "101", "20102", "20101"},
       false,
       "2 201 20101 20102 202 203 1 101 102 "},
      {"an item without its parent is left out", "122", {"2", "1"}, {"201", "30101"}, false, "2 201 1 "},
      {"nothing stored", "22", {}, {}, true, ""},
  };
  for (const ListCase& c : cases) {
    TreeOrderList list(c.rule);
    for (const char* root : c.roots) list.append({{"strcode", root}});
    for (const char* code : c.codes) {
      const TreeOrderList::Row row{{"strkind", "k"}, {"strcode", code}};
      if (!list.placeBehindParent(row) && c.orphansAtEnd) list.append(row);
    }
    XmlDocument document;
    list.writeTo(document.createDocumentElement("rows"));
    EXPECT_EQ(codesOf(document), c.expected) << c.name;
  }
}

TEST(CodeRules, FlatListWritesTheAttributesInTheirOrderEscaped) {
  TreeOrderList list("2");
  list.append({{"strcode", "01"}, {"strname", "R&D 'east'"}, {"strupcode", ""}});
  XmlDocument document;
  list.writeTo(document.createDocumentElement("rows"));
  EXPECT_EQ(document.xml(), "<rows><row strcode=\"01\" strname=\"R&amp;D 'east'\" strupcode=\"\"/></rows>");
}

}  // namespace
}  // namespace corvane
