// Runs the built corvane program (its path in CORVANE_BIN) and checks what it prints and answers.

#include <gtest/gtest.h>
#include <unistd.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
};

std::string readFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

void writeFile(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

class CorvaneToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* bin = std::getenv("CORVANE_BIN");
    if (bin == nullptr) GTEST_SKIP() << "CORVANE_BIN is not set";
    bin_ = bin;
    dir_ = fs::path(::testing::TempDir()) /
           ("corvane_tool_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
            "_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    if (!dir_.empty()) fs::remove_all(dir_);
  }

  // Runs `corvane <arguments>` with `input` on standard input (arguments are passed to the shell
  // as written).
  ToolRun run(const std::string& arguments, const std::string& input = "") const {
    writeFile(dir_ / "stdin", input);
    const std::string command = "'" + bin_ + "' " + arguments + " <'" + (dir_ / "stdin").string() + "' >'" +
                                (dir_ / "stdout").string() + "' 2>'" + (dir_ / "stderr").string() + "'";
    const int raw = std::system(command.c_str());
    ToolRun result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = readFile(dir_ / "stdout");
    result.err = readFile(dir_ / "stderr");
    return result;
  }

  std::string file(const std::string& name, const std::string& text) const {
    writeFile(dir_ / name, text);
    return "'" + (dir_ / name).string() + "'";
  }

  std::string bin_;
  fs::path dir_;
};

TEST_F(CorvaneToolTest, HelpPrintsUsage) {
  const char* const helpLines[] = {"--help", "-h", "call Corvane.CNothing --help", "-h call"};
  for (const char* arguments : helpLines) {
    const ToolRun result = run(arguments);
    EXPECT_EQ(result.status, 0) << arguments;
    EXPECT_NE(result.out.find("Usage: corvane"), std::string::npos) << arguments;
    EXPECT_NE(result.out.find("PROGID [FILE]"), std::string::npos) << arguments;
    EXPECT_EQ(result.err, "") << arguments;
  }
}

TEST_F(CorvaneToolTest, FailuresExitNonZeroWithOneLineOnStandardError) {
  const std::string request = "<req><func name='get'/></req>";
  struct Case {
    std::string arguments;
    std::string input;
    int status;
    std::string message;
  };
  const Case cases[] = {
      {"", "", 2, "no command given"},
      {"frobnicate", "", 2, "unknown command 'frobnicate'"},
      {"--bogus call Corvane.CNothing", request, 2, "unknown option '--bogus'"},
      {"call", "", 2, "usage: corvane call [LOGIN] PROGID [FILE]"},
      {"call Corvane.CNothing a.xml b.xml", "", 2, "usage: corvane call [LOGIN] PROGID [FILE]"},
      {"call Corvane.CNothing", request, 1, "Class not registered: Corvane.CNothing"},
      {"call Corvane.CNothing " + file("request.xml", request), "", 1,
       "Class not registered: Corvane.CNothing"},
      {"call Corvane.CNothing '" + (dir_ / "missing.xml").string() + "'", request, 1,
       "cannot read " + (dir_ / "missing.xml").string()},
      {"call Corvane.CNothing '" + dir_.string() + "'", request, 1, "cannot read " + dir_.string()},
      {"call Corvane.CNothing", "this is not XML", 1, "not well-formed XML"},
      {"call Corvane.CNothing", "<req><func></req>", 1, "not well-formed XML"},
      {"call Corvane.CNothing", "", 1, "not well-formed XML"},
      {"call Corvane.CNothing " + file("broken.xml", "<req>"), "", 1, "not well-formed XML"},
  };
  for (const Case& c : cases) {
    const ToolRun result = run(c.arguments, c.input);
    EXPECT_EQ(result.status, c.status) << c.arguments;
    EXPECT_EQ(result.out, "") << c.arguments;
    EXPECT_EQ(result.err.rfind("corvane: ", 0), 0U) << c.arguments << ": " << result.err;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << c.arguments << ": " << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << c.arguments << ": " << result.err;
  }
}

// Once the request is read, a failure is also answered with an error reply document on standard
// output, in the login's language, so that the caller always gets a document back.
TEST_F(CorvaneToolTest, RequestFailuresAreAnsweredWithAnErrorReplyDocument) {
  ASSERT_EQ(run("init '" + (dir_ / "account").string() + "'").status, 0);
  const std::string login = "--account '" + (dir_ / "account").string() + "' --user demo --locale en-us ";
  const std::string request = "<req><func name='get'/></req>";
  struct Case {
    std::string title;
    std::string arguments;
    std::string input;
    std::string reply;
  };
  const Case cases[] = {
      {"a document over the size limit, refused before it is parsed",
       login + "--password demo call Corvane.COperation", std::string(8 * 1024 * 1024 + 1, ' '),
       "<?xml version='1.0' encoding='utf-8'?><error><id>Corvane:COperation:myHandle:9000</id>"
       "<text>The request document is too large: it may hold at most 8388608 bytes.</text></error>\n"},
      {"a wrong password", login + "--password wrong call Corvane.COperation", request,
       "<?xml version='1.0' encoding='utf-8'?><error><id>Corvane:COperation:myHandle:9000</id>"
       "<text>Wrong user or password.</text></error>\n"},
      {"a folder without an account",
       "--account '" + (dir_ / "none").string() + "' --user demo --password demo call Corvane.CPubMsg",
       request,
       "<?xml version='1.0' encoding='utf-8'?><error><id>Corvane:CPubMsg:myHandle:-2147467259</id>"
       "<text>The account database &apos;" + (dir_ / "none" / "company.db").string() +
           "&apos; does not exist.</text></error>\n"},
  };
  for (const Case& c : cases) {
    const ToolRun result = run(c.arguments, c.input);
    EXPECT_EQ(result.status, 1) << c.title;
    EXPECT_EQ(result.out, c.reply) << c.title;
    EXPECT_EQ(result.err.rfind("corvane: ", 0), 0U) << c.title << ": " << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << c.title << ": " << result.err;
  }
}

}  // namespace
