// `corvane call` of the operation-type list against the sqlite3 shell doing the same work, both
// as whole processes started anew for every repetition: the shell opens the account's three
// files as a connection does and runs the statements the request runs (captured while the
// request was served in process). The call runs on an account whose passwords are hashed at the
// real cost and on one hashed at the cost tests use, to show what the password check costs.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "BenchAccount.h"
#include "core/COperation.h"
#include "platform/xml/XmlDocument.h"

extern char** environ;

namespace corvane {
namespace {

using namespace bench;

constexpr const char* kSqliteShell = "/usr/bin/sqlite3";

// Runs `argv` with standard input from `input` and standard output dropped; answers its exit
// status (-1 when it could not be started or did not exit).
int run(const std::vector<std::string>& argv, const std::string& input) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_t child = 0;
  const int spawned = posix_spawn(&child, args.front(), &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  if (spawned != 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

std::string writeFile(const Account& account, const std::string& name, const std::string& text) {
  const std::string path = account.folder() + "/" + name;
  std::ofstream(path) << text;
  return path;
}

constexpr const char* kListRequest = "<req><func name='get'/></req>";

void Call(benchmark::State& state, const db::PasswordEncoder& encoder) {
  static std::unique_ptr<Account> account;
  account = std::make_unique<Account>("call", encoder);
  const std::string request = writeFile(*account, "list.xml", kListRequest);
  const std::vector<std::string> argv{CORVANE_BIN, "call",  "--account",         account->folder(),
                                      "--user",    "demo",  "--password",        "demo",
                                      "--locale",  "zh-CN", "Corvane.COperation"};
  if (run(argv, request) != 0) state.SkipWithError("corvane call failed");
  for (auto _ : state) benchmark::DoNotOptimize(run(argv, request));
  account.reset();
}
BENCHMARK_CAPTURE(Call, RealHashCost, encodeInteractive)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Call, MinimalHashCost, encodeMinimal)->Unit(benchmark::kMillisecond)->UseRealTime();

// The shell's script: the account's files opened as a connection opens them, then the statements.
std::string shellScript(const Account& account, const std::vector<CapturedStatement>& statements) {
  std::string script = ".bail on\nATTACH DATABASE '" + account.folder() +
                       "/system.db' AS vqsystem;\nATTACH DATABASE '" + account.folder() + "/tempdb.db' AS tempdb;\n";
  for (const CapturedStatement& statement : statements) script += statement.expanded + ";\n";
  return script;
}

void SqliteShell(benchmark::State& state) {
  if (::access(kSqliteShell, X_OK) != 0) {
    state.SkipWithError("the sqlite3 shell is not installed (Debian package sqlite3)");
    return;
  }
  static std::unique_ptr<Account> account;
  account = std::make_unique<Account>("shell", encodeMinimal);
  std::vector<CapturedStatement> statements;
  {
    StatementCapture capture;
    auto login = account->logIn();
    XmlDocument document;
    document.loadXML(kListRequest);
    statements = capture.record([&] { COperation().myHandle(login.get(), document); });
  }
  const std::string script = writeFile(*account, "list.sql", shellScript(*account, statements));
  const std::vector<std::string> argv{kSqliteShell, account->folder() + "/company.db"};
  if (run(argv, script) != 0) state.SkipWithError("the shell failed on the captured statements");
  for (auto _ : state) benchmark::DoNotOptimize(run(argv, script));
  state.SetLabel(std::to_string(statements.size()) + " statements");
  account.reset();
}
BENCHMARK(SqliteShell)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace corvane

BENCHMARK_MAIN();
