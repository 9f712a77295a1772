#include "request/Messages.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "support/ScopedLocale.h"

namespace corvane {
namespace {

TEST(GetResString, ParameterRules) {
  struct Case {
    const char* p1;
    const char* p2;
    const char* p3;
    const char* expected;
  };
  static const Case cases[] = {
      {"", "", "", "Row {0}, voucher {1}: {2}"},
      // Without p1 the plain text comes back, whatever p2 and p3 hold.
      {"", "V001", "", "Row {0}, voucher {1}: {2}"},
      {"", "V001", "late", "Row {0}, voucher {1}: {2}"},
      {"3", "", "", "Row 3, voucher : "},
      {"3", "V001", "", "Row 3, voucher V001: "},
      // p3 given: three parameters, the second one empty.
      {"3", "", "late", "Row 3, voucher : late"},
      {"3", "V001", "late", "Row 3, voucher V001: late"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetResString("Z7.Corvane.0165", "en-us", c.p1, c.p2, c.p3), c.expected)
        << c.p1 << "|" << c.p2 << "|" << c.p3;
  }
}

TEST(GetResString, EmptyLocaleMeansTheRequestLocale) {
  struct Case {
    const char* requestLocale;
    const char* locale;
    const char* expected;
  };
  static const Case cases[] = {
      {"en-us", "", "Strict control"},
      {"EN-US", "", "Strict control"},
      {"zh-CN", "", "严格控制"},
      {"", "", "严格控制"},  // before any request on the thread
      {"zh-CN", "en-US", "Strict control"},
      {"en-us", "zh-cn", "严格控制"},
      {"en-us", "de-DE", "严格控制"},
  };
  for (const Case& c : cases) {
    const ScopedLocale scope(c.requestLocale);
    EXPECT_EQ(GetResString("Z7.Corvane.0230", c.locale), c.expected) << c.requestLocale << "/" << c.locale;
  }
  const ScopedLocale scope("en-us");
  EXPECT_EQ(GetResString("Z7.Corvane.0072", "", "P01"), "The person code P01 does not exist.");
}

std::set<std::string> messageIdsInSources() {
  const std::regex idPattern(R"(Z7\.Corvane\.(Web\.)?[0-9]{4}|z7\.gl\.[a-z]+\.[0-9]+)");
  std::set<std::string> ids;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(CORVANE_SOURCE_DIR "/src")) {
    if (!entry.is_regular_file()) continue;
    std::ifstream file(entry.path(), std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    const std::string text = content.str();
    for (std::sregex_iterator it(text.begin(), text.end(), idPattern), end; it != end; ++it) {
      ids.insert(it->str());
    }
  }
  return ids;
}

TEST(GetResString, EveryIdInTheSourcesHasTextsInBothLocales) {
  const std::set<std::string> ids = messageIdsInSources();
  ASSERT_FALSE(ids.empty());
  for (const std::string& id : ids) {
    for (const char* locale : {"zh-CN", "en-us"}) {
      const std::string text = GetResString(id, locale);
      EXPECT_EQ(text.find(id), std::string::npos) << id << " has no text in " << locale;
      EXPECT_FALSE(text.empty()) << id;
    }
  }
}

}  // namespace
}  // namespace corvane
