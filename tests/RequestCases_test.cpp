// Runs the request cases under tests/cases: each file names a class, a user and a locale, the
// rows the case adds to a fresh demo account, the request document, the reply expected, and the
// rows that queries must then find. Every case goes the way of `corvane call`: the class is made
// by ProgID and serves the document with the embedded login object.
//
// A case file is comment lines ("# ...") and then a list of sections, each opened by a line
// "=== <section>":
//   === class      the ProgID; a case may name another class before a later request, which
//                  that class then serves
//   === login      key=value lines: user, password, locale, date (optional; default demo/demo/zh-CN)
//   === setup      T-SQL statements run on the account before the request, one per line
//   === request    the request document
//   === reply      the document expected back from the request before it (compared as XML,
//                  white space between elements ignored); requests and replies may repeat
//   === query      a T-SQL query run afterwards ...
//   === rows       ... and the rows it must answer, one `<row .../>` line each (may be repeated
//                  in pairs)
// Any other section name, login key or text before the first section fails the case, so that a
// misspelt check cannot pass unseen.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <span>
#include <sstream>
#include <string_view>

#include "app/ClassTable.h"
#include "host/EmbeddedLoginContext.h"
#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/xml/XmlDocument.h"
#include "request/RowXml.h"
#include "support/CaseAccount.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

struct Section {
  std::string name;
  std::string text;
};

constexpr std::string_view kSectionNames[] = {"class", "login", "setup", "request", "reply", "query", "rows"};
constexpr std::string_view kLoginKeys[] = {"user", "password", "locale", "date"};

bool isOneOf(std::string_view word, std::span<const std::string_view> words) {
  return std::find(words.begin(), words.end(), word) != words.end();
}

struct CaseFile {
  std::vector<Section> sections;
  std::string fault;  // why the file cannot be read as written; empty when it can
};

CaseFile readCaseFile(std::istream& in) {
  CaseFile file;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("=== ", 0) == 0) {
      file.sections.push_back({line.substr(4), {}});
      if (file.fault.empty() && !isOneOf(file.sections.back().name, kSectionNames)) {
        file.fault = "unknown section '" + file.sections.back().name + "'";
      }
    } else if (!file.sections.empty()) {
      file.sections.back().text += line + "\n";
    } else if (file.fault.empty() && line.find_first_not_of(" \t") != std::string::npos && line[0] != '#') {
      file.fault = "text before the first section: '" + line + "'";
    }
  }
  return file;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> result;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.find_first_not_of(" \t") != std::string::npos) result.push_back(line);
  }
  return result;
}

std::string canonicalXml(const std::string& text) {
  XmlDocument document;
  if (!document.loadXML(text)) return "not XML: " + text;
  return document.xml();
}

// The login keys of a case that the driver does not know, as a fault; empty when there is none.
std::string loginFault(const std::string& text) {
  for (const std::string& line : lines(text)) {
    const std::string key = line.substr(0, line.find('='));
    if (line.find('=') == std::string::npos || !isOneOf(key, kLoginKeys)) return "unknown login line '" + line + "'";
  }
  return {};
}

LoginOptions loginOptions(const fs::path& account, const std::string& text) {
  LoginOptions options;
  options.account = account;
  options.user = "demo";
  options.password = "demo";
  for (const std::string& line : lines(text)) {
    const auto equals = line.find('=');
    const std::string key = line.substr(0, equals);
    const std::string value = line.substr(equals + 1);
    if (key == "user") options.user = value;
    if (key == "password") options.password = value;
    if (key == "locale") options.locale = value;
    if (key == "date") options.date = DateTime::parse(value);
  }
  return options;
}

std::string queryRows(db::Connection& connection, const std::string& query) {
  db::Recordset rs;
  rs.open(query, connection, db::adOpenStatic);
  return canonicalXml("<Rows>" + RsToRowXml(rs) + "</Rows>");
}

class RequestCase : public testing::TestWithParam<fs::path> {};

TEST_P(RequestCase, AnswersAndLeavesTheRowsExpected) {
  std::ifstream in(GetParam());
  const CaseFile file = readCaseFile(in);
  ASSERT_EQ(file.fault, "") << GetParam().filename().string() << ": the case file is not read as written";
  const std::vector<Section>& sections = file.sections;
  CaseAccount account;
  std::string progId;
  std::string loginText;
  for (const Section& section : sections) {
    if (section.name == "class" && progId.empty()) progId = lines(section.text).at(0);
    if (section.name == "login") loginText = section.text;
    if (section.name == "setup") {
      for (const std::string& statement : lines(section.text)) account.execute(statement);
    }
  }
  ASSERT_EQ(loginFault(loginText), "") << GetParam().filename().string();
  const auto login = EmbeddedLoginContext::logIn(loginOptions(account.folder(), loginText));
  std::string pendingQuery;
  std::string lastReply;
  for (const Section& section : sections) {
    if (section.name == "class") progId = lines(section.text).at(0);
    if (section.name == "request") {
      XmlDocument document;
      ASSERT_TRUE(document.loadXML(section.text)) << "the request is not XML";
      StandardClasses().create(progId)->myHandle(login.get(), document);
      lastReply = document.xml();
    }
    if (section.name == "reply") {
      EXPECT_EQ(canonicalXml(section.text), lastReply);
    }
    if (section.name == "query") pendingQuery = section.text;
    if (section.name == "rows") {
      db::Connection connection;
      connection.open(login->ConnectString());
      std::string expected;
      for (const std::string& row : lines(section.text)) expected += row + "\r\n";
      EXPECT_EQ(canonicalXml("<Rows>" + expected + "</Rows>"), queryRows(connection, pendingQuery))
          << "query: " << pendingQuery;
    }
  }
}

TEST(RequestCaseFile, IsRefusedWhenItHoldsWhatTheDriverDoesNotKnow) {
  struct Case {
    const char* text;
    const char* fault;
  };
  static const Case kCases[] = {
      {"=== class\nCorvane.CPubMsg\n=== request\n<func/>\n=== reply\n<func/>\n", ""},
      {"=== class\nCorvane.CPubMsg\n=== replies\n<func/>\n", "unknown section 'replies'"},
      {"=== Rows\n<row/>\n", "unknown section 'Rows'"},
      {"=== query \nselect 1\n", "unknown section 'query '"},
      {"class\n=== class\nCorvane.CPubMsg\n", "text before the first section: 'class'"},
      {"# what the case shows\n\n=== class\nCorvane.CPubMsg\n", ""},
  };
  for (const Case& c : kCases) {
    std::istringstream in(c.text);
    EXPECT_EQ(readCaseFile(in).fault, c.fault) << c.text;
  }
  EXPECT_EQ(loginFault("user=clerk\npassword=demo\nlocale=en-us\ndate=2026-1-6\n"), "");
  EXPECT_EQ(loginFault("usr=clerk\n"), "unknown login line 'usr=clerk'");
  EXPECT_EQ(loginFault("clerk\n"), "unknown login line 'clerk'");
}

std::vector<fs::path> caseFiles() {
  std::vector<fs::path> files;
  const fs::path folder = fs::path(CORVANE_SOURCE_DIR) / "tests" / "cases";
  if (!fs::is_directory(folder)) return files;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().extension() == ".case") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

INSTANTIATE_TEST_SUITE_P(Cases, RequestCase, testing::ValuesIn(caseFiles()),
                         [](const testing::TestParamInfo<fs::path>& info) {
                           std::string name = info.param.stem().string();
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

}  // namespace
}  // namespace corvane
