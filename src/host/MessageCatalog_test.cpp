#include "host/MessageCatalog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace corvane {
namespace {

std::string textOf(const std::string& id, const std::string& locale) {
  return CreateMessageCatalog()->Messages()->GetText(id, locale);
}

std::string formatted(const std::string& id, const std::vector<std::string>& parameters, const std::string& locale) {
  return CreateMessageFormatter()->FormatText(id, parameters, locale);
}

// The placeholders of a text, as the set of their indexes.
std::set<char> placeholdersOf(std::string_view text) {
  std::set<char> indexes;
  for (std::size_t at = 0; at + 2 < text.size(); ++at) {
    if (text[at] == '{' && text[at + 2] == '}') indexes.insert(text[at + 1]);
  }
  return indexes;
}

TEST(MessageCatalog, LocaleMatchesWithoutCaseAndFallsBackToChinese) {
  struct Case {
    const char* locale;
    const char* expected;
  };
  static const Case cases[] = {
      {"zh-CN", "提示"},   {"ZH-cn", "提示"}, {"en-us", "Prompt"}, {"en-US", "Prompt"},
      {"EN-US", "Prompt"}, {"fr-FR", "提示"}, {"", "提示"},        {"en", "提示"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(textOf("Z7.Corvane.0028", c.locale), c.expected) << c.locale;
    EXPECT_EQ(formatted("Z7.Corvane.0028", {"x"}, c.locale), c.expected) << c.locale;
  }
}

TEST(MessageCatalog, StoredAndComparedWordsAreFixed) {
  struct Case {
    const char* id;
    const char* zhCN;
  };
  static const Case cases[] = {
      {"Z7.Corvane.0028", "提示"},
      {"Z7.Corvane.0230", "严格控制"},
      {"Z7.Corvane.0022", "是"},
      {"Z7.Corvane.0023", "否"},
  };
  for (const Case& c : cases) EXPECT_EQ(textOf(c.id, "zh-CN"), c.zhCN) << c.id;
  EXPECT_EQ(textOf("Z7.Corvane.0022", "en-us"), "Yes");
  EXPECT_EQ(textOf("Z7.Corvane.0023", "en-us"), "No");
}

// Clients send these words back and the module tells them apart by exact comparison.
TEST(MessageCatalog, WordsThatAreComparedDifferWithinEachLocale) {
  static const std::vector<std::vector<std::string>> groups = {
      {"Z7.Corvane.0005", "Z7.Corvane.Web.0200", "Z7.Corvane.Web.0637"},  // voucher kinds
      {"Z7.Corvane.0185", "Z7.Corvane.0186"},                             // payment directions
      {"Z7.Corvane.0028", "Z7.Corvane.0230"},                             // control types
      {"Z7.Corvane.0022", "Z7.Corvane.0023"},                             // yes and no
      {"Z7.Corvane.0131", "Z7.Corvane.0134", "Z7.Corvane.0135", "Z7.Corvane.0143", "Z7.Corvane.0146",
       "Z7.Corvane.Web.0624", "Z7.Corvane.Web.0634", "Z7.Corvane.Web.0635"},  // report groupings
      {"Z7.Corvane.Web.0744", "Z7.Corvane.0301", "Z7.Corvane.0386"},          // ledger voucher states
  };
  for (const char* locale : {"zh-CN", "en-us"}) {
    for (const auto& group : groups) {
      std::set<std::string> texts;
      for (const auto& id : group) texts.insert(textOf(id, locale));
      EXPECT_EQ(texts.size(), group.size()) << locale << " " << group.front();
    }
  }
}

TEST(MessageCatalog, UnknownIdGivesATextNamingIt) {
  const std::string unknown = std::string("Z7.Corvane.") + "9999";
  for (const char* locale : {"zh-CN", "en-us", "xx"}) {
    const std::string text = textOf(unknown, locale);
    EXPECT_NE(text.find(unknown), std::string::npos) << locale << ": " << text;
    EXPECT_NE(formatted(unknown, {"a"}, locale).find(unknown), std::string::npos) << locale;
  }
}

TEST(MessageCatalog, FormatterPutsParametersInPlace) {
  struct Case {
    std::vector<std::string> parameters;
    const char* expected;
  };
  static const Case cases[] = {
      {{"1", "V001", "over budget"}, "Row 1, voucher V001: over budget"},
      {{"1", "", "over budget"}, "Row 1, voucher : over budget"},
      {{"1", "V001"}, "Row 1, voucher V001: "},
      {{"1"}, "Row 1, voucher : "},
      {{}, "Row , voucher : "},
      // A parameter that looks like a placeholder is put in as it is.
      {{"{1}", "{2}", "{0}"}, "Row {1}, voucher {2}: {0}"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(formatted("Z7.Corvane.0165", c.parameters, "en-us"), c.expected) << c.expected;
  }
  EXPECT_EQ(formatted("Z7.Corvane.0038", {"231.00", "差旅费", "1.00"}, "zh-CN"),
            "报销金额231.00超过报销标准“差旅费”，超出1.00。");
}

TEST(MessageCatalog, TableIsOrderedAndEveryTextIsUsable) {
  const auto texts = EmbeddedMessageTexts();
  ASSERT_FALSE(texts.empty());
  for (std::size_t i = 1; i < texts.size(); ++i) {
    EXPECT_LT(texts[i - 1].id, texts[i].id) << "order or duplicate at " << texts[i].id;
  }
  for (const MessageText& message : texts) {
    for (const std::string_view text : {message.zhCN, message.enUS}) {
      EXPECT_FALSE(text.empty()) << message.id;
      // Texts go into SQL literals and XML attributes without escaping.
      EXPECT_EQ(text.find_first_of("'\"<>&"), std::string_view::npos) << message.id << ": " << text;
    }
    EXPECT_EQ(placeholdersOf(message.zhCN), placeholdersOf(message.enUS)) << message.id;
  }
}

}  // namespace
}  // namespace corvane
