// corvane: serves request documents from the command line.
//
//   corvane call [LOGIN] PROGID [FILE]
//                                reads a request document from FILE (standard input without one),
//                                lets the class PROGID serve it and prints the answered document.
//                                LOGIN: --account DIR --user U --password P [--locale L]
//                                [--year Y] [--date YYYY-MM-DD]; without --account the class is
//                                called without a login object.
//   corvane init DIR             creates the demo account in the folder DIR.
//   corvane report LOGIN PROGID TITLE [CONDITION...]
//                                fills the detail report TITLE from the report data source PROGID
//                                as the host's report engine would, under the filter of the
//                                CONDITIONs (column=value; also <>, <, <=, >, >=), and prints its
//                                rows tab-separated under a line of column names.
//   corvane bank DIR confirm|reject PAYROW
//                                answers, as the bank, the net-bank bill of the payment row
//                                PAYROW (a loan line's or a claim receipt or payment row's GUID)
//                                in the account in DIR: a confirmed row's blnNetOK becomes 1.
//
// Exit status: 0 on success, 1 when the work fails, 2 for a bad command line. Every failure
// prints one line on standard error. A request that fails once its text is read (too large, the
// login refused or the account unusable, the class failing) is also answered with an error
// reply document on standard output, in the login's locale; a command line, file or document
// that cannot be read, or an unknown class, is not.

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/ClassTable.h"
#include "app/ReportSources.h"
#include "host/BankPay.h"
#include "host/EmbeddedLoginContext.h"
#include "host/PasswordCodec.h"
#include "host/ReportEngine.h"
#include "platform/com/AsciiText.h"
#include "platform/com/Locale.h"
#include "platform/com/RuntimeError.h"
#include "platform/db/AccountCreator.h"
#include "platform/db/Connection.h"
#include "platform/tsql/SqlLiteral.h"
#include "platform/xml/XmlDocument.h"
#include "request/ErrorReply.h"
#include "request/RequestLimits.h"

