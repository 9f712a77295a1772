#include "FaultInjection.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "AccountSnapshot.h"
#include "FaultPlan.h"
#include "FaultyHost.h"
#include "host/EmbeddedLoginContext.h"
#include "platform/com/RequestClass.h"
#include "platform/xml/XmlDocument.h"

namespace corvane {

namespace {

// A bound on the calls of one request, so that a request that never stops failing ends the
// test instead of running forever.
constexpr int kMaxCalls = 5000;

// Serves the request once with call `ordinal` failing (0: none); answers the reply.
std::string serveOnce(const CaseAccount& account, const FaultRequest& request, FaultPlan& plan,
                      int ordinal) {
  FaultyHost host(EmbeddedHost::instance(), plan);
  LoginOptions options;
  options.account = account.folder();
  options.user = request.user;
  options.password = "demo";
  options.locale = request.locale;
  options.date = request.date;
  options.host = &host;
  const auto login = EmbeddedLoginContext::logIn(options);
  const auto served = ClassRegistry::standard().create(request.progId);
  XmlDocument document;
  if (!document.loadXML(request.request)) throw std::invalid_argument("request is not XML");
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
  explicit AccountBackup(const std::filesystem::path& folder)
      : folder_(folder), copy_(folder.string() + ".backup") {
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

}  // namespace

bool isErrorReply(const std::string& reply) {
  XmlDocument document;
  if (!document.loadXML(reply)) return false;
  const std::string root = document.documentElement().name();
  if (root == "error" || root == "err") return true;
  return !document.selectNodes("//func/out/error | //func/out/err").empty();
}

FaultReport serveUnderFaults(const CaseAccount& account, const FaultRequest& request) {
  FaultReport report;
  FaultPlan plan;
  const AccountSnapshot before = AccountSnapshot::of(account.folder());
  const AccountBackup backup(account.folder());
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
      // The request's work was committed before the fault: it stands, and the reply says so.
      ++report.faultsAfterCommit;
      EXPECT_FALSE(isErrorReply(reply)) << what << " failed after the commit, yet the reply is "
                                        << reply;
      backup.restore();
      continue;
    }
    EXPECT_TRUE(isErrorReply(reply)) << what << " failed, yet the reply is " << reply;
    const std::string changes = AccountSnapshot::of(account.folder()).changesSince(before);
    EXPECT_EQ("", changes) << what << " failed and the account changed";
    if (!changes.empty()) return report;  // later runs would start from another state
  }
  ADD_FAILURE() << "the request still meets a fault after " << kMaxCalls << " calls";
  return report;
}

}  // namespace corvane
