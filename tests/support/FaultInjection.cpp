#include "support/FaultInjection.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/ClassTable.h"
#include "host/EmbeddedLoginContext.h"
#include "platform/db/Connection.h"
#include "platform/xml/XmlDocument.h"
#include "support/AccountSnapshot.h"
#include "support/FaultPlan.h"
#include "support/FaultyHost.h"

namespace corvane {

namespace {

// A bound on the calls of one request, so that a request that never stops failing ends the
// test instead of running forever.
constexpr int kMaxCalls = 5000;

// Serves the request once with call `ordinal` failing (0: none); answers the reply.
std::string serveOnce(const CaseAccount& account, const FaultRequest& request, FaultPlan& plan, int ordinal) {
  FaultyHost host(EmbeddedHost::instance(), plan);
  const auto login = account.logIn(request.user, request.locale, request.date, &host);
  XmlDocument document;
  if (!document.loadXML(request.request)) throw std::invalid_argument("request is not XML");
  if (request.serve) {
    db::Connection connection;
    connection.open(account.connectString());
    plan.arm(ordinal);
    const db::ScopedDbFaultHook hook(plan);
    return request.serve(*login, connection, document);
  }
  const auto served = StandardClasses().create(request.progId);
  plan.arm(ordinal);
  {
    const db::ScopedDbFaultHook hook(plan);
    served->myHandle(login.get(), document);
  }
  return document.xml();
}

// A copy of an account's files beside it, put back after a run whose work stood.
class AccountBackup {
 public:
  explicit AccountBackup(const std::filesystem::path& folder) : folder_(folder), copy_(folder.string() + ".backup") {
    copyFiles(folder_, copy_);
  }
  ~AccountBackup() {
    std::error_code ignored;
    std::filesystem::remove_all(copy_, ignored);
  }
  AccountBackup(const AccountBackup&) = delete;
  AccountBackup& operator=(const AccountBackup&) = delete;

  void restore() const { copyFiles(copy_, folder_); }

 private:
  static void copyFiles(const std::filesystem::path& from, const std::filesystem::path& to) {
    std::filesystem::remove_all(to);
    std::filesystem::create_directories(to);
    for (const auto& entry : std::filesystem::directory_iterator(from)) {
      std::filesystem::copy_file(entry.path(), to / entry.path().filename());
    }
  }

  std::filesystem::path folder_;
  std::filesystem::path copy_;
};

// The changes as two runs of a request can be compared: without the taken-rights rows (a right
// whose release failed stays registered until the user's next release of it, which is bookkeeping
// no request relies on), and with the tables made in tempdb counted instead of named (a scratch
// table's name is new in every run).
std::string comparableChanges(const std::string& changes) {
  std::string kept;
  int scratchTablesMade = 0;
  std::size_t start = 0;
  while (start < changes.size()) {
    const std::size_t end = changes.find('\n', start);
    const std::string line = changes.substr(start, end == std::string::npos ? std::string::npos : end + 1 - start);
    if (line.rfind("tempdb.", 0) == 0 && line.ends_with(": made\n")) {
      ++scratchTablesMade;
    } else if (line.rfind("vqsystem.UA_Task:", 0) != 0) {
      kept += line;
    }
    start = end == std::string::npos ? changes.size() : end + 1;
  }
  return kept + "tables made in tempdb: " + std::to_string(scratchTablesMade) + "\n";
}

}  // namespace

bool isErrorReply(const std::string& reply) {
  XmlDocument document;
  if (!document.loadXML(reply)) return false;
  const std::string root = document.documentElement().name();
  if (root == "error" || root == "err") return true;
  return !document.selectNodes("//func/out/error | //func/out/err | //func/out/Error/err").empty();
}

FaultReport serveUnderFaults(const CaseAccount& account, const FaultRequest& request) {
  FaultReport report;
  FaultPlan plan;
  const AccountSnapshot before = AccountSnapshot::of(account.folder());
  const AccountBackup backup(account.folder());
  // What the request changes when nothing fails: the tables and their row counts (new GUIDs differ
  // from run to run).
  serveOnce(account, request, plan, 0);
  const std::string faultFreeChanges = comparableChanges(AccountSnapshot::of(account.folder()).changesSince(before));
  backup.restore();
  for (int ordinal = 1; ordinal <= kMaxCalls; ++ordinal) {
    const std::string reply = serveOnce(account, request, plan, ordinal);
    if (!plan.fired()) {
      report.finalReply = reply;
      EXPECT_FALSE(isErrorReply(reply)) << "the request fails without a fault: " << reply;
      return report;
    }
    ++report.faultedRuns;
    ++report.faultsByComponent[plan.failedComponent()];
    const std::string what = "call " + std::to_string(ordinal) + " (" + plan.failedComponent() + ")";
    if (plan.faultAfterCommit()) {
      // The request's work was committed before the fault: it stands, and the reply says so (or
      // reports the failure of the step after the commit, when the request has one).
      ++report.faultsAfterCommit;
      ++report.faultsAfterCommitByComponent[plan.failedComponent()];
      if (!request.stepsAfterCommit) {
        EXPECT_FALSE(isErrorReply(reply)) << what << " failed after the commit, yet the reply is " << reply;
      }
      backup.restore();
      continue;
    }
    if (!isErrorReply(reply)) {
      // The request went on past the failed call: only a failed release of a right may be
      // passed over, and the request's work must then be whole.
      ++report.faultsPassedOver;
      EXPECT_EQ(faultFreeChanges, comparableChanges(AccountSnapshot::of(account.folder()).changesSince(before)))
          << what << " failed, the reply is a success and the work differs from a run without faults: " << reply;
      backup.restore();
      continue;
    }
    const std::string changes = AccountSnapshot::of(account.folder()).changesSince(before);
    EXPECT_EQ("", changes) << what << " failed and the account changed";
    if (!changes.empty()) return report;  // later runs would start from another state
  }
  ADD_FAILURE() << "the request still meets a fault after " << kMaxCalls << " calls";
  return report;
}

}  // namespace corvane