namespace corvane {
namespace {

constexpr int kFailure = 1;
constexpr int kBadCommandLine = 2;

// The command line, parsed: options, the command's name and its positional arguments.
struct Options {
  bool help = false;
  std::optional<LoginOptions> login;
  std::string command;
  std::vector<std::string> arguments;
};

// A failure that ends the program with `status` and `message` on standard error.
struct ToolError {
  int status;
  std::string message;
};

[[noreturn]] void fail(int status, std::string message) { throw ToolError{status, std::move(message)}; }

std::string describeErrno() { return std::strerror(errno); }

// Reads the whole stream; nullopt on a read error (errno tells which).
std::optional<std::string> readAll(std::FILE* stream) {
  std::string text;
  std::array<char, 65536> buffer{};
  std::size_t count = 0;
  while ((count = std::fread(buffer.data(), 1, buffer.size(), stream)) > 0) text.append(buffer.data(), count);
  if (std::ferror(stream)) return std::nullopt;
  return text;
}

// The text of FILE, or of standard input when the command line names no file.
std::string readDocumentText(const std::vector<std::string>& arguments, std::size_t fileIndex) {
  if (arguments.size() <= fileIndex) {
    auto text = readAll(stdin);
    if (!text) fail(kFailure, "cannot read standard input: " + describeErrno());
    return *text;
  }
  const std::string& path = arguments[fileIndex];
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!file) fail(kFailure, "cannot read " + path + ": " + describeErrno());
  auto text = readAll(file.get());
  if (!text) fail(kFailure, "cannot read " + path + ": " + describeErrno());
  return *text;
}

// Runs `work`; a run-time error is answered with an error reply document of the class PROGID
// on standard output, then reported as every failure is.
template <class Work>
void answeringErrors(const std::string& progId, Work&& work) {
  try {
    work();
  } catch (const RuntimeError& error) {
    const std::string_view prefix = "Corvane.";
    const std::string className =
        progId.size() > prefix.size() && equalsIgnoringCase(std::string_view(progId).substr(0, prefix.size()), prefix)
            ? progId.substr(prefix.size())
            : progId;
    std::cout << ErrorReply(className, "myHandle", error.number(), error.description()) << '\n';
    throw;
  }
}

int callCommand(const Options& options) {
  const std::string& progId = options.arguments[0];
  if (options.login) gLocaleID = options.login->locale;  // the language of the error replies
  const std::string text = readDocumentText(options.arguments, 1);
  answeringErrors(progId, [&] { CheckRequestSize(text.size()); });
  XmlDocument document;
  if (!document.loadXML(text)) fail(kFailure, "the request document is not well-formed XML");
  const auto requestClass = StandardClasses().create(progId);
  answeringErrors(progId, [&] {
    const auto login = options.login ? EmbeddedLoginContext::logIn(*options.login) : nullptr;
    requestClass->myHandle(login.get(), document);
  });
  std::cout << document.xml() << '\n';
  return 0;
}

// Tabs and line breaks inside a value would break the printed rows: they print as blanks.
std::string cellText(std::string value) {
  for (char& c : value) {
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  }
  return value;
}

void printRow(const std::vector<std::string>& values) {
  for (std::size_t i = 0; i < values.size(); ++i) std::cout << (i == 0 ? "" : "\t") << cellText(values[i]);
  std::cout << '\n';
}

int reportCommand(const Options& options) {
  if (!options.login) fail(kBadCommandLine, "report needs the login options (--account DIR --user U --password P)");
  const auto source = CreateReportDataSource(options.arguments[0]);
  const std::string& title = options.arguments[1];
  std::vector<ReportCondition> conditions;
  for (std::size_t i = 2; i < options.arguments.size(); ++i) {
    conditions.push_back(ParseReportCondition(options.arguments[i]));
  }
  const auto login = EmbeddedLoginContext::logIn(*options.login);
  ReportEngine engine(*login);
  engine.setFilter(title, std::move(conditions));
  const ReportTable table = engine.run(*source, title);
  printRow(table.columns);
  for (const auto& row : table.rows) printRow(row);
  return 0;
}

int initCommand(const Options& options) {
  const auto encodePassword = [](const std::string& plain) { return EmbeddedPasswordCodec().Encode(plain); };
  return db::runInitCommand(options.arguments, encodePassword, std::cout, std::cerr);
}

// The bank's side of net-bank payment, which is not the module's: confirms or rejects a bill.
int bankCommand(const Options& options) {
  const std::string& folder = options.arguments[0];
  const std::string& verdict = options.arguments[1];
  const std::string& payRow = options.arguments[2];
  if (verdict != "confirm" && verdict != "reject") {
    fail(kBadCommandLine, "the bank answers confirm or reject, not '" + verdict + "'");
  }
  const BankAnswer answer = verdict == "confirm" ? BankAnswer::Confirm : BankAnswer::Reject;
  db::Connection connection;
  connection.open("Data Source=" + db::quoteLiteral(folder));
  connection.beginTrans();
  AnswerBill(connection, payRow, answer);
  connection.commitTrans();
  std::cout << "The bank " << (answer == BankAnswer::Confirm ? "confirmed" : "rejected") << " the bill of payment row "
            << payRow << ".\n";
  return 0;
}

struct Command {
  std::string_view name;
  std::string_view synopsis;
  std::string_view description;
  std::size_t minArguments;
  std::size_t maxArguments;
  int (*run)(const Options&);
};

constexpr Command kCommands[] = {
    {"call", "call [LOGIN] PROGID [FILE]",
     "Serve the request document in FILE (standard input without one) with the class PROGID\n"
     "      and print the answered document. LOGIN logs a user into an account:\n"
     "      --account DIR --user U --password P [--locale L] [--year Y] [--date YYYY-MM-DD]",
     1, 2, callCommand},
    {"init", "init DIR", "Create the demo account in the folder DIR.", 1, 1, initCommand},
    {"report", "report LOGIN PROGID TITLE [CONDITION...]",
     "Fill the detail report TITLE from the report data source PROGID (Corvane.CReportJKTJ\n"
     "      loan lines, Corvane.CReportSZTJ claim lines) as the host's report engine would, and\n"
     "      print its rows tab-separated under a line of column names. Each CONDITION (column=value,\n"
     "      or with <>, <, <=, >, >=) narrows the report as the engine's filter does.",
     2, 64, reportCommand},
    {"bank", "bank DIR confirm|reject PAYROW",
     "Answer, as the bank, the net-bank bill of the payment row PAYROW (the GUID of a loan\n"
     "      line or of a claim's receipt or payment row) in the account in DIR: confirm sets the\n"
     "      row's blnNetOK to 1, so that the bill can no longer be taken back; reject leaves it 0.",
     3, 3, bankCommand},
};

std::string usage() {
  std::string text = "Usage: corvane COMMAND [ARGUMENTS]\n       corvane --help\n\nCommands:\n";
  for (const Command& command : kCommands) {
    text.append("  ").append(command.synopsis).append("\n      ").append(command.description).append("\n");
  }
  return text;
}

const Command& findCommand(std::string_view name) {
  for (const Command& command : kCommands) {
    if (command.name == name) return command;
  }
  fail(kBadCommandLine, "unknown command '" + std::string(name) + "' (see corvane --help)");
}

// Sets the login option `name` to `value`.
void setLoginOption(LoginOptions& login, std::string_view name, const std::string& value) {
  if (name == "--account") {
    login.account = value;
  } else if (name == "--user") {
    login.user = value;
  } else if (name == "--password") {
    login.password = value;
  } else if (name == "--locale") {
    login.locale = value;
  } else if (name == "--year") {
    const Variant year(value);
    if (!IsNumeric(year)) fail(kBadCommandLine, "--year needs a year, not '" + value + "'");
    login.year = CInt(year);
  } else if (name == "--date") {
    login.date = DateTime::parse(value);
    if (!login.date) fail(kBadCommandLine, "--date needs a date, not '" + value + "'");
  }
}

constexpr std::string_view kLoginOptions[] = {"--account", "--user", "--password", "--locale", "--year", "--date"};

bool isLoginOption(std::string_view word) {
  return std::find(std::begin(kLoginOptions), std::end(kLoginOptions), word) != std::end(kLoginOptions);
}

Options parseCommandLine(const std::vector<std::string_view>& words) {
  Options options;
  LoginOptions login;
  bool anyLoginOption = false;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string_view word = words[i];
    if (word == "--help" || word == "-h") {
      options.help = true;
    } else if (isLoginOption(word)) {
      if (i + 1 >= words.size()) fail(kBadCommandLine, std::string(word) + " needs a value");
      setLoginOption(login, word, std::string(words[++i]));
      anyLoginOption = true;
    } else if (word.size() > 1 && word.front() == '-') {
      fail(kBadCommandLine, "unknown option '" + std::string(word) + "' (see corvane --help)");
    } else if (options.command.empty()) {
      options.command = word;
    } else {
      options.arguments.emplace_back(word);
    }
  }
  if (anyLoginOption) {
    if (login.account.empty()) fail(kBadCommandLine, "the login options need --account DIR");
    options.login = login;
  }
  return options;
}

int run(const std::vector<std::string_view>& words) {
  const Options options = parseCommandLine(words);
  if (options.help) {
    std::cout << usage();
    return 0;
  }
  if (options.command.empty()) fail(kBadCommandLine, "no command given (see corvane --help)");
  const Command& command = findCommand(options.command);
  if (options.arguments.size() < command.minArguments || options.arguments.size() > command.maxArguments) {
    fail(kBadCommandLine, "usage: corvane " + std::string(command.synopsis));
  }
  return command.run(options);
}

// Error descriptions may span lines; the tool reports each failure on one.
void reportFailure(std::string message) {
  for (char& c : message) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  std::cerr << "corvane: " << message << '\n';
}

}  // namespace
}  // namespace corvane

int main(int argc, char** argv) {
  const std::vector<std::string_view> words(argv + 1, argv + argc);
  try {
    return corvane::run(words);
  } catch (const corvane::ToolError& error) {
    corvane::reportFailure(error.message);
    return error.status;
  } catch (const corvane::RuntimeError& error) {
    corvane::reportFailure(error.description() + " (error " + std::to_string(error.number()) + ")");
    return corvane::kFailure;
  } catch (const std::exception& error) {
    corvane::reportFailure(error.what());
    return corvane::kFailure;
  }
}
