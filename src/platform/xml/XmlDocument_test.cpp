#include "platform/xml/XmlDocument.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/com/RuntimeError.h"
#include "support/ErrorNumber.h"

namespace corvane {
namespace {

XmlDocument loaded(std::string_view text) {
  XmlDocument document;
  EXPECT_TRUE(document.loadXML(text)) << text;
  return document;
}

std::vector<std::string> markupOf(const std::vector<XmlNode>& nodes) {
  std::vector<std::string> markup;
  for (const XmlNode& node : nodes) markup.push_back(node.xml());
  return markup;
}

// ---- loading and writing ----

TEST(XmlDocumentTest, LoadThenWriteGivesRawMarkup) {
  struct Case {
    const char* text;
    const char* xml;
  };
  static const Case kCases[] = {
      {"<a/>", "<a/>"},
      {"\xEF\xBB\xBF<a/>", "<a/>"},
      {"  <a/>\n", "<a/>"},
      {"<a>\n  <b>x</b>\n  <c/>\n</a>", "<a><b>x</b><c/></a>"},
      {"<a> x </a>", "<a> x </a>"},
      {"<?xml version='1.0' encoding='utf-8'?><error><id>Corvane:COperation:myHandle:0</id>"
       "<text>x</text></error>",
       "<?xml version=\"1.0\" encoding=\"utf-8\"?><error><id>Corvane:COperation:myHandle:0</id>"
       "<text>x</text></error>"},
      {"<req><func name=\"get\" goon=\"1\"><in><xml><rs:data><z:row P=\"1\" strName=\"a\"/>"
       "</rs:data></xml></in><out/></func></req>",
       "<req><func name=\"get\" goon=\"1\"><in><xml><rs:data><z:row P=\"1\" strName=\"a\"/>"
       "</rs:data></xml></in><out/></func></req>"},
      {"<单据 前缀='A'>编号</单据>", "<单据 前缀=\"A\">编号</单据>"},
      {"<a b='x&apos;y&quot;'>&lt;&amp;&gt;&#65;&#x4e2d;</a>", "<a b=\"x'y&quot;\">&lt;&amp;&gt;A中</a>"},
      {"<!-- note --><a><![CDATA[<x>&]]></a>", "<a><![CDATA[<x>&]]></a>"},
      {"<a b='1&#10;2&#9;3'/>", "<a b=\"1&#10;2&#09;3\"/>"},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(loaded(c.text).xml(), c.xml) << c.text;
  }
}

TEST(XmlDocumentTest, MalformedTextIsRefusedAndLeavesTheDocumentEmpty) {
  static const char* const kMalformed[] = {
      "",
      "   ",
      "<a>",
      "<a></b>",
      "<a><b></a></b>",
      "text",
      "<a b='1' b='2'/>",
      "<a/><b/>",
      "<a/>text",
      "text<a/>",
      "<a/><?xml version='1.0'?>",
      "<a b=1/>",
      "<a b='<'/>",
      "<a b='&'/>",
      "<a>&</a>",
      "<a>R&D</a>",
      "<a>&foo;</a>",
      "<a>&#;</a>",
      "<a>&#x;</a>",
      "<a>&#12</a>",
      "<a>1 < 2</a>",
      "<1a/>",
      "<a",
  };
  for (const char* text : kMalformed) {
    XmlDocument document = loaded("<old/>");
    EXPECT_FALSE(document.loadXML(text)) << text;
    EXPECT_TRUE(document.isEmpty()) << text;
    EXPECT_EQ(document.xml(), "") << text;
  }
}

TEST(XmlDocumentTest, EmptyDocumentWritesNothingAndCreatesItsElement) {
  XmlDocument document;
  EXPECT_TRUE(document.isEmpty());
  EXPECT_EQ(document.xml(), "");
  document.createDocumentElement("reply").appendElement("rs:data");
  EXPECT_EQ(document.xml(), "<reply><rs:data/></reply>");
  EXPECT_EQ(errorNumberOf([&] { document.createDocumentElement("other"); }), 5);
  document.clear();
  EXPECT_TRUE(document.isEmpty());
  EXPECT_EQ(document.xml(), "");
}

// ---- escaping ----

struct HostileValue {
  const char* value;
  bool textKeepsIt;  // a carriage return in text is read back as a line end, as XML demands
};

const HostileValue kHostileValues[] = {
    {"", true},
    {"R&D", true},
    {"<tag attr='x'>", true},
    {"x > y", true},
    {"it's", true},
    {"say \"hi\"", true},
    {"both ' and \"", true},
    {"line1\nline2", true},
    {"tab\there", true},
    {"  padded  ", true},
    {"cr\r\nlf", false},
    {"]]>", true},
    {"&amp; already escaped &#65;", true},
    {"单据编号 前缀", true},
    {"' \" < > & \n \t 中", true},
};

TEST(XmlDocumentTest, AttributeValuesRoundTripWhateverTheyHold) {
  for (const HostileValue& hostile : kHostileValues) {
    XmlDocument document;
    document.createDocumentElement("a").setAttribute("v", hostile.value);
    const XmlDocument reread = loaded(document.xml());
    EXPECT_EQ(reread.documentElement().attribute("v"), hostile.value) << document.xml();
  }
}

TEST(XmlDocumentTest, TextRoundTripsWhateverItHolds) {
  for (const HostileValue& hostile : kHostileValues) {
    if (!hostile.textKeepsIt) continue;
    XmlDocument document;
    document.createDocumentElement("a").appendElement("b").setText(hostile.value);
    const XmlDocument reread = loaded(document.xml());
    EXPECT_EQ(reread.documentElement().text(), hostile.value) << document.xml();
  }
}

TEST(XmlDocumentTest, WrittenMarkupEscapesMarkupCharactersAndKeepsUtf8) {
  XmlDocument document;
  XmlNode element = document.createDocumentElement("单据");
  element.setAttribute("前缀", "a'b\"c\nd\te<&>");
  element.setText("x<y & '中'>");
  EXPECT_EQ(document.xml(), "<单据 前缀=\"a'b&quot;c&#10;d&#09;e&lt;&amp;>\">x&lt;y &amp; '中'&gt;</单据>");
  EXPECT_EQ(element.xml(), document.xml());
}

TEST(XmlDocumentTest, NamesThatCannotBeWrittenAreRefused) {
  static const char* const kBadNames[] = {"", "a b", "1a", "-a", "a<b", "a\"", "a=b", "a/b", "a&b"};
  XmlDocument document;
  XmlNode root = document.createDocumentElement("root");
  for (const char* name : kBadNames) {
    EXPECT_EQ(errorNumberOf([&] { root.appendElement(name); }), 5) << name;
    EXPECT_EQ(errorNumberOf([&] { root.setAttribute(name, "x"); }), 5) << name;
    EXPECT_EQ(errorNumberOf([&] { root.appendAttribute(name, "x"); }), 5) << name;
  }
  EXPECT_EQ(document.xml(), "<root/>");
}

// ---- element handles ----

TEST(XmlNodeTest, AttributesKeepTheirOrderAndCanBeChanged) {
  XmlDocument document = loaded("<z:row P='1' strName='a' 前缀='X'/>");
  XmlNode row = document.documentElement();
  EXPECT_EQ(row.name(), "z:row");
  EXPECT_EQ(row.attribute("strName"), "a");
  EXPECT_EQ(row.attribute("missing"), "");
  EXPECT_EQ(row.findAttribute("前缀"), std::optional<std::string>("X"));
  EXPECT_EQ(row.findAttribute("missing"), std::nullopt);
  EXPECT_TRUE(row.hasAttribute("P"));
  EXPECT_FALSE(row.hasAttribute("p"));

  row.setAttribute("strName", "b");  // an existing attribute keeps its place
  row.setAttribute("empty", "");
  using Attributes = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(row.attributes(), (Attributes{{"P", "1"}, {"strName", "b"}, {"前缀", "X"}, {"empty", ""}}));
  EXPECT_TRUE(row.hasAttribute("empty"));

  row.appendAttribute("new", "a&b");  // added last, without looking for one of its name
  EXPECT_EQ(row.attributes().back(), (std::pair<std::string, std::string>{"new", "a&b"}));
  EXPECT_EQ(row.xml(), "<z:row P=\"1\" strName=\"b\" 前缀=\"X\" empty=\"\" new=\"a&amp;b\"/>");
}

TEST(XmlNodeTest, TextJoinsDescendantsAndSetTextReplacesChildren) {
  XmlDocument document = loaded("<a>x<b>y<c>z</c></b><![CDATA[<w>]]><d/>v</a>");
  XmlNode root = document.documentElement();
  EXPECT_EQ(root.text(), "xyz<w>v");
  EXPECT_EQ(root.child("b").text(), "yz");
  EXPECT_EQ(root.child("d").text(), "");

  root.child("b").setText("new");
  EXPECT_EQ(document.xml(), "<a>x<b>new</b><![CDATA[<w>]]><d/>v</a>");
  root.setText("");
  EXPECT_EQ(document.xml(), "<a/>");
}

TEST(XmlNodeTest, NavigationSeesElementsOnly) {
  XmlDocument document = loaded("<a>text<b n='1'/>more<c/><b n='2'/></a>");
  XmlNode root = document.documentElement();
  EXPECT_TRUE(root.parent().isNull());
  EXPECT_EQ(root.firstChild().attribute("n"), "1");
  EXPECT_EQ(root.child("b").attribute("n"), "1");
  EXPECT_TRUE(root.child("missing").isNull());
  EXPECT_EQ(markupOf(root.children()), (std::vector<std::string>{"<b n=\"1\"/>", "<c/>", "<b n=\"2\"/>"}));
  EXPECT_EQ(root.child("c").parent(), root);
  EXPECT_TRUE(root.child("c").firstChild().isNull());
  EXPECT_TRUE(root.child("c").children().empty());
}

TEST(XmlNodeTest, EveryOperationOnANullNodeRaisesObjectMissing) {
  XmlDocument document = loaded("<a><b/></a>");
  XmlNode other = document.documentElement().child("b");
  const std::function<void(XmlNode)> kOperations[] = {
      [](XmlNode n) { n.name(); },
      [](XmlNode n) { n.attribute("x"); },
      [](XmlNode n) { n.setAttribute("x", "1"); },
      [](XmlNode n) { n.attributes(); },
      [](XmlNode n) { n.text(); },
      [](XmlNode n) { n.setText("x"); },
      [](XmlNode n) { n.parent(); },
      [](XmlNode n) { n.children(); },
      [](XmlNode n) { n.appendElement("x"); },
      [&](XmlNode n) { n.appendChild(other); },
      [](XmlNode n) { n.selectNodes("x"); },
      [](XmlNode n) { n.selectSingleNode("x"); },
      [](XmlNode n) { n.xml(); },
  };
  for (const auto& operation : kOperations) {
    EXPECT_EQ(errorNumberOf([&] { operation(XmlNode()); }), errnum::kObjectMissing);
  }
  EXPECT_EQ(errorNumberOf([&] { document.documentElement().appendChild(XmlNode()); }), errnum::kObjectMissing);
}

// ---- moving and copying ----

TEST(XmlNodeTest, AppendingFromAnotherDocumentCopiesAndLeavesTheSource) {
  XmlDocument target = loaded("<reply><out/></reply>");
  XmlDocument source = loaded("<error><id>9000</id><text>R&amp;D</text></error>");
  XmlNode appended = target.documentElement().child("out").appendChild(source.documentElement());
  EXPECT_EQ(target.xml(), "<reply><out><error><id>9000</id><text>R&amp;D</text></error></out></reply>");
  EXPECT_EQ(source.xml(), "<error><id>9000</id><text>R&amp;D</text></error>");
  EXPECT_EQ(appended.parent(), target.documentElement().child("out"));

  // The copy is independent of its source.
  source.documentElement().child("id").setText("1");
  EXPECT_EQ(appended.child("id").text(), "9000");
}

TEST(XmlNodeTest, AppendingWithinTheDocumentMoves) {
  XmlDocument document = loaded("<a><b><x/></b><c/></a>");
  XmlNode root = document.documentElement();
  XmlNode x = root.child("b").child("x");
  EXPECT_EQ(root.child("c").appendChild(x), x);
  EXPECT_EQ(document.xml(), "<a><b/><c><x/></c></a>");
}

TEST(XmlNodeTest, RemovingAChildLeavesItsSiblings) {
  XmlDocument document = loaded("<r><a/><b><x/></b><c/></r>");
  XmlNode root = document.documentElement();
  root.removeChild(root.child("b"));
  EXPECT_EQ(document.xml(), "<r><a/><c/></r>");
}

TEST(XmlNodeTest, MisplacedNodesAreRefusedWithoutChangingTheDocument) {
  XmlDocument document = loaded("<r><a><b/></a><c/></r>");
  XmlNode root = document.documentElement();
  XmlNode a = root.child("a");
  XmlNode b = a.child("b");
  const std::function<void()> kMisplaced[] = {
      [&] { b.appendChild(a); },
      [&] { b.appendChild(root); },
      [&] { a.appendChild(a); },
      [&] { root.removeChild(b); },
  };
  for (const auto& misplaced : kMisplaced) {
    EXPECT_EQ(errorNumberOf(misplaced), 5);
    EXPECT_EQ(document.xml(), "<r><a><b/></a><c/></r>");
  }
}

// ---- XPath ----

constexpr const char* kRequest =
    "<req>"
    "<func name='get' goon='1'><in><xml>"
    "<head><z:row cID='100' 单据编号='A-1'/></head>"
    "<rs:data><z:row P='1' cID='101'/><z:row P='2' cID='102'>t</z:row></rs:data>"
    "</xml></in><out/></func>"
    "<func name='save'><in><id>7</id></in></func>"
    "<单据 前缀='X'><明细 行='1'/><明细 行='2'/></单据>"
    "</req>";

TEST(XmlXPathTest, SelectionsFromTheDocumentMatchNamesAsWritten) {
  struct Case {
    const char* xpath;
    std::vector<std::string> selected;
  };
  static const Case kCases[] = {
      {"//rs:data/z:row", {"<z:row P=\"1\" cID=\"101\"/>", "<z:row P=\"2\" cID=\"102\">t</z:row>"}},
      {"req/func/in/xml/rs:data/z:row[@P='2']", {"<z:row P=\"2\" cID=\"102\">t</z:row>"}},
      {"//z:row[@cID='101']", {"<z:row P=\"1\" cID=\"101\"/>"}},
      {"//z:row[@单据编号]", {"<z:row cID=\"100\" 单据编号=\"A-1\"/>"}},
      {"//单据[@前缀='X']/明细[@行='2']", {"<明细 行=\"2\"/>"}},
      {"//func[@name='save']/in/id", {"<id>7</id>"}},
      {"//func[2]/in/*", {"<id>7</id>"}},
      {"//z:row[@cID='999']", {}},
      {"//rs:data/row", {}},
      {"//data/z:row", {}},
      {"//Z:ROW", {}},
      {"//z:row/@cID", {}},    // attributes are not elements
      {"//z:row/text()", {}},  // nor is text
  };
  const XmlDocument document = loaded(kRequest);
  for (const Case& c : kCases) {
    EXPECT_EQ(markupOf(document.selectNodes(c.xpath)), c.selected) << c.xpath;
    const XmlNode first = document.selectSingleNode(c.xpath);
    if (c.selected.empty()) {
      EXPECT_TRUE(first.isNull()) << c.xpath;
    } else {
      EXPECT_EQ(first.xml(), c.selected.front()) << c.xpath;
    }
  }
}

TEST(XmlXPathTest, SelectionsFromAnElementAreRelativeToIt) {
  struct Case {
    const char* xpath;
    std::vector<std::string> selected;
  };
  static const Case kCases[] = {
      {"in/xml/head/z:row", {"<z:row cID=\"100\" 单据编号=\"A-1\"/>"}},
      {"in/xml/rs:data/z:row[last()]", {"<z:row P=\"2\" cID=\"102\">t</z:row>"}},
      {"out", {"<out/>"}},
      {"in/id", {}},  // belongs to the other func
      {"../func[@name='save']/in/id", {"<id>7</id>"}},
  };
  const XmlDocument document = loaded(kRequest);
  const XmlNode func = document.selectSingleNode("//func[@name='get']");
  ASSERT_FALSE(func.isNull());
  for (const Case& c : kCases) {
    EXPECT_EQ(markupOf(func.selectNodes(c.xpath)), c.selected) << c.xpath;
  }
  EXPECT_EQ(func.selectSingleNode(".."), document.documentElement());
}

TEST(XmlXPathTest, SelectedNodesCanBeEditedInPlace) {
  XmlDocument document = loaded(kRequest);
  for (XmlNode row : document.selectNodes("//rs:data/z:row")) row.setAttribute("checked", "1");
  XmlNode out = document.selectSingleNode("//func[@name='get']/out");
  out.appendElement("z:row").setAttribute("ok", "1");
  EXPECT_EQ(document.selectNodes("//z:row[@checked='1']").size(), 2U);
  EXPECT_EQ(document.selectSingleNode("//out/z:row").attribute("ok"), "1");
}

TEST(XmlXPathTest, MalformedXPathRaisesTypeMismatch) {
  static const char* const kMalformed[] = {"",         "//[", "z:row[", "//z:row[@cID='1'", "///", "count(//z:row)",
                                           "//z:row]", "@"};
  const XmlDocument document = loaded(kRequest);
  for (const char* xpath : kMalformed) {
    try {
      document.selectNodes(xpath);
      ADD_FAILURE() << "no error for " << xpath;
    } catch (const RuntimeError& error) {
      EXPECT_EQ(error.number(), errnum::kTypeMismatch) << xpath;
      EXPECT_NE(error.description().find(xpath), std::string::npos) << error.description();
    }
    EXPECT_EQ(errorNumberOf([&] { document.documentElement().selectSingleNode(xpath); }), errnum::kTypeMismatch)
        << xpath;
  }
}

}  // namespace
}  // namespace corvane
